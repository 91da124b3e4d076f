#pragma once

#include "common/linksettings.h"
#include "device/devicecommand.h"
#include "device/deviceprofile.h"
#include "device/sendsequence.h"

#include <QByteArrayView>

// The shared part of the two command sets: knows the model, the register number and
// the sequence byte of the frame being built. Built fresh for each command from the
// engine's link settings and sequence counter; keeps copies, no references.
class CommandBuilder {
public:
  CommandBuilder(const LinkSettings &link, const SendSequence &sequence);
  CommandBuilder(int model, const QString &ibfm, quint8 sequenceByte);

  int model() const { return m_profile->model; }
  const DeviceProfile &profile() const { return *m_profile; }

  // Long frame in this model's family with the usual link byte and the current sequence byte.
  QByteArray longFrame(quint8 code, QByteArrayView payload) const;
  // Long frame with an explicit family byte and sequence byte (model 5's leave command, model 3's log-in).
  QByteArray longFrameWith(quint8 familyByte, quint8 sequence, quint8 code, QByteArrayView payload) const;

protected:
  // A command to send; the watchdog is armed whenever a copy is kept.
  static DeviceCommand make(QByteArray bytes, CopyKind copy, int pauseMs, bool emptiesRxBuf, quint8 replyCode,
                            bool shortReply = false);

  const DeviceProfile *m_profile; // one of the static profiles
  QString m_ibfm;
  quint8 m_seq;
};
