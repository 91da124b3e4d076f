#pragma once

// Frames for the simulator tests are put together here byte by byte from the
// protocol tables, not with the simulator's own codec, so that a mistake in
// the codec cannot cancel itself out.

#include "channel.h"
#include "simulator.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <initializer_list>

namespace simtest {

inline QByteArray hex(const char *spaced) {
  return QByteArray::fromHex(QByteArray(spaced).replace(' ', ""));
}

inline QByteArray bytes(std::initializer_list<int> values) {
  QByteArray b;
  for (int v : values)
    b += char(v & 0xFF);
  return b;
}
inline QByteArray le16(int v) {
  return bytes({v, v >> 8});
}
inline QByteArray le32(qint64 v) {
  return bytes({int(v), int(v >> 8), int(v >> 16), int(v >> 24)});
}
// Whole units LE32 plus one byte of hundredths.
inline QByteArray split(qint64 hundredths) {
  return le32(hundredths / 100) + char(hundredths % 100);
}
inline QByteArray zeros(int n) {
  return QByteArray(n, '\0');
}
inline QByteArray padded(const QByteArray &text, int n) {
  return (text + zeros(n)).left(n);
}

// Long frame: AA, family, link, register BCD, sequence, code, N, payload,
// sum, xor, 0D.
inline QByteArray longFrame(int family, int link, const QByteArray &reg, int seq, int code,
                            const QByteArray &payload) {
  QByteArray f;
  f += char(0xAA);
  f += char(family);
  f += char(link);
  f += reg;
  f += char(seq);
  f += char(code);
  f += char(payload.size());
  f += payload;
  int sum = 0, x = 0;
  for (char c : f) {
    sum += quint8(c);
    x ^= quint8(c);
  }
  f += char(sum & 0xFF);
  f += char(x);
  f += char(0x0D);
  return f;
}

inline QByteArray shortFrame(int code, const QByteArray &payload) {
  return bytes({0x5F, code, int(payload.size())}) + payload + char(0x0D);
}

inline const QByteArray kRegister = hex("12 34 50");

// Frame bytes of one reply.
struct Reply {
  QByteArray bytes;
  int at(int i) const { return i < bytes.size() ? quint8(bytes[i]) : -1; }
  int code() const { return at(bytes.startsWith(char(0x5F)) ? 1 : 7); }
  int le16(int i) const { return at(i) | (at(i + 1) << 8); }
  qint64 le32(int i) const { return qint64(le16(i)) | (qint64(le16(i + 2)) << 16); }
  qint64 be32(int i) const {
    return (qint64(at(i)) << 24) | (at(i + 1) << 16) | (at(i + 2) << 8) | at(i + 3);
  }
};

// An in-process device on a memory channel, with a journal in a temporary
// directory.
class Device {
public:
  explicit Device(int model) : m_sim(model, QStringLiteral("123450")) {
    m_sim.attach(&m_channel);
    QString error;
    m_journalPath = m_dir.filePath(QStringLiteral("journal.jsonl"));
    EXPECT_TRUE(m_sim.openJournal(m_journalPath, &error)) << error.toStdString();
  }

  sim::Simulator &sim() { return m_sim; }
  sim::FiscalDevice &device() { return m_sim.device(); }
  sim::MemoryChannel &channel() { return m_channel; }

  int family() { return m_sim.device().family(); }
  int familyByte() { return family(); }
  int linkByte() { return family() == 4 ? 0x01 : 0x11; }

  // Sends a long frame with the next sequence byte (stepping by 2) and
  // returns what came back at once.
  Reply send(int code, const QByteArray &payload) {
    m_seq = (m_seq + 2) & 0xFF;
    return raw(longFrame(familyByte(), linkByte(), kRegister, m_seq, code, payload));
  }
  Reply raw(const QByteArray &frame) {
    m_channel.clearWrites();
    m_channel.send(frame);
    return Reply{m_channel.takeWritten()};
  }
  QJsonObject control(const QJsonObject &c) { return m_sim.control(c); }
  QJsonObject state() { return control({{"cmd", "state"}}).value("state").toObject(); }

  QList<QJsonObject> journal() const {
    QList<QJsonObject> docs;
    QFile f(m_journalPath);
    if (!f.open(QIODevice::ReadOnly))
      return docs;
    for (const QByteArray &line : f.readAll().split('\n'))
      if (!line.isEmpty())
        docs.append(QJsonDocument::fromJson(line).object());
    return docs;
  }

  int seq() const { return m_seq; }

private:
  QTemporaryDir m_dir;
  QString m_journalPath;
  sim::Simulator m_sim;
  sim::MemoryChannel m_channel;
  int m_seq = 1;
};

} // namespace simtest
