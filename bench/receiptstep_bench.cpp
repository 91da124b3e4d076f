// Program time of one receipt step (article check, sale line, reply, the step's
// database writes) against an instant in-process device, with 1,000 and with
// 1,000,000 sold lines already stored, next to the serial wire time of the same
// two frames at 57600 bit/s (10 bits per byte). The aim: program time below 5%
// of wire time.
#include "common/scheduler.h"
#include "data/database.h"
#include "device/articlemirror.h"
#include "device/framecodec.h"
#include "engine/transactionengine.h"

#include <QCoreApplication>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <chrono>

namespace {

// Answers every frame at once with the model-1 acknowledgement.
struct InstantDevice : DeviceWire {
  TransactionEngine *engine = nullptr;
  qint64 wireBytes = 0;
  void write(const QByteArray &frame) override {
    const QByteArray reply =
        FrameCodec::longFrame(0x01, 0x11, QStringLiteral("123450"), 0, 0x1F, QByteArray(2, '\0'));
    wireBytes += frame.size() + reply.size();
    engine->onBytesReceived(reply);
  }
};

void fill(Database &db, int rows) {
  db.beginTransaction();
  QSqlQuery q(db.connection());
  q.prepare(
      "INSERT INTO prodato (rbr, brrac, godina, datum, sifra, barkod, naziv, cena, storno, stopa, prodato, "
      "iznos) VALUES (?, ?, ?, '2025-06-01', '1', '', 'KAFA', 100, 0, 2, 1, 100)");
  for (int i = 1; i <= rows; ++i) {
    q.addBindValue(i);
    q.addBindValue(i / 10 + 1);
    q.addBindValue(i % 2 ? 2025 : 2026);
    q.exec();
  }
  db.commitTransaction();
}

void BM_ReceiptStep(benchmark::State &state) {
  const int stored = int(state.range(0));
  QTemporaryDir dir;
  Database db;
  if (!db.open(1, dir.path())) {
    state.SkipWithError("database");
    return;
  }
  if (state.range(1)) {
    // What the engine costs when commits do not wait for the disk (WAL, synchronous=NORMAL).
    (void)db.exec("PRAGMA journal_mode=WAL");
    (void)db.exec("PRAGMA synchronous=NORMAL");
  }
  fill(db, stored);
  if (!db.exec("INSERT INTO artikli (sifra, barkod, naziv, cena, stopa, lager) VALUES ('1', '', 'KAFA', 100, "
               "2, 1e9)")) {
    state.SkipWithError("article");
    return;
  }
  LinkSettings link;
  link.Model = 1;
  link.IBFM = "123450";
  VirtualScheduler clock;
  ArticleMirror mirror;
  mirror.insert({"1", 10, "", "KAFA", 100, 2});
  InstantDevice device;
  TransactionEngine engine(link, clock);
  device.engine = &engine;
  engine.setWire(&device);
  engine.setDatabase(&db);
  engine.setMirror(&mirror, dir.filePath("artikli.dat"));
  engine.setBrojRacuna(engine.nextReceiptNumber());
  engine.beginRetailReceipt(1);
  Racun line;
  line.operacija = Racun::Prodaja;
  line.sifra = "1";
  line.barkod = "1";
  line.naziv = "KAFA";
  line.kolicina = 1;
  line.cena = 100;
  line.iznos = 100;
  line.poreskaGrupa = 2;

  double programSeconds = 0;
  const qint64 bytesBefore = device.wireBytes;
  for (auto _ : state) {
    const auto t0 = std::chrono::steady_clock::now();
    engine.sellRetailLine(line);
    clock.advance(50); // the pause before a sale line is the device's, not the program's
    const auto t1 = std::chrono::steady_clock::now();
    const double s = std::chrono::duration<double>(t1 - t0).count();
    programSeconds += s;
    state.SetIterationTime(s);
  }
  const double steps = double(state.iterations());
  const double wireSeconds = double(device.wireBytes - bytesBefore) * 10.0 / 57600.0;
  state.counters["program_us_per_step"] = programSeconds / steps * 1e6;
  state.counters["wire_us_per_step"] = wireSeconds / steps * 1e6;
  state.counters["program_share_of_wire_pct"] = 100.0 * programSeconds / wireSeconds;
}

// Arguments: sold lines stored; 0 = the database as opened, 1 = WAL without waiting for the disk.
BENCHMARK(BM_ReceiptStep)
    ->ArgNames({"stored", "wal"})
    ->Args({1000, 0})
    ->Args({1000000, 0})
    ->Args({1000, 1})
    ->Args({1000000, 1})
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv) {
  QCoreApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
