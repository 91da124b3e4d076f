// Program time of the device article window's loops on a full model-5 memory (12,000
// articles): reading it into the mirror and writing the mirror's rows, against an
// instant in-process device, next to the serial wire time of the same frames at
// 57600 bit/s (10 bits per byte). The aim: program time per article well under 5% of
// its wire time, and the last tenth of a loop no slower than its first (nothing done
// per reply may grow with the rows already read or written).
#include "common/scheduler.h"
#include "device/articlemirrormodel.h"
#include "device/devicetext.h"
#include "device/framecodec.h"
#include "engine/articlesync.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <chrono>
#include <functional>
#include <memory>

namespace {

// Model 5 answering at once from replies made before the clock starts.
class InstantDevice : public DeviceWire {
public:
  InstantDevice(Scheduler &clock, int stored) : m_clock(clock) {
    for (int n = 0; n < 12000; ++n)
      m_reads << reply(0x73, n < stored ? article(n) : empty(n));
    QByteArray ack(3, '\0');
    m_ack = reply(0x74, ack);
  }
  void attach(TransactionEngine *engine) { m_engine = engine; }
  void write(const QByteArray &frame) override {
    const quint8 code = quint8(frame[7]);
    const int n = quint8(frame[9]) | quint8(frame[10]) << 8;
    const QByteArray answer = code == 0x73 ? m_reads.value(n) : m_ack;
    bytes += frame.size() + answer.size();
    TransactionEngine *engine = m_engine;
    m_clock.schedule(0, engine, [engine, answer] { engine->onBytesReceived(answer); });
  }
  qint64 bytes = 0;

private:
  static QByteArray reply(quint8 code, const QByteArray &payload) {
    return FrameCodec::longFrame(0x01, 0x11, QStringLiteral("123450"), 0, code, payload);
  }
  static QByteArray empty(int n) {
    QByteArray p(56, '\0');
    p.replace(0, 2, FrameCodec::LE16(n));
    p.replace(2, 37, QByteArray(37, '\xFF'));
    return p;
  }
  static QByteArray article(int n) {
    QByteArray p(56, '\0');
    p.replace(0, 2, FrameCodec::LE16(n));
    const QByteArray name = DeviceText::nameToDevice(QStringLiteral("Ћевапчићи са луком %1").arg(n), 5);
    p.replace(2, name.size(), name);
    p[38] = '\xFF';
    p.replace(39, 7, FrameCodec::barcodeRight(QStringLiteral("86%1").arg(n, 11, 10, QLatin1Char('0'))));
    p[46] = 2;
    p[47] = 1;
    p.replace(48, 4, FrameCodec::price(123.45 + n));
    return p;
  }
  Scheduler &m_clock;
  TransactionEngine *m_engine = nullptr;
  QList<QByteArray> m_reads;
  QByteArray m_ack;
};

struct Window {
  explicit Window(int stored) : device(clock, stored), model(mirror) {
    link.Model = 5;
    link.IBFM = QStringLiteral("123450");
    engine = std::make_unique<TransactionEngine>(link, clock);
    engine->setWire(&device);
    device.attach(engine.get());
    sync = std::make_unique<ArticleSync>(*engine, link, clock, model,
                                         dir.filePath(QStringLiteral("artikli.dat")));
    sync->activate();
  }
  QTemporaryDir dir;
  LinkSettings link;
  VirtualScheduler clock;
  InstantDevice device;
  ArticleMirror mirror;
  ArticleMirrorModel model;
  std::unique_ptr<TransactionEngine> engine;
  std::unique_ptr<ArticleSync> sync;
};

using Clock = std::chrono::steady_clock;

// Wall time of a loop, and of its first and last tenth as LblCount counts them.
struct Timing {
  double seconds = 0, first = 0, last = 0;

  // lastCount: LblCount's number at the last article (the saving after it is not per row).
  void run(ArticleSync &sync, int lastCount, const std::function<void()> &loop) {
    Clock::time_point firstEnd, lastStart, lastEnd;
    auto c = QObject::connect(&sync, &ArticleSync::countChanged, [&](const QString &text) {
      const int n = text.toInt();
      if (n == lastCount / 10)
        firstEnd = Clock::now();
      else if (n == lastCount - lastCount / 10)
        lastStart = Clock::now();
      else if (n == lastCount)
        lastEnd = Clock::now();
    });
    const Clock::time_point begin = Clock::now();
    loop();
    const Clock::time_point end = Clock::now();
    QObject::disconnect(c);
    seconds += std::chrono::duration<double>(end - begin).count();
    first += std::chrono::duration<double>(firstEnd - begin).count();
    last += std::chrono::duration<double>(lastEnd - lastStart).count();
  }
};

void report(benchmark::State &state, qint64 articles, qint64 bytes, const Timing &t) {
  const double wireUs = double(bytes) * 10 / 57600 * 1e6 / double(articles);
  const double programUs = t.seconds * 1e6 / double(state.iterations()) / double(articles);
  state.counters["wire_us_per_article"] = wireUs;
  state.counters["program_us_per_article"] = programUs;
  state.counters["program_pct_of_wire"] = 100 * programUs / wireUs;
  // About 1 when nothing done per reply grows with the rows already in the mirror.
  state.counters["last_to_first_tenth"] = t.last / t.first;
}

// "Citanje iz kase" of a full memory: each of the 12,000 numbers holds an article.
void BM_ReadFullMemory(benchmark::State &state) {
  qint64 bytes = 0;
  Timing t;
  for (auto _ : state) {
    state.PauseTiming();
    Window w(12000);
    state.ResumeTiming();
    t.run(*w.sync, 12000, [&] { // family 1 counts the number read plus 1
      w.sync->citanjeIzKase();
      w.clock.advance(1); // every reply falls due at once
    });
    state.PauseTiming();
    if (w.sync->running() || w.mirror.count() != 12000)
      state.SkipWithError("the read did not finish");
    bytes = w.device.bytes;
    state.ResumeTiming();
  }
  report(state, 12000, bytes, t);
}

// "Upis iz tabele" of a full mirror of 12,000 rows.
void BM_WriteFullMemory(benchmark::State &state) {
  qint64 bytes = 0;
  Timing t;
  for (auto _ : state) {
    state.PauseTiming();
    Window w(0);
    QList<MirrorArticle> all;
    for (int n = 0; n < 12000; ++n)
      all.append(
          {QString(), n, QStringLiteral("8600000000017"), QStringLiteral("Ћевапчићи %1").arg(n), 99.9, 2});
    w.model.replaceAll(all);
    state.ResumeTiming();
    t.run(*w.sync, 11999, [&] {
      w.sync->upisIzTabele();
      w.clock.advance(1);
    });
    state.PauseTiming();
    if (w.sync->running() || w.device.bytes == 0)
      state.SkipWithError("the write did not finish");
    bytes = w.device.bytes;
    state.ResumeTiming();
  }
  report(state, 12000, bytes, t);
}

} // namespace

BENCHMARK(BM_ReadFullMemory)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_WriteFullMemory)->Unit(benchmark::kMillisecond)->Iterations(5);

int main(int argc, char **argv) {
  QCoreApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
