#include "killrun.h"

#include "journalcheck.h"
#include "soakparts.h"

#include "data/database.h"
#include "device/articlemirror.h"
#include "device/serialportlink.h"
#include "device/tcplink.h"
#include "engine/linkwire.h"
#include "engine/simprocess.h"
#include "engine/transactionengine.h"
#include "sales/articlelookup.h"
#include "sales/engineretailcalls.h"
#include "sales/retailsale.h"
#include "support/testsupport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>
#include <random>

namespace {

void say(const QString &line) {
  std::printf("%s\n", line.toLocal8Bit().constData());
  std::fflush(stdout);
}

// The cashier after a restart: every question answered by a seeded choice among the
// buttons that are there, each answer told to the campaign.
class VictimPrompt : public UserPrompt {
public:
  explicit VictimPrompt(std::mt19937 &rng) : m_rng(rng) {}
  bool messageDialog(const QString &title, const QString &text, bool) override {
    say(QStringLiteral("DIALOG message %1: %2").arg(title, text.left(60)));
    return true;
  }
  DeviceErrorAnswer deviceErrorDialog(const DeviceError &e) override {
    DeviceErrorAnswer a;
    if (e.mode == Mode::Notice) {
      say(QStringLiteral("DIALOG notice %1").arg(e.tekst.left(60)));
      return a;
    }
    if (e.mode == Mode::Question) {
      say(QStringLiteral("DIALOG question %1").arg(e.tekst.left(60)));
      a.odgovor = true;
      return a;
    }
    // Model 4's question about a receipt left open on the device; otherwise a repeat,
    // which the device answers from its memory when the step was done.
    const bool earlierOpen = e.captions.value(0) == QLatin1String("Zatvori prethodni");
    a.izborGreske = earlierOpen ? pick(3) : Ponovi;
    if (!earlierOpen && ++m_repeats > 5)
      a.izborGreske = Zaustavi;
    say(QStringLiteral("DIALOG error %1 -> %2").arg(e.tekst.left(60), e.captions.value(a.izborGreske - 1)));
    return a;
  }
  int unfinishedReceiptDialog(const UnfinishedReceipt &r) override {
    const int choice = pick(int(r.buttons.size()));
    say(QStringLiteral("CHOICE %1").arg(r.buttons.value(choice - 1)));
    return choice;
  }
  void showInstructions() override { say(QStringLiteral("DIALOG instructions")); }
  void pressEnterNotice(const QString &text) override {
    say(QStringLiteral("DIALOG enter %1").arg(text.left(60)));
  }
  void stepDone() { m_repeats = 0; }

private:
  int pick(int n) { return 1 + int(m_rng() % unsigned(std::max(1, n))); }
  std::mt19937 &m_rng;
  int m_repeats = 0;
};

QList<QJsonObject> readJournal(const QString &file) {
  QList<QJsonObject> docs;
  QFile f(file);
  if (f.open(QIODevice::ReadOnly))
    for (const QByteArray &l : f.readAll().split('\n'))
      if (!l.trimmed().isEmpty())
        docs << QJsonDocument::fromJson(l).object();
  return docs;
}

std::map<QString, double> startStock() {
  std::map<QString, double> out;
  for (const Article &a : kArticles)
    out[a.sifra] = kStartStock;
  return out;
}

QString summary(const JournalCheck &c) {
  return QStringLiteral(
             "journal %1 (%2 cancelled) database %3 unfinished %4 lost %5 doubled %6 mismatched %7 "
             "stock %8")
      .arg(c.journalReceipts)
      .arg(c.journalCancelled)
      .arg(c.databaseReceipts)
      .arg(c.unfinishedReceipts)
      .arg(c.lostLines)
      .arg(c.doubledLines)
      .arg(c.mismatches)
      .arg(c.stockErrors);
}

} // namespace

int runVictim(int model, const QString &dir, quint16 tcpPort, unsigned seed, int timeScale, bool trace) {
  std::mt19937 rng(seed);
  Database db;
  if (!db.open(int(DatabaseKind::SQLite), dir)) {
    say(QStringLiteral("FATAL database: ") + db.lastError());
    return 3;
  }
  if (db.scalar(QStringLiteral("SELECT COUNT(*) FROM artikli")).value_or(0).toInt() == 0)
    for (const Article &a : kArticles)
      if (!db.exec(QStringLiteral("INSERT INTO artikli (sifra, barkod, naziv, cena, stopa, lager) "
                                  "VALUES (:s, '', :n, :c, 2, :l)"),
                   {{QStringLiteral("s"), a.sifra},
                    {QStringLiteral("n"), a.naziv},
                    {QStringLiteral("c"), a.cena},
                    {QStringLiteral("l"), kStartStock}})) {
        say(QStringLiteral("FATAL articles"));
        return 3;
      }

  ScaledScheduler clock(timeScale);
  LinkSettings link;
  link.Model = model;
  link.IBFM = QStringLiteral("123450");
  ArticleMirror mirror;
  const QString mirrorFile = dir + QStringLiteral("/artikli.dat");
  if (!mirror.load(mirrorFile) || mirror.count() == 0) {
    // Model 4 learns the articles from the sale lines; the others sell only what they hold.
    if (model != 4)
      for (const Article &a : kArticles)
        mirror.insert({a.sifra, a.deviceNumber, QString(), a.naziv, a.cena, 2});
    else
      mirror.insert({QStringLiteral("99"), 1, QString(), QStringLiteral("PROBA"), 1, 2});
  }
  VictimPrompt prompt(rng);
  TransactionEngine engine(link, clock);
  engine.setPrompt(&prompt);
  engine.setDatabase(&db);
  engine.setMirror(&mirror, mirrorFile);
  engine.seedSendSeq(int(rng() % 49) + 1);
  if (trace) {
    QObject::connect(&engine, &TransactionEngine::frameSent, [](const QByteArray &f, bool resend) {
      std::fprintf(stderr, "  > %s%s\n", resend ? "(again) " : "", f.toHex(' ').constData());
    });
    QObject::connect(&engine, &TransactionEngine::frameReceived, [&engine](const QByteArray &f) {
      std::fprintf(stderr, "  < %s%s\n", f.toHex(' ').constData(),
                   engine.awaitingReply() ? "" : " (nothing awaited)");
    });
    QObject::connect(&engine, &TransactionEngine::lateReplyDropped, [](const QByteArray &f) {
      std::fprintf(stderr, "  late reply dropped: %s\n", f.toHex(' ').constData());
    });
  }

  DatabaseArticleLookup lookup(db);
  EngineRetailCalls calls(engine);
  RetailSale sale(lookup, calls, prompt, clock);
  RetailSettings settings;
  settings.model = model;
  sale.setSettings(settings);
  sale.rbrKasira = 1;
  engine.setRbrKasira(1);
  engine.setRetailScreen(&sale);

  std::unique_ptr<Link> device;
  if (model == 4) {
    auto tcp = std::make_unique<TcpLink>(clock);
    tcp->setHost(QStringLiteral("127.0.0.1"));
    tcp->setPort(tcpPort);
    device = std::move(tcp);
  } else {
    auto serial = std::make_unique<SerialPortLink>();
    serial->setPortName(dir + QStringLiteral("/COM1"));
    device = std::move(serial);
  }
  testsupport::Answer<bool> opened;
  device->open(opened.callback());
  if (!testsupport::waitFor([&] { return opened.arrived(); }, 5000) || !*opened) {
    say(QStringLiteral("FATAL link"));
    return 3;
  }
  LinkWire wire;
  wire.attach(device.get(), &engine);
  engine.setWire(&wire);

  auto idle = [&] {
    // Quiet for a moment: a pause before a write leaves nothing awaited for a while.
    bool done = false;
    // The recovery of an unfinished receipt may pause between its commands longer than that.
    const auto busy = [&] { return engine.awaitingReply() || engine.recoveringRetailReceipt(); };
    for (int i = 0; i < 100 && !done; ++i) {
      if (!testsupport::waitFor([&] { return !busy(); }, 60000))
        break;
      done = !testsupport::waitFor(busy, 400 / timeScale + 20);
    }
    prompt.stepDone();
    return done;
  };
  auto step = [&](const QString &entry, void (RetailSale::*key)()) {
    sale.setEntry(entry);
    (sale.*key)();
    if (trace)
      std::fprintf(stderr, "  %s -> %s\n", qPrintable(entry), qPrintable(sale.edtStatus()));
    return idle();
  };

  // Recovery: the opening of the retail screen, as the program does it after a start.
  const QDateTime now = clock.now();
  sale.open(now.date().year(), now.date(), now.time());
  if (!idle()) {
    say(QStringLiteral("STUCK recovery (awaiting a reply %1, recovering %2, receipt step pending %3)")
            .arg(engine.awaitingReply())
            .arg(engine.recoveringRetailReceipt())
            .arg(engine.racunUToku()));
    return 4;
  }
  // A receipt continued from where it was: the cashier takes the payment first.
  if (sale.sledeciRed > 1 && !step(QString(), &RetailSale::unos)) {
    say(QStringLiteral("STUCK continued receipt"));
    return 4;
  }
  const JournalCheck c = checkJournal(readJournal(dir + QStringLiteral("/journal.jsonl")), db.connection(),
                                      startStock(), model != 2 && model != 3);
  for (const QString &p : c.problems)
    say(QStringLiteral("PROBLEM ") + p);
  say(QStringLiteral("CHECK %1 %2")
          .arg(c.passed() ? QStringLiteral("ok") : QStringLiteral("fail"), summary(c)));

  // Sells until it is killed.
  for (;;) {
    const int lines = 1 + int(rng() % 4);
    for (int i = 0; i < lines; ++i) {
      const Article &a = kArticles[rng() % std::size(kArticles)];
      const double q = kQuantities[rng() % std::size(kQuantities)];
      if (!step(Quantity(q).text(), &RetailSale::kolicinaKey) || !step(a.sifra, &RetailSale::unos)) {
        say(QStringLiteral("STUCK sale"));
        return 4;
      }
    }
    if (!step(QString(), &RetailSale::unos)) {
      say(QStringLiteral("STUCK payment"));
      return 4;
    }
    say(QStringLiteral("SOLD %1").arg(sale.brojRacuna));
  }
}

KillResult runKillCampaign(const KillOptions &o) {
  KillResult r;
  QTemporaryDir tmp;
  const QString dir = tmp.path();
  SimProcess sim;
  QByteArray articles;
  for (const Article &a : kArticles)
    articles += QStringLiteral("%1;%2;%3;2;\n").arg(a.deviceNumber).arg(a.naziv).arg(a.cena).toUtf8();
  if (!sim.start(o.model, dir, true, articles)) {
    r.problems << QStringLiteral("fiscal-sim did not start");
    ++r.stuck;
    return r;
  }
  std::mt19937 rng(o.seed);
  QSet<QString> seen; // problems already counted
  QStringList fresh;  // problems of the check being read
  for (int round = 0; round <= o.kills; ++round) {
    QProcess victim;
    QStringList args{QStringLiteral("--victim"),
                     QStringLiteral("--models"),
                     QString::number(o.model),
                     QStringLiteral("--dir"),
                     dir,
                     QStringLiteral("--tcp-port"),
                     QString::number(sim.tcpPort),
                     QStringLiteral("--seed"),
                     QString::number(o.seed * 7919u + unsigned(round)),
                     QStringLiteral("--time-scale"),
                     QString::number(o.timeScale)};
    if (o.trace)
      args << QStringLiteral("--trace");
    victim.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    victim.start(QCoreApplication::applicationFilePath(), args);
    if (!victim.waitForStarted(5000)) {
      ++r.stuck;
      r.problems << QStringLiteral("the program did not start");
      break;
    }
    // Up to its check: the recovery's answers, then the verdict.
    bool checked = false;
    QByteArray pending;
    QElapsedTimer t;
    t.start();
    auto readLines = [&](const std::function<void(const QString &)> &onLine) {
      pending += victim.readAllStandardOutput();
      int nl;
      while ((nl = int(pending.indexOf('\n'))) >= 0) {
        const QString line = QString::fromLocal8Bit(pending.left(nl));
        pending.remove(0, nl + 1);
        onLine(line);
      }
    };
    auto onLine = [&](const QString &line) {
      if (o.trace)
        std::fprintf(stderr, "[%d] %s\n", round, qPrintable(line));
      if (line.startsWith(QLatin1String("CHOICE ")) || line.startsWith(QLatin1String("DIALOG ")))
        ++r.choices[line.section(QLatin1Char(' '), 0, 2)];
      // A receipt that went wrong stays wrong in every later check: only what is new counts.
      if (line.startsWith(QLatin1String("PROBLEM "))) {
        QString problem = line.mid(8);
        static const QRegularExpression counts(QStringLiteral("^(\\d+) receipts printed, (\\d+) completed"));
        if (const auto m = counts.match(problem); m.hasMatch())
          problem = QStringLiteral("completed receipts in the database minus receipts on the device: %1")
                        .arg(m.captured(2).toInt() - m.captured(1).toInt());
        if (!seen.contains(problem)) {
          seen.insert(problem);
          fresh << problem;
        }
      }
      if (line.startsWith(QLatin1String("CHECK "))) {
        checked = true;
        ++r.checks;
        if (!fresh.isEmpty()) {
          ++r.inconsistencies;
          if (r.problems.size() < 40)
            r.problems
                << QStringLiteral("after kill %1: %2").arg(round).arg(fresh.join(QStringLiteral("; ")));
        }
        fresh.clear();
      }
      if (line.startsWith(QLatin1String("STUCK ")) || line.startsWith(QLatin1String("FATAL "))) {
        if (r.problems.size() < 20)
          r.problems << QStringLiteral("after kill %1: %2").arg(round).arg(line);
      }
    };
    while (!checked && victim.state() == QProcess::Running && t.elapsed() < 120000) {
      victim.waitForReadyRead(200);
      readLines(onLine);
    }
    readLines(onLine);
    if (!checked) {
      ++r.stuck;
      victim.kill();
      victim.waitForFinished(5000);
      if (r.problems.size() < 20)
        r.problems << QStringLiteral("after kill %1: no check").arg(round);
      continue;
    }
    if (round == o.kills) {
      victim.kill();
      victim.waitForFinished(5000);
      break;
    }
    // A random moment of the selling that follows.
    const int delay = int(rng() % unsigned(std::max(1, o.maxDelayMs)));
    t.restart();
    while (t.elapsed() < delay && victim.state() == QProcess::Running) {
      victim.waitForReadyRead(std::max<int>(1, delay - int(t.elapsed())));
      readLines(onLine);
    }
    victim.kill(); // SIGKILL
    victim.waitForFinished(5000);
    readLines(onLine);
    ++r.kills;
  }
  // What is on the device at the end, receipt by receipt.
  for (const QJsonObject &d : sim.journal()) {
    const QString type = d.value(QStringLiteral("type")).toString();
    r.receipts += type == QLatin1String("receipt");
    r.cancelled += type == QLatin1String("storno");
  }
  if (!r.passed()) {
    tmp.setAutoRemove(false);
    r.problems << QStringLiteral("kept for a look: %1").arg(dir);
  }
  return r;
}
