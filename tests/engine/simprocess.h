#pragma once

#include "support/testsupport.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalSocket>
#include <QProcess>
#include <QRegularExpression>

// The real fiscal-sim executable, with its journal and control channel in dir.
class SimProcess {
public:
  // Model 4 listens on TCP unless overTcp is false; the others (and model 4 without
  // TCP) on a pty linked as dir/COM1, preloaded with the articles given.
  bool start(int model, const QString &dir, bool overTcp = true,
             const QByteArray &articles = "10;KAFA;100;2;\n11;ESPRESSO;150;2;\n") {
    m_dir = dir;
    QFile arts(dir + "/arts.txt");
    if (!arts.open(QIODevice::WriteOnly))
      return false;
    arts.write(articles);
    arts.close();
    QStringList args{"--model",   QString::number(model), "--register", "123450",
                     "--journal", dir + "/journal.jsonl", "--control",  dir + "/ctl"};
    if (model == 4 && overTcp)
      args << "--tcp"
           << "127.0.0.1:0";
    else
      args << "--link" << dir + "/COM1"
           << "--articles" << dir + "/arts.txt";
    m_proc.start(testsupport::fiscalSimPath(), args);
    if (!m_proc.waitForStarted(5000))
      return false;
    QByteArray out;
    for (int i = 0; i < 50 && !out.contains('\n'); ++i) {
      m_proc.waitForReadyRead(200);
      out += m_proc.readAllStandardOutput();
    }
    const auto m = QRegularExpression("tcp-port=(\\d+)").match(QString::fromLatin1(out));
    if (m.hasMatch())
      tcpPort = quint16(m.captured(1).toUInt());
    return out.contains("fiscal-sim ready");
  }
  ~SimProcess() {
    m_proc.terminate();
    m_proc.waitForFinished(3000);
  }
  QJsonObject control(const QJsonObject &cmd) {
    QLocalSocket s;
    s.connectToServer(m_dir + "/ctl");
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
  QList<QJsonObject> journal() const {
    QList<QJsonObject> docs;
    QFile f(m_dir + "/journal.jsonl");
    if (f.open(QIODevice::ReadOnly))
      for (const QByteArray &l : f.readAll().split('\n'))
        if (!l.isEmpty())
          docs << QJsonDocument::fromJson(l).object();
    return docs;
  }
  quint16 tcpPort = 0;

private:
  QProcess m_proc;
  QString m_dir;
};
