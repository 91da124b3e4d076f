// Training: the real program, offscreen, with the configuration's training switch
// on. The program starts its own simulated device; the shop's database file and
// the configured device port must not see a single byte.
#include "app/tfrmpocetna.h"
#include "app/tglavna.h"
#include "data/trainingdatabase.h"
#include "engine/devicelog.h"
#include "sales/ui/tform2.h"
#include "shopfixture.h"

#include <QCryptographicHash>
#include <QLabel>

#include <fcntl.h>
#include <unistd.h>

namespace {

using e2e::when;

class TrainingE2E : public ::testing::Test, protected e2e::ShopFixture {
protected:
  ~TrainingE2E() override {
    if (m_master >= 0)
      ::close(m_master);
  }

  // The configured port is a pty the test holds: whatever reached it could be read here.
  void holdConfiguredPort() {
    m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(m_master, 0);
    ASSERT_EQ(::grantpt(m_master), 0);
    ASSERT_EQ(::unlockpt(m_master), 0);
    ASSERT_TRUE(QFile::link(QString::fromLocal8Bit(::ptsname(m_master)), dir.filePath("COM1")));
  }
  QByteArray bytesOnConfiguredPort() const {
    QByteArray all;
    char buf[256];
    for (ssize_t n; (n = ::read(m_master, buf, sizeof buf)) > 0;)
      all.append(buf, n);
    return all;
  }

  QByteArray fileHash(const QString &path) const {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
      return {};
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
  }

  QList<QJsonObject> trainingReceipts() const {
    QList<QJsonObject> out;
    QFile f(dir.filePath(QLatin1String(Program::kTrainingJournal)));
    if (!f.open(QIODevice::ReadOnly))
      return out;
    for (const QByteArray &line : f.readAll().split('\n')) {
      const QJsonObject o = QJsonDocument::fromJson(line).object();
      if (o.value("type").toString() == "receipt")
        out << o;
    }
    return out;
  }

  // Pictures for a person to look at, when KASA_SCREENSHOT_DIR names where.
  static void shoot(QWidget &w, const char *name) {
    if (qEnvironmentVariableIsSet("KASA_SCREENSHOT_DIR"))
      w.grab().save(QDir(qEnvironmentVariable("KASA_SCREENSHOT_DIR")).filePath(QLatin1String(name)));
  }

  int m_master = -1;
};

TEST_F(TrainingE2E, ASaleLandsInTheTrainingDatabaseOnly) {
  ASSERT_NO_FATAL_FAILURE(prepareShop(4, [](SetKonfiguracija &k) { k.Obuka = 1; }));
  ASSERT_NO_FATAL_FAILURE(holdConfiguredPort());
  const QString realDb = dir.filePath(Database::sqliteFileName());
  const QByteArray before = fileHash(realDb);
  ASSERT_FALSE(before.isEmpty());
  const QByteArray mirrorBefore = fileHash(dir.filePath("artikli.dat"));

  Program p(dir.path());
  ASSERT_TRUE(startProgram(p)) << unexpected.join("\n").toStdString();
  EXPECT_TRUE(p.trainingDevice().isRunning());

  TForm2 &kasa = p.form2();
  bool menuMarked = false, sold = false;
  QString statusLine;
  logInThen(p, "2222", [&] {
    menuMarked = p.glavna().lblObuka->isVisible() && p.glavna().windowTitle().contains("OBUKA");
    shoot(p.glavna(), "obuka-meni.png");
    p.glavna().Kasa->click();
  });
  when(
      &p, [&] { return kasa.isVisible() && retailIdle(p); },
      [&] {
        statusLine = kasa.edtStatus->text();
        shoot(kasa, "obuka-kasa.png");
        kasa.edtUnos->setText("1");
        kasa.handleKey(Qt::Key_Return, Qt::NoModifier);
        if (testsupport::waitFor([&] { return retailIdle(p); }, 10000)) {
          kasa.handleKey(Qt::Key_Return, Qt::NoModifier); // total and close in cash
          sold = testsupport::waitFor(
              [&] { return p.retail().sledeciRed == 1 && !trainingReceipts().isEmpty(); }, 15000);
        }
        kasa.close();
        when(
            &p, [&] { return !kasa.isVisible() && p.glavna().isVisible(); }, [&] { p.glavna().close(); });
      });
  p.pocetna().BtnProdesk->click();

  EXPECT_TRUE(menuMarked);
  EXPECT_TRUE(statusLine.startsWith("OBUKA")) << statusLine.toStdString();
  ASSERT_TRUE(sold) << unexpected.join("\n").toStdString();
  EXPECT_TRUE(unexpected.isEmpty()) << unexpected.join("\n").toStdString();

  // The simulator printed it, the training database holds it as finished.
  EXPECT_EQ(trainingReceipts().size(), 1);
  {
    Database training;
    ASSERT_TRUE(training.openSqliteFile(dir.filePath(TrainingDatabase::fileName())));
    EXPECT_EQ(training.scalar("SELECT COUNT(*) FROM racuni WHERE status = 1").value_or(0).toInt(), 1);
    EXPECT_EQ(training.scalar("SELECT COUNT(*) FROM prodato WHERE sifra = '1'").value_or(0).toInt(), 1);
  }
  // Nothing of it reached the shop: its database, its mirror, its device port.
  EXPECT_EQ(fileHash(realDb), before);
  EXPECT_FALSE(QFile::exists(realDb + "-wal") && QFileInfo(realDb + "-wal").size() > 0);
  EXPECT_EQ(fileHash(dir.filePath("artikli.dat")), mirrorBefore);
  EXPECT_TRUE(bytesOnConfiguredPort().isEmpty());
  EXPECT_TRUE(journal("receipt").isEmpty()); // the shop's own simulator journal stays empty

  // The device log saw the practice sale, and never the cashier's code.
  QFile log(dir.filePath(QLatin1String(DeviceLog::kFileName)));
  ASSERT_TRUE(log.open(QIODevice::ReadOnly));
  const QStringList lines = QString::fromUtf8(log.readAll()).split('\n', Qt::SkipEmptyParts);
  EXPECT_TRUE(lines.filter("-> ProdajaArt").size() >= 1);
  EXPECT_TRUE(lines.filter("simulirana kasa za obuku: otvoreno").size() >= 1);
  for (const QString &line : lines) {
    const QString body = line.mid(24); // after the time
    EXPECT_FALSE(body.contains("2222")) << line.toStdString();
    EXPECT_FALSE(body.contains("32 32 32 32")) << line.toStdString();
  }

  // A practice database never goes among the shop's backups, asked for or at the end.
  unexpected.clear();
  p.glavna().BtnKopijaClick();
  p.pocetna().close();
  EXPECT_EQ(unexpected, QStringList{"Obavestenje! / U obuci se rezervna kopija baze ne pravi."});
  EXPECT_TRUE(QDir(dir.filePath("kopije")).entryList({"kasa-*.db"}, QDir::Files).isEmpty());
}

// Switching training off again sells for real: the configured port is used and
// the simulator is gone.
TEST_F(TrainingE2E, WithoutTrainingTheConfiguredDeviceIsUsed) {
  ASSERT_NO_FATAL_FAILURE(prepareShop(4));
  ASSERT_NO_FATAL_FAILURE(startDevice(4));
  Program p(dir.path());
  ASSERT_TRUE(startProgram(p)) << unexpected.join("\n").toStdString();
  EXPECT_FALSE(p.trainingDevice().isRunning());
  EXPECT_TRUE(p.links().devicePath().isEmpty());
  EXPECT_FALSE(p.glavna().lblObuka->isVisibleTo(&p.glavna()));
  EXPECT_FALSE(QFile::exists(dir.filePath(TrainingDatabase::fileName())));
}

} // namespace
