#include "sales/retailsale.h"

#include "common/localetext.h"
#include "common/rounding.h"
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

QString zeroMoney() {
  return LocaleText::money(0);
}
QString oneQuantity() {
  return LocaleText::quantity(1);
}
} // namespace

RetailSale::RetailSale(ArticleLookup &articles, RetailEngineCalls &engine, UserPrompt &prompt,
                       Scheduler &scheduler, QObject *parent)
    : QObject(parent), m_articles(articles), m_engine(engine), m_prompt(prompt), m_scheduler(scheduler),
      m_grid(kRows) {
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
  return QStringLiteral("%1.").arg(row).rightJustified(4, QLatin1Char(' '));
}

QString RetailSale::padded(const QString &text, int width) {
  return text.rightJustified(width, QLatin1Char(' '));
}

QString RetailSale::cutFive(const QString &text) {
  if (text.size() == 5 && !text.back().isDigit())
    return text.left(4);
  if (text.size() > 5)
    return text.left(5);
  return text;
}

QString RetailSale::generalText(double value) {
  QString t = decimalText15(value);
  t.replace(QLatin1Char('.'), LocaleText::decimalSeparator());
  return t;
}

double RetailSale::codeLineAmount(double q, double p, const RetailSettings &settings) {
  if (settings.device().hasRoundingSwitch && !settings.zaokruzi) {
    // Whole paras and thousandths; the product is cut, not rounded, as the
    // device does. The factors are the exact figures of the shown texts.
    const qint64 P = std::llround(MyTrunc(2, p) * 100.0);
    const qint64 Q = std::llround(MyTrunc(3, q) * 1000.0);
    const qint64 amount = (P * Q) / 1000; // integer division truncates towards zero
    return static_cast<double>(amount) / 100.0;
  }
  return MyRound(2, q * p);
}

double RetailSale::readNumber(const QString &text) const {
  bool ok = false;
  const double v = LocaleText::toNumber(text, &ok);
  if (!ok)
    throw NumberError{};
  return v;
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

void RetailSale::clearGrid() {
  for (int r = 1; r < kRows; ++r) {
    for (int c = 1; c < kCols; ++c)
      m_grid[r][c].clear();
  }
}

void RetailSale::resetFields() {
  sledeciRed = 1;
  rezimUnosa = kNormal;
  edtKol = oneQuantity();
  edtIznos = edtCek = edtKartica = edtGotovina = edtPovracaj = lblUkupno = zeroMoney();
  lblProveraVisible = lblPonistavanjeVisible = false;
  edtUnos.clear();
  m_cardPending = false;
  m_cardPendingAmount = 0;
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
  m_voidQty = m_voidAmount = 0;

  if (rezimUnosa == kKolicina) {
    if (const auto art = m_articles.bySifra(T)) {
      bool ok = false;
      const double iznos = LocaleText::toNumber(edtIznos, &ok);
      if (art->cena == 0 || !ok) {
        // A price of 0 cannot give a quantity; the entry is refused, not divided.
        edtIznos = zeroMoney();
        rezimUnosa = kNormal;
        setStatus(kPogresanBroj);
        return;
      }
      const double q = MyRound(3, iznos / art->cena);
      edtKol = LocaleText::quantity(LocaleText::toNumber(cutFive(generalText(q))));
    }
    edtIznos = zeroMoney();
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

    enum class Kind { None, Code, Barcode, Weighed } kind = Kind::None;
    std::optional<Artikal> art;
    if (L == 6) {
      if ((art = m_articles.byBarkod(T)))
        kind = Kind::Barcode;
      else if ((art = m_articles.bySifra(C)))
        kind = Kind::Code;
    } else if (L >= 8) {
      if ((art = m_articles.byBarkod(T)))
        kind = Kind::Barcode;
      else if ((art = m_articles.byBarkod(T.left(7) + QStringLiteral("000000"))))
        kind = Kind::Weighed;
    } else if ((art = m_articles.bySifra(C))) {
      kind = Kind::Code;
    }

    if (kind == Kind::None) {
      edtUnos.clear();
      return;
    }

    const QString priceText = LocaleText::money(art->cena);
    if (mode == kProvera) {
      emit beep();
      m_prompt.messageDialog(kind == Kind::Code ? QStringLiteral("Provera") : QStringLiteral("PROVERA"),
                             art->naziv + QStringLiteral(" ; CENA=") + priceText);
      edtUnos.clear();
      return;
    }

    const bool voiding = mode == kPonistavanje;
    double amount = 0;
    if (kind == Kind::Code) {
      double q = readNumber(edtKol);
      if (voiding) {
        const QString rowQtyText = m_grid[redIspravke][4].trimmed();
        const double rowQty = readNumber(rowQtyText);
        q = rowQty;
        amount = codeLineAmount(q, art->cena, m_settings);
        bool matched = false;
        for (int r = 1; r < sledeciRed && r < kRows; ++r) {
          if (m_grid[r][1] == C) {
            matched = true;
            m_voidQty += readNumber(m_grid[r][4]);
            m_voidAmount += readNumber(m_grid[r][6]);
          }
        }
        if (matched && m_voidQty >= rowQty && m_voidAmount >= amount && rowQty >= 0) {
          edtKol = QStringLiteral("-") + rowQtyText;
          amount = -amount;
        } else {
          edtKol = QStringLiteral("0");
          setStatus(kNemogucaIspravka);
        }
      } else {
        amount = codeLineAmount(q, art->cena, m_settings);
      }
    } else {
      if (kind == Kind::Weighed && !voiding) {
        bool ok = false;
        const int grams = T.mid(7, 5).toInt(&ok);
        const double q = ok ? LocaleText::toNumber(cutFive(generalText(grams / 1000.0))) : 0.0;
        edtKol = LocaleText::quantity(q);
      }
      const double q = readNumber(edtKol);
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
            m_voidQty += readNumber(m_grid[r][4]);
            m_voidAmount += readNumber(m_grid[r][6]);
          }
        }
        if (m_voidQty >= q && m_voidAmount >= 0 && q >= 0) {
          edtKol = QStringLiteral("-") + edtKol.trimmed();
        } else {
          edtKol = QStringLiteral("0");
          setStatus(kNemogucaIspravka);
        }
      }
      amount = readNumber(edtKol) * art->cena;
    }

    if (readNumber(edtKol) != 0)
      addLine(art->sifra, art->barkod, art->naziv, art->cena, art->stopa, amount);
    edtKol = oneQuantity();
    edtUnos.clear();
  } catch (const NumberError &) {
    setStatus(kPogresanBroj);
  }
}

void RetailSale::addLine(const QString &sifra, const QString &barkod, const QString &naziv, double cena,
                         int stopa, double amount) {
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
  row[4] = padded(edtKol);
  row[5] = padded(LocaleText::money(cena));
  row[6] = padded(LocaleText::money(amount));
  row[7] = QString::number(stopa);

  const double total = readNumber(lblUkupno) + readNumber(row[6]);
  lblUkupno = LocaleText::money(total);
  refreshChange();

  stavkaKase = Racun{};
  stavkaKase.operacija = Racun::Prodaja;
  stavkaKase.operater = static_cast<quint8>(rbrKasira);
  const double kol = readNumber(row[4]);
  stavkaKase.storno = kol < 0 ? 1 : 0;
  stavkaKase.sifra = row[1].trimmed();
  const QString bk = row[2].trimmed();
  stavkaKase.barkod = (!bk.isEmpty() && Is_Number(bk)) ? bk : stavkaKase.sifra;
  stavkaKase.naziv = row[3].trimmed();
  stavkaKase.kolicina = kol;
  stavkaKase.cena = readNumber(row[5]);
  stavkaKase.iznos = readNumber(row[6]);
  stavkaKase.poreskaGrupa = row[7].toInt();

  sledeciRed = r + 1;
  entryEnabled = false;
  emit rowChanged(r);
  emit changed();
  m_engine.Provera(stavkaKase);
}

void RetailSale::refreshChange() {
  const double v =
      readNumber(edtCek) + readNumber(edtKartica) + readNumber(edtGotovina) - readNumber(lblUkupno);
  edtPovracaj = LocaleText::money(v);
}

void RetailSale::totalAndClose() {
  setStatus(QString());
  // A receipt without lines has nothing to close; the device would refuse it.
  if (sledeciRed <= 1)
    return;
  try {
    double due = 0;
    double cash = 0; // what this closing pays in cash
    const double change = readNumber(edtPovracaj);
    if (change < 0) {
      due = -change;
      bool ok = false;
      const double typed = LocaleText::toNumber(edtUnos, &ok);
      cash = ok ? typed : due;
      // Cash paid before stays paid: the closing adds to it.
      edtGotovina = LocaleText::money(readNumber(edtGotovina) + cash);
    }
    refreshChange();
    stavkaKase = Racun{};
    stavkaKase.operacija = Racun::Placanje;
    stavkaKase.operater = static_cast<quint8>(rbrKasira);
    stavkaKase.nacinPlacanja = Racun::Gotovina;
    stavkaKase.iznosPlacanja = MyRound(2, cash);
    stavkaKase.ostatak = MyRound(2, due);
    // The receipt ends with the status report that follows the closing.
    if (m_settings.device().completesFromStatus)
      entryEnabled = false;
    edtUnos.clear();
    emit changed();
    if (readNumber(edtPovracaj) >= 0 && !m_settings.device().deviceClosesReceipt)
      m_engine.KrajRacuna(stavkaKase);
    else
      m_engine.Placanje(stavkaKase, true);
  } catch (const NumberError &) {
    setStatus(kPogresanBroj);
  }
}

void RetailSale::kolicinaKey() {
  if (edtUnos.isEmpty()) {
    setStatus(QStringLiteral("Zabranjena operacija!"));
    return;
  }
  try {
    const double q = readNumber(cutFive(edtUnos));
    edtKol = LocaleText::quantity(q);
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
    edtIznos = zeroMoney();
  } else {
    try {
      edtIznos = LocaleText::money(readNumber(edtUnos));
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
    const double cash = readNumber(edtUnos);
    edtGotovina = LocaleText::money(cash);
    const double total = readNumber(lblUkupno);
    const double cek = readNumber(edtCek);
    const double kartica = readNumber(edtKartica);
    const double change = cek + cash + kartica - total;
    edtPovracaj = LocaleText::money(change);
    const double cashPart = (change > 0 || cash < 0) ? total - cek - kartica : cash;
    stavkaKase = Racun{};
    stavkaKase.operacija = Racun::Placanje;
    stavkaKase.nacinPlacanja = Racun::Gotovina;
    stavkaKase.iznosPlacanja = readNumber(edtGotovina);
    stavkaKase.ostatak = MyRound(2, cashPart);
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
  QString &field = card ? edtKartica : edtCek;
  const QString &other = card ? edtCek : edtKartica;
  setStatus(QString());
  try {
    const double total = readNumber(lblUkupno);
    if (total == 0) {
      edtUnos.clear();
      emit focusEntry();
      setStatus(QStringLiteral("NEMOGUCA OPERACIJA.IZNOS ZA PLACANJE JE 0!"));
      emit beep();
      return;
    }
    if (readNumber(edtGotovina) != 0) {
      edtUnos.clear();
      emit focusEntry();
      setStatus(card ? QStringLiteral("NE MOZETE UNETI PLACANJE KARTICOM POSLE GOTOVINE")
                     : QStringLiteral("NE MOZETE UNETI PLACANJE CEKOM POSLE GOTOVINE"));
      emit beep();
      return;
    }
    if (card)
      dropPendingCard(); // a new card payment replaces one still waiting for the terminal
    // What was paid by this means before stays paid: a further payment adds to it and
    // never pays more than is still due.
    const double before = readNumber(field);
    const double rest = MyRound(2, total - readNumber(other) - before);
    const bool typed = !edtUnos.isEmpty();
    double amount = typed ? readNumber(edtUnos) : rest;
    if (amount > rest || amount < 0)
      amount = rest;
    amount = MyRound(2, amount);
    if (amount <= 0) {
      edtUnos.clear();
      emit focusEntry();
      setStatus(QStringLiteral("NEMOGUCA OPERACIJA.IZNOS ZA PLACANJE JE 0!"));
      emit beep();
      emit changed();
      return;
    }
    field = LocaleText::money(before + amount);
    refreshChange();
    stavkaKase = Racun{};
    stavkaKase.operacija = Racun::Placanje;
    stavkaKase.nacinPlacanja = nacin;
    stavkaKase.iznosPlacanja = amount;
    if (card && m_settings.cardTerminal) {
      // The terminal link takes this amount and sends the payment once the terminal
      // approves it; until then Esc may abandon the wait.
      m_cardPending = true;
      m_cardPendingAmount = amount;
      setStatus(QStringLiteral("PROVUCITE KARTICU I SACEKAJTE. UKOLIKO NE ZELITE DA SACEKATE ODGOVOR "
                               "TERMINALA PRITISNITE TASTER ESC"));
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

// The card payment that waited for the terminal is given up: its amount leaves the card field.
void RetailSale::dropPendingCard() {
  if (!m_cardPending)
    return;
  m_cardPending = false;
  bool ok = false;
  const double kartica = LocaleText::toNumber(edtKartica, &ok);
  edtKartica = LocaleText::money(ok ? MyRound(2, kartica - m_cardPendingAmount) : 0.0);
  m_cardPendingAmount = 0;
  try {
    refreshChange();
  } catch (const NumberError &) {
    setStatus(QStringLiteral("GRESKA"));
  }
}

void RetailSale::escapeKey() {
  // Only a card payment waiting for the terminal can be abandoned; otherwise the
  // question would send the last payment a second time.
  if (!m_cardPending)
    return;
  m_engine.setCekanjePrekinuto(true);
  setStatus(QString());
  emit beep();
  const bool print = m_prompt.messageDialog(
      QStringLiteral("PREKID"),
      QStringLiteral(
          "Prekinuto cekanje odgovora terminala.Ukoliko zelite da odstampate ovo placanje pritisnite "
          "dugme U REDU,u suprotnom pritisnite dugme OTKAZ!"),
      true);
  if (print) {
    m_cardPending = false;
    m_cardPendingAmount = 0;
    m_engine.Placanje(stavkaKase, false);
  } else {
    dropPendingCard();
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
  bool ok = false;
  const double amount = LocaleText::toNumber(m_grid[r][6], &ok);
  if (ok) {
    const double total = LocaleText::toNumber(lblUkupno) - amount;
    lblUkupno = LocaleText::money(total);
  }
  try {
    refreshChange();
  } catch (const NumberError &) {
  }
  for (int c = 1; c < kCols; ++c)
    m_grid[r][c].clear();
  emit rowChanged(r);
  enableEntryLine();
}

void RetailSale::resetAfterReceipt() {
  for (int r = 1; r < sledeciRed && r < kRows; ++r) {
    for (int c = 1; c < kCols; ++c)
      m_grid[r][c].clear();
    emit rowChanged(r);
  }
  edtKol = oneQuantity();
  sledeciRed = 1;
  lblUkupno = edtGotovina = edtCek = edtKartica = edtPovracaj = zeroMoney();
  edtUnos.clear();
  entryEnabled = true;
  m_cardPending = false;
  m_cardPendingAmount = 0;
  emit changed();
  if (m_visible)
    emit focusEntry();
}

void RetailSale::loadStoredReceipt(const QList<SoldLine> &lines) {
  clearGrid();
  double total = 0;
  int r = 0;
  for (const SoldLine &l : lines) {
    if (r + 1 >= kRows)
      break;
    ++r;
    auto &row = m_grid[r];
    row[1] = l.sifra.trimmed();
    row[2] = l.barkod.trimmed();
    row[3] = l.naziv.trimmed();
    row[4] = padded(LocaleText::quantity(l.prodato));
    row[5] = padded(LocaleText::money(l.cena));
    row[6] = padded(LocaleText::money(l.iznos));
    total = MyRound(2, total + l.iznos);
  }
  lblUkupno = LocaleText::money(total);
  edtPovracaj = LocaleText::money(-total);
  sledeciRed = r + 1;
  for (int i = 1; i < kRows; ++i)
    emit rowChanged(i);
  emit changed();
}

QString RetailSale::terminalAmountRequested() {
  setStatus(QStringLiteral("SALJEM IZOS"));
  return LocaleText::money(m_cardPending ? m_cardPendingAmount : 0.0);
}

void RetailSale::terminalTransactionStarted() {
  setStatus(QStringLiteral(
      "TRANSAKCIJA U TOKU. UKOLIKO NE ZELITE DA SACEKATE ODGOVOR TERMINALA PRITISNITE TASTER ESC"));
}

void RetailSale::terminalTransactionFailed() {
  setStatus(QStringLiteral("TRANSAKCIJA NIJE USPELA"));
}

void RetailSale::terminalResult(bool approved, const QString &cardType, const QString &reference,
                                const QString &cardNumber, bool cekanjePrekinuto) {
  if (cekanjePrekinuto || !m_cardPending)
    return; // too late: the cashier gave up waiting
  if (approved) {
    m_cardPending = false;
    m_cardPendingAmount = 0;
    stavkaKase.tipKartice = cardType;
    stavkaKase.brojTransakcije = reference;
    stavkaKase.brojKartice = cardNumber;
    setStatus(QStringLiteral(" AUTORIZOVANO"));
    m_engine.Placanje(stavkaKase, false);
    return;
  }
  setStatus(QStringLiteral(" GRESKA U AUTORIZACIJI"));
  dropPendingCard();
  emit changed();
}
