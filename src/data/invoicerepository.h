#pragma once

#include "common/money.h"
#include "data/dbresult.h"
#include "data/receiptrepository.h"

#include <QDate>
#include <QList>
#include <QString>

#include <optional>

class Database;

// One sold line as the invoice prints it: with the article's unit and the tax
// group's rate (none when the group is not in PORSTOPE).
struct InvoiceLine {
  QString sifra;
  QString naziv;
  QString jm;
  Money cena;
  Quantity prodato;
  Money iznos;
  int stopa = 0;
  std::optional<double> rate; // percent
};

// A RATE row of the receipt: an instalment or a payment.
struct InvoicePayment {
  int nacin = 0;
  Money iznos;
};

// A tax group of the receipt's lines with its rate and the sum of its line amounts.
struct InvoiceTaxGroup {
  int stopa = 0;
  double rate = 0; // percent
  Money gross;
};

// The partner's data for the buyer block.
struct InvoiceBuyer {
  QString adresa;
  QString mesto; // PTT and place name; empty when the place code is not found
  QString pib;
  QString ziro;
};

// A stored receipt with everything its invoice prints.
struct InvoiceData {
  ReceiptId id;
  QString brojDok;
  QString nazivKupca;
  QString sifPartner;
  QDate datum;
  qint64 brfisis = 0;
  std::optional<int> rok;
  std::optional<QString> oslprom;
  QString clan;
  QList<InvoiceLine> lines;
  QList<InvoicePayment> payments;
  // Ordered by tax group; groups missing from PORSTOPE have no rate and are left out.
  QList<InvoiceTaxGroup> taxGroups;
  // Set when SIFPARTNER names a stored partner (codes compared ignoring case).
  std::optional<InvoiceBuyer> partner;

  Money total() const;
};

// Reads a stored receipt for its invoice: RACUNI, PRODATO, RATE, PORSTOPE,
// ARTIKLI, PARTNER and MESTO.
class InvoiceRepository {
public:
  explicit InvoiceRepository(Database &db) : m_db(db) {}

  // Nothing when the receipt has no RACUNI row.
  DbResult<std::optional<InvoiceData>> read(ReceiptId id);

private:
  DbResult<> readLines(InvoiceData &data);
  DbResult<> readPayments(InvoiceData &data);
  DbResult<> readPartner(InvoiceData &data);

  Database &m_db;
};
