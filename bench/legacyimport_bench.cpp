// Importing the older program's sold lines from a DBF table: PRODATO with 10,000 and with
// 1,000,000 rows, each through the record checks into a fresh kasa.db. Rows per second are
// reported as a counter; the ratio of the two rates is printed at the end.
#include "common/legacycharset.h"
#include "data/database.h"
#include "data/dbfdirectory.h"
#include "data/legacyimport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <shapefil.h>

#include <cstdio>
#include <map>
#include <memory>

namespace {

// A directory with PRODATO.DBF of `lines` sold lines over receipts of ten lines each.
std::unique_ptr<QTemporaryDir> writeSales(int lines) {
  auto dir = std::make_unique<QTemporaryDir>();
  DBFHandle h =
      DBFCreateEx(QFile::encodeName(dir->filePath(QStringLiteral("PRODATO.DBF"))).constData(), "LDID/0");
  if (!h)
    return nullptr;
  const struct {
    const char *name;
    char type;
    int width, decimals;
  } fields[] = {{"RBR", 'N', 10, 0},    {"BRRAC", 'N', 10, 0},  {"DATUM", 'D', 8, 0},  {"SIFRA", 'C', 7, 0},
                {"BARKOD", 'C', 13, 0}, {"NAZIV", 'C', 36, 0},  {"CENA", 'N', 10, 2},  {"STORNO", 'N', 1, 0},
                {"STOPA", 'N', 2, 0},   {"PRODATO", 'N', 8, 3}, {"IZNOS", 'N', 13, 2}, {"GODINA", 'N', 4, 0}};
  for (const auto &f : fields)
    DBFAddNativeFieldType(h, f.name, f.type, f.width, f.decimals);
  const QByteArray naziv = LegacyCharset::fromUnicode(QStringLiteral("Čokolada Šumadija 100g"));
  char day[] = "20251230";
  for (int i = 0; i < lines; ++i) {
    DBFWriteIntegerAttribute(h, i, 0, i + 1);
    DBFWriteIntegerAttribute(h, i, 1, i / 10 + 1);
    DBFWriteAttributeDirectly(h, i, 2, day);
    DBFWriteStringAttribute(h, i, 3, QByteArray::number(i % 500 + 1).constData());
    DBFWriteStringAttribute(h, i, 4, "8600000000017");
    DBFWriteStringAttribute(h, i, 5, naziv.constData());
    DBFWriteDoubleAttribute(h, i, 6, 120.5);
    DBFWriteIntegerAttribute(h, i, 7, 0);
    DBFWriteIntegerAttribute(h, i, 8, 1);
    DBFWriteDoubleAttribute(h, i, 9, 2);
    DBFWriteDoubleAttribute(h, i, 10, 241);
    DBFWriteIntegerAttribute(h, i, 11, 2025);
  }
  DBFClose(h);
  return dir;
}

std::map<int, std::unique_ptr<QTemporaryDir>> g_sources;

void BM_ImportSoldLines(benchmark::State &state) {
  const int lines = int(state.range(0));
  auto &source = g_sources[lines];
  if (!source)
    source = writeSales(lines);
  if (!source) {
    state.SkipWithError("could not write the DBF table");
    return;
  }
  for (auto _ : state) {
    QTemporaryDir target;
    DbfDirectory dbf(source->path());
    const ImportReport report = LegacyImport::intoDirectory(target.path(), dbf, 1, 24);
    const TableImport *t = report.table(QStringLiteral("PRODATO"));
    if (!report.ok || !t || t->imported != lines) {
      state.SkipWithError(qPrintable(report.text()));
      return;
    }
  }
  state.counters["rows_per_s"] =
      benchmark::Counter(double(lines) * double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ImportSoldLines)
    ->Arg(10000)
    ->Arg(1000000)
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();

class RateReporter : public benchmark::ConsoleReporter {
public:
  std::map<std::string, double> rates;
  void ReportRuns(const std::vector<Run> &runs) override {
    for (const Run &r : runs)
      if (auto it = r.counters.find("rows_per_s"); it != r.counters.end())
        rates[r.benchmark_name()] = it->second.value;
    ConsoleReporter::ReportRuns(runs);
  }
};

} // namespace

int main(int argc, char **argv) {
  QCoreApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  RateReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  const auto small = reporter.rates.find("BM_ImportSoldLines/10000/iterations:1/real_time");
  const auto large = reporter.rates.find("BM_ImportSoldLines/1000000/iterations:1/real_time");
  if (small != reporter.rates.end() && large != reporter.rates.end() && small->second > 0)
    std::printf("import, rows per second with 1000000 vs 10000 sold lines: ratio %.2f\n",
                large->second / small->second);
  std::fflush(stdout);
  g_sources.clear();
  benchmark::Shutdown();
  return 0;
}
