#include "device/commandbuilder.h"

#include "device/framecodec.h"

CommandBuilder::CommandBuilder(const LinkSettings &link, const SendSequence &sequence)
    : m_profile(&DeviceProfile::of(link.Model)), m_ibfm(link.IBFM), m_seq(sequence.byte()) {}

CommandBuilder::CommandBuilder(int model, const QString &ibfm, quint8 sequenceByte)
    : m_profile(&DeviceProfile::of(model)), m_ibfm(ibfm), m_seq(sequenceByte) {}

QByteArray CommandBuilder::longFrame(quint8 code, QByteArrayView payload) const {
  return longFrameWith(m_profile->familyByte, m_seq, code, payload);
}

QByteArray CommandBuilder::longFrameWith(quint8 familyByte, quint8 sequence, quint8 code,
                                         QByteArrayView payload) const {
  return FrameCodec::longFrame(familyByte, m_profile->linkByte, m_ibfm, sequence, code, payload);
}

DeviceCommand CommandBuilder::make(QByteArray bytes, CopyKind copy, int pauseMs, bool emptiesRxBuf,
                                   quint8 replyCode, bool shortReply) {
  DeviceCommand c;
  c.bytes = std::move(bytes);
  c.copy = copy;
  c.pauseMs = pauseMs;
  c.emptiesRxBuf = emptiesRxBuf;
  c.armsTimer = copy != CopyKind::None;
  c.replyCode = replyCode;
  c.shortReply = shortReply;
  return c;
}
