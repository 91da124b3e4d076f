#include "device/ui/tfrmart.h"

#include "device/articlemirrormodel.h"
#include "engine/articlesync.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QVBoxLayout>

namespace {
// The tax group is chosen from "0" to "8".
class TaxGroupDelegate : public QStyledItemDelegate {
public:
  using QStyledItemDelegate::QStyledItemDelegate;
  QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &, const QModelIndex &) const override {
    auto *box = new QComboBox(parent);
    for (int g = 0; g <= 8; ++g)
      box->addItem(QString::number(g));
    return box;
  }
  void setEditorData(QWidget *editor, const QModelIndex &index) const override {
    static_cast<QComboBox *>(editor)->setCurrentText(index.data(Qt::EditRole).toString());
  }
  void setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const override {
    model->setData(index, static_cast<QComboBox *>(editor)->currentText());
  }
};
} // namespace

TfrmArt::TfrmArt(ArticleSync &sync, ArticleMirrorModel &model, QWidget *parent)
    : QDialog(parent), m_sync(sync), m_model(model) {
  setObjectName(QStringLiteral("TfrmArt"));
  setWindowTitle(QStringLiteral("Artikli"));
  setModal(true);
  resize(860, 560);

  grid = new QTableView(this);
  grid->setObjectName(QStringLiteral("grid"));
  grid->setModel(&m_model);
  grid->setSelectionBehavior(QAbstractItemView::SelectRows);
  grid->setSelectionMode(QAbstractItemView::SingleSelection);
  grid->setItemDelegateForColumn(ArticleMirrorModel::PORESKA_GRUPA, new TaxGroupDelegate(grid));
  grid->verticalHeader()->setDefaultSectionSize(22);
  grid->horizontalHeader()->setSectionResizeMode(ArticleMirrorModel::NAZIV, QHeaderView::Stretch);
  const int widths[] = {110, 60, 110, 290, 90, 60};
  for (int c = 0; c < ArticleMirrorModel::ColumnCount; ++c)
    grid->setColumnWidth(c, widths[c]);

  auto makeButton = [this](const char *name, const QString &caption) {
    auto *b = new QPushButton(caption, this);
    b->setObjectName(QLatin1String(name));
    b->setAutoDefault(false); // Enter in the grid must not start a device loop
    return b;
  };
  BtnFirst = makeButton("BtnFirst", QStringLiteral("|<"));
  BtnPrior = makeButton("BtnPrior", QStringLiteral("<"));
  BtnNext = makeButton("BtnNext", QStringLiteral(">"));
  BtnLast = makeButton("BtnLast", QStringLiteral(">|"));
  for (QPushButton *b : {BtnFirst, BtnPrior, BtnNext, BtnLast})
    b->setFixedWidth(36);
  LblCount = new QLabel(this);
  LblCount->setObjectName(QStringLiteral("LblCount"));
  LblCount->setMinimumWidth(80);

  BtnPromeni = makeButton("BtnPromeni", QStringLiteral("OK"));
  BtnPonisti = makeButton("BtnPonisti", QStringLiteral("Otkaz"));
  BtnWrite = makeButton("BtnWrite", QStringLiteral("Upis"));
  BtnKasaRead = makeButton("BtnKasaRead", QStringLiteral("Citanje iz kase"));
  BtnKasaWrite = makeButton("BtnKasaWrite", QStringLiteral("Upis iz tabele"));
  BtnKWriteAll = makeButton("BtnKWriteAll", QStringLiteral("Upis svih artikala"));
  BtnKEmpty = makeButton("BtnKEmpty", QStringLiteral("Isprazni kasu"));
  BtnFileWrite = makeButton("BtnFileWrite", QStringLiteral("Upis u fajl"));
  BtnFileRead = makeButton("BtnFileRead", QStringLiteral("Citanje iz fajla"));
  BtnSync = makeButton("BtnSync", QStringLiteral("Sinhronizacija"));

  auto *navigator = new QHBoxLayout;
  for (QPushButton *b : {BtnFirst, BtnPrior, BtnNext, BtnLast})
    navigator->addWidget(b);
  navigator->addSpacing(16);
  navigator->addWidget(LblCount);
  navigator->addStretch();

  auto *device = new QGridLayout;
  device->addWidget(BtnKasaRead, 0, 0);
  device->addWidget(BtnKasaWrite, 0, 1);
  device->addWidget(BtnKWriteAll, 0, 2);
  device->addWidget(BtnKEmpty, 0, 3);
  device->addWidget(BtnSync, 0, 4);
  device->addWidget(BtnFileWrite, 1, 0);
  device->addWidget(BtnFileRead, 1, 1);
  device->addWidget(BtnWrite, 1, 2);
  device->addWidget(BtnPromeni, 1, 3);
  device->addWidget(BtnPonisti, 1, 4);
  for (QPushButton *b : buttons())
    b->setMinimumHeight(32);

  auto *layout = new QVBoxLayout(this);
  layout->addWidget(grid, 1);
  layout->addLayout(navigator);
  layout->addLayout(device);

  connect(BtnFirst, &QPushButton::clicked, this, [this] { goToRow(0); });
  connect(BtnPrior, &QPushButton::clicked, this, [this] { goToRow(grid->currentIndex().row() - 1); });
  connect(BtnNext, &QPushButton::clicked, this, [this] { goToRow(grid->currentIndex().row() + 1); });
  connect(BtnLast, &QPushButton::clicked, this, [this] { goToRow(m_model.rowCount() - 1); });

  connect(BtnPromeni, &QPushButton::clicked, this, [this] { accept(); });
  connect(BtnPonisti, &QPushButton::clicked, this, [this] {
    if (m_mirrorPath.isEmpty() || !QFile::exists(m_mirrorPath))
      return;
    QString error;
    if (!m_model.loadFrom(m_mirrorPath, &error))
      return; // the rows on screen stay; the damaged file is not taken
    reject();
  });
  connect(BtnWrite, &QPushButton::clicked, this, [this] {
    postPendingEdit();
    m_sync.saveMirror();
  });
  connect(BtnKasaRead, &QPushButton::clicked, this, [this] { m_sync.citanjeIzKase(); });
  connect(BtnKasaWrite, &QPushButton::clicked, this, [this] {
    postPendingEdit();
    m_sync.upisIzTabele();
  });
  connect(BtnKWriteAll, &QPushButton::clicked, this, [this] {
    postPendingEdit();
    m_sync.upisSvihArtikala();
  });
  connect(BtnKEmpty, &QPushButton::clicked, this, [this] { m_sync.isprazniKasu(); });
  connect(BtnSync, &QPushButton::clicked, this, [this] { m_sync.sinhronizacija(); });
  connect(BtnFileWrite, &QPushButton::clicked, this, [this] {
    postPendingEdit();
    const QString path = askFile(true);
    if (!path.isEmpty())
      m_sync.writeFile(path);
  });
  connect(BtnFileRead, &QPushButton::clicked, this, [this] {
    const QString path = askFile(false);
    if (!path.isEmpty())
      m_sync.readFile(path);
  });

  connect(&m_sync, &ArticleSync::buttonsEnabled, this, &TfrmArt::setButtonsEnabled);
  connect(&m_sync, &ArticleSync::busyCursor, this, &TfrmArt::setBusyCursor);
  connect(&m_sync, &ArticleSync::countChanged, LblCount, &QLabel::setText);
}

TfrmArt::~TfrmArt() {
  setBusyCursor(false);
}

QList<QPushButton *> TfrmArt::buttons() const {
  return {BtnPromeni,   BtnPonisti, BtnWrite,     BtnKasaRead, BtnKasaWrite,
          BtnKWriteAll, BtnKEmpty,  BtnFileWrite, BtnFileRead, BtnSync};
}

void TfrmArt::setButtonsEnabled(bool on) {
  for (QPushButton *b : buttons())
    b->setEnabled(on);
}

void TfrmArt::setBusyCursor(bool on) {
  if (on == m_waitCursor)
    return;
  m_waitCursor = on;
  if (on)
    QApplication::setOverrideCursor(Qt::WaitCursor);
  else
    QApplication::restoreOverrideCursor();
}

void TfrmArt::restoreCursor() {
  setBusyCursor(false);
}

// A cell being edited is taken into the mirror before the mirror is written anywhere.
void TfrmArt::postPendingEdit() {
  const QModelIndex current = grid->currentIndex();
  grid->setCurrentIndex(QModelIndex());
  grid->setCurrentIndex(current);
}

void TfrmArt::goToRow(int row) {
  if (m_model.rowCount() == 0)
    return;
  row = qBound(0, row, m_model.rowCount() - 1);
  const int column = grid->currentIndex().isValid() ? grid->currentIndex().column() : 0;
  grid->setCurrentIndex(m_model.index(row, column));
}

QString TfrmArt::askFile(bool save) {
  const QString proposed = m_sync.defaultFileName();
  if (chooseFile)
    return chooseFile(save, proposed);
  QFileDialog dialog(this);
  dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  dialog.setNameFilters({QStringLiteral("TXT fajlovi (*.txt)"), QStringLiteral("Svi fajlovi (*.*)")});
  dialog.setDefaultSuffix(QStringLiteral("TXT"));
  dialog.selectFile(proposed);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
    return {};
  return dialog.selectedFiles().constFirst();
}

void TfrmArt::showEvent(QShowEvent *event) {
  QDialog::showEvent(event);
  if (parentWidget())
    QDialog::move(parentWidget()->window()->geometry().center() - rect().center());
  m_sync.activate();
  if (m_model.rowCount() > 0 && !grid->currentIndex().isValid())
    grid->setCurrentIndex(m_model.index(0, 0));
}

// Closing, by any button or Esc: a running loop ends at its next reply; the mirror is saved.
void TfrmArt::done(int result) {
  postPendingEdit();
  m_sync.close();
  setBusyCursor(false);
  QDialog::done(result);
}
