#include "controlserver.h"
#include "options.h"
#include "ptychannel.h"
#include "simulator.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <sys/socket.h>
#include <unistd.h>

namespace {
int g_signalPipe[2] = {-1, -1};
void onSignal(int) {
  const char c = 1;
  [[maybe_unused]] auto n = ::write(g_signalPipe[1], &c, 1);
}
} // namespace

int main(int argc, char **argv) {
  QCoreApplication app(argc, argv);
  sim::Options options;
  QString error;
  if (!sim::Options::parse(app.arguments(), options, &error)) {
    std::fprintf(stderr, "fiscal-sim: %s\n", qPrintable(error));
    return 2;
  }
  if (options.help) {
    std::fputs(qPrintable(sim::Options::helpText()), stdout);
    return 0;
  }

  // SIGTERM and SIGINT end the event loop so the pty link is removed.
  if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalPipe) == 0) {
    auto *n = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, &app);
    QObject::connect(n, &QSocketNotifier::activated, &app, [] { QCoreApplication::quit(); });
    std::signal(SIGTERM, onSignal);
    std::signal(SIGINT, onSignal);
  }
  std::signal(SIGPIPE, SIG_IGN);

  sim::Simulator simulator(options.model, options.registerNumber);
  simulator.setVerbose(options.verbose);
  auto &device = simulator.device();
  device.fiscalised = !options.notFiscalised;
  device.dailyReportsStored = options.dailyReports;
  device.lastFiscalNumber = quint32(options.lastFiscalNumber);
  auto fail = [](const QString &text) {
    std::fprintf(stderr, "fiscal-sim: %s\n", qPrintable(text));
    return 1;
  };
  if (!options.articles.isEmpty() && !simulator.loadArticles(options.articles, &error))
    return fail(error);
  if (!options.journal.isEmpty() && !simulator.openJournal(options.journal, &error))
    return fail(error);

  QString ready =
      QStringLiteral("fiscal-sim ready model=%1 register=%2").arg(options.model).arg(options.registerNumber);
  sim::PtyChannel *pty = nullptr;
  if (!options.link.isEmpty()) {
    pty = new sim::PtyChannel(&app);
    if (!pty->open(options.link, &error))
      return fail(error);
    simulator.attach(pty);
    ready += QStringLiteral(" pty=%1 link=%2").arg(pty->slavePath(), options.link);
  }
  sim::TcpListener tcp;
  if (!options.tcp.isEmpty()) {
    if (!tcp.listen(options.tcp, &error))
      return fail(error);
    QObject::connect(&tcp, &sim::TcpListener::channelOpened, &simulator,
                     [&simulator](sim::Channel *ch) { simulator.attach(ch); });
    ready += QStringLiteral(" tcp-port=%1").arg(tcp.port());
  }
  sim::ControlServer control(&simulator);
  if (!options.control.isEmpty()) {
    if (!control.listen(options.control, &error))
      return fail(error);
    ready += QStringLiteral(" control=%1").arg(control.fullPath());
  }
  std::printf("%s\n", qPrintable(ready));
  std::fflush(stdout);
  const int rc = app.exec();
  delete pty; // removes the link
  return rc;
}
