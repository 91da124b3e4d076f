#pragma once

#include <QDialog>

#include <functional>

class QLabel;
class QPushButton;

// The main menu. Buttons whose windows are not part of the program yet stay
// present and disabled.
class TGlavna : public QDialog {
  Q_OBJECT
public:
  explicit TGlavna(QWidget *parent = nullptr);

  QPushButton *Kasa = nullptr;        // "&PRODESK"
  QPushButton *Artikli = nullptr;     // "&ARTIKLI"
  QPushButton *BtnPos = nullptr;      // "KO&NFIGURISANJE KASE"
  QPushButton *BtnSifarnik = nullptr; // "&SIFRARNICI"
  QPushButton *BtnRestoran = nullptr; // "&RESTORAN"
  QPushButton *BitBtn1 = nullptr;     // "I&ZVESTAJI"
  QPushButton *BtnKopija = nullptr;   // "REZERVNA KO&PIJA BAZE", administrators only
  QLabel *lblObuka = nullptr;         // "OBUKA", shown while the till is in training

  // What each button opens; a button without an opener stays disabled.
  std::function<void()> KasaClick, ArtikliClick, BtnPosClick, BtnSifarnikClick, BtnRestoranClick,
      BitBtn1Click, BtnKopijaClick;
  // Runs each time the menu is shown (the Menko variant detection).
  std::function<void()> FormShow;

  // Rights of the logged-in operator; kasaProverena enables the sale button.
  void setRights(bool admin, bool kasaProverena);
  void setSaleEnabled(bool on);
  void setTraining(bool on);

protected:
  void showEvent(QShowEvent *event) override;

private:
  void applyRights();
  bool m_admin = false;
  bool m_sale = false;
  int m_plainHeight = 0; // below the last button, without the training mark
};
