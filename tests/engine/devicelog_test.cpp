#include "common/filelog.h"
#include "engine/devicelog.h"
#include "engineharness.h"

#include <QFile>

#include <gtest/gtest.h>

using namespace enginetest;

namespace {

// The device log of one test, written through the program's own routing.
class LoggedHarness {
public:
  explicit LoggedHarness(int model) : h(model), log(*h.engine) {
    path = h.dir.filePath(QLatin1String(DeviceLog::kFileName));
    FileLog::install(QLatin1String(DeviceLog::kCategories), path, DeviceLog::kMaxBytes,
                     DeviceLog::kKeepFiles);
  }
  ~LoggedHarness() { FileLog::uninstall(); }

  // Lines without the time in front.
  QStringList lines() const {
    QFile f(path);
    QStringList out;
    if (!f.open(QIODevice::ReadOnly))
      return out;
    for (const QString &line : QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts))
      out << line.mid(24);
    return out;
  }

  Harness h;
  DeviceLog log;
  QString path;
};

QStringList matching(const QStringList &lines, const QString &part) {
  QStringList out;
  for (const QString &l : lines)
    if (l.contains(part))
      out << l;
  return out;
}

} // namespace

// A receipt whose sale line is lost once: every command, the resend, the expiry
// and the replies' meanings, in the order they happened.
TEST(DeviceLog, ReceiptWithAResend) {
  LoggedHarness t(1);
  Harness &h = t.h;
  h.engine->setBrojRacuna(1);
  h.engine->beginRetailReceipt(1);
  h.settle();
  h.feed(reply::ack1(1));
  h.engine->sellRetailLine(Harness::sale(QStringLiteral("1"), QStringLiteral("KAFA"), 1, 100));
  h.settle();
  h.clock.advance(TransactionEngine::WatchdogMs); // the line's reply is lost once
  h.feed(reply::ack1(1));
  h.engine->closeRetail(Harness::payment(Racun::Gotovina, 100, 100), true);
  h.settle();
  h.feed(reply::closed1(1, 77));
  ASSERT_EQ(h.scalar(QStringLiteral("SELECT status FROM racuni WHERE broj = 1")).toInt(), 1);

  QStringList events;
  for (const QString &l : t.lines()) {
    if (l.startsWith(QLatin1String("kasa.uredjaj.okvir: -> ")))
      events << l.mid(23).section(QLatin1String(" ["), 0, 0);
    else if (l.startsWith(QLatin1String("kasa.uredjaj.okvir: <- ")))
      events << QStringLiteral("<- ") + l.mid(23).section(QLatin1String(" ["), 0, 0);
    else if (l.startsWith(QLatin1String("kasa.uredjaj.watchdog: ")))
      events << l.mid(23);
  }
  EXPECT_EQ(events, (QStringList{
                        "Prijava",
                        "<- prihvaceno",
                        "ProdajaArt",
                        "nema odgovora za 3000 ms na ProdajaArt",
                        "PONOVO ProdajaArt",
                        "<- prihvaceno",
                        "Placanje",
                        "<- racun zatvoren, fiskalni broj 77",
                    }))
      << t.lines().join(QLatin1Char('\n')).toStdString();
  // Each frame line carries its length and bytes as they went over the wire.
  const QStringList sent = matching(t.lines(), QStringLiteral("-> Prijava"));
  ASSERT_EQ(sent.size(), 1);
  const QString hexPart = sent[0].section(QLatin1String("] "), 1);
  EXPECT_EQ(QByteArray::fromHex(hexPart.toLatin1()), h.wire.frames.first());
}

// The operator's answer to the communication failure is in the log with the question.
TEST(DeviceLog, OperatorChoiceAfterSilence) {
  LoggedHarness t(4);
  Harness &h = t.h;
  h.prompt.errorAnswers = {UserPrompt::Zaustavi};
  h.engine->setBrojRacuna(1);
  h.engine->beginRetailReceipt(1);
  h.settle();
  h.feed(reply::ack4(0x01));
  h.engine->sellRetailLine(Harness::sale(QStringLiteral("1"), QStringLiteral("KAFA"), 1, 100));
  h.settle();
  h.clock.advance(4 * TransactionEngine::WatchdogMs);
  ASSERT_EQ(h.prompt.errors.size(), 1);
  const QStringList lines = t.lines();
  EXPECT_EQ(matching(lines, QStringLiteral("kasa.uredjaj.watchdog:")).size(), 4);
  EXPECT_EQ(matching(lines, QStringLiteral("-> PONOVO ProdajaArt")).size(), 3);
  const QStringList choice = matching(lines, QStringLiteral("kasa.uredjaj.operater:"));
  ASSERT_EQ(choice.size(), 1);
  EXPECT_TRUE(choice[0].contains(QStringLiteral("Doslo je do prekida"))) << choice[0].toStdString();
  EXPECT_TRUE(choice[0].endsWith(QStringLiteral("=> Zaustavi"))) << choice[0].toStdString();
}
