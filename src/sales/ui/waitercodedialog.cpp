#include "sales/ui/waitercodedialog.h"

#include "engine/userprompt.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

WaiterCodeDialog::WaiterCodeDialog(WaiterLogin::Window window, Database &db, UserPrompt &prompt,
                                   QWidget *parent)
    : QDialog(parent,
              Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      m_window(window), m_prompt(prompt), m_login(db) {
  setModal(true);
  setFixedSize(260, 120);
  Label1 = new QLabel(this);
  Label1->setObjectName(QStringLiteral("Label1"));
  Label1->setGeometry(16, 10, 228, 20);
  medtsifra = new QLineEdit(this);
  medtsifra->setObjectName(QStringLiteral("medtsifra"));
  medtsifra->setGeometry(16, 36, 228, 24);
  medtsifra->setEchoMode(QLineEdit::Password);
  medtsifra->setStyleSheet(QStringLiteral("lineedit-password-character: 42;"));
  BitBtn1 = new QPushButton(QStringLiteral("OK"), this);
  BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
  BitBtn1->setGeometry(40, 76, 80, 28);
  BitBtn1->setAutoDefault(false);
  BitBtn2 = new QPushButton(QStringLiteral("Otkaz"), this);
  BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
  BitBtn2->setGeometry(140, 76, 80, 28);
  BitBtn2->setAutoDefault(false);

  connect(BitBtn1, &QPushButton::clicked, this, &WaiterCodeDialog::ok);
  connect(medtsifra, &QLineEdit::returnPressed, this, &WaiterCodeDialog::ok);
  connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
}

bool WaiterCodeDialog::run(WaiterLogin::Mode mode, const QString &currentCode) {
  m_mode = mode;
  m_result = {};
  setWindowTitle(WaiterLogin::caption(mode));
  Label1->setText(WaiterLogin::prompt(mode));
  medtsifra->setText(mode == WaiterLogin::Mode::SetCode ? currentCode.trimmed() : QString());
  medtsifra->setFocus();
  return exec() == QDialog::Accepted;
}

void WaiterCodeDialog::ok() {
  const QString entry = medtsifra->text();
  m_result = m_mode == WaiterLogin::Mode::SetCode ? WaiterLogin::newCode(entry) : m_login.check(m_window, entry);
  if (!m_result.ok) {
    m_prompt.messageDialog(QStringLiteral("Greska"), m_result.error);
    return;
  }
  accept();
}
