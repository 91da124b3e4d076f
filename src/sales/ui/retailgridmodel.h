#pragma once

#include <QAbstractTableModel>

class RetailSale;

// The retail grid (sgArtikli) as a read-only table over the screen model:
// seven visible columns, line rows 1..999 (the header row is the view's header).
class RetailGridModel : public QAbstractTableModel {
  Q_OBJECT
public:
  explicit RetailGridModel(RetailSale &sale, QObject *parent = nullptr);

  int rowCount(const QModelIndex &parent = QModelIndex()) const override;
  int columnCount(const QModelIndex &parent = QModelIndex()) const override;
  QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
  RetailSale &m_sale;
};
