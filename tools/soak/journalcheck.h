#pragma once

#include <QJsonObject>
#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <map>

// What the device printed against what the program booked: every completed receipt
// line by line and in total, in the order both were issued.
struct JournalCheck {
  int journalReceipts = 0;  // printed and cancelled ones
  int journalCancelled = 0; // cancelled by the device (its "storno" documents)
  int databaseReceipts = 0; // completed (STATUS 1)
  int unfinishedReceipts = 0;
  int journalLines = 0;
  int databaseLines = 0;
  int lostLines = 0;    // printed by the device, missing in the database
  int doubledLines = 0; // in the database more often than printed
  int mismatches = 0;   // a line, total, payment or fiscal number differs
  int stockErrors = 0;  // an article whose stock is not start minus sales
  QStringList problems; // the first few, readable

  bool passed() const {
    return journalReceipts == databaseReceipts && unfinishedReceipts == 0 && lostLines == 0 &&
           doubledLines == 0 && mismatches == 0 && stockErrors == 0;
  }
};

// journal: the device's documents ("receipt" and "storno" ones are compared);
// startStock: ARTIKLI.LAGER by SIFRA before the first sale; fiscalNumbers: whether the
// model reports the fiscal receipt number (BRFISIS); sifoper: when not -1, only the receipts
// of that cashier are the device's (several tills on one database, one cashier each). The
// stock is compared over every till's sales.
JournalCheck checkJournal(const QList<QJsonObject> &journal, const QSqlDatabase &db,
                          const std::map<QString, double> &startStock, bool fiscalNumbers, int sifoper = -1);
