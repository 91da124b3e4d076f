// Cost of the database work of one confirmed sale step with a short and with a
// long sales history: next receipt number, the sold line with its rbr, the
// receipt header look-up and the stock update through the article's recipe.
// The ratio long/short is printed at the end; the aim is at most 1.5.
#include "data/articlerepository.h"
#include "data/database.h"
#include "data/receiptrepository.h"
#include "saleshistory.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <memory>

namespace {

struct Shop {
  QTemporaryDir dir;
  Database db;
};

// A shop with `lines` sold lines (see saleshistory.h).
std::unique_ptr<Shop> makeShop(int lines) {
  auto shop = std::make_unique<Shop>();
  if (!shop->db.open(1, shop->dir.path()))
    return nullptr;
  if (!fillSalesHistory(shop->db, lines))
    return nullptr;
  return shop;
}

// Built once per size; released in main() while the application still exists.
std::map<int, std::unique_ptr<Shop>> g_shops;

Shop *shopWith(int lines) {
  auto &s = g_shops[lines];
  if (!s)
    s = makeShop(lines);
  return s.get();
}

void BM_SaleStep(benchmark::State &state) {
  Shop *shop = shopWith(int(state.range(0)));
  if (!shop) {
    state.SkipWithError("could not open the database");
    return;
  }
  Database &db = shop->db;
  const int year = 2024;
  ReceiptRepository receipts(db);
  ArticleRepository articles(db);
  for (auto _ : state) {
    Transaction tx(db);
    const int broj = receipts.nextReceiptNumber(year).value_or(1);
    ReceiptHeader header;
    header.id = {year, broj};
    header.datum = QDate(year, 12, 31);
    SoldLine line;
    line.sifra = "1";
    line.naziv = "KAFA";
    line.cena = Money(100);
    line.stopa = 2;
    line.prodato = Quantity(1);
    line.iznos = Money(100);
    const bool ok = receipts.insertHeader(header) && receipts.addLine(header.id, header.datum, line) &&
                    articles.lowerStock("1", Quantity(1));
    benchmark::DoNotOptimize(ok);
    tx.rollback(); // every iteration sees the same history
  }
}
BENCHMARK(BM_SaleStep)->Arg(1000)->Arg(1000000)->Unit(benchmark::kMicrosecond);

// Keeps the time of each size for the ratio printed at the end.
class RatioReporter : public benchmark::ConsoleReporter {
public:
  std::map<std::string, double> times;
  void ReportRuns(const std::vector<Run> &runs) override {
    for (const Run &r : runs)
      times[r.benchmark_name()] = r.GetAdjustedRealTime();
    ConsoleReporter::ReportRuns(runs);
  }
};

} // namespace

int main(int argc, char **argv) {
  QCoreApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  // With --benchmark_repetitions the medians are compared.
  auto timeOf = [&](const std::string &name) {
    auto it = reporter.times.find(name + "_median");
    return it != reporter.times.end() ? it : reporter.times.find(name);
  };
  const auto small = timeOf("BM_SaleStep/1000");
  const auto large = timeOf("BM_SaleStep/1000000");
  if (small != reporter.times.end() && large != reporter.times.end() && small->second > 0)
    std::printf("sale step, 1000000 vs 1000 sold lines: ratio %.2f (aim: at most 1.5)\n",
                large->second / small->second);
  std::fflush(stdout);
  g_shops.clear();
  benchmark::Shutdown();
  return 0;
}
