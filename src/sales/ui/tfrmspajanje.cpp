#include "sales/ui/tfrmspajanje.h"

#include "sales/tablemerge.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

TfrmSpajanje::TfrmSpajanje(TableMerge &merge, QWidget *parent)
    : QDialog(parent,
              Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      m_merge(merge) {
  setModal(true);
  setWindowTitle(QStringLiteral("Spajanje stolova"));
  setFixedSize(440, 250);
  QFont big = font();
  big.setPointSize(13);

  struct F {
    QLineEdit **field;
    const char *name;
    const char *caption;
    bool masked;
  } fields[] = {
      {&edtSto1, "edtSto1", "NARUDZBINE SA STOLA", false},
      {&edtSto2, "edtSto2", "PREBACI NA STO", false},
      {&meKon1, "meKon1", "KONOBAR 1", true},
      {&meKon2, "meKon2", "KONOBAR 2", true},
  };
  int y = 14;
  for (const F &f : fields) {
    auto *label = new QLabel(QString::fromLatin1(f.caption), this);
    label->setGeometry(14, y, 200, 32);
    auto *edit = new QLineEdit(this);
    edit->setObjectName(QLatin1String(f.name));
    edit->setGeometry(224, y, 200, 32);
    edit->setFont(big);
    if (f.masked) {
      edit->setEchoMode(QLineEdit::Password);
      edit->setStyleSheet(QStringLiteral("lineedit-password-character: 42;")); // "*"
      edit->setMaxLength(7);
    } else {
      edit->setMaxLength(9);
    }
    edit->installEventFilter(this);
    *f.field = edit;
    y += 42;
  }
  setTabOrder(edtSto1, edtSto2);
  setTabOrder(edtSto2, meKon1);
  setTabOrder(meKon1, meKon2);

  BitBtn1 = new QPushButton(QStringLiteral("SPOJI STOLOVE"), this);
  BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
  BitBtn1->setGeometry(224, 194, 200, 42);
  BitBtn1->setAutoDefault(false);
  connect(BitBtn1, &QPushButton::clicked, this, &TfrmSpajanje::BitBtn1Click);
}

void TfrmSpajanje::BitBtn1Click() {
  m_merge.edtSto1 = edtSto1->text();
  m_merge.edtSto2 = edtSto2->text();
  m_merge.meKon1 = meKon1->text();
  m_merge.meKon2 = meKon2->text();
  if (m_merge.spojiStolove())
    accept();
}

bool TfrmSpajanje::eventFilter(QObject *watched, QEvent *event) {
  if (event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent *>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      if (watched == edtSto1)
        edtSto2->setFocus();
      else if (watched == meKon1)
        meKon2->setFocus();
      else if (watched == edtSto2 || watched == meKon2)
        BitBtn1Click();
      else
        return QDialog::eventFilter(watched, event);
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

void TfrmSpajanje::showEvent(QShowEvent *event) {
  QDialog::showEvent(event);
  m_merge.clear();
  for (QLineEdit *e : {edtSto1, edtSto2, meKon1, meKon2})
    e->clear();
  edtSto1->setFocus();
}
