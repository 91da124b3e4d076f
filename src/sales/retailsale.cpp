#include "sales/retailsale.h"

#include "engine/transactionengine.h"

#include "common/localetext.h"
#include "common/scheduler.h"
#include "common/textfields.h"
#include "engine/userprompt.h"
#include "sales/articlelookup.h"

#include <cmath>

namespace {
const QString kNormal = QStringLiteral("NORMAL");
const QString kProvera = QStringLiteral("PROVERA");
const QString kPonistavanje = QStringLiteral("PONISTAVANJE");
const QString kKolicina = QStringLiteral("KOLICINA");
const QString kPogresanBroj = QStringLiteral("POGRESAN BROJ");
const QString kNemogucaIspravka = QStringLiteral("NEMOGUCA ISPRAVKA");

const Quantity kOne = Quantity::fromUnits(Quantity::kScale);
} // namespace

RetailSale::RetailSale(ArticleLookup &articles, RetailEngineCalls &engine, UserPrompt &prompt,
                       Scheduler &scheduler, QObject *parent)
    : QObject(parent), m_articles(articles), m_engine(engine), m_prompt(prompt), m_scheduler(scheduler),
      m_grid(kRows), m_lines(kRows) {
  resetFields();
  for (int r = 1; r < kRows; ++r)
    m_grid[r][0] = rowLabel(r);
  const QStringList h = headers();
  for (int c = 0; c < h.size(); ++c)
    m_grid[0][c] = h[c];
}

QStringList RetailSale::headers() {
  return {QStringLiteral("RBr."),      QStringLiteral("SIFRA"),      QStringLiteral(" BARKOD"),
          QStringLiteral(" ARTIKAL"),  QStringLiteral("  KOLICINA"), QStringLiteral("      CENA"),
          QStringLiteral("    UKUPNO")};
}

QString RetailSale::rowLabel(int row) {
  // Built once: every screen opened shares the texts instead of formatting 999 of them.
  static const QStringList labels = [] {
    QStringList out;
    out.reserve(kRows);
    out << QString();
    for (int r = 1; r < kRows; ++r)
      out << QStringLiteral("%1.").arg(r).rightJustified(4, QLatin1Char(' '));
    return out;
  }();
  if (row >= 1 && row < kRows)
    return labels[row];
  return QStringLiteral("%1.").arg(row).rightJustified(4, QLatin1Char(' '));
}

QString RetailSale::padded(const QString &text, int width) {
  return text.rightJustified(width, QLatin1Char(' '));
}

Money RetailSale::readMoney(const QString &text) {
  const auto v = Money::parse(text);
  if (!v)
    throw NumberError{};
  return *v;
}

Quantity RetailSale::readQuantity(const QString &text) {
  const auto v = Quantity::parse(text);
  if (!v)
    throw NumberError{};
  return *v;
}

Quantity RetailSale::cutQuantity(Quantity q) {
  return Quantity::parse(cutFive(generalText(q))).value_or(Quantity());
}

Money RetailSale::lineAmount(std::optional<Money> amount) {
  if (!amount)
    throw NumberError{};
  return *amount;
}

QString RetailSale::statusLine() const {
  QString line = m_status;
  if (!m_outage.isEmpty()) // stays until the waiting steps are in the database
    line = line.isEmpty() ? m_outage : line + QStringLiteral("   ") + m_outage;
  if (!m_settings.training)
    return line;
  return line.isEmpty() ? QStringLiteral("OBUKA") : QStringLiteral("OBUKA   ") + line;
}

void RetailSale::showDatabaseOutage(int waiting) {
  m_outage = TransactionEngine::outageText(waiting);
  emit changed();
}

void RetailSale::setStatus(const QString &text) {
  m_status = text;
  m_scheduler.cancel(m_statusTask);
  m_statusTask = m_scheduler.schedule(kStatusMs, this, [this] {
    m_status.clear();
    m_statusTask = 0;
    emit changed();
  });
  emit changed();
}

void RetailSale::clearRow(int row) {
  for (int c = 1; c < kCols; ++c)
    m_grid[row][c].clear();
  m_lines[row] = {};
}

void RetailSale::clearGrid() {
  for (int r = 1; r < kRows; ++r)
    clearRow(r);
}

void RetailSale::resetFields() {
  sledeciRed = 1;
  rezimUnosa = kNormal;
  m_kol = kOne;
  m_iznos = Money();
  m_pay.clear();
  lblProveraVisible = lblPonistavanjeVisible = false;
  edtUnos.clear();
}

void RetailSale::open(int year, const QDate &today, const QTime &now) {
  m_visible = true;
  resetFields();
  clearGrid();
  entryEnabled = true;
  brojRacuna = m_engine.nextReceiptNumber(year);
  emit changed();
  if (m_settings.device().opensFromStatus) {
    // The engine opens the receipt from the device's status answer.
    m_engine.GetStatusFromSale();
    return;
  }
  if (!m_engine.resolveUnfinishedReceipt(year, brojRacuna, sledeciRed)) {
    emit changed();
    return;
  }
  stavkaKase = Racun{};
  stavkaKase.operacija = Racun::Otvaranje;
  stavkaKase.operater = static_cast<quint8>(rbrKasira);
  stavkaKase.datum = today;
  stavkaKase.vreme = now;
  m_engine.Prijava(stavkaKase);
  emit changed();
}

void RetailSale::close() {
  m_visible = false;
  m_engine.screenClosed();
}

void RetailSale::unos() {
  interpret(edtUnos);
  emit changed();
}

void RetailSale::articlePicked(const QString &sifra) {
  edtUnos = sifra;
  unos();
}

void RetailSale::interpret(const QString &T0) {
  QString T = T0;
  setStatus(QString());
  lblProveraVisible = lblPonistavanjeVisible = false;
  m_voidQty = Quantity();
  m_voidAmount = Money();

  if (rezimUnosa == kKolicina) {
    if (const auto art = m_articles.bySifra(T)) {
      const auto q = quantityFor(m_iznos, art->cena);
      if (!q) {
        // A price of 0 cannot give a quantity; the entry is refused, not divided.
        m_iznos = Money();
        rezimUnosa = kNormal;
        setStatus(kPogresanBroj);
        return;
      }
      m_kol = cutQuantity(*q);
    }
    m_iznos = Money();
    rezimUnosa = kNormal;
  }

  if (T.isEmpty() && rezimUnosa == kNormal) {
    totalAndClose();
    return;
  }

  const QString mode = rezimUnosa;
  rezimUnosa = kNormal;
  try {
    const int L = T.size();
    QString C;
    if (mode == kPonistavanje) {
      bool ok = false;
      redIspravke = T.trimmed().toInt(&ok);
      if (ok && redIspravke >= 1 && redIspravke < kRows)
        C = m_grid[redIspravke][1];
      else if (!ok && L < 8)
        throw NumberError{}; // barcodes need no row number
    } else if (L < 8) {
      C = T;
    }

    const auto found = EntryRules::findArticle(m_articles, T, C, true);
    if (!found) {
      edtUnos.clear();
      return;
    }
    using Kind = EntryRules::Match;
    const Kind kind = found->match;
    const std::optional<Artikal> art = found->artikal;

    const QString priceText = art->cena.text();
    if (mode == kProvera) {
      emit beep();
      m_prompt.messageDialog(kind == Kind::Code ? QStringLiteral("Provera") : QStringLiteral("PROVERA"),
                             art->naziv + QStringLiteral(" ; CENA=") + priceText);
      edtUnos.clear();
      return;
    }

    const bool voiding = mode == kPonistavanje;
    Money amount;
    if (kind == Kind::Code) {
      if (voiding) {
        const Quantity rowQty = m_lines[redIspravke].kolicina;
        amount = lineAmount(codeLineAmount(rowQty, art->cena, m_settings));
        bool matched = false;
        for (int r = 1; r < sledeciRed && r < kRows; ++r) {
          if (m_grid[r][1] == C) {
            matched = true;
            m_voidQty += m_lines[r].kolicina;
            m_voidAmount += m_lines[r].iznos;
          }
        }
        if (matched && m_voidQty >= rowQty && m_voidAmount >= amount && !rowQty.isNegative()) {
          m_kol = -rowQty;
          amount = -amount;
        } else {
          m_kol = Quantity();
          setStatus(kNemogucaIspravka);
        }
      } else {
        amount = lineAmount(codeLineAmount(m_kol, art->cena, m_settings));
      }
    } else {
      if (kind == Kind::Weighed && !voiding) {
        bool ok = false;
        const int grams = T.mid(7, 5).toInt(&ok);
        m_kol = ok ? cutQuantity(Quantity::fromUnits(grams)) : Quantity();
      }
      const Quantity q = m_kol;
      if (voiding) {
        bool codeIsNumber = false;
        const double code = art->sifra.trimmed().toDouble(&codeIsNumber);
        for (int r = 1; r < sledeciRed && r < kRows; ++r) {
          const QString rowCode = m_grid[r][1].trimmed();
          bool rowIsNumber = false;
          const double rc = rowCode.toDouble(&rowIsNumber);
          // Codes that are not numbers are compared as texts.
          const bool same = (codeIsNumber && rowIsNumber) ? rc == code : rowCode == art->sifra.trimmed();
          if (same) {
            m_voidQty += m_lines[r].kolicina;
            m_voidAmount += m_lines[r].iznos;
          }
        }
        if (m_voidQty >= q && !m_voidAmount.isNegative() && !q.isNegative()) {
          m_kol = -q;
        } else {
          m_kol = Quantity();
          setStatus(kNemogucaIspravka);
        }
      }
      // Rounded to the para as the line shows it.
      amount = lineAmount(roundedAmount(m_kol, art->cena));
    }

    if (!m_kol.isZero())
      addLine(art->sifra, art->barkod, art->naziv, art->cena, art->stopa, amount);
    m_kol = kOne;
    edtUnos.clear();
  } catch (const NumberError &) {
    setStatus(kPogresanBroj);
  }
}

void RetailSale::addLine(const QString &sifra, const QString &barkod, const QString &naziv, Money cena,
                         int stopa, Money amount) {
  const int r = sledeciRed;
  if (r >= kRows) {
    // The grid holds 999 lines; a further line would have nowhere to go.
    setStatus(QStringLiteral("RACUN JE PUN"));
    return;
  }
  emit beep();
  auto &row = m_grid[r];
  row[1] = sifra;
  row[2] = barkod;
  row[3] = naziv;
  m_lines[r] = {m_kol, cena, amount};
  row[4] = padded(m_kol.text());
  row[5] = padded(cena.text());
  row[6] = padded(amount.text());
  row[7] = QString::number(stopa);

  m_pay.ukupno += amount;
  refreshChange();

  stavkaKase = Racun{};
  stavkaKase.operacija = Racun::Prodaja;
  stavkaKase.operater = static_cast<quint8>(rbrKasira);
  stavkaKase.storno = m_kol.isNegative() ? 1 : 0;
  stavkaKase.sifra = row[1].trimmed();
  const QString bk = row[2].trimmed();
  stavkaKase.barkod = (!bk.isEmpty() && Is_Number(bk)) ? bk : stavkaKase.sifra;
  stavkaKase.naziv = row[3].trimmed();
  stavkaKase.kolicina = m_kol;
  stavkaKase.cena = cena;
  stavkaKase.iznos = amount;
  stavkaKase.poreskaGrupa = row[7].toInt();

  sledeciRed = r + 1;
  entryEnabled = false;
  emit rowChanged(r);
  emit changed();
  m_engine.Provera(stavkaKase);
}

void RetailSale::refreshChange() {
  m_pay.refreshChange();
}

void RetailSale::totalAndClose() {
  setStatus(QString());
  // A receipt without lines has nothing to close; the device would refuse it.
  if (sledeciRed <= 1)
    return;
  {
    Money due;
    Money cash; // what this closing pays in cash
    if (m_pay.povracaj.isNegative()) {
      due = -m_pay.povracaj;
      cash = Money::parse(edtUnos).value_or(due);
      // Cash paid before stays paid: the closing adds to it.
      m_pay.gotovina += cash;
    }
    refreshChange();
    stavkaKase = Racun{};
    stavkaKase.operacija = Racun::Placanje;
    stavkaKase.operater = static_cast<quint8>(rbrKasira);
    stavkaKase.nacinPlacanja = Racun::Gotovina;
    stavkaKase.iznosPlacanja = cash;
    stavkaKase.ostatak = due;
    // The receipt ends with the status report that follows the closing.
    if (m_settings.device().completesFromStatus)
      entryEnabled = false;
    edtUnos.clear();
    emit changed();
    if (!m_pay.povracaj.isNegative() && !m_settings.device().deviceClosesReceipt)
      m_engine.KrajRacuna(stavkaKase);
    else
      m_engine.Placanje(stavkaKase, true);
  }
}

void RetailSale::kolicinaKey() {
  if (edtUnos.isEmpty()) {
    setStatus(QStringLiteral("Zabranjena operacija!"));
    return;
  }
  try {
    m_kol = readQuantity(cutFive(edtUnos));
    edtUnos.clear();
    emit focusEntry();
    emit beep();
    emit changed();
  } catch (const NumberError &) {
    setStatus(kPogresanBroj);
  }
}

void RetailSale::preracunajKolicinu() {
  rezimUnosa = kKolicina;
  if (edtUnos.isEmpty()) {
    rezimUnosa = kNormal;
    m_iznos = Money();
  } else {
    try {
      m_iznos = readMoney(edtUnos);
    } catch (const NumberError &) {
      setStatus(kPogresanBroj);
    }
  }
  emit changed();
}

void RetailSale::ponistiKey() {
  if (sledeciRed == 1) {
    emit beep();
    m_prompt.messageDialog(QStringLiteral("PROVERA"), QStringLiteral("Nije izvrsena promena artikla"));
    edtUnos.clear();
    emit changed();
    return;
  }
  setStatus(QString());
  lblProveraVisible = false;
  lblPonistavanjeVisible = true;
  rezimUnosa = kPonistavanje;
  emit focusEntry();
  emit changed();
}

void RetailSale::proveraKey() {
  setStatus(QString());
  lblPonistavanjeVisible = false;
  lblProveraVisible = true;
  rezimUnosa = kProvera;
  emit focusEntry();
  emit changed();
}

void RetailSale::unosGotovina() {
  if (edtUnos.isEmpty())
    return;
  try {
    const Money cash = readMoney(edtUnos);
    m_pay.gotovina = cash;
    refreshChange();
    const Money cashPart =
        (m_pay.povracaj > Money() || cash.isNegative()) ? m_pay.ukupno - m_pay.cek - m_pay.kartica : cash;
    stavkaKase = Racun{};
    stavkaKase.operacija = Racun::Placanje;
    stavkaKase.nacinPlacanja = Racun::Gotovina;
    stavkaKase.iznosPlacanja = m_pay.gotovina;
    stavkaKase.ostatak = cashPart;
    m_engine.Placanje(stavkaKase, false);
    edtUnos.clear();
    emit focusEntry();
    emit beep();
  } catch (const NumberError &) {
    setStatus(kPogresanBroj);
  }
  emit changed();
}

void RetailSale::cekKey() {
  cardOrCheque(Racun::Cek);
}

void RetailSale::karticaKey() {
  m_engine.setCekanjePrekinuto(false);
  cardOrCheque(Racun::Kartica);
}

void RetailSale::cardOrCheque(int nacin) {
  const bool card = nacin == Racun::Kartica;
  Money &field = card ? m_pay.kartica : m_pay.cek;
  setStatus(QString());
  try {
    if (m_pay.ukupno.isZero()) {
      edtUnos.clear();
      emit focusEntry();
      setStatus(QStringLiteral("NEMOGUCA OPERACIJA.IZNOS ZA PLACANJE JE 0!"));
      emit beep();
      return;
    }
    if (!m_pay.gotovina.isZero()) {
      edtUnos.clear();
      emit focusEntry();
      setStatus(card ? QStringLiteral("NE MOZETE UNETI PLACANJE KARTICOM POSLE GOTOVINE")
                     : QStringLiteral("NE MOZETE UNETI PLACANJE CEKOM POSLE GOTOVINE"));
      emit beep();
      return;
    }
    if (card)
      m_pay.dropPendingCard(); // a new card payment replaces one still waiting for the terminal
    // What was paid by this means before stays paid: a further payment adds to it and
    // never pays more than is still due.
    const Money before = field;
    const Money rest = m_pay.due(nacin) - before;
    const bool typed = !edtUnos.isEmpty();
    Money amount = typed ? readMoney(edtUnos) : rest;
    if (amount > rest || amount.isNegative())
      amount = rest;
    if (amount <= Money()) {
      edtUnos.clear();
      emit focusEntry();
      setStatus(QStringLiteral("NEMOGUCA OPERACIJA.IZNOS ZA PLACANJE JE 0!"));
      emit beep();
      emit changed();
      return;
    }
    field = before + amount;
    refreshChange();
    stavkaKase = Racun{};
    stavkaKase.operacija = Racun::Placanje;
    stavkaKase.nacinPlacanja = nacin;
    stavkaKase.iznosPlacanja = amount;
    if (card && m_settings.cardTerminal) {
      // The terminal link takes this amount and sends the payment once the terminal
      // approves it; until then Esc may abandon the wait.
      m_pay.awaitCard(amount);
      setStatus(m_pay.swipePrompt());
    } else {
      m_engine.Placanje(stavkaKase, false);
    }
    if (typed) {
      edtUnos.clear();
      emit focusEntry();
      emit beep();
    }
  } catch (const NumberError &) {
    setStatus(kPogresanBroj);
  }
  emit changed();
}

void RetailSale::escapeKey() {
  // Only a card payment waiting for the terminal can be abandoned; otherwise the
  // question would send the last payment a second time.
  if (!m_pay.cardPending())
    return;
  m_engine.setCekanjePrekinuto(true);
  setStatus(QString());
  emit beep();
  if (SalePayments::keepAbandonedCard(m_prompt)) {
    m_pay.cardSettled();
    m_engine.Placanje(stavkaKase, false);
  } else {
    m_pay.dropPendingCard();
  }
  emit changed();
}

namespace {
const char *kNotForModel = "Nije dostupno za model kase sa kojom radite!";
}

void RetailSale::displejKey() {
  if (!m_settings.device().hasCustomerDisplay) {
    m_prompt.messageDialog(QStringLiteral("GRESKA"), QLatin1String(kNotForModel));
    return;
  }
  const QString text = edtUnos;
  edtUnos.clear();
  if (displayLine == 0)
    m_engine.LcdShow(text, 0);
  else if (displayLine == 1)
    m_engine.LcdShow(text, 1);
  else
    m_engine.LcdShow(QString(), 2);
  emit changed();
}

void RetailSale::slobodanTekstKey() {
  if (!m_settings.device().hasFreeText) {
    m_prompt.messageDialog(QStringLiteral("GRESKA"), QLatin1String(kNotForModel));
    return;
  }
  m_engine.freeTextStarting();
  if (showFreeText)
    showFreeText();
}

void RetailSale::stornoKey() {
  if (!m_settings.device().cancelsOpenReceipt) {
    m_prompt.messageDialog(QStringLiteral("GRESKA"), QLatin1String(kNotForModel));
    return;
  }
  entryEnabled = false;
  emit changed();
  m_engine.StornirajRacun();
}

void RetailSale::fiokaKey() {
  m_engine.OtvoriFioku();
}

void RetailSale::racunKey() {
  if (showInvoices)
    showInvoices();
  else
    setStatus(QStringLiteral("Racuni jos nisu dostupni"));
}

void RetailSale::enableEntryLine() {
  entryEnabled = true;
  emit changed();
  if (m_visible)
    emit focusEntry();
}

void RetailSale::takeLastLineOff(bool onlyAboveOne) {
  if (!onlyAboveOne || sledeciRed > 1)
    sledeciRed -= 1;
  if (sledeciRed < 1)
    sledeciRed = 1;
  const int r = sledeciRed;
  m_pay.ukupno -= m_lines[r].iznos;
  refreshChange();
  clearRow(r);
  emit rowChanged(r);
  enableEntryLine();
}

void RetailSale::resetAfterReceipt() {
  for (int r = 1; r < sledeciRed && r < kRows; ++r) {
    clearRow(r);
    emit rowChanged(r);
  }
  m_kol = kOne;
  sledeciRed = 1;
  m_pay.clear();
  edtUnos.clear();
  entryEnabled = true;
  emit changed();
  if (m_visible)
    emit focusEntry();
}

void RetailSale::loadStoredReceipt(const QList<SoldLine> &lines) {
  clearGrid();
  Money total;
  int r = 0;
  for (const SoldLine &l : lines) {
    if (r + 1 >= kRows)
      break;
    ++r;
    auto &row = m_grid[r];
    row[1] = l.sifra.trimmed();
    row[2] = l.barkod.trimmed();
    row[3] = l.naziv.trimmed();
    m_lines[r] = {l.prodato, l.cena, l.iznos};
    row[4] = padded(m_lines[r].kolicina.text());
    row[5] = padded(m_lines[r].cena.text());
    row[6] = padded(m_lines[r].iznos.text());
    total += m_lines[r].iznos;
  }
  m_pay.ukupno = total;
  m_pay.povracaj = -total;
  sledeciRed = r + 1;
  for (int i = 1; i < kRows; ++i)
    emit rowChanged(i);
  emit changed();
}

QString RetailSale::terminalAmountRequested() {
  setStatus(SalePayments::sendingAmountText());
  return (m_pay.cardPending() ? m_pay.cardPendingAmount() : Money()).text();
}

void RetailSale::terminalTransactionStarted() {
  setStatus(m_pay.transactionStartedText());
}

void RetailSale::terminalTransactionFailed() {
  setStatus(SalePayments::transactionFailedText());
}

void RetailSale::terminalResult(bool approved, const QString &cardType, const QString &reference,
                                const QString &cardNumber, bool cekanjePrekinuto) {
  if (cekanjePrekinuto || !m_pay.cardPending())
    return; // too late: the cashier gave up waiting
  if (approved) {
    m_pay.cardSettled();
    stavkaKase.tipKartice = cardType;
    stavkaKase.brojTransakcije = reference;
    stavkaKase.brojKartice = cardNumber;
    setStatus(SalePayments::approvedText());
    m_engine.Placanje(stavkaKase, false);
    return;
  }
  setStatus(SalePayments::refusedText());
  m_pay.dropPendingCard();
  emit changed();
}
