#include "device/framecodec.h"
#include "device/replyreceiver.h"

#include <gtest/gtest.h>

#include <QList>
#include <QRandomGenerator>

using Status = ReplyReceiver::Status;

namespace {
QByteArray hex(const char *text) {
  return QByteArray::fromHex(QByteArray(text));
}
// A family-4 acknowledgement whose payload holds 0x0D, 0xAA and 0x5F bytes.
QByteArray awkwardReply() {
  return FrameCodec::longFrame(0x04, 0x01, QStringLiteral("123450"), 3, 0x20,
                               hex("FF 0D AA 5F 0D 00 00 0D 0D"));
}
} // namespace

TEST(ReplyReceiver, AcceptsAFrameOnlyWhenItsDeclaredLengthHasArrived) {
  const QByteArray frames[] = {awkwardReply(), hex("5F 60 07 1E 2D 0D 00 19 03 7C 0D"), hex("5F 10 00 0D"),
                               FrameCodec::longFrame(0x01, 0x11, QStringLiteral("1"), 0, 0x1F, {})};
  for (const QByteArray &frame : frames) {
    // Byte by byte, as the TCP reader delivers them.
    ReplyReceiver rx;
    for (int i = 0; i < frame.size() - 1; ++i) {
      const auto r = rx.feed(frame.mid(i, 1));
      ASSERT_EQ(r.status, Status::Incomplete) << "byte " << i << " of " << frame.toHex().constData();
      ASSERT_EQ(rx.RxLen(), i + 1);
    }
    const auto last = rx.feed(frame.right(1));
    EXPECT_EQ(last.status, Status::Complete);
    EXPECT_EQ(last.frame, frame);
    EXPECT_EQ(rx.RxLen(), 0);

    // In every split into two pieces.
    for (int cut = 1; cut < frame.size(); ++cut) {
      ReplyReceiver pieces;
      EXPECT_EQ(pieces.feed(frame.left(cut)).status, Status::Incomplete) << cut;
      const auto r = pieces.feed(frame.mid(cut));
      EXPECT_EQ(r.status, Status::Complete) << cut;
      EXPECT_EQ(r.frame, frame) << cut;
    }
  }
}

TEST(ReplyReceiver, StartByteRule) {
  const struct {
    const char *what;
    QList<QByteArray> pieces;
    Status last;
    int rxLen;
  } cases[] = {
      {"stray terminator while idle is dropped at once", {hex("0D")}, Status::Bad, 0},
      {"a garbage byte before a reply is skipped", {hex("0D 5F 10 00 0D")}, Status::Complete, 0},
      {"garbage up to the next frame start is skipped", {hex("13 37 00 AA")}, Status::Bad, 1},
      {"only garbage", {hex("13 37 0D")}, Status::Bad, 0},
      {"a stray AA waits for a length", {hex("AA")}, Status::Incomplete, 1},
      {"a stray 5F waits for a length", {hex("5F 20")}, Status::Incomplete, 2},
      {"resynchronised on the next read", {hex("13 37"), hex("5F 10 00 0D")}, Status::Complete, 0},
      {"frame after garbage in a later read", {hex("00"), hex("AA")}, Status::Incomplete, 1},
  };
  for (const auto &c : cases) {
    ReplyReceiver rx;
    ReplyReceiver::Result r;
    for (const QByteArray &p : c.pieces)
      r = rx.feed(p);
    EXPECT_EQ(r.status, c.last) << c.what;
    EXPECT_EQ(rx.RxLen(), c.rxLen) << c.what;
  }
}

TEST(ReplyReceiver, FramesThatCameTogetherAreHandedOutOneByOne) {
  const QByteArray a = awkwardReply();
  const QByteArray b = hex("5F F5 03 00 00 0C 0D");
  ReplyReceiver rx;
  auto r = rx.feed(a + b + hex("AA 04"));
  ASSERT_EQ(r.status, Status::Complete);
  EXPECT_EQ(r.frame, a);
  EXPECT_TRUE(rx.hasPending());
  r = rx.feed({});
  ASSERT_EQ(r.status, Status::Complete);
  EXPECT_EQ(r.frame, b);
  r = rx.feed({});
  EXPECT_EQ(r.status, Status::Incomplete);
  EXPECT_EQ(rx.contents(), hex("AA 04"));
  rx.clear();
  EXPECT_EQ(rx.RxLen(), 0);
  EXPECT_FALSE(rx.hasPending());
}

TEST(ReplyReceiver, MalformedFramesEmptyTheBufferInsteadOfOverrunningIt) {
  // A long frame whose last byte is not 0x0D never completes.
  QByteArray wrongEnd = awkwardReply();
  wrongEnd[wrongEnd.size() - 1] = 0x0E;
  ReplyReceiver rx;
  EXPECT_EQ(rx.feed(wrongEnd).status, Status::Bad);
  EXPECT_EQ(rx.RxLen(), 0);
  // The next good frame is taken normally.
  EXPECT_EQ(rx.feed(awkwardReply()).status, Status::Complete);

  // A declared length beyond the 260-byte buffer (250 + 12) is dropped as soon as it is known.
  QByteArray overlong = hex("AA 04 01 12 34 50 00 20 FA");
  EXPECT_EQ(rx.feed(overlong).status, Status::Bad);
  EXPECT_EQ(rx.RxLen(), 0);
  // The largest frames that fit: a long frame of 260 bytes and a short one of 259.
  QByteArray biggestLong = hex("AA 04 01 12 34 50 00 20 F8") + QByteArray(248, '\x0D') + hex("00 00 0D");
  ASSERT_EQ(biggestLong.size(), ReplyReceiver::Capacity);
  auto r = rx.feed(biggestLong);
  EXPECT_EQ(r.status, Status::Complete);
  EXPECT_EQ(r.frame.size(), 260);
  QByteArray biggestShort = hex("5F 84 FF") + QByteArray(255, '\xAA') + hex("0D");
  r = rx.feed(biggestShort);
  EXPECT_EQ(r.status, Status::Complete);
  EXPECT_EQ(r.frame, biggestShort);
}

TEST(ReplyReceiver, RandomStreamsNeverGrowTheBufferPastItsEnd) {
  QRandomGenerator rng(20240325);
  ReplyReceiver rx;
  int complete = 0;
  for (int round = 0; round < 2000; ++round) {
    QByteArray piece(rng.bounded(1, 400), '\0');
    for (auto &b : piece) {
      // Mostly frame starts and 0x0D so that frames do complete now and then.
      const int pick = rng.bounded(10);
      b = static_cast<char>(pick == 0   ? 0xAA
                            : pick == 1 ? 0x5F
                            : pick == 2 ? 0x0D
                            : pick == 3 ? 0x00
                                        : rng.bounded(256));
    }
    auto r = rx.feed(piece);
    while (r.status == Status::Complete) {
      ++complete;
      ASSERT_LE(r.frame.size(), ReplyReceiver::Capacity);
      ASSERT_EQ(static_cast<quint8>(r.frame.back()), 0x0D);
      r = rx.feed({});
    }
    ASSERT_LE(rx.RxLen(), ReplyReceiver::Capacity);
  }
  EXPECT_GT(complete, 0);
}
