#include "data/ui/importreportdialog.h"

#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

ImportReportDialog::ImportReportDialog(QWidget *parent)
    : QDialog(parent,
              Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
  setModal(true);
  resize(640, 480);
  auto *layout = new QVBoxLayout(this);
  tekst = new QPlainTextEdit(this);
  tekst->setObjectName(QStringLiteral("tekst"));
  tekst->setReadOnly(true);
  tekst->setLineWrapMode(QPlainTextEdit::NoWrap);
  // Counts line up in columns only in a fixed-width font.
  tekst->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  layout->addWidget(tekst);
  BtnOk = new QPushButton(QStringLiteral("U redu"), this);
  BtnOk->setObjectName(QStringLiteral("BtnOk"));
  BtnOk->setDefault(true);
  layout->addWidget(BtnOk, 0, Qt::AlignRight);
  connect(BtnOk, &QPushButton::clicked, this, &QDialog::accept);
}

void ImportReportDialog::setReport(bool ok, const QString &text) {
  setWindowTitle(ok ? QStringLiteral("Uvoz podataka") : QStringLiteral("Uvoz podataka - GRESKA"));
  tekst->setPlainText(text);
  BtnOk->setFocus();
}
