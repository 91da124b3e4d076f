#include "sales/tableorders.h"

#include "data/auditjournal.h"
#include "data/database.h"
#include "device/deviceprofile.h"
#include "sales/articlelookup.h"
#include "sales/entryrules.h"

namespace {
const QString kNormal = QStringLiteral("NORMAL");
const QString kPonistavanje = QStringLiteral("PONISTAVANJE");
const QString kPogresanBroj = QStringLiteral("POGRESAN BROJ");
const QString kNemogucaIspravka = QStringLiteral("NEMOGUCA ISPRAVKA");
const Quantity kOne = Quantity::fromUnits(Quantity::kScale);
} // namespace

TableOrders::TableOrders(Database &db, ArticleLookup &articles, QObject *parent)
    : QObject(parent), m_db(db), m_articles(articles), m_tables(db) {
  setKolicina(kOne);
}

void TableOrders::setKolicina(Quantity q) {
  m_kol = q;
  m_kolText = q.text();
}

DbResult<> TableOrders::open(int brstola, const Waiter &waiter) {
  const auto last = m_tables.lastRound(brstola);
  if (!last)
    return last.failure();
  m_brstola = brstola;
  m_waiter = waiter;
  ListTure.clear();
  for (int r = 1; r <= *last + 1; ++r)
    ListTure << QString::number(r);
  m_round = *last + 1;
  lblNar = QStringLiteral("NARUDZBINE NA STOLU BROJ ") + QString::number(brstola);
  cbKuhinja = cbBar = cbGost = true;
  rezimNarudzbine = kNormal;
  lblPonistavanjeVisible = false;
  edtUnosRest.clear();
  edtStatusRest.clear();
  setKolicina(kOne);
  const auto loaded = reloadLines();
  emit changed();
  emit focusEntry();
  return loaded;
}

DbResult<> TableOrders::reloadLines() {
  auto lines = m_tables.roundLines(m_brstola, m_round);
  if (!lines) {
    m_lines.clear();
    return lines.failure();
  }
  m_lines = std::move(*lines);
  return {};
}

void TableOrders::selectRound(int index) {
  if (index < 0 || index >= ListTure.size())
    return;
  m_round = index + 1;
  if (const auto loaded = reloadLines(); !loaded)
    edtStatusRest = loaded.error();
  emit changed();
  emit focusEntry();
}

Money TableOrders::amountOf(Quantity q, Money price) const {
  const auto amount = EntryRules::codeLineAmount(q, price, DeviceProfile::of(m_model), m_zaokruzi);
  if (!amount)
    throw NumberError{};
  return *amount;
}

void TableOrders::unos() {
  interpret(edtUnosRest);
  emit changed();
}

void TableOrders::articlePicked(const QString &code) {
  edtUnosRest = code;
  unos();
}

void TableOrders::artikliKey() {
  if (!pickArticle)
    return;
  const QString code = pickArticle();
  if (!code.isEmpty())
    articlePicked(code);
  else
    emit focusEntry();
}

void TableOrders::interpret(const QString &T) {
  const int r = m_round;
  edtStatusRest.clear();
  lblPonistavanjeVisible = false;
  // Void mode is consumed by this Enter, an empty one too: the label is hidden now,
  // so the mode must not outlive it.
  const bool voiding = rezimNarudzbine == kPonistavanje;
  rezimNarudzbine = kNormal;
  if (T.isEmpty()) {
    emit focusEntry();
    return;
  }
  try {
    const qsizetype L = T.size();
    QString C;
    std::optional<TableLine> chosen; // the line a position names
    if (voiding) {
      bool ok = false;
      const int position = T.trimmed().toInt(&ok);
      if (ok) {
        if (position >= 1 && position <= m_lines.size()) {
          chosen = m_lines[position - 1];
          C = chosen->sifra;
        }
      } else if (L < 8) {
        throw NumberError{}; // a long entry is a barcode, not a position
      }
    } else if (L < 8) {
      C = T;
    }

    const auto found = EntryRules::findArticle(m_articles, T, C, false);
    if (!found) {
      edtUnosRest.clear();
      return;
    }
    const Artikal &art = found->artikal;
    Money amount;
    if (!voiding) {
      amount = amountOf(m_kol, art.cena);
    } else {
      // A void by position takes back the chosen line's quantity; one by barcode the typed
      // quantity of the scanned article. Either only as far as the table still holds it.
      const bool byCode = found->match == EntryRules::Match::Code && chosen;
      const Quantity v = byCode ? chosen->kolicina : m_kol;
      amount = amountOf(v, art.cena);
      const auto total =
          m_tables.articleTotal(m_brstola, byCode ? C : art.sifra).value_or(TableRepository::ArticleTotal{});
      if (total.present && total.kolicina >= v && total.iznos >= amount && !v.isNegative()) {
        setKolicina(-v);
        m_kolText = QStringLiteral("-") + EntryRules::generalText(v);
        amount = -amount;
      } else {
        setKolicina(Quantity());
        m_kolText = QStringLiteral("0");
        edtStatusRest = kNemogucaIspravka;
      }
    }

    if (!m_kol.isZero()) {
      emit beep();
      TableLine line;
      line.brstola = m_brstola;
      line.sifra = art.sifra;
      line.barkod = art.barkod;
      line.naziv = art.naziv;
      line.cena = art.cena;
      line.stopa = art.stopa;
      line.iznos = amount;
      line.kolicina = m_kol;
      line.storno = voiding;
      line.tura = r;
      const auto saved = m_db.inTransaction([&]() -> DbResult<> {
        DB_TRY(m_tables.addLine(line));
        if (!voiding)
          return {};
        return AuditJournal(m_db).append(
            AuditAction::LineVoid,
            QStringLiteral("sto %1, tura %2: %3 %4, kolicina %5, iznos %6")
                .arg(m_brstola)
                .arg(r)
                .arg(art.sifra.trimmed(), art.naziv.trimmed(), m_kol.text(), amount.text()));
      });
      if (!saved)
        edtStatusRest = QStringLiteral("STAVKA NIJE UPISANA: ") + saved.error();
      if (const auto loaded = reloadLines(); !loaded && edtStatusRest.isEmpty())
        edtStatusRest = loaded.error();
    }
    setKolicina(kOne);
    edtUnosRest.clear();
  } catch (const NumberError &) {
    edtStatusRest = kPogresanBroj;
  }
}

void TableOrders::kolicinaKey() {
  if (edtUnosRest.isEmpty()) {
    edtStatusRest = QStringLiteral("Zabranjena operacija!");
    emit changed();
    return;
  }
  if (const auto q = Quantity::parse(EntryRules::cutFive(edtUnosRest))) {
    setKolicina(*q);
    edtUnosRest.clear();
    emit focusEntry();
    emit beep();
  } else {
    edtStatusRest = kPogresanBroj;
  }
  emit changed();
}

void TableOrders::ponistiKey() {
  edtStatusRest.clear();
  lblPonistavanjeVisible = true;
  rezimNarudzbine = kPonistavanje;
  emit focusEntry();
  emit changed();
}

DbResult<QList<OrderTicket>> TableOrders::tickets() {
  QList<OrderTicket> out;
  const QString label = QStringLiteral("Konobar: ") + m_waiter.naziv;
  auto kind = [&](OrderTicket::Kind k, const QString &title, QChar vrsta) -> DbResult<> {
    auto items = m_tables.ticket(m_brstola, m_round, vrsta);
    if (!items)
      return items.failure();
    out.append({k, title, label, std::move(*items), {}});
    return {};
  };
  if (cbKuhinja)
    DB_TRY(kind(OrderTicket::Kind::Kuhinja, QStringLiteral("Narudzbenica za kuhinju"), QLatin1Char('J')));
  if (cbBar)
    DB_TRY(kind(OrderTicket::Kind::Bar, QStringLiteral("Narudzbenica za bar"), QLatin1Char('P')));
  if (cbGost)
    out.append({OrderTicket::Kind::Gost, QStringLiteral("NEFISKALAN ISECAK"), label, {}, m_lines});
  return out;
}
