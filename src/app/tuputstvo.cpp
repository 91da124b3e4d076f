#include "app/tuputstvo.h"

#include <QPlainTextEdit>
#include <QPushButton>

TUputstvo::TUputstvo(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint) {
  setModal(true);
  setWindowTitle(QStringLiteral("Uputstvo"));
  setFixedSize(466, 252);

  Memo1 = new QPlainTextEdit(this);
  Memo1->setObjectName(QStringLiteral("Memo1"));
  Memo1->setGeometry(0, 0, 458, 185);
  Memo1->setReadOnly(true);
  Memo1->setFocusPolicy(Qt::NoFocus);
  const QStringList lines = {
      QStringLiteral("KORACI PRE PRVOG POKRETANJA PROGRAMA \"PRODESK\":"),
      QStringLiteral("1.    Pritisnite komandno dugme KONFIGURACIJA"),
      QStringLiteral("2.    Izvrsite konfiguraciju programa (COM port, Model kase, Broj kase...)"),
      QString(),
      QStringLiteral("KORACI PRE SVAKOG POKRETANJA PROGRAMA \"PRODESK\":"),
      QStringLiteral("1.   Fiskalna kasa mora biti povezana sa racunarom i ukljucena."),
      QStringLiteral("2.   Fiskalna kasa mora biti prebacena u odgovarajuci rezim rada."),
      QStringLiteral("3.   Fiskalna kasa koju ste povezali mora biti fiskalizovana."),
  };
  Memo1->setPlainText(lines.join(QLatin1Char('\n')));

  BitBtn1 = new QPushButton(QStringLiteral("U redu"), this);
  BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
  BitBtn1->setGeometry(193, 200, 75, 25);
  BitBtn1->setDefault(true);
  connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);
}
