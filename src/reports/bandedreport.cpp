#include "reports/bandedreport.h"

#include "reports/reportfonts.h"

#include <QPaintDevice>
#include <QPainter>

#include <algorithm>

namespace {
constexpr double kMmPerPoint = 25.4 / 72.0;
} // namespace

PageFormat PageFormat::a4() {
  return {QSizeF(210, 297), QMarginsF(10, 10, 10, 10)};
}

PageFormat PageFormat::ticket() {
  return {QSizeF(105, 99), QMarginsF(0, 0, 0, 0)};
}

QRectF PageFormat::printableMm() const {
  return QRectF(QPointF(0, 0), sizeMm).marginsRemoved(marginsMm);
}

void BandedReport::addDetails(int count) {
  m_lines.reserve(m_lines.size() + size_t(std::max(0, count)));
  for (int row = 0; row < count; ++row)
    addDetail(row);
}

void BandedReport::addCustom(CustomBand band) {
  m_lines.push_back({Band::Custom, int(m_custom.size())});
  m_custom.push_back(std::move(band));
}

double BandedReport::lineHeightMm() const {
  return fontPt * kMmPerPoint * 1.45;
}

double BandedReport::titleHeightMm() const {
  return (title.isEmpty() ? 0 : titlePt * kMmPerPoint * 1.8) +
         (titleLines.isEmpty() ? 0 : (titleLines.size() + 0.3) * lineHeightMm());
}

double BandedReport::pageHeaderHeightMm() const {
  if (pageHeaderBand)
    return pageHeaderBand->heightMm;
  return pageHeaderLeft || pageHeaderRight ? lineHeightMm() * 1.5 : 0;
}

double BandedReport::pageFooterHeightMm() const {
  if (pageFooterBand)
    return pageFooterBand->heightMm;
  return pageFooterLeft || pageFooterRight ? lineHeightMm() * 1.5 : 0;
}

bool BandedReport::hasColumnHeader() const {
  return std::any_of(columns.cbegin(), columns.cend(),
                     [](const ReportColumn &c) { return !c.caption.isEmpty(); });
}

bool BandedReport::columnHeaderOnPage(int index) const {
  if (!hasColumnHeader())
    return false;
  if (m_headerLinesSeen > m_lines.size()) { // lines taken away: look again
    m_headerLinesSeen = 0;
    m_ownColumnHeaderLine = false;
  }
  for (; m_headerLinesSeen < m_lines.size() && !m_ownColumnHeaderLine; ++m_headerLinesSeen)
    m_ownColumnHeaderLine = m_lines[m_headerLinesSeen].band == Band::ColumnHeader;
  if (index == 0)
    return !m_ownColumnHeaderLine;
  return columnHeaderOnEveryPage;
}

double BandedReport::heightOf(const Line &line) const {
  switch (line.band) {
  case Band::Detail:
    return lineHeightMm();
  case Band::GroupHeader:
    return groupHeaderLines * lineHeightMm() + lineHeightMm() * 0.3;
  case Band::GroupFooter:
    return groupFooterLines * lineHeightMm() + lineHeightMm() * 0.5;
  case Band::Custom:
    return m_custom[size_t(line.index)].heightMm;
  case Band::ColumnHeader:
    return columnHeaderHeightMm();
  }
  return 0;
}

void BandedReport::paginate() const {
  if (m_paginatedLines == m_lines.size())
    return;
  m_pageStarts.assign(1, 0);
  const double body = page.printableMm().height() - pageHeaderHeightMm() - pageFooterHeightMm();
  auto room = [&](size_t pageIndex) {
    double r = body;
    if (pageIndex == 0)
      r -= titleHeightMm();
    if (columnHeaderOnPage(int(pageIndex)))
      r -= columnHeaderHeightMm();
    return r;
  };
  double used = 0;
  for (size_t i = 0; i < m_lines.size(); ++i) {
    const double h = heightOf(m_lines[i]);
    if (used > 0 && used + h > room(m_pageStarts.size() - 1)) {
      m_pageStarts.push_back(int(i));
      used = 0;
    }
    used += h;
  }
  if (used > 0 && used + summaryHeightMm() > room(m_pageStarts.size() - 1))
    m_pageStarts.push_back(int(m_lines.size())); // the summary alone on a last page
  m_paginatedLines = m_lines.size();
}

int BandedReport::pageCount() const {
  paginate();
  return int(m_pageStarts.size());
}

void BandedReport::forEachLine(const std::function<void(Band, const QStringList &)> &visit) const {
  for (const Line &l : m_lines) {
    switch (l.band) {
    case Band::Detail:
      if (detail)
        visit(l.band, detail(l.index));
      break;
    case Band::GroupHeader:
    case Band::GroupFooter: {
      const auto &texts = l.band == Band::GroupHeader ? groupHeader : groupFooter;
      if (texts)
        for (const QStringList &cells : texts(l.index))
          visit(l.band, cells);
      break;
    }
    case Band::Custom:
    case Band::ColumnHeader:
      break;
    }
  }
}

void BandedReport::drawCells(QPainter &painter, const QStringList &texts, double top, double pxPerMm,
                             QPointF origin, bool bold, double fontScale) const {
  painter.setFont(ReportFonts::font(fontPt, bold, fontScale));
  const QRectF area = page.printableMm();
  const double h = lineHeightMm() * pxPerMm;
  double x = area.left();
  for (int i = 0; i < texts.size(); ++i) {
    const bool last = i == texts.size() - 1;
    const bool spans = columns.isEmpty() || (last && texts.size() < columns.size()) || i >= columns.size();
    const ReportColumn column = i < columns.size() ? columns[i] : ReportColumn{};
    const double w = spans ? area.right() - x : column.widthMm;
    const QRectF cell(origin.x() + x * pxPerMm, top, w * pxPerMm, h);
    // A little air between neighbouring columns.
    const QRectF inner = cell.adjusted(0.7 * pxPerMm, 0, -0.7 * pxPerMm, 0);
    painter.drawText(inner, int(column.align | Qt::AlignVCenter), texts[i]);
    x += w;
    if (spans)
      break;
  }
}

void BandedReport::drawColumnHeader(QPainter &painter, double y, double pxPerMm, QPointF origin,
                                    double fontScale) const {
  QStringList captions;
  for (const ReportColumn &c : columns)
    captions << c.caption;
  drawCells(painter, captions, y, pxPerMm, origin, true, fontScale);
  const QRectF area = page.printableMm();
  const double left = origin.x() + area.left() * pxPerMm, right = left + area.width() * pxPerMm;
  const double under = y + lineHeightMm() * pxPerMm * 1.1;
  painter.drawLine(QPointF(left, under), QPointF(right, under));
}

void BandedReport::paintPage(QPainter &painter, int index, double pxPerMm, QPointF origin) const {
  paginate();
  if (index < 0 || index >= int(m_pageStarts.size()))
    return;
  const double k = pxPerMm;
  const double fontScale = k * 25.4 / painter.device()->logicalDpiY();
  const QRectF area = page.printableMm();
  const double left = origin.x() + area.left() * k, width = area.width() * k;
  const double line = lineHeightMm() * k;
  const int pageNumber = index + 1;
  painter.save();
  painter.setPen(QPen(Qt::black, std::max(1.0, 0.2 * k)));
  double y = origin.y() + area.top() * k;

  if (pageHeaderBand) {
    BandCanvas canvas{painter, QRectF(left, y, width, pageHeaderBand->heightMm * k), k, fontScale,
                      pageNumber};
    painter.save();
    pageHeaderBand->paint(canvas);
    painter.restore();
    y += pageHeaderBand->heightMm * k;
  } else if (pageHeaderHeightMm() > 0) {
    painter.setFont(ReportFonts::font(fontPt, pageHeaderBold, fontScale));
    const QRectF r(left, y, width, line);
    if (pageHeaderLeft)
      painter.drawText(r, Qt::AlignLeft | Qt::AlignVCenter, pageHeaderLeft(pageNumber));
    if (pageHeaderRight)
      painter.drawText(r, Qt::AlignRight | Qt::AlignVCenter, pageHeaderRight(pageNumber));
    y += pageHeaderHeightMm() * k;
  }
  if (index == 0 && !title.isEmpty()) {
    const double h = titlePt * kMmPerPoint * 1.8 * k;
    painter.setFont(ReportFonts::font(titlePt, true, fontScale));
    painter.drawText(QRectF(left, y, width, h), Qt::AlignCenter, title);
    y += h;
  }
  if (index == 0 && !titleLines.isEmpty()) {
    painter.setFont(ReportFonts::font(fontPt, false, fontScale));
    for (const QStringList &texts : titleLines) {
      const QRectF r(left, y, width, line);
      if (!texts.isEmpty())
        painter.drawText(r, Qt::AlignLeft | Qt::AlignVCenter, texts.first());
      if (texts.size() > 1)
        painter.drawText(r, Qt::AlignRight | Qt::AlignVCenter, texts.at(1));
      y += line;
    }
    y += line * 0.3;
  }
  if (columnHeaderOnPage(index)) {
    drawColumnHeader(painter, y, k, origin, fontScale);
    y += columnHeaderHeightMm() * k;
  }

  const size_t from = size_t(m_pageStarts[size_t(index)]);
  const size_t to =
      size_t(index + 1) < m_pageStarts.size() ? size_t(m_pageStarts[size_t(index) + 1]) : m_lines.size();
  for (size_t i = from; i < to; ++i) {
    const Line &l = m_lines[i];
    switch (l.band) {
    case Band::Detail:
      if (detail)
        drawCells(painter, detail(l.index), y, k, origin, false, fontScale);
      break;
    case Band::GroupHeader:
    case Band::GroupFooter: {
      const bool header = l.band == Band::GroupHeader;
      double at = header ? y : y + line * 0.5;
      if (!header)
        painter.drawLine(QPointF(left, at - line * 0.2), QPointF(left + width, at - line * 0.2));
      const auto &texts = header ? groupHeader : groupFooter;
      if (texts)
        for (const QStringList &cells : texts(l.index)) {
          drawCells(painter, cells, at, k, origin, true, fontScale);
          at += line;
        }
      break;
    }
    case Band::Custom: {
      const CustomBand &band = m_custom[size_t(l.index)];
      BandCanvas canvas{painter, QRectF(left, y, width, band.heightMm * k), k, fontScale, pageNumber};
      painter.save();
      band.paint(canvas);
      painter.restore();
      break;
    }
    case Band::ColumnHeader:
      drawColumnHeader(painter, y, k, origin, fontScale);
      break;
    }
    y += heightOf(l) * k;
  }

  if (index == int(m_pageStarts.size()) - 1 && !summary.isEmpty()) {
    painter.drawLine(QPointF(left, y + line * 0.15), QPointF(left + width, y + line * 0.15));
    y += line * 0.3;
    for (const QStringList &cells : summary) {
      drawCells(painter, cells, y, k, origin, true, fontScale);
      y += line;
    }
  }

  if (pageFooterBand) {
    const double h = pageFooterBand->heightMm * k;
    BandCanvas canvas{painter, QRectF(left, origin.y() + area.bottom() * k - h, width, h), k, fontScale,
                      pageNumber};
    painter.save();
    pageFooterBand->paint(canvas);
    painter.restore();
  } else if (pageFooterHeightMm() > 0) {
    painter.setFont(ReportFonts::font(fontPt, false, fontScale));
    const QRectF r(left, origin.y() + (area.bottom() - lineHeightMm()) * k, width, line);
    if (pageFooterLeft)
      painter.drawText(r, Qt::AlignLeft | Qt::AlignVCenter, pageFooterLeft(pageNumber));
    if (pageFooterRight)
      painter.drawText(r, Qt::AlignRight | Qt::AlignVCenter, pageFooterRight(pageNumber));
  }
  painter.restore();
}
