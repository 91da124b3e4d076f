#pragma once

#include "data/ui/maintenancehost.h"

#include <QDialog>

class ArticleMaintenance;
class Database;
class QLabel;
class QPushButton;
class QTableView;
class QToolButton;
class RecordRules;
class RecordTableModel;

// "Sastavnica": the recipe of one article (SASTAV rows of its code). A
// component code is checked against the articles and brings its name.
class TfrmSastavnica : public QDialog {
  Q_OBJECT
public:
  TfrmSastavnica(Database &db, RecordRules &rules, ArticleMaintenance &maintenance,
                 QWidget *parent = nullptr);

  MaintenanceHost host;
  // Shows the recipe of the article modally.
  void open(const QString &sifra, const QString &naziv);
  void prepare(const QString &sifra, const QString &naziv);

  QLabel *lblArtikal = nullptr;
  QTableView *grid = nullptr;
  QToolButton *navInsert = nullptr, *navDelete = nullptr;
  QPushButton *btnUvoz = nullptr; // "Uvoz iz CSV"

  RecordTableModel *model() const { return m_model; }
  void btnUvozClick();

protected:
  void done(int result) override;

private:
  void insertRow();

  Database &m_db;
  RecordRules &m_rules;
  ArticleMaintenance &m_maintenance;
  RecordTableModel *m_model = nullptr;
  QString m_sifra;
};
