#pragma once

// What the server-outage tests share: a PostgreSQL cluster of the test's own that can be
// killed and started again, a prompt that answers and records, and the data helpers.
#include "data/database.h"
#include "engine/userprompt.h"
#include "owncluster.h"
#include "soakparts.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTcpServer>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstdio>
#include <unistd.h>

namespace outagetest {

using ::OwnCluster;

struct Prompt : UserPrompt {
  bool messageDialog(const QString &title, const QString &text, bool) override {
    messages << title + ": " + text;
    return true;
  }
  DeviceErrorAnswer deviceErrorDialog(const DeviceError &e) override {
    messages << "device: " + e.tekst;
    DeviceErrorAnswer a;
    a.izborGreske = Ponovi;
    return a;
  }
  int unfinishedReceiptDialog(const UnfinishedReceipt &) override { return 1; }
  void showInstructions() override {}
  void pressEnterNotice(const QString &) override {}
  QStringList messages;
};

inline QByteArray simArticles() {
  QByteArray articles;
  for (const Article &a : kArticles)
    articles += QStringLiteral("%1;%2;%3;2;\n").arg(a.deviceNumber).arg(a.naziv).arg(a.cena).toUtf8();
  return articles;
}

inline qint64 count(Database &db, const QString &sql, const QVariantMap &binds = {}) {
  const auto v = db.scalar(sql, binds);
  EXPECT_TRUE(v) << sql.toStdString() << ": " << v.error().toStdString();
  return v.value_or(QVariant()).toLongLong();
}

inline QByteArray fileText(const QString &path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace outagetest
