#pragma once

#include <QDialog>

class QFileSystemModel;
class QListWidget;
class QTreeView;
class QPushButton;

// "Memorandum": picks a letterhead picture memo.jpg and copies it into the
// database directory.
class TfrmMemorandum : public QDialog {
  Q_OBJECT
public:
  explicit TfrmMemorandum(QWidget *parent = nullptr);

  // The directory the picture goes to (the database directory text).
  void setTargetDirectory(const QString &dir) { m_target = dir; }
  void setStartDirectory(const QString &dir);

  // Copies the selected memo.jpg; failures are ignored silently. True when copied.
  bool copySelected();
  QString selectedFile() const;
  void selectDirectory(const QString &dir);

  QTreeView *directories = nullptr;
  QListWidget *files = nullptr;
  QPushButton *BtnOK = nullptr;
  QPushButton *BtnOtkaz = nullptr;

private:
  void refreshFiles();
  QFileSystemModel *m_model = nullptr;
  QString m_dir;
  QString m_target;
};
