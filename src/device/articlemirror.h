#pragma once

#include <QList>
#include <QString>

// One article of the device's memory as the program mirrors it.
struct MirrorArticle {
  QString KSIFRA; // program's article code (13 digits); after a device read: the barcode read back
  int SIFRA = 0;  // number in the device's article memory
  QString BARKOD;
  QString NAZIV;
  double CENA = 0;
  int PORESKA_GRUPA = 0; // tax group 0..8
};

// setArtikli: the program's copy of the device's article memory, always ordered
// by SIFRA (rows with equal SIFRA keep their insertion order), stored as the
// working directory's "artikli.dat".
class ArticleMirror {
public:
  static QString defaultFileName() { return QStringLiteral("artikli.dat"); }

  int count() const { return int(m_rows.size()); }
  bool isEmpty() const { return m_rows.isEmpty(); }
  const QList<MirrorArticle> &rows() const { return m_rows; }
  const MirrorArticle &at(int index) const { return m_rows.at(index); }

  void clear() { m_rows.clear(); }
  // Inserts in SIFRA order after any rows with the same SIFRA; returns the row's index.
  int insert(const MirrorArticle &row);
  // Replaces a row; the row moves when its SIFRA changed. Returns the new index.
  int update(int index, const MirrorArticle &row);
  void removeAt(int index);
  // First row with this SIFRA, or -1.
  int indexOfSifra(int sifra) const;
  // Highest SIFRA, or -1 for an empty mirror.
  int lastSifra() const { return m_rows.isEmpty() ? -1 : m_rows.last().SIFRA; }

  // Writes the mirror atomically (the old file stays whole when writing fails).
  // False with a message in errorText() when the file cannot be written.
  bool save(const QString &path);
  // Loads the file. A missing file gives an empty mirror and true. A damaged one
  // gives an empty mirror, false and a message in errorText(); the file is left untouched.
  bool load(const QString &path);
  QString errorText() const { return m_error; }

private:
  QList<MirrorArticle> m_rows;
  QString m_error;
};
