// The card terminal's receive path under arbitrary byte streams in arbitrary pieces,
// and the amount texts of the card fields.
#include "device/cardterminal.h"
#include "fuzzcheck.h"

#include <fuzzer/FuzzedDataProvider.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  FuzzedDataProvider in(data, size);
  CardTerminal terminal; // no port: answers are refused, never written anywhere
  QObject::connect(&terminal, &CardTerminal::amountRequested, [&](const QByteArray &header) {
    require(header.size() == CardTerminal::HeaderLength);
    require(!terminal.sendAmount(header, 100));
  });
  QObject::connect(&terminal, &CardTerminal::resultReceived,
                   [](const CardTerminal::Result &r) { require(r.code.size() == 3); });
  while (in.remaining_bytes() > 0) {
    if (in.ConsumeIntegralInRange<int>(0, 15) == 0) {
      const std::string text = in.ConsumeRandomLengthString(40);
      const auto para = CardTerminal::amountInPara(QString::fromUtf8(text.data(), qsizetype(text.size())));
      if (para) {
        const auto message = CardTerminal::amountMessage(QByteArray(CardTerminal::HeaderLength, '0'), *para);
        require(!message || (*para >= 0 && *para <= CardTerminal::MaxAmountPara));
      }
      continue;
    }
    const std::string piece = in.ConsumeBytesAsString(in.ConsumeIntegralInRange<size_t>(1, 300));
    terminal.feed(QByteArray(piece.data(), qsizetype(piece.size())));
    require(terminal.buffered().size() <= CardTerminal::BufferSize);
  }
  return 0;
}
