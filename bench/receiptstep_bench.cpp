// Program time of one receipt step (article check, sale line, reply, the step's
// database writes: receipt header located or created, the PRODATO row, stock of
// the article and of its recipe) against an instant in-process device, with 1,000
// and with 1,000,000 sold lines stored, next to the serial wire time of the same
// frames at 57600 bit/s (10 bits per byte). The database is kasa.db opened the way
// the program opens it, durable: the write-ahead log with full sync, and for
// comparison the rollback journal the program falls back to on a network share.
// The program keeps the statements of a step prepared on its connection; the same
// step with every statement prepared anew shows what that saves.
//
// The disk flushes are counted by an SQLite VFS laid over the default one, which
// also times them; the machine's single flush is measured alone beside it. The
// aim: program time under 5% of wire time, or, where one flush alone is above
// that, the rest of the step under 5%.
//
// The database lies in a temporary directory under $KASA_BENCH_DIR (else $TMPDIR
// or /tmp): put it on the disk a till would use. A tmpfs flushes nothing.
#include "common/scheduler.h"
#include "data/database.h"
#include "device/articlemirror.h"
#include "device/framecodec.h"
#include "engine/transactionengine.h"
#include "saleshistory.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <memory>
#include <sys/vfs.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

// --- flushes seen by SQLite: a VFS over the default one that counts and times xSync ---

struct Flushes {
  long count = 0;
  double seconds = 0;
};
Flushes g_flushes;
sqlite3_vfs *g_base = nullptr;

struct CountingFile {
  sqlite3_file base;   // methods: g_methods
  bool dirSyncPending; // the unix VFS flushes the directory at a new journal's first sync
  sqlite3_file *real() { return reinterpret_cast<sqlite3_file *>(this + 1); }
};
CountingFile *counting(sqlite3_file *f) {
  return reinterpret_cast<CountingFile *>(f);
}
sqlite3_file *real(sqlite3_file *f) {
  return counting(f)->real();
}

int xSync(sqlite3_file *f, int flags) {
  const auto t0 = Clock::now();
  const int rc = real(f)->pMethods->xSync(real(f), flags);
  g_flushes.seconds += std::chrono::duration<double>(Clock::now() - t0).count();
  g_flushes.count += 1 + (counting(f)->dirSyncPending ? 1 : 0);
  counting(f)->dirSyncPending = false;
  return rc;
}

int xClose(sqlite3_file *f) {
  const int rc = real(f)->pMethods->xClose(real(f));
  f->pMethods = nullptr;
  return rc;
}

// Every other method goes straight to the real file.
template <auto Member, typename... A> auto forward(sqlite3_file *f, A... a) {
  return (real(f)->pMethods->*Member)(real(f), a...);
}

const sqlite3_io_methods g_methods = {
    3,
    xClose,
    [](sqlite3_file *f, void *p, int n, sqlite3_int64 o) {
      return forward<&sqlite3_io_methods::xRead>(f, p, n, o);
    },
    [](sqlite3_file *f, const void *p, int n, sqlite3_int64 o) {
      return forward<&sqlite3_io_methods::xWrite>(f, p, n, o);
    },
    [](sqlite3_file *f, sqlite3_int64 s) { return forward<&sqlite3_io_methods::xTruncate>(f, s); },
    xSync,
    [](sqlite3_file *f, sqlite3_int64 *s) { return forward<&sqlite3_io_methods::xFileSize>(f, s); },
    [](sqlite3_file *f, int l) { return forward<&sqlite3_io_methods::xLock>(f, l); },
    [](sqlite3_file *f, int l) { return forward<&sqlite3_io_methods::xUnlock>(f, l); },
    [](sqlite3_file *f, int *r) { return forward<&sqlite3_io_methods::xCheckReservedLock>(f, r); },
    [](sqlite3_file *f, int op, void *a) { return forward<&sqlite3_io_methods::xFileControl>(f, op, a); },
    [](sqlite3_file *f) { return forward<&sqlite3_io_methods::xSectorSize>(f); },
    [](sqlite3_file *f) { return forward<&sqlite3_io_methods::xDeviceCharacteristics>(f); },
    [](sqlite3_file *f, int pg, int sz, int w, void volatile **p) {
      return forward<&sqlite3_io_methods::xShmMap>(f, pg, sz, w, p);
    },
    [](sqlite3_file *f, int o, int n, int fl) { return forward<&sqlite3_io_methods::xShmLock>(f, o, n, fl); },
    [](sqlite3_file *f) { forward<&sqlite3_io_methods::xShmBarrier>(f); },
    [](sqlite3_file *f, int d) { return forward<&sqlite3_io_methods::xShmUnmap>(f, d); },
    [](sqlite3_file *f, sqlite3_int64 o, int n, void **p) {
      return forward<&sqlite3_io_methods::xFetch>(f, o, n, p);
    },
    [](sqlite3_file *f, sqlite3_int64 o, void *p) { return forward<&sqlite3_io_methods::xUnfetch>(f, o, p); },
};

int xOpen(sqlite3_vfs *, sqlite3_filename name, sqlite3_file *f, int flags, int *outFlags) {
  CountingFile *c = counting(f);
  c->base.pMethods = nullptr;
  const int rc = g_base->xOpen(g_base, name, c->real(), flags, outFlags);
  if (c->real()->pMethods) {
    c->base.pMethods = &g_methods;
    c->dirSyncPending = (flags & SQLITE_OPEN_CREATE) &&
                        (flags & (SQLITE_OPEN_MAIN_JOURNAL | SQLITE_OPEN_SUPER_JOURNAL | SQLITE_OPEN_WAL));
  }
  return rc;
}

int xDelete(sqlite3_vfs *, const char *name, int syncDir) {
  const auto t0 = Clock::now();
  const int rc = g_base->xDelete(g_base, name, syncDir);
  if (syncDir) {
    g_flushes.seconds += std::chrono::duration<double>(Clock::now() - t0).count();
    ++g_flushes.count;
  }
  return rc;
}

sqlite3_vfs g_vfs;

void installCountingVfs() {
  sqlite3_initialize();
  g_base = sqlite3_vfs_find(nullptr);
  g_vfs = *g_base;
  g_vfs.zName = "kasa-counting";
  g_vfs.szOsFile = int(sizeof(CountingFile)) + g_base->szOsFile;
  g_vfs.pNext = nullptr;
  g_vfs.xOpen = xOpen;
  g_vfs.xDelete = xDelete;
  sqlite3_vfs_register(&g_vfs, 1); // Qt's SQLite driver uses the same library, so it opens through this
}

// --- the shop ---

QString benchRoot() {
  const QString root = qEnvironmentVariable("KASA_BENCH_DIR");
  return root.isEmpty() ? QDir::tempPath() : root;
}

std::optional<quint32> fileSystemOf(const QString &dir) {
  struct statfs st {};
  if (::statfs(QFile::encodeName(dir).constData(), &st) != 0)
    return std::nullopt;
  return quint32(st.f_type);
}

// kasa.db with the sales history, in a directory of its own.
struct Shop {
  QTemporaryDir dir{benchRoot() + QStringLiteral("/kasa-bench-XXXXXX")};
  int lines = 0;
};

bool fill(const QString &dir, int lines) {
  Database db;
  return db.open(1, dir) && fillSalesHistory(db, lines);
}

// Built once per size, used by both journals; released in main() while the application exists.
std::map<int, std::unique_ptr<Shop>> g_shops;

Shop *shopWith(int lines) {
  auto &s = g_shops[lines];
  if (!s) {
    s = std::make_unique<Shop>();
    s->lines = lines;
    if (!s->dir.isValid() || !fill(s->dir.path(), lines))
      s.reset();
  }
  return s.get();
}

// Answers every frame at once with the family-1 acknowledgement.
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

constexpr quint32 NfsMagic = 0x6969;

// One flush alone: a 4 KiB page appended to a file beside kasa.db and written
// through with fdatasync, as SQLite does when it commits to its log.
void BM_SingleFsync(benchmark::State &state) {
  Shop *shop = shopWith(1000);
  if (!shop) {
    state.SkipWithError("could not build the shop's database");
    return;
  }
  const QByteArray path = QFile::encodeName(shop->dir.filePath("fsync-probe"));
  const int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_TRUNC, 0644);
  if (fd < 0) {
    state.SkipWithError("cannot create the probe file");
    return;
  }
  char page[4096];
  std::memset(page, 'k', sizeof page);
  off_t at = 0;
  for (auto _ : state) {
    if (::pwrite(fd, page, sizeof page, at) != ssize_t(sizeof page)) {
      state.SkipWithError("write failed");
      break;
    }
    at = (at + off_t(sizeof page)) % (off_t(sizeof page) * 1024); // the log is reused from its start
    const auto t0 = Clock::now();
    ::fdatasync(fd);
    state.SetIterationTime(std::chrono::duration<double>(Clock::now() - t0).count());
  }
  ::close(fd);
  ::unlink(path.constData());
}
BENCHMARK(BM_SingleFsync)->UseManualTime()->MinTime(2.0)->Unit(benchmark::kMicrosecond);

void BM_ReceiptStep(benchmark::State &state) {
  Shop *shop = shopWith(int(state.range(0)));
  if (!shop) {
    state.SkipWithError("could not build the shop's database");
    return;
  }
  const bool rollback = state.range(1) != 0;
  const bool kept = state.range(2) != 0;
  Database db;
  if (rollback) // the program's own choice on a network share
    db.setFileSystemProbe([](const QString &) { return std::optional<quint32>(NfsMagic); });
  if (!db.open(1, shop->dir.path())) {
    state.SkipWithError("could not open the database");
    return;
  }
  db.setKeepStatements(kept);
  const QString mode = db.scalar("PRAGMA journal_mode").value_or(QVariant()).toString();
  const int sync = db.scalar("PRAGMA synchronous").value_or(QVariant()).toInt();
  if (mode != (rollback ? "delete" : "wal") || sync != 2) {
    state.SkipWithError("the database is not opened with the durable settings");
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
  engine.setMirror(&mirror, shop->dir.filePath("artikli.dat"));
  engine.setBrojRacuna(engine.nextReceiptNumber());
  engine.beginRetailReceipt(1);
  Racun line;
  line.operacija = Racun::Prodaja;
  line.sifra = "1";
  line.barkod = "1";
  line.naziv = "KAFA";
  line.kolicina = Quantity(1);
  line.cena = Money(100);
  line.iznos = Money(100);
  line.poreskaGrupa = 2;

  const int linesBefore = db.scalar("SELECT COUNT(*) FROM prodato").value_or(-1).toInt();
  const qint64 bytesBefore = device.wireBytes;
  const Flushes flushesBefore = g_flushes;
  double programSeconds = 0;
  for (auto _ : state) {
    const auto t0 = Clock::now();
    engine.sellRetailLine(line);
    clock.advance(50); // the pause before a sale line is the device's, not the program's
    const double s = std::chrono::duration<double>(Clock::now() - t0).count();
    programSeconds += s;
    state.SetIterationTime(s);
  }
  const double steps = double(state.iterations());
  if (db.scalar("SELECT COUNT(*) FROM prodato").value_or(-1).toInt() !=
      linesBefore + int(state.iterations())) {
    state.SkipWithError("not every step stored its line");
    return;
  }
  const double wireSeconds = double(device.wireBytes - bytesBefore) * 10.0 / 57600.0;
  const double flushSeconds = g_flushes.seconds - flushesBefore.seconds;
  state.counters["program_us"] = programSeconds / steps * 1e6;
  state.counters["wire_us"] = wireSeconds / steps * 1e6;
  state.counters["program_pct_of_wire"] = 100.0 * programSeconds / wireSeconds;
  state.counters["fsyncs_per_step"] = double(g_flushes.count - flushesBefore.count) / steps;
  state.counters["fsync_us_per_step"] = flushSeconds / steps * 1e6;
  state.counters["rest_pct_of_wire"] = 100.0 * (programSeconds - flushSeconds) / wireSeconds;
  state.counters["rest_us"] = (programSeconds - flushSeconds) / steps * 1e6;
  state.counters["kept_statements"] = db.preparedStatements();
  state.SetLabel(mode.toStdString() + (kept ? ", statements kept" : ", statements prepared anew"));
}

// Arguments: sold lines stored; 0 = write-ahead log, 1 = rollback journal (both with full
// sync); 1 = statements kept prepared as the program does, 0 = prepared anew at every run.
BENCHMARK(BM_ReceiptStep)
    ->ArgNames({"stored", "rollback", "kept"})
    ->Args({1000, 0, 1})
    ->Args({1000, 0, 0})
    ->Args({1000, 1, 1})
    ->Args({1000000, 0, 1})
    ->Args({1000000, 0, 0})
    ->Args({1000000, 1, 1})
    ->UseManualTime()
    ->MinTime(2.0)
    ->Unit(benchmark::kMicrosecond);

// Keeps the counters of every run for the summary printed at the end.
class SummaryReporter : public benchmark::ConsoleReporter {
public:
  std::map<std::string, Run> runs;
  void ReportRuns(const std::vector<Run> &r) override {
    for (const Run &run : r)
      runs[run.benchmark_name()] = run;
    ConsoleReporter::ReportRuns(r);
  }
};

} // namespace

int main(int argc, char **argv) {
  installCountingVfs();
  QCoreApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  SummaryReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);

  const auto fs = fileSystemOf(benchRoot());
  std::printf("\ndatabase in %s (file system f_type 0x%x)\n", qPrintable(benchRoot()), fs ? *fs : 0u);
  double fsyncUs = -1;
  for (const auto &[name, run] : reporter.runs)
    if (name.rfind("BM_SingleFsync", 0) == 0)
      fsyncUs = run.GetAdjustedRealTime();
  if (fsyncUs >= 0)
    std::printf("one fdatasync alone: %.0f us\n", fsyncUs);
  for (const auto &[name, run] : reporter.runs) {
    if (name.rfind("BM_ReceiptStep", 0) != 0)
      continue;
    auto c = [&](const char *k) {
      auto it = run.counters.find(k);
      return it == run.counters.end() ? 0.0 : double(it->second);
    };
    const double perFsync = c("fsyncs_per_step") > 0 ? c("fsync_us_per_step") / c("fsyncs_per_step") : 0;
    std::printf(
        "%-44s program %6.0f us, wire %5.0f us: %5.1f%% of wire; %.2f fsyncs per step (%4.0f us, %4.0f us "
        "each); the rest %.1f%% of wire",
        name.c_str(), c("program_us"), c("wire_us"), c("program_pct_of_wire"), c("fsyncs_per_step"),
        c("fsync_us_per_step"), perFsync, c("rest_pct_of_wire"));
    if (fsyncUs >= 0 && c("wire_us") > 0)
      std::printf("; one fsync alone %.1f%% of wire", 100.0 * fsyncUs / c("wire_us"));
    std::printf("\n");
  }
  // The same step with its statements prepared anew, beside the program's own.
  for (const auto &[name, run] : reporter.runs) {
    const auto at = name.find("kept:1");
    if (name.rfind("BM_ReceiptStep", 0) != 0 || at == std::string::npos)
      continue;
    const auto twin = reporter.runs.find(std::string(name).replace(at, 6, "kept:0"));
    if (twin == reporter.runs.end())
      continue;
    using Run = benchmark::BenchmarkReporter::Run;
    auto c = [](const Run &r, const char *k) {
      auto it = r.counters.find(k);
      return it == r.counters.end() ? 0.0 : double(it->second);
    };
    const Run &anew = twin->second;
    std::printf("%-44s statements kept: program %.0f us vs %.0f us prepared anew (%.2f of it); beside the "
                "fsyncs %.0f us vs %.0f us (%.2f of it), %.1f%% vs %.1f%% of wire\n",
                name.c_str(), c(run, "program_us"), c(anew, "program_us"),
                c(anew, "program_us") > 0 ? c(run, "program_us") / c(anew, "program_us") : 0.0,
                c(run, "rest_us"), c(anew, "rest_us"),
                c(anew, "rest_us") > 0 ? c(run, "rest_us") / c(anew, "rest_us") : 0.0,
                c(run, "rest_pct_of_wire"), c(anew, "rest_pct_of_wire"));
  }
  std::printf("disk flushes SQLite asked for in the whole run: %ld\n", g_flushes.count);
  std::printf("aim: program under 5%% of wire; where one fsync alone is above 5%%, the rest under 5%%\n");
  std::fflush(stdout);
  g_shops.clear();
  benchmark::Shutdown();
  return 0;
}
