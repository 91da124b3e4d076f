#pragma once

#include "data/konfiguracija.h"

#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

// The program started from a shell for one task, with no display, in a folder of its own
// whose configuration names the database of the Base fixture.
template <class Base> class CommandLineTest : public Base {
protected:
  void SetUp() override {
    Base::SetUp();
    if (this->IsSkipped() || this->HasFatalFailure())
      return;
    SetKonfiguracija k;
    k.TipBaze = this->tipBaze();
    k.putanjaBaza = this->where();
    ASSERT_TRUE(KonfiguracijaStore::save(m_work.path(), k));
  }

  struct Result {
    int code = -1;
    QString out, err;
  };
  // The shell's environment without any display.
  static QProcessEnvironment withoutDisplay() {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
      env.remove(QString::fromLatin1(name));
    return env;
  }
  Result run(const QStringList &args, const QProcessEnvironment &env) {
    QProcess p;
    p.setWorkingDirectory(m_work.path());
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(KASA_EXE), args);
    EXPECT_TRUE(p.waitForFinished(60000)) << args.join(' ').toStdString();
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
  }

  QTemporaryDir m_work;
};
