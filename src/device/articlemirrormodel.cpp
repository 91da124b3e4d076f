#include "device/articlemirrormodel.h"

#include <QLocale>

#include <limits>

namespace {
const int kCodeWidth = 13;
const int kNameWidth = 36;

bool allDigits(const QString &s) {
  for (QChar c : s)
    if (c < QLatin1Char('0') || c > QLatin1Char('9'))
      return false;
  return true;
}
} // namespace

ArticleMirrorModel::ArticleMirrorModel(ArticleMirror &mirror, QObject *parent)
    : QAbstractTableModel(parent), m_mirror(mirror) {}

int ArticleMirrorModel::rowCount(const QModelIndex &parent) const {
  return parent.isValid() ? 0 : m_mirror.count();
}

int ArticleMirrorModel::columnCount(const QModelIndex &parent) const {
  return parent.isValid() ? 0 : ColumnCount;
}

QVariant ArticleMirrorModel::data(const QModelIndex &index, int role) const {
  if (!index.isValid() || index.row() >= m_mirror.count())
    return {};
  if (role == Qt::TextAlignmentRole && (index.column() == SIFRA || index.column() == CENA))
    return QVariant(Qt::AlignRight | Qt::AlignVCenter);
  if (role != Qt::DisplayRole && role != Qt::EditRole)
    return {};
  const MirrorArticle &a = m_mirror.at(index.row());
  switch (index.column()) {
  case KSIFRA:
    return a.KSIFRA;
  case SIFRA:
    return a.SIFRA;
  case BARKOD:
    return a.BARKOD;
  case NAZIV:
    return a.NAZIV;
  case CENA:
    return role == Qt::DisplayRole ? QVariant(QString::number(a.CENA, 'f', 2)) : QVariant(a.CENA);
  case PORESKA_GRUPA:
    return role == Qt::DisplayRole ? QVariant(QString::number(a.PORESKA_GRUPA)) : QVariant(a.PORESKA_GRUPA);
  }
  return {};
}

QVariant ArticleMirrorModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole)
    return {};
  if (orientation == Qt::Vertical)
    return section + 1;
  static const char *const titles[] = {"KSIFRA", "SIFRA", "BARKOD", "NAZIV", "CENA", "POREZ"};
  return section >= 0 && section < ColumnCount ? QString::fromLatin1(titles[section]) : QVariant();
}

Qt::ItemFlags ArticleMirrorModel::flags(const QModelIndex &index) const {
  if (!index.isValid())
    return Qt::NoItemFlags;
  return Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsEditable;
}

bool ArticleMirrorModel::setData(const QModelIndex &index, const QVariant &value, int role) {
  if (!index.isValid() || role != Qt::EditRole || index.row() >= m_mirror.count())
    return false;
  MirrorArticle a = m_mirror.at(index.row());
  const QString text = value.toString().trimmed();
  bool ok = true;
  switch (index.column()) {
  case KSIFRA:
    if (text.size() > kCodeWidth || !allDigits(text))
      return false;
    a.KSIFRA = text.isEmpty() ? QString() : text.rightJustified(kCodeWidth, QLatin1Char('0'));
    break;
  case BARKOD:
    if (text.size() > kCodeWidth || !allDigits(text))
      return false;
    a.BARKOD = text;
    break;
  case SIFRA: {
    const int n = text.toInt(&ok);
    if (!ok || n < 0 || n > std::numeric_limits<qint16>::max())
      return false;
    a.SIFRA = n;
    break;
  }
  case NAZIV:
    if (text.size() > kNameWidth)
      return false;
    a.NAZIV = text;
    break;
  case CENA: {
    const double c = value.typeId() == QMetaType::Double ? value.toDouble() : QLocale().toDouble(text, &ok);
    if (!ok || !(c >= 0) || c > 9999999.99)
      return false;
    a.CENA = c;
    break;
  }
  case PORESKA_GRUPA: {
    const int g = text.toInt(&ok);
    if (!ok || g < 0 || g > 8)
      return false;
    a.PORESKA_GRUPA = g;
    break;
  }
  default:
    return false;
  }
  if (a.SIFRA == m_mirror.at(index.row()).SIFRA) {
    m_mirror.update(index.row(), a);
    emit dataChanged(this->index(index.row(), 0), this->index(index.row(), ColumnCount - 1));
    return true;
  }
  // A new number moves the row to its place in SIFRA order.
  removeArticle(index.row());
  insertArticle(a);
  return true;
}

int ArticleMirrorModel::insertArticle(const MirrorArticle &row) {
  // The place the mirror will give it: after every row with the same or a lower number.
  int at = m_mirror.count();
  if (!m_mirror.isEmpty() && m_mirror.lastSifra() > row.SIFRA) {
    at = 0;
    while (at < m_mirror.count() && m_mirror.at(at).SIFRA <= row.SIFRA)
      ++at;
  }
  beginInsertRows({}, at, at);
  const int index = m_mirror.insert(row);
  endInsertRows();
  return index;
}

void ArticleMirrorModel::removeArticle(int row) {
  if (row < 0 || row >= m_mirror.count())
    return;
  beginRemoveRows({}, row, row);
  m_mirror.removeAt(row);
  endRemoveRows();
}

void ArticleMirrorModel::clearAll() {
  beginResetModel();
  m_mirror.clear();
  endResetModel();
}

void ArticleMirrorModel::replaceAll(const QList<MirrorArticle> &rows) {
  beginResetModel();
  m_mirror.clear();
  for (const MirrorArticle &r : rows)
    m_mirror.insert(r);
  endResetModel();
}

void ArticleMirrorModel::reload() {
  beginResetModel();
  endResetModel();
}

bool ArticleMirrorModel::loadFrom(const QString &path, QString *error) {
  // A damaged file must not cost the rows on screen.
  ArticleMirror loaded;
  if (!loaded.load(path)) {
    if (error)
      *error = loaded.errorText();
    return false;
  }
  replaceAll(loaded.rows());
  return true;
}
