#pragma once

#include "common/money.h"
#include "device/commandbuilder.h"

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QTime>

// The opening step of a receipt: who logs in and when.
struct LoginStep {
  int operater = 0; // operator number in the device
  QDate datum;
  QTime vreme;
};

// One sale or void line as the device needs it.
struct SaleLine {
  bool storno = false; // a void line
  int sifraUKasi = 0;  // article number in the device's memory
  QString sifra;       // article code (void key of family 4)
  QString barkod;      // barcode text
  Quantity kolicina;   // the sign is dropped; a void is told by storno
  Money cena;          // unit price (family 4 only)
  QString naziv;       // article name (family 4 only)
  int poreskaGrupa = 0;
};

// One payment: 0 cash, 1 cheque, 2 card.
struct PaymentStep {
  int nacinPlacanja = 0;
  Money iznosPlacanja;
};

// Receipt, control, report and display commands. Each returns what to send; a command
// that does not exist for the model comes back empty.
class DeviceCommands : public CommandBuilder {
public:
  using CommandBuilder::CommandBuilder;

  // Report types of Izvestaj (family 4).
  enum ReportType {
    Dnevni = 0,
    Presek = 1,
    Periodicni = 2,
    PoArtiklima = 3,
    PoOdeljenjima = 4,
    PoOperaterima = 5
  };

  // Opens a receipt (all families).
  DeviceCommand Prijava(const LoginStep &step) const;
  // Logs an operator in: family 2 sends operator 1 at `now`, family 4 the number given.
  DeviceCommand PrijavaOperatera(int operater, const QDateTime &now) const;
  // A sale line; with family 4 a void line becomes PonistiArt.
  DeviceCommand ProdajaArt(const SaleLine &line) const;
  // Voids a line (family 4 only).
  DeviceCommand PonistiArt(const SaleLine &line) const;
  // A payment (all families).
  DeviceCommand Placanje(const PaymentStep &payment) const;
  // Closes the receipt (families 2 and 4).
  DeviceCommand KrajRacuna() const;
  // Cancels the open receipt (family 4).
  DeviceCommand StornirajRacun() const;
  // Opens the cash drawer (families 1 and 4).
  DeviceCommand OtvoriFioku() const;
  // Device status (family 4).
  DeviceCommand GetStatus() const;
  // Fiscal memory information: number of daily reports stored (family 4).
  DeviceCommand GetFMInfo() const;
  // Fiscal memory check (family 1).
  DeviceCommand CitanjeFM() const;
  // Fiscal memory check (family 2).
  DeviceCommand CitanjeFMMenko() const;
  // A fiscal report (family 4). Periodic: from/to are dates in the locale's short date
  // format (a bad one gives DeviceCommand::error); articles, departments, operators: integers.
  DeviceCommand Izvestaj(int type, const QString &from, const QString &to, const QDate &today) const;
  // Clears the article totals (family 4).
  DeviceCommand IsprazniTotal() const;
  // Non-fiscal text: begin, one line (attribute 0 normal, 1 bold; cut to 32), end (family 4).
  DeviceCommand FreeTextBegin() const;
  DeviceCommand FreeTextPrint(const QString &text, quint8 attribute) const;
  DeviceCommand FreeTextEnd() const;
  // Customer display: line 0 or 1 shows the text (cut to 20); line 2 sends the cursor home (family 4).
  DeviceCommand LcdShow(const QString &text, int line) const;
  // Leaves fiscal printer mode (model 5 only; no reply awaited).
  DeviceCommand IzlazPrinter() const;
  // Device date and time, short frame 0x60 (family 4).
  DeviceCommand DatumVreme() const;
  // Device information, short frame 0x20 (family 4).
  DeviceCommand Info() const;

  // The family-1 date word: (year mod 128) * 512 + month * 32 + day.
  static quint16 dateWord(const QDate &date);
  // The key a family-4 void is packed from: the article code when all digits, else the
  // device article number as text left-padded with spaces to 13.
  static QString voidKey(const SaleLine &line);
  // A periodic-report date as the decimal number yymmdd.
  static qint32 reportDate(const QDate &date);
  // "Losa vrednost ulaznog parametra! Datum mora biti u formatu kao " + today in the short date format.
  static QString badDateText(const QDate &today);
};
