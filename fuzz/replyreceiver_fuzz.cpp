// Feeds the reply receiver arbitrary byte streams in arbitrary pieces, and every
// frame it hands out to every reply parser. A crash, a sanitizer report or a
// broken receiver promise ends the run.
#include "device/deviceerrors.h"
#include "device/framecodec.h"
#include "device/replyparser.h"
#include "device/replyreceiver.h"
#include "fuzzcheck.h"

#include <fuzzer/FuzzedDataProvider.h>

namespace {

void checkFrame(const QByteArray &frame) {
  require(!frame.isEmpty() && frame.size() <= ReplyReceiver::Capacity);
  const auto first = static_cast<quint8>(frame[0]);
  require(first == FrameCodec::LongStart || first == FrameCodec::ShortStart);
  require(static_cast<quint8>(frame.back()) == FrameCodec::Terminator);
  const int declared = first == FrameCodec::LongStart
                           ? FrameCodec::byteAt(frame, 8) + FrameCodec::LongOverhead
                           : FrameCodec::byteAt(frame, 2) + FrameCodec::ShortOverhead;
  require(declared == frame.size());
  const int code = ReplyParser::replyCode(frame);
  require(first == FrameCodec::LongStart ? ReplyParser::isLong(frame, code)
                                         : ReplyParser::isShort(frame, code));

  // Every layout must read a frame of any shape without reading past it.
  (void)ReplyParser::family1Ack(frame);
  (void)ReplyParser::fiscalReceiptNumber1C(frame);
  (void)ReplyParser::fiscalisedFrom7F(frame);
  (void)ReplyParser::family2Ack(frame);
  const auto ack = ReplyParser::family4Ack(frame);
  (void)DeviceErrors::DekodirajGresku(ack.errorWord);
  (void)ReplyParser::fmInfo(frame);
  (void)ReplyParser::deviceClock(frame).toDateTime();
  (void)ReplyParser::fiscalisedFromInfo(frame);
  (void)DeviceErrors::noticeText(ReplyParser::noticeCode(frame));
  for (int model = 1; model <= 5; ++model) {
    (void)ReplyParser::article(model, frame);
    (void)ReplyParser::articleWriteAck(model, frame);
  }
  (void)ReplyParser::operatorFamily1(frame);
  (void)ReplyParser::operatorFamily4(frame);
  (void)ReplyParser::taxRateFamily1(frame);
  (void)ReplyParser::taxRatesFamily4(frame);
  (void)ReplyParser::serviceClosed(frame);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  FuzzedDataProvider in(data, size);
  ReplyReceiver rx;
  while (in.remaining_bytes() > 0) {
    // Now and then a command is sent, which empties the buffer.
    if (in.ConsumeIntegralInRange<int>(0, 31) == 0)
      rx.clear();
    const std::string piece = in.ConsumeBytesAsString(in.ConsumeIntegralInRange<size_t>(1, 300));
    auto result = rx.feed(QByteArrayView(piece.data(), static_cast<qsizetype>(piece.size())));
    while (result.status == ReplyReceiver::Status::Complete) {
      checkFrame(result.frame);
      require(rx.RxLen() <= ReplyReceiver::Capacity);
      result = rx.feed({});
    }
    require(result.frame.isEmpty());
    require(rx.RxLen() >= 0 && rx.RxLen() <= ReplyReceiver::Capacity);
    require(rx.contents().size() == rx.RxLen());
  }
  return 0;
}
