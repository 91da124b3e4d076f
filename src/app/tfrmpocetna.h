#pragma once

#include <QWidget>

#include <functional>

class QPushButton;

// The start window (the program's main window): "&KASA" and "&KONFIGURACIJA".
class TfrmPocetna : public QWidget {
  Q_OBJECT
public:
  explicit TfrmPocetna(QWidget *parent = nullptr);

  QPushButton *BtnProdesk = nullptr;
  QPushButton *BtnKonfihuracija = nullptr;

  // The operator came in through the restaurant button; the engine keeps the
  // other flags of the start window.
  bool rezimRestoran = false;

  void clearFields();

  std::function<void()> BtnProdeskClick;
  std::function<void()> BtnKonfihuracijaClick;
  // Program end; false keeps the window open.
  std::function<void()> FormClose;

protected:
  void closeEvent(QCloseEvent *event) override;
  // Enter presses the button that has the focus, as in the dialogs.
  void keyPressEvent(QKeyEvent *event) override;
};
