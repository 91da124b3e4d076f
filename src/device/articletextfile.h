#pragma once

#include "device/articlemirror.h"

#include <QByteArray>
#include <QList>
#include <QString>

// The device maker's article text file: one line per mirror row, fixed-width fields
// without separators (article number, barcode, name of Duzina characters, price in
// para, internal code, tax group), in the legacy single-byte charset, lines ended by CR LF.
namespace ArticleTextFile {

// "ARTBON_" + register number + ".TXT"
QString defaultName(const QString &ibfm);
// Characters of one line for the model and name length (without CR LF).
int lineWidth(int model, int duzina);
// One row as a line (without CR LF).
QByteArray line(const MirrorArticle &row, int model, int duzina);

// Writes every row as a line, replacing the file. False with a message when it cannot be written.
bool write(const QString &path, const QList<MirrorArticle> &rows, int model, int duzina, QString *error);

struct ReadResult {
  bool ok = false;
  QList<MirrorArticle> rows; // in file order; only when ok
  QString error;             // names the line when a line is damaged
  int badLine = 0;           // 1-based; 0 when the file itself could not be read
};
// Reads a whole file. A line that is too short, or whose number, price or tax group is
// not a number, fails the whole read: nothing of the file is taken.
ReadResult read(const QString &path, int model, int duzina);
// The same for the file's bytes.
ReadResult parse(const QByteArray &content, int model, int duzina);

} // namespace ArticleTextFile
