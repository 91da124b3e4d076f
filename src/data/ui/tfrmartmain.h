#pragma once

#include "data/articlemaintenance.h"
#include "data/ui/maintenancehost.h"

#include <QDialog>

#include <functional>

class ArticleTableModel;
class Database;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSqlQueryModel;
class QTableView;
class QToolButton;
class RecordRules;
class TFrmCene;
class TfrmSastavnica;

// "Artikli": the article table in a grid, for maintenance (editing in place,
// the maintenance buttons) or as a picker for the sale screens (Enter hands
// the code back). Every post goes through the record rules.
class TfrmArtMain : public QDialog {
  Q_OBJECT
public:
  TfrmArtMain(Database &db, RecordRules &rules, QWidget *parent = nullptr);
  ~TfrmArtMain() override;

  MaintenanceHost host;
  // The device article window's list, for "Preuzmi artikle".
  std::function<QList<DeviceArticleRow>()> deviceArticles;
  // Opens the turnover window for its export; empty until that window exists.
  std::function<void()> showTurnover;

  // The main menu's "&ARTIKLI": editing on, shown modally.
  void maintain();
  // A sale screen's F5: shown modally for picking; the chosen code, or empty.
  QString pick();
  // Set the mode before showing (pick: no editing, whole-row selection).
  void setPickMode(bool pick);
  bool pickMode() const { return m_pick; }
  // The code chosen in pick mode, kept until the caller clears it.
  QString handBack() const { return m_handBack; }
  void clearHandBack() { m_handBack.clear(); }

  // A code from the barcode reader while the window shows.
  void barcodeRead(const QString &code);

  ArticleTableModel *model() const { return m_model; }
  TFrmCene *cene() const { return m_cene; }
  TfrmSastavnica *sastavnica() const { return m_sastavnica; }

  QTableView *DBGrid1 = nullptr;
  QComboBox *DBLookupComboBox1 = nullptr;
  QLineEdit *EditTrazi = nullptr;
  QLineEdit *edtTraziSifra = nullptr;
  QLineEdit *edtTraziBarkod = nullptr;
  QToolButton *navFirst = nullptr, *navPrior = nullptr, *navNext = nullptr, *navLast = nullptr,
              *navInsert = nullptr, *navDelete = nullptr;
  QPushButton *btnAFSave = nullptr;      // Izvoz u CSV
  QPushButton *btnAFLoad = nullptr;      // Uvoz iz CSV
  QPushButton *BtnPrometSave = nullptr;  // Izvoz prometa u CSV
  QPushButton *BtnSastavnica = nullptr;  // Sastavnica
  QPushButton *BtnPrenesi = nullptr;     // Preuzmi artikle
  QPushButton *BitBtn1 = nullptr;        // Prijem robe
  QPushButton *BtnPromenaCena = nullptr; // Promena cena
  QLabel *lblStatus = nullptr;

  // Handlers of the buttons, public for the tests.
  void btnAFSaveClick();
  void btnAFLoadClick();
  void BitBtn1Click();
  void BtnPromenaCenaClick();
  void BtnSastavnicaClick();
  void BtnPrenesiClick();
  void BtnPrometSaveClick();

  // The row the grid's cursor is on, or -1.
  int currentRow() const;
  void setCurrentRow(int row);

protected:
  bool eventFilter(QObject *watched, QEvent *event) override;
  void showEvent(QShowEvent *event) override;
  void done(int result) override;

private:
  void prepareModel();
  void releaseModels();
  void searchChanged(int column);
  // Leaving a row: an untouched new row is dropped, an edited one posted; false = refused.
  bool leaveRow(int row);
  bool postPending();
  void choose();
  void deleteCurrent(bool ask);
  void insertRow();
  void placeGroupLookup();
  void reloadAfter(const MaintenanceOutcome &outcome, bool tellSuccess);

  Database &m_db;
  RecordRules &m_rules;
  ArticleMaintenance m_maintenance;
  ArticleTableModel *m_model = nullptr;
  QSqlQueryModel *m_groups = nullptr;
  TFrmCene *m_cene = nullptr;
  TfrmSastavnica *m_sastavnica = nullptr;
  bool m_pick = false;
  bool m_moving = false; // the cursor is being put back after a refused post
  QString m_handBack;
};
