#pragma once

#include "data/konfiguracija.h"

#include <QDialog>

#include <functional>
#include <optional>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class TfrmMemorandum;

// What the configuration window's OK step asks of the program once the record
// is saved: re-open the database and the links and start the device check.
// The program's start window implements it.
class KonfHost {
public:
  enum class LinkResult { Ok, NotOpen, Failed };
  using LinkDone = std::function<void(LinkResult result, const QString &platformError)>;

  virtual ~KonfHost() = default;
  // TDialogMain with "U redu" only.
  virtual void message(const QString &title, const QString &text) = 0;
  // TDialog as it was last left; any button only closes it.
  virtual void deviceMessage(const QString &title, const QString &text) = 0;
  virtual void beep() {}
  // Step 1: kasaProverena and proveraKase cleared.
  virtual void clearCheckFlags() = 0;
  // Step 8: the link's working copies and the port names.
  virtual void refreshLink(const SetKonfiguracija &record) = 0;
  // Step 9: the database with the new directory and kind; false on any failure.
  virtual bool openDatabase(const SetKonfiguracija &record) = 0;
  // Step 10: serial port or TCP connection; done may be called later (TCP).
  virtual void openDeviceLink(const SetKonfiguracija &record, LinkDone done) = 0;
  // Steps 11 and 12: the barcode reader's and the card terminal's ports.
  virtual LinkResult openBarcodePort(const SetKonfiguracija &record, QString *platformError) = 0;
  virtual LinkResult openCardTerminalPort(const SetKonfiguracija &record, QString *platformError) = 0;
  // Step 13: proveraKase set, the check for the model sent.
  virtual void startDeviceCheck(const SetKonfiguracija &record) = 0;
  // Before the record is saved: where its database directory holds the older program's
  // data, offers to move them into kasa.db; the record to save instead when they came over.
  virtual std::optional<SetKonfiguracija> importOlderData(const SetKonfiguracija &record) {
    (void)record;
    return std::nullopt;
  }
  // After the database of the saved record is open: what changed, for the audit journal.
  virtual void configurationChanged(const QStringList &differences) { (void)differences; }
};

// "Podesavanje parametara": edits the configuration record and vlasnik.ini.
// Its controls are the live settings the other parts of the program read.
class TFrmKonf : public QDialog {
  Q_OBJECT
public:
  explicit TFrmKonf(QWidget *parent = nullptr);

  void setHost(KonfHost *host) { m_host = host; }
  // Where Konfiguracija.dat and vlasnik.ini live.
  void setWorkingDirectory(const QString &dir) { m_workDir = dir; }
  QString workingDirectory() const { return m_workDir; }

  // Start-up: the record into the controls; a code without a list entry
  // leaves its control unchanged.
  void loadRecord(const SetKonfiguracija &record);
  // The owner box from vlasnik.ini (emptied first).
  void loadOwner(const QString &text);
  // The controls as a record (step 6's mapping); ok false when the name
  // length is not a whole number.
  SetKonfiguracija recordFromControls(bool *ok = nullptr) const;
  // The record as last saved or loaded.
  const SetKonfiguracija &record() const { return m_record; }

  // The OK step. Returns false when it stopped at a step before the device
  // check (the window stays open either way until the check succeeds). With a
  // TCP link the step goes on when the connection answers; a later OK or the
  // closing of the window drops that continuation.
  bool okStep();
  // Closing the window (OTKAZ, or the device check's success) drops a pending
  // continuation of the OK step.
  void done(int result) override;
  // Model-dependent switch: the rounding box only for "Taliro".
  void applyModelSettings();

  // --- controls ---
  QRadioButton *rbCom = nullptr;
  QRadioButton *rbIP = nullptr;
  QComboBox *CBPort = nullptr;
  QLineEdit *edtIP = nullptr;
  QComboBox *cbBCPort = nullptr;
  QComboBox *cbPos = nullptr;
  QComboBox *cbFioka = nullptr;
  QLineEdit *edtDuzina = nullptr;
  QLineEdit *EdtBaza = nullptr;
  QComboBox *cbTipBaze = nullptr;
  QComboBox *cb1red = nullptr;
  QLineEdit *edt1red = nullptr;
  QComboBox *cb2red = nullptr;
  QLineEdit *edt2red = nullptr;
  QComboBox *CBModel = nullptr;
  QLineEdit *EdtBroj = nullptr;
  QCheckBox *cbZaokruzi = nullptr;
  QCheckBox *cbObuka = nullptr; // training on the simulated device
  // Where order tickets go: the preview (first entry) or a printer, listed or typed.
  QComboBox *cbStampacNar = nullptr;
  QPlainTextEdit *reVlasnik = nullptr;
  QComboBox *cbPDV = nullptr;
  QCheckBox *cbMem = nullptr;
  QPushButton *BitBtn3 = nullptr; // "Memorandum"
  QPushButton *BitBtn1 = nullptr; // "OK"
  QPushButton *BitBtn2 = nullptr; // "OTKAZ"

  static int modelFromIndex(int index);
  static int indexFromModel(int model);

signals:
  void okStepFinished(bool reachedDeviceCheck);

protected:
  void showEvent(QShowEvent *event) override;
  void keyPressEvent(QKeyEvent *event) override;

private:
  void rbIPClick();
  void CBModelChange();
  void cbZaokruziClick();
  void linkOpened(quint64 attempt, const SetKonfiguracija &rec, KonfHost::LinkResult result,
                  const QString &platformError);
  void finishAfterLink(const SetKonfiguracija &rec);
  static const QString &unsupported();

  KonfHost *m_host = nullptr;
  QString m_workDir = QStringLiteral(".");
  SetKonfiguracija m_record;
  TfrmMemorandum *m_memorandum = nullptr;
  enum class OkState { Idle, WaitingForLink, Stopped, CheckStarted };
  OkState m_okState = OkState::Idle;
  quint64 m_okAttempt = 0; // the OK step whose link answer is awaited
};
