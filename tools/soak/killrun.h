#pragma once

#include <QString>
#include <QStringList>

#include <map>

struct KillOptions {
  int model = 1;
  int kills = 200;
  unsigned seed = 1;
  int timeScale = 10;
  int maxDelayMs = 600; // a kill comes at a random moment up to this long after the check
  bool trace = false;
};

struct KillResult {
  int kills = 0;
  int checks = 0;                 // restarts that came up, recovered and checked
  int inconsistencies = 0;        // checks that found the database and the device journal apart
  int stuck = 0;                  // restarts that never came to their check
  int receipts = 0;               // completed in the database at the end
  int cancelled = 0;              // cancelled by the device at the end
  std::map<QString, int> choices; // unfinished-receipt answers and other dialogs, by text
  QStringList problems;           // the first few, readable
  bool passed() const { return stuck == 0 && inconsistencies == 0 && checks == kills + 1; }
};

// The program's engine and retail screen in a process of its own against the real
// fiscal-sim, killed with SIGKILL at random moments, started again each time: the
// unfinished-receipt choice is answered by a seeded policy, and after each restart the
// database is compared with the device journal.
KillResult runKillCampaign(const KillOptions &options);

// The process that is killed: recovers, checks, prints "CHECK ..." and sells until killed.
int runVictim(int model, const QString &dir, quint16 tcpPort, unsigned seed, int timeScale, bool trace);
