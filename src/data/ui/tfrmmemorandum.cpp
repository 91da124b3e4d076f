#include "data/ui/tfrmmemorandum.h"

#include <QDir>
#include <QFile>
#include <QFileSystemModel>
#include <QListWidget>
#include <QPushButton>
#include <QTreeView>

TfrmMemorandum::TfrmMemorandum(QWidget *parent) : QDialog(parent) {
  setModal(true);
  setWindowTitle(QStringLiteral("Memorandum"));
  setFixedSize(485, 365);
  m_model = new QFileSystemModel(this);
  m_model->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
  m_model->setRootPath(QDir::rootPath());
  directories = new QTreeView(this);
  directories->setObjectName(QStringLiteral("directories"));
  directories->setModel(m_model);
  for (int c = 1; c < m_model->columnCount(); ++c)
    directories->hideColumn(c);
  directories->setHeaderHidden(true);
  directories->setGeometry(8, 8, 280, 300);
  files = new QListWidget(this);
  files->setObjectName(QStringLiteral("files"));
  files->setGeometry(296, 8, 181, 300);
  BtnOK = new QPushButton(QStringLiteral("OK"), this);
  BtnOK->setGeometry(140, 320, 90, 30);
  BtnOtkaz = new QPushButton(QStringLiteral("OTKAZ"), this);
  BtnOtkaz->setGeometry(255, 320, 90, 30);
  connect(directories, &QTreeView::clicked, this,
          [this](const QModelIndex &i) { selectDirectory(m_model->filePath(i)); });
  connect(BtnOK, &QPushButton::clicked, this, [this] {
    copySelected();
    accept();
  });
  connect(BtnOtkaz, &QPushButton::clicked, this, &QDialog::reject);
  setStartDirectory(QDir::currentPath());
}

void TfrmMemorandum::setStartDirectory(const QString &dir) {
  const QModelIndex i = m_model->index(dir);
  directories->setCurrentIndex(i);
  directories->scrollTo(i);
  selectDirectory(dir);
}

void TfrmMemorandum::selectDirectory(const QString &dir) {
  m_dir = dir;
  refreshFiles();
}

void TfrmMemorandum::refreshFiles() {
  files->clear();
  // Only the letterhead's own name is offered.
  const QStringList found = QDir(m_dir).entryList({QStringLiteral("memo.jpg")}, QDir::Files);
  for (const QString &f : found) {
    if (f == QLatin1String("memo.jpg"))
      files->addItem(f);
  }
  if (files->count() > 0)
    files->setCurrentRow(0);
}

QString TfrmMemorandum::selectedFile() const {
  if (!files->currentItem())
    return QString();
  return QDir(m_dir).filePath(files->currentItem()->text());
}

bool TfrmMemorandum::copySelected() {
  const QString source = selectedFile();
  if (source.isEmpty() || m_target.trimmed().isEmpty())
    return false;
  const QString target = QDir(m_target).filePath(QStringLiteral("memo.jpg"));
  if (QFileInfo(source).canonicalFilePath() == QFileInfo(target).canonicalFilePath())
    return true;
  // Copy beside the target first, so a failed copy never removes the old picture.
  const QString temp = target + QStringLiteral(".new");
  QFile::remove(temp);
  if (!QFile::copy(source, temp))
    return false;
  QFile::remove(target);
  return QFile::rename(temp, target);
}
