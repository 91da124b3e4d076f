#pragma once

#include "common/scheduler.h"
#include "data/database.h"
#include "device/articlemirror.h"
#include "device/framecodec.h"
#include "engine/transactionengine.h"
#include "support/testsupport.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <deque>

// A scripted device and scripted people around a real engine on a real
// in-memory database, with virtual time.
namespace enginetest {

struct RecordingWire : DeviceWire {
  QList<QByteArray> frames;
  void write(const QByteArray &f) override { frames << f; }
};

// Every prompt of a test opens with no transaction open (a modal prompt inside one
// would let a device reply write into it).
inline void expectNoTransaction() {
  EXPECT_EQ(Database::openTransactions(), 0) << "a prompt opened inside a database transaction";
}

struct ScriptedPrompt : UserPrompt {
  QStringList log;                    // "kind|title|text" per prompt
  std::deque<int> errorAnswers;       // izborGreske per device-error dialog in error mode
  std::deque<int> receiptAnswers;     // izbor per TForm5
  std::function<void()> duringPrompt; // runs inside every prompt (bytes arriving meanwhile)
  QList<UserPrompt::DeviceError> errors;
  QList<UserPrompt::UnfinishedReceipt> receipts;

  bool messageDialog(const QString &title, const QString &text, bool) override {
    expectNoTransaction();
    log << QStringLiteral("message|%1|%2").arg(title, text);
    if (duringPrompt)
      duringPrompt();
    return true;
  }
  DeviceErrorAnswer deviceErrorDialog(const DeviceError &r) override {
    expectNoTransaction();
    log << QStringLiteral("device|%1|%2").arg(r.naslov, r.tekst);
    errors << r;
    if (duringPrompt)
      duringPrompt();
    DeviceErrorAnswer a;
    if (r.mode == Mode::Error && !errorAnswers.empty()) {
      a.izborGreske = errorAnswers.front();
      errorAnswers.pop_front();
    }
    return a;
  }
  int unfinishedReceiptDialog(const UnfinishedReceipt &r) override {
    expectNoTransaction();
    log << QStringLiteral("racun|%1").arg(r.tekst);
    receipts << r;
    int a = 1;
    if (!receiptAnswers.empty()) {
      a = receiptAnswers.front();
      receiptAnswers.pop_front();
    }
    return a;
  }
  void showInstructions() override { log << QStringLiteral("instructions"); }
  void pressEnterNotice(const QString &text) override {
    expectNoTransaction();
    log << QStringLiteral("enter|") + text;
    if (duringPrompt)
      duringPrompt();
  }
};

struct FakeRetail : RetailScreen {
  QStringList log;
  QList<SoldLine> loaded;
  bool isVisible() const override { return true; }
  void enableEntryLine() override { log << QStringLiteral("enable"); }
  void takeLastLineOff(bool w) override {
    log << (w ? QStringLiteral("takeOff(w)") : QStringLiteral("takeOff"));
  }
  void resetAfterReceipt() override { log << QStringLiteral("reset"); }
  void showStatus(const QString &t) override { log << QStringLiteral("status:") + t; }
  void loadStoredReceipt(const QList<SoldLine> &l) override {
    loaded = l;
    log << QStringLiteral("load:%1").arg(l.size());
  }
};

struct FakeRestaurant : RestaurantScreen {
  QStringList log;
  int current = 0;
  void enableControls() override { log << QStringLiteral("controls"); }
  void enableEntryLine() override { log << QStringLiteral("entry"); }
  int reloadTables() override {
    log << QStringLiteral("reload");
    return current;
  }
  void resetAmounts(Money t) override { log << QStringLiteral("amounts:%1").arg(t.toDouble()); }
  void setTotal(Money t) override { log << QStringLiteral("total:%1").arg(t.toDouble()); }
};

// Replies as the devices send them.
namespace reply {
inline QByteArray longFrame(int model, quint8 code, const QByteArray &payload) {
  const quint8 fam = model == 4 ? 0x04 : (model == 2 || model == 3) ? 0x02 : 0x01;
  return FrameCodec::longFrame(fam, model == 4 ? 0x01 : 0x11, QStringLiteral("123450"), 0, code, payload);
}
inline QByteArray ack1(int model, bool refused = false, quint8 reason = 0) {
  return longFrame(model, 0x1F, QByteArray(1, char(refused ? 0xFF : 0x00)) + QByteArray(1, char(reason)));
}
inline QByteArray closed1(int model, quint32 fiscal) {
  QByteArray p(6, 0);
  p[2] = char(fiscal >> 24);
  p[3] = char(fiscal >> 16);
  p[4] = char(fiscal >> 8);
  p[5] = char(fiscal);
  return longFrame(model, 0x1C, p);
}
inline QByteArray ack2(int model, quint8 status) {
  return longFrame(model, 0x20, QByteArray(1, char(status)));
}
// Family 4: status 0xFF accepted; stateOrClass at 10; answered command at 15.
inline QByteArray ack4(quint8 answered, bool ok = true, quint8 stateOrClass = 0, quint32 errorWord = 0,
                       quint32 receiptNumber = 0, quint16 article = 0, quint8 flags = 0) {
  QByteArray p(16, 0);
  p[0] = char(ok ? 0xFF : 0x00);
  p[1] = char(stateOrClass);
  p[2] = char(errorWord >> 24);
  p[3] = char(errorWord >> 16);
  p[4] = char(errorWord >> 8);
  p[5] = char(errorWord);
  p[6] = char(answered);
  p[7] = char(article & 0xFF);
  p[8] = char(article >> 8);
  p[12] = char(receiptNumber);
  p[13] = char(receiptNumber >> 8);
  p[14] = char(receiptNumber >> 16);
  p[15] = char(receiptNumber >> 24);
  if (flags)
    p[15] = char(flags); // offset 24: article flags of a sale reply
  return longFrame(4, 0x20, p);
}
// The accepting reply to a receipt command of the model.
inline QByteArray accept(int model, quint8 command) {
  if (model == 1 || model == 5)
    return ack1(model);
  if (model == 2)
    return ack2(model, 0xFF);
  if (model == 3)
    return ack2(model, 0x01);
  return ack4(command);
}
} // namespace reply

class Harness {
public:
  // onDisk: kasa.db in the harness's directory instead of a database in memory.
  explicit Harness(int model, bool onDisk = false) {
    link.Model = model;
    link.IBFM = QStringLiteral("123450");
    if (onDisk)
      EXPECT_TRUE(db.open(1, dir.path())) << db.lastError().toStdString();
    else
      db.openInMemory();
    engine = std::make_unique<TransactionEngine>(link, clock);
    engine->setWire(&wire);
    engine->setPrompt(&prompt);
    engine->setDatabase(&db);
    engine->setMirror(&mirror, dir.filePath(QStringLiteral("artikli.dat")));
    engine->setRetailScreen(&retail);
    engine->setRestaurantScreen(&restaurant);
    engine->seedSendSeq(10);
    EXPECT_TRUE(
        db.exec(QStringLiteral("INSERT INTO artikli (sifra, barkod, naziv, cena, stopa, lager) VALUES "
                               "('1', '', 'KAFA', 100, 2, 10), ('2', '', 'ESPRESSO', 150, 2, 5), "
                               "('3', '', 'ZRNO', 1, 2, 100)")));
    EXPECT_TRUE(db.exec(QStringLiteral(
        "INSERT INTO sastav (sifra, sifsas, naziv, kolicina) VALUES ('2', '3', 'ZRNO', 0.5)")));
    mirror.insert({QStringLiteral("1"), 10, QString(), QStringLiteral("KAFA"), 100, 2});
    mirror.insert({QStringLiteral("2"), 11, QString(), QStringLiteral("ESPRESSO"), 150, 2});
  }

  // Feeds a reply, then lets paused writes go out.
  void feed(const QByteArray &bytes) {
    engine->onBytesReceived(bytes);
    clock.advance(400);
  }
  void settle() { clock.advance(400); }
  int sentCount() const { return int(wire.frames.size()); }
  QByteArray last() const { return wire.frames.isEmpty() ? QByteArray() : wire.frames.last(); }
  // Command code of the last frame (long: byte 7; short: byte 1).
  int lastCode() const {
    const QByteArray f = last();
    if (f.isEmpty())
      return -1;
    return quint8(f[0]) == 0xAA ? quint8(f[7]) : quint8(f[1]);
  }
  QVariant scalar(const QString &sql) { return db.scalar(sql).value_or(QVariant()); }

  static Racun sale(const QString &sifra, const QString &naziv, double kol, double cena, int grupa = 2) {
    Racun r;
    r.operacija = Racun::Prodaja;
    r.sifra = sifra;
    r.barkod = sifra;
    r.naziv = naziv;
    r.kolicina = Quantity(kol);
    r.cena = Money(cena);
    r.iznos = *roundedAmount(r.kolicina, r.cena);
    r.poreskaGrupa = grupa;
    return r;
  }
  static Racun payment(int nacin, double iznos, double ostatak) {
    Racun r;
    r.operacija = Racun::Placanje;
    r.nacinPlacanja = nacin;
    r.iznosPlacanja = Money(iznos);
    r.ostatak = Money(ostatak);
    return r;
  }

  QTemporaryDir dir;
  LinkSettings link;
  VirtualScheduler clock;
  Database db;
  RecordingWire wire;
  ScriptedPrompt prompt;
  FakeRetail retail;
  FakeRestaurant restaurant;
  ArticleMirror mirror;
  std::unique_ptr<TransactionEngine> engine;
};

} // namespace enginetest
