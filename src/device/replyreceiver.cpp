#include "device/replyreceiver.h"

#include "device/framecodec.h"

ReplyReceiver::Result ReplyReceiver::feed(QByteArrayView bytes) {
  QByteArray input = m_pending;
  m_pending.clear();
  input.append(bytes);

  bool discarded = false;
  for (qsizetype i = 0; i < input.size(); ++i) {
    QByteArray frame;
    const Step step = appendByte(static_cast<quint8>(input[i]), frame);
    if (step == Step::Complete) {
      m_pending = input.mid(i + 1);
      return {Status::Complete, frame};
    }
    // A byte that cannot start a frame is dropped alone: the reply behind it still counts.
    if (step == Step::Discarded)
      discarded = true;
  }
  return {discarded ? Status::Bad : Status::Incomplete, {}};
}

ReplyReceiver::Step ReplyReceiver::appendByte(quint8 b, QByteArray &frame) {
  if (m_len >= Capacity) {
    // Unreachable with the length checks below; kept so the buffer is never written past its end.
    clear();
    return Step::Discarded;
  }
  m_buf[m_len++] = b;
  if (m_len == 1) {
    if (b == FrameCodec::LongStart || b == FrameCodec::ShortStart)
      return Step::None;
    clear();
    return Step::Discarded;
  }
  const int need = declaredLength();
  if (need > Capacity) {
    // A declared length the buffer cannot hold can never complete.
    clear();
    return Step::Discarded;
  }
  if (need < 0 || m_len < need)
    return Step::None;
  const bool whole = b == FrameCodec::Terminator;
  if (whole)
    frame = contents();
  m_buf.fill(0);
  m_len = 0;
  return whole ? Step::Complete : Step::Discarded;
}

int ReplyReceiver::declaredLength() const {
  if (m_buf[0] == FrameCodec::LongStart)
    return m_len > 8 ? m_buf[8] + FrameCodec::LongOverhead : -1;
  return m_len > 2 ? m_buf[2] + FrameCodec::ShortOverhead : -1;
}

void ReplyReceiver::clear() {
  m_buf.fill(0);
  m_len = 0;
  m_pending.clear();
}

QByteArray ReplyReceiver::contents() const {
  return QByteArray(reinterpret_cast<const char *>(m_buf.data()), m_len);
}
