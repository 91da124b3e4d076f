// Reports over a year of 1,000,000 sold lines (one busy day of 20,000): how long until
// the first page of each report can be shown, how fast the year's turnover CSV is
// written, and what the busy day's whole turnover report costs as PDF. Budgets are
// printed as ratios: first page against 1 s, CSV against 100,000 lines a second.
#include "common/localetext.h"
#include "data/database.h"
#include "data/konfiguracija.h"
#include "reports/bandedreport.h"
#include "reports/reportoutput.h"
#include "reports/reportrequest.h"

#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>

namespace {

constexpr int kLines = 1'000'000;
constexpr int kBusyDayLines = 20'000;
const QDate kBusyDay(2025, 6, 15);
const QString kYearFrom = QStringLiteral("01.01.2025"), kYearTo = QStringLiteral("31.12.2025");

struct Shop {
  QTemporaryDir dir;
  Database db;
};

// 400 articles (kitchen, bar, other; ten groups; 20 with a two-part recipe), then the
// sold lines: five to a receipt with one payment, spread over the year, the busy day
// taking 20,000 of them.
bool fill(Database &db) {
  Transaction tx(db);
  QSqlQuery a(db.connection());
  a.prepare("INSERT INTO artikli (sifra, barkod, naziv, cena, stopa, jm, lager, vrsta, sifgrupa, minlag) "
            "VALUES (?, ?, ?, ?, ?, 'kom', ?, ?, ?, ?)");
  for (int i = 1; i <= 400; ++i) {
    a.addBindValue(QString::number(i));
    a.addBindValue(QStringLiteral("86%1").arg(i, 11, 10, QLatin1Char('0')));
    a.addBindValue(QStringLiteral("Artikal %1").arg(i));
    a.addBindValue(50 + (i * 37) % 2000);
    a.addBindValue(i % 4);
    a.addBindValue(i % 50);
    a.addBindValue(i <= 150 ? "J" : i <= 300 ? "P" : "");
    a.addBindValue(QStringLiteral("G%1").arg(i % 10));
    a.addBindValue(10);
    if (!a.exec())
      return false;
  }
  for (int i = 1; i <= 20; ++i)
    for (int c : {20 + i, 40 + i})
      if (!db.exec(QStringLiteral(
                       "INSERT INTO sastav (sifra, sifsas, naziv, kolicina) VALUES ('%1', '%2', 'x', 0.25)")
                       .arg(i)
                       .arg(c)))
        return false;
  for (int g = 0; g < 10; ++g)
    if (!db.exec(QStringLiteral("INSERT INTO grupa (sifgrupa, naziv) VALUES ('G%1', 'Grupa %1')").arg(g)))
      return false;
  for (auto [s, r] : {std::pair{0, 0}, {1, 20}, {2, 10}, {3, 8}})
    if (!db.exec(QStringLiteral("INSERT INTO porstope (stopa, iznos) VALUES (%1, %2)").arg(s).arg(r)))
      return false;

  QSqlQuery line(db.connection()), head(db.connection()), pay(db.connection());
  line.prepare(
      "INSERT INTO prodato (rbr, brrac, godina, datum, sifra, barkod, naziv, cena, storno, stopa, prodato, "
      "iznos) VALUES (?, ?, 2025, ?, ?, '', ?, ?, 0, ?, ?, ?)");
  head.prepare(
      "INSERT INTO racuni (broj, godina, datum, vreme, sifoper, brstola, broj_dok, status, rezim, brfisis) "
      "VALUES (?, 2025, ?, '12:00:00', ?, 0, ?, 1, 0, 0)");
  pay.prepare("INSERT INTO rate (broj, godina, rbr, iznos, datum, nacin) VALUES (?, 2025, 1, ?, ?, ?)");
  quint32 seed = 12345;
  auto next = [&seed] { return seed = seed * 1664525u + 1013904223u; };
  const int otherLines = kLines - kBusyDayLines;
  double receiptSum = 0;
  for (int i = 0; i < kLines; ++i) {
    const QDate day = i < otherLines ? QDate(2025, 1, 1).addDays(qint64(i) * 364 / otherLines) : kBusyDay;
    const int receipt = i / 5 + 1;
    const int art = int(next() >> 8) % 400 + 1;
    const double price = 50 + (art * 37) % 2000;
    const double qty = art % 7 == 0 ? 0.25 * (1 + int(next() >> 20) % 8) : 1 + int(next() >> 20) % 3;
    line.addBindValue(i + 1);
    line.addBindValue(receipt);
    line.addBindValue(day);
    line.addBindValue(QString::number(art));
    line.addBindValue(QStringLiteral("Artikal %1").arg(art));
    line.addBindValue(price);
    line.addBindValue(art % 4);
    line.addBindValue(qty);
    line.addBindValue(price * qty);
    if (!line.exec())
      return false;
    receiptSum += price * qty;
    if (i % 5 == 4) {
      head.addBindValue(receipt);
      head.addBindValue(day);
      head.addBindValue(1 + receipt % 4);
      head.addBindValue(QString::number(receipt));
      pay.addBindValue(receipt);
      pay.addBindValue(receiptSum);
      pay.addBindValue(QDateTime(day, QTime(12, 0)));
      pay.addBindValue(receipt % 3);
      if (!head.exec() || !pay.exec())
        return false;
      receiptSum = 0;
    }
  }
  return tx.commit();
}

// Built once, released in main() while the application exists.
std::unique_ptr<Shop> g_shop;

Shop *shop() {
  auto &s = g_shop;
  if (!s) {
    s = std::make_unique<Shop>();
    if (!s->db.open(1, s->dir.path()) || !fill(s->db)) {
      std::fprintf(stderr, "could not build the shop: %s\n", qPrintable(s->db.lastError()));
      s.reset();
    }
  }
  return s.get();
}

// The first page as the preview draws it (96 dpi, A4).
void showFirstPage(const BandedReport &report) {
  QImage page(794, 1123, QImage::Format_RGB32);
  page.fill(Qt::white);
  QPainter painter(&page);
  report.paintPage(painter, 0, 96 / 25.4);
}

// Kinds 1 to 10 of the reports menu; 12 the stock list, 13 minimum stock, 14 best sellers of the year.
void BM_FirstPage(benchmark::State &state) {
  Shop *s = shop();
  if (!s) {
    state.SkipWithError("no shop");
    return;
  }
  const int kind = int(state.range(0));
  ReportRequest request(s->db);
  const QString day = LocaleText::date(kBusyDay);
  int pages = 0;
  for (auto _ : state) {
    ReportOutcome out;
    if (kind <= 10)
      out = ReportKinds::twoDates(kind) ? request.run(kind, kYearFrom, kYearTo)
                                        : request.run(kind, QString(), day);
    else if (kind == 12 || kind == 13)
      out = request.stock(kind == 13, QDateTime(kBusyDay, QTime(20, 0)));
    else
      out = request.bestSellers("10", kYearFrom, kYearTo, ReportRepository::BestBy::Amount, kBusyDay);
    if (!out.report) {
      state.SkipWithError(qPrintable(out.text));
      return;
    }
    showFirstPage(*out.report);
    pages = out.report->pageCount();
  }
  state.counters["pages"] = pages;
}
BENCHMARK(BM_FirstPage)
    ->DenseRange(1, 10)
    ->Arg(12)
    ->Arg(13)
    ->Arg(14)
    ->Iterations(2)
    ->Unit(benchmark::kMillisecond);

void BM_TurnoverCsvYear(benchmark::State &state) {
  Shop *s = shop();
  if (!s) {
    state.SkipWithError("no shop");
    return;
  }
  ReportRequest request(s->db);
  ReportOutcome refusal;
  const auto period = request.csvPeriod(kYearFrom, kYearTo, &refusal);
  int lines = 0;
  for (auto _ : state) {
    QFile file(s->dir.filePath("Promet.CSV"));
    if (!period || !file.open(QIODevice::WriteOnly)) {
      state.SkipWithError("cannot write");
      return;
    }
    lines = request.writeCsv(*period, file).value_or(0);
  }
  state.SetItemsProcessed(int64_t(state.iterations()) * lines);
  state.counters["lines"] = lines;
  state.counters["lines_per_s"] =
      benchmark::Counter(double(lines), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_TurnoverCsvYear)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);

#ifdef KASA_EXE
// The same file from `kasa --report promet-csv`: the process, its configuration and the
// opening of the database included. Processor time is the child's, so only wall time counts.
void BM_TurnoverCsvYearCommand(benchmark::State &state) {
  Shop *s = shop();
  if (!s) {
    state.SkipWithError("no shop");
    return;
  }
  QTemporaryDir work;
  SetKonfiguracija k;
  k.putanjaBaza = s->dir.path();
  if (!KonfiguracijaStore::save(work.path(), k)) {
    state.SkipWithError("no configuration");
    return;
  }
  const QString csv = work.filePath(QStringLiteral("Promet.CSV"));
  for (auto _ : state) {
    QProcess p;
    p.setWorkingDirectory(work.path());
    p.start(QStringLiteral(KASA_EXE),
            {QStringLiteral("--report"), QStringLiteral("promet-csv"), QStringLiteral("--from"), kYearFrom,
             QStringLiteral("--to"), kYearTo, QStringLiteral("--csv"), csv});
    if (!p.waitForFinished(600000) || p.exitCode() != 0) {
      state.SkipWithError(qPrintable(QString::fromLocal8Bit(p.readAllStandardError())));
      return;
    }
  }
  QFile file(csv);
  int lines = 0;
  if (file.open(QIODevice::ReadOnly))
    lines = int(file.readAll().count("\r\n"));
  state.counters["lines"] = lines;
  state.counters["lines_per_s"] =
      benchmark::Counter(double(lines), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_TurnoverCsvYearCommand)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);
#endif

// Peak resident memory since the last reset (Linux VmHWM), in MB.
double peakMb() {
  QFile status(QStringLiteral("/proc/self/status"));
  if (!status.open(QIODevice::ReadOnly))
    return -1;
  for (const QByteArray &l : status.readAll().split('\n'))
    if (l.startsWith("VmHWM:"))
      return l.mid(6).trimmed().split(' ').first().toDouble() / 1024;
  return -1;
}
void resetPeak() {
  QFile clear(QStringLiteral("/proc/self/clear_refs"));
  if (clear.open(QIODevice::WriteOnly))
    clear.write("5");
}

void BM_BusyDayTurnoverPdf(benchmark::State &state) {
  Shop *s = shop();
  if (!s) {
    state.SkipWithError("no shop");
    return;
  }
  ReportRequest request(s->db);
  double before = 0, peak = 0;
  int pages = 0;
  for (auto _ : state) {
    resetPeak();
    before = peakMb();
    const ReportOutcome out = request.run(ReportKinds::Promet, QString(), LocaleText::date(kBusyDay));
    if (!out.report || !ReportOutput::writePdf(*out.report, s->dir.filePath("promet.pdf"))) {
      state.SkipWithError("no report");
      return;
    }
    pages = out.report->pageCount();
    peak = peakMb();
  }
  state.counters["pages"] = pages;
  state.counters["lines"] = kBusyDayLines;
  state.counters["peak_rss_mb"] = peak;
  state.counters["peak_rss_growth_mb"] = peak - before;
  state.counters["pdf_mb"] = QFileInfo(s->dir.filePath("promet.pdf")).size() / 1048576.0;
}
BENCHMARK(BM_BusyDayTurnoverPdf)->Iterations(1)->Unit(benchmark::kMillisecond);

// Prints the budgets as ratios of this run.
class BudgetReporter : public benchmark::ConsoleReporter {
public:
  void ReportRuns(const std::vector<Run> &runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run &run : runs) {
      const std::string name = run.benchmark_name();
      // Wall time is what the cashier waits; on a machine busy with other work the processor
      // time of this program alone is printed beside it.
      if (name.rfind("BM_FirstPage", 0) == 0) {
        const double wall = run.GetAdjustedRealTime() / 1000.0, cpu = run.GetAdjustedCPUTime() / 1000.0;
        std::printf(
            "  %-26s first page after %.3f s wall (%.2f of the 1 s budget), %.3f s processor (%.2f)\n",
            name.c_str(), wall, wall, cpu, cpu);
      } else if (name.rfind("BM_TurnoverCsvYearCommand", 0) == 0) {
        const auto it = run.counters.find("lines");
        if (it != run.counters.end()) {
          const double wall = double(it->second) / (run.GetAdjustedRealTime() / 1000.0);
          std::printf("  CSV from the command: %.0f lines/s wall = %.2f x the 100,000 lines/s floor\n", wall,
                      wall / 100000.0);
        }
      } else if (name.rfind("BM_TurnoverCsvYear", 0) == 0) {
        const auto it = run.counters.find("lines");
        if (it != run.counters.end()) {
          const double lines = double(it->second);
          const double wall = lines / (run.GetAdjustedRealTime() / 1000.0);
          const double cpu = lines / (run.GetAdjustedCPUTime() / 1000.0);
          std::printf(
              "  CSV: %.0f lines/s wall = %.2f x the 100,000 lines/s floor; %.0f lines per processor second "
              "(%.2f x)\n",
              wall, wall / 100000.0, cpu, cpu / 100000.0);
        }
      }
    }
  }
};

} // namespace

int main(int argc, char **argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv); // fonts for the pages
  benchmark::Initialize(&argc, argv);
  BudgetReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  g_shop.reset();
  return 0;
}
