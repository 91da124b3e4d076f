#include "device/devicecommand.h"

#include "device/framecodec.h"

QByteArray DeviceCommand::storedCopy() const {
  return FrameCodec::workArea(bytes);
}
