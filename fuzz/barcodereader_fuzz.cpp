// The barcode scanner's receive path under arbitrary byte streams in arbitrary pieces:
// every code handed on is digits only and came from one buffer's worth of bytes.
#include "device/barcodereader.h"
#include "fuzzcheck.h"

#include <fuzzer/FuzzedDataProvider.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  FuzzedDataProvider in(data, size);
  BarcodeReader reader;
  QObject::connect(&reader, &BarcodeReader::codeRead, [](const QString &code) {
    require(!code.isEmpty() && code.size() < BarcodeReader::ScanBufferSize);
    for (const QChar c : code)
      require(c >= QLatin1Char('0') && c <= QLatin1Char('9'));
  });
  while (in.remaining_bytes() > 0) {
    if (in.ConsumeIntegralInRange<int>(0, 31) == 0)
      reader.reset();
    const std::string piece = in.ConsumeBytesAsString(in.ConsumeIntegralInRange<size_t>(1, 64));
    reader.feed(QByteArray(piece.data(), qsizetype(piece.size())));
    require(reader.pending() >= 0 && reader.pending() < BarcodeReader::ScanBufferSize);
  }
  return 0;
}
