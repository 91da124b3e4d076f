// A table's bookkeeping as a step of the journal: what a replay reads back is exactly
// what was paid, a record that names no table or line is no record, and a step written
// only in part is kept in the conflicts file once.
#include "engine/stepjournal.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

PendingStep tableStep() {
  PendingStep s;
  s.id = QStringLiteral("a1");
  s.racun = QStringLiteral("r1");
  s.key.id = {2026, 14};
  s.key.datum = QDate(2026, 12, 10);
  s.key.vreme = QTime(18, 5, 7);
  s.key.brstola = 7;
  s.key.restoran = true;
  StepPart off;
  off.kind = StepKind::TableLinesOff;
  off.sto = 7;
  off.lines = {{3, QStringLiteral("12 "), Quantity::fromUnits(1500), Money::fromUnits(12345)},
               {9, QStringLiteral("4"), Quantity::fromUnits(-2000), Money::fromUnits(-30000)}};
  StepPart freed;
  freed.kind = StepKind::TableFreed;
  freed.sto = 7;
  StepPart round;
  round.kind = StepKind::RoundClosed;
  round.sto = 7;
  round.tura = 2;
  s.parts = {off, freed, round};
  return s;
}

TEST(TableStepJournal, TablePartsComeBackAsPaidAcrossALoad) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  ASSERT_TRUE(StepJournal(dir.path()).append(tableStep()));
  StepJournal j(dir.path());
  int bad = -1;
  ASSERT_TRUE(j.load(&bad));
  EXPECT_EQ(bad, 0);
  ASSERT_EQ(j.count(), 1);
  const StepParts parts = j.steps().first().parts;
  ASSERT_EQ(parts.size(), 3);
  EXPECT_EQ(parts[0].kind, StepKind::TableLinesOff);
  EXPECT_EQ(parts[0].sto, 7);
  ASSERT_EQ(parts[0].lines.size(), 2);
  EXPECT_EQ(parts[0].lines[0].rbr, 3);
  EXPECT_EQ(parts[0].lines[0].sifra, "12 ");
  EXPECT_EQ(parts[0].lines[0].kolicina.units(), 1500);
  EXPECT_EQ(parts[0].lines[0].iznos.units(), 12345);
  EXPECT_EQ(parts[0].lines[1].rbr, 9);
  EXPECT_EQ(parts[0].lines[1].kolicina.units(), -2000);
  EXPECT_EQ(parts[0].lines[1].iznos.units(), -30000);
  EXPECT_EQ(parts[1].kind, StepKind::TableFreed);
  EXPECT_EQ(parts[1].sto, 7);
  EXPECT_EQ(parts[2].kind, StepKind::RoundClosed);
  EXPECT_EQ(parts[2].tura, 2);
  EXPECT_EQ(j.steps().first().toJson(), tableStep().toJson());
}

TEST(TableStepJournal, ATablePartWithoutItsTableOrLineNumberIsNoRecord) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  QJsonObject good = QJsonDocument::fromJson(tableStep().toJson()).object();
  QJsonObject noTable = good;
  QJsonArray parts = noTable["delovi"].toArray();
  QJsonObject off = parts[0].toObject();
  off.remove("sto");
  parts[0] = off;
  noTable["delovi"] = parts;
  QJsonObject noLine = good;
  parts = noLine["delovi"].toArray();
  off = parts[0].toObject();
  QJsonArray lines = off["stavke"].toArray();
  QJsonObject line = lines[1].toObject();
  line.remove("rbr");
  lines[1] = line;
  off["stavke"] = lines;
  parts[0] = off;
  noLine["delovi"] = parts;
  {
    QFile f(QDir(dir.path()).filePath(StepJournal::fileName()));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QJsonDocument(noTable).toJson(QJsonDocument::Compact) + '\n' +
            QJsonDocument(noLine).toJson(QJsonDocument::Compact) + '\n' +
            QJsonDocument(good).toJson(QJsonDocument::Compact) + '\n');
  }
  StepJournal j(dir.path());
  int bad = 0;
  ASSERT_TRUE(j.load(&bad));
  EXPECT_EQ(bad, 2);
  EXPECT_EQ(j.count(), 1);
}

TEST(TableStepJournal, AStepWrittenInPartIsKeptOnce) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  StepJournal j(dir.path());
  ASSERT_TRUE(j.keepPartlyWritten(tableStep(), "sto 7: stavka 3"));
  ASSERT_TRUE(j.keepPartlyWritten(tableStep(), "sto 7: stavka 3")); // a replay cut short, run again
  PendingStep other = tableStep();
  other.id = QStringLiteral("a2");
  ASSERT_TRUE(j.keepPartlyWritten(other, "sto 7: stavka 9"));
  QFile f(j.conflictsPath());
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  const QList<QByteArray> kept = f.readAll().trimmed().split('\n');
  ASSERT_EQ(kept.size(), 2);
  const QJsonObject first = QJsonDocument::fromJson(kept[0]).object();
  EXPECT_EQ(first["razlog"].toString(), "sto 7: stavka 3");
  EXPECT_TRUE(first["delimicno"].toBool());
  EXPECT_EQ(first["korak"].toObject()["id"].toString(), "a1");
  EXPECT_EQ(QJsonDocument::fromJson(kept[1]).object()["korak"].toObject()["id"].toString(), "a2");
}

} // namespace
