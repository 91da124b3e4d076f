#pragma once

#include "data/articlerepository.h"
#include "data/recordtablemodel.h"

// ARTIKLI as the articles window shows it: the grid's titles, prices with 2
// decimals and stock with 3 in the locale's format, right-aligned; the three
// search boxes; sorting by a column title.
class ArticleTableModel : public RecordTableModel {
  Q_OBJECT
public:
  ArticleTableModel(Database &db, RecordRules &rules, QObject *parent = nullptr);

  // Column numbers, in the grid's order.
  enum Column { Sifra, Barkod, Naziv, Cena, Stopa, Jm, Lager, Vrsta, SifGrupa, MinLag, ColumnCount };

  QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

  // Filters by the three boxes (name contains, code and barcode begin with; empty
  // boxes left out) and gives the first row whose column of the box typed in
  // (searchedColumn) begins with its text ignoring case; -1 when none.
  int search(const QString &naziv, const QString &sifra, const QString &barkod, Column searchedColumn);
  // The rows shown, in the order shown, for the whole-table operations.
  ArticleScope scope() const;
};
