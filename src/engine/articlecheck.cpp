// The article check before a sale: the device must hold the article exactly as the
// program sells it; missing or changed articles are programmed first.
#include "engine/transactionengine.h"

#include "common/textfields.h"
#include "device/articlemirror.h"
#include "device/replyparser.h"

namespace {
// The mirror keeps the device's price as a double; the device holds it in para.
bool samePrice(double mirror, Money price) {
  return Money(mirror) == price;
}
QString paddedNumber(int n) {
  return QString::number(n).rightJustified(13, QLatin1Char(' '));
}
bool digitsOnly(const QString &s) {
  return !s.trimmed().isEmpty() && Is_Number(s);
}
} // namespace

int TransactionEngine::nextFreeNumber() const {
  if (!m_mirror || m_mirror->isEmpty())
    return 1;
  return profile().articleAfter(m_mirror->lastSifra());
}

void TransactionEngine::saveMirror() {
  if (m_mirror && !m_mirror->save(m_mirrorPath))
    message(QStringLiteral("GRESKA"), m_mirror->errorText());
}

void TransactionEngine::Provera(const Racun &step) {
  Racun &slot = checkedStep();
  if (&slot != &step)
    slot = step;
  proveraLoop();
}

void TransactionEngine::proveraLoop() {
  for (;;) {
    Racun &step = checkedStep();
    const bool sale = step.operacija == Racun::Prodaja;
    if (checkOne(step) != CheckResult::Settled)
      return;
    if (!sale)
      return;
    if (profile().articleCheck == ArticleCheck::LearnsFromSale || !m_state.rezimRestoran) {
      ProdajaArt(step);
      return;
    }
    ++m_state.provera.indeksProvere; // the next line of the whole receipt
  }
}

void TransactionEngine::goOn() {
  if (m_state.rezimRestoran) {
    ++m_state.provera.indeksProvere;
    proveraLoop();
  } else {
    ProdajaArt(m_stavkaKase);
  }
}

TransactionEngine::CheckResult TransactionEngine::checkOne(Racun &step) {
  m_state.provera.clear();
  const DeviceProfile &device = profile();

  if (!m_mirror || m_mirror->isEmpty()) {
    deviceError({QStringLiteral("GRESKA"),
                 QStringLiteral("Lokalna baza nije sinhronizovana sa bazom u kasi.Uradite citanje iz kase."),
                 UserPrompt::Mode::Notice});
    return CheckResult::Stopped;
  }
  if (m_mirror->count() == device.articleCapacity) {
    articleMemoryFull();
    return CheckResult::Stopped;
  }
  m_state.provera.nextFree = nextFreeNumber();
  // A new device number past the model's range would be written into nothing.
  const auto outOfNumbers = [&] {
    if (device.usesArticle(m_state.provera.nextFree))
      return false;
    articleMemoryFull();
    return true;
  };

  if (step.operacija != Racun::Prodaja) {
    if (device.articleCheck == ArticleCheck::LearnsFromSale && step.operacija != Racun::Otvaranje)
      Placanje(step);
    else
      Send(m_stavke);
    return CheckResult::Settled;
  }

  const QString sifra = step.sifra.trimmed();
  const QString barkod = step.barkod.trimmed();
  for (int i = 0; i < m_mirror->count(); ++i) {
    const MirrorArticle &row = m_mirror->at(i);
    const bool matches = (!row.KSIFRA.trimmed().isEmpty() && row.KSIFRA.trimmed() == sifra) ||
                         (!row.BARKOD.trimmed().isEmpty() && row.BARKOD.trimmed() == barkod);
    if (!matches)
      continue;
    const bool sameArticle =
        row.NAZIV.trimmed() == step.naziv.trimmed() && row.PORESKA_GRUPA == step.poreskaGrupa;
    if (device.articleCheck == ArticleCheck::SellsOnlyStored) {
      if (sameArticle && samePrice(row.CENA, step.cena)) {
        step.sifraUKasi = row.SIFRA;
        return CheckResult::Settled;
      }
      continue; // the device holds it otherwise: look further
    }
    m_state.provera.mirrorRow = i;
    if (device.articleCheck == ArticleCheck::LearnsFromSale) {
      m_state.racunUToku = true;
      if (sameArticle) {
        step.sifraUKasi = row.SIFRA;
        return CheckResult::Settled;
      }
      if (outOfNumbers())
        return CheckResult::Stopped;
      step.sifraUKasi = m_state.provera.nextFree++;
      m_state.provera.zamenaArtiklaKorak2 = true;
      UpisArtikla(row.SIFRA, row.NAZIV, row.CENA, row.PORESKA_GRUPA, QStringLiteral("0000000000000"));
      return CheckResult::Waiting;
    }
    if (sameArticle) {
      step.sifraUKasi = row.SIFRA;
      if (samePrice(row.CENA, step.cena))
        return CheckResult::Settled;
      m_state.provera.promenaCene = true;
      UpisArtikla(row.SIFRA, step.naziv, step.cena.toDouble(), step.poreskaGrupa, row.BARKOD);
      return CheckResult::Waiting;
    }
    if (outOfNumbers())
      return CheckResult::Stopped;
    m_state.provera.zamenaArtikla = true;
    m_state.provera.staraSifra = row.KSIFRA;
    m_state.provera.stariBarkod = row.BARKOD;
    step.sifraUKasi = m_state.provera.nextFree;
    UpisArtikla(m_state.provera.nextFree, step.naziv, step.cena.toDouble(), step.poreskaGrupa,
                m_state.provera.stariBarkod);
    return CheckResult::Waiting;
  }

  if (device.articleCheck == ArticleCheck::SellsOnlyStored) {
    if (m_state.rezimRestoran) {
      message(QStringLiteral("Greska"), QStringLiteral("Artikal sa sa sifrom ") + step.sifra +
                                            QStringLiteral(" se ne nalazi u bazi kase!"));
      m_state.racunUToku = false;
      if (m_restaurant)
        m_restaurant->enableControls();
      if (m_split)
        m_split->enableControls();
    } else if (m_retail) {
      m_retail->takeLastLineOff(false);
      m_retail->showStatus(QStringLiteral("ARTIKAL SE NE NALAZI U BAZI KASE"));
      m_retail->enableEntryLine();
    }
    return CheckResult::Stopped;
  }
  if (outOfNumbers())
    return CheckResult::Stopped;
  step.sifraUKasi = m_state.provera.nextFree;
  if (!digitsOnly(step.barkod))
    step.barkod = paddedNumber(m_state.provera.nextFree);
  if (device.articleCheck == ArticleCheck::LearnsFromSale) {
    m_state.racunUToku = true;
    return CheckResult::Settled; // the device learns the article from the sale line
  }
  m_state.provera.noviArtikal = true;
  UpisArtikla(m_state.provera.nextFree, step.naziv, step.cena.toDouble(), step.poreskaGrupa, step.barkod);
  return CheckResult::Waiting;
}

// The device's article memory has no room (or no number) for another article.
void TransactionEngine::articleMemoryFull() {
  if (m_state.rezimRestoran) {
    if (m_restaurant)
      m_restaurant->enableControls();
    if (m_split)
      m_split->enableControls();
  } else if (m_retail && m_stavkaKase.operacija == Racun::Prodaja) {
    // The line was never sold: it leaves the grid and the entry line opens again.
    m_retail->takeLastLineOff(false);
  }
  if (m_restaurant)
    m_restaurant->enableEntryLine();
  deviceError({QStringLiteral("GRESKA"),
               profile().family == Family::Two
                   ? QStringLiteral("Napunili ste bazu artikala. Uraditi praznjenje kase!")
                   : QStringLiteral("Napunili ste bazu artikala. Uradite praznjenje kase!"),
               UserPrompt::Mode::Notice});
}

void TransactionEngine::articleWriteConfirmed() {
  Racun &step = checkedStep();
  if (!m_mirror)
    return;
  if (m_state.provera.zamenaArtikla || m_state.provera.zamenaArtiklaKorak2) {
    MirrorArticle old;
    if (m_state.provera.mirrorRow >= 0 && m_state.provera.mirrorRow < m_mirror->count()) {
      old = m_mirror->at(m_state.provera.mirrorRow);
      MirrorArticle blank = old;
      blank.KSIFRA.clear();
      blank.BARKOD.clear();
      m_mirror->update(m_state.provera.mirrorRow, blank);
    }
    if (!m_state.provera.zamenaArtiklaKorak2) {
      m_state.provera.zamenaArtiklaKorak2 = true;
      UpisArtikla(old.SIFRA, old.NAZIV, old.CENA, old.PORESKA_GRUPA, QStringLiteral("0000000000000"));
      return;
    }
    m_state.provera.zamenaArtikla = false;
    m_state.provera.zamenaArtiklaKorak2 = false;
    MirrorArticle row;
    row.KSIFRA = m_state.provera.staraSifra;
    row.SIFRA = step.sifraUKasi;
    row.BARKOD = m_state.provera.stariBarkod;
    row.NAZIV = step.naziv;
    row.CENA = step.cena.toDouble();
    row.PORESKA_GRUPA = step.poreskaGrupa;
    m_mirror->insert(row);
    saveMirror();
    goOn();
    return;
  }
  if (m_state.provera.noviArtikal) {
    m_state.provera.noviArtikal = false;
    MirrorArticle row;
    row.KSIFRA = step.sifra;
    row.SIFRA = step.sifraUKasi;
    row.BARKOD = step.barkod;
    row.NAZIV = step.naziv;
    row.CENA = step.cena.toDouble();
    row.PORESKA_GRUPA = step.poreskaGrupa;
    m_mirror->insert(row);
    saveMirror();
    goOn();
    return;
  }
  m_state.provera.promenaCene = false;
  if (m_state.provera.mirrorRow >= 0 && m_state.provera.mirrorRow < m_mirror->count()) {
    MirrorArticle row = m_mirror->at(m_state.provera.mirrorRow);
    row.CENA = step.cena.toDouble();
    m_mirror->update(m_state.provera.mirrorRow, row);
  }
  saveMirror();
  goOn();
}

void TransactionEngine::learnFromSale(const ReplyParser::Family4Ack &ack, const Racun &step) {
  if (!m_mirror || !ack.hasArticle)
    return;
  const int flags = ack.articleFlags & 0x07;
  if (flags == 0x07) {
    MirrorArticle row;
    row.KSIFRA = step.sifra;
    row.SIFRA = ack.articleNumber;
    row.BARKOD = step.barkod;
    row.NAZIV = step.naziv;
    row.CENA = step.cena.toDouble();
    row.PORESKA_GRUPA = step.poreskaGrupa;
    m_mirror->insert(row);
    saveMirror();
  } else if (flags == 0x02) {
    const int i = m_mirror->indexOfSifra(ack.articleNumber);
    if (i >= 0) {
      MirrorArticle row = m_mirror->at(i);
      row.CENA = step.cena.toDouble();
      m_mirror->update(i, row);
      saveMirror();
    }
  }
}
