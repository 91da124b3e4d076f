#pragma once

#include "data/codelistrepository.h"

#include <QDateTime>
#include <QDialog>

#include <functional>
#include <memory>

class BandedReport;
class Database;
class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTableView;
class RoundLinesModel;
class TableOrders;

// What the order window needs from the program around it.
struct OrderWindowContext {
  Database *db = nullptr;
  int model = 1;         // Model: the line-amount rule with zaokruzi
  bool zaokruzi = false; // Zaokruzi
  // StampacNarudzbina: the printer the tickets go to without a preview; empty: the preview.
  QString ticketPrinter;
  // F5: the articles window in pick mode; gives the chosen code or nothing.
  std::function<QString()> pickArticle;
  // The clock of the tickets' printing time; the wall clock when unset.
  std::function<QDateTime()> now;
};

// "NARUDZBINA (INS)" of the restaurant screen: the orders window of table brstola for the
// logged-in waiter, shown modally over parent until the waiter closes it (the caller then
// shows the table's total again). False, with nothing shown, when the table's rounds
// cannot be read: the caller says "PROBLEM U TOKU OTVARANJA NARUDZBINA".
bool showNarudzbina(QWidget *parent, int brstola, const Waiter &waiter, const OrderWindowContext &context);

// "Narudzbine": a thin window over TableOrders. Keys of the entry line run the model's
// operations; "Stampa narudzbine" prints the round's tickets.
class TfrmNarudzbina : public QDialog {
  Q_OBJECT
public:
  TfrmNarudzbina(TableOrders &orders, const OrderWindowContext &context, QWidget *parent = nullptr);
  ~TfrmNarudzbina() override;

  TableOrders &orders() { return m_orders; }

  // The order window on screen, if one is: a scanned code goes into its entry line and is
  // entered. False when none is showing.
  static bool deliverScan(const QString &code);
  static TfrmNarudzbina *showing();

  // "Stampa narudzbine".
  void BtnStampaClick();
  // Where a ticket goes: the configured printer, else (or when that fails) the preview.
  // Tests replace it.
  std::function<void(std::shared_ptr<BandedReport>)> showTicket;

  // The key handling of the entry line (edtUnosRestKeyDown); public for tests.
  bool handleKey(int key, Qt::KeyboardModifiers modifiers);

  QLabel *LblNar = nullptr;
  QListWidget *ListTure = nullptr;
  QTableView *DBGridTure = nullptr;
  QLineEdit *edtUnosRest = nullptr;
  QLineEdit *edtKol = nullptr;
  QLineEdit *edtStatusRest = nullptr;
  QLabel *lblPonistavanje = nullptr;
  QCheckBox *cbKuhinja = nullptr, *cbBar = nullptr, *cbGost = nullptr;
  QPushButton *BitBtn1 = nullptr;   // KOLICINA (*)
  QPushButton *BitBtn5 = nullptr;   // PONISTI (-)
  QPushButton *BitBtn4 = nullptr;   // ARTIKLI (F5)
  QPushButton *BtnStampa = nullptr; // Stampa narudzbine

protected:
  bool eventFilter(QObject *watched, QEvent *event) override;
  void showEvent(QShowEvent *event) override;

private:
  void run(void (TableOrders::*op)());
  void refresh();
  void printTicket(std::shared_ptr<BandedReport> report);

  TableOrders &m_orders;
  OrderWindowContext m_context;
  RoundLinesModel *m_lines = nullptr;
};
