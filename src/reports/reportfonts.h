#pragma once

#include <QFont>
#include <QString>

// The reports' typeface: Arial where it is installed, else a face with the same
// metrics (Liberation Sans), else DejaVu Sans. Each carries the Serbian Latin letters
// and Cyrillic, and is embedded in the PDF as a subset.
namespace ReportFonts {

QString family();
// pointSize scaled for the device being drawn on (BandCanvas::fontScale).
QFont font(double pointSize, bool bold = false, double scale = 1.0);

} // namespace ReportFonts
