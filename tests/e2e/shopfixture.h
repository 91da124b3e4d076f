#pragma once

// The demo shop in a temporary directory with fiscal-sim as its device, for
// driving the real program's windows offscreen.
#include "app/program.h"
#include "app/tdialog.h"
#include "app/tdialogmain.h"
#include "app/tform5.h"
#include "app/tglavna.h"
#include "app/tuputstvo.h"
#include "app/windowactivation.h"
#include "sales/ui/tform2.h"
#include "sales/ui/waitercodedialog.h"
#include "support/testsupport.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QLocalSocket>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

namespace e2e {

using testsupport::when;

class ShopFixture {
public:
  ~ShopFixture() {
    if (sim.state() != QProcess::NotRunning) {
      sim.terminate();
      sim.waitForFinished(3000);
    }
  }

  // The demo shop's data in a fresh database, Konfiguracija.dat for the model on
  // COM1 (adjust changes it), and the device's and the mirror's one shared
  // article; model 2 sells only what the device already holds, so it gets all
  // the articles the tests sell.
  void prepareShop(int model, const std::function<void(SetKonfiguracija &)> &adjust = {}) {
    ASSERT_TRUE(dir.isValid());
    testsupport::pinLocale();
    SetKonfiguracija rec;
    rec.Model = model;
    rec.Port = 1;
    rec.IBFM = QStringLiteral("123450");
    rec.putanjaBaza = dir.path();
    if (adjust)
      adjust(rec);
    // A shop on a database server shares the data another till already laid in.
    if (rec.TipBaze == 1) {
      ASSERT_NO_FATAL_FAILURE(loadDemoData(1, dir.path()));
    }
    ASSERT_TRUE(KonfiguracijaStore::save(dir.path(), rec));

    ArticleMirror mirror;
    mirror.insert({"1", 1, "8600000000017", "Kafa espresso", 120.0, 0});
    QByteArray device = "1;Kafa espresso;120.00;0;8600000000017\n";
    if (model == 2) {
      mirror.insert({"11", 11, "8600000000116", "Cokolada 100g", 180.0, 0});
      mirror.insert({"13", 13, "8600000000130", "Hleb beli 500g", 65.0, 1});
      mirror.insert({"35", 35, "2100123000000", "Sir trapist (na meru)", 1100.0, 1});
      device += "11;Cokolada 100g;180.00;0;8600000000116\n13;Hleb beli 500g;65.00;1;8600000000130\n"
                "35;Sir trapist (na meru);1100.00;1;2100123000000\n";
    }
    ASSERT_TRUE(mirror.save(dir.filePath("artikli.dat")));
    QFile articles(dir.filePath("device-articles.txt"));
    ASSERT_TRUE(articles.open(QIODevice::WriteOnly));
    articles.write(device);
  }

  // The demo shop's rows (scripts/demo-data.sql) into a database of kind tipBaze at where.
  static void loadDemoData(int tipBaze, const QString &where) {
    Database db;
    ASSERT_TRUE(db.open(tipBaze, where)) << db.lastError().toStdString();
    QFile data(testsupport::sourcePath("scripts/demo-data.sql"));
    ASSERT_TRUE(data.open(QIODevice::ReadOnly)) << data.fileName().toStdString();
    for (const QByteArray &line : data.readAll().split('\n')) {
      const QString sql = QString::fromUtf8(line).trimmed();
      if (sql.startsWith(QLatin1String("INSERT"))) {
        ASSERT_TRUE(db.exec(sql)) << sql.toStdString() << db.lastError().toStdString();
      }
    }
  }

  // fiscal-sim as the given model on ./COM1, printing into journal.jsonl;
  // extra arguments such as {"--tcp", "127.0.0.1:0"}.
  void startDevice(int model, const QStringList &extra = {}) {
    sim.setProgram(testsupport::fiscalSimPath());
    sim.setArguments(QStringList{"--model", QString::number(model), "--register", "123450", "--link",
                                 dir.filePath("COM1"), "--journal", dir.filePath("journal.jsonl"),
                                 "--articles", dir.filePath("device-articles.txt")} +
                     extra);
    sim.start();
    ASSERT_TRUE(sim.waitForStarted(5000)) << testsupport::fiscalSimPath().toStdString();
    ASSERT_TRUE(
        testsupport::waitFor([&] { return sim.canReadLine() || sim.state() != QProcess::Running; }, 10000));
    readyLine = QString::fromUtf8(sim.readLine()).trimmed();
    ASSERT_TRUE(readyLine.startsWith("fiscal-sim ready")) << readyLine.toStdString();
  }

  // One command on fiscal-sim's control channel (started with --control ctl); its answer.
  QJsonObject control(const QJsonObject &cmd) const {
    QLocalSocket s;
    s.connectToServer(dir.filePath("ctl"));
    if (!s.waitForConnected(2000))
      return {};
    s.write(QJsonDocument(cmd).toJson(QJsonDocument::Compact) + "\n");
    s.waitForBytesWritten(1000);
    QByteArray line;
    for (int i = 0; i < 20 && !line.contains('\n'); ++i) {
      s.waitForReadyRead(100);
      line += s.readAll();
    }
    return QJsonDocument::fromJson(line).object();
  }

  // The TCP port the device listens on (from its ready line; 0 without --tcp).
  quint16 tcpPort() const {
    const auto m = QRegularExpression(QStringLiteral("tcp-port=(\\d+)")).match(readyLine);
    return m.hasMatch() ? quint16(m.captured(1).toUInt()) : 0;
  }

  // Every document of the given type the device printed, in order.
  QList<QJsonObject> journal(const QString &type) const {
    QList<QJsonObject> out;
    QFile f(dir.filePath("journal.jsonl"));
    if (!f.open(QIODevice::ReadOnly))
      return out;
    for (const QByteArray &line : f.readAll().split('\n')) {
      const QJsonObject o = QJsonDocument::fromJson(line).object();
      if (o.value("type").toString() == type)
        out << o;
    }
    return out;
  }

  // Any message that pops up is noted in unexpected and closed; the notice that
  // waits for Enter after a completed receipt is only counted.
  void watchForMessages(Program &p) {
    auto *t = new QTimer(&p);
    t->setInterval(100);
    QObject::connect(t, &QTimer::timeout, [this, &p] {
      if (p.dialogMain().isVisible()) {
        unexpected << p.dialogMain().Naslov->text() + " / " + p.dialogMain().tekst->toPlainText();
        p.dialogMain().Button1->click();
      }
      if (p.dialog().isVisible()) {
        const QString shown = p.dialog().Naslov->text() + " / " + p.dialog().tekst->toPlainText();
        // A test that expects device refusals answers them with "Nastavi" (or a notice's "OK").
        const bool expected =
            answerNastavi && (p.dialog().BtnErrOk->isVisible() || p.dialog().BtnOK->isVisible());
        (expected ? deviceErrors : unexpected) << shown;
        QList<QPushButton *> answers{p.dialog().BtnOK, p.dialog().BtnErrStop, p.dialog().Button2};
        if (answerNastavi)
          answers.prepend(p.dialog().BtnErrOk);
        for (QPushButton *b : std::as_const(answers)) {
          if (b->isVisible()) {
            b->click();
            break;
          }
        }
      }
      if (p.uputstvo().isVisible()) {
        unexpected << "Uputstvo";
        p.uputstvo().BitBtn1->click();
      }
      if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
        if (box->text() == "pritisni ENTER za nastavak")
          ++enterNotices;
        else
          unexpected << box->windowTitle() + " / " + box->text();
        box->accept();
      }
      if (p.form5().isVisible()) {
        unexpected << "Form5 " + p.form5().Tekst->toPlainText();
        p.form5().BitBtn1->click();
      }
    });
    t->start();
  }

  // Starts the program and waits for the device check to pass.
  bool startProgram(Program &p) {
    watchForMessages(p);
    // As the program's main() does: a closed dialog hands the keys back.
    WindowActivation::install(*qApp);
    p.start();
    return testsupport::waitFor([&] { return p.pocetna().BtnProdesk->isEnabled(); }, 15000);
  }

  // The cashier's code at the code entry, then inMenu() once the main menu shows;
  // the caller then presses "&KASA", which returns when the windows are closed.
  void logInThen(Program &p, const QString &code, std::function<void()> inMenu) {
    when(
        &p, [&p] { return p.form3().isVisible(); },
        [&p, code] {
          p.form3().medtsifra->setText(code);
          p.form3().BitBtn1->click();
        });
    when(
        &p, [&p] { return p.glavna().isVisible(); }, std::move(inMenu));
  }

  // The retail screen waits for the cashier: its entry line is open and no
  // command is out waiting for its answer.
  static bool retailIdle(Program &p) { return p.form2().edtUnos->isEnabled() && !p.engine().awaitingReply(); }

  // Logs the cashier in, opens the retail screen and runs body there once it is
  // idle; then the screen and the main menu are closed. The caller presses
  // "&KASA", which returns when all that is done.
  void inRetailScreen(Program &p, const QString &code, std::function<void()> body) {
    logInThen(p, code, [&p] { p.glavna().Kasa->click(); });
    when(
        &p, [&p] { return p.form2().isVisible() && retailIdle(p); },
        [&p, body = std::move(body)] {
          body();
          p.form2().close();
          when(
              &p, [&p] { return !p.form2().isVisible() && p.glavna().isVisible(); },
              [&p] { p.glavna().close(); });
        });
  }

  QTemporaryDir dir;
  QProcess sim;
  QString readyLine;
  QStringList unexpected;
  int enterNotices = 0;
  bool answerNastavi = false; // device errors answered "Nastavi" and noted in deviceErrors
  QStringList deviceErrors;
};

} // namespace e2e
