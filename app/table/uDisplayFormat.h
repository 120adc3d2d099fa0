#pragma once

// Number and mask formatting as the program's displays use it: display formats such as "###,##0.00" or
// ",0.00;-,0.00", edit masks such as "!90:00;0; ", and the shortest general form of a number.

#include <QChar>
#include <QLocale>
#include <QString>

struct TNumberSeparators {
    QChar Decimal = u'.';
    QChar Group = u',';
};

// A locale's decimal and group separators ('.' and ',' where it has none).
TNumberSeparators NumberSeparatorsOf(const QLocale& locale);

// A locale's time separator: the character between hours and minutes in its short time format (':' where it
// has none).
QChar TimeSeparatorOf(const QLocale& locale);

// The user's separators (the system locale's).
TNumberSeparators SystemNumberSeparators();

// The user's time separator.
QChar SystemTimeSeparator();

// Formats value by a display format: up to three sections "positive;negative;zero"; in a section '0' is a
// required digit, '#' an optional one, '.' the decimal point and a ',' before it asks for group separators;
// other characters are copied. Rounding is half away from zero on the value's 18-digit decimal expansion.
// A negative value without a negative section gets a leading '-'. An empty format gives the shortest form.
QString FormatFloat(const QString& format, double value, const TNumberSeparators& separators);

// The shortest general form with at most 15 significant digits: no group separators, trailing zeros dropped,
// "0" for zero, exponent form ("1.5E-6", "1E20") only below 0.00001 or from 16 integer digits on.
QString FloatToStr(double value, QChar decimalSeparator);

// Applies an edit mask "mask;keepLiterals;blank" to text as stored (without literals): mask characters
// '0' '9' 'L' 'l' 'A' 'a' 'C' 'c' '#' take the text's characters in order, ':' and '/' become the time and date
// separators, other characters are literals; with '!' a short text leaves its blanks at the front, else at the
// end. The result is what a masked display shows.
QString FormatMaskText(const QString& editMask, const QString& text, QChar timeSeparator);
