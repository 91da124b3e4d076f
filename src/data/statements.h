#pragma once

#include <QList>
#include <QString>

// The named statements of the data module, as engine-neutral text with bound
// parameters (":name"). Article codes compare without regard to letter case
// or surrounding blanks (UPPER(TRIM()) on both sides, matching the indexes of
// the schema). Number
// queries give NULL on an empty scope: callers fall back to 1 as the program
// always did (Database::scalarInt).
namespace Statements {

// Receipt numbers, line numbers and their scopes.
inline const QString QBrRac = QStringLiteral("select max(brrac)+1 AS Broj from prodato where godina=:god");
inline const QString Qrbr = QStringLiteral("select max(rbr)+1 AS Broj from prodato");
inline const QString QBrRate =
    QStringLiteral("select max(rbr)+1 AS Broj from rate where broj=:broj and godina=:god");
inline const QString QRBRSto = QStringLiteral("select max(rbr)+1 AS BrStavka from stost where brstola=:broj");
inline const QString QRbrTure = QStringLiteral("select max(tura) AS brTura from stost where brstola=:broj");

// Receipt printout and invoices.
inline const QString QRacStampa =
    QStringLiteral("select r.broj,r.broj_dok,r.nazivkupca,r.sifpartner,r.datum,r.cek,r.kartica,r.gotovina,"
                   "r.brfisis,r.rok,r.oslprom,r.clan from racuni r where r.broj=:id and r.godina=:god");
inline const QString QRacStStampa = QStringLiteral(
    "select sifra,naziv,cena,stopa,prodato,iznos from prodato where brrac=:id and godina=:god order by rbr");
inline const QString QPDV = QStringLiteral(
    "select p.stopa, s.iznos As porez, Round(sum(p.iznos),2) As iznos from prodato As p,porstope "
    "As s where p.brrac=:id and p.godina=:god and p.stopa=s.stopa group by p.stopa,s.iznos "
    "order by p.stopa");
inline const QString QRate =
    QStringLiteral("SELECT * FROM RATE WHERE GODINA=:god AND BROJ=:brrac ORDER BY RBR");
inline const QString QRacunM =
    QStringLiteral("select * from prodato where brrac=:broj and godina=:god order by rbr asc");
inline const QString ds = QStringLiteral("select SIFRA, BARKOD, NAZIV, PRODATO, CENA, IZNOS FROM PRODATO "
                                         "where BRRAC=:racun AND GODINA=:god order by rbr");
inline const QString QSastavnica =
    QStringLiteral("select sifsas,kolicina from sastav where UPPER(TRIM(sifra))=UPPER(TRIM(:sifartikla))");

// Restaurant tables and their open lines.
inline const QString QSumIznosSto =
    QStringLiteral("select sum(iznos) As Iznos from stost where brstola=:broj");
inline const QString QRacunSto = QStringLiteral("select * from stost where brstola=:broj order by rbr");
inline const QString QIsprazniSto = QStringLiteral("delete from stost where brstola=:broj");
inline const QString QStorno = QStringLiteral(
    "select sum(kolicina) AS uk_kolicina,sum(iznos) AS uk_iznos from stost where brstola=:broj "
    "and UPPER(TRIM(sifra))=UPPER(TRIM(:sifra))");
inline const QString QSlobodniStolovi =
    QStringLiteral("select * from stolovi where sifkonob=-1 order by brstola");
inline const QString QTure =
    QStringLiteral("select * from stost where brstola=:broj and tura=:tura order by rbr");
inline const QString QBroj = QStringLiteral("select count(*) As br from stost where brstola=:broj");
inline const QString QKuhinja = QStringLiteral(
    "select s.sifra AS sifra,s.naziv As naziv,sum(s.kolicina) AS kolicina from stost s,artikli a "
    "where UPPER(TRIM(s.sifra))=UPPER(TRIM(a.sifra)) and a.vrsta='J' and s.brstola=:broj and s.tura=:tura "
    "group by s.sifra,s.naziv");
inline const QString QBar = QStringLiteral(
    "select s.sifra AS sifra,s.naziv As naziv,sum(s.kolicina) AS kolicina from stost s,artikli a "
    "where UPPER(TRIM(s.sifra))=UPPER(TRIM(a.sifra)) and a.vrsta='P' and s.brstola=:broj and s.tura=:tura "
    "group by s.sifra,s.naziv");

// Reports over a period (bound dates :datum_od, :datum_do).
inline const QString QIzvestajStope =
    QStringLiteral("SELECT STOPA AS stopa,SUM(IZNOS) AS iznos FROM PRODATO WHERE DATUM BETWEEN :datum_od AND "
                   ":datum_do GROUP BY STOPA ORDER BY STOPA");
inline const QString QKasiri1 = QStringLiteral(
    "select DISTINCT sifoper from racuni where datum between :datum_od and :datum_do order by sifoper");
inline const QString QKasiriSuma = QStringLiteral(
    "SELECT SUM(IZNOS) AS SUMA FROM prodato p,racuni r where p.storno=1 and p.brrac=r.broj and "
    "p.godina=r.godina and r.datum between :datum_od and :datum_do and r.sifoper=:operater");
inline const QString QKasiri1Placanja =
    QStringLiteral("SELECT Sum(T.IZNOS) AS suma FROM RATE AS T, RACUNI AS R WHERE R.SIFOPER=:operater AND "
                   "R.DATUM between :datum_od and :datum_do AND T.GODINA=R.GODINA AND T.BROJ=R.BROJ AND "
                   "T.NACIN=:nacin");
inline const QString KKPrint = QStringLiteral("select sifra,sum(suma) AS ukupno from knjiga group by sifra");
inline const QString QLagerLista = QStringLiteral("SELECT * FROM ARTIKLI");
inline const QString QMinLager = QStringLiteral("SELECT * FROM ARTIKLI WHERE LAGER<=MINLAG");

// Single look-ups through the shared statement (one column named rezultat).
inline const QString ArticleName =
    QStringLiteral("SELECT NAZIV As Rezultat FROM ARTIKLI WHERE UPPER(TRIM(SIFRA))=UPPER(TRIM(:sifra))");
inline const QString ArticleUnit =
    QStringLiteral("SELECT JM As Rezultat FROM ARTIKLI WHERE UPPER(TRIM(SIFRA))=UPPER(TRIM(:sifra))");
inline const QString ArticlePrice =
    QStringLiteral("SELECT CENA As Rezultat FROM ARTIKLI WHERE UPPER(TRIM(SIFRA))=UPPER(TRIM(:sifra))");
inline const QString ArticleStock =
    QStringLiteral("SELECT LAGER As Rezultat FROM ARTIKLI WHERE UPPER(TRIM(SIFRA))=UPPER(TRIM(:sifra))");
inline const QString GroupName =
    QStringLiteral("SELECT NAZIV As Rezultat FROM GRUPA WHERE UPPER(TRIM(SIFGRUPA))=UPPER(TRIM(:sifgrupa))");
inline const QString LastReceipt =
    QStringLiteral("SELECT Max(BROJ) As Rezultat FROM RACUNI WHERE GODINA=:god");
inline const QString ReceiptStatus =
    QStringLiteral("SELECT STATUS As Rezultat FROM RACUNI WHERE GODINA=:god AND BROJ=:broj");
inline const QString TableLineCount =
    QStringLiteral("SELECT COUNT(*) As Rezultat FROM STOST WHERE BRSTOLA=:broj");
inline const QString TableCount =
    QStringLiteral("SELECT COUNT(*) As Rezultat FROM STOLOVI WHERE BRSTOLA=:broj");
inline const QString TableOwner =
    QStringLiteral("SELECT SIFKONOB As Rezultat FROM STOLOVI WHERE BRSTOLA=:broj");
inline const QString AdminCount =
    QStringLiteral("SELECT COUNT(*) As Rezultat FROM KONOBARI WHERE ADMIN=:admin");
inline const QString ReceiptSoldSum =
    QStringLiteral("SELECT SUM(IZNOS) As Rezultat FROM PRODATO WHERE GODINA=:god AND BRRAC=:broj");
inline const QString ReceiptPaidSum =
    QStringLiteral("SELECT SUM(IZNOS) As Rezultat FROM RATE WHERE GODINA=:god AND BROJ=:broj");

// Receipt completion and table updates.
inline const QString FinishReceipt =
    QStringLiteral("UPDATE RACUNI SET STATUS=1 WHERE GODINA=:god AND BROJ=:broj");
inline const QString FinishReceiptFiscal =
    QStringLiteral("UPDATE RACUNI SET STATUS=1,BRFISIS=:brfisis WHERE GODINA=:god AND BROJ=:broj");
inline const QString ClearReceiptPayments =
    QStringLiteral("UPDATE RACUNI SET CEK=0,KARTICA=0,GOTOVINA=0 WHERE GODINA=:god AND BROJ=:broj");
inline const QString DeleteReceiptRates = QStringLiteral("DELETE FROM RATE WHERE GODINA=:god AND BROJ=:broj");
inline const QString FreeTable = QStringLiteral("UPDATE STOLOVI SET SIFKONOB=-1 WHERE BRSTOLA=:broj");
inline const QString TakeTable = QStringLiteral("UPDATE STOLOVI SET SIFKONOB=:sifkonob WHERE BRSTOLA=:broj");
inline const QString MoveTableLines =
    QStringLiteral("UPDATE STOST SET BRSTOLA=:na,RBR=RBR-1+:rbr,TURA=TURA+:tura WHERE BRSTOLA=:sa");
inline const QString LowerStock =
    QStringLiteral("UPDATE ARTIKLI SET LAGER=LAGER-:kolicina WHERE UPPER(TRIM(SIFRA))=UPPER(TRIM(:sifra))");

// "IN (:r0,:r1,...)" for count numbered placeholders named prefix0.. (at least one).
QString inList(const QString &prefix, int count);
// QSumaStavke for count line numbers bound as :r0.. (and :broj for the table).
QString QSumaStavke(int count);
// Deletes the listed lines of a table (:broj, :r0..).
QString DeleteTableLines(int count);

} // namespace Statements
