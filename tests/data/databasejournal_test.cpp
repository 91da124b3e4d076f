// How kasa.db is kept on the disk: the write-ahead log with full sync on the
// machine's own disk, the rollback journal on a network share, and a commit that
// survives the program being killed.
#include "data/database.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <csignal>
#include <sys/vfs.h>

namespace {

constexpr quint32 Ext4 = 0xEF53, Tmpfs = 0x01021994, Btrfs = 0x9123683E;
constexpr quint32 Nfs = 0x6969, Smb = 0x517B, Cifs = 0xFF534D42, Smb2 = 0xFE534D42;

// The log lines of the database category, collected while an instance lives.
class DatabaseLog {
public:
  DatabaseLog() {
    s_lines.clear();
    m_previous = qInstallMessageHandler(collect);
  }
  ~DatabaseLog() { qInstallMessageHandler(m_previous); }
  const QStringList &lines() const { return s_lines; }

private:
  static void collect(QtMsgType, const QMessageLogContext &ctx, const QString &msg) {
    if (ctx.category && QByteArray(ctx.category) == "kasa.data.database")
      s_lines << msg;
  }
  static inline QStringList s_lines;
  QtMessageHandler m_previous = nullptr;
};

Database::FileSystemProbe fileSystem(std::optional<quint32> type) {
  return [type](const QString &) { return type; };
}

QString pragma(Database &db, const char *name) {
  return db.scalar(QStringLiteral("PRAGMA %1").arg(QLatin1String(name))).value_or(QVariant()).toString();
}

struct JournalCase {
  const char *name;
  std::optional<quint32> fsType;
  const char *journalMode;
};

} // namespace

TEST(DatabaseJournal, FollowsTheFileSystemWithFullSyncAndNamesAShareOnce) {
  const JournalCase cases[] = {
      {"ext4", Ext4, "wal"},  {"tmpfs", Tmpfs, "wal"}, {"btrfs", Btrfs, "wal"},  {"unknown", {}, "wal"},
      {"NFS", Nfs, "delete"}, {"SMB", Smb, "delete"},  {"CIFS", Cifs, "delete"}, {"SMB2/3", Smb2, "delete"},
  };
  for (const JournalCase &c : cases) {
    SCOPED_TRACE(c.name);
    QTemporaryDir dir;
    DatabaseLog log;
    QString probed;
    for (int start = 0; start < 2; ++start) { // the start-up sequence opens the database again
      Database db;
      db.setFileSystemProbe([&probed, type = c.fsType](const QString &d) {
        probed = d;
        return type;
      });
      ASSERT_TRUE(db.open(1, dir.path())) << db.lastError().toStdString();
      EXPECT_EQ(pragma(db, "journal_mode"), c.journalMode);
      EXPECT_EQ(pragma(db, "synchronous"), "2"); // FULL
      ASSERT_TRUE(db.exec("INSERT INTO grupa (sifgrupa, naziv) VALUES (:s, 'x')", {{"s", start}}));
    }
    EXPECT_EQ(QDir(probed), QDir(dir.path()));
    const bool share = QLatin1String(c.journalMode) == QLatin1String("delete");
    ASSERT_EQ(log.lines().size(), share ? 1 : 0) << log.lines().join('\n').toStdString();
    if (share) {
      EXPECT_TRUE(log.lines().first().contains(QDir(dir.path()).filePath("kasa.db")))
          << log.lines().first().toStdString();
    }
  }
}

TEST(DatabaseJournal, TheMachinesOwnFileSystemDecidesWithoutAProbe) {
  QTemporaryDir dir;
  struct statfs st {};
  ASSERT_EQ(::statfs(QFile::encodeName(dir.path()).constData(), &st), 0);
  const bool share = Database::journalFor(quint32(st.f_type)) == SqliteJournal::Rollback;
  Database db;
  ASSERT_TRUE(db.open(1, dir.path())) << db.lastError().toStdString();
  EXPECT_EQ(pragma(db, "journal_mode"), share ? "delete" : "wal");
  EXPECT_EQ(pragma(db, "synchronous"), "2");
  EXPECT_EQ(Database::journalFor(Nfs), SqliteJournal::Rollback);
  EXPECT_EQ(Database::journalFor(Ext4), SqliteJournal::WriteAheadLog);
}

TEST(DatabaseJournal, AFileMovedToAShareLeavesTheWriteAheadLog) {
  QTemporaryDir dir;
  {
    Database db;
    db.setFileSystemProbe(fileSystem(Ext4));
    ASSERT_TRUE(db.open(1, dir.path()));
    ASSERT_TRUE(db.exec("INSERT INTO grupa (sifgrupa, naziv) VALUES ('1', 'Pice')"));
  }
  Database db;
  db.setFileSystemProbe(fileSystem(Cifs));
  DatabaseLog log;
  ASSERT_TRUE(db.open(1, dir.path())) << db.lastError().toStdString();
  EXPECT_EQ(pragma(db, "journal_mode"), "delete");
  EXPECT_FALSE(QFile::exists(dir.filePath("kasa.db-wal")));
  EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM grupa").value_or(-1).toInt(), 1);
}

// The program killed right after a commit (SIGKILL: no clean close, no checkpoint):
// the committed row is there on the next start, the unfinished one is not.
class DatabaseJournalDeathTest : public ::testing::TestWithParam<quint32> {};

TEST_P(DatabaseJournalDeathTest, ACommittedWriteOutlivesAKilledProgram) {
  QTemporaryDir dir;
  {
    Database db;
    db.setFileSystemProbe(fileSystem(GetParam()));
    ASSERT_TRUE(db.open(1, dir.path())); // schema in place before the child writes
  }
  const QString where = dir.path();
  const quint32 fsType = GetParam();
  EXPECT_EXIT(
      {
        Database db;
        db.setFileSystemProbe(fileSystem(fsType));
        if (!db.open(1, where))
          std::_Exit(1);
        Transaction step(db);
        if (!db.exec("INSERT INTO grupa (sifgrupa, naziv) VALUES ('1', 'Pice')") || !step.commit())
          std::_Exit(2);
        if (!db.beginTransaction() || !db.exec("INSERT INTO grupa (sifgrupa, naziv) VALUES ('2', 'Hrana')"))
          std::_Exit(3);
        std::raise(SIGKILL);
      },
      ::testing::KilledBySignal(SIGKILL), "");
  // What the killed program left: the log not yet copied back, or the journal of the unfinished write.
  const QFileInfo left(dir.filePath(fsType == Nfs ? "kasa.db-journal" : "kasa.db-wal"));
  EXPECT_TRUE(left.exists() && left.size() > 0) << left.fileName().toStdString();
  Database db;
  db.setFileSystemProbe(fileSystem(fsType));
  ASSERT_TRUE(db.open(1, where)) << db.lastError().toStdString();
  auto q = db.query("SELECT sifgrupa FROM grupa ORDER BY sifgrupa");
  ASSERT_TRUE(q) << q.error().toStdString();
  QStringList codes;
  while (q->next())
    codes << q->value(0).toString();
  EXPECT_EQ(codes, QStringList{"1"});
}

INSTANTIATE_TEST_SUITE_P(Journals, DatabaseJournalDeathTest, ::testing::Values(Ext4, Nfs),
                         [](const ::testing::TestParamInfo<quint32> &info) {
                           return info.param == Nfs ? std::string("RollbackJournal")
                                                    : std::string("WriteAheadLog");
                         });
