#pragma once

#include <QString>
#include <QStringList>

// The text files the CSV imports read and the exports write. Lines are split
// with CSVGet (textfields.h); this is only how a file becomes lines and back.
namespace CsvFile {

// The file's lines without their line ends: read as UTF-8 when the bytes are
// valid UTF-8 (a byte-order mark is dropped), otherwise in the legacy
// single-byte charset of the old program's files. False with the system's
// error text when the file cannot be opened or read.
bool readLines(const QString &path, QStringList *lines, QString *error);

// Writes the lines as UTF-8, each ended with CR LF, replacing the file only
// once everything is written. False with the system's error text.
bool writeLines(const QString &path, const QStringList &lines, QString *error);

// The text in double quotes with every inner double quote doubled.
QString quoted(const QString &text);

} // namespace CsvFile
