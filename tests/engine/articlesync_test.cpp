// The device article window's loops against fiscal-sim's device in the test process,
// on virtual time: what goes out per model, what the mirror ends up holding, and how
// each loop ends (the memory's end, the window closed, the engine giving up).
#include "engineharness.h"
#include "simdevice.h"

#include "device/articlemirrormodel.h"
#include "engine/articlesync.h"

#include <QJsonObject>

using namespace enginetest;

namespace {

struct SyncFixture {
  explicit SyncFixture(int model) : sim(model, clock) {
    link.Model = model;
    link.IBFM = QStringLiteral("123450");
    engine = std::make_unique<TransactionEngine>(link, clock);
    engine->setWire(&sim);
    engine->setPrompt(&prompt);
    engine->seedSendSeq(10);
    sim.attach(engine.get());
    mirrorModel = std::make_unique<ArticleMirrorModel>(mirror);
    sync = std::make_unique<ArticleSync>(*engine, link, clock, *mirrorModel, path());
    sync->setPrompt(&prompt);
    QObject::connect(sync.get(), &ArticleSync::buttonsEnabled, [this](bool on) {
      buttons = on;
      buttonLog << on;
    });
    QObject::connect(sync.get(), &ArticleSync::busyCursor, [this](bool on) { busy = on; });
    QObject::connect(sync.get(), &ArticleSync::countChanged, [this](const QString &t) { count = t; });
    sync->activate();
  }
  QString path() const { return dir.filePath(QStringLiteral("artikli.dat")); }

  // Lets the device answer until the loop has ended and the buttons are back.
  bool run(int budgetMs = 100000) {
    for (int i = 0; i < budgetMs; ++i) {
      if (!sync->running() && buttons)
        return true;
      clock.advance(1);
    }
    return false;
  }
  // Runs until n frames have gone out.
  void runFrames(int n) {
    for (int i = 0; i < 100000 && sim.frames.size() < n; ++i)
      clock.advance(1);
  }

  // Article numbers of the frames with this command code, as the model carries them.
  QList<int> numbers(int code) const {
    QList<int> out;
    for (const QByteArray &f : sim.frames) {
      const bool isLong = quint8(f[0]) == 0xAA;
      if ((isLong ? quint8(f[7]) : quint8(f[1])) != code)
        continue;
      if (isLong)
        out << (quint8(f[9]) | quint8(f[10]) << 8);
      else if (link.Model == 2)
        out << (quint8(f[3]) << 8 | quint8(f[4]));
      else
        out << (quint8(f[3]) | quint8(f[4]) << 8);
    }
    return out;
  }
  QList<int> codes() const { return sim.codes(); }
  QList<int> mirrorNumbers() const {
    QList<int> out;
    for (const MirrorArticle &r : mirror.rows())
      out << r.SIFRA;
    return out;
  }
  void set(const char *key, bool on) { sim.control({{"cmd", "set"}, {QString::fromLatin1(key), on}}); }

  QTemporaryDir dir;
  LinkSettings link;
  VirtualScheduler clock;
  SimDevice sim;
  ScriptedPrompt prompt;
  ArticleMirror mirror;
  std::unique_ptr<TransactionEngine> engine;
  std::unique_ptr<ArticleMirrorModel> mirrorModel;
  std::unique_ptr<ArticleSync> sync;
  bool buttons = false, busy = false;
  QList<bool> buttonLog;
  QString count = QStringLiteral("x");
};

QList<int> range(int from, int to, int skipped = -1) {
  QList<int> out;
  for (int i = from; i <= to; ++i)
    if (i != skipped)
      out << i;
  return out;
}

MirrorArticle row(int sifra, const QString &naziv, double cena, int grupa, const QString &barkod = {}) {
  return {barkod, sifra, barkod, naziv, cena, grupa};
}

// Reading asks each model for its whole memory in its own way; empty slots add no rows,
// and names in Serbian Latin and Cyrillic come back as they were programmed.
TEST(ArticleSyncRead, EveryModelReadsItsMemoryIntoTheMirror) {
  struct Case {
    int model;
    QList<int> opening; // command codes before the first read
    int readCode;       // code of the article reads
    QList<int> asked;   // numbers asked for (empty: not checked)
    int reads;          // read frames in all
    QList<int> closing; // codes after the last read
  } cases[] = {
      {1, {}, 0x73, range(0, 3999, 704), 3999, {}},
      {5, {}, 0x73, range(0, 11999), 12000, {}},
      {2, {0x00, 0x20}, 0x80, range(1, 3000), 3000, {0x10}},
      {3, {0x01}, 0x14, range(1, 3000), 3000, {}},
      {4, {0x82}, 0x84, {}, 3, {}}, // CitanjeArtikla (1), then three CitajSledeci
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.model);
    SyncFixture f(c.model);
    f.mirror.insert(row(99, "STARO", 1, 1)); // replaced by what the device holds
    // Model 3 stores names as written but they are read back through the family-1
    // conversion: its letters outside ASCII do not come back.
    const QString latin = c.model == 3 ? QStringLiteral("SAH CEVAPCICI") : QStringLiteral("ŠAH ĆEVAPČIĆI žđ");
    const QString cyrillic = c.model == 3 ? QStringLiteral("LJILJANA") : QStringLiteral("Љиљана ЂЋЏ");
    f.sim.program(5, latin, 80, 2, QStringLiteral("8600000000017"));
    f.sim.program(703, cyrillic, 12.5, 1);
    f.sim.program(2999, QStringLiteral("KAFA"), 100, 0);
    f.sync->citanjeIzKase();
    ASSERT_TRUE(f.run(200000));
    const QList<int> codes = f.codes();
    ASSERT_GE(codes.size(), c.opening.size() + c.closing.size());
    EXPECT_EQ(codes.mid(0, c.opening.size()), c.opening);
    EXPECT_EQ(codes.mid(codes.size() - c.closing.size()), c.closing);
    EXPECT_EQ(codes.count(c.readCode), c.reads);
    if (!c.asked.isEmpty())
      EXPECT_EQ(f.numbers(c.readCode), c.asked);
    ASSERT_EQ(f.mirrorNumbers(), (QList<int>{5, 703, 2999}));
    EXPECT_EQ(f.mirror.at(0).NAZIV, latin);
    EXPECT_EQ(f.mirror.at(0).BARKOD, QStringLiteral("8600000000017"));
    EXPECT_EQ(f.mirror.at(0).KSIFRA, QStringLiteral("8600000000017")); // the barcode read back
    EXPECT_DOUBLE_EQ(f.mirror.at(0).CENA, 80);
    EXPECT_EQ(f.mirror.at(0).PORESKA_GRUPA, 2);
    EXPECT_EQ(f.mirror.at(1).NAZIV, cyrillic);
    EXPECT_DOUBLE_EQ(f.mirror.at(1).CENA, 12.5);
    EXPECT_EQ(f.count, QString());
    EXPECT_FALSE(f.busy);
    EXPECT_TRUE(f.prompt.log.isEmpty()) << f.prompt.log.join('\n').toStdString();
    // Models 1 and 5 save what they read; the others when the window closes.
    ArticleMirror saved;
    saved.load(f.path());
    EXPECT_EQ(saved.count(), c.model == 1 || c.model == 5 ? 3 : 0);
  }
}

// Closing the window during a read ends the loop at the next reply; the rows read
// so far stay and are saved.
TEST(ArticleSyncRead, ClosingMidReadKeepsAndSavesWhatWasRead) {
  for (int model : {1, 2, 4}) {
    SCOPED_TRACE(model);
    SyncFixture f(model);
    for (int n = 1; n <= 40; ++n)
      f.sim.program(n, QStringLiteral("ART %1").arg(n), n, 1);
    f.sync->citanjeIzKase();
    f.runFrames(model == 2 ? 12 : 10);
    f.sync->close();
    ASSERT_TRUE(f.run());
    const int rows = f.mirror.count();
    EXPECT_GE(rows, 8);
    EXPECT_LT(rows, 40);
    const int sent = int(f.sim.frames.size());
    f.clock.advance(20000);
    EXPECT_EQ(f.sim.frames.size(), sent); // nothing more asked, no resend
    ArticleMirror saved;
    ASSERT_TRUE(saved.load(f.path()));
    EXPECT_EQ(saved.count(), rows);
    EXPECT_EQ(saved.rows().last().NAZIV, f.mirror.rows().last().NAZIV);
  }
}

// "Upis iz tabele": rows up to the model's highest number, nothing for an empty mirror.
TEST(ArticleSyncWrite, WritesTheRowsUpToTheHighestNumber) {
  struct Case {
    int model;
    QList<MirrorArticle> rows;
    QList<int> written;
  } cases[] = {
      {1, {}, {}},
      {1, {row(3998, "A", 1, 1), row(3999, "B", 2, 1), row(4000, "C", 3, 1)}, {3998, 3999}},
      {1, {row(703, "A", 1, 1), row(704, "B", 2, 1), row(705, "C", 3, 1)}, {703, 705}},
      {5, {row(4000, "A", 1, 1), row(11999, "B", 2, 1), row(12000, "C", 3, 1)}, {4000, 11999}},
      {3, {row(2999, "A", 1, 1), row(3000, "B", 2, 1), row(3001, "C", 3, 1)}, {2999, 3000}},
      {4, {row(7, "A", 1, 1), row(30000, "B", 2, 1)}, {7, 30000}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.model);
    SyncFixture f(c.model);
    for (const MirrorArticle &r : c.rows)
      f.mirror.insert(r);
    f.sync->upisIzTabele();
    ASSERT_TRUE(f.run());
    const int code = c.model == 4 ? 0x13 : c.model == 3 ? 0x15 : 0x74;
    EXPECT_EQ(f.numbers(code), c.written);
    if (c.rows.isEmpty())
      EXPECT_TRUE(f.sim.frames.isEmpty());
    for (int n : c.written)
      EXPECT_TRUE(f.sim.device().articles.contains(n)) << n;
    EXPECT_EQ(f.mirror.count(), c.rows.size()); // writing leaves the mirror alone
    EXPECT_FALSE(f.busy);
  }
}

// Model 2 writes inside its service bracket and closes it at the end.
TEST(ArticleSyncWrite, Model2WritesInsideItsServiceBracket) {
  SyncFixture f(2);
  f.mirror.insert(row(1, "KAFA", 80, 2, "8600000000017"));
  f.mirror.insert(row(2, "ЧАЈ", 60, 1));
  f.sync->upisIzTabele();
  ASSERT_TRUE(f.run());
  EXPECT_EQ(f.codes(), (QList<int>{0x00, 0x20, 0x85, 0x85, 0x10}));
  EXPECT_FALSE(f.sync->servisOtvoren());
  EXPECT_EQ(f.sim.device().nameText(f.sim.device().articles.value(2).name), QStringLiteral("ЧАЈ"));
}

// "Upis svih artikala" writes every row once, then empties from the number after the last.
TEST(ArticleSyncWrite, WriteAllWritesTheRowsThenEmptiesTheRest) {
  struct Case {
    int model;
    QList<int> rows;
    int code;
    QList<int> numbers; // of the write frames
    QList<int> ranges;  // model 4: emptying ranges (first numbers)
  } cases[] = {
      {1, {1, 2}, 0x74, range(1, 3999, 704), {}},
      {2, {1, 2}, 0x85, range(1, 3000), {}},
      {3, {1, 2}, 0x15, range(1, 3000), {}},
      {4, {1, 2}, 0x13, {1, 2}, {3}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.model);
    SyncFixture f(c.model);
    for (int n = 1; n <= 3000; n += 7) // stale articles higher up
      f.sim.program(n, QStringLiteral("STARO"), 1, 1);
    for (int n : c.rows)
      f.mirror.insert(row(n, QStringLiteral("NOVI %1").arg(n), n, 1));
    f.sync->upisSvihArtikala();
    ASSERT_TRUE(f.run(200000));
    EXPECT_EQ(f.numbers(c.code), c.numbers);
    EXPECT_EQ(f.numbers(0x0F), c.ranges);
    EXPECT_EQ(f.sim.device().articles.keys(), c.rows); // only the mirror's rows are left
  }
}

// "Isprazni kasu" on model 1: a probe written and read back, then every number emptied;
// with the daily report outstanding the probe comes back different and only the warning shows.
TEST(ArticleSyncEmpty, Model1ProbesThenEmptiesEveryNumber) {
  for (bool outstanding : {false, true}) {
    SCOPED_TRACE(outstanding);
    SyncFixture f(1);
    f.sim.program(0, QStringLiteral("TEST"), 1, 0);
    f.sim.program(17, QStringLiteral("KAFA"), 80, 2);
    f.mirror.insert(row(0, "TEST", 1, 0));
    f.mirror.insert(row(17, "KAFA", 80, 2));
    f.set("dailyReportOutstanding", outstanding);
    f.sync->isprazniKasu();
    ASSERT_TRUE(f.run(100000));
    const QString probe = f.sync->probniNaziv();
    EXPECT_EQ(probe.size(), 36);
    EXPECT_TRUE(QRegularExpression("^[A-Y]+$").match(probe).hasMatch());
    if (outstanding) {
      EXPECT_EQ(f.codes(), (QList<int>{0x74, 0x73}));
      EXPECT_EQ(
          f.prompt.log,
          QStringList{"message|Upozorenje!|Morate prvo uraditi dnevni izvestaj da bi ispraznili kasu!"});
      EXPECT_EQ(f.mirrorNumbers(), (QList<int>{0, 17}));
      continue;
    }
    EXPECT_EQ(f.numbers(0x74), QList<int>{0} + range(0, 3999, 704));
    EXPECT_EQ(f.numbers(0x73), QList<int>{0});
    EXPECT_TRUE(f.sim.device().articles.isEmpty());
    ASSERT_EQ(f.mirror.count(), 1); // the placeholder the sale path's check will find
    EXPECT_EQ(f.mirror.at(0).SIFRA, 0);
    EXPECT_DOUBLE_EQ(f.mirror.at(0).CENA, 1);
    EXPECT_EQ(f.mirror.at(0).NAZIV, QStringLiteral("ТЕСТ АРТИКАЛ 1"));
    EXPECT_EQ(f.mirror.at(0).KSIFRA, QStringLiteral("0000000000000"));
    ArticleMirror saved;
    ASSERT_TRUE(saved.load(f.path()));
    EXPECT_EQ(saved.count(), 1);
    EXPECT_TRUE(f.prompt.log.isEmpty());
  }
}

// Model 2 leaves exactly its one test row; with the daily report outstanding the device
// refuses the service and the warning shows.
TEST(ArticleSyncEmpty, Model2LeavesTheOneTestRow) {
  for (bool outstanding : {false, true}) {
    SCOPED_TRACE(outstanding);
    SyncFixture f(2);
    f.sim.program(1, QStringLiteral("KAFA"), 80, 2);
    f.sim.program(2500, QStringLiteral("CAJ"), 60, 2);
    f.mirror.insert(row(1, "KAFA", 80, 2));
    f.mirror.insert(row(2500, "CAJ", 60, 2));
    f.set("dailyReportOutstanding", outstanding);
    f.sync->isprazniKasu();
    ASSERT_TRUE(f.run(100000));
    if (outstanding) {
      EXPECT_EQ(f.codes(), (QList<int>{0x00, 0x10}));
      EXPECT_EQ(
          f.prompt.log,
          QStringList{"message|Upozorenje!|Morate prvo uraditi dnevni izvestaj da bi ispraznili kasu!"});
      EXPECT_EQ(f.mirrorNumbers(), (QList<int>{1, 2500}));
      continue;
    }
    EXPECT_EQ(f.numbers(0x85), range(1, 3000));
    EXPECT_EQ(f.codes().last(), 0x10);
    ASSERT_EQ(f.mirror.count(), 1);
    EXPECT_EQ(f.mirror.at(0).SIFRA, 0);
    EXPECT_EQ(f.mirror.at(0).NAZIV, QStringLiteral("ТЕСТ АРТИКАЛ 1"));
    EXPECT_DOUBLE_EQ(f.mirror.at(0).CENA, 0);
    EXPECT_EQ(f.sim.device().articles.keys(), QList<int>{1}); // the test article
    ArticleMirror saved;
    ASSERT_TRUE(saved.load(f.path()));
    EXPECT_EQ(saved.count(), 1);
  }
}

// Model 3 logs in, probes article 1, then writes the test article and empties the rest.
TEST(ArticleSyncEmpty, Model3ProbesAfterItsLogIn) {
  SyncFixture f(3);
  f.sim.program(1, QStringLiteral("KAFA"), 80, 2);
  f.sim.program(40, QStringLiteral("CAJ"), 60, 2);
  f.mirror.insert(row(40, "CAJ", 60, 2));
  f.sync->isprazniKasu();
  ASSERT_TRUE(f.run(100000));
  const QList<int> codes = f.codes();
  EXPECT_EQ(codes.mid(0, 3), (QList<int>{0x01, 0x15, 0x14}));
  EXPECT_EQ(f.numbers(0x15), QList<int>{1} + range(1, 3000));
  EXPECT_EQ(f.sim.device().articles.keys(), QList<int>{1});
  EXPECT_EQ(f.mirrorNumbers(), QList<int>{1});
  EXPECT_EQ(f.sync->probniNaziv().size(), 18);
}

// Model 4 empties with its range command; the mirror keeps one row under the first name.
TEST(ArticleSyncEmpty, Model4EmptiesWithItsRangeCommand) {
  SyncFixture f(4);
  f.sim.program(3, QStringLiteral("KAFA"), 80, 2);
  f.mirror.insert(row(3, "KAFA", 80, 2));
  f.mirror.insert(row(9, "CAJ", 60, 2));
  f.sync->isprazniKasu();
  ASSERT_TRUE(f.run());
  ASSERT_EQ(f.sim.frames.size(), 1);
  EXPECT_EQ(f.sim.frames[0].mid(9, 4), QByteArray::fromHex("010060ea"));
  EXPECT_TRUE(f.sim.device().articles.isEmpty());
  ASSERT_EQ(f.mirror.count(), 1);
  EXPECT_EQ(f.mirror.at(0).SIFRA, 1);
  EXPECT_EQ(f.mirror.at(0).NAZIV, QStringLiteral("KAFA"));
  EXPECT_DOUBLE_EQ(f.mirror.at(0).CENA, 0);
}

// A device that stops answering: three resends, then the engine gives up, and the
// window's buttons come back with the loop ended.
TEST(ArticleSyncFailure, WatchdogGivingUpEndsTheLoop) {
  for (int model : {1, 2, 4}) {
    SCOPED_TRACE(model);
    SyncFixture f(model);
    f.sim.control({{"cmd", "silent"}, {"count", 100}});
    f.sync->citanjeIzKase();
    EXPECT_FALSE(f.buttons);
    EXPECT_TRUE(f.busy);
    f.clock.advance(11900);
    EXPECT_TRUE(f.sync->running());
    f.clock.advance(200);
    EXPECT_FALSE(f.sync->running());
    EXPECT_TRUE(f.buttons);
    EXPECT_FALSE(f.busy);
    EXPECT_EQ(f.count, QString());
    EXPECT_EQ(f.sim.frames.size(), 4);
    EXPECT_EQ(f.prompt.log, QStringList{"device|Greska|Doslo je do problema u komunikaciji!"});
  }
}

// Model 2 reading with a daily report outstanding: told, and the read goes on.
TEST(ArticleSyncFailure, Model2ReadGoesOnWithTheDailyReportOutstanding) {
  SyncFixture f(2);
  f.sim.program(3, QStringLiteral("KAFA"), 80, 2);
  f.set("dailyReportOutstanding", true);
  f.sync->citanjeIzKase();
  ASSERT_TRUE(f.run(100000));
  EXPECT_EQ(f.prompt.log, QStringList{"message|Greska|Nije uradjen dnevni izvestaj.Ogranicene mogucnosti!!"});
  EXPECT_EQ(f.mirrorNumbers(), QList<int>{3});
}

// Model 4 refuses an article write (a rename while the daily report is outstanding): the
// engine shows it and the loop ends there.
TEST(ArticleSyncFailure, Model4RefusedWriteEndsTheLoop) {
  SyncFixture f(4);
  f.sim.program(2, QStringLiteral("KAFA"), 80, 2);
  f.set("dailyReportOutstanding", true);
  f.mirror.insert(row(1, "NOVI", 10, 2));
  f.mirror.insert(row(2, "DRUGO IME", 80, 2));
  f.mirror.insert(row(3, "TRECI", 30, 2));
  f.sync->upisIzTabele();
  ASSERT_TRUE(f.run());
  EXPECT_EQ(f.numbers(0x13), (QList<int>{1, 2}));
  ASSERT_EQ(f.prompt.log.size(), 1);
  EXPECT_TRUE(f.prompt.log[0].startsWith("device|Greska!|Doslo je do greske "))
      << f.prompt.log[0].toStdString();
  EXPECT_FALSE(f.busy);
}

} // namespace

namespace {

// The text file through the window's operations: written with its notice, read back
// whole, and a damaged file leaves the mirror as it was with the line named.
TEST(ArticleSyncFile, DamagedFileLeavesTheMirrorAlone) {
  SyncFixture f(1);
  f.mirror.insert(row(12, "KAFA", 80, 2, "860000000001"));
  f.mirror.insert(row(13, "ЧАЈ", 60, 1));
  const QString path = f.dir.filePath(f.sync->defaultFileName());
  ASSERT_TRUE(f.sync->writeFile(path));
  EXPECT_EQ(f.prompt.log, QStringList{"message|Порука|Завршен упис података.."});
  f.mirrorModel->clearAll();
  ASSERT_TRUE(f.sync->readFile(path));
  ASSERT_EQ(f.mirrorNumbers(), (QList<int>{12, 13}));
  EXPECT_EQ(f.mirror.at(1).NAZIV, QStringLiteral("ЧАЈ"));

  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::Append));
  file.write("0014 kratka linija\r\n");
  file.close();
  f.mirrorModel->removeArticle(0);
  EXPECT_FALSE(f.sync->readFile(path));
  EXPECT_TRUE(f.prompt.log.last().startsWith("message|GRESKA|Greska u liniji 3:"))
      << f.prompt.log.last().toStdString();
  EXPECT_EQ(f.mirrorNumbers(), QList<int>{13});
}

} // namespace

namespace {

// "Sinhronizacija" (model 4): the device's time becomes the computer's when that is
// allowed; otherwise the clock is left alone and the operator is told the device's time.
TEST(ArticleSyncClock, SinhronizacijaSetsTheClockThroughTheClockPort) {
  for (bool allowed : {true, false}) {
    SCOPED_TRACE(allowed);
    SyncFixture f(4);
    f.clock.clockSettable = allowed;
    const QDateTime before = f.clock.now();
    f.sync->sinhronizacija();
    EXPECT_FALSE(f.buttons);
    EXPECT_TRUE(f.busy);
    ASSERT_TRUE(f.run());
    EXPECT_EQ(f.codes(), QList<int>{0x60});
    EXPECT_FALSE(f.busy);
    if (allowed) {
      EXPECT_LT(qAbs(f.clock.now().secsTo(QDateTime::currentDateTime())), 5); // the device's clock
      EXPECT_TRUE(f.prompt.log.isEmpty());
    } else {
      EXPECT_LT(qAbs(f.clock.now().secsTo(before)), 2);
      ASSERT_EQ(f.prompt.log.size(), 1);
      EXPECT_TRUE(
          f.prompt.log[0].startsWith("message|Greska|Vreme racunara nije podeseno! Vreme u kasi je "));
    }
  }
  SyncFixture other(1);
  other.sync->sinhronizacija();
  EXPECT_TRUE(other.sim.frames.isEmpty()); // the button is model 4's only
  EXPECT_TRUE(other.buttons);
}

} // namespace
