// The status line's text on its own: the sale screens' entry fuzzer links the screens
// without the engine.
#include "engine/transactionengine.h"

QString TransactionEngine::outageText(int waiting) {
  if (waiting <= 0)
    return {};
  return QStringLiteral("BAZA NEDOSTUPNA - koraka na cekanju: %1").arg(waiting);
}
