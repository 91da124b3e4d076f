#include "reports/tqrracun.h"

#include "common/localetext.h"
#include "reports/bandedreport.h"
#include "reports/displaymask.h"
#include "reports/reportfonts.h"

#include <QDir>
#include <QImage>
#include <QPainter>

namespace TQRRacun {

namespace {

constexpr double kUnitMm = 190.0 / 718.0; // one unit of the designer's layout
constexpr double kMmPerPoint = 25.4 / 72.0;

double lineMm(double pt) {
  return pt * kMmPerPoint * 1.45;
}

QString money(Money m) {
  return DisplayMask::format(DisplayMask::Money, m.toDouble());
}

// A plain number as the old float-to-text gave it: no trailing zeros, the locale's separator.
QString plainNumber(double v) {
  QString t = QString::number(v, 'g', 15);
  return t.replace(QLatin1Char('.'), LocaleText::decimalSeparator());
}

// Draws text in a box given in millimetres from the band's top-left corner.
void put(BandCanvas &c, double x, double y, double w, double h, const QString &text, double pt,
         bool bold = false, Qt::Alignment align = Qt::AlignLeft) {
  c.painter.setFont(ReportFonts::font(pt, bold, c.fontScale));
  const double k = c.pxPerMm;
  c.painter.drawText(QRectF(c.rect.left() + x * k, c.rect.top() + y * k, w * k, h * k),
                     int(align | Qt::AlignVCenter), text);
}

// Lines one under the other, each lineMm(pt) high.
void putLines(BandCanvas &c, double x, double y, double w, const QStringList &lines, double pt,
              bool bold = false, Qt::Alignment align = Qt::AlignLeft) {
  for (const QString &l : lines) {
    put(c, x, y, w, lineMm(pt), l, pt, bold, align);
    y += lineMm(pt);
  }
}

void hLine(BandCanvas &c, double x1, double x2, double y) {
  const double k = c.pxPerMm;
  c.painter.drawLine(QPointF(c.rect.left() + x1 * k, c.rect.top() + y * k),
                     QPointF(c.rect.left() + x2 * k, c.rect.top() + y * k));
}

// The four corner brackets of the buyer box, drawn with 2-point lines.
void corners(BandCanvas &c, const QRectF &boxMm) {
  const double k = c.pxPerMm, arm = 5;
  c.painter.setPen(QPen(Qt::black, 2 * kMmPerPoint * k, Qt::SolidLine, Qt::FlatCap));
  const QPointF o(c.rect.left(), c.rect.top());
  auto at = [&](double x, double y) { return o + QPointF(x * k, y * k); };
  const double l = boxMm.left(), r = boxMm.right(), t = boxMm.top(), b = boxMm.bottom();
  c.painter.drawPolyline(QPolygonF{at(l, t + arm), at(l, t), at(l + arm, t)});
  c.painter.drawPolyline(QPolygonF{at(r - arm, t), at(r, t), at(r, t + arm)});
  c.painter.drawPolyline(QPolygonF{at(l, b - arm), at(l, b), at(l + arm, b)});
  c.painter.drawPolyline(QPolygonF{at(r - arm, b), at(r, b), at(r, b - arm)});
}

// The pictures and owner lines decided before the report is built.
struct Letterhead {
  QImage picture;
  QStringList sellerBlock; // empty: not shown
};

Letterhead letterheadOf(const InvoiceSettings &s) {
  Letterhead h;
  const QDir dir(s.databaseDir.trimmed().isEmpty() ? QStringLiteral(".") : s.databaseDir.trimmed());
  bool showSeller = true;
  if (s.letterhead) {
    showSeller = !h.picture.load(dir.filePath(QStringLiteral("memo.jpg")));
  } else {
    h.picture.load(dir.filePath(QStringLiteral("memo_prazno.jpg"))); // a missing one leaves it empty
  }
  if (showSeller)
    h.sellerBlock = s.owner.ownerBlock();
  return h;
}

QString exemptionNote(const InvoiceData &d) {
  const QString caption = QStringLiteral("Napomena o poreskom oslobodjenju: ");
  if (d.oslprom && *d.oslprom != QLatin1String("NE"))
    return caption + QStringLiteral("Poresko oslobodjenje prema članu ") + d.clan +
           QStringLiteral(" zakona o PDV-u");
  return caption + QStringLiteral("Nema");
}

QString paymentKind(int nacin) {
  switch (nacin) {
  case 0:
    return QStringLiteral("Gotovina:");
  case 1:
    return QStringLiteral("Ček:");
  case 2:
    return QStringLiteral("Kartica:");
  default:
    return QString();
  }
}

} // namespace

TaxRecapitulation recapitulation(const QList<InvoiceTaxGroup> &groups) {
  TaxRecapitulation r;
  QStringList taxCaptions, taxAmounts;
  for (const InvoiceTaxGroup &g : groups) {
    const GrossSplit split = splitGross(g.gross, g.rate).value_or(GrossSplit{g.gross, Money()});
    r.captions << QStringLiteral("Osnovica za PDV (") + DisplayMask::format(DisplayMask::Percent, g.rate) +
                      QStringLiteral("%): ");
    r.amounts << money(split.base).rightJustified(10, QLatin1Char(' '));
    taxCaptions << QStringLiteral("Iznos PDV (") + plainNumber(g.rate) + QStringLiteral("%): ");
    taxAmounts << money(split.tax).rightJustified(10, QLatin1Char(' '));
    r.base += split.base;
    r.tax += split.tax;
  }
  r.captions << taxCaptions;
  r.amounts << taxAmounts;
  return r;
}

std::shared_ptr<BandedReport> build(const InvoiceData &invoice, const InvoiceSettings &settings) {
  auto r = std::make_shared<BandedReport>();
  const auto d = std::make_shared<const InvoiceData>(invoice);
  const auto head = std::make_shared<const Letterhead>(letterheadOf(settings));
  const QString place = settings.owner.placeName();
  const QString owner = settings.owner.ownerName();
  constexpr auto R = Qt::AlignRight;
  constexpr double body = 9, big = 11;

  r->title = QStringLiteral("RAČUN    br. ") + d->brojDok;
  r->titlePt = 15;
  r->fontPt = body;

  r->pageHeaderBand = BandedReport::CustomBand{130 * kUnitMm, [head](BandCanvas &c) {
                                                 if (!head->picture.isNull())
                                                   c.painter.drawImage(c.rect, head->picture);
                                                 putLines(c, 0, 0, 120, head->sellerBlock, 10, true);
                                               }};
  r->pageFooterBand =
      BandedReport::CustomBand{6 * lineMm(8), [](BandCanvas &c) {
                                 hLine(c, 0, c.rect.width() / c.pxPerMm, 0.5);
                                 put(c, 0, 1, 40, lineMm(8), QStringLiteral("Napomena:"), 8, true);
                                 putLines(c, 0, 1 + lineMm(8), 170,
                                          {QStringLiteral("Ako nema posebnog ugovora ovaj račun "
                                                          "važi kao Ugovor. "),
                                           QStringLiteral("Račun je radjen na računaru i "
                                                          "punovažan je bez potpisa i pečata."),
                                           QStringLiteral("Za neblagovremeno plaćanje "
                                                          "zaračunava se zakonska zatezna kamata. ")},
                                          8);
                                 put(c, 150, 1 + 4 * lineMm(8), 40, lineMm(8),
                                     QStringLiteral("Strana ") + QString::number(c.page), 8, false, R);
                               }};

  // The buyer on the left, places and dates on the right.
  QStringList captions, values;
  if (!d->sifPartner.isEmpty()) {
    captions = {QStringLiteral("Adresa:"), QStringLiteral("Mesto:"), QStringLiteral("PIB:"),
                QStringLiteral("Žiro račun:")};
    if (d->partner)
      values = {d->partner->adresa, d->partner->mesto, d->partner->pib, d->partner->ziro};
  }
  const QString datum = LocaleText::date(d->datum);
  const QStringList rightCaptions = {QStringLiteral("Broj fiskalnog isečka:"),
                                     QStringLiteral("Mesto prometa:"), QStringLiteral("Datum prometa:"),
                                     QStringLiteral("Mesto izdavanja računa:"),
                                     QStringLiteral("Datum izdavanja računa:")};
  const QStringList rightValues = {d->brfisis != 0 ? QString::number(d->brfisis) : QString(), place, datum,
                                   place, datum};
  r->addCustom({2 + 6 * lineMm(big) + 4, [d, captions, values, rightCaptions, rightValues](BandCanvas &c) {
                  const double boxW = 100, top = 2;
                  corners(c, QRectF(0, top, boxW, 6 * lineMm(big) + 2));
                  c.painter.setPen(QPen(Qt::black, 0.2 * c.pxPerMm));
                  put(c, 2, top + 1, 40, lineMm(body), QStringLiteral("Kupac:"), body);
                  put(c, 2, top + 1 + lineMm(body), boxW - 4, lineMm(big), d->nazivKupca, big, true);
                  const double rows = top + 1 + lineMm(body) + lineMm(big);
                  putLines(c, 2, rows, 26, captions, big);
                  putLines(c, 29, rows, boxW - 31, values, big);
                  putLines(c, 106, top + 1, 44, rightCaptions, body);
                  putLines(c, 150, top + 1, 40, rightValues, body, false, Qt::AlignRight);
                }});

  r->columns = {{QStringLiteral("Šifra"), 18},
                {QStringLiteral("Naziv"), 66},
                {QStringLiteral("Cena"), 24, R},
                {QStringLiteral("Količina"), 22, R},
                {QStringLiteral("JM"), 14, Qt::AlignHCenter},
                {QStringLiteral("PDV(%)"), 18, R},
                {QStringLiteral("Iznos"), 28, R}};
  r->addColumnHeader();
  r->detail = [d](int i) {
    const InvoiceLine &l = d->lines.at(i);
    return QStringList{l.sifra,       l.naziv,
                       money(l.cena), DisplayMask::format(DisplayMask::LineQuantity, l.prodato.toDouble()),
                       l.jm,          l.rate ? DisplayMask::format(DisplayMask::Percent, *l.rate) : QString(),
                       money(l.iznos)};
  };
  r->addDetails(int(d->lines.size()));
  if (d->lines.isEmpty())
    r->addCustom({lineMm(body), [](BandCanvas &) {}}); // the band is printed, empty

  const TaxRecapitulation recap = recapitulation(d->taxGroups);
  const double recapH = std::max<qsizetype>(1, recap.captions.size()) * lineMm(body);
  r->addCustom({2 + lineMm(body) * 1.4 + recapH + 2, [d, recap](BandCanvas &c) {
                  const double w = c.rect.width() / c.pxPerMm;
                  hLine(c, 0, w, 1);
                  put(c, w - 100, 1.5, 60, lineMm(body), QStringLiteral("Ukupan iznos: "), body, true,
                      Qt::AlignRight);
                  put(c, w - 40, 1.5, 40, lineMm(body), money(d->total()), body, true, Qt::AlignRight);
                  const double y = 1.5 + lineMm(body) * 1.4;
                  putLines(c, w - 100, y, 70, recap.captions, body, false, Qt::AlignRight);
                  putLines(c, w - 30, y, 30, recap.amounts, body, false, Qt::AlignRight);
                }});

  for (const InvoicePayment &p : d->payments)
    r->addCustom({lineMm(body), [p](BandCanvas &c) {
                    const double w = c.rect.width() / c.pxPerMm;
                    put(c, w - 100, 0, 60, lineMm(body), paymentKind(p.nacin), body, false, Qt::AlignRight);
                    put(c, w - 40, 0, 40, lineMm(body), money(p.iznos), body, false, Qt::AlignRight);
                  }});

  const QString rok = d->rok && *d->rok != 0 ? QStringLiteral("Valuta plaćanja: ") +
                                                   QString::number(*d->rok) + QStringLiteral(" dana")
                                             : QString();
  const QString vat = owner + (settings.pdv == 2 ? QStringLiteral(" nije u sistemu PDV")
                                                 : QStringLiteral(" je u sistemu PDV"));
  const QStringList notes = {exemptionNote(*d), rok, vat};
  r->addCustom({4 + 3 * lineMm(body) + 30, [notes](BandCanvas &c) {
                  putLines(c, 0, 4, 190, notes, body);
                  const double y = 4 + 3 * lineMm(body) + 6;
                  const QString sign = QStringLiteral("_____________________________");
                  put(c, 0, y, 50, lineMm(body), QStringLiteral("Odgovorno lice"), body);
                  put(c, 0, y + 8, 60, lineMm(body), sign, body);
                  put(c, 75, y + 4, 30, lineMm(body), QStringLiteral("M.P."), body, false, Qt::AlignHCenter);
                  put(c, 130, y, 60, lineMm(body), QStringLiteral("Račun primio:"), body);
                  put(c, 130, y + 8, 60, lineMm(body), sign, body);
                  put(c, 130, y + 16, 60, lineMm(body), sign, body);
                }});
  return r;
}

} // namespace TQRRacun
