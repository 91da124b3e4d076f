#include "sales/ui/tfrmrastaviture.h"

#include "sales/splitbill.h"

#include <QFont>
#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>

TfrmRastaviTure::TfrmRastaviTure(RoundSplit &split, QWidget *parent)
    : SplitWindow(split, QStringLiteral("Rastavljanje racuna po turama"), parent), m_split(split) {
  heading(this, QStringLiteral("NARUDZBINE"), 8, 6, 120);
  heading(this, QStringLiteral("ZA NAPLATU"), 140, 6, 420);
  ListTure = new QTableWidget(0, 1, this);
  ListTure->setObjectName(QStringLiteral("ListTure"));
  ListTure->setGeometry(8, 30, 120, 340);
  ListTure->horizontalHeader()->hide();
  ListTure->horizontalHeader()->setStretchLastSection(true);
  ListTure->verticalHeader()->hide();
  ListTure->verticalHeader()->setDefaultSectionSize(30);
  ListTure->setEditTriggers(QAbstractItemView::NoEditTriggers);
  ListTure->setSelectionBehavior(QAbstractItemView::SelectRows);
  ListTure->setSelectionMode(QAbstractItemView::SingleSelection);
  ListTure->setFocusPolicy(Qt::NoFocus);
  QFont f = ListTure->font();
  f.setPointSize(14);
  ListTure->setFont(f);
  ListTuraStampa = lineList("ListTuraStampa", 140, 30, 852, 340);
  connect(ListTure, &QTableWidget::cellDoubleClicked, this, [this](int row, int) {
    m_split.chooseRound(row);
    refresh();
  });
  refresh();
}

void TfrmRastaviTure::refresh() {
  SplitWindow::refresh();
  if (!ListTure)
    return; // still being built
  const QStringList rounds = m_split.rounds();
  ListTure->setRowCount(int(rounds.size()));
  for (int i = 0; i < int(rounds.size()); ++i) {
    auto *item = new QTableWidgetItem(rounds[i]);
    item->setTextAlignment(Qt::AlignCenter);
    ListTure->setItem(i, 0, item);
  }
  if (m_split.selectedRound() > 0)
    ListTure->selectRow(m_split.selectedRound() - 1);
  else
    ListTure->clearSelection();
  fillList(ListTuraStampa, m_split.chosen());
  ListTure->setEnabled(m_split.listsEnabled);
  ListTuraStampa->setEnabled(m_split.listsEnabled);
}
