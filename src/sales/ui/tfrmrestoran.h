#pragma once

#include <QDialog>

#include <functional>
#include <optional>

class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QStandardItemModel;
class QTableView;
class RestaurantSale;

// "Restoran": the waiter's tables screen. A thin window over RestaurantSale: keys
// and buttons run the model's operations, the grids and fields show its state.
class TfrmRestoran : public QDialog {
  Q_OBJECT
public:
  explicit TfrmRestoran(RestaurantSale &sale, QWidget *parent = nullptr);

  RestaurantSale &sale() { return m_sale; }

  QTableView *DBGridStolovi = nullptr;
  QTableView *DBGridStoStavke = nullptr;
  QLineEdit *edtUnosRest = nullptr;
  QLineEdit *edtStatusRest = nullptr;
  QLabel *lblUkupno = nullptr;
  QLineEdit *edtGotovina = nullptr;
  QLineEdit *edtCek = nullptr;
  QLineEdit *edtKartica = nullptr;
  QLineEdit *edtPovracaj = nullptr;
  QRadioButton *rbt = nullptr; // "Po narudzbinama"
  QRadioButton *rba = nullptr; // "Po artiklima"
  // Hidden: what the card terminal approved.
  QLineEdit *edtBrojKart = nullptr;
  QLineEdit *edtTipKart = nullptr;
  QLineEdit *edtTransakcija = nullptr;

  QPushButton *BitBtn6 = nullptr;        // "ZBIR (ENTER)"
  QPushButton *BitBtn3 = nullptr;        // "NARUDZBINA (INS)"
  QPushButton *BitBtn9 = nullptr;        // "GOTOVINA (+)"
  QPushButton *btnCek = nullptr;         // "CEK (F3)"
  QPushButton *BtnKartica = nullptr;     // "KARTICA (F4)"
  QPushButton *BtnOtvoriSto = nullptr;   // "OTVORI STO (F8)"
  QPushButton *BitBtn2 = nullptr;        // "RACUN (F9)"
  QPushButton *BtnFioka = nullptr;       // "OTVORI FIOKU(F11)"
  QPushButton *BitBtn7 = nullptr;        // "&SPAJANJE STOLOVA"
  QPushButton *BitBtn8 = nullptr;        // "&RASTAVLJANJE"
  QPushButton *BtnIsprazni = nullptr;    // "&ISPRAZNI STO"
  QPushButton *btnOslobodiSto = nullptr; // "&OSLOBODI STO"
  QPushButton *BtnTekst = nullptr;       // "SLOBODAN &TEKST"

  // Esc: the waiter code window (TForm4); the new waiter's RBR, or nothing for "Otkaz",
  // which leaves the screen.
  std::function<std::optional<int>()> askWaiter;

  // The model-dependent screen settings (start window's Podesavanja).
  void applyModel(int model);

  // The key handling of the entry line (edtUnosRestKeyDown); public for tests.
  bool handleKey(int key, Qt::KeyboardModifiers modifiers);

protected:
  bool eventFilter(QObject *watched, QEvent *event) override;
  void showEvent(QShowEvent *event) override;
  void closeEvent(QCloseEvent *event) override;
  void reject() override;

private:
  void run(void (RestaurantSale::*op)());
  void escape();
  void refresh();

  RestaurantSale &m_sale;
  QStandardItemModel *m_tables = nullptr;
  QStandardItemModel *m_lines = nullptr;
  bool m_open = false;
};
