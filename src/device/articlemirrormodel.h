#pragma once

#include "device/articlemirror.h"

#include <QAbstractTableModel>

// The grid over the device article mirror: columns KSIFRA, SIFRA, BARKOD, NAZIV, CENA
// and PORESKA_GRUPA ("POREZ"). Every change of the mirror while a window shows it goes
// through here, so the views hear of each row appended or removed.
class ArticleMirrorModel : public QAbstractTableModel {
  Q_OBJECT
public:
  enum Column { KSIFRA, SIFRA, BARKOD, NAZIV, CENA, PORESKA_GRUPA, ColumnCount };

  explicit ArticleMirrorModel(ArticleMirror &mirror, QObject *parent = nullptr);

  ArticleMirror &mirror() { return m_mirror; }
  const ArticleMirror &mirror() const { return m_mirror; }

  int rowCount(const QModelIndex &parent = {}) const override;
  int columnCount(const QModelIndex &parent = {}) const override;
  QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
  Qt::ItemFlags flags(const QModelIndex &index) const override;
  // Column checks: codes are digits (KSIFRA left-padded with "0" to 13), SIFRA a device
  // number that fits the field, the name at most 36 characters, the price not negative,
  // the tax group 0 to 8. A refused value is not stored. A new SIFRA moves the row.
  bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;

  // --- changes made by the loops and the text file ---
  // Appends in SIFRA order; returns the row's index.
  int insertArticle(const MirrorArticle &row);
  void removeArticle(int row);
  void clearAll();
  // Replaces every row at once.
  void replaceAll(const QList<MirrorArticle> &rows);
  // The rows changed behind the model's back (the article check of a sale, a reload).
  void reload();

  // Reloads "artikli.dat" (the cancel button); a damaged file leaves the rows as they are
  // and gives false with its message.
  bool loadFrom(const QString &path, QString *error = nullptr);

private:
  ArticleMirror &m_mirror;
};
