#pragma once

#include "journalcheck.h"

#include <QString>

#include <map>

struct SoakOptions {
  int model = 1;
  int receipts = 1000;
  unsigned seed = 1;
  double faultRate = 0.3;   // chance of a fault before each step
  int timeScale = 10;       // every engine delay (watchdog, pauses) divided by this
  QString workDir;          // kept for a failed run; a temporary folder otherwise
  bool slowReplies = false; // also replies that come after the watchdog's resend
  bool trace = false;       // every step, fault and answer on standard error
  // One of several tills on a shared PostgreSQL database (its connection text), set up
  // with seedSoakShop; the caller compares each till's journal once all have finished.
  // Empty: a database of the soak's own in memory, compared at the end.
  QString database;
  int cashier = 1; // KONOBARI.RBR the receipts are booked to (RACUNI.SIFOPER)
};

struct SoakResult {
  int receipts = 0;  // receipts started
  int completed = 0; // receiptCompleted from the engine
  int stuck = 0;     // receipts the policy could not bring to an end
  int steps = 0;
  std::map<QString, int> faults;  // injected, by kind
  std::map<QString, int> choices; // the operator's answers, by dialog and button
  std::map<QString, int> device;  // what the device saw (executed, resend answered, ...)
  JournalCheck check;
  bool passed() const { return stuck == 0 && completed == receipts && check.passed(); }
};

// The real engine against the real fiscal-sim (pty; model 4 over TCP) for a number of
// retail receipts with random faults injected through the simulator's control channel
// and a seeded operator; then the device's journal is compared with the database.
SoakResult runSoak(const SoakOptions &options);

class Database;
// The soak's articles with their stock, into an empty shop database; startStock gets
// ARTIKLI.LAGER by SIFRA. False when the database refused them.
bool seedSoakShop(Database &db, std::map<QString, double> &startStock);
