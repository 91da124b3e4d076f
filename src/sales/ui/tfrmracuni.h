#pragma once

#include "reports/tqrracun.h"

#include <QDialog>

#include <functional>
#include <memory>
#include <optional>

class BandedReport;
class Invoices;
class QLabel;
class QPushButton;
class QTableView;
class TfrmRate;

// "Racuni": the stored receipts newest first, their invoice fields for editing,
// the partner pick, the instalments and the A4 invoice.
class TfrmRacuni : public QDialog {
  Q_OBJECT
public:
  explicit TfrmRacuni(Invoices &invoices, QWidget *parent = nullptr);

  // The code lists in partner pick mode: the chosen code, or empty. The button
  // shows every partner (clearFilter); F5 in the grid keeps the last search. Unset
  // while the code lists cannot pick.
  std::function<QString(bool clearFilter)> pickPartner;
  // The configuration and the owner file for the invoice; nothing (and error set)
  // when the owner file cannot be read.
  std::function<std::optional<InvoiceSettings>(QString *error)> invoiceSettings;
  // The modal print preview.
  std::function<void(std::shared_ptr<BandedReport>)> showReport;
  // The program's message dialog.
  std::function<void(const QString &title, const QString &text)> message;

  // Shown modally from the sale screens (F9).
  void open();

  QTableView *DBGrid1 = nullptr;        // receipts
  QLabel *lblStavke = nullptr;          // "STAVKE RACUNA"
  QTableView *DBGrid2 = nullptr;        // lines
  QPushButton *BitBtn1 = nullptr;       // print
  QPushButton *btnSifPartner = nullptr; // PARTNERI (F5)
  QPushButton *BitBtn2 = nullptr;       // DOSPECE(F8)
  TfrmRate *frmRate = nullptr;

  void BitBtn1Click();
  void btnSifPartnerClick();
  // F5 in the receipts grid: the pick with the partners' search kept.
  void pickFromGrid();
  void BitBtn2Click();

protected:
  bool eventFilter(QObject *watched, QEvent *event) override;
  void keyPressEvent(QKeyEvent *event) override;
  void showEvent(QShowEvent *event) override;
  void done(int result) override;

private:
  void bindModels();
  void selectRow(int row);
  // Back from a window shown over this one: active again, the cursor in the receipts.
  void takeFocusBack();
  void pick(bool clearFilter);

  Invoices &m_invoices;
  bool m_moving = false;
};
