#pragma once

#include <QString>

// A device operation of the start-up check or the Menko variant detection
// (`zapocetaOperacija`): while one is under way its answers belong to it.
enum class StartedOperation {
  None,
  PrijavaStart, // "PRIJAVASTART": the start-up check logs a Menko in
  CitanjeFM,    // "CITANJEFM": then reads its fiscal memory
  Prijava,      // "PRIJAVA": the variant detection logs in
  CitanjeArt,   // "CITANJEART": then reads an article in long frames
};

// The article check's own state; cleared when a step's check starts, except
// indeksProvere, which its caller sets.
struct ArticleCheckState {
  int indeksProvere = 0; // the step of stavkeRacuna being checked
  bool noviArtikal = false;
  bool zamenaArtikla = false;
  bool zamenaArtiklaKorak2 = false;
  bool promenaCene = false;
  QString staraSifra, stariBarkod; // of the mirror row being replaced
  int mirrorRow = -1;              // the mirror row that matched
  int nextFree = 1;                // the next free device number

  // An article write of the check awaits its confirmation.
  bool writePending() const { return noviArtikal || zamenaArtikla || zamenaArtiklaKorak2 || promenaCene; }
  void clear() {
    const int index = indeksProvere;
    *this = ArticleCheckState{};
    indeksProvere = index;
  }
};

// Every flag of the engine in one place, under the names the sale screens,
// the start window and the watchdog know them by. Nothing of it is saved.
struct EngineState {
  // --- the sale (set by the screens) ---
  bool rezimRestoran = false; // steps come from stavkeRacuna, else from stavkaKase
  bool rastavljanjePoArtiklima = false;
  bool rastavljanjePoTurama = false;
  bool ekranKaseOtvoren = false; // the retail screen is open

  // --- the start-up check ---
  bool proveraKase = false;   // the check is under way
  bool kasaProverena = false; // the device answered that it is fiscalised
  bool menkoFallback = false; // a Menko is asked through its short-frame service
  StartedOperation zapocetaOperacija = StartedOperation::None;

  // --- the receipt ---
  bool racunUToku = false;  // a receipt step is pending: the watchdog's receipt path
  bool krajPoslat = false;  // dialect B: the receipt closes after the pending payment / the closing went out
  bool zavrsiRacun = false; // dialect B: the next confirming reply completes the receipt
  bool preskociOdgovor = false; // model 3: the next confirming reply is swallowed
  bool closingAwaited = false;  // dialect C: the closing was confirmed, the status completes the receipt
  int indeksStavke = 0;         // the step of stavkeRacuna whose reply is awaited

  // --- service and auxiliary commands ---
  bool komandaUToku = false;   // a service command awaits its reply
  bool pomocnaKomanda = false; // an auxiliary command (drawer, free text, display) is pending
  bool izvestajUToku = false;
  bool posleDnevnogIzvestaja = false;  // the daily report is followed by GetFMInfo
  bool posleIzvestajaArtikala = false; // the report by articles by IsprazniTotal
  bool statusIzProdaje = false;        // a sale screen asked for the status to open its receipt
  bool slobodanTekstUToku = false;
  bool datumVremeUToku = false; // DatumVreme's answer sets the clock

  // --- the link: one command in flight ---
  bool awaitingReply = false;    // a command was written whose reply has not been accepted yet
  bool pendingService = false;   // the awaited reply answers a service command (its own resend path)
  bool auxSettling = false;      // family 1: the pause after an auxiliary command's reply
  int brojPonavljanja = 0;       // resends of the pending service command
  int brojPonavljanjaRacuna = 0; // resends of the pending receipt command

  ArticleCheckState provera;
};
