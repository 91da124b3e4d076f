#include "data/articletablemodel.h"

#include "common/localetext.h"

namespace {
const char *const kColumns[] = {"sifra", "barkod", "naziv", "cena",     "stopa",
                                "jm",    "lager",  "vrsta", "sifgrupa", "minlag"};
const char *const kTitles[] = {"SIFRA", "BARKOD", "NAZIV", "CENA",  "STOPA",
                               "JM",    "LAGER",  "VRSTA", "GRUPA", "MIN.LAGER"};
} // namespace

ArticleTableModel::ArticleTableModel(Database &db, RecordRules &rules, QObject *parent)
    : RecordTableModel(db, rules, QStringLiteral("ARTIKLI"), parent) {}

QVariant ArticleTableModel::data(const QModelIndex &index, int role) const {
  const int c = index.column();
  const bool amount = c == Cena || c == Lager || c == MinLag;
  if (role == Qt::TextAlignmentRole && amount)
    return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
  if (role == Qt::DisplayRole && amount) {
    const QVariant v = RecordTableModel::data(index, Qt::EditRole);
    if (v.isNull())
      return QString();
    return c == Cena ? LocaleText::money(v.toDouble()) : LocaleText::quantity(v.toDouble());
  }
  if (role == Qt::DisplayRole) {
    const QVariant v = RecordTableModel::data(index, role);
    return v.typeId() == QMetaType::QString ? QVariant(v.toString().trimmed()) : v;
  }
  return RecordTableModel::data(index, role);
}

QVariant ArticleTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < ColumnCount)
    return QString::fromLatin1(kTitles[section]);
  return RecordTableModel::headerData(section, orientation, role);
}

int ArticleTableModel::search(const QString &naziv, const QString &sifra, const QString &barkod,
                              Column searchedColumn) {
  setSearch({{QStringLiteral("naziv"), naziv, Match::Contains},
             {QStringLiteral("sifra"), sifra, Match::BeginsWith},
             {QStringLiteral("barkod"), barkod, Match::BeginsWith}});
  select();
  const QString typed = searchedColumn == Naziv ? naziv : searchedColumn == Sifra ? sifra : barkod;
  if (typed.isEmpty())
    return rowCount() > 0 ? 0 : -1;
  return locate({{QString::fromLatin1(kColumns[searchedColumn]), typed}}, true);
}

ArticleScope ArticleTableModel::scope() const {
  ArticleScope s{searchCondition(), searchBinds(), {}};
  if (sortColumn() >= 0 && sortColumn() < ColumnCount)
    s.orderBy = QStringLiteral("ORDER BY %1 %2")
                    .arg(QString::fromLatin1(kColumns[sortColumn()]),
                         sortOrder() == Qt::AscendingOrder ? QStringLiteral("ASC") : QStringLiteral("DESC"));
  return s;
}
