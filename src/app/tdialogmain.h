#pragma once

#include <QDialog>

class QLabel;
class QPlainTextEdit;
class QPushButton;

// The one box through which the program reports errors, warnings and notices
// and asks yes/no questions. Created once and reused; the caller sets the
// title and text, sets `pitanje` for a question and reads `potvrda` after.
class TDialogMain : public QDialog {
  Q_OBJECT
public:
  explicit TDialogMain(QWidget *parent = nullptr);

  QLabel *Naslov = nullptr;
  QPlainTextEdit *tekst = nullptr;
  QPushButton *Button1 = nullptr; // "U redu"
  QPushButton *Button2 = nullptr; // "Otkaz"

  bool pitanje = false; // question mode; the asking caller clears it again
  int potvrda = 0;      // 1 "U redu", 0 "Otkaz" or closed any other way

  // Shows a notice with the single "U redu" button.
  void poruka(const QString &title, const QString &text);
  // Asks a question; true only for "U redu". Leaves `pitanje` cleared.
  bool pitaj(const QString &title, const QString &text);

  int exec() override;

protected:
  void keyPressEvent(QKeyEvent *event) override;
  void showEvent(QShowEvent *event) override;

private:
  void prepareButtons();
};
