#include "reports/reportfonts.h"

#include <QFontDatabase>
#include <QStringList>

namespace ReportFonts {

QString family() {
  static const QString chosen = [] {
    const QStringList installed = QFontDatabase::families();
    for (const char *name : {"Arial", "Liberation Sans", "DejaVu Sans"})
      if (installed.contains(QLatin1String(name)))
        return QString::fromLatin1(name);
    return QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
  }();
  return chosen;
}

QFont font(double pointSize, bool bold, double scale) {
  QFont f(family());
  f.setPointSizeF(pointSize * scale);
  f.setBold(bold);
  // Hinting snaps glyphs to the device's pixel grid, which differs between the preview and the PDF.
  f.setHintingPreference(QFont::PreferNoHinting);
  f.setKerning(false);
  return f;
}

} // namespace ReportFonts
