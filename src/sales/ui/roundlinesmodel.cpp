#include "sales/ui/roundlinesmodel.h"

#include "sales/tableorders.h"

namespace {
const char *const kColumns[] = {"RBR",      "BRSTOLA", "SIFRA", "NAZIV", "BARKOD", "CENA",
                                "KOLICINA", "IZNOS",   "TURA",  "STOPA", "STORNO"};
constexpr int kColumnCount = int(std::size(kColumns));
} // namespace

RoundLinesModel::RoundLinesModel(const TableOrders &orders, QObject *parent)
    : QAbstractTableModel(parent), m_orders(orders) {}

void RoundLinesModel::reload() {
  beginResetModel();
  endResetModel();
}

int RoundLinesModel::rowCount(const QModelIndex &parent) const {
  return parent.isValid() ? 0 : int(m_orders.DBGridTure().size());
}

int RoundLinesModel::columnCount(const QModelIndex &parent) const {
  return parent.isValid() ? 0 : kColumnCount;
}

QVariant RoundLinesModel::data(const QModelIndex &index, int role) const {
  if (!index.isValid() || index.row() >= rowCount() || index.column() >= kColumnCount)
    return {};
  const TableLine &l = m_orders.DBGridTure().at(index.row());
  if (role == Qt::TextAlignmentRole) {
    const bool number = index.column() != 2 && index.column() != 3 && index.column() != 4;
    return QVariant::fromValue(Qt::Alignment((number ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter));
  }
  if (role != Qt::DisplayRole)
    return {};
  switch (index.column()) {
  case 0:
    return l.rbr;
  case 1:
    return l.brstola;
  case 2:
    return l.sifra;
  case 3:
    return l.naziv;
  case 4:
    return l.barkod;
  case 5:
    return l.cena.text();
  case 6:
    return l.kolicina.text();
  case 7:
    return l.iznos.text();
  case 8:
    return l.tura;
  case 9:
    return l.stopa;
  case 10:
    return l.storno ? 1 : 0;
  }
  return {};
}

QVariant RoundLinesModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole || orientation != Qt::Horizontal || section < 0 || section >= kColumnCount)
    return {};
  return QString::fromLatin1(kColumns[section]);
}
