#include "data/codelisttablemodel.h"

#include "common/localetext.h"

#include <QSqlRecord>

namespace {

QString titleOf(const QString &table, const QString &column) {
  static const QHash<QString, QString> titles = {
      {QStringLiteral("PARTNER.sifpartner"), QStringLiteral("SIFRA")},
      {QStringLiteral("PARTNER.sifmesto"), QStringLiteral("MESTO")},
      {QStringLiteral("PARTNER.ziro"), QStringLiteral("ZIRO RACUN PARTNERA")},
      {QStringLiteral("MESTO.sifmesto"), QStringLiteral("SIFRA")},
      {QStringLiteral("GRUPA.sifgrupa"), QStringLiteral("SIFRA")},
  };
  return titles.value(table + QLatin1Char('.') + column.toLower(), column.toUpper());
}

} // namespace

CodeListTableModel::CodeListTableModel(Database &db, RecordRules &rules, const QString &table, QObject *parent)
    : RecordTableModel(db, rules, table, parent) {}

bool CodeListTableModel::isAdmin(int column) const {
  return programTable() == QLatin1String("KONOBARI") && column == fieldIndex(QStringLiteral("admin"));
}

bool CodeListTableModel::isRate(int column) const {
  return programTable() == QLatin1String("PORSTOPE") && column == fieldIndex(QStringLiteral("iznos"));
}

bool CodeListTableModel::isReadOnly(int column) const {
  return programTable() == QLatin1String("PORSTOPE") && column == fieldIndex(QStringLiteral("stopa"));
}

QVariant CodeListTableModel::data(const QModelIndex &index, int role) const {
  const int c = index.column();
  if (isAdmin(c)) {
    if (role == Qt::CheckStateRole)
      return RecordTableModel::data(index, Qt::EditRole).toBool() ? Qt::Checked : Qt::Unchecked;
    if (role == Qt::DisplayRole)
      return QVariant();
  }
  if (isRate(c)) {
    if (role == Qt::TextAlignmentRole)
      return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    if (role == Qt::DisplayRole) {
      const QVariant v = RecordTableModel::data(index, Qt::EditRole);
      return v.isNull() ? QString() : LocaleText::money(v.toDouble());
    }
  }
  if (role == Qt::DisplayRole) {
    const QVariant v = RecordTableModel::data(index, role);
    return v.typeId() == QMetaType::QString ? QVariant(v.toString().trimmed()) : v;
  }
  return RecordTableModel::data(index, role);
}

bool CodeListTableModel::setData(const QModelIndex &index, const QVariant &value, int role) {
  if (role == Qt::CheckStateRole && isAdmin(index.column()))
    return RecordTableModel::setData(index, value.toInt() == Qt::Checked, Qt::EditRole);
  return RecordTableModel::setData(index, value, role);
}

QVariant CodeListTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < columnCount())
    return titleOf(programTable(), record().fieldName(section));
  return RecordTableModel::headerData(section, orientation, role);
}

Qt::ItemFlags CodeListTableModel::flags(const QModelIndex &index) const {
  Qt::ItemFlags f = RecordTableModel::flags(index);
  if (isReadOnly(index.column()))
    f &= ~Qt::ItemIsEditable;
  return f;
}
