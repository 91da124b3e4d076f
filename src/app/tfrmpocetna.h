#pragma once

#include <QWidget>

#include <functional>

class QPushButton;

// The start window (the program's main window): "&KASA" and "&KONFIGURACIJA".
// Its flags are read across the program.
class TfrmPocetna : public QWidget {
  Q_OBJECT
public:
  explicit TfrmPocetna(QWidget *parent = nullptr);

  QPushButton *BtnProdesk = nullptr;
  QPushButton *BtnKonfihuracija = nullptr;

  bool kasaProverena = false;
  bool proveraKase = false;
  bool rezimRestoran = false;
  QString zapocetaOperacija;
  bool rastavljanjePoArtiklima = false;
  bool rastavljanjePoTurama = false;
  bool cekanjePrekinuto = false;
  bool statusIzProdaje = false;

  void clearFields();

  std::function<void()> BtnProdeskClick;
  std::function<void()> BtnKonfihuracijaClick;
  // Program end; false keeps the window open.
  std::function<void()> FormClose;

protected:
  void closeEvent(QCloseEvent *event) override;
};
