#include "sales/ui/retailgridmodel.h"

#include "sales/retailsale.h"

RetailGridModel::RetailGridModel(RetailSale &sale, QObject *parent)
    : QAbstractTableModel(parent), m_sale(sale) {
  connect(&sale, &RetailSale::rowChanged, this, [this](int row) {
    if (row >= 1 && row < RetailSale::kRows)
      emit dataChanged(index(row - 1, 0), index(row - 1, 6));
  });
}

int RetailGridModel::rowCount(const QModelIndex &parent) const {
  return parent.isValid() ? 0 : RetailSale::kRows - 1;
}

int RetailGridModel::columnCount(const QModelIndex &parent) const {
  return parent.isValid() ? 0 : 7;
}

QVariant RetailGridModel::data(const QModelIndex &index, int role) const {
  if (!index.isValid() || index.row() >= RetailSale::kRows - 1 || index.column() >= 7)
    return {};
  if (role == Qt::DisplayRole)
    return m_sale.cell(index.row() + 1, index.column());
  if (role == Qt::TextAlignmentRole && (index.column() == 0 || index.column() >= 4))
    return int(Qt::AlignRight | Qt::AlignVCenter);
  return {};
}

QVariant RetailGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole || orientation != Qt::Horizontal || section < 0 || section >= 7)
    return {};
  return RetailSale::headers().value(section);
}
