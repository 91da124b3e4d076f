#include "options.h"

namespace sim {

bool Options::parse(const QStringList &args, Options &o, QString *error) {
  auto value = [&](int &i, const QString &name, QString &out) {
    if (i + 1 >= args.size()) {
      *error = QStringLiteral("%1 needs a value").arg(name);
      return false;
    }
    out = args[++i];
    return true;
  };
  for (int i = 1; i < args.size(); ++i) {
    QString a = args[i];
    QString inlineValue;
    const int eq = int(a.indexOf(QLatin1Char('=')));
    if (a.startsWith(QLatin1String("--")) && eq > 0) {
      inlineValue = a.mid(eq + 1);
      a = a.left(eq);
    }
    auto take = [&](QString &out) {
      if (eq > 0 && args[i].startsWith(QLatin1String("--"))) {
        out = inlineValue;
        return true;
      }
      return value(i, a, out);
    };
    QString v;
    if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
      o.help = true;
    } else if (a == QLatin1String("--model")) {
      if (!take(v))
        return false;
      bool ok = false;
      o.model = v.toInt(&ok);
      if (!ok || o.model < 1 || o.model > 5) {
        *error = QStringLiteral("--model must be 1 to 5");
        return false;
      }
    } else if (a == QLatin1String("--register")) {
      if (!take(v))
        return false;
      for (QChar c : v)
        if (!c.isDigit()) {
          *error = QStringLiteral("--register takes up to six digits");
          return false;
        }
      if (v.isEmpty() || v.size() > 6) {
        *error = QStringLiteral("--register takes up to six digits");
        return false;
      }
      o.registerNumber = v;
    } else if (a == QLatin1String("--link")) {
      if (!take(o.link))
        return false;
    } else if (a == QLatin1String("--tcp")) {
      if (!take(o.tcp))
        return false;
    } else if (a == QLatin1String("--journal")) {
      if (!take(o.journal))
        return false;
    } else if (a == QLatin1String("--control")) {
      if (!take(o.control))
        return false;
    } else if (a == QLatin1String("--articles")) {
      if (!take(o.articles))
        return false;
    } else if (a == QLatin1String("--not-fiscalised")) {
      o.notFiscalised = true;
    } else if (a == QLatin1String("--verbose") || a == QLatin1String("-v")) {
      o.verbose = true;
    } else if (a == QLatin1String("--daily-reports")) {
      if (!take(v))
        return false;
      bool ok = false;
      o.dailyReports = v.toInt(&ok);
      if (!ok || o.dailyReports < 0 || o.dailyReports > 3000) {
        *error = QStringLiteral("--daily-reports must be 0 to 3000");
        return false;
      }
    } else if (a == QLatin1String("--receipt-number")) {
      if (!take(v))
        return false;
      bool ok = false;
      o.lastFiscalNumber = v.toLongLong(&ok);
      if (!ok || o.lastFiscalNumber < 0 || o.lastFiscalNumber > 0xFFFFFFFFLL) {
        *error = QStringLiteral("--receipt-number must be a non-negative 32-bit number");
        return false;
      }
    } else {
      *error = QStringLiteral("unknown argument \"%1\" (see --help)").arg(args[i]);
      return false;
    }
  }
  if (o.help)
    return true;
  if (o.link.isEmpty() && o.tcp.isEmpty()) {
    *error = QStringLiteral("give --link PATH (serial over a pty) or, for model 4, --tcp 127.0.0.1:PORT");
    return false;
  }
  if (!o.tcp.isEmpty() && o.model != 4) {
    *error = QStringLiteral("only model 4 is reached over TCP");
    return false;
  }
  return true;
}

QString Options::helpText() {
  return QStringLiteral(R"(fiscal-sim: a fiscal cash register / fiscal printer for tests, training and demos.
One process is one device.

Usage:
  fiscal-sim --model N --register 123450 --link ./COM1 [options]
  fiscal-sim --model 4 --tcp 127.0.0.1:1024 [--link ./COM1] [options]

Options:
  --model N            1 Taliro, 2 Menko, 3 Menko with long-frame article memory,
                       4 Dravo, 5 Selvio (default 1)
  --register DIGITS    register number, up to six digits (default 123450). Long
                       frames carrying another register number, another family
                       or link byte, or a bad checksum are ignored without a
                       reply, as a device on a shared line does.
  --link PATH          create a pseudo-terminal and link PATH to its slave side
                       (an existing symbolic link is replaced); the program
                       opens PATH as its serial port
  --tcp HOST:PORT      model 4 only: listen for TCP connections (loopback
                       addresses only, e.g. 127.0.0.1:1024; a bare HOST means
                       port 1024, a bare number a port on 127.0.0.1; port 0
                       picks a free one and prints it)
  --journal FILE       append every printed document as one JSON line
                       (receipts, stornos, reports, free texts)
  --control PATH       local socket for faults and state, one JSON command per
                       line, each answered by one JSON line
  --articles FILE      preload the article memory; lines "number;name;price;
                       tax group;barcode" (UTF-8, '#' comments)
  --not-fiscalised     the fiscal memory is not initialised: the start-up checks
                       fail and receipts are refused
  --daily-reports N    daily reports already in the fiscal memory (0..3000)
  --receipt-number N   last fiscal receipt number issued (default 0)
  --verbose, -v        log every frame to standard error
  --help, -h           this text

On start it prints "fiscal-sim ready" with the pty, TCP port and control socket
on standard output.

Control commands ({"cmd": NAME, ...}); answers are {"ok":true,...} or
{"ok":false,"error":TEXT}:
  state                  the whole device: counters, open receipt, flags, link stats
  articles               the article memory
  receipt                the open receipt (lines, payments, total)
  silent {count}         ignore the next count frames entirely (not executed)
  loseReplies {count}    execute the next count frames but send no reply
  refuse {reason, errorClass, errorBits, count}
                         refuse the next command(s) without executing: family 1
                         with reason byte (0x40 paper, 0x08, 0x02, 0x10, ...),
                         family 2 with a plain refusal, family 4 with the error
                         class (offset 10) and the 32 error bits (offsets 11-14)
  paperOut {on}          out of paper until switched off (family 1 reason 0x40,
                         family 4 error bit 3, family 2 plain refusal)
  notice {code}          model 4: answer the next long frame with the notice 0xF5
  garbage {hex, count}   send these bytes before the next reply (default 01 02 03)
  split {mode, gapMs}    replies "bytes" (byte by byte), "random" pieces, or "off"
  latency {ms}           wait before every reply
  drop {next}            TCP: close the connections now, or with next=true
                         instead of answering the next frame
  reexecuteResends {on}  a frame repeated with the same sequence byte is executed
                         again instead of being answered with the last reply
  busy {states}          model 4: the next status requests report these states
                         (e.g. [10, 20]); afterwards the real state again
  dailyReport            make a daily report as from the device's keypad
  set {fiscalised, dailyReportRequired, dailyReportOutstanding,
       dailyReportsStored, lastFiscalNumber, taxRates[9],
       operators{n: name or {name, code}}}   (family 1 0..24, model 4 1..64)
  setArticle {number, name, price, taxGroup, barcode}   empty name removes it
  history {clear}        the latest 500 frames received, each with the reply
                         ("in", "out" in hex, "what" happened)
  clearFaults            forget every pending fault and switch paper back in
  help                   list the commands
)");
}

} // namespace sim
