// Cost of the database work of one confirmed sale step with a short and with a
// long sales history: next receipt number, the sold line with its rbr, the
// receipt header look-up and the stock update through the article's recipe.
// The ratio long/short is printed at the end; the aim is at most 1.5.
#include "data/articlerepository.h"
#include "data/database.h"
#include "data/receiptrepository.h"

#include <QCoreApplication>
#include <QSqlQuery>
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

// A shop with `lines` sold lines, five per receipt, spread over five years.
std::unique_ptr<Shop> makeShop(int lines) {
  auto shop = std::make_unique<Shop>();
  if (!shop->db.open(1, shop->dir.path()))
    return nullptr;
  Database &db = shop->db;
  Transaction tx(db);
  const char *master[] = {
      "INSERT INTO artikli (sifra, naziv, cena, stopa, lager) VALUES ('K1', 'Kafa', 120, 1, 1000000)",
      "INSERT INTO artikli (sifra, naziv, cena, stopa, lager) VALUES ('S1', 'Secer', 50, 1, 1000000)",
      "INSERT INTO artikli (sifra, naziv, cena, stopa, lager) VALUES ('M1', 'Mleko', 80, 1, 1000000)",
      "INSERT INTO sastav (sifra, sifsas, naziv, kolicina) VALUES ('K1', 'S1', 'Secer', 0.01)",
      "INSERT INTO sastav (sifra, sifsas, naziv, kolicina) VALUES ('K1', 'M1', 'Mleko', 0.05)",
  };
  for (const char *sql : master)
    if (!db.exec(sql))
      return nullptr;
  QSqlQuery line(db.connection());
  line.prepare(
      "INSERT INTO prodato (rbr, brrac, godina, datum, sifra, naziv, cena, stopa, prodato, iznos, storno) "
      "VALUES (?, ?, ?, ?, 'K1', 'Kafa', 120, 1, 1, 120, 0)");
  QSqlQuery head(db.connection());
  head.prepare("INSERT INTO racuni (broj, godina, datum, status, oslprom) VALUES (?, ?, ?, 1, 'NE')");
  const int perYear = qMax(1, lines / 5);
  for (int i = 0; i < lines; ++i) {
    const int year = 2020 + i / perYear;
    const int receipt = (i % perYear) / 5 + 1;
    const QDate day = QDate(year, 1, 1).addDays((i % perYear) * 365 / perYear);
    line.addBindValue(i + 1);
    line.addBindValue(receipt);
    line.addBindValue(year);
    line.addBindValue(day);
    line.exec();
    if (i % 5 == 0) {
      head.addBindValue(receipt);
      head.addBindValue(year);
      head.addBindValue(day);
      head.exec();
    }
  }
  tx.commit();
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
    line.sifra = "K1";
    line.naziv = "Kafa";
    line.cena = 120;
    line.stopa = 1;
    line.prodato = 1;
    line.iznos = 120;
    const bool ok = receipts.ensureHeader(header) && receipts.addLine(header.id, header.datum, line) &&
                    articles.lowerStock("K1", 1);
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
