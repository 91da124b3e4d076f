#include "reports/reportoutput.h"

#include "reports/bandedreport.h"

#include <QFileInfo>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>

namespace ReportOutput {

bool render(const BandedReport &report, QPagedPaintDevice &device, int from, int to) {
  const int pages = report.pageCount();
  if (to < 0 || to >= pages)
    to = pages - 1;
  from = std::max(0, from);
  device.setPageLayout(QPageLayout(QPageSize(report.page.sizeMm, QPageSize::Millimeter),
                                   QPageLayout::Portrait, QMarginsF(), QPageLayout::Millimeter));
  QPainter painter;
  if (!painter.begin(&device))
    return false;
  painter.setRenderHint(QPainter::Antialiasing);
  const double pxPerMm = device.logicalDpiX() / 25.4;
  for (int page = from; page <= to; ++page) {
    if (page > from && !device.newPage())
      return false;
    report.paintPage(painter, page, pxPerMm);
  }
  return painter.end();
}

bool writePdf(const BandedReport &report, QIODevice &out) {
  QPdfWriter writer(&out);
  writer.setResolution(600);
  writer.setCreator(QStringLiteral("Kasa"));
  writer.setTitle(report.title);
  return render(report, writer);
}

bool writePdf(const BandedReport &report, const QString &path, QString *error) {
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly) || !writePdf(report, file) || !file.commit()) {
    if (error)
      *error = QStringLiteral("Ne mogu da upisem %1").arg(QFileInfo(path).absoluteFilePath());
    return false;
  }
  return true;
}

QImage pageImage(const BandedReport &report, int page, double dpi) {
  const QSize size(qRound(report.page.sizeMm.width() / 25.4 * dpi),
                   qRound(report.page.sizeMm.height() / 25.4 * dpi));
  QImage image(size, QImage::Format_RGB32);
  image.setDotsPerMeterX(qRound(dpi / 0.0254));
  image.setDotsPerMeterY(qRound(dpi / 0.0254));
  image.fill(Qt::white);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setRenderHint(QPainter::TextAntialiasing);
  report.paintPage(painter, page, dpi / 25.4);
  return image;
}

} // namespace ReportOutput
