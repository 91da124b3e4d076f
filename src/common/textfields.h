#pragma once

#include <QString>

// True when every character of the trimmed text is a digit 0-9; an empty or
// all-blank text counts as a number, as the old program did.
bool Is_Number(const QString &text);

// Field n (counted from 1) of a CSV line split at sep; a separator inside
// double quotes belongs to the field; surrounding quotes are removed and
// doubled quotes undone. A missing field gives an empty text.
QString CSVGet(const QString &line, int n, QChar sep);
