#pragma once

#include "data/invoicerepository.h"
#include "data/recordtablemodel.h"

#include <QAbstractTableModel>
#include <QObject>

#include <optional>

class Database;
class RecordMessages;
class RecordRules;

// RACUNI for the invoices window, newest first. Only the invoice fields are
// editable: the amounts, payments and state of a receipt are the fiscal
// journal's and stay as the device confirmed them.
class InvoiceTableModel : public RecordTableModel {
  Q_OBJECT
public:
  InvoiceTableModel(Database &db, RecordRules &rules, QObject *parent = nullptr);

  // The grid's columns in their order, by column name.
  static const QStringList &shownColumns();
  static bool isEditable(const QString &column);

  Qt::ItemFlags flags(const QModelIndex &index) const override;
  QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
  bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

protected:
  QString orderByClause() const override;
};

// The read-only lines of the selected receipt ("STAVKE RACUNA").
class InvoiceLinesModel : public QAbstractTableModel {
  Q_OBJECT
public:
  enum Column { Sifra, Naziv, Cena, Stopa, Kolicina, Iznos, ColumnCount };
  using QAbstractTableModel::QAbstractTableModel;

  void load(const QList<SoldLine> &lines);
  int rowCount(const QModelIndex &parent = {}) const override;
  int columnCount(const QModelIndex &parent = {}) const override;
  QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
  QList<SoldLine> m_lines;
};

// RATE of one receipt for the instalments window. Instalments may be added to a
// completed receipt; rows already stored (the payments the device confirmed
// among them) and every row of an unfinished receipt stay as they are.
class InstalmentTableModel : public RecordTableModel {
  Q_OBJECT
public:
  InstalmentTableModel(Database &db, RecordRules &rules, QObject *parent = nullptr);

  // Shows the instalments of the receipt; completed = its STATUS is 1.
  void showReceipt(std::optional<ReceiptId> receipt, bool completed);
  std::optional<ReceiptId> receipt() const { return m_receipt; }
  bool acceptsNewRows() const { return m_receipt && m_completed; }

  // A new row of the receipt for entry; its index, or -1 when none may be added.
  int appendInstalment();
  // Writes the pending rows. A row the database refuses is discarded; a row the checks
  // refuse ("Redni broj vec postoji!") stays for correction. False when nothing was written.
  bool save();
  bool canDeleteRow(int row) const { return isPendingInsert(row); }

  Qt::ItemFlags flags(const QModelIndex &index) const override;
  QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
  bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
  std::optional<ReceiptId> m_receipt;
  bool m_completed = false;
};

// The invoices window's model (TfrmRacuni): the stored receipts, the lines of the
// one selected, its invoice fields and what printing it needs.
class Invoices : public QObject {
  Q_OBJECT
public:
  Invoices(Database &db, RecordRules &rules, RecordMessages &messages, QObject *parent = nullptr);
  ~Invoices() override;

  // On showing: RACUNI re-read newest first, the first receipt selected.
  void refresh();
  // On closing: a pending edit is saved (a refusal is shown and the edit dropped);
  // the models let go of the connection.
  void close();

  InvoiceTableModel *receipts() const { return m_receipts; }
  InvoiceLinesModel *lines() { return &m_lines; }
  InstalmentTableModel *instalments() const { return m_instalments; }

  int currentRow() const { return m_row; }
  // Selects a receipt; its lines follow.
  void setCurrentRow(int row);
  std::optional<ReceiptId> currentReceipt() const;
  bool currentCompleted() const;

  // Writes the pending edit of the receipt rows; false = refused (shown), edits kept.
  bool save();
  // save(), and on a refusal the edit is dropped (the old "errors ignored").
  void saveIgnoringErrors();

  // The partner chosen in the code lists becomes the current receipt's (the name
  // comes with it); the edit is pending until saved. False = refused (shown).
  bool setPartner(const QString &code);

  // The print checks: the pending edit saved, a receipt selected, a document number
  // present (messages with a beep otherwise); then the receipt as its invoice is read.
  std::optional<InvoiceData> printable();

  // TfrmRate: the current receipt's instalments.
  void showInstalments();
  void closeInstalments();

signals:
  void currentChanged(int row);

private:
  bool refuse(const QString &text);

  Database &m_db;
  RecordRules &m_rules;
  RecordMessages &m_messages;
  InvoiceTableModel *m_receipts = nullptr;
  InstalmentTableModel *m_instalments = nullptr;
  InvoiceLinesModel m_lines;
  int m_row = -1;
};
