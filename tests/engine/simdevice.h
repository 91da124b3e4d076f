#pragma once

#include "common/scheduler.h"
#include "engine/devicewire.h"
#include "engine/transactionengine.h"

#include "channel.h"
#include "simulator.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

// fiscal-sim's device in the test process: what the engine writes reaches it at
// once, its reply comes back 1 ms later on the virtual clock. The device keeps
// its own rules (who closes the receipt, what it refuses) and its journal.
// Faults that delay a reply on the simulator's own timers (latency, gaps between
// pieces) need the real process; set their gap to 0 here.
namespace enginetest {

class SimDevice : public DeviceWire {
public:
  SimDevice(int model, Scheduler &clock, const QString &ibfm = QStringLiteral("123450"))
      : m_sim(model, ibfm), m_clock(clock) {
    m_sim.attach(&m_channel);
    QString error;
    m_journalPath = m_dir.filePath(QStringLiteral("journal.jsonl"));
    m_sim.openJournal(m_journalPath, &error);
  }

  void attach(TransactionEngine *engine) { m_engine = engine; }

  void write(const QByteArray &frame) override {
    frames << frame;
    m_channel.send(frame);
    const QByteArray reply = m_channel.takeWritten();
    if (reply.isEmpty() || !m_engine)
      return;
    TransactionEngine *engine = m_engine;
    m_clock.schedule(1, engine, [engine, reply] { engine->onBytesReceived(reply); });
  }

  // A device article as the program's mirror knows it (number, name, price, tax group).
  void program(int number, const QString &name, double price, int taxGroup, const QString &barcode = {}) {
    sim::Article a;
    a.number = number;
    a.name = device().nameBytes(name);
    a.price = qRound64(price * 100);
    a.taxGroup = taxGroup;
    a.barcode = barcode;
    device().articles.insert(number, a);
  }

  sim::FiscalDevice &device() { return m_sim.device(); }
  QJsonObject control(const QJsonObject &command) { return m_sim.control(command); }

  QList<QJsonObject> journal(const QString &type = QStringLiteral("receipt")) const {
    QList<QJsonObject> docs;
    QFile f(m_journalPath);
    if (!f.open(QIODevice::ReadOnly))
      return docs;
    for (const QByteArray &line : f.readAll().split('\n')) {
      const QJsonObject o = QJsonDocument::fromJson(line).object();
      if (!o.isEmpty() && (type.isEmpty() || o.value(QStringLiteral("type")).toString() == type))
        docs << o;
    }
    return docs;
  }

  // Command codes of the frames written (long: byte 7; short: byte 1).
  QList<int> codes() const {
    QList<int> c;
    for (const QByteArray &f : frames)
      c << (quint8(f[0]) == 0xAA ? quint8(f[7]) : quint8(f[1]));
    return c;
  }

  QList<QByteArray> frames;

private:
  QTemporaryDir m_dir;
  QString m_journalPath;
  sim::Simulator m_sim;
  sim::MemoryChannel m_channel;
  Scheduler &m_clock;
  TransactionEngine *m_engine = nullptr;
};

} // namespace enginetest
