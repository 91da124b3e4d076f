#include "app/trainingdevice.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <csignal>
#include <sys/prctl.h>

TrainingDevice::TrainingDevice(Scheduler &scheduler, QObject *parent)
    : QObject(parent), m_scheduler(scheduler),
      m_dir(QDir::temp().filePath(QStringLiteral("kasa-obuka-XXXXXX"))) {
  m_process.setProcessChannelMode(QProcess::SeparateChannels);
  m_process.setStandardErrorFile(QProcess::nullDevice());
  // A till that is killed takes its simulated device with it.
  m_process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
  connect(&m_process, &QProcess::readyReadStandardOutput, this, [this] {
    m_output += m_process.readAllStandardOutput();
    if (!m_ready && m_output.contains("fiscal-sim ready")) {
      m_ready = true;
      finish(true, QString());
    }
  });
  connect(&m_process, &QProcess::finished, this, [this](int code, QProcess::ExitStatus) {
    m_ready = false;
    finish(false, QStringLiteral("fiscal-sim je zavrsio rad (%1): %2")
                      .arg(code)
                      .arg(QString::fromLocal8Bit(m_output).trimmed()));
  });
  connect(&m_process, &QProcess::errorOccurred, this, [this](QProcess::ProcessError e) {
    if (e == QProcess::FailedToStart)
      finish(false, m_process.errorString());
  });
}

TrainingDevice::~TrainingDevice() {
  m_done = nullptr;
  stop();
}

QString TrainingDevice::simulatorPath() {
  const QString beside = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("fiscal-sim"));
  if (QFileInfo(beside).isExecutable())
    return beside;
  return QStandardPaths::findExecutable(QStringLiteral("fiscal-sim"));
}

bool TrainingDevice::isRunning() const {
  return m_ready && m_process.state() == QProcess::Running;
}

bool TrainingDevice::runsFor(int model, const QString &ibfm) const {
  return isRunning() && model == m_model && ibfm == m_ibfm;
}

QString TrainingDevice::linkPath() const {
  return m_dir.filePath(QStringLiteral("uredjaj"));
}

void TrainingDevice::start(int model, const QString &ibfm, const ArticleMirror &articles,
                           const QString &journal, Done done) {
  if (runsFor(model, ibfm)) {
    if (done)
      done(true, QString());
    return;
  }
  stop();
  m_done = std::move(done);
  const QString program = simulatorPath();
  if (program.isEmpty()) {
    finish(false, QStringLiteral("fiscal-sim nije pronadjen"));
    return;
  }
  const QString articleFile = m_dir.filePath(QStringLiteral("artikli.txt"));
  QFile out(articleFile);
  if (!m_dir.isValid() || !out.open(QIODevice::WriteOnly)) {
    finish(false, QStringLiteral("privremeni folder za obuku nije napravljen"));
    return;
  }
  // The simulated memory starts as the shop's mirror says the real one is, so
  // the article check finds the articles where the program expects them.
  for (const MirrorArticle &a : articles.rows())
    out.write(QStringLiteral("%1;%2;%3;%4;%5\n")
                  .arg(a.SIFRA)
                  .arg(QString(a.NAZIV).remove(QLatin1Char(';')))
                  .arg(a.CENA, 0, 'f', 2)
                  .arg(a.PORESKA_GRUPA)
                  .arg(a.BARKOD.trimmed())
                  .toUtf8());
  out.close();
  m_model = model;
  m_ibfm = ibfm;
  m_output.clear();
  m_process.start(program, {QStringLiteral("--model"), QString::number(model), QStringLiteral("--register"),
                            ibfm.trimmed().isEmpty() ? QStringLiteral("123450") : ibfm.trimmed(),
                            QStringLiteral("--link"), linkPath(), QStringLiteral("--journal"), journal,
                            QStringLiteral("--articles"), articleFile});
  m_timeout = m_scheduler.schedule(StartTimeoutMs, this, [this] {
    m_timeout = 0;
    if (!m_ready)
      finish(false, QStringLiteral("fiscal-sim se nije javio"));
  });
}

void TrainingDevice::finish(bool ok, const QString &error) {
  m_scheduler.cancel(m_timeout);
  m_timeout = 0;
  if (auto done = std::exchange(m_done, {}))
    done(ok, error);
}

void TrainingDevice::stop() {
  m_ready = false;
  finish(false, QStringLiteral("obuka je prekinuta"));
  if (m_process.state() != QProcess::NotRunning) {
    // SIGTERM lets it remove its link; a device that hangs is killed.
    m_process.terminate();
    if (!m_process.waitForFinished(3000)) {
      m_process.kill();
      m_process.waitForFinished(1000);
    }
  }
}
