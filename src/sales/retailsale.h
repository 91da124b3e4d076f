#pragma once

#include "common/money.h"
#include "device/deviceprofile.h"
#include "engine/racun.h"
#include "engine/salescreens.h"
#include "sales/entryrules.h"
#include "sales/salepayments.h"

#include <QObject>
#include <QString>

#include <array>
#include <functional>
#include <vector>

class ArticleLookup;
class Scheduler;
class UserPrompt;

// What the retail screen asks of the device link and the transaction engine.
class RetailEngineCalls {
public:
  virtual ~RetailEngineCalls() = default;
  // Opens the receipt (step 100): the engine's flags krajPoslat and zavrsiRacun
  // cleared, racunUToku, ekranKaseOtvoren and preskociOdgovor set.
  virtual void Prijava(const Racun &stavka) = 0;
  virtual void Provera(const Racun &stavka) = 0;
  // Sends a payment; closeAfter: krajPoslat (the engine closes the receipt once
  // the device accepted it), else zavrsiRacun is cleared.
  virtual void Placanje(const Racun &stavka, bool closeAfter) = 0;
  // Closes the receipt directly (the device books the cash with the closing).
  virtual void KrajRacuna(const Racun &stavka) = 0;
  virtual void StornirajRacun() = 0;
  virtual void OtvoriFioku() = 0;
  virtual void LcdShow(const QString &text, int line) = 0;
  // Model 4 opening: statusIzProdaje set, status requested.
  virtual void GetStatusFromSale() = 0;
  // The screen closed: ekranKaseOtvoren and racunUToku cleared.
  virtual void screenClosed() = 0;
  // Free text starts outside a receipt: racunUToku cleared.
  virtual void freeTextStarting() = 0;
  // The card-terminal wait was abandoned (cekanjePrekinuto), or a new card payment began.
  virtual void setCekanjePrekinuto(bool value) = 0;
  // The unfinished receipt of models 1, 2, 3, 5 when the screen opens; the
  // engine side owns the queries, the device, the dialog and the storno. Returns false
  // when the screen must not open the receipt itself (the engine opens it once the
  // device and the database agree, or an update or storno failed).
  virtual bool resolveUnfinishedReceipt(int year, int &brojRacuna, int &sledeciRed) = 0;
  // select max(brrac)+1 from prodato for the year; 1 when there is none.
  virtual int nextReceiptNumber(int year) = 0;
};

// Settings the screen reads from the configuration's live values.
struct RetailSettings {
  int model = 1;
  bool zaokruzi = false;     // cbZaokruzi
  bool cardTerminal = false; // cbPos is not "NE KORISTI SE"
  bool training = false;     // the status line always says "OBUKA" first

  const DeviceProfile &device() const { return DeviceProfile::of(model); }
};

// TForm2's model: the entry interpreter `unos`, the grid, the amount fields
// and the status line. The window shows this state and maps keys to these
// operations; the engine reaches it through RetailScreen.
class RetailSale : public QObject, public RetailScreen {
  Q_OBJECT
public:
  static constexpr int kRows = 1000; // header row 0, line rows 1..999
  static constexpr int kCols = 8;    // column 7 keeps the tax group, not shown
  static constexpr int kStatusMs = 3000;

  RetailSale(ArticleLookup &articles, RetailEngineCalls &engine, UserPrompt &prompt, Scheduler &scheduler,
             QObject *parent = nullptr);

  void setSettings(const RetailSettings &s) { m_settings = s; }
  const RetailSettings &settings() const { return m_settings; }

  // --- state the window shows ---
  // The amounts are held as values; their fields show them in the locale's format.
  QString edtUnos;
  QString edtKol() const { return m_kol.text(); }
  QString edtIznos() const { return m_iznos.text(); }
  QString edtGotovina() const { return m_pay.gotovina.text(); }
  QString edtCek() const { return m_pay.cek.text(); }
  QString edtKartica() const { return m_pay.kartica.text(); }
  QString edtPovracaj() const { return m_pay.povracaj.text(); }
  QString lblUkupno() const { return m_pay.ukupno.text(); }
  QString edtStatus() const { return m_status; }
  Quantity kolicina() const { return m_kol; }
  void setKolicina(Quantity q) { m_kol = q; }
  Money ukupno() const { return m_pay.ukupno; }
  // The status line as shown: the message, after "OBUKA" while training.
  QString statusLine() const;
  bool lblProveraVisible = false;
  bool lblPonistavanjeVisible = false;
  bool entryEnabled = true;
  int displayLine = 0; // rb0, rb1, rb2

  QString rezimUnosa = QStringLiteral("NORMAL");
  int sledeciRed = 1;
  int redIspravke = 0;
  int brojRacuna = 1;
  int rbrKasira = 1;
  Racun stavkaKase;

  // A card payment is prepared and waits for the terminal (Esc may abandon it).
  bool cardPaymentPending() const { return m_pay.cardPending(); }

  const QString &cell(int row, int col) const { return m_grid[row][col]; }
  static QStringList headers();
  static QString rowLabel(int row);

  // --- operations ---
  // Opening the screen: reset, receipt number, unfinished receipt, Prijava.
  void open(int year, const QDate &today, const QTime &now);
  void close();
  void setEntry(const QString &text) { edtUnos = text; }
  void unos();               // Enter
  void totalAndClose();      // "Zbir (ENTER)"
  void kolicinaKey();        // numeric-pad *
  void preracunajKolicinu(); // numeric-pad /
  void ponistiKey();         // numeric-pad -
  void proveraKey();         // F8
  void unosGotovina();       // numeric-pad +
  void cekKey();             // F3
  void karticaKey();         // F4
  void escapeKey();          // abandon the card-terminal wait (only while one is pending)
  void displejKey();         // F1
  void slobodanTekstKey();   // F2
  void stornoKey();          // F12
  void fiokaKey();           // F11
  void racunKey();           // F9
  // The card terminal (retail screen active): an amount request is answered
  // with the pending card payment; the result sends it or takes it back.
  QString terminalAmountRequested();
  void terminalTransactionStarted();
  void terminalTransactionFailed();
  void terminalResult(bool approved, const QString &cardType, const QString &reference,
                      const QString &cardNumber, bool cekanjePrekinuto);
  // F5: the pick hands back a code, which is then interpreted.
  void articlePicked(const QString &sifra);
  void setStatus(const QString &text);

  // Shows the free-text window (model 4); set by the window layer.
  std::function<void()> showFreeText;
  // Shows the invoices window; empty until it exists.
  std::function<void()> showInvoices;
  // F5: the articles window in pick mode; gives the chosen code or nothing.
  std::function<QString()> pickArticle;

  // --- RetailScreen ---
  bool isVisible() const override { return m_visible; }
  void setVisible(bool v) { m_visible = v; }
  void enableEntryLine() override;
  void takeLastLineOff(bool onlyAboveOne) override;
  void resetAfterReceipt() override;
  void showStatus(const QString &text) override { setStatus(text); }
  void showDatabaseOutage(int waiting) override;
  void loadStoredReceipt(const QList<SoldLine> &lines) override;

  static QString cutFive(const QString &text) { return EntryRules::cutFive(text); }
  static QString generalText(Quantity q) { return EntryRules::generalText(q); }
  static std::optional<Money> codeLineAmount(Quantity q, Money p, const RetailSettings &settings) {
    return EntryRules::codeLineAmount(q, p, settings.device(), settings.zaokruzi);
  }
  static QString padded(const QString &text, int width = 10);

signals:
  void changed(); // any field, label or mode
  void rowChanged(int row);
  void beep();
  void focusEntry();

private:
  struct NumberError {};
  // The typed text as money or a quantity; throws NumberError.
  static Money readMoney(const QString &text);
  static Quantity readQuantity(const QString &text);
  // A quantity typed, computed or weighed, through the five-character cut.
  static Quantity cutQuantity(Quantity q);
  static Money lineAmount(std::optional<Money> amount); // throws NumberError when out of range
  void clearGrid();
  void clearRow(int row);
  void resetFields();
  void addLine(const QString &sifra, const QString &barkod, const QString &naziv, Money cena, int stopa,
               Money amount);
  void interpret(const QString &T);
  void cardOrCheque(int nacin);
  void refreshChange();

  ArticleLookup &m_articles;
  RetailEngineCalls &m_engine;
  UserPrompt &m_prompt;
  Scheduler &m_scheduler;
  RetailSettings m_settings;
  std::vector<std::array<QString, kCols>> m_grid;
  // What columns 4 to 6 of a line row show.
  struct LineValues {
    Quantity kolicina;
    Money cena;
    Money iznos;
  };
  std::vector<LineValues> m_lines;
  Quantity m_kol;
  Money m_iznos;
  SalePayments m_pay{QStringLiteral("ESC")};
  QString m_status;
  QString m_outage; // steps waiting for the server, shown after the status
  quint64 m_statusTask = 0;
  bool m_visible = false;
  Quantity m_voidQty;
  Money m_voidAmount;
};
