// The text files the program reads: CSV lines through CSVGet, the device maker's
// article file, Konfiguracija.dat, artikli.dat and vlasnik.ini. The first byte picks
// the reader; what one reads must come back the same when written and read again.
#include "common/textfields.h"
#include "data/konfiguracija.h"
#include "data/vlasnik.h"
#include "device/articlemirror.h"
#include "device/articletextfile.h"
#include "fuzzcheck.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <fuzzer/FuzzedDataProvider.h>

namespace {

void csv(FuzzedDataProvider &in) {
  const QChar sep = QLatin1Char(in.PickValueInArray({';', ',', '\t', '"', 'a'}));
  const int n = in.ConsumeIntegralInRange<int>(-2, 40);
  const std::string bytes = in.ConsumeRemainingBytesAsString();
  const QString line = QString::fromUtf8(bytes.data(), qsizetype(bytes.size()));
  require(CSVGet(line, n, sep).size() <= line.size());
}

void articleFile(FuzzedDataProvider &in) {
  const int model = in.ConsumeIntegralInRange<int>(1, 5);
  const int duzina = in.ConsumeIntegralInRange<int>(0, 48);
  const std::string bytes = in.ConsumeRemainingBytesAsString();
  const auto read = ArticleTextFile::parse(QByteArray(bytes.data(), qsizetype(bytes.size())), model, duzina);
  if (!read.ok)
    return;
  QByteArray written;
  for (const MirrorArticle &row : read.rows)
    written += ArticleTextFile::line(row, model, duzina) + "\r\n";
  const auto again = ArticleTextFile::parse(written, model, duzina);
  require(again.ok && again.rows.size() == read.rows.size());
}

void configuration(FuzzedDataProvider &in) {
  const std::string bytes = in.ConsumeRemainingBytesAsString();
  const auto loaded = KonfiguracijaStore::fromJson(QByteArray(bytes.data(), qsizetype(bytes.size())));
  const QByteArray json = KonfiguracijaStore::toJson(loaded.record);
  const auto again = KonfiguracijaStore::fromJson(json);
  require(again.fromFile && again.error.isEmpty());
  require(KonfiguracijaStore::toJson(again.record) == json);
}

void mirror(FuzzedDataProvider &in) {
  static QTemporaryDir dir;
  const std::string bytes = in.ConsumeRemainingBytesAsString();
  const QString path = dir.filePath(QStringLiteral("artikli.dat"));
  QFile f(path);
  require(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
  f.write(bytes.data(), qsizetype(bytes.size()));
  f.close();
  ArticleMirror m;
  if (!m.load(path)) {
    require(m.count() == 0 && !m.errorText().isEmpty());
    return;
  }
  const QString copy = dir.filePath(QStringLiteral("copy.dat"));
  require(m.save(copy));
  ArticleMirror again;
  require(again.load(copy) && again.count() == m.count());
}

void owner(FuzzedDataProvider &in) {
  const std::string bytes = in.ConsumeRemainingBytesAsString();
  const Vlasnik v = Vlasnik::parse(QByteArray(bytes.data(), qsizetype(bytes.size())));
  require(v.ownerBlock().size() <= v.lines.size());
  (void)v.placeName();
  (void)Vlasnik::linesToWrite(QString::fromUtf8(bytes.data(), qsizetype(bytes.size())));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  FuzzedDataProvider in(data, size);
  switch (in.ConsumeIntegralInRange<int>(0, 4)) {
  case 0:
    csv(in);
    break;
  case 1:
    articleFile(in);
    break;
  case 2:
    configuration(in);
    break;
  case 3:
    mirror(in);
    break;
  default:
    owner(in);
    break;
  }
  return 0;
}
