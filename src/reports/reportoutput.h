#pragma once

#include <QImage>
#include <QString>

class BandedReport;
class QIODevice;
class QPagedPaintDevice;

// The one way a report leaves the program: pages drawn on a paged device (a PDF
// writer or a printer) or on a picture, all through BandedReport::paintPage.
namespace ReportOutput {

// Draws pages from..to (from 0; to -1 = the last) on the device, one device page each,
// the device's page set to the report's paper without margins of its own. False when
// the device cannot be painted on.
bool render(const BandedReport &report, QPagedPaintDevice &device, int from = 0, int to = -1);

// Writes the whole report as a PDF file, whole or not at all (an earlier file stays as it
// was); false with the reason when it cannot.
bool writePdf(const BandedReport &report, const QString &path, QString *error = nullptr);
// The same into an open device.
bool writePdf(const BandedReport &report, QIODevice &out);

// One page as a white picture at the given resolution.
QImage pageImage(const BandedReport &report, int page, double dpi);

} // namespace ReportOutput
