#include "reports/ui/tfrmpromet.h"

#include "data/database.h"
#include "reports/reportrequest.h"

#include <QFileDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSaveFile>

TfrmPromet::TfrmPromet(QWidget *parent)
    : QDialog(parent,
              Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
  setModal(true);
  setWindowTitle(QStringLiteral("Izvestaj"));
  setFixedSize(232, 96);
  Label1 = new QLabel(QStringLiteral("Datum"), this);
  Label1->setGeometry(8, 18, 44, 17);
  edtDatumOD = newDateField(this, "edtDatumOD");
  edtDatumOD->setGeometry(56, 16, 76, 22);
  edtDatumPrometa = newDateField(this, "edtDatumPrometa");
  edtDatumPrometa->setGeometry(72, 16, 76, 22);
  BtnStampajPromet = new QPushButton(QStringLiteral("&Stampaj"), this);
  BtnStampajPromet->setObjectName(QStringLiteral("BtnStampajPromet"));
  BtnStampajPromet->setGeometry(64, 54, 104, 30);
  BtnStampajPromet->setAutoDefault(false);
  edtDatumOD->installEventFilter(this);
  edtDatumPrometa->installEventFilter(this);
  connect(BtnStampajPromet, &QPushButton::clicked, this, &TfrmPromet::BtnStampajPrometClick);
  hooks.fillDefaults(this);
  askCsvPath = [this] {
    return QFileDialog::getSaveFileName(this, QString(), QStringLiteral("Promet.CSV"),
                                        QStringLiteral("CSV fajlovi (*.csv);;Svi fajlovi (*.*)"));
  };
}

void TfrmPromet::prepare(int kind) {
  m_kind = kind;
  const bool two = ReportKinds::twoDates(kind);
  edtDatumOD->setVisible(two);
  edtDatumPrometa->move(two ? 136 : 72, edtDatumPrometa->y());
  setFixedWidth(two ? 232 + 64 : 232);
  BtnStampajPromet->move((width() - BtnStampajPromet->width()) / 2, BtnStampajPromet->y());
}

void TfrmPromet::showEvent(QShowEvent *event) {
  QDialog::showEvent(event);
  edtDatumOD->clear();
  edtDatumPrometa->clear();
  if (edtDatumOD->isVisibleTo(this))
    edtDatumOD->setFocus();
  else
    edtDatumPrometa->setFocus();
  edtDatumOD->setCursorPosition(0);
  edtDatumPrometa->setCursorPosition(0);
}

bool TfrmPromet::eventFilter(QObject *watched, QEvent *event) {
  if (event->type() == QEvent::KeyPress && (watched == edtDatumOD || watched == edtDatumPrometa)) {
    const int key = static_cast<QKeyEvent *>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      BtnStampajPromet->click();
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

void TfrmPromet::BtnStampajPrometClick() {
  if (!m_db || !m_db->isOpen()) {
    hooks.beep();
    hooks.poruka(QStringLiteral("GRESKA"), Database::openFailureText());
    return;
  }
  if (m_kind == ReportKinds::IzvozCsv) {
    exportCsv();
    return;
  }
  ReportRequest request(*m_db);
  const ReportOutcome out = request.run(m_kind, edtDatumOD->text(), edtDatumPrometa->text());
  if (!out.report) {
    hooks.poruka(out.title, out.text);
    return;
  }
  accept(); // the window closes as its report is shown
  hooks.showReport(out.report);
}

void TfrmPromet::exportCsv() {
  ReportRequest request(*m_db);
  ReportOutcome refusal;
  const auto period = request.csvPeriod(edtDatumOD->text(), edtDatumPrometa->text(), &refusal);
  if (!period) {
    hooks.poruka(refusal.title, refusal.text);
    return;
  }
  const QString path = askCsvPath ? askCsvPath() : QString();
  if (path.isEmpty())
    return;
  // Written whole or not at all: a failure halfway leaves any earlier file as it was.
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) {
    hooks.poruka(QStringLiteral("GRESKA"), file.errorString());
    return;
  }
  const auto written = request.writeCsv(*period, file);
  if (!written) {
    file.cancelWriting();
    hooks.beep();
    hooks.poruka(QStringLiteral("GRESKA"),
                 Database::openFailureText() + QStringLiteral("\n") + written.error());
    return;
  }
  if (!file.commit()) {
    hooks.poruka(QStringLiteral("GRESKA"), file.errorString());
    return;
  }
  hooks.poruka(QStringLiteral("Obavestenje!"), QStringLiteral("Uspesan upis"));
  accept();
}
