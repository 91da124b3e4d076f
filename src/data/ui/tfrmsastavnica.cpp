#include "data/ui/tfrmsastavnica.h"

#include "data/articlemaintenance.h"
#include "data/recordtablemodel.h"
#include "data/ui/picklistdelegate.h"

#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QToolButton>

namespace {
// Recipe rows with the window's titles.
class RecipeModel : public RecordTableModel {
public:
  using RecordTableModel::RecordTableModel;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole) {
      const QString name = record().fieldName(section).toLower();
      if (name == QLatin1String("sifsas"))
        return QStringLiteral("SIFRA");
      return name.toUpper();
    }
    return RecordTableModel::headerData(section, orientation, role);
  }
};
} // namespace

TfrmSastavnica::TfrmSastavnica(Database &db, RecordRules &rules, ArticleMaintenance &maintenance,
                               QWidget *parent)
    : QDialog(parent), m_db(db), m_rules(rules), m_maintenance(maintenance) {
  setObjectName(QStringLiteral("frmSastavnica"));
  setWindowTitle(QStringLiteral("Sastavnica"));
  setFixedSize(540, 540);
  lblArtikal = new QLabel(this);
  lblArtikal->setObjectName(QStringLiteral("lblArtikal"));
  lblArtikal->setGeometry(8, 8, 524, 20);
  grid = new QTableView(this);
  grid->setObjectName(QStringLiteral("grid"));
  grid->setGeometry(8, 34, 524, 430);
  grid->setItemDelegate(new PickListDelegate({}, this));
  navInsert = new QToolButton(this);
  navInsert->setText(QStringLiteral("+"));
  navInsert->setGeometry(8, 472, 30, 24);
  navDelete = new QToolButton(this);
  navDelete->setText(QStringLiteral("-"));
  navDelete->setGeometry(40, 472, 30, 24);
  btnUvoz = new QPushButton(QStringLiteral("Uvoz iz CSV"), this);
  btnUvoz->setObjectName(QStringLiteral("btnUvoz"));
  btnUvoz->setGeometry(388, 500, 144, 28);
  btnUvoz->setAutoDefault(false);
  connect(btnUvoz, &QPushButton::clicked, this, &TfrmSastavnica::btnUvozClick);
  connect(navInsert, &QToolButton::clicked, this, [this] { insertRow(); });
  connect(navDelete, &QToolButton::clicked, this, [this] {
    const int row = grid->currentIndex().row();
    if (row >= 0 && m_model->deleteRow(row) && !m_model->post())
      m_model->cancel();
  });
}

void TfrmSastavnica::prepare(const QString &sifra, const QString &naziv) {
  m_sifra = sifra;
  lblArtikal->setText(sifra + QStringLiteral(" - ") + naziv);
  delete m_model;
  m_model = new RecipeModel(m_db, m_rules, QStringLiteral("SASTAV"), this);
  m_model->setBoundFilter(QStringLiteral("UPPER(TRIM(sifra))=UPPER(TRIM(:artikal))"),
                          {{QStringLiteral("artikal"), sifra}});
  m_model->select();
  grid->setModel(m_model);
  grid->hideColumn(m_model->fieldIndex(QStringLiteral("sifra")));
  grid->setItemDelegateForColumn(m_model->fieldIndex(QStringLiteral("naziv")),
                                 PickListDelegate::readOnly(this));
  grid->setColumnWidth(m_model->fieldIndex(QStringLiteral("sifsas")), 90);
  grid->setColumnWidth(m_model->fieldIndex(QStringLiteral("naziv")), 280);
}

void TfrmSastavnica::open(const QString &sifra, const QString &naziv) {
  prepare(sifra, naziv);
  exec();
}

void TfrmSastavnica::insertRow() {
  if (m_model->hasPendingEdits() && !m_model->post())
    return;
  const int row = m_model->appendRow();
  if (row < 0)
    return;
  m_model->setValue(row, QStringLiteral("sifra"), m_sifra);
  grid->setFocus();
  grid->setCurrentIndex(m_model->index(row, m_model->fieldIndex(QStringLiteral("sifsas"))));
}

void TfrmSastavnica::done(int result) {
  commitOpenEditor(grid);
  if (m_model && m_model->hasPendingEdits() && !m_model->post())
    return;
  QDialog::done(result);
  grid->setModel(nullptr); // the model keeps the database connection open
  delete m_model;
  m_model = nullptr;
}

void TfrmSastavnica::btnUvozClick() {
  if (m_model->hasPendingEdits() && !m_model->post())
    return;
  const QString path = host.file(false, QStringLiteral("Sastavnica.CSV"));
  if (path.isEmpty())
    return;
  const auto outcome = m_maintenance.importRecipe(path, m_sifra);
  m_model->select();
  if (!outcome.ok)
    host.tell(outcome.title, outcome.text);
}
