#pragma once

#include <QList>
#include <QMarginsF>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <vector>

class QPainter;

// Paper and margins of a printout, in millimetres.
struct PageFormat {
  QSizeF sizeMm;
  QMarginsF marginsMm;

  static PageFormat a4();     // portrait, 10 mm margins: every report and the invoice
  static PageFormat ticket(); // 105 x 99 mm, no margins: kitchen, bar and guest tickets
  QRectF printableMm() const;
};

struct ReportColumn {
  QString caption;
  double widthMm = 20;
  Qt::Alignment align = Qt::AlignLeft;
};

// Where a band's painter draws: its rectangle in device pixels and the scale of the device.
struct BandCanvas {
  QPainter &painter;
  QRectF rect;      // device pixels
  double pxPerMm;   // device pixels per millimetre
  double fontScale; // multiply point sizes by this for the device
  int page = 1;     // the page being drawn, from 1
};

// A banded report: page header, title, column header, detail lines, group headers and
// footers, summary and page footer. The report keeps only small references to its
// lines and asks for their texts when a page is drawn, so a listing of a million lines
// paginates in one pass and draws only the pages someone looks at.
//
// A line's texts go into the columns in order; when there are fewer texts than columns
// the last one spans the rest of the width (a group caption, "KASIR: 1 Ana").
class BandedReport {
public:
  enum class Band : quint8 { Detail, GroupHeader, GroupFooter, Custom, ColumnHeader };

  PageFormat page = PageFormat::a4();
  double fontPt = 9;
  QString title;
  double titlePt = 14;
  // Further lines of the title band under the title, first page only: each a text at the
  // left and, optionally, one at the right (a ticket's waiter and time of printing).
  QList<QStringList> titleLines;
  QList<ReportColumn> columns;
  bool columnHeaderOnEveryPage = true;

  // Page header and footer texts of page n (from 1); an unset side prints nothing.
  std::function<QString(int page)> pageHeaderLeft, pageHeaderRight, pageFooterLeft, pageFooterRight;
  bool pageHeaderBold = false;

  std::function<QStringList(int row)> detail;
  std::function<QList<QStringList>(int group)> groupHeader; // bold; groupHeaderLines lines
  std::function<QList<QStringList>(int group)> groupFooter; // bold; groupFooterLines lines
  int groupHeaderLines = 1;
  int groupFooterLines = 1;
  QList<QStringList> summary; // bold lines after the last one

  // A band that draws itself (pictures, boxes, free text of documents that are no lists).
  struct CustomBand {
    double heightMm = 10;
    std::function<void(BandCanvas &)> paint;
  };

  // Page header and footer bands that draw themselves on every page (a letterhead picture,
  // a note above the page number), in place of the text header and footer.
  std::optional<CustomBand> pageHeaderBand, pageFooterBand;

  void addDetail(int row) { m_lines.push_back({Band::Detail, row}); }
  // The column captions as a line of their own, for documents with blocks above the
  // list; the first page then has no automatic column header at its top.
  void addColumnHeader() { m_lines.push_back({Band::ColumnHeader, 0}); }
  void addDetails(int count);
  void addGroupHeader(int group) { m_lines.push_back({Band::GroupHeader, group}); }
  void addGroupFooter(int group) { m_lines.push_back({Band::GroupFooter, group}); }
  void addCustom(CustomBand band);
  int lineCount() const { return int(m_lines.size()); }

  // Pages, counted on first use and again after lines were added.
  int pageCount() const;

  // Draws page index (from 0) with its top-left corner at origin (device pixels).
  void paintPage(QPainter &painter, int index, double pxPerMm, QPointF origin = {}) const;

  double lineHeightMm() const;

  // The texts of every line in the order of the pages, as drawn: each detail line and each
  // line of a group header or footer (bold bands); custom bands have no texts and are skipped.
  void forEachLine(const std::function<void(Band band, const QStringList &texts)> &visit) const;

private:
  struct Line {
    Band band;
    int index;
  };
  double heightOf(const Line &line) const;
  double titleHeightMm() const;
  double pageHeaderHeightMm() const;
  double pageFooterHeightMm() const;
  double summaryHeightMm() const { return summary.isEmpty() ? 0 : (summary.size() + 0.3) * lineHeightMm(); }
  bool hasColumnHeader() const;
  bool columnHeaderOnPage(int index) const;
  double columnHeaderHeightMm() const { return lineHeightMm() * 1.3; }
  void drawColumnHeader(QPainter &painter, double y, double pxPerMm, QPointF origin, double fontScale) const;
  void paginate() const;
  void drawCells(QPainter &painter, const QStringList &texts, double top, double pxPerMm, QPointF origin,
                 bool bold, double fontScale) const;

  std::vector<Line> m_lines;
  std::vector<CustomBand> m_custom;
  mutable std::vector<int> m_pageStarts; // first line of each page
  mutable size_t m_paginatedLines = size_t(-1);
  // Whether a column header line of its own is among the lines looked at so far: asked
  // for every line while paginating, so each line is looked at once.
  mutable size_t m_headerLinesSeen = 0;
  mutable bool m_ownColumnHeaderLine = false;
};
