// The articles window's two heavy paths: search as you type (each key press
// refilters the grid and finds the first match; the aim is under 50 ms with
// 100,000 articles) and importing an article CSV in one transaction (lines per
// second). Ratios of the large to the small table are printed at the end.
#include "common/csvfile.h"
#include "common/localetext.h"
#include "data/articlemaintenance.h"
#include "data/articletablemodel.h"
#include "data/database.h"
#include "data/recordmessages.h"
#include "data/recordrules.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <memory>

namespace {

struct Silent : RecordMessages {
  void show(const QString &, const QString &) override {}
  void warning(const QString &) override {}
};

const char *const kWords[] = {"Kafa", "Sok", "Hleb", "Mleko",  "Cokolada",
                              "Voda", "Caj", "Keks", "Jogurt", "Sir"};

// The article file of n articles, as an export writes it.
QString articleFile(const QString &dir, int n) {
  QStringList lines;
  lines.reserve(n);
  for (int i = 1; i <= n; ++i)
    lines << QStringLiteral("%1;\"%2 %3\";\"%4\";%5,50;%6;%7,000;\"J\";\"kom\";\"\";0,000")
                 .arg(i)
                 .arg(QLatin1String(kWords[i % 10]))
                 .arg(i)
                 .arg(8600000000000LL + i)
                 .arg(10 + i % 900)
                 .arg(i % 9)
                 .arg(i % 50);
  const QString path = QDir(dir).filePath(QStringLiteral("Artikli%1.CSV").arg(n));
  QString error;
  CsvFile::writeLines(path, lines, &error);
  return path;
}

struct Shop {
  QTemporaryDir dir;
  Database db;
  Silent silent;
  std::unique_ptr<RecordRules> rules;
  QString file;
};

std::map<int, std::unique_ptr<Shop>> g_shops; // released in main() while the application exists

Shop *shopWith(int n) {
  auto &s = g_shops[n];
  if (!s) {
    s = std::make_unique<Shop>();
    if (!s->db.open(1, s->dir.path()))
      return nullptr;
    s->rules = std::make_unique<RecordRules>(s->db, s->silent);
    s->file = articleFile(s->dir.path(), n);
    if (!ArticleMaintenance(s->db, *s->rules).importArticles(s->file, {}).ok)
      return nullptr;
  }
  return s.get();
}

void BM_SearchKeystroke(benchmark::State &state) {
  Shop *shop = shopWith(int(state.range(0)));
  if (!shop) {
    state.SkipWithError("no shop");
    return;
  }
  ArticleTableModel model(shop->db, *shop->rules);
  model.select();
  // A name typed letter by letter, then a code and a barcode typed.
  const QStringList name = {"c", "co", "coc", "coko"};
  int found = 0;
  for (auto _ : state) {
    for (const QString &typed : name)
      found += model.search(typed, {}, {}, ArticleTableModel::Naziv) >= 0;
    found += model.search({}, QStringLiteral("123"), {}, ArticleTableModel::Sifra) >= 0;
    found += model.search({}, {}, QStringLiteral("86000000012"), ArticleTableModel::Barkod) >= 0;
    found += model.search({}, {}, {}, ArticleTableModel::Naziv) >= 0;
  }
  benchmark::DoNotOptimize(found);
  state.SetItemsProcessed(state.iterations() * 7); // key presses
}
BENCHMARK(BM_SearchKeystroke)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_ImportCsv(benchmark::State &state) {
  Shop *shop = shopWith(int(state.range(0)));
  if (!shop) {
    state.SkipWithError("no shop");
    return;
  }
  ArticleMaintenance maintenance(shop->db, *shop->rules);
  for (auto _ : state) {
    if (!maintenance.importArticles(shop->file, {}).ok)
      state.SkipWithError("import refused");
  }
  state.SetItemsProcessed(state.iterations() * state.range(0)); // lines
}
BENCHMARK(BM_ImportCsv)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(2);

// Keeps each run's time per iteration and items per second beside the console output.
class Reporter : public benchmark::ConsoleReporter {
public:
  std::map<std::string, std::pair<double, double>> runs;
  void ReportRuns(const std::vector<Run> &report) override {
    for (const Run &r : report) {
      const auto items = r.counters.find("items_per_second");
      runs[r.benchmark_name()] = {r.GetAdjustedRealTime(),
                                  items != r.counters.end() ? double(items->second) : 0};
    }
    ConsoleReporter::ReportRuns(report);
  }
};

} // namespace

int main(int argc, char **argv) {
  QCoreApplication app(argc, argv);
  LocaleText::setConventions(LocaleConventions::serbianLatin());
  benchmark::Initialize(&argc, argv);
  Reporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  const auto &runs = reporter.runs;
  const auto small = runs.find("BM_SearchKeystroke/1000"), large = runs.find("BM_SearchKeystroke/100000");
  if (small != runs.end() && large != runs.end() && small->second.first > 0)
    std::printf(
        "search key press: %.1f ms with 100000 articles (aim: under 50), %.2f times the 1000-article table\n",
        large->second.first / 7, large->second.first / small->second.first);
  const auto import = runs.find("BM_ImportCsv/100000/iterations:2");
  if (import != runs.end())
    std::printf("import of 100000 lines in one transaction: %.0f lines per second\n", import->second.second);
  std::fflush(stdout);
  g_shops.clear();
  benchmark::Shutdown();
  return 0;
}
