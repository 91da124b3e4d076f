#include "reports/reporttext.h"

#include "common/localetext.h"
#include "reports/bandedreport.h"

#include <QIODevice>
#include <QStringList>

#include <algorithm>

namespace ReportText {

namespace {

QStringList captions(const BandedReport &r) {
  QStringList out;
  bool any = false;
  for (const ReportColumn &c : r.columns) {
    out << c.caption;
    any = any || !c.caption.isEmpty();
  }
  return any ? out : QStringList();
}

// A line with fewer texts than columns lets its last text span the rest, as on the page.
bool spans(const BandedReport &r, const QStringList &cells, qsizetype i) {
  return i >= r.columns.size() || (i == cells.size() - 1 && cells.size() < r.columns.size());
}

class Table {
public:
  explicit Table(const BandedReport &r) : m_r(r), m_widths(r.columns.size(), 0) {}

  void measure(const QStringList &cells) {
    for (qsizetype i = 0; i < cells.size() && !spans(m_r, cells, i); ++i)
      m_widths[i] = std::max(m_widths[i], cells[i].size());
  }
  qsizetype width() const {
    qsizetype w = 0;
    for (qsizetype c : m_widths)
      w += c + 2;
    return std::max<qsizetype>(0, w - 2);
  }
  QString line(const QStringList &cells) const {
    QString out;
    for (qsizetype i = 0; i < cells.size(); ++i) {
      if (i > 0)
        out += QStringLiteral("  ");
      if (spans(m_r, cells, i)) {
        out += cells.mid(i).join(QLatin1Char(' '));
        break;
      }
      const bool right = m_r.columns[i].align & Qt::AlignRight;
      out += right ? cells[i].rightJustified(m_widths[i]) : cells[i].leftJustified(m_widths[i]);
    }
    while (out.endsWith(QLatin1Char(' ')))
      out.chop(1);
    return out;
  }

private:
  const BandedReport &m_r;
  QList<qsizetype> m_widths;
};

QString quoted(const QString &text) {
  QString t = text;
  t.replace(QLatin1Char('"'), QStringLiteral("\"\""));
  return QLatin1Char('"') + t + QLatin1Char('"');
}

} // namespace

QString plain(const BandedReport &r) {
  Table table(r);
  const QStringList header = captions(r);
  table.measure(header);
  r.forEachLine([&](BandedReport::Band, const QStringList &cells) { table.measure(cells); });
  for (const QStringList &cells : r.summary)
    table.measure(cells);

  QString out;
  const QString rule = QString(std::max<qsizetype>(table.width(), r.title.size()), QLatin1Char('-'));
  if (r.pageHeaderLeft)
    out += r.pageHeaderLeft(1) + QLatin1Char('\n');
  if (!r.title.isEmpty())
    out += r.title + QLatin1Char('\n');
  out += QLatin1Char('\n');
  if (!header.isEmpty())
    out += table.line(header) + QLatin1Char('\n') + rule + QLatin1Char('\n');
  auto previous = BandedReport::Band::GroupHeader;
  r.forEachLine([&](BandedReport::Band band, const QStringList &cells) {
    // A group starts after a blank line, as the page sets it apart.
    if (band == BandedReport::Band::GroupHeader && previous != band && !out.endsWith(QLatin1String("\n\n")))
      out += QLatin1Char('\n');
    previous = band;
    out += table.line(cells) + QLatin1Char('\n');
  });
  if (!r.summary.isEmpty()) {
    out += rule + QLatin1Char('\n');
    for (const QStringList &cells : r.summary)
      out += table.line(cells) + QLatin1Char('\n');
  }
  return out;
}

bool writeCsv(const BandedReport &r, QIODevice &out) {
  const QChar sep = LocaleText::listSeparator();
  QByteArray chunk;
  bool ok = true;
  auto add = [&](const QStringList &cells) {
    QStringList fields;
    for (const QString &c : cells)
      fields << quoted(c);
    chunk += fields.join(sep).toUtf8() + "\r\n";
    if (chunk.size() > (1 << 16)) {
      ok = ok && out.write(chunk) == chunk.size();
      chunk.clear();
    }
  };
  if (!r.title.isEmpty())
    add({r.title});
  const QStringList header = captions(r);
  if (!header.isEmpty())
    add(header);
  r.forEachLine([&](BandedReport::Band, const QStringList &cells) { add(cells); });
  for (const QStringList &cells : r.summary)
    add(cells);
  return ok && out.write(chunk) == chunk.size();
}

} // namespace ReportText
