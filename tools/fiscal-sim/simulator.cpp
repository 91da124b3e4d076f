#include "simulator.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTextStream>

#include <cstdio>

namespace sim {

namespace {
// Bytes of a partial frame older than this are stale: the next byte starts afresh.
constexpr qint64 kInterByteTimeoutMs = 1000;
constexpr int kHistorySize = 500;
} // namespace

Simulator::Simulator(int model, const QString &registerNumber, QObject *parent)
    : QObject(parent), m_device(model, registerNumber) {
  m_device.setJournalSink([this](const QJsonObject &doc) { writeJournal(doc); });
}

void Simulator::attach(Channel *channel) {
  m_peers.insert(channel, Peer{});
  ++m_stats.connections;
  connect(channel, &Channel::received, this, [this, channel](const QByteArray &b) { onBytes(channel, b); });
  connect(channel, &Channel::closed, this, [this, channel] {
    // A program that closes and comes back starts with a clean buffer.
    ++m_stats.hangUps;
    m_peers[channel].receiver.clear();
    m_lastFrame.clear();
    if (channel->canDrop()) {
      m_peers.remove(channel);
      channel->deleteLater();
    }
  });
  connect(channel, &QObject::destroyed, this, [this, channel] { m_peers.remove(channel); });
  log(QStringLiteral("attached %1").arg(channel->name()));
}

bool Simulator::openJournal(const QString &path, QString *error) {
  m_journal.setFileName(path);
  if (!m_journal.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text)) {
    *error = QStringLiteral("cannot open the journal %1: %2").arg(path, m_journal.errorString());
    return false;
  }
  return true;
}

void Simulator::writeJournal(const QJsonObject &doc) {
  if (!m_journal.isOpen())
    return;
  m_journal.write(QJsonDocument(doc).toJson(QJsonDocument::Compact) + '\n');
  m_journal.flush();
}

bool Simulator::loadArticles(const QString &path, QString *error) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly | QIODevice::Text)) {
    *error = QStringLiteral("cannot read %1: %2").arg(path, f.errorString());
    return false;
  }
  int lineNo = 0;
  while (!f.atEnd()) {
    ++lineNo;
    const QString line = QString::fromUtf8(f.readLine()).trimmed();
    if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
      continue;
    const QStringList parts = line.split(QLatin1Char(';'));
    bool okNumber = false, okPrice = false, okGroup = true;
    QJsonObject o;
    o.insert(QStringLiteral("number"), parts.value(0).trimmed().toInt(&okNumber));
    o.insert(QStringLiteral("name"), parts.value(1).trimmed());
    o.insert(QStringLiteral("price"),
             parts.value(2).trimmed().replace(QLatin1Char(','), QLatin1Char('.')).toDouble(&okPrice));
    if (parts.size() > 3)
      o.insert(QStringLiteral("taxGroup"), parts.value(3).trimmed().toInt(&okGroup));
    o.insert(QStringLiteral("barcode"), parts.value(4).trimmed());
    QString why;
    if (parts.size() < 3 || !okNumber || !okPrice || !okGroup) {
      *error =
          QStringLiteral("%1:%2: expected \"number;name;price;tax group;barcode\"").arg(path).arg(lineNo);
      return false;
    }
    if (!m_device.setArticleFromJson(o, &why)) {
      *error = QStringLiteral("%1:%2: %3").arg(path).arg(lineNo).arg(why);
      return false;
    }
  }
  return true;
}

void Simulator::log(const QString &line) const {
  if (m_verbose)
    std::fprintf(stderr, "fiscal-sim: %s\n", qPrintable(line));
}

void Simulator::onBytes(Channel *channel, const QByteArray &bytes) {
  auto it = m_peers.find(channel);
  if (it == m_peers.end())
    return;
  Peer &peer = *it;
  const qint64 now = QDateTime::currentMSecsSinceEpoch();
  if (peer.receiver.hasPartial() && now - peer.lastByteAt > kInterByteTimeoutMs)
    peer.receiver.clear();
  peer.lastByteAt = now;
  log(QStringLiteral("<- %1").arg(codec::toHex(bytes)));
  peer.receiver.feed(bytes);
  Frame frame;
  while (peer.receiver.next(frame)) {
    process(channel, frame);
    it = m_peers.find(channel); // processing may drop the channel
    if (it == m_peers.end())
      return;
  }
  m_stats.droppedBytes = 0;
  for (const auto &p : std::as_const(m_peers))
    m_stats.droppedBytes += p.receiver.droppedBytes();
}

void Simulator::process(Channel *channel, const Frame &frame) {
  ++m_stats.frames;
  const QString code = QStringLiteral("%1 %2")
                           .arg(frame.kind == Frame::Long ? QStringLiteral("long") : QStringLiteral("short"))
                           .arg(frame.code, 2, 16, QLatin1Char('0'));
  auto note = [&](const QString &what, const QByteArray &reply) {
    log(QStringLiteral("%1: %2").arg(code, what));
    m_history.append(QJsonObject{{QStringLiteral("in"), codec::toHex(frame.bytes)},
                                 {QStringLiteral("out"), codec::toHex(reply)},
                                 {QStringLiteral("what"), what}});
    while (m_history.size() > kHistorySize)
      m_history.removeFirst();
    emit frameProcessed(code + QLatin1Char(' ') + what);
  };
  if (m_faults.silent > 0) {
    --m_faults.silent;
    ++m_stats.ignored;
    note(QStringLiteral("silent"), {});
    return;
  }
  QString why;
  if (!m_device.addressedToMe(frame, &why)) {
    ++m_stats.rejected;
    m_stats.lastRejected = why;
    note(QStringLiteral("ignored: ") + why, {});
    return;
  }
  if (m_faults.dropNext && channel->canDrop()) {
    m_faults.dropNext = false;
    note(QStringLiteral("connection dropped"), {});
    channel->drop();
    return;
  }

  QByteArray reply;
  QString what;
  const bool isLong = frame.kind == Frame::Long;
  if (isLong && frame.bytes == m_lastFrame && !m_faults.reexecuteResends) {
    // The program lost our reply and sent the same frame again.
    reply = m_lastReply;
    ++m_stats.resendsAnswered;
    what = QStringLiteral("resend answered");
  } else if (!m_faults.notices.isEmpty() && !m_device.noticeFrame(frame, 0).isEmpty()) {
    reply = m_device.noticeFrame(frame, m_faults.notices.takeFirst());
    what = QStringLiteral("notice");
  } else if (!m_faults.refusals.isEmpty() && !m_device.refusalFor(frame, Refusal{}).isEmpty()) {
    reply = m_device.refusalFor(frame, m_faults.refusals.takeFirst());
    what = QStringLiteral("refused");
  } else {
    const auto outcome = m_device.handle(frame);
    reply = outcome.reply;
    if (outcome.executed)
      ++m_stats.executed;
    if (!outcome.rejected.isEmpty()) {
      ++m_stats.rejected;
      m_stats.lastRejected = outcome.rejected;
    }
    what =
        outcome.executed ? QStringLiteral("executed") : QStringLiteral("not executed: ") + outcome.rejected;
  }
  if (isLong) {
    m_lastFrame = frame.bytes;
    m_lastReply = reply;
  }
  if (m_faults.loseReplies > 0 && !reply.isEmpty()) {
    --m_faults.loseReplies;
    note(what + QStringLiteral(", reply lost"), reply);
    return;
  }
  note(what, reply);
  if (!reply.isEmpty())
    deliver(channel, reply);
}

void Simulator::deliver(Channel *channel, const QByteArray &reply) {
  log(QStringLiteral("-> %1").arg(codec::toHex(reply)));
  int delay = m_faults.latencyMs;
  if (!m_faults.garbage.isEmpty()) {
    channel->enqueue(delay, m_faults.garbage.takeFirst());
    delay = m_faults.gapMs;
  }
  switch (m_faults.split) {
  case Faults::Split::Off:
    channel->enqueue(delay, reply);
    break;
  case Faults::Split::Bytes:
    for (int i = 0; i < reply.size(); ++i)
      channel->enqueue(i == 0 ? delay : m_faults.gapMs, reply.mid(i, 1));
    break;
  case Faults::Split::Random: {
    int i = 0;
    while (i < reply.size()) {
      const int piece = 1 + int(m_random.bounded(qMax(1, int(reply.size()) / 2)));
      channel->enqueue(i == 0 ? delay : m_faults.gapMs, reply.mid(i, piece));
      i += piece;
    }
    break;
  }
  }
}

QJsonObject Simulator::statsJson() const {
  return QJsonObject{{QStringLiteral("frames"), m_stats.frames},
                     {QStringLiteral("executed"), m_stats.executed},
                     {QStringLiteral("resendsAnswered"), m_stats.resendsAnswered},
                     {QStringLiteral("ignoredSilent"), m_stats.ignored},
                     {QStringLiteral("rejected"), m_stats.rejected},
                     {QStringLiteral("lastRejected"), m_stats.lastRejected},
                     {QStringLiteral("droppedBytes"), m_stats.droppedBytes},
                     {QStringLiteral("connections"), m_stats.connections},
                     {QStringLiteral("hangUps"), m_stats.hangUps},
                     {QStringLiteral("openChannels"), int(m_peers.size())}};
}

QStringList Simulator::controlCommands() {
  return {QStringLiteral("state"),
          QStringLiteral("articles"),
          QStringLiteral("receipt"),
          QStringLiteral("silent"),
          QStringLiteral("loseReplies"),
          QStringLiteral("refuse"),
          QStringLiteral("paperOut"),
          QStringLiteral("notice"),
          QStringLiteral("garbage"),
          QStringLiteral("split"),
          QStringLiteral("latency"),
          QStringLiteral("drop"),
          QStringLiteral("reexecuteResends"),
          QStringLiteral("busy"),
          QStringLiteral("dailyReport"),
          QStringLiteral("set"),
          QStringLiteral("setArticle"),
          QStringLiteral("clearFaults"),
          QStringLiteral("history"),
          QStringLiteral("help")};
}

static QJsonObject failure(const QString &text) {
  return QJsonObject{{QStringLiteral("ok"), false}, {QStringLiteral("error"), text}};
}

QJsonObject Simulator::control(const QJsonObject &c) {
  const QString cmd = c.value(QStringLiteral("cmd")).toString();
  QJsonObject ok{{QStringLiteral("ok"), true}};
  auto count = [&](int fallback) { return qMax(0, c.value(QStringLiteral("count")).toInt(fallback)); };
  auto flag = [&](const char *key, bool fallback = true) {
    return c.value(QLatin1String(key)).toBool(fallback);
  };

  if (cmd == QLatin1String("state")) {
    QJsonObject s = m_device.stateJson();
    s.insert(QStringLiteral("link"), statsJson());
    ok.insert(QStringLiteral("state"), s);
    return ok;
  }
  if (cmd == QLatin1String("history")) {
    ok.insert(QStringLiteral("frames"), m_history);
    if (flag("clear", false))
      m_history = QJsonArray{};
    return ok;
  }
  if (cmd == QLatin1String("articles")) {
    ok.insert(QStringLiteral("articles"), m_device.articlesJson());
    return ok;
  }
  if (cmd == QLatin1String("receipt")) {
    QJsonObject r = m_device.receiptJson(m_device.receipt());
    r.insert(QStringLiteral("open"), m_device.receipt().isOpen());
    ok.insert(QStringLiteral("receipt"), r);
    return ok;
  }
  if (cmd == QLatin1String("silent")) {
    m_faults.silent = count(1);
    return ok;
  }
  if (cmd == QLatin1String("loseReplies")) {
    m_faults.loseReplies = count(1);
    return ok;
  }
  if (cmd == QLatin1String("refuse")) {
    Refusal r;
    r.reason = c.value(QStringLiteral("reason")).toInt(0x01);
    r.errorClass = c.value(QStringLiteral("errorClass")).toInt(1);
    r.errorBits = quint32(c.value(QStringLiteral("errorBits")).toDouble(0));
    if (r.reason < 0 || r.reason > 255 || r.errorClass < 0 || r.errorClass > 255)
      return failure(QStringLiteral("reason and errorClass are bytes (0..255)"));
    for (int i = count(1); i > 0; --i)
      m_faults.refusals.append(r);
    return ok;
  }
  if (cmd == QLatin1String("paperOut")) {
    m_device.paperOut = flag("on");
    return ok;
  }
  if (cmd == QLatin1String("notice")) {
    const int code = c.value(QStringLiteral("code")).toInt(-1);
    if (code < 0 || code > 255)
      return failure(QStringLiteral("notice needs \"code\" 0..255"));
    if (m_device.family() != 4)
      return failure(QStringLiteral("only model 4 sends notices"));
    m_faults.notices.append(code);
    return ok;
  }
  if (cmd == QLatin1String("garbage")) {
    const QByteArray bytes =
        codec::fromHex(c.value(QStringLiteral("hex")).toString(QStringLiteral("01 02 03")));
    if (bytes.isEmpty())
      return failure(QStringLiteral("garbage needs \"hex\" bytes, e.g. \"01 02 03\""));
    for (int i = count(1); i > 0; --i)
      m_faults.garbage.append(bytes);
    return ok;
  }
  if (cmd == QLatin1String("split")) {
    const QString mode = c.value(QStringLiteral("mode")).toString(QStringLiteral("bytes"));
    if (mode == QLatin1String("off"))
      m_faults.split = Faults::Split::Off;
    else if (mode == QLatin1String("bytes"))
      m_faults.split = Faults::Split::Bytes;
    else if (mode == QLatin1String("random"))
      m_faults.split = Faults::Split::Random;
    else
      return failure(QStringLiteral("split mode is \"off\", \"bytes\" or \"random\""));
    m_faults.gapMs = qBound(0, c.value(QStringLiteral("gapMs")).toInt(3), 10000);
    return ok;
  }
  if (cmd == QLatin1String("latency")) {
    m_faults.latencyMs = qBound(0, c.value(QStringLiteral("ms")).toInt(0), 600000);
    return ok;
  }
  if (cmd == QLatin1String("drop")) {
    if (flag("next", false)) {
      m_faults.dropNext = true;
      return ok;
    }
    int dropped = 0;
    for (Channel *ch : m_peers.keys())
      if (ch->canDrop()) {
        ch->drop();
        ++dropped;
      }
    ok.insert(QStringLiteral("dropped"), dropped);
    return ok;
  }
  if (cmd == QLatin1String("reexecuteResends")) {
    m_faults.reexecuteResends = flag("on");
    return ok;
  }
  if (cmd == QLatin1String("busy")) {
    m_device.busyStates.clear();
    for (const auto &v : c.value(QStringLiteral("states")).toArray())
      m_device.busyStates.append(v.toInt());
    return ok;
  }
  if (cmd == QLatin1String("dailyReport")) {
    if (m_device.receipt().isOpen())
      return failure(QStringLiteral("a receipt is open"));
    m_device.dailyReport(QStringLiteral("keypad"));
    return ok;
  }
  if (cmd == QLatin1String("set")) {
    if (c.contains(QStringLiteral("fiscalised")))
      m_device.fiscalised = flag("fiscalised");
    if (c.contains(QStringLiteral("dailyReportRequired")))
      m_device.dailyReportRequired = flag("dailyReportRequired");
    if (c.contains(QStringLiteral("dailyReportOutstanding")))
      m_device.forceReportOutstanding = flag("dailyReportOutstanding");
    if (c.contains(QStringLiteral("dailyReportsStored")))
      m_device.dailyReportsStored = qBound(0, c.value(QStringLiteral("dailyReportsStored")).toInt(), 3000);
    if (c.contains(QStringLiteral("lastFiscalNumber")))
      m_device.lastFiscalNumber = quint32(qMax(0.0, c.value(QStringLiteral("lastFiscalNumber")).toDouble()));
    if (c.contains(QStringLiteral("taxRates"))) {
      const QJsonArray rates = c.value(QStringLiteral("taxRates")).toArray();
      if (rates.size() != 9)
        return failure(
            QStringLiteral("taxRates needs nine values (hundredths of a per cent, >9999 undefined)"));
      m_device.taxRates.clear();
      for (const auto &v : rates)
        m_device.taxRates.append(qBound(0, v.toInt(), 0xFFFF));
    }
    if (c.contains(QStringLiteral("operators"))) {
      const QJsonObject ops = c.value(QStringLiteral("operators")).toObject();
      for (auto it = ops.begin(); it != ops.end(); ++it) {
        // A name, or {"name", "code"}; an empty name empties the slot.
        const int n = it.key().toInt();
        if (n < m_device.firstOperator() || n > m_device.lastOperator())
          return failure(QStringLiteral("operator %1 is outside %2..%3")
                             .arg(n)
                             .arg(m_device.firstOperator())
                             .arg(m_device.lastOperator()));
        const QJsonObject op = it.value().isObject() ? it.value().toObject()
                                                      : QJsonObject{{QStringLiteral("name"), it.value()}};
        const quint32 code = op.contains(QStringLiteral("code"))
                                 ? quint32(op.value(QStringLiteral("code")).toDouble())
                                 : quint32(1000 + n);
        m_device.setOperator(n, op.value(QStringLiteral("name")).toString(), code);
      }
    }
    return ok;
  }
  if (cmd == QLatin1String("setArticle")) {
    QString why;
    if (!m_device.setArticleFromJson(c, &why))
      return failure(why);
    return ok;
  }
  if (cmd == QLatin1String("clearFaults")) {
    m_faults = Faults{};
    m_device.paperOut = false;
    m_device.busyStates.clear();
    return ok;
  }
  if (cmd == QLatin1String("help")) {
    QJsonArray list;
    for (const auto &name : controlCommands())
      list.append(name);
    ok.insert(QStringLiteral("commands"), list);
    return ok;
  }
  return failure(QStringLiteral("unknown command \"%1\"; try {\"cmd\":\"help\"}").arg(cmd));
}

} // namespace sim
