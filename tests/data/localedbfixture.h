#pragma once

#include "common/localetext.h"
#include "dbfixture.h"
#include "support/testsupport.h"

#include <QDir>
#include <QFile>

// A database test over files in the shop's number format: the locale pinned for each
// test, and the conventions set back after it, as a test may change them.
class LocaleDbTest : public DbTest {
protected:
  void SetUp() override {
    DbTest::SetUp();
    if (IsSkipped() || HasFatalFailure())
      return;
    testsupport::pinLocale();
  }
  void TearDown() override {
    LocaleText::setConventions(LocaleConventions::serbianLatin());
    DbTest::TearDown();
  }
  // Writes bytes to a file of that name beside the database; gives its path.
  QString file(const QString &name, const QByteArray &bytes) {
    const QString path = QDir(m_dir.path()).filePath(name);
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    return path;
  }
};
