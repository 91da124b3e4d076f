#pragma once

#include "sales/ui/splitwindow.h"

class ArticleSplit;

// "Rastavljanje racuna po artiklima": lines move one by one between the table's lines
// and the lines to pay now.
class TFrmRastaviArt : public SplitWindow {
  Q_OBJECT
public:
  explicit TFrmRastaviArt(ArticleSplit &split, QWidget *parent = nullptr);

  QTableWidget *ListArt = nullptr;       // still on the table
  QTableWidget *ListArtStampa = nullptr; // to pay now
  QPushButton *BitBtn1 = nullptr;        // ">>>"
  QPushButton *BitBtn2 = nullptr;        // "<<<"

protected:
  void refresh() override;

private:
  ArticleSplit &m_split;
};
