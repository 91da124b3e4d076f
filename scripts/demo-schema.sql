-- The thirteen tables as a shop's existing database holds them (no version
-- record): the program adds its indexes and version when it opens the file.
CREATE TABLE artikli (sifra VARCHAR(7), barkod VARCHAR(13), naziv VARCHAR(36), cena NUMERIC(10,2), stopa SMALLINT, jm VARCHAR(3), lager NUMERIC(12,3), vrsta VARCHAR(1), sifgrupa VARCHAR(7), minlag NUMERIC(12,3));
CREATE TABLE prodato (rbr INTEGER, brrac INTEGER, datum DATE, sifra VARCHAR(7), barkod VARCHAR(13), naziv VARCHAR(36), cena NUMERIC(10,2), storno INTEGER, stopa SMALLINT, prodato NUMERIC(8,3), iznos NUMERIC(13,2), godina INTEGER);
CREATE TABLE racuni (broj INTEGER, datum DATE, nazivkupca VARCHAR(60), sifpartner VARCHAR(9), rezim SMALLINT, status SMALLINT, brstola INTEGER, sifoper INTEGER, vreme VARCHAR(8), cek DOUBLE PRECISION, kartica DOUBLE PRECISION, gotovina DOUBLE PRECISION, brfisis INTEGER, godina INTEGER, broj_dok VARCHAR(20), rok INTEGER, clan VARCHAR(5), oslprom VARCHAR(2));
CREATE TABLE rate (broj INTEGER, godina INTEGER, rbr INTEGER, iznos DOUBLE PRECISION, datum TIMESTAMP, nacin SMALLINT, brojkart VARCHAR(30), tipkart VARCHAR(30), brtrans VARCHAR(30));
CREATE TABLE stolovi (brstola INTEGER, naziv VARCHAR(20), sifkonob INTEGER);
CREATE TABLE stost (rbr INTEGER, brstola INTEGER, sifra VARCHAR(7), barkod VARCHAR(13), naziv VARCHAR(36), stopa SMALLINT, cena DOUBLE PRECISION, kolicina DOUBLE PRECISION, iznos DOUBLE PRECISION, storno INTEGER, tura INTEGER);
CREATE TABLE konobari (rbr SMALLINT, sifkonob VARCHAR(7), naziv VARCHAR(30), admin BOOLEAN);
CREATE TABLE partner (sifpartner VARCHAR(9), naziv VARCHAR(60), pib VARCHAR(20), adresa VARCHAR(50), sifmesto VARCHAR(7), ziro VARCHAR(35));
CREATE TABLE mesto (sifmesto VARCHAR(7), naziv VARCHAR(30), ptt VARCHAR(5));
CREATE TABLE porstope (stopa SMALLINT, iznos DOUBLE PRECISION);
CREATE TABLE grupa (sifgrupa VARCHAR(7), naziv VARCHAR(50));
CREATE TABLE sastav (sifra VARCHAR(7), sifsas VARCHAR(7), naziv VARCHAR(36), kolicina DOUBLE PRECISION);
CREATE TABLE knjiga (suma NUMERIC(18,0), sifra VARCHAR(7));
