#pragma once

#include "engine/userprompt.h"

#include <QDialog>

class QLabel;
class QPlainTextEdit;
class QPushButton;

// The device-error dialog: notice ("OK"), error ("Nastavi", "Zaustavi",
// "Ponovi") and question ("U redu", "Otkaz") modes. Keeps its mode flags and
// `izborGreske` between uses; every caller sets what it needs.
class TDialog : public QDialog {
  Q_OBJECT
public:
  explicit TDialog(QWidget *parent = nullptr);

  QLabel *Naslov = nullptr;
  QPlainTextEdit *tekst = nullptr;
  QPushButton *Button1 = nullptr;    // "U redu"
  QPushButton *Button2 = nullptr;    // "Otkaz"
  QPushButton *BtnErrOk = nullptr;   // "Nastavi"
  QPushButton *BtnErrStop = nullptr; // "Zaustavi"
  QPushButton *BtnRepeat = nullptr;  // "Ponovi"
  QPushButton *BtnOK = nullptr;      // "OK"

  bool rezimObavestenja = false;
  bool rezimGreske = false;
  int odgovor = 0;
  int izborGreske = 1;
  // The model's rule (DeviceProfile): "Zaustavi" shown in error mode, hidden in question mode.
  bool alwaysOffersZaustavi = false;

  int exec() override;
  UserPrompt::DeviceErrorAnswer ask(const UserPrompt::DeviceError &request);

protected:
  void keyPressEvent(QKeyEvent *event) override;

private:
  void arrange();
};
