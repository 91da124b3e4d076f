#include "reports/databasereports.h"

#include "common/localetext.h"
#include "common/rounding.h"
#include "reports/bandedreport.h"
#include "reports/displaymask.h"

namespace DatabaseReports {

namespace {

using DisplayMask::format;
const QString &M2 = DisplayMask::Money;
const QString &M3 = DisplayMask::Quantity;

std::shared_ptr<BandedReport> report(const QString &title, QList<ReportColumn> columns) {
  auto r = std::make_shared<BandedReport>();
  r->title = title;
  r->columns = std::move(columns);
  return r;
}

void pageNumberRight(BandedReport &r, const QString &caption) {
  r.pageHeaderRight = [caption](int page) { return caption + QLatin1Char(' ') + QString::number(page); };
}

QString percent(const std::optional<double> &rate) {
  return rate ? format(DisplayMask::Percent, *rate) : QString();
}

// The rows of a report live as long as the report that draws them.
template <typename T> std::shared_ptr<const QList<T>> keep(QList<T> rows) {
  return std::make_shared<const QList<T>>(std::move(rows));
}

template <typename T, typename Pred> QList<T> without(const QList<T> &rows, Pred leaveOut) {
  QList<T> kept;
  for (const T &row : rows)
    if (!leaveOut(row))
      kept.append(row);
  return kept;
}

constexpr auto R = Qt::AlignRight;

} // namespace

QString rateLetter(int stopa) {
  static const char *const letters[] = {"A", "G", "D", "DJ", "E", "I", "J", "K", "L"};
  return QString::fromLatin1(stopa >= 0 && stopa <= 8 ? letters[stopa] : "A");
}

std::shared_ptr<BandedReport> turnover(const QString &title, const QList<TurnoverLine> &lines) {
  auto r = report(title, {{QStringLiteral("Rbr"), 12, R},
                          {QStringLiteral("Br.rac"), 22, R},
                          {QStringLiteral("Sifra"), 20},
                          {QStringLiteral("Naziv"), 62},
                          {QStringLiteral("Cena"), 26, R},
                          {QStringLiteral("Kolicina"), 22, R},
                          {QStringLiteral("Iznos"), 26, R}});
  r->titlePt = 18;
  pageNumberRight(*r, QStringLiteral("Strana:"));
  const auto rows = keep(lines);
  r->detail = [rows](int i) {
    const TurnoverLine &l = rows->at(i);
    return QStringList{QString::number(i + 1),
                       l.brojDok.value_or(QString()),
                       l.sifra,
                       l.naziv,
                       format(M2, l.cena),
                       format(DisplayMask::LineQuantity, l.prodato),
                       format(M2, l.iznos)};
  };
  r->addDetails(int(rows->size()));
  ReportMoney total = 0;
  for (const TurnoverLine &l : *rows)
    total += l.iznos;
  r->summary = {{QString(), QString(), QString(), QStringLiteral("Ukupan promet:"), QString(), QString(),
                 format(M2, total)}};
  return r;
}

std::shared_ptr<BandedReport> salesByArticle(const QString &title, const QList<ArticleSales> &all) {
  auto r = report(title, {{QStringLiteral("Rrb"), 12, R},
                          {QStringLiteral("Sifra"), 22},
                          {QStringLiteral("Naziv"), 80},
                          {QStringLiteral("Cena"), 26, R},
                          {QStringLiteral("Kolicina"), 24, R},
                          {QStringLiteral("Iznos"), 26, R}});
  pageNumberRight(*r, QStringLiteral("Strana:"));
  const auto rows = keep(without(all, [](const ArticleSales &a) { return a.kolicina == 0; }));
  r->detail = [rows](int i) {
    const ArticleSales &a = rows->at(i);
    return QStringList{QString::number(i + 1), a.sifra, a.naziv, format(M2, a.cena), format(M3, a.kolicina),
                       format(M2, a.iznos)};
  };
  r->addDetails(int(rows->size()));
  ReportMoney total = 0;
  for (const ArticleSales &a : *rows)
    total += a.iznos;
  r->summary = {{QString(), QString(), QStringLiteral("Ukupno"), QString(), QString(), format(M2, total)}};
  return r;
}

std::shared_ptr<BandedReport> salesByRate(const QString &title, const QList<RateSales> &all) {
  auto r = report(
      title,
      {{QStringLiteral("STOPA"), 60}, {QStringLiteral("PDV"), 60, R}, {QStringLiteral("IZNOS"), 70, R}});
  struct Line {
    QString stopa;
    std::optional<ReportMoney> pdv;
    ReportMoney iznos;
  };
  QList<Line> lines;
  ReportMoney totalVat = 0, total = 0;
  for (const RateSales &s : all) {
    Line l{rateLetter(s.stopa), std::nullopt, s.iznos};
    if (s.rate) {
      l.stopa += QStringLiteral(": ") + percent(s.rate) + QLatin1Char('%');
      // Prices include the tax: the tax in an amount a at rate r is a x r / (r + 100).
      l.pdv = MyRound(2, s.iznos * *s.rate / (*s.rate + 100));
      totalVat += *l.pdv;
    }
    total += s.iznos;
    lines.append(l);
  }
  const auto rows = keep(lines);
  r->detail = [rows](int i) {
    const Line &l = rows->at(i);
    return QStringList{l.stopa, l.pdv ? format(M2, *l.pdv) : QString(), format(M2, l.iznos)};
  };
  r->addDetails(int(rows->size()));
  r->summary = {{QStringLiteral("UKUPNO"), format(M2, totalVat), format(M2, total)}};
  return r;
}

std::shared_ptr<BandedReport> cashiers(const QString &title, const QList<CashierTotals> &all) {
  auto r = report(title, {{QString(), 40}, {QString(), 40, R}});
  const auto rows = keep(all);
  r->groupHeader = [rows](int g) {
    const CashierTotals &c = rows->at(g);
    return QList<QStringList>{{QStringLiteral("KASIR: %1 %2").arg(c.sifoper).arg(c.naziv).trimmed()}};
  };
  r->detail = [rows](int i) {
    const CashierTotals &c = rows->at(i / 4);
    static const char *const captions[] = {"STORNO:", "GOTOVINA:", "CEK:", "KARTICA:"};
    const ReportMoney amounts[] = {c.storno, c.gotovina, c.cek, c.kartica};
    return QStringList{QString::fromLatin1(captions[i % 4]), format(M2, amounts[i % 4])};
  };
  for (int g = 0; g < rows->size(); ++g) {
    r->addGroupHeader(g);
    for (int k = 0; k < 4; ++k)
      r->addDetail(g * 4 + k);
  }
  return r;
}

std::shared_ptr<BandedReport> book(const QString &title, const QList<BookLine> &all) {
  auto r = report(title, {{QStringLiteral("Sifra"), 20},
                          {QStringLiteral("Naziv"), 60},
                          {QStringLiteral("Cena"), 24, R},
                          {QStringLiteral("JM"), 12},
                          {QStringLiteral("Prodato"), 24, R},
                          {QStringLiteral("Iznos"), 26, R},
                          {QStringLiteral("Lager"), 24, R}});
  const auto rows = keep(without(all, [](const BookLine &b) { return b.ukupno == 0; }));
  r->detail = [rows](int i) {
    const BookLine &b = rows->at(i);
    return QStringList{b.sifra,
                       b.naziv,
                       format(M2, b.cena),
                       b.jm,
                       format(QStringLiteral("###,###,##0.000"), b.ukupno),
                       format(M2, MyRound(2, b.ukupno * b.cena)),
                       format(M3, b.lager)};
  };
  r->addDetails(int(rows->size()));
  ReportMoney total = 0;
  for (const BookLine &b : *rows)
    total += MyRound(2, b.ukupno * b.cena);
  r->summary = {{QString(), QString(), QString(), QString(), QString(), format(M2, total)}};
  return r;
}

std::shared_ptr<BandedReport> salesByGroup(const QString &title, const QList<GroupSales> &all) {
  auto r = report(title, {{QString(), 22},
                          {QString(), 80},
                          {QString(), 14},
                          {QString(), 22, R},
                          {QString(), 26, R},
                          {QString(), 26, R}});
  pageNumberRight(*r, QStringLiteral("Strana"));
  const auto rows = keep(all);
  struct Group {
    int first = 0, count = 0;
    ReportQuantity kol = 0;
    ReportMoney suma = 0;
  };
  auto groups = std::make_shared<QList<Group>>();
  for (int i = 0; i < rows->size(); ++i) {
    if (groups->isEmpty() || rows->at(i).sifgrupa != rows->at(groups->last().first).sifgrupa)
      groups->append({i, 0, 0, 0});
    Group &g = groups->last();
    ++g.count;
    g.kol += rows->at(i).kol;
    g.suma += rows->at(i).suma;
  }
  r->groupHeaderLines = 2;
  r->groupHeader = [rows, groups](int g) {
    const GroupSales &first = rows->at(groups->at(g).first);
    return QList<QStringList>{{first.sifgrupa, first.grupa},
                              {QStringLiteral("SIFRA"), QStringLiteral("NAZIV"), QStringLiteral("JM"),
                               QStringLiteral("STOPA(%)"), QStringLiteral("KOLICINA"),
                               QStringLiteral("SUMA")}};
  };
  r->groupFooter = [groups](int g) {
    const Group &group = groups->at(g);
    return QList<QStringList>{{QString(), QStringLiteral("Ukupno za grupu:"), QString(), QString(),
                               format(M3, group.kol), format(M2, group.suma)}};
  };
  r->detail = [rows](int i) {
    const GroupSales &s = rows->at(i);
    return QStringList{s.sifra, s.naziv, s.jm, percent(s.rate), format(M3, s.kol), format(M2, s.suma)};
  };
  for (int g = 0; g < groups->size(); ++g) {
    r->addGroupHeader(g);
    for (int i = 0; i < groups->at(g).count; ++i)
      r->addDetail(groups->at(g).first + i);
    r->addGroupFooter(g);
  }
  return r;
}

namespace {
void stockHeader(BandedReport &r, const QDateTime &now) {
  r.pageHeaderBold = true;
  r.pageHeaderLeft = [now](int) {
    return QStringLiteral("Datum: %1   Vreme: %2")
        .arg(LocaleText::date(now.date()), LocaleText::time(now.time()));
  };
  pageNumberRight(r, QStringLiteral("Strana:"));
}
} // namespace

std::shared_ptr<BandedReport> stockList(const QList<StockLine> &all, const QDateTime &now) {
  auto r = report(QStringLiteral("Lager lista"), {{QStringLiteral("SIFRA"), 20},
                                                  {QStringLiteral("BARKOD"), 30},
                                                  {QStringLiteral("NAZIV"), 66},
                                                  {QStringLiteral("JM"), 12},
                                                  {QStringLiteral("CENA"), 30, R},
                                                  {QStringLiteral("KOLICINA"), 32, R}});
  stockHeader(*r, now);
  const auto rows = keep(all);
  r->detail = [rows](int i) {
    const StockLine &s = rows->at(i);
    return QStringList{s.sifra, s.barkod, s.naziv, s.jm, format(M2, s.cena), format(M3, s.lager)};
  };
  r->addDetails(int(rows->size()));
  ReportMoney value = 0;
  for (const StockLine &s : *rows)
    value += MyRound(2, s.cena * s.lager);
  r->summary = {{QString(), QString(), QStringLiteral("UKUPNO:"), QString(), QString(),
                 format(DisplayMask::StockValue, value)}};
  return r;
}

std::shared_ptr<BandedReport> minimumStock(const QList<StockLine> &all, const QDateTime &now) {
  auto r =
      report(QStringLiteral("Artikli sa količinom ispod minimalne "), {{QStringLiteral("SIFRA"), 20},
                                                                       {QStringLiteral("NAZIV"), 70},
                                                                       {QStringLiteral("CENA"), 25, R},
                                                                       {QStringLiteral("KOLICINA"), 25, R},
                                                                       {QStringLiteral("MIN.KOL."), 25, R},
                                                                       {QStringLiteral("RAZLIKA"), 25, R}});
  stockHeader(*r, now);
  const auto rows = keep(all);
  r->detail = [rows](int i) {
    const StockLine &s = rows->at(i);
    return QStringList{s.sifra,
                       s.naziv,
                       format(M2, s.cena),
                       format(M3, s.lager),
                       format(M3, s.minlag),
                       format(M3, MyRound(3, s.minlag - s.lager))};
  };
  r->addDetails(int(rows->size()));
  return r;
}

std::shared_ptr<BandedReport> bestSellers(const QString &title, const QList<BestSeller> &all,
                                          const QDate &today) {
  auto r = report(title, {{QStringLiteral("Rbr"), 12, R},
                          {QStringLiteral("Sifra"), 22},
                          {QStringLiteral("Naziv"), 90},
                          {QStringLiteral("Kolicina"), 30, R},
                          {QStringLiteral("Iznos"), 36, R}});
  r->pageHeaderLeft = [today](int) { return QStringLiteral("Datum: ") + LocaleText::date(today); };
  pageNumberRight(*r, QStringLiteral("Strana:"));
  const auto rows = keep(all);
  r->detail = [rows](int i) {
    const BestSeller &b = rows->at(i);
    return QStringList{QString::number(i + 1), b.sifra, b.naziv, format(M3, b.kolicina), format(M2, b.iznos)};
  };
  r->addDetails(int(rows->size()));
  ReportMoney total = 0;
  for (const BestSeller &b : *rows)
    total += b.iznos;
  r->summary = {{QString(), QString(), QStringLiteral("Ukupno:"), QString(), format(M2, total)}};
  return r;
}

} // namespace DatabaseReports
