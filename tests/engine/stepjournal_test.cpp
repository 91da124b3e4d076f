// The file of steps waiting for the server: what is appended comes back whole after a
// restart, crossed-off steps leave it, and a line torn by a crash is kept and reported.
#include "engine/stepjournal.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

PendingStep saleStep(const QString &id, const QString &racun, int broj, bool stored, const QString &sifra) {
  PendingStep s;
  s.id = id;
  s.racun = racun;
  s.key.id = {2026, broj};
  s.key.stored = stored;
  s.key.datum = QDate(2026, 12, 10);
  s.key.vreme = QTime(13, 5, 7);
  s.key.sifoper = 3;
  s.key.brstola = 7;
  s.key.restoran = true;
  s.key.kasa = QStringLiteral("4711");
  Racun r;
  r.operacija = Racun::Prodaja;
  r.sifra = sifra;
  r.barkod = QStringLiteral("8600000000001");
  r.naziv = QStringLiteral("KAFA \"DUPLA\"");
  r.kolicina = Quantity::fromUnits(1500);
  r.cena = Money::fromUnits(12345);
  r.iznos = Money::fromUnits(18518);
  r.poreskaGrupa = 2;
  r.storno = 1;
  r.rbrStavke = 11;
  s.parts.append({StepKind::SaleLine, r, std::nullopt});
  return s;
}

PendingStep closingStep(const QString &id, const QString &racun) {
  PendingStep s = saleStep(id, racun, 5, false, QStringLiteral("1"));
  s.parts.clear();
  Racun pay;
  pay.operacija = Racun::Placanje;
  pay.nacinPlacanja = Racun::Kartica;
  pay.iznosPlacanja = Money::fromUnits(20000);
  pay.ostatak = Money::fromUnits(18518);
  pay.brojKartice = QStringLiteral("1234");
  pay.tipKartice = QStringLiteral("VISA");
  pay.brojTransakcije = QStringLiteral("T-9");
  s.parts.append({StepKind::ClosingA, pay, 4294967295u});
  s.parts.append({StepKind::Finished, Racun{}, std::nullopt});
  return s;
}

QByteArray fileText(const QString &path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeText(const QString &path, const QByteArray &text) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
  f.write(text);
}

// The journal as a running program leaves it: loaded while empty, then the steps
// appended in order.
void fill(StepJournal &j, const QList<PendingStep> &steps) {
  ASSERT_TRUE(j.load());
  for (const PendingStep &s : steps)
    ASSERT_TRUE(j.append(s)) << s.id.toStdString();
}

} // namespace

TEST(StepJournal, WhatIsAppendedComesBackWholeAfterARestart) {
  QTemporaryDir dir;
  {
    StepJournal j(dir.path());
    ASSERT_TRUE(j.load());
    EXPECT_TRUE(j.isEmpty());
    EXPECT_FALSE(QFile::exists(j.path())) << "no file until a step waits";
    ASSERT_TRUE(j.append(saleStep("a", "r1", 5, false, "1")));
    ASSERT_TRUE(j.append(closingStep("b", "r1")));
  }
  StepJournal again(dir.path());
  int bad = -1;
  ASSERT_TRUE(again.load(&bad));
  EXPECT_EQ(bad, 0);
  ASSERT_EQ(again.count(), 2);
  const PendingStep &s = again.steps()[0];
  const PendingStep want = saleStep("a", "r1", 5, false, "1");
  EXPECT_EQ(s.id, want.id);
  EXPECT_EQ(s.racun, want.racun);
  EXPECT_EQ(s.key.id.broj, 5);
  EXPECT_EQ(s.key.id.godina, 2026);
  EXPECT_FALSE(s.key.stored);
  EXPECT_EQ(s.key.datum, want.key.datum);
  EXPECT_EQ(s.key.vreme, want.key.vreme);
  EXPECT_EQ(s.key.sifoper, 3);
  EXPECT_EQ(s.key.brstola, 7);
  EXPECT_TRUE(s.key.restoran);
  EXPECT_EQ(s.key.kasa, QStringLiteral("4711")) << "the till that kept it writes it at replay";
  ASSERT_EQ(s.parts.size(), 1);
  const Racun &r = s.parts[0].step;
  const Racun &w = want.parts[0].step;
  EXPECT_EQ(s.parts[0].kind, StepKind::SaleLine);
  EXPECT_EQ(r.sifra, w.sifra);
  EXPECT_EQ(r.barkod, w.barkod);
  EXPECT_EQ(r.naziv, w.naziv);
  EXPECT_EQ(r.kolicina, w.kolicina);
  EXPECT_EQ(r.cena, w.cena);
  EXPECT_EQ(r.iznos, w.iznos);
  EXPECT_EQ(r.storno, 1);
  EXPECT_EQ(r.rbrStavke, 11);
  EXPECT_EQ(r.poreskaGrupa, 2);

  const PendingStep &c = again.steps()[1];
  ASSERT_EQ(c.parts.size(), 2);
  EXPECT_EQ(c.parts[0].kind, StepKind::ClosingA);
  EXPECT_EQ(c.parts[0].brfisis, std::optional<quint32>(4294967295u));
  EXPECT_EQ(c.parts[0].step.nacinPlacanja, int(Racun::Kartica));
  EXPECT_EQ(c.parts[0].step.iznosPlacanja, Money::fromUnits(20000));
  EXPECT_EQ(c.parts[0].step.ostatak, Money::fromUnits(18518));
  EXPECT_EQ(c.parts[0].step.brojKartice, QStringLiteral("1234"));
  EXPECT_EQ(c.parts[0].step.tipKartice, QStringLiteral("VISA"));
  EXPECT_EQ(c.parts[0].step.brojTransakcije, QStringLiteral("T-9"));
  EXPECT_EQ(c.parts[1].kind, StepKind::Finished);
  EXPECT_FALSE(c.parts[1].brfisis);
}

TEST(StepJournal, CrossedOffStepsLeaveTheFileAndLaterStepsOfTheReceiptKeepItsNumber) {
  QTemporaryDir dir;
  StepJournal j(dir.path());
  ASSERT_NO_FATAL_FAILURE(fill(j, {saleStep("a", "r1", 5, false, "1"), saleStep("b", "r2", 6, false, "2"),
                                   saleStep("c", "r1", 5, false, "3")}));
  ASSERT_TRUE(j.takeFirst(9)); // r1 got number 9 when its first step was written

  StepJournal again(dir.path());
  ASSERT_TRUE(again.load());
  ASSERT_EQ(again.count(), 2);
  EXPECT_EQ(again.steps()[0].id, QStringLiteral("b"));
  EXPECT_FALSE(again.steps()[0].key.stored) << "another receipt keeps the number it hoped for";
  EXPECT_EQ(again.steps()[0].key.id.broj, 6);
  EXPECT_EQ(again.steps()[1].id, QStringLiteral("c"));
  EXPECT_TRUE(again.steps()[1].key.stored);
  EXPECT_EQ(again.steps()[1].key.id.broj, 9);

  ASSERT_TRUE(again.takeFirst(0));
  ASSERT_TRUE(again.takeFirst(9));
  EXPECT_TRUE(again.isEmpty());
  EXPECT_FALSE(QFile::exists(again.path()));
  EXPECT_FALSE(QFile::exists(again.path() + QStringLiteral(".novi")));
}

TEST(StepJournal, ALineTornByACrashIsKeptAsAConflictAndReportedNeverDropped) {
  QTemporaryDir dir;
  StepJournal j(dir.path());
  ASSERT_NO_FATAL_FAILURE(fill(j, {saleStep("a", "r1", 5, false, "1"), saleStep("b", "r1", 5, false, "2")}));
  // The crash cut the last record short: no newline, half the text.
  const QByteArray whole = fileText(j.path());
  const QByteArray torn = saleStep("c", "r1", 5, false, "3").toJson().left(40);
  writeText(j.path(), whole + torn);

  {
    StepJournal after(dir.path());
    // A step appended by the program that died must not end up glued to the torn line.
    ASSERT_TRUE(after.append(saleStep("d", "r2", 6, false, "4")));
  }
  StepJournal again(dir.path());
  int bad = 0;
  ASSERT_TRUE(again.load(&bad));
  EXPECT_EQ(bad, 1);
  ASSERT_EQ(again.count(), 3);
  EXPECT_EQ(again.steps()[0].id, QStringLiteral("a"));
  EXPECT_EQ(again.steps()[1].id, QStringLiteral("b"));
  EXPECT_EQ(again.steps()[2].id, QStringLiteral("d"));

  // The torn text is in the conflicts file, word for word, and no longer in the journal.
  const QList<QByteArray> kept = fileText(again.conflictsPath()).split('\n');
  ASSERT_GE(kept.size(), 1);
  const QJsonObject o = QJsonDocument::fromJson(kept[0]).object();
  EXPECT_EQ(o.value(QStringLiteral("tekst")).toString().toUtf8(), torn);
  const QList<QByteArray> left = fileText(again.path()).trimmed().split('\n');
  EXPECT_EQ(left.size(), 3);
  EXPECT_FALSE(left.contains(torn));

  StepJournal third(dir.path());
  ASSERT_TRUE(third.load(&bad));
  EXPECT_EQ(bad, 0) << "reported once, not at every start";
  EXPECT_EQ(third.count(), 3);
}

TEST(StepJournal, AConflictGoesToItsFileWithTheReasonAndLeavesTheJournal) {
  QTemporaryDir dir;
  StepJournal j(dir.path());
  ASSERT_NO_FATAL_FAILURE(fill(j, {saleStep("a", "r1", 5, true, "1"), saleStep("b", "r1", 5, true, "2")}));
  ASSERT_TRUE(j.moveFirstToConflicts(QStringLiteral("value too long")));
  EXPECT_EQ(j.count(), 1);
  const QJsonObject o = QJsonDocument::fromJson(fileText(j.conflictsPath()).trimmed()).object();
  EXPECT_EQ(o.value(QStringLiteral("razlog")).toString(), QStringLiteral("value too long"));
  const auto back = PendingStep::fromJson(
      QJsonDocument(o.value(QStringLiteral("korak")).toObject()).toJson(QJsonDocument::Compact));
  ASSERT_TRUE(back);
  EXPECT_EQ(back->id, QStringLiteral("a"));
  EXPECT_EQ(back->parts.value(0).step.sifra, QStringLiteral("1"));
  StepJournal again(dir.path());
  ASSERT_TRUE(again.load());
  ASSERT_EQ(again.count(), 1);
  EXPECT_EQ(again.steps()[0].id, QStringLiteral("b"));
}

TEST(StepJournal, AJournalThatCannotBeWrittenSaysSo) {
  QTemporaryDir dir;
  const QString gone = dir.filePath(QStringLiteral("nema"));
  StepJournal j(gone);
  ASSERT_TRUE(j.load());
  EXPECT_FALSE(j.append(saleStep("a", "r1", 5, false, "1")));
  EXPECT_TRUE(j.isEmpty()) << "a step not on the disk is not counted as kept";
  EXPECT_FALSE(j.errorString().isEmpty());
}
