#include "data/mdbexport.h"

#include "common/legacycharset.h"

#include <QDateTime>
#include <QDir>
#include <QProcess>
#include <QProcessEnvironment>

namespace {

MdbExport::Output runProcess(const QString &program, const QStringList &arguments) {
  MdbExport::Output out;
  QProcess p;
  // Numbers with a decimal point, whatever the machine's locale.
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
  p.setProcessEnvironment(env);
  p.start(program, arguments, QIODevice::ReadOnly);
  if (!p.waitForStarted()) {
    out.error = QStringLiteral("%1 nije instaliran (paket mdbtools)").arg(program);
    return out;
  }
  p.closeWriteChannel();
  while (p.state() != QProcess::NotRunning) {
    p.waitForReadyRead(1000);
    out.data += p.readAllStandardOutput();
  }
  out.data += p.readAllStandardOutput();
  if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
    out.error =
        QStringLiteral("%1: %2").arg(program, QString::fromLocal8Bit(p.readAllStandardError()).trimmed());
    return out;
  }
  out.ok = true;
  return out;
}

// The old program wrote its texts in the legacy single-byte charset, whose Serbian Latin
// letters sit on ASCII marks; Access kept those marks as they were. Letters above ASCII
// came through Access's own conversion and are already Unicode.
QString nationalLetters(const QString &text) {
  QString out = text;
  for (QChar &c : out)
    if (c.unicode() < 0x80)
      c = LegacyCharset::toChar(static_cast<unsigned char>(c.unicode()));
  return out;
}

class CsvTable : public LegacyTable {
public:
  explicit CsvTable(QByteArray csv) : m_csv(std::move(csv)) {
    QList<Field> header;
    if (readRecord(header))
      for (const Field &f : header)
        m_columns << QString::fromUtf8(f.text).trimmed();
  }

  QStringList columns() const override { return m_columns; }
  QString error() const override { return m_error; }
  int position() const override { return m_row; }

  bool next(QVariantList &row) override {
    QList<Field> fields;
    while (m_at < m_csv.size()) {
      if (!readRecord(fields))
        return false;
      if (fields.size() == 1 && !fields.first().quoted && fields.first().text.isEmpty())
        continue; // an empty line
      ++m_row;
      if (fields.size() != m_columns.size()) {
        m_error = QStringLiteral("red %1 ima %2 polja umesto %3")
                      .arg(m_row)
                      .arg(fields.size())
                      .arg(m_columns.size());
        return false;
      }
      row.resize(fields.size());
      for (int i = 0; i < fields.size(); ++i)
        row[i] = value(fields.at(i));
      return true;
    }
    return false;
  }

private:
  struct Field {
    QByteArray text;
    bool quoted = false;
  };

  static QVariant value(const Field &f) {
    if (f.quoted)
      return nationalLetters(QString::fromUtf8(f.text));
    const QByteArray t = f.text.trimmed();
    if (t.isEmpty())
      return QVariant();
    if (t == "TRUE")
      return true;
    if (t == "FALSE")
      return false;
    bool ok = false;
    const double v = t.toDouble(&ok);
    return ok ? QVariant(v) : QVariant(nationalLetters(QString::fromUtf8(t)));
  }

  // One record from m_at on; false (with m_error) for an unclosed quote.
  bool readRecord(QList<Field> &fields) {
    fields.clear();
    Field f;
    const qsizetype n = m_csv.size();
    while (m_at < n) {
      const char c = m_csv.at(m_at);
      if (c == '"' && f.text.isEmpty() && !f.quoted) {
        f.quoted = true;
        ++m_at;
        bool closed = false;
        while (m_at < n) {
          const char q = m_csv.at(m_at++);
          if (q != '"') {
            f.text += q;
          } else if (m_at < n && m_csv.at(m_at) == '"') {
            f.text += '"';
            ++m_at;
          } else {
            closed = true;
            break;
          }
        }
        if (!closed) {
          m_error = QStringLiteral("nezatvoren navodnik posle reda %1").arg(m_row);
          return false;
        }
        continue;
      }
      ++m_at;
      if (c == ',') {
        fields << f;
        f = Field();
      } else if (c == '\n') {
        break;
      } else if (c != '\r') {
        f.text += c;
      }
    }
    fields << f;
    return true;
  }

  QByteArray m_csv;
  qsizetype m_at = 0;
  QStringList m_columns;
  QString m_error;
  int m_row = 0;
};

} // namespace

MdbExport::MdbExport(const QString &mdbFile) : MdbExport(mdbFile, runProcess) {}

MdbExport::MdbExport(const QString &mdbFile, Runner runner) : m_file(mdbFile), m_run(std::move(runner)) {}

QStringList MdbExport::exportArguments(const QString &mdbFile, const QString &table) {
  return {QStringLiteral("--date-format"),
          QStringLiteral("%Y-%m-%d"),
          QStringLiteral("--datetime-format"),
          QStringLiteral("%Y-%m-%d %H:%M:%S"),
          QStringLiteral("--boolean-words"),
          QStringLiteral("--bin"),
          QStringLiteral("strip"),
          mdbFile,
          table};
}

QString MdbExport::description() const {
  return QStringLiteral("Access baza %1").arg(QDir::toNativeSeparators(m_file));
}

QStringList MdbExport::tables(QString *error) const {
  const Output out = m_run(QStringLiteral("mdb-tables"), {QStringLiteral("-1"), m_file});
  if (!out.ok) {
    *error = out.error;
    return {};
  }
  QStringList names;
  for (const QByteArray &line : out.data.split('\n'))
    if (const QString name = QString::fromUtf8(line).trimmed(); !name.isEmpty())
      names << name;
  return names;
}

std::unique_ptr<LegacyTable> MdbExport::open(const QString &table, QString *error) {
  const Output out = m_run(QStringLiteral("mdb-export"), exportArguments(m_file, table));
  if (!out.ok) {
    *error = out.error;
    return nullptr;
  }
  return parse(out.data);
}

std::unique_ptr<LegacyTable> MdbExport::parse(QByteArray csv) {
  return std::make_unique<CsvTable>(std::move(csv));
}
