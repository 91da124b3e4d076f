#pragma once

#include "sales/ui/splitwindow.h"

class RoundSplit;

// "Rastavljanje racuna po turama": one round at a time.
class TfrmRastaviTure : public SplitWindow {
  Q_OBJECT
public:
  explicit TfrmRastaviTure(RoundSplit &split, QWidget *parent = nullptr);

  QTableWidget *ListTure = nullptr;       // "NARUDZBINE": the rounds
  QTableWidget *ListTuraStampa = nullptr; // the chosen round's lines

protected:
  void refresh() override;

private:
  RoundSplit &m_split;
};
