// `kasa --check-audit` as an owner or an inspector runs it from a shell: the verdict,
// the first broken row, and the exit code a script can test.
#include "app/auditcommand.h"
#include "commandlinefixture.h"
#include "data/auditjournal.h"
#include "data/dbfixture.h"
#include "data/konfiguracija.h"

namespace {

class AuditCommandTest : public CommandLineTest<DbTest> {
protected:
  void TearDown() override {
    AuditJournal::clearWaiter();
    CommandLineTest::TearDown();
  }
  Result kasa(const QStringList &args = {}) {
    Result r = run(QStringList{QStringLiteral("--check-audit")} + args, withoutDisplay());
    return {r.code, r.out.trimmed(), r.err.trimmed()};
  }
};

TEST_P(AuditCommandTest, VerdictAndExitCode) {
  Result r = kasa();
  EXPECT_EQ(r.code, AuditCommand::Ok) << r.err.toStdString();
  EXPECT_EQ(r.out, "DNEVNIK OK: 0 redova, poslednji hes -");

  AuditJournal::setWaiter(1, "Ana");
  for (int i = 0; i < 4; ++i)
    ASSERT_TRUE(
        AuditJournal(db).append(AuditAction::DrawerOpen, QStringLiteral("otvaranje fioke %1").arg(i)));
  r = kasa();
  EXPECT_EQ(r.code, AuditCommand::Ok) << r.err.toStdString();
  EXPECT_EQ(r.out, "DNEVNIK OK: 4 redova, poslednji hes " + AuditJournal(db).check().lastHash);

  ASSERT_TRUE(db.exec("UPDATE dnevnik SET konobar='2 Bora' WHERE rbr=3"));
  r = kasa();
  EXPECT_EQ(r.code, AuditCommand::Broken);
  EXPECT_EQ(r.out, "DNEVNIK NARUSEN: red 3: hes ne odgovara sadrzaju reda ni prethodnom redu "
                   "(ispravnih redova pre njega: 2)");

  ASSERT_TRUE(db.exec("DELETE FROM dnevnik WHERE rbr=3"));
  r = kasa();
  EXPECT_EQ(r.code, AuditCommand::Broken);
  EXPECT_EQ(r.out, "DNEVNIK NARUSEN: red 4: nedostaje red 3 (ispravnih redova pre njega: 2)");

  EXPECT_EQ(kasa({"visak"}).code, AuditCommand::Usage);
}

TEST_P(AuditCommandTest, DatabaseThatCannotBeOpened) {
  SetKonfiguracija k;
  k.TipBaze = tipBaze();
  k.putanjaBaza = GetParam() == Engine::SQLite ? m_work.filePath("nema/ni/ovo")
                                               : "host=127.0.0.1 port=1 dbname=kasa user=kasa";
  ASSERT_TRUE(KonfiguracijaStore::save(m_work.path(), k));
  const Result r = kasa();
  EXPECT_EQ(r.code, AuditCommand::NoDatabase);
  EXPECT_TRUE(r.err.startsWith(Database::openFailureText())) << r.err.toStdString();
}

KASA_BOTH_ENGINES(AuditCommandTest);

} // namespace
