#pragma once

#include <QString>

class BandedReport;
class QIODevice;

// A report's texts without the page: the same lines the preview and the PDF draw, for a
// terminal or a mail (aligned plain text) and for spreadsheets (CSV).
namespace ReportText {

// Title, the first page's header, column captions, every line and the summary, each column
// as wide as its widest text, numbers right-aligned as on the page. Page numbers are left out.
QString plain(const BandedReport &report);

// Column captions, every line and the summary as CSV lines: the locale's list separator,
// every field in double quotes (a quote inside doubled), lines ended by CR LF.
bool writeCsv(const BandedReport &report, QIODevice &out);

} // namespace ReportText
