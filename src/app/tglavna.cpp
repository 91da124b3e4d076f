#include "app/tglavna.h"

#include <QLabel>
#include <QPushButton>

TGlavna::TGlavna(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint) {
  setModal(true);
  setWindowTitle(QStringLiteral("Orvana"));
  struct B {
    QPushButton **button;
    const char *name;
    const char *caption;
    std::function<void()> TGlavna::*handler;
  } buttons[] = {
      {&Kasa, "Kasa", "&PRODESK", &TGlavna::KasaClick},
      {&Artikli, "Artikli", "&ARTIKLI", &TGlavna::ArtikliClick},
      {&BtnPos, "BtnPos", "KO&NFIGURISANJE KASE", &TGlavna::BtnPosClick},
      {&BtnSifarnik, "BtnSifarnik", "&SIFRARNICI", &TGlavna::BtnSifarnikClick},
      {&BtnRestoran, "BtnRestoran", "&RESTORAN", &TGlavna::BtnRestoranClick},
      {&BitBtn1, "BitBtn1", "I&ZVESTAJI", &TGlavna::BitBtn1Click},
      {&BtnKopija, "BtnKopija", "REZERVNA KO&PIJA BAZE", &TGlavna::BtnKopijaClick},
  };
  int y = 16;
  for (const B &b : buttons) {
    auto *button = new QPushButton(QString::fromLatin1(b.caption), this);
    button->setObjectName(QLatin1String(b.name));
    button->setGeometry(40, y, 230, 44);
    *b.button = button;
    const auto handler = b.handler;
    connect(button, &QPushButton::clicked, this, [this, handler] {
      if (this->*handler)
        (this->*handler)();
    });
    y += 54;
  }
  lblObuka = new QLabel(QStringLiteral("OBUKA"), this);
  lblObuka->setObjectName(QStringLiteral("lblObuka"));
  lblObuka->setAlignment(Qt::AlignCenter);
  lblObuka->setStyleSheet(QStringLiteral("color: #b00000; font-weight: bold;"));
  lblObuka->setGeometry(40, y - 6, 230, 24);
  lblObuka->hide();
  m_plainHeight = y + 13;
  setTraining(false);
  applyRights();
}

void TGlavna::setRights(bool admin, bool kasaProverena) {
  m_admin = admin;
  m_sale = kasaProverena;
  applyRights();
}

void TGlavna::setSaleEnabled(bool on) {
  m_sale = on;
  applyRights();
}

void TGlavna::setTraining(bool on) {
  lblObuka->setVisible(on);
  // The mark goes below the last button; the buttons keep their places.
  setFixedSize(310, m_plainHeight + (on ? 24 : 0));
}

void TGlavna::applyRights() {
  Kasa->setEnabled(m_sale && bool(KasaClick));
  BtnRestoran->setEnabled(bool(BtnRestoranClick));
  BitBtn1->setEnabled(bool(BitBtn1Click));
  BtnPos->setEnabled(bool(BtnPosClick));
  Artikli->setEnabled(m_admin && bool(ArtikliClick));
  BtnSifarnik->setEnabled(m_admin && bool(BtnSifarnikClick));
  BtnKopija->setEnabled(m_admin && bool(BtnKopijaClick));
}

void TGlavna::showEvent(QShowEvent *event) {
  QDialog::showEvent(event);
  applyRights();
  if (FormShow)
    FormShow();
}
