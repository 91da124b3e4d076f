// The device article window's loops against the real fiscal-sim over a pty, on real time:
// a mirror written to the device comes back the same, and an emptied device gives nothing.
#include "engineharness.h"
#include "simprocess.h"

#include "device/articlemirrormodel.h"
#include "device/serialportlink.h"
#include "engine/articlesync.h"
#include "engine/linkwire.h"

using namespace enginetest;

namespace {

struct LiveSync {
  LiveSync(int model, const QString &dir) : mirrorModel(mirror) {
    link.Model = model;
    link.IBFM = QStringLiteral("123450");
    engine = std::make_unique<TransactionEngine>(link, clock);
    engine->setPrompt(&prompt);
    engine->seedSendSeq(7);
    sync = std::make_unique<ArticleSync>(*engine, link, clock, mirrorModel, dir + "/artikli.dat");
    sync->setPrompt(&prompt);
    QObject::connect(sync.get(), &ArticleSync::buttonsEnabled, [this](bool on) { buttons = on; });
    sync->activate();
  }
  // Runs one loop to its end (the buttons back).
  bool run(const std::function<void()> &start, int timeoutMs) {
    start();
    return testsupport::waitFor([&] { return buttons && !sync->running(); }, timeoutMs);
  }

  LinkSettings link;
  QtScheduler clock;
  ScriptedPrompt prompt;
  ArticleMirror mirror;
  ArticleMirrorModel mirrorModel;
  LinkWire wire;
  std::unique_ptr<TransactionEngine> engine;
  std::unique_ptr<ArticleSync> sync;
  bool buttons = false;
};

// A few dozen articles with Serbian Latin and Cyrillic names, several prices, the
// defined tax groups and some barcodes; the model's first numbers.
QList<MirrorArticle> shopArticles(int model) {
  static const QStringList names = {"KAFA",      "ČAJ OD NANE", "Šljivovica",   "ĆEVAPČIĆI",    "Đuveč",
                                    "Žito",      "Љиљана",      "ЋУФТЕ",        "Џем од шљива", "Ђевреци",
                                    "Хлеб бели", "ВОДА 0,5",    "SOK (jabuka)", "Pivo 0.33"};
  QList<MirrorArticle> rows;
  const int first = DeviceProfile::of(model).firstArticle;
  for (int i = 0; i < 36; ++i) {
    MirrorArticle a;
    a.SIFRA = first + i;
    a.NAZIV = names[i % names.size()] + QStringLiteral(" %1").arg(i);
    a.CENA = 10 + i * 12.35;
    a.PORESKA_GRUPA = i % 4; // groups 0-3 are defined on the device
    a.BARKOD = i % 3 == 0 ? QStringLiteral("86000000%1").arg(10000 + i) : QString();
    a.KSIFRA = a.BARKOD;
    rows << a;
  }
  return rows;
}

class ArticleSyncLive : public ::testing::TestWithParam<int> {};

TEST_P(ArticleSyncLive, WriteAllReadBackEmptyReadBack) {
  const int model = GetParam();
  QTemporaryDir dir;
  SimProcess sim;
  ASSERT_TRUE(sim.start(model, dir.path(), false, "# nothing stored\n"));
  LiveSync s(model, dir.path());
  SerialPortLink port;
  port.setPortName(dir.path() + "/COM1");
  testsupport::Answer<bool> opened;
  port.open(opened.callback());
  ASSERT_TRUE(testsupport::waitFor([&] { return opened.arrived(); }, 5000));
  ASSERT_TRUE(*opened) << port.errorString().toStdString();
  s.wire.attach(&port, s.engine.get());

  const QList<MirrorArticle> written = shopArticles(model);
  s.mirrorModel.replaceAll(written);
  ASSERT_TRUE(s.run([&] { s.sync->upisSvihArtikala(); }, 120000));
  EXPECT_TRUE(s.prompt.log.isEmpty()) << s.prompt.log.join('\n').toStdString();
  EXPECT_EQ(sim.control({{"cmd", "state"}}).value("state").toObject().value("articleCount").toInt(),
            written.size());

  ASSERT_TRUE(s.run([&] { s.sync->citanjeIzKase(); }, 120000));
  ASSERT_EQ(s.mirror.count(), written.size());
  for (int i = 0; i < written.size(); ++i) {
    SCOPED_TRACE(i);
    const MirrorArticle &w = written[i];
    const MirrorArticle &r = s.mirror.at(i);
    EXPECT_EQ(r.SIFRA, w.SIFRA);
    EXPECT_EQ(r.NAZIV, w.NAZIV);
    EXPECT_DOUBLE_EQ(r.CENA, w.CENA);
    EXPECT_EQ(r.PORESKA_GRUPA, w.PORESKA_GRUPA);
    EXPECT_EQ(r.BARKOD, w.BARKOD);
    EXPECT_EQ(r.KSIFRA, w.BARKOD); // the barcode read back
  }

  ASSERT_TRUE(s.run([&] { s.sync->isprazniKasu(); }, 120000));
  EXPECT_TRUE(s.prompt.log.isEmpty()) << s.prompt.log.join('\n').toStdString();
  ASSERT_TRUE(s.run([&] { s.sync->citanjeIzKase(); }, 120000));
  if (model == 2) {
    // Model 2 keeps its test article.
    ASSERT_EQ(s.mirror.count(), 1);
    EXPECT_EQ(s.mirror.at(0).SIFRA, 1);
    EXPECT_EQ(s.mirror.at(0).NAZIV, QStringLiteral("ТЕСТ АРТИКАЛ 1"));
  } else {
    EXPECT_EQ(s.mirror.count(), 0);
  }
  EXPECT_TRUE(s.prompt.log.isEmpty()) << s.prompt.log.join('\n').toStdString();
  port.close();
}

INSTANTIATE_TEST_SUITE_P(Models, ArticleSyncLive, ::testing::Values(1, 2, 4, 5));

} // namespace
