#include "device/sendsequence.h"

#include <QRandomGenerator>

void SendSequence::seedRandom() {
  // A fresh start after every start-up, so a device does not see the last run's numbers again.
  SendSeq = QRandomGenerator::global()->bounded(1, 50);
}
