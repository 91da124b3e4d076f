#include "soakrun.h"
#include "soakparts.h"

#include "common/scheduler.h"
#include "data/database.h"
#include "device/articlemirror.h"
#include "device/serialportlink.h"
#include "device/tcplink.h"
#include "engine/linkwire.h"
#include "engine/salescreens.h"
#include "engine/simprocess.h"
#include "engine/transactionengine.h"
#include "support/testsupport.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTemporaryDir>

#include <cmath>
#include <cstdio>
#include <random>

namespace {

bool g_trace = false;
void trace(const QString &text) {
  if (g_trace)
    std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
}

// The retail screen as far as the engine talks to it; a soak has no window.
struct QuietRetail : RetailScreen {
  bool isVisible() const override { return true; }
  void enableEntryLine() override {}
  void takeLastLineOff(bool) override {}
  void resetAfterReceipt() override {}
  void showStatus(const QString &) override {}
  void loadStoredReceipt(const QList<SoldLine> &) override {}
};

// The cashier: answers every dialog from a seeded random choice among the buttons
// that keep the device and the database in step by what the dialog says.
class PolicyPrompt : public UserPrompt {
public:
  PolicyPrompt(std::mt19937 &rng, SimProcess &sim, SoakResult &result)
      : m_rng(rng), m_sim(sim), m_result(result) {}
  TransactionEngine *engine = nullptr;
  bool paperOut = false;
  // The cashier opens a dropped connection again (the port button) before deciding.
  std::function<void()> reopenLink;

  void restorePaper() {
    if (!paperOut)
      return;
    m_sim.control({{"cmd", "paperOut"}, {"on", false}});
    paperOut = false;
  }
  bool messageDialog(const QString &title, const QString &text, bool) override {
    restorePaper();
    ++m_result.choices[QStringLiteral("message %1: %2").arg(title, text.left(40))];
    return true;
  }
  DeviceErrorAnswer deviceErrorDialog(const DeviceError &e) override {
    restorePaper();
    DeviceErrorAnswer a;
    if (e.mode == Mode::Notice) {
      trace(QStringLiteral("    notice \"%1\"").arg(e.tekst));
      ++m_result.choices[QStringLiteral("notice")];
      return a;
    }
    if (e.mode == Mode::Question) {
      ++m_result.choices[QStringLiteral("question")];
      a.odgovor = true;
      return a;
    }
    // A lost reply may hide a step the device did execute: only a repeat, which the
    // device answers from its memory, keeps both sides equal.
    const bool lost = e.tekst.contains(QLatin1String("prekid"));
    if (lost && reopenLink)
      reopenLink();
    const bool earlierOpen = e.captions.value(0) == QLatin1String("Zatvori prethodni");
    int choice = Ponovi;
    if (earlierOpen)
      choice = pick({1, 3});
    else if (!lost && engine && engine->stavkaKase().operacija != Racun::Otvaranje)
      choice = pick({Nastavi, Ponovi});
    a.izborGreske = choice;
    trace(QStringLiteral("    dialog \"%1\" -> %2").arg(e.tekst, e.captions.value(choice - 1)));
    ++m_result.choices[QStringLiteral("%1 %2").arg(lost ? QStringLiteral("lost") : QStringLiteral("refused"),
                                                   e.captions.value(choice - 1))];
    return a;
  }
  int unfinishedReceiptDialog(const UnfinishedReceipt &) override {
    ++m_result.choices[QStringLiteral("unfinished receipt")];
    return 1;
  }
  void showInstructions() override { ++m_result.choices[QStringLiteral("instructions")]; }
  void pressEnterNotice(const QString &) override {
    restorePaper();
    ++m_result.choices[QStringLiteral("enter notice")];
  }

private:
  int pick(std::initializer_list<int> options) {
    std::uniform_int_distribution<int> d(0, int(options.size()) - 1);
    return *(options.begin() + d(m_rng));
  }
  std::mt19937 &m_rng;
  SimProcess &m_sim;
  SoakResult &m_result;
};

class Soak {
public:
  Soak(const SoakOptions &o, SoakResult &r, SimProcess &sim)
      : m_o(o), m_r(r), m_sim(sim), m_rng(o.seed), m_clock(o.timeScale), m_prompt(m_rng, sim, r) {}

  bool setUp(const QString &dir) {
    m_link.Model = m_o.model;
    m_link.IBFM = QStringLiteral("123450");
    if (m_o.database.isEmpty() ? !m_db.openInMemory() || !seedSoakShop(m_db, m_startStock)
                               : !m_db.open(int(DatabaseKind::PostgreSQL), m_o.database))
      return false;
    // Model 4 learns the articles from the sale lines; the others sell only what they hold.
    if (m_o.model != 4)
      for (const Article &a : kArticles)
        m_mirror.insert({a.sifra, a.deviceNumber, QString(), a.naziv, a.cena, 2});
    if (m_o.model == 4)
      m_mirror.insert({QStringLiteral("99"), 1, QString(), QStringLiteral("PROBA"), 1, 2});
    m_engine = std::make_unique<TransactionEngine>(m_link, m_clock);
    m_prompt.engine = m_engine.get();
    m_engine->setPrompt(&m_prompt);
    m_engine->setDatabase(&m_db);
    m_engine->setMirror(&m_mirror, dir + QStringLiteral("/artikli.dat"));
    m_engine->setRetailScreen(&m_retail);
    m_engine->seedSendSeq(int(m_rng() % 49) + 1);
    QObject::connect(m_engine.get(), &TransactionEngine::receiptCompleted, [this](int broj) {
      ++m_r.completed;
      trace(QStringLiteral("  completed %1").arg(broj));
    });

    if (m_o.model == 4) {
      auto tcp = std::make_unique<TcpLink>(m_clock);
      tcp->setHost(QStringLiteral("127.0.0.1"));
      tcp->setPort(m_sim.tcpPort);
      m_device = std::move(tcp);
    } else {
      auto serial = std::make_unique<SerialPortLink>();
      serial->setPortName(dir + QStringLiteral("/COM1"));
      m_device = std::move(serial);
    }
    testsupport::Answer<bool> opened;
    m_device->open(opened.callback());
    if (!testsupport::waitFor([&] { return opened.arrived(); }, 5000) || !*opened)
      return false;
    m_prompt.reopenLink = [this] {
      if (m_device->isOpen())
        return;
      ++m_r.choices[QStringLiteral("link reopened")];
      testsupport::Answer<bool> again;
      m_device->open(again.callback());
      testsupport::waitFor([&] { return again.arrived(); }, 5000);
    };
    m_wire.attach(m_device.get(), m_engine.get());
    m_engine->setWire(&m_wire);
    return true;
  }

  // One receipt: opening, one to four lines, then payment until the device closes it.
  bool receipt() {
    ++m_r.receipts;
    trace(QStringLiteral("receipt %1").arg(m_r.receipts));
    const int before = m_r.completed;
    m_engine->setBrojRacuna(m_engine->nextReceiptNumber());
    if (!step([&] { m_engine->beginRetailReceipt(m_o.cashier); }))
      return false;
    const int lines = 1 + int(m_rng() % 4);
    for (int i = 0; i < lines && m_r.completed == before; ++i)
      if (!step([&] { m_engine->sellRetailLine(randomLine()); }))
        return false;
    for (int attempt = 0; attempt < 8 && m_r.completed == before; ++attempt) {
      // The number the receipt got when its first line was stored (another till may
      // have had the one it hoped for).
      const Money rest = m_engine->OstatakIznosa(m_clock.now().date().year(), m_engine->brojRacuna());
      bool ok;
      if (rest <= Money()) // every line given up: sell one more before paying
        ok = step([&] { m_engine->sellRetailLine(randomLine()); });
      else
        ok = step([&] {
          Racun pay;
          pay.operacija = Racun::Placanje;
          pay.nacinPlacanja = Racun::Gotovina;
          pay.iznosPlacanja = rest;
          pay.ostatak = rest;
          m_engine->closeRetail(pay, m_o.model == 2 || m_o.model == 3 || m_o.model == 4);
        });
      if (!ok)
        return false;
    }
    keepHistory(m_engine->brojRacuna());
    if (m_r.completed == before) {
      ++m_r.stuck;
      return false;
    }
    return true;
  }

  // Every frame the device saw, receipt by receipt, for the folder of a failed run.
  void keepHistory(int broj) {
    const QJsonArray frames =
        m_sim.control({{"cmd", "history"}, {"clear", true}}).value(QStringLiteral("frames")).toArray();
    m_history += QJsonDocument(QJsonObject{{"receipt", m_r.receipts}, {"broj", broj}, {"frames", frames}})
                     .toJson(QJsonDocument::Compact) +
                 "\n";
  }

  void tearDown() {
    m_sim.control({{"cmd", "clearFaults"}});
    m_device->close();
  }

private:
  Racun randomLine() {
    const Article &a = kArticles[m_rng() % std::size(kArticles)];
    const double q = kQuantities[m_rng() % std::size(kQuantities)];
    Racun r;
    r.operacija = Racun::Prodaja;
    r.sifra = a.sifra;
    r.barkod = a.sifra;
    r.naziv = a.naziv;
    r.kolicina = Quantity(q);
    r.cena = Money(a.cena);
    r.iznos = *roundedAmount(r.kolicina, r.cena);
    r.poreskaGrupa = 2;
    return r;
  }

  // Sends one cashier action and waits until the engine awaits nothing more.
  bool step(const std::function<void()> &action) {
    ++m_r.steps;
    const bool sticky = injectFault();
    action();
    trace(QStringLiteral("  step %1 (%2)")
              .arg(m_engine->stavkaKase().operacija)
              .arg(m_engine->stavkaKase().naziv));
    const bool idle = testsupport::waitFor([&] { return !m_engine->awaitingReply(); }, 120000);
    if (sticky || m_prompt.paperOut) {
      m_sim.control({{"cmd", "clearFaults"}});
      m_sim.control({{"cmd", "latency"}, {"ms", 0}});
      m_sim.control({{"cmd", "split"}, {"mode", "off"}});
      m_prompt.paperOut = false;
    }
    return idle;
  }

  int below(int n) { return int(m_rng() % unsigned(n)); }

  // Maybe one fault for the next step; true when it must be taken back afterwards.
  bool injectFault() {
    std::uniform_real_distribution<double> chance(0, 1);
    if (chance(m_rng) >= m_o.faultRate)
      return false;
    const int watchdog = TransactionEngine::WatchdogMs / m_o.timeScale;
    QJsonObject cmd;
    QString kind;
    // Model 4 over TCP: the connection can drop as well.
    switch (below(m_o.model == 4 ? 8 : 7)) {
    case 0: // up to three are covered by the watchdog's resends, more reach the cashier
      kind = QStringLiteral("silence");
      cmd = {{"cmd", "silent"}, {"count", 1 + below(5)}};
      break;
    case 1:
      kind = QStringLiteral("lost replies");
      cmd = {{"cmd", "loseReplies"}, {"count", 1 + below(5)}};
      break;
    case 2: {
      kind = QStringLiteral("garbage");
      QStringList bytes;
      for (int i = 0, n = 1 + below(8); i < n; ++i)
        bytes << QStringLiteral("%1").arg(below(256), 2, 16, QLatin1Char('0'));
      cmd = {{"cmd", "garbage"}, {"hex", bytes.join(QLatin1Char(' '))}, {"count", 1}};
      break;
    }
    case 3:
      kind = QStringLiteral("split");
      cmd = {{"cmd", "split"}, {"mode", "random"}, {"gapMs", below(4)}};
      break;
    case 4: // below the watchdog: a slow device, not a silent one
      if (m_o.slowReplies && below(2) == 0) {
        // Past it: the resend goes out and the device answers both frames.
        kind = QStringLiteral("slow reply");
        cmd = {{"cmd", "latency"}, {"ms", watchdog + 1 + below(watchdog / 2)}};
        break;
      }
      kind = QStringLiteral("latency");
      cmd = {{"cmd", "latency"}, {"ms", 1 + below(watchdog * 2 / 3)}};
      break;
    case 5:
      cmd = refusal(kind);
      break;
    case 7:
      kind = QStringLiteral("dropped connection");
      cmd = {{"cmd", "drop"}, {"next", true}};
      break;
    default:
      kind = QStringLiteral("paper out");
      cmd = {{"cmd", "paperOut"}, {"on", true}};
      m_prompt.paperOut = true;
      break;
    }
    const QJsonObject answer = m_sim.control(cmd);
    if (!answer.value(QStringLiteral("ok")).toBool()) {
      ++m_r.faults[QStringLiteral("not taken: ") + kind];
      return true;
    }
    ++m_r.faults[kind];
    trace(QStringLiteral("  fault ") + QString::fromUtf8(QJsonDocument(cmd).toJson(QJsonDocument::Compact)));
    return true;
  }

  QJsonObject refusal(QString &kind) {
    if (m_o.model == 1 || m_o.model == 5) {
      static const int reasons[] = {0x01, 0x02, 0x08, 0x10};
      const int reason = reasons[below(4)];
      kind = QStringLiteral("refusal %1").arg(reason);
      return {{"cmd", "refuse"}, {"reason", reason}, {"count", 1}};
    }
    if (m_o.model == 4) {
      static const int classes[] = {1, 2, 3, 4, 9};
      const int errorClass = classes[below(5)];
      kind = QStringLiteral("refusal class %1").arg(errorClass);
      return {
          {"cmd", "refuse"}, {"errorClass", errorClass}, {"errorBits", qint64(1) << below(32)}, {"count", 1}};
    }
    kind = QStringLiteral("refusal");
    return {{"cmd", "refuse"}, {"count", 1}};
  }

  const SoakOptions &m_o;
  SoakResult &m_r;
  SimProcess &m_sim;
  std::mt19937 m_rng;
  LinkSettings m_link;
  ScaledScheduler m_clock;
  Database m_db;
  ArticleMirror m_mirror;
  QuietRetail m_retail;
  PolicyPrompt m_prompt;
  LinkWire m_wire;
  std::unique_ptr<Link> m_device;
  std::unique_ptr<TransactionEngine> m_engine;

public:
  std::map<QString, double> m_startStock;
  QByteArray m_history; // one JSON line per receipt
  QSqlDatabase connection() const { return m_db.connection(); }
};

} // namespace

bool seedSoakShop(Database &db, std::map<QString, double> &startStock) {
  for (const Article &a : kArticles) {
    if (!db.exec(QStringLiteral("INSERT INTO artikli (sifra, barkod, naziv, cena, stopa, lager) "
                                "VALUES (:s, '', :n, :c, 2, :l)"),
                 {{QStringLiteral("s"), a.sifra},
                  {QStringLiteral("n"), a.naziv},
                  {QStringLiteral("c"), a.cena},
                  {QStringLiteral("l"), kStartStock}}))
      return false;
    startStock[a.sifra] = kStartStock;
  }
  return true;
}

SoakResult runSoak(const SoakOptions &o) {
  SoakResult r;
  g_trace = o.trace;
  QTemporaryDir tmp;
  const QString dir = o.workDir.isEmpty() ? tmp.path() : o.workDir;
  SimProcess sim;
  QByteArray articles;
  for (const Article &a : kArticles)
    articles += QStringLiteral("%1;%2;%3;2;\n").arg(a.deviceNumber).arg(a.naziv).arg(a.cena).toUtf8();
  if (!sim.start(o.model, dir, true, articles)) {
    r.check.problems << QStringLiteral("fiscal-sim did not start");
    ++r.stuck;
    return r;
  }
  Soak soak(o, r, sim);
  if (!soak.setUp(dir)) {
    r.check.problems << QStringLiteral("the link or the database did not open");
    ++r.stuck;
    return r;
  }
  for (int i = 0; i < o.receipts; ++i)
    if (!soak.receipt())
      break;
  soak.tearDown();
  const QJsonObject link = sim.control({{"cmd", "state"}})
                               .value(QStringLiteral("state"))
                               .toObject()
                               .value(QStringLiteral("link"))
                               .toObject();
  for (auto it = link.begin(); it != link.end(); ++it)
    if (it.value().isDouble())
      r.device[it.key()] = it.value().toInt();
  if (o.database.isEmpty())
    r.check = checkJournal(sim.journal(), soak.connection(), soak.m_startStock, o.model != 2 && o.model != 3);
  if (!r.passed()) {
    tmp.setAutoRemove(false);
    QFile history(dir + QStringLiteral("/history.jsonl"));
    if (history.open(QIODevice::WriteOnly))
      history.write(soak.m_history);
    r.check.problems << QStringLiteral("kept for a look: %1").arg(dir);
  }
  return r;
}
