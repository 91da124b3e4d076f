#include "sales/ui/tfrmrastaviart.h"

#include "sales/splitbill.h"

#include <QFont>
#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>

TFrmRastaviArt::TFrmRastaviArt(ArticleSplit &split, QWidget *parent)
    : SplitWindow(split, QStringLiteral("Rastavljanje racuna po artiklima"), parent), m_split(split) {
  heading(this, QStringLiteral("NA STOLU"), 8, 6, 420);
  heading(this, QStringLiteral("ZA NAPLATU"), 572, 6, 420);
  ListArt = lineList("ListArt", 8, 30, 420, 340);
  ListArtStampa = lineList("ListArtStampa", 572, 30, 420, 340);
  BitBtn1 = new QPushButton(QStringLiteral(">>>"), this);
  BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
  BitBtn1->setGeometry(448, 140, 104, 40);
  BitBtn2 = new QPushButton(QStringLiteral("<<<"), this);
  BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
  BitBtn2->setGeometry(448, 200, 104, 40);
  for (QPushButton *b : {BitBtn1, BitBtn2}) {
    b->setFocusPolicy(Qt::NoFocus);
    b->setAutoDefault(false);
    QFont f = b->font();
    f.setPointSize(14);
    f.setBold(true);
    b->setFont(f);
  }
  connect(BitBtn1, &QPushButton::clicked, this, [this] {
    m_split.moveRight(currentRow(ListArt));
    refresh();
  });
  connect(BitBtn2, &QPushButton::clicked, this, [this] {
    m_split.moveLeft(currentRow(ListArtStampa));
    refresh();
  });
  connect(ListArt, &QTableWidget::cellDoubleClicked, this, [this](int row, int) {
    m_split.moveRight(row);
    refresh();
  });
  connect(ListArtStampa, &QTableWidget::cellDoubleClicked, this, [this](int row, int) {
    m_split.moveLeft(row);
    refresh();
  });
  refresh();
}

void TFrmRastaviArt::refresh() {
  SplitWindow::refresh();
  if (!ListArt)
    return; // still being built
  fillList(ListArt, m_split.remaining());
  fillList(ListArtStampa, m_split.chosen());
  ListArt->setEnabled(m_split.listsEnabled);
  ListArtStampa->setEnabled(m_split.listsEnabled);
  BitBtn1->setEnabled(m_split.canMoveRight());
  BitBtn2->setEnabled(m_split.canMoveLeft());
}
