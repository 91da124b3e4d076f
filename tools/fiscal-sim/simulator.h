#pragma once

#include "channel.h"
#include "fiscaldevice.h"

#include <QFile>
#include <QHash>
#include <QJsonArray>
#include <QJsonObject>
#include <QObject>
#include <QRandomGenerator>

namespace sim {

// Serves one fiscal device to any number of channels: cuts frames out of each
// channel's bytes, applies the faults asked for on the control channel,
// answers a repeated frame from the last reply, writes the journal.
class Simulator : public QObject {
  Q_OBJECT
public:
  Simulator(int model, const QString &registerNumber, QObject *parent = nullptr);

  FiscalDevice &device() { return m_device; }
  void attach(Channel *channel);

  bool openJournal(const QString &path, QString *error);
  // Article file: one article a line, "number;name;price;tax group;barcode",
  // UTF-8, '#' starts a comment.
  bool loadArticles(const QString &path, QString *error);
  void setVerbose(bool on) { m_verbose = on; }

  // One control command in, one answer out (see README.md).
  QJsonObject control(const QJsonObject &command);
  static QStringList controlCommands();

signals:
  void frameProcessed(const QString &summary);

private:
  struct Faults {
    int silent = 0;
    int loseReplies = 0;
    QList<Refusal> refusals;
    QList<int> notices;
    QList<QByteArray> garbage;
    enum class Split { Off, Bytes, Random } split = Split::Off;
    int gapMs = 3;
    int latencyMs = 0;
    bool dropNext = false;
    bool reexecuteResends = false;
  };
  struct Stats {
    int frames = 0;
    int executed = 0;
    int resendsAnswered = 0;
    int ignored = 0;
    int rejected = 0;
    int droppedBytes = 0;
    QString lastRejected;
    int connections = 0;
    int hangUps = 0; // a program closed its end of a link
  };
  struct Peer {
    FrameReceiver receiver;
    qint64 lastByteAt = 0;
  };

  void onBytes(Channel *channel, const QByteArray &bytes);
  void process(Channel *channel, const Frame &frame);
  void deliver(Channel *channel, const QByteArray &reply);
  void log(const QString &line) const;
  void writeJournal(const QJsonObject &doc);
  QJsonObject statsJson() const;

  FiscalDevice m_device;
  QHash<Channel *, Peer> m_peers;
  Faults m_faults;
  Stats m_stats;
  QByteArray m_lastFrame;
  QByteArray m_lastReply;
  QFile m_journal;
  QJsonArray m_history; // the latest frames in and replies out
  bool m_verbose = false;
  QRandomGenerator m_random{20240325};
};

} // namespace sim
