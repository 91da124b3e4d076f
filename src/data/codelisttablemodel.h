#pragma once

#include "data/recordtablemodel.h"

// One code list as its grid shows it: the titles of the window (SIFPARTNER as
// "SIFRA", ...), texts without trailing blanks, tax rates with 2 decimals and a
// read-only STOPA, and ADMIN as a check mark.
class CodeListTableModel : public RecordTableModel {
  Q_OBJECT
public:
  CodeListTableModel(Database &db, RecordRules &rules, const QString &table, QObject *parent = nullptr);

  QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
  bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
  Qt::ItemFlags flags(const QModelIndex &index) const override;

  // The column of a name (case ignored), or -1.
  int column(const QString &name) const { return fieldIndex(name.toLower()); }

private:
  bool isAdmin(int column) const;
  bool isRate(int column) const;
  bool isReadOnly(int column) const;
};
