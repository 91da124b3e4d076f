#include "data/ui/maintenancehost.h"

#include <QFileDialog>

QString MaintenanceHost::file(bool save, const QString &proposed) const {
  if (chooseFile)
    return chooseFile(save, proposed);
  const QString filter = QStringLiteral("CSV fajlovi (*.csv);;Svi fajlovi (*.*)");
  QFileDialog dialog(nullptr, QString(), proposed, filter);
  dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  dialog.setDefaultSuffix(QStringLiteral("CSV"));
  dialog.selectFile(proposed);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
    return QString();
  return dialog.selectedFiles().first();
}
