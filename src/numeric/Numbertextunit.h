// Numbertextunit: the program's number texts: the general text of a number, the rounded text
// of tick labels and readouts, and the reading of a typed number.
#pragma once

#include <QLocale>
#include <string>

// The general number text of the program: up to 15 significant digits, no thousands
// separators, no trailing zeros, '.' as decimal point whatever the locale (C's %.15g).
std::string FloatToText(double x);

// x rounded for tick labels and readouts: whole numbers from magnitude 100 up, otherwise five
// decimals at most; as FloatToText.
std::string ValueToText(double x);

// The standard text-to-number conversion of a typed number: the locale's decimal separator or
// '.', an optional sign and exponent, leading and trailing blanks allowed, no thousands
// separators. False for anything else, infinities and NaN included.
bool TextToFloat(const std::string& text, double& value, const QLocale& locale = QLocale());

// The conversion error for a text that is not a number, naming the text:
// 'abc' is not a valid floating point value
std::string InvalidFloatMessage(const std::string& text);
