#pragma once

#include "common/money.h"

#include <QDate>
#include <QString>
#include <QTime>

#include <vector>

// One step of a receipt as the sale screens describe it to the engine.
// A cleared record is all zeros and empty texts; a cleared nacinPlacanja is cash.
struct Racun {
  enum Operacija : int { Otvaranje = 100, Prodaja = 200, Placanje = 300, Kraj = -1 };
  enum NacinPlacanja : int { Gotovina = 0, Cek = 1, Kartica = 2 };

  int operacija = 0;   // 100 open, 200 sale line, 300 payment, -1 end
  quint8 operater = 0; // KONOBARI.RBR of the cashier or waiter (step 100)
  quint8 storno = 0;   // 1 = reversal line
  int sifraUKasi = 0;  // article number in the device's memory (set by the article check)
  QString sifra;       // ARTIKLI.SIFRA
  QString barkod;      // digits-only barcode, else the article code (or the padded device number)
  Quantity kolicina;
  Money cena;            // unit price
  int nacinPlacanja = 0; // 0 cash, 1 cheque, 2 card
  Money iznosPlacanja;
  QDate datum; // step 100
  QTime vreme; // step 100
  QString naziv;
  int poreskaGrupa = 0; // tax group index in the device
  Money iznos;          // line amount
  int rbrStavke = 0;    // STOST.RBR the line came from (restaurant and split receipts)
  Money ostatak;        // cash still due: total minus cheque minus card
  QString tipKartice;
  QString brojKartice;
  QString brojTransakcije;
};

// The steps of a whole receipt: element 0 opens, the last used element ends (-1).
// The old fixed array held 256 steps; the engine accepts any length that ends in -1.
using StavkeRacuna = std::vector<Racun>;
