#pragma once

// The shop the receipt benchmarks sell in: a coffee (code "1") whose recipe takes
// sugar ("2") and milk ("3"), and `lines` sold coffees already stored, five per
// finished receipt, spread over the years 2020 to 2024.
#include "data/database.h"

#include <QDate>
#include <QSqlQuery>
#include <QtGlobal>

inline bool fillSalesHistory(Database &db, int lines) {
  Transaction tx(db);
  const char *articles[] = {
      "INSERT INTO artikli (sifra, barkod, naziv, cena, stopa, lager) VALUES ('1', '', 'KAFA', 100, 2, 1e9)",
      "INSERT INTO artikli (sifra, barkod, naziv, cena, stopa, lager) VALUES ('2', '', 'SECER', 50, 2, 1e9)",
      "INSERT INTO artikli (sifra, barkod, naziv, cena, stopa, lager) VALUES ('3', '', 'MLEKO', 80, 2, 1e9)",
      "INSERT INTO sastav (sifra, sifsas, naziv, kolicina) VALUES ('1', '2', 'SECER', 0.01)",
      "INSERT INTO sastav (sifra, sifsas, naziv, kolicina) VALUES ('1', '3', 'MLEKO', 0.05)",
  };
  for (const char *sql : articles)
    if (!db.exec(QString::fromLatin1(sql)))
      return false;
  QSqlQuery line(db.connection());
  line.prepare(
      "INSERT INTO prodato (rbr, brrac, godina, datum, sifra, barkod, naziv, cena, storno, stopa, prodato, "
      "iznos) VALUES (?, ?, ?, ?, '1', '', 'KAFA', 100, 0, 2, 1, 100)");
  QSqlQuery head(db.connection());
  head.prepare(
      "INSERT INTO racuni (broj, godina, datum, vreme, oslprom, sifoper, brstola, broj_dok, cek, kartica, "
      "gotovina, status, brfisis, rezim, rok) VALUES (?, ?, ?, '12:00:00', 'NE', 1, 0, ?, 0, 0, 500, 1, "
      "0, 0, 0)");
  const int perYear = qMax(1, lines / 5);
  for (int i = 0; i < lines; ++i) {
    const int year = 2020 + i / perYear;
    const int receipt = (i % perYear) / 5 + 1;
    const QDate day = QDate(year, 1, 1).addDays((i % perYear) * 365 / perYear);
    line.addBindValue(i + 1);
    line.addBindValue(receipt);
    line.addBindValue(year);
    line.addBindValue(day);
    if (!line.exec())
      return false;
    if (i % 5 == 0) {
      head.addBindValue(receipt);
      head.addBindValue(year);
      head.addBindValue(day);
      head.addBindValue(QString::number(receipt));
      if (!head.exec())
        return false;
    }
  }
  return tx.commit();
}
