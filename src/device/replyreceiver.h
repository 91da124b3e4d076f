#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <array>

// Collects reply bytes from the device in whatever pieces they arrive and hands
// out whole frames. A frame is recognised by its declared length, never by a
// terminator, so 0x0D, 0xAA and 0x5F may occur anywhere inside a payload.
//
// Rules: bytes that cannot start a frame (neither 0xAA nor 0x5F) are skipped up to
// the next frame start; a long frame is complete at byte 8 + 12 bytes, a short one at
// byte 2 + 4, and only if its last byte is 0x0D. A complete frame leaves the
// buffer; bytes after it stay for the next frame. Bytes that could only overrun the
// 260-byte buffer (a declared length beyond it, a frame not ending in 0x0D) empty it.
class ReplyReceiver {
public:
  static constexpr int Capacity = 260;

  enum class Status {
    Incomplete, // nothing whole yet; the bytes wait in RxBuf
    Complete,   // frame holds one whole frame
    Bad         // bytes were discarded (garbage, wrong terminator, overlong) and nothing completed
  };
  struct Result {
    Status status = Status::Incomplete;
    QByteArray frame; // the whole frame when Complete
  };

  // Appends the bytes and reports the first frame they complete. When it answers
  // Complete, call feed({}) again until it does not, for frames that came in the same piece.
  Result feed(QByteArrayView bytes);
  // Empties the buffer: RxLen = 0, all 260 bytes zeroed, nothing held back.
  void clear();

  int RxLen() const { return m_len; }
  // The buffer's current contents (RxLen bytes).
  QByteArray contents() const;
  // Bytes of an earlier piece that follow a completed frame and wait for feed().
  bool hasPending() const { return !m_pending.isEmpty(); }

private:
  enum class Step { None, Complete, Discarded };
  // Appends one byte and tells what it ended; a completed frame goes to frame.
  Step appendByte(quint8 b, QByteArray &frame);
  int declaredLength() const;

  std::array<quint8, Capacity> m_buf{};
  int m_len = 0;
  QByteArray m_pending;
};
