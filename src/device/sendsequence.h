#pragma once

#include <QtGlobal>

// The frame sequence counter. The engine owns one, seeds it at every start-up and
// adds 2 for every reply it accepts; a resend of a stored copy leaves it alone.
class SendSequence {
public:
  // A random start from 1 to 49, as every start-up does.
  void seedRandom();
  void seed(quint32 value) { SendSeq = value; }
  // One accepted reply.
  void advance() { SendSeq += 2; }
  // The sequence byte a frame carries: the low 8 bits.
  quint8 byte() const { return static_cast<quint8>(SendSeq & 0xFF); }

  quint32 SendSeq = 1;
};
