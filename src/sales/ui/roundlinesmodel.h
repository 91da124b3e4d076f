#pragma once

#include <QAbstractTableModel>

class TableOrders;

// DBGridTure: the lines of the selected round, read-only, in their columns
// RBR, BRSTOLA, SIFRA, NAZIV, BARKOD, CENA, KOLICINA, IZNOS, TURA, STOPA, STORNO.
class RoundLinesModel : public QAbstractTableModel {
  Q_OBJECT
public:
  explicit RoundLinesModel(const TableOrders &orders, QObject *parent = nullptr);

  // The lines were read again.
  void reload();

  int rowCount(const QModelIndex &parent = QModelIndex()) const override;
  int columnCount(const QModelIndex &parent = QModelIndex()) const override;
  QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
  const TableOrders &m_orders;
};
