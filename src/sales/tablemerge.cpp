#include "sales/tablemerge.h"

#include "data/tablerepository.h"
#include "engine/userprompt.h"

namespace {
const QString kNeuspelo =
    QStringLiteral("Greska!Spajanje stolova nije uspelo!Proverite da li ste dobro uneli brojeve stolova");
} // namespace

void TableMerge::clear() {
  edtSto1.clear();
  edtSto2.clear();
  meKon1.clear();
  meKon2.clear();
}

bool TableMerge::refuse(const QString &text) {
  m_prompt.messageDialog(QStringLiteral("Greska"), text);
  return false;
}

bool TableMerge::spojiStolove() {
  const QString first = edtSto1.trimmed();
  const QString second = edtSto2.trimmed();
  if (first.isEmpty() || second.isEmpty())
    return refuse(QStringLiteral("Morate uneti brojeve stolova!"));
  bool ok1 = false, ok2 = false;
  const int from = first.toInt(&ok1);
  const int to = second.toInt(&ok2);
  if (!ok1 || !ok2)
    return refuse(kNeuspelo);
  TableRepository tables(m_db);
  const auto w1 = tables.owner(from);
  const auto w2 = tables.owner(to);
  if (!w1 || !w2)
    return refuse(kNeuspelo);
  if (!*w1 || !*w2)
    return refuse(QStringLiteral("Stolovi sa datim brojevima nisu pronadjeni!"));
  // The lines would be renumbered onto themselves and the table freed under them.
  if (from == to)
    return refuse(QStringLiteral("Sto ne moze da se spoji sam sa sobom! Unesite dva razlicita stola."));
  if ((*w1)->sifkonob != (*w2)->sifkonob) {
    // A free table has no code to match, so it never joins another waiter's table.
    const bool confirmed =
        !meKon1.isEmpty() && !meKon2.isEmpty() && meKon1 == (*w1)->code && meKon2 == (*w2)->code;
    if (!confirmed)
      return refuse(QStringLiteral("Stolove drze razliciti konobari. Morate uneti sifre konobara!"));
  }
  const auto merged = tables.mergeTables(from, to, (*w1)->sifkonob, (*w2)->sifkonob);
  if (!merged)
    return refuse(kNeuspelo);
  if (!*merged)
    return refuse(
        QStringLiteral("Stolovi su u medjuvremenu promenjeni na drugoj kasi! Spajanje nije uradjeno."));
  return true;
}
