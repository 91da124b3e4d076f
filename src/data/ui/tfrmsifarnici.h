#pragma once

#include "data/codelistmaintenance.h"
#include "data/ui/maintenancehost.h"

#include <QDialog>

#include <functional>
#include <optional>

class Database;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QStandardItemModel;
class QTabWidget;
class QTableView;
class RecordGrid;
class RecordRules;

// "Sifrarnici": partners, places, waiters, tables, groups and tax rates, each in its
// grid. Opened from the main menu it edits them (maintain); the invoices window uses
// it as a partner picker (pickPartner). Every post goes through the record rules;
// imports and reads from the device replace a table whole or not at all.
class TfrmSifarnici : public QDialog {
  Q_OBJECT
public:
  TfrmSifarnici(Database &db, RecordRules &rules, QWidget *parent = nullptr);
  ~TfrmSifarnici() override;

  // The program's message dialog and file chooser.
  MaintenanceHost host;
  // The waiter code window in its code-setting mode, starting with the current code;
  // the new code (trimmed, checked for its length), or nothing when cancelled.
  std::function<std::optional<QString>(const QString &currentCode)> askCode;
  // "Citanje iz kase" of the waiters and of the tax rates (the device reads).
  std::function<void()> readOperators, readTaxRates;

  // The main menu's "&SIFRARNICI": every grid editable, shown modally.
  void maintain();
  // The invoices window's partner picker: shown modally, the chosen partner's code.
  std::optional<QString> pickPartner();
  // Set the mode before showing.
  void setPickMode(bool pick);
  bool pickMode() const { return m_pick; }
  // The partner code chosen in pick mode, kept until the caller clears it.
  QString handBack() const { return m_handBack; }
  void clearHandBack() { m_handBack.clear(); }

  // The device reads give their buttons back (and take them while a request is out).
  void setOperatorReadEnabled(bool on);
  void setTaxReadEnabled(bool on);

  RecordGrid *grid(const QString &table) const;

  QTabWidget *pageSifarnici = nullptr;
  QTableView *DBGridPartner = nullptr, *DBGridMesto = nullptr, *DBGridKonobari = nullptr,
             *DBGridStolovi = nullptr, *DBGridGrupa = nullptr, *DBGridStope = nullptr;
  QLineEdit *EdtTraziPartner = nullptr;
  QComboBox *DBLookupComboBox1 = nullptr; // the place look-up over the partner's SIFMESTO
  QCheckBox *CheckBox1 = nullptr;         // the administrator check box over ADMIN
  QGroupBox *GroupGrupe = nullptr, *GroupStope = nullptr;
  QPushButton *BtnPartnerCSV = nullptr, *BtnMestoCSV = nullptr, *BtnOperaterCSV = nullptr,
              *BtnStoloviCSV = nullptr, *BtnCSVGrupe = nullptr;
  QPushButton *BtnSetPass = nullptr, *BtnOperaterRead = nullptr, *BtnPorezRead = nullptr,
              *BtnDefault = nullptr;

  // Handlers of the buttons, public for the tests.
  void importClick(CodeList list);
  void BtnSetPassClick();
  void BtnOperaterReadClick();
  void BtnPorezReadClick();
  void BtnDefaultClick();

protected:
  void showEvent(QShowEvent *event) override;
  void done(int result) override;
  bool eventFilter(QObject *watched, QEvent *event) override;

private:
  void searchChanged();
  void choose();
  void fillPlaces();
  void placeLookupChanged();
  // Closing in edit mode: pending rows posted, then at least one administrator.
  bool mayClose();
  void report(const MaintenanceOutcome &outcome);
  QList<RecordGrid *> grids() const;

  Database &m_db;
  RecordRules &m_rules;
  CodeListMaintenance m_maintenance;
  RecordGrid *m_partner = nullptr, *m_mesto = nullptr, *m_konobari = nullptr, *m_stolovi = nullptr,
             *m_grupa = nullptr, *m_stope = nullptr;
  QStandardItemModel *m_places = nullptr;
  bool m_pick = false;
  QString m_handBack;
};
