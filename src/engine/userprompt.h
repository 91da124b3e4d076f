#pragma once

#include <QString>
#include <QStringList>

// Every question the engine puts to a person goes through this port. The
// windows implement it with modal dialogs; tests answer from a script. While a
// call is open the engine queues received bytes and handles them after it returns.
class UserPrompt {
public:
  virtual ~UserPrompt() = default;

  // TDialogMain: message dialog with a title and a text; "U redu" only, or
  // "U redu" and "Otkaz" in question mode. Returns potvrda (true = "U redu").
  virtual bool messageDialog(const QString &title, const QString &text, bool question = false) = 0;

  // TDialog, the device-error dialog.
  enum class Mode {
    Notice,  // rezimObavestenja: only "OK"
    Error,   // rezimGreske: "Nastavi", "Ponovi", and "Zaustavi" when showZaustavi
    Question // "U redu" and "Otkaz"
  };
  enum Choice { Nastavi = 1, Zaustavi = 2, Ponovi = 3 };
  struct DeviceError {
    QString naslov; // title ("Greska!", "GRESKA", "Upozorenje!", ...)
    QString tekst;  // message
    Mode mode = Mode::Notice;
    bool showZaustavi = false; // error mode: "Zaustavi" visible (restaurant mode, model 4)
    // Captions of the three error buttons, in the order Nastavi, Zaustavi, Ponovi;
    // model 4 relabels them "Zatvori prethodni", "Storniraj prethodni", "Nastavi dalje".
    QStringList captions{QStringLiteral("Nastavi"), QStringLiteral("Zaustavi"), QStringLiteral("Ponovi")};
  };
  struct DeviceErrorAnswer {
    int izborGreske = Nastavi; // error mode: 1, 2 or 3 by the button pressed
    bool odgovor = false;      // question mode: true = "U redu"
  };
  virtual DeviceErrorAnswer deviceErrorDialog(const DeviceError &request) = 0;
  // Closes the device-error dialog when a reply arrives while it is showing (non-modal uses only).
  virtual void closeDeviceErrorDialog() {}

  // TForm5, the unfinished-receipt dialog (caption "Racun"): the question in red,
  // the receipt's lines (SIFRA, " ARTIKAL", "  KOLICINA", "      CENA"), two or three
  // buttons with the given captions. Returns izbor: 1, 2 or 3 by the button pressed.
  struct UnfinishedReceipt {
    QString tekst;
    QList<QStringList> rows; // 4 columns per row, as NapuniDialogRacun fills them
    QStringList buttons;     // captions of BitBtn1..BitBtn3 that are visible
  };
  virtual int unfinishedReceiptDialog(const UnfinishedReceipt &request) = 0;

  // TUputstvo: the instructions window shown when the device check fails outside the configuration window.
  virtual void showInstructions() = 0;

  // The information "pritisni ENTER za nastavak" with an OK button; returns when closed.
  virtual void pressEnterNotice(const QString &text) = 0;

  virtual void beep() {}
};
