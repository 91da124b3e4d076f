// The retry that looks for a lost server while steps wait: against a host that takes the
// connection and never says a word, the user interface's thread goes on handling events
// for the whole attempt, and the connection the engine uses is opened only once a server
// answered.
#include "engineharness.h"

#include "data/serverprobe.h"
#include "engine/stepjournal.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

using namespace enginetest;

namespace {

// Takes every connection and keeps it open without reading or writing a byte.
struct SilentServer {
  SilentServer() {
    EXPECT_TRUE(server.listen(QHostAddress::LocalHost, 0));
    QObject::connect(&server, &QTcpServer::newConnection, [this] {
      while (QTcpSocket *s = server.nextPendingConnection())
        held.append(s);
      ++accepted;
    });
  }
  ~SilentServer() { qDeleteAll(held); }
  QString conn() const {
    return QStringLiteral("host=127.0.0.1 port=%1 dbname=kasa user=kasa connect_timeout=2")
        .arg(server.serverPort());
  }
  QTcpServer server;
  QList<QTcpSocket *> held;
  int accepted = 0;
};

// Turns of the event loop counted while cond holds, until done (or a generous guard).
int eventsWhile(const std::function<bool()> &cond, const std::function<bool()> &done) {
  int ticks = 0;
  QTimer tick;
  tick.setInterval(0);
  QObject::connect(&tick, &QTimer::timeout, [&] {
    if (cond())
      ++ticks;
  });
  tick.start();
  QEventLoop loop;
  QTimer guard;
  guard.setSingleShot(true);
  QObject::connect(&guard, &QTimer::timeout, &loop, &QEventLoop::quit);
  guard.start(30000);
  QTimer check;
  QObject::connect(&check, &QTimer::timeout, [&] {
    if (done())
      loop.quit();
  });
  check.start(1);
  loop.exec();
  return ticks;
}

PendingStep waitingSale() {
  PendingStep s;
  s.id = QStringLiteral("k1");
  s.racun = QStringLiteral("r1");
  s.key.id = {2026, 1};
  s.key.datum = QDate(2026, 12, 10);
  s.key.vreme = QTime(10, 0);
  s.key.sifoper = 1;
  s.parts.append(
      {StepKind::SaleLine, Harness::sale(QStringLiteral("1"), QStringLiteral("KAFA"), 1, 100), std::nullopt});
  return s;
}

TEST(ServerProbe, TheUserInterfaceGoesOnWhileAServerThatNeverAnswersIsTried) {
  SilentServer silent;
  QTemporaryDir dir;
  {
    StepJournal journal(dir.path());
    ASSERT_TRUE(journal.load());
    ASSERT_TRUE(journal.append(waitingSale()));
  }
  LinkSettings link;
  link.Model = 1;
  link.IBFM = QStringLiteral("123450");
  VirtualScheduler clock;
  Database db;
  // The server was lost: the connection keeps its settings, but nothing answers them.
  ASSERT_FALSE(db.open(int(DatabaseKind::PostgreSQL), silent.conn()));
  ASSERT_EQ(db.kind(), DatabaseKind::PostgreSQL);
  TransactionEngine engine(link, clock);
  ScriptedPrompt prompt;
  engine.setPrompt(&prompt);
  engine.setDatabase(&db);
  engine.setStepJournalDir(dir.path());
  ASSERT_EQ(engine.waitingSteps(), 1);
  const int before = silent.accepted;

  EXPECT_FALSE(engine.replayStepJournal());
  EXPECT_TRUE(engine.reachingServer()) << "the attempt goes on after the call returned";
  // Events handled while the silent host holds the attempt's connection.
  const int during = eventsWhile([&] { return silent.accepted > before && engine.reachingServer(); },
                                 [&] { return !engine.reachingServer(); });
  EXPECT_FALSE(engine.reachingServer()) << "the attempt never ended";
  EXPECT_GT(silent.accepted, before) << "the attempt never reached the host";
  EXPECT_GE(during, 20) << "the event loop stood still during the attempt";
  EXPECT_EQ(engine.waitingSteps(), 1);
  EXPECT_FALSE(db.isOpen()) << "the engine's connection is opened only after a server answered";

  // The next try comes with the 5-second retry, not at once.
  const int accepted = silent.accepted;
  clock.advance(1000);
  EXPECT_FALSE(engine.reachingServer());
  clock.advance(TransactionEngine::ReplayMs);
  EXPECT_TRUE(engine.reachingServer());
  eventsWhile([] { return false; }, [&] { return !engine.reachingServer(); });
  EXPECT_GT(silent.accepted, accepted);
}

// The answer of an attempt still under way when its probe goes reaches nothing.
TEST(ServerProbe, AnAttemptOutlivingItsProbeAnswersNobody) {
  struct Gate {
    std::atomic<bool> release{false};
    std::atomic<bool> finished{false};
  };
  const auto gate = std::make_shared<Gate>(); // the attempt's thread holds it as long as it runs
  int answers = 0;
  {
    ServerProbe probe;
    ASSERT_TRUE(probe.start(
        [gate](QString *) {
          while (!gate->release)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
          gate->finished = true;
          return true;
        },
        [&answers](bool, const QString &) { ++answers; }));
    EXPECT_FALSE(
        probe.start([](QString *) { return true; }, [&answers](bool, const QString &) { answers += 100; }))
        << "one attempt at a time";
  }
  gate->release = true;
  eventsWhile([] { return false; }, [&] { return gate->finished.load(); });
  QCoreApplication::processEvents();
  EXPECT_EQ(answers, 0);

  ServerProbe probe;
  bool got = false;
  ASSERT_TRUE(probe.start(
      [](QString *error) {
        *error = QStringLiteral("no");
        return false;
      },
      [&got](bool reached, const QString &error) { got = !reached && error == QStringLiteral("no"); }));
  eventsWhile([] { return false; }, [&] { return !probe.running(); });
  EXPECT_TRUE(got);
}

} // namespace
