#pragma once

#include <QString>

// Decimal rounding, half away from zero, done on the value's decimal text
// (15 significant digits) so that 2.675 rounds to 2.68 although its binary
// form lies just below. digits < 0 is taken as its absolute value.
double MyRound(int digits, double value);

// Cuts a value to the given number of decimals (towards zero) on its decimal
// text, for the places where amounts are truncated rather than rounded.
double MyTrunc(int digits, double value);

// The value's text in general format with 15 significant digits, '.' as
// decimal point and never an exponent ("2.675", "7", "-0.0001").
QString decimalText15(double value);

// How many characters the value's whole part takes as text, sign included (-12.5 takes 3).
// A value no 64-bit integer holds (huge, infinite, not a number) is wider than any field.
int wholePartWidth(double value);
