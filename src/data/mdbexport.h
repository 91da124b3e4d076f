#pragma once

#include "data/legacysource.h"

#include <QByteArray>
#include <QIODevice>

#include <functional>

// The older program's Access database kasa.mdb, read through mdbtools: mdb-tables
// lists its tables, mdb-export writes each as CSV. The file is only read.
class MdbExport : public LegacySource {
public:
  // Runs a program with arguments; its standard output, or an error text.
  struct Output {
    bool ok = false;
    QByteArray data;
    QString error;
  };
  using Runner = std::function<Output(const QString &program, const QStringList &arguments)>;

  // The real tools, run as processes.
  explicit MdbExport(const QString &mdbFile);
  // The same with another runner (tests replay recorded output of the tools).
  MdbExport(const QString &mdbFile, Runner runner);

  // The options every export runs with: ISO dates and times, TRUE/FALSE, binary columns left out.
  static QStringList exportArguments(const QString &mdbFile, const QString &table);

  QString description() const override;
  QStringList tables(QString *error) const override;
  std::unique_ptr<LegacyTable> open(const QString &table, QString *error) override;

  // A table of mdb-export's CSV: a header line of column names, then one line per row;
  // text and dates between double quotes (doubled inside), numbers and logicals bare,
  // an empty bare field for a null. Quoted text may run over several lines.
  static std::unique_ptr<LegacyTable> parse(QByteArray csv);

private:
  QString m_file;
  Runner m_run;
};
