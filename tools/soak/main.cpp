// Soak: receipts under random device faults, per model, ending in journal == database.
#include "killrun.h"
#include "soakrun.h"

#include "support/testsupport.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>

namespace {

// "total (name=n, ...)"; without a total where the numbers are of different things.
QString counts(const std::map<QString, int> &m, bool withTotal = true) {
  QStringList parts;
  int total = 0;
  for (const auto &[k, v] : m) {
    parts << QStringLiteral("%1=%2").arg(k).arg(v);
    total += v;
  }
  const QString list = parts.join(QStringLiteral(", "));
  return withTotal ? QStringLiteral("%1 (%2)").arg(total).arg(list) : list;
}

} // namespace

int main(int argc, char **argv) {
  QCoreApplication app(argc, argv);
  QCommandLineParser p;
  p.setApplicationDescription(QStringLiteral("Receipts against fiscal-sim under random faults."));
  p.addHelpOption();
  p.addOption({QStringLiteral("models"), QStringLiteral("Models to run (default 1,2,3,4,5)."),
               QStringLiteral("list"), QStringLiteral("1,2,3,4,5")});
  p.addOption({QStringLiteral("receipts"), QStringLiteral("Receipts per model (default 1000)."),
               QStringLiteral("n"), QStringLiteral("1000")});
  p.addOption({QStringLiteral("seed"), QStringLiteral("Random seed (default 1)."), QStringLiteral("n"),
               QStringLiteral("1")});
  p.addOption({QStringLiteral("fault-rate"), QStringLiteral("Chance of a fault before a step (default 0.3)."),
               QStringLiteral("p"), QStringLiteral("0.3")});
  p.addOption({QStringLiteral("time-scale"),
               QStringLiteral("Engine delays divided by this (default 10; 1 = real time)."),
               QStringLiteral("n"), QStringLiteral("10")});
  p.addOption({QStringLiteral("slow-replies"), QStringLiteral("Also replies slower than the watchdog.")});
  p.addOption({QStringLiteral("trace"), QStringLiteral("Every step, fault and answer on standard error.")});
  p.addOption(
      {QStringLiteral("kill"),
       QStringLiteral("Kill campaign instead: the program killed this many times per model (e.g. 200)."),
       QStringLiteral("n")});
  p.addOption({QStringLiteral("max-delay"),
               QStringLiteral("Kill campaign: longest wait in ms before a kill (default 600)."),
               QStringLiteral("ms"), QStringLiteral("600")});
  // The process the kill campaign starts and kills.
  p.addOption({QStringLiteral("victim"), QStringLiteral("(internal) the program that is killed.")});
  p.addOption({QStringLiteral("dir"), QStringLiteral("(internal) its folder."), QStringLiteral("dir")});
  p.addOption(
      {QStringLiteral("tcp-port"), QStringLiteral("(internal) model 4's port."), QStringLiteral("port")});
  p.process(app);
  testsupport::pinLocale();

  if (p.isSet(QStringLiteral("victim")))
    return runVictim(
        p.value(QStringLiteral("models")).toInt(), p.value(QStringLiteral("dir")),
        quint16(p.value(QStringLiteral("tcp-port")).toUInt()), p.value(QStringLiteral("seed")).toUInt(),
        std::max(1, p.value(QStringLiteral("time-scale")).toInt()), p.isSet(QStringLiteral("trace")));
  if (p.isSet(QStringLiteral("kill"))) {
    bool allPassed = true;
    for (const QString &m : p.value(QStringLiteral("models")).split(QLatin1Char(','), Qt::SkipEmptyParts)) {
      KillOptions o;
      o.model = m.toInt();
      o.kills = p.value(QStringLiteral("kill")).toInt();
      o.seed = p.value(QStringLiteral("seed")).toUInt() * 1000 + unsigned(o.model);
      o.timeScale = std::max(1, p.value(QStringLiteral("time-scale")).toInt());
      o.maxDelayMs = std::max(1, p.value(QStringLiteral("max-delay")).toInt());
      o.trace = p.isSet(QStringLiteral("trace"));
      const KillResult r = runKillCampaign(o);
      std::printf(
          "kill model %d: kills %d, restarts checked %d, inconsistencies %d, stuck %d; device receipts %d, "
          "cancelled %d\n  answers %s\n",
          o.model, r.kills, r.checks, r.inconsistencies, r.stuck, r.receipts, r.cancelled,
          counts(r.choices).toLocal8Bit().constData());
      for (const QString &problem : r.problems)
        std::printf("  ! %s\n", problem.toLocal8Bit().constData());
      std::printf("kill model %d: %s\n", o.model, r.passed() ? "PASS" : "FAIL");
      std::fflush(stdout);
      allPassed = allPassed && r.passed();
    }
    std::printf("kill: %s\n", allPassed ? "PASS" : "FAIL");
    return allPassed ? 0 : 1;
  }

  bool allPassed = true;
  for (const QString &m : p.value(QStringLiteral("models")).split(QLatin1Char(','), Qt::SkipEmptyParts)) {
    SoakOptions o;
    o.model = m.toInt();
    o.receipts = p.value(QStringLiteral("receipts")).toInt();
    o.seed = p.value(QStringLiteral("seed")).toUInt() * 1000 + unsigned(o.model);
    o.faultRate = p.value(QStringLiteral("fault-rate")).toDouble();
    o.trace = p.isSet(QStringLiteral("trace"));
    o.slowReplies = p.isSet(QStringLiteral("slow-replies"));
    o.timeScale = std::max(1, p.value(QStringLiteral("time-scale")).toInt());
    const SoakResult r = runSoak(o);
    const JournalCheck &c = r.check;
    const QString text =
        QStringLiteral(
            "soak model %1: receipts %2, completed %3, stuck %4, steps %5\n"
            "  faults %6\n  operator %7\n  device %8\n"
            "  journal %9 receipts / %10 lines; database %11 completed / %12 lines, %13 unfinished; "
            "lost %14, doubled %15, mismatched %16, stock errors %17\n")
            .arg(o.model)
            .arg(r.receipts)
            .arg(r.completed)
            .arg(r.stuck)
            .arg(r.steps)
            .arg(counts(r.faults), counts(r.choices), counts(r.device, false))
            .arg(c.journalReceipts)
            .arg(c.journalLines)
            .arg(c.databaseReceipts)
            .arg(c.databaseLines)
            .arg(c.unfinishedReceipts)
            .arg(c.lostLines)
            .arg(c.doubledLines)
            .arg(c.mismatches)
            .arg(c.stockErrors);
    std::fputs(text.toLocal8Bit().constData(), stdout);
    for (const QString &problem : c.problems)
      std::printf("  ! %s\n", problem.toLocal8Bit().constData());
    std::printf("soak model %d: %s\n", o.model, r.passed() ? "PASS" : "FAIL");
    std::fflush(stdout);
    allPassed = allPassed && r.passed();
  }
  std::printf("soak: %s\n", allPassed ? "PASS" : "FAIL");
  return allPassed ? 0 : 1;
}
