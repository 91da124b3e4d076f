#include "device/commandbuilder.h"

#include "device/framecodec.h"

CommandBuilder::CommandBuilder(const LinkSettings &link, const SendSequence &sequence)
    : m_model(link.Model), m_ibfm(link.IBFM), m_seq(sequence.byte()) {}

CommandBuilder::CommandBuilder(int model, const QString &ibfm, quint8 sequenceByte)
    : m_model(model), m_ibfm(ibfm), m_seq(sequenceByte) {}

int CommandBuilder::family() const {
  return m_model == 4 ? 4 : (m_model == 2 || m_model == 3) ? 2 : 1;
}

quint8 CommandBuilder::familyByte(int model) {
  return model == 4 ? 0x04 : (model == 2 || model == 3) ? 0x02 : 0x01;
}

quint8 CommandBuilder::linkByte(int model) {
  return model == 4 ? 0x01 : 0x11;
}

QByteArray CommandBuilder::longFrame(quint8 code, QByteArrayView payload) const {
  return longFrameWith(familyByte(m_model), m_seq, code, payload);
}

QByteArray CommandBuilder::longFrameWith(quint8 familyByte, quint8 sequence, quint8 code,
                                         QByteArrayView payload) const {
  return FrameCodec::longFrame(familyByte, linkByte(m_model), m_ibfm, sequence, code, payload);
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
