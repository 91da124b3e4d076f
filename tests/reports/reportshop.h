#pragma once

#include "data/dbfixture.h"

#include <QDate>

// A small shop's days for the report tests, over SQLite and PostgreSQL alike.
//
// 05.03.2008, receipt 1 (Ana, operator 1): Kafa 2 x 100, Pljeskavica 3 x 450 (a recipe:
// 0,25 Meso and 1 Lepinja each), Sok "Next" 1 x 150, Vaga 0,375 x 800; paid 1500 cash and
// 500 by card. Receipt 2 (Marko, 2): Voda 2 x 50 and its storno -2, Meso 1 x 1000;
// paid 1000 by cheque.
// 06.03.2008, receipt 3 (Ana): Kafa 5 x 100, and a line of receipt 99 that has no header.
// 31.12.2007, receipt 1 of 2007 (operator 9): a storno of Caj, -77.
class ReportShop : public DbTest {
protected:
  static QDate day() { return QDate(2008, 3, 5); }
  static QDate nextDay() { return QDate(2008, 3, 6); }

  void SetUp() override {
    DbTest::SetUp();
    if (IsSkipped() || HasFatalFailure())
      return;
    struct A {
      const char *sifra, *naziv;
      double cena;
      int stopa;
      const char *vrsta, *grupa;
      double lager, minlag;
    } articles[] = {
        {"1", "Kafa", 100, 1, "P", "G1", 10, 10},       {"2", "Pljeskavica", 450, 2, "J", "G2", 5, 0},
        {"3", "Meso", 1000, 2, "J", "G2", 20, 5},       {"4", "Lepinja", 30, 2, "J", "G2", 5, 0},
        {"5", "Sok \"Next\"", 150, 3, "P", "G1", 5, 0}, {"6", "Vaga", 800, 1, "J", "G2", 5, 0},
        {"7", "Voda", 50, 1, "P", "G1", 5, 0},          {"8", "Caj", 77, 1, "P", "G1", 5, 0},
    };
    for (const A &a : articles)
      exec("INSERT INTO artikli (sifra, barkod, naziv, cena, stopa, jm, lager, vrsta, sifgrupa, minlag) "
           "VALUES (:s, :b, :n, :c, :st, 'kom', :l, :v, :g, :m)",
           {{"s", a.sifra},
            {"b", QStringLiteral("860000000%1").arg(a.sifra)},
            {"n", QString::fromUtf8(a.naziv)},
            {"c", a.cena},
            {"st", a.stopa},
            {"l", a.lager},
            {"v", a.vrsta},
            {"g", a.grupa},
            {"m", a.minlag}});
    exec("INSERT INTO sastav (sifra, sifsas, naziv, kolicina) VALUES ('2', '3', 'Meso', 0.25)");
    exec("INSERT INTO sastav (sifra, sifsas, naziv, kolicina) VALUES ('2', '4', 'Lepinja', 1)");
    for (auto [stopa, iznos] : {std::pair{0, 0}, {1, 20}, {2, 10}, {3, 8}})
      exec("INSERT INTO porstope (stopa, iznos) VALUES (:s, :i)", {{"s", stopa}, {"i", iznos}});
    exec("INSERT INTO grupa (sifgrupa, naziv) VALUES ('G1', 'Pice')");
    exec("INSERT INTO grupa (sifgrupa, naziv) VALUES ('G2', 'Hrana')");
    exec("INSERT INTO konobari (rbr, sifkonob, naziv) VALUES (1, '2222', 'Ana')");
    exec("INSERT INTO konobari (rbr, sifkonob, naziv) VALUES (2, '3333', 'Marko')");

    receipt(2008, 1, day(), 1, "1");
    line(2008, 1, day(), "1", 100, 2, 1);
    line(2008, 1, day(), "2", 450, 3, 2);
    line(2008, 1, day(), "5", 150, 1, 3);
    line(2008, 1, day(), "6", 800, 0.375, 1);
    payment(2008, 1, 0, 1500);
    payment(2008, 1, 2, 500);
    receipt(2008, 2, day(), 2, "2");
    line(2008, 2, day(), "7", 50, 2, 1);
    line(2008, 2, day(), "7", 50, -2, 1, true);
    line(2008, 2, day(), "3", 1000, 1, 2);
    payment(2008, 2, 1, 1000);
    receipt(2008, 3, nextDay(), 1, "3");
    line(2008, 3, nextDay(), "1", 100, 5, 1);
    line(2008, 99, nextDay(), "4", 30, 1, 2);
    receipt(2007, 1, QDate(2007, 12, 31), 9, "1");
    line(2007, 1, QDate(2007, 12, 31), "8", 77, -1, 1, true);
  }

  void exec(const char *sql, const QVariantMap &binds = {}) {
    const auto r = db.exec(QString::fromLatin1(sql), binds);
    ASSERT_TRUE(r) << sql << ": " << r.error().toStdString();
  }
  void receipt(int godina, int broj, QDate datum, int sifoper, const char *brojDok) {
    exec("INSERT INTO racuni (broj, godina, datum, sifoper, broj_dok, status, rezim, brstola) "
         "VALUES (:b, :g, :d, :o, :dok, 1, 0, 0)",
         {{"b", broj}, {"g", godina}, {"d", datum}, {"o", sifoper}, {"dok", brojDok}});
  }
  void line(int godina, int brrac, QDate datum, const char *sifra, double cena, double kolicina, int stopa,
            bool storno = false) {
    const QString naziv =
        db.scalar("SELECT naziv FROM artikli WHERE sifra=:s", {{"s", sifra}}).value_or({}).toString();
    exec("INSERT INTO prodato (rbr, brrac, datum, sifra, barkod, naziv, cena, storno, stopa, prodato, iznos, "
         "godina) "
         "VALUES (:r, :b, :d, :s, :bk, :n, :c, :st, :p, :k, :i, :g)",
         {{"r", ++m_rbr},
          {"b", brrac},
          {"d", datum},
          {"s", sifra},
          {"bk", QStringLiteral("860000000%1").arg(QLatin1String(sifra))},
          {"n", naziv},
          {"c", cena},
          {"st", storno ? 1 : 0},
          {"p", stopa},
          {"k", kolicina},
          {"i", cena * kolicina},
          {"g", godina}});
  }
  void payment(int godina, int broj, int nacin, double iznos) {
    exec("INSERT INTO rate (broj, godina, rbr, iznos, datum, nacin) VALUES (:b, :g, :r, :i, :d, :n)",
         {{"b", broj},
          {"g", godina},
          {"r", ++m_rateRbr},
          {"i", iznos},
          {"d", QDateTime(day(), QTime(12, 0))},
          {"n", nacin}});
  }

  int m_rbr = 0;
  int m_rateRbr = 0;
};
