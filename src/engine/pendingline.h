#pragma once

#include "engine/racun.h"

#include <QString>

#include <optional>

// The retail sale line last sent to the device, kept in a file beside the article mirror
// until the next one replaces it. A kill between the device's acceptance of a line and
// its booking leaves the device one line ahead of the database: this is that line.
struct PendingLine {
  int godina = 0;
  int broj = 0;   // the receipt it was sent for
  int redova = 0; // the receipt's PRODATO rows when it was sent
  Racun step;     // as sent, with the device's article number
};

namespace PendingLineFile {
// The file beside the article mirror's; empty when there is no mirror file.
QString pathFor(const QString &mirrorPath);
bool write(const QString &path, const PendingLine &line);
std::optional<PendingLine> read(const QString &path);
void remove(const QString &path);
} // namespace PendingLineFile
