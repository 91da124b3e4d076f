#pragma once

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QTcpServer>
#include <QTemporaryDir>

#include <cstdio>

#include <unistd.h>

// initdb and pg_ctl in a folder of the test's; run as postgres when the test runs as root.
class OwnCluster {
public:
  static QString bin() {
    const QString b = qEnvironmentVariable("PGBIN");
    return b.isEmpty() ? QStringLiteral("/usr/lib/postgresql/15/bin") : b;
  }
  static bool available() { return QFile::exists(bin() + "/initdb") && QFile::exists(bin() + "/pg_ctl"); }

  ~OwnCluster() {
    if (m_dir.isValid())
      run({"pg_ctl", "-D", data(), "-m", "immediate", "-w", "stop"});
  }

  bool init() {
    if (!m_dir.isValid())
      return false;
    QFile::setPermissions(m_dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                            QFileDevice::ExeOwner | QFileDevice::ReadGroup |
                                            QFileDevice::ExeGroup | QFileDevice::ReadOther |
                                            QFileDevice::ExeOther);
    if (::geteuid() == 0 && QProcess::execute("chown", {"postgres:", m_dir.path()}) != 0)
      return false;
    if (!run({"initdb", "-D", data(), "-U", "postgres", "-A", "trust", "-E", "UTF8", "--locale=C.UTF-8"}))
      return false;
    for (int i = 0; i < 20; ++i) {
      QTcpServer probe;
      if (!probe.listen(QHostAddress::LocalHost, 0))
        continue;
      m_port = probe.serverPort();
      probe.close();
      if (start())
        return true;
    }
    return false;
  }
  bool start() {
    return run({"pg_ctl", "-D", data(), "-l", m_dir.filePath("server.log"), "-w", "-t", "30", "-o",
                QStringLiteral("-p %1 -c listen_addresses=127.0.0.1 -k %2 -c fsync=off")
                    .arg(m_port)
                    .arg(m_dir.path()),
                "start"});
  }
  // The server dies at once, as in a crash or a pulled cable: no connection is told.
  bool kill() { return run({"pg_ctl", "-D", data(), "-m", "immediate", "-w", "stop"}); }
  QString conn() const {
    return QStringLiteral("host=127.0.0.1 port=%1 dbname=postgres user=postgres connect_timeout=3")
        .arg(m_port);
  }

private:
  QString data() const { return m_dir.filePath("data"); }
  bool run(QStringList args) {
    const QString program = bin() + "/" + args.takeFirst();
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    if (::geteuid() == 0)
      p.start("runuser", QStringList{"-u", "postgres", "--", program} + args);
    else
      p.start(program, args);
    const bool ok = p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    if (!ok)
      std::fprintf(stderr, "%s: %s\n", qPrintable(program), p.readAll().constData());
    return ok;
  }

  QTemporaryDir m_dir{QDir::tempPath() + "/kasa-outage-XXXXXX"};
  quint16 m_port = 0;
};
