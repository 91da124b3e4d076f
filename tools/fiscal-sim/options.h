#pragma once

#include <QString>
#include <QStringList>

namespace sim {

struct Options {
  int model = 1;
  QString registerNumber = QStringLiteral("123450");
  QString link;    // pty link path
  QString tcp;     // host:port
  QString journal; // JSON lines
  QString control; // local socket
  QString articles;
  bool notFiscalised = false;
  bool verbose = false;
  bool help = false;
  int dailyReports = 0;
  qint64 lastFiscalNumber = 0;

  // False with a message when the arguments cannot be used.
  static bool parse(const QStringList &arguments, Options &out, QString *error);
  static QString helpText();
};

} // namespace sim
