#pragma once

#include <QString>
#include <QStringList>

// The owner (seller) file vlasnik.ini: the owner's name on the first line,
// further owner data, the place name on the last data line, an empty line at
// the end.
class Vlasnik {
public:
  static constexpr const char *kFileName = "vlasnik.ini";

  // Data lines of the file: every line before the first empty one.
  QStringList lines;

  QString ownerName() const { return lines.value(0); }
  // The last non-empty line; printed as the place of turnover and issue.
  QString placeName() const;
  // The owner block of invoices: every data line but the place.
  QStringList ownerBlock() const;

  // The lines the configuration window writes from its owner box: up to and
  // including the first empty line (an empty line is added when there is
  // none); nothing when the first line is empty.
  static QStringList linesToWrite(const QString &ownerBox);

  // Read as UTF-8, or in the legacy single-byte charset when the bytes are not
  // valid UTF-8. A missing or unreadable file sets error and gives no lines.
  static Vlasnik read(const QString &directory, QString *error = nullptr);
  static Vlasnik parse(const QByteArray &bytes);
  // The whole file text as it was read (for the owner box).
  static QString readText(const QString &directory, QString *error = nullptr);
  // Atomic rewrite from the owner box's text.
  static bool write(const QString &directory, const QString &ownerBox, QString *error = nullptr);
};
