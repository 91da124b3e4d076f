#pragma once

#include <QDialog>

#include <functional>

class ArticleMirrorModel;
class ArticleSync;
class QLabel;
class QPushButton;
class QTableView;

// TfrmArt ("Artikli"): the device article mirror in a grid, and the buttons that read
// the device into it, write it to the device, exchange it with the text file, empty the
// device and (model 4) set the computer's clock from the device. A thin view over
// ArticleSync: while a loop runs every button is disabled and the pointer is the hourglass.
class TfrmArt : public QDialog {
  Q_OBJECT
public:
  TfrmArt(ArticleSync &sync, ArticleMirrorModel &model, QWidget *parent = nullptr);
  ~TfrmArt() override;

  QTableView *grid = nullptr;
  QPushButton *BtnFirst = nullptr, *BtnPrior = nullptr, *BtnNext = nullptr, *BtnLast = nullptr;
  QLabel *LblCount = nullptr;
  QPushButton *BtnPromeni = nullptr;   // "OK"
  QPushButton *BtnPonisti = nullptr;   // "Otkaz"
  QPushButton *BtnWrite = nullptr;     // "Upis"
  QPushButton *BtnKasaRead = nullptr;  // "Citanje iz kase"
  QPushButton *BtnKasaWrite = nullptr; // "Upis iz tabele"
  QPushButton *BtnKWriteAll = nullptr; // "Upis svih artikala"
  QPushButton *BtnKEmpty = nullptr;    // "Isprazni kasu"
  QPushButton *BtnFileWrite = nullptr; // "Upis u fajl"
  QPushButton *BtnFileRead = nullptr;  // "Citanje iz fajla"
  QPushButton *BtnSync = nullptr;      // "Sinhronizacija", model 4 only

  // The ten buttons, in the order above.
  QList<QPushButton *> buttons() const;
  // Where the file dialogs are asked (tests answer here): save or open, the name proposed;
  // an empty answer cancels.
  std::function<QString(bool save, const QString &proposed)> chooseFile;
  // "artikli.dat", reloaded by "Otkaz".
  void setMirrorPath(const QString &path) { m_mirrorPath = path; }
  // The engine gave the hourglass up (its watchdog).
  void restoreCursor();

protected:
  void showEvent(QShowEvent *event) override;
  void done(int result) override;

private:
  void setButtonsEnabled(bool on);
  void setBusyCursor(bool on);
  void postPendingEdit();
  void goToRow(int row);
  QString askFile(bool save);

  ArticleSync &m_sync;
  ArticleMirrorModel &m_model;
  QString m_mirrorPath;
  bool m_waitCursor = false;
};
