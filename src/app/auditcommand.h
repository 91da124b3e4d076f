#pragma once

#include <QString>

#include <cstdio>

// `kasa --check-audit`: walks the audit journal of the configured database and says
// whether every row still holds. Needs no display and never touches the device.
namespace AuditCommand {

enum Exit : int {
  Ok = 0,
  Broken = 1,     // a row was edited, deleted or slipped in: the first such row is named
  Usage = 2,      // arguments after --check-audit
  NoDatabase = 5, // the configured database cannot be opened or its journal read
};

// True when the first argument is --check-audit.
bool requested(int argc, char **argv);

// Checks the journal of the database configured in workDir; the verdict goes to out,
// failures to err, one line each.
int run(const QString &workDir, FILE *out, FILE *err);

// The whole program for the check (argv as main got it).
int main(int argc, char **argv);

} // namespace AuditCommand
