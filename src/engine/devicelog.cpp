#include "engine/devicelog.h"

#include "device/framedescription.h"
#include "engine/transactionengine.h"

Q_LOGGING_CATEGORY(lcOkvir, "kasa.uredjaj.okvir")
Q_LOGGING_CATEGORY(lcWatchdog, "kasa.uredjaj.watchdog")
Q_LOGGING_CATEGORY(lcOperater, "kasa.uredjaj.operater")
Q_LOGGING_CATEGORY(lcVeza, "kasa.uredjaj.veza")

DeviceLog::DeviceLog(TransactionEngine &engine, QObject *parent) : QObject(parent), m_engine(engine) {
  connect(&engine, &TransactionEngine::frameSent, this, [this](const QByteArray &frame, bool resend) {
    m_lastCommand = FrameDescription::commandName(m_engine.model(), frame);
    qCInfo(lcOkvir).noquote() << sentLine(m_engine.model(), frame, resend);
  });
  connect(&engine, &TransactionEngine::frameReceived, this, [this](const QByteArray &frame) {
    qCInfo(lcOkvir).noquote() << receivedLine(m_engine.model(), frame);
  });
  connect(&engine, &TransactionEngine::watchdogExpired, this, [this] {
    qCInfo(lcWatchdog).noquote() << QStringLiteral("nema odgovora za %1 ms na %2")
                                        .arg(TransactionEngine::WatchdogMs)
                                        .arg(m_lastCommand.isEmpty() ? QStringLiteral("-") : m_lastCommand);
  });
  connect(&engine, &TransactionEngine::lateReplyDropped, this, [](const QByteArray &frame) {
    qCInfo(lcWatchdog).noquote() << QStringLiteral("zakasneli drugi odgovor (sekvenca %1) odbacen")
                                        .arg(quint8(frame[6]), 2, 16, QLatin1Char('0'));
  });
  connect(&engine, &TransactionEngine::operatorAnswered, this,
          [](const QString &question, const QString &answer) {
            QString q = question;
            q.replace(QLatin1Char('\n'), QLatin1Char(' '));
            qCInfo(lcOperater).noquote() << QStringLiteral("%1 => %2").arg(q, answer);
          });
}

QString DeviceLog::sentLine(int model, const QByteArray &frame, bool resend) {
  return QStringLiteral("-> %1%2 [%3] %4")
      .arg(resend ? QStringLiteral("PONOVO ") : QString(), FrameDescription::commandName(model, frame))
      .arg(frame.size())
      .arg(FrameDescription::hex(model, frame));
}

QString DeviceLog::receivedLine(int model, const QByteArray &frame) {
  return QStringLiteral("<- %1 [%2] %3")
      .arg(FrameDescription::replyMeaning(model, frame))
      .arg(frame.size())
      .arg(FrameDescription::hex(model, frame));
}
