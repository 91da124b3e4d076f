#pragma once

#include <QList>
#include <QString>

// One line of free text for the fiscal device (model 4).
struct FreeTextLine {
  int broj = 0; // line number, from 1
  QString tekst;
  int flag = 0;
  int bold = 0; // 1 bold, 0 normal
};

// The memo's lines as the device prints them: 16 characters wide in bold, 32
// in normal; longer lines are cut, and the first empty line ends the text.
// The device's table holds 256 lines; further lines are not taken.
QList<FreeTextLine> freeTextLines(const QString &memo, bool bold);
