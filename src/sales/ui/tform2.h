#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTableView;
class RetailGridModel;
class RetailSale;
class Scheduler;

// "Kasa": the shop till. A thin window over RetailSale: keys and buttons run
// the model's operations, the fields show its state.
class TForm2 : public QDialog {
  Q_OBJECT
public:
  TForm2(RetailSale &sale, Scheduler &scheduler, QWidget *parent = nullptr);

  RetailSale &sale() { return m_sale; }

  QLineEdit *edtUnos = nullptr;
  QTableView *sgArtikli = nullptr;
  QLabel *lblUkupno = nullptr;
  QLineEdit *edtKol = nullptr;
  QLineEdit *edtIznos = nullptr;
  QLineEdit *edtGotovina = nullptr;
  QLineEdit *edtCek = nullptr;
  QLineEdit *edtKartica = nullptr;
  QLineEdit *edtPovracaj = nullptr;
  QLineEdit *edtStatus = nullptr;
  QLabel *lblProvera = nullptr;
  QLabel *lblPonistavanje = nullptr;
  QRadioButton *rb0 = nullptr;
  QRadioButton *rb1 = nullptr;
  QRadioButton *rb2 = nullptr;

  QPushButton *BitBtn6 = nullptr;    // Zbir (ENTER)
  QPushButton *BitBtn1 = nullptr;    // Kolicina (*)
  QPushButton *BitBtn7 = nullptr;    // Preracunaj kolicinu (/)
  QPushButton *BitBtn5 = nullptr;    // Ponisti (-)
  QPushButton *BitBtn8 = nullptr;    // Gotovina (+)
  QPushButton *BtnDisplay = nullptr; // DISPLEJ (F1)
  QPushButton *BtnTekst = nullptr;   // Slobodan tekst (F2)
  QPushButton *btnCek = nullptr;     // Cek (F3)
  QPushButton *BtnKartica = nullptr; // Kartica (F4)
  QPushButton *BitBtn4 = nullptr;    // Artikli (F5)
  QPushButton *BitBtn3 = nullptr;    // Provera (F8)
  QPushButton *BitBtn2 = nullptr;    // Racun (F9)
  QPushButton *BtnFioka = nullptr;   // Otvori fioku (F11)
  QPushButton *BitBtn9 = nullptr;    // Storno racun (F12)

  // The model-dependent screen settings (start window's Podesavanja).
  void applyModel(int model);

  // The key handling of the entry line (edtUnosKeyDown); public for tests.
  bool handleKey(int key, Qt::KeyboardModifiers modifiers);

protected:
  bool eventFilter(QObject *watched, QEvent *event) override;
  void showEvent(QShowEvent *event) override;
  void hideEvent(QHideEvent *event) override;
  void closeEvent(QCloseEvent *event) override;
  void reject() override;

private:
  void run(void (RetailSale::*op)());
  void refresh();

  RetailSale &m_sale;
  Scheduler &m_scheduler;
  RetailGridModel *m_grid = nullptr;
  bool m_open = false; // opened for a receipt, not yet closed
};
