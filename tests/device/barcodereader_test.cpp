#include "device/barcodereader.h"
#include "link_peers.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

struct ScanCase {
  const char *name;
  QList<QByteArray> reads; // one entry per arrival of bytes
  QStringList codes;
};

TEST(BarcodeReader, ScansBecomeCodesOfTheirDigits) {
  const QList<ScanCase> cases = {
      {"digits with hyphen, byte by byte", {"8", "6", "0", "-", "0", "0", "0", "1", "\r"}, {"8600001"}},
      {"CR LF scanner delivers once per code", {"5901234123457\r\n", "123\r\n"}, {"5901234123457", "123"}},
      {"two bytes and CR are a code", {"12\r"}, {"12"}},
      {"bare CR LF waits and is dropped with the next code", {"\r\n", "77\r"}, {"77"}},
      {"two scans in one read stay two codes", {"111\r222\r"}, {"111", "222"}},
      {"prefix letters are dropped", {"EAN", "8600001\n"}, {"8600001"}},
      {"no digits at all is no code", {"ABC\r"}, {}},
      {"CR before three bytes is no end", {"1\r"}, {}},
      {"overlong scan is discarded up to its line end", {QByteArray(25, '9'), "42\r\n", "42\r"}, {"42"}},
      {"twenty bytes end exactly on the terminator", {QByteArray(19, '3') + "\r"}, {QString(19, '3')}},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    BarcodeReader reader;
    QStringList codes;
    QObject::connect(&reader, &BarcodeReader::codeRead, [&](const QString &code) { codes << code; });
    for (const auto &r : c.reads)
      reader.feed(r);
    EXPECT_EQ(codes, c.codes);
    EXPECT_LT(reader.pending(), BarcodeReader::ScanBufferSize);
  }
}

TEST(BarcodeReader, ReadsAScannerOnItsPort) {
  PtyPeer scanner;
  QTemporaryDir dir;
  ASSERT_TRUE(scanner.valid());
  ASSERT_TRUE(QFile::link(scanner.slavePath(), dir.filePath("COM4")));
  BarcodeReader reader;
  QStringList codes;
  QObject::connect(&reader, &BarcodeReader::codeRead, [&](const QString &code) { codes << code; });

  EXPECT_TRUE(reader.open(0, dir.path())); // 0 = no scanner, nothing opened
  EXPECT_FALSE(reader.isOpen());
  ASSERT_TRUE(reader.open(4, dir.path())) << reader.errorString().toStdString();
  EXPECT_EQ(reader.port().baudRate(), 9600);

  scanner.send("86000");
  ASSERT_TRUE(testsupport::waitFor([&] { return reader.pending() == 5; }));
  scanner.send("01\r\n");
  ASSERT_TRUE(testsupport::waitFor([&] { return !codes.isEmpty(); }));
  EXPECT_EQ(codes, QStringList{"8600001"});
}

} // namespace
