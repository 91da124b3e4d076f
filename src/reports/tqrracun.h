#pragma once

#include "data/invoicerepository.h"
#include "data/vlasnik.h"

#include <QStringList>

#include <memory>

class BandedReport;

// What the invoice takes from the configuration and the owner file.
struct InvoiceSettings {
  bool letterhead = false; // the letterhead switch: memo.jpg instead of the seller block
  QString databaseDir;     // where memo.jpg and memo_prazno.jpg lie
  int pdv = 2;             // 2: the owner is not registered for VAT
  Vlasnik owner;
};

// The VAT recapitulation of an invoice: every group's base line, then every group's
// tax line, with the amounts beside them.
struct TaxRecapitulation {
  QStringList captions;
  QStringList amounts;
  Money base;
  Money tax;
};

// "RAČUN": the A4 invoice of a stored receipt.
namespace TQRRacun {

// Per tax group from the group's whole gross sum, so that the bases and taxes add up
// to the lines' total to the para.
TaxRecapitulation recapitulation(const QList<InvoiceTaxGroup> &groups);

// The invoice, ready for the preview, the printer or a PDF.
std::shared_ptr<BandedReport> build(const InvoiceData &invoice, const InvoiceSettings &settings);

} // namespace TQRRacun
