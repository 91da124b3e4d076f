#pragma once

#include "common/linksettings.h"

#include <QString>

// The workstation's configuration record, one per working directory.
struct SetKonfiguracija {
  int Duzina = 36;                         // article name length in the device's article memory
  int Port = 1;                            // serial port of the device: 1..8 = COM1..COM8
  int Model = 1;                           // 1 Taliro, 2 Menko, 4 Dravo, 5 Selvio (3 is set at run time only)
  QString IBFM = QStringLiteral("000000"); // register number, digits only, up to 20
  int Fioka = 1;                           // cash drawer on the device: 1 = no, 2 = yes
  QString putanjaBaza = QStringLiteral("."); // database directory; also holds the letterheads
  int TipBaze = 1;    // 1 = embedded file (kasa.db), 2 = dBase directory, 3 = PostgreSQL server
  int BarKodPort = 0; // barcode reader: 0 = none, 1..8 = COMn
  int pdv = 2;        // owner registered for VAT: 1 = yes, 2 = no
  int konekcija = 0;  // device link: 0 = serial port, 1 = TCP/IP
  QString IP = QStringLiteral("0.0.0.0");
  int EFTPos = 0;   // card terminal: 0 = none, 1..8 = COMn
  int PrviRed = 0;  // first customer-display line after a receipt: 0 none, 1 free text
  int DrugiRed = 0; // second line: 0 none, 1 free text, 2 date and time
  QString PrviRedTekst;
  QString DrugiRedTekst;
  int Zaokruzi = 0; // model 1: 1 = round line amounts, 0 = truncate them
  int Memo = 0;     // invoices print 1 = letterhead picture, 0 = owner text
  // Folder of the database backups; a relative path lies in the database directory.
  QString putanjaKopija = QStringLiteral("kopije");
  int brojKopija = 30; // backups kept; the oldest beyond these are deleted
  // 1 = training: the till sells on the built-in simulated device into the
  // training database; the real device and database are not touched.
  int Obuka = 0;
  // Printer the order tickets go to without a preview; empty: each ticket is previewed.
  QString StampacNarudzbina;

  bool operator==(const SetKonfiguracija &) const = default;

  // The device link's working copies of Model, IBFM, Port and Duzina.
  LinkSettings linkSettings() const;
  // Field texts of the record for messages: empty when every field is in range,
  // otherwise the names of the fields that are not.
  QStringList invalidFields() const;
};

// Loads and saves the record in Konfiguracija.dat (JSON with a format version).
class KonfiguracijaStore {
public:
  static constexpr const char *kFileName = "Konfiguracija.dat";

  struct LoadResult {
    SetKonfiguracija record;
    bool fromFile = false; // false: built-in defaults (no file, or a damaged one)
    QString error;         // clear message when the file or some of its fields could not be used
  };

  // Missing file: defaults, no error. Damaged or unreadable file: defaults and
  // a message. A field of the wrong type or out of range: that field's default
  // and a message naming it, the other fields as stored. The file is left as it
  // is until the user saves.
  static LoadResult load(const QString &directory);
  // Atomic: a crash or full disk leaves the previous file whole.
  static bool save(const QString &directory, const SetKonfiguracija &record, QString *error = nullptr);

  static QByteArray toJson(const SetKonfiguracija &record);
  // "Model: 1 -> 4" for every field whose value differs, in the file's field order.
  static QStringList differences(const SetKonfiguracija &before, const SetKonfiguracija &after);
  // Fields missing from the text keep their defaults, and so do fields that
  // cannot be used (named in error); text that is no record gives fromFile false.
  static LoadResult fromJson(const QByteArray &json);
};
