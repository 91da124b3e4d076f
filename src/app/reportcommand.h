#pragma once

#include <QString>
#include <QStringList>

#include <cstdio>

// `kasa --report NAME ...`: a database report without a window, from the same requests and
// layouts as the reports menu, written as PDF, CSV or plain text. It reads the working
// directory's configuration, opens the configured database, never the device, and needs no
// display. Messages go to standard error as one line each.
namespace ReportCommand {

// Exit codes, one per kind of failure.
enum Exit : int {
  Ok = 0,
  Usage = 2,          // unknown report, option or output; options the report does not take
  MissingDate = 3,    // "Morate uneti datum!"
  BadValue = 4,       // a date that is no date, a count that is no whole number
  NoDatabase = 5,     // the configured database cannot be opened
  DatabaseFailed = 6, // a statement the database refuses
  CannotWrite = 7,    // the output file cannot be written
};

// True when the program was started for a report (the first argument is --report).
bool requested(int argc, char **argv);

// Runs the command line from argv (without the program name) in workDir, once an
// application object exists. out gets the --text report, err the messages.
int run(const QStringList &args, const QString &workDir, FILE *out, FILE *err);

// The whole program for a report: no display needed, the till's locale, then run().
int main(int argc, char **argv);

} // namespace ReportCommand
