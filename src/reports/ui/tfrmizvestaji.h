#pragma once

#include "reports/ui/reportwindows.h"

#include <QDialog>

#include <functional>

class Database;
class QFrame;
class QLineEdit;
class QPushButton;
class TForm6;
class TfrmPromet;

// The reports menu "Izvestaji": the database reports, and with model 4 the two panels
// of fiscal reports that the device prints from its fiscal memory.
class TfrmIzvestaji : public QDialog {
  Q_OBJECT
public:
  explicit TfrmIzvestaji(QWidget *parent = nullptr);

  // Database reports (kinds 1 to 10) and the lists.
  QPushButton *BtnPromet = nullptr, *BtnPresekStanja = nullptr, *BitBtn1 = nullptr, *BitBtn3 = nullptr,
              *BitBtn2 = nullptr, *BitBtn4 = nullptr, *BitBtn5 = nullptr, *BtnKnjigaKuh = nullptr,
              *BtnKnjigaBar = nullptr, *BitBtn7 = nullptr;
  QPushButton *BtnLagerLista = nullptr, *BtnMinLager = nullptr, *BitBtn8 = nullptr;
  // Fiscal panels.
  QFrame *Panel1 = nullptr, *Panel2 = nullptr;
  QPushButton *BtnDnevni = nullptr, *BitBtn6 = nullptr;
  QLineEdit *EdtOd = nullptr, *EdtDo = nullptr;
  QPushButton *BtnPeriodicni = nullptr, *BtnArtikliFlash = nullptr, *BtnOdeljenja = nullptr,
              *BtnOperateri = nullptr;

  TfrmPromet &promet() { return *m_promet; }
  TForm6 &form6() { return *m_form6; }

  void setDatabase(Database *db);
  // The configured model: width 580 with the fiscal panels for model 4, else 230.
  void setModel(int model);
  int vrstaIzvestaja() const { return m_kind; }

  ReportWindowHooks hooks; // shared with the turnover and best-seller windows
  // The engine's operator log-in and fiscal report command.
  std::function<void(int operatorNumber)> PrijavaOperatera;
  std::function<void(int type, const QString &from, const QString &to)> Izvestaj;

  // The fiscal buttons' work (report type of the device command).
  void fiscalReport(int type);

protected:
  void showEvent(QShowEvent *event) override;

private:
  void datedReport(int kind);
  void stockReport(bool atOrBelowMinimum);

  TfrmPromet *m_promet = nullptr;
  TForm6 *m_form6 = nullptr;
  Database *m_db = nullptr;
  int m_model = 0;
  int m_kind = 0;
};
