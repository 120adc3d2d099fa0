#include "uDisplayFormat.h"

#include <QLocale>
#include <QStringList>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

// The decimal digits and power of ten of |value| to 18 significant digits: value = 0.d1d2...d18 * 10^exponent.
struct TDecimalExpansion {
    std::string Digits; // 18 digits, first nonzero unless the value is zero
    int Exponent = 0;
    bool Negative = false;
};

TDecimalExpansion Expand(double value, int significantDigits) {
    TDecimalExpansion expansion;
    char text[64];
    std::snprintf(text, sizeof text, "%.*e", significantDigits - 1, value);
    const char* p = text;
    if (*p == '-') {
        expansion.Negative = true;
        ++p;
    }
    for (; *p != 'e' && *p != '\0'; ++p) {
        if (*p != '.') {
            expansion.Digits += *p;
        }
    }
    expansion.Exponent = (*p == 'e' ? std::atoi(p + 1) : 0) + 1;
    if (expansion.Digits.find_first_not_of('0') == std::string::npos) {
        expansion.Exponent = 0;
    }
    return expansion;
}

// |value| rounded half away from zero to `decimals` places: integer digits and decimal digits.
void RoundToDecimals(double value, int decimals, std::string& integerDigits, std::string& decimalDigits) {
    const TDecimalExpansion expansion = Expand(std::fabs(value), 18);
    // Digit i of the expansion stands for 10^(Exponent - 1 - i).
    std::string digits; // all digits from 10^(intCount-1) down to 10^-decimals
    const int intCount = std::max(expansion.Exponent, 0);
    for (int power = intCount - 1; power >= -decimals; --power) {
        const int index = expansion.Exponent - 1 - power;
        digits += (index >= 0 && index < static_cast<int>(expansion.Digits.size())) ? expansion.Digits[index] : '0';
    }
    const int firstDropped = expansion.Exponent + decimals; // index of the 10^-(decimals+1) digit
    const bool roundUp = firstDropped >= 0 && firstDropped < static_cast<int>(expansion.Digits.size()) &&
                         expansion.Digits[firstDropped] >= '5';
    if (roundUp) {
        int i = static_cast<int>(digits.size()) - 1;
        while (i >= 0 && digits[i] == '9') {
            digits[i] = '0';
            --i;
        }
        if (i >= 0) {
            ++digits[i];
        } else {
            digits.insert(digits.begin(), '1');
        }
    }
    const std::size_t integerCount = digits.size() - static_cast<std::size_t>(decimals);
    integerDigits = digits.substr(0, integerCount);
    decimalDigits = digits.substr(integerCount);
    integerDigits.erase(0, std::min(integerDigits.find_first_not_of('0'), integerDigits.size()));
}

struct TFormatSection {
    QString Prefix;
    QString Suffix;
    bool Grouping = false;
    int MinIntegerDigits = 0;
    int MinDecimals = 0;
    int MaxDecimals = 0;
};

TFormatSection ParseSection(const QString& section) {
    TFormatSection parsed;
    const auto isPlaceholder = [](QChar c) {
        return c == u'0' || c == u'#' || c == u'.' || c == u',';
    };
    qsizetype first = 0;
    while (first < section.size() && !isPlaceholder(section[first])) {
        ++first;
    }
    qsizetype last = section.size();
    while (last > first && !isPlaceholder(section[last - 1])) {
        --last;
    }
    parsed.Prefix = section.left(first);
    parsed.Suffix = section.mid(last);
    bool afterPoint = false;
    for (qsizetype i = first; i < last; ++i) {
        const QChar c = section[i];
        if (c == u'.') {
            afterPoint = true;
        } else if (c == u',' && !afterPoint) {
            parsed.Grouping = true;
        } else if (c == u'0') {
            if (afterPoint) {
                parsed.MinDecimals = ++parsed.MaxDecimals;
            } else {
                ++parsed.MinIntegerDigits;
            }
        } else if (c == u'#' && afterPoint) {
            ++parsed.MaxDecimals;
        }
    }
    return parsed;
}

QString ApplySection(const TFormatSection& section, double magnitude, const TNumberSeparators& separators) {
    std::string integerDigits;
    std::string decimalDigits;
    RoundToDecimals(magnitude, section.MaxDecimals, integerDigits, decimalDigits);
    while (static_cast<int>(integerDigits.size()) < section.MinIntegerDigits) {
        integerDigits.insert(integerDigits.begin(), '0');
    }
    while (static_cast<int>(decimalDigits.size()) > section.MinDecimals && decimalDigits.back() == '0') {
        decimalDigits.pop_back();
    }
    QString result = section.Prefix;
    for (std::size_t i = 0; i < integerDigits.size(); ++i) {
        if (section.Grouping && i > 0 && (integerDigits.size() - i) % 3 == 0) {
            result += separators.Group;
        }
        result += QChar(integerDigits[i]);
    }
    if (!decimalDigits.empty()) {
        result += separators.Decimal;
        result += QString::fromLatin1(decimalDigits.c_str());
    }
    return result + section.Suffix;
}

bool RoundsToZero(double magnitude, int decimals) {
    std::string integerDigits;
    std::string decimalDigits;
    RoundToDecimals(magnitude, decimals, integerDigits, decimalDigits);
    return integerDigits.empty() && decimalDigits.find_first_not_of('0') == std::string::npos;
}

} // namespace

TNumberSeparators NumberSeparatorsOf(const QLocale& locale) {
    TNumberSeparators separators;
    if (!locale.decimalPoint().isEmpty()) {
        separators.Decimal = locale.decimalPoint().front();
    }
    if (!locale.groupSeparator().isEmpty()) {
        separators.Group = locale.groupSeparator().front();
    }
    return separators;
}

QChar TimeSeparatorOf(const QLocale& locale) {
    const QString format = locale.timeFormat(QLocale::ShortFormat);
    for (const QChar c : format) {
        if (!c.isLetter() && !c.isSpace() && c != u'\'') {
            return c;
        }
    }
    return u':';
}

TNumberSeparators SystemNumberSeparators() {
    return NumberSeparatorsOf(QLocale::system());
}

QChar SystemTimeSeparator() {
    return TimeSeparatorOf(QLocale::system());
}

QString FormatFloat(const QString& format, double value, const TNumberSeparators& separators) {
    if (format.isEmpty() || !std::isfinite(value)) {
        return FloatToStr(value, separators.Decimal);
    }
    const QStringList sections = format.split(u';');
    const TFormatSection positive = ParseSection(sections[0]);
    const double magnitude = std::fabs(value);
    if (sections.size() >= 3 && !sections[2].isEmpty() && RoundsToZero(magnitude, positive.MaxDecimals)) {
        return ApplySection(ParseSection(sections[2]), 0.0, separators);
    }
    if (value < 0) {
        if (sections.size() >= 2 && !sections[1].isEmpty()) {
            return ApplySection(ParseSection(sections[1]), magnitude, separators);
        }
        const QString text = ApplySection(positive, magnitude, separators);
        return RoundsToZero(magnitude, positive.MaxDecimals) ? text : QStringLiteral("-") + text;
    }
    return ApplySection(positive, magnitude, separators);
}

QString FloatToStr(double value, QChar decimalSeparator) {
    if (std::isnan(value)) {
        return QStringLiteral("NAN");
    }
    if (std::isinf(value)) {
        return value > 0 ? QStringLiteral("INF") : QStringLiteral("-INF");
    }
    if (value == 0.0) {
        return QStringLiteral("0");
    }
    const TDecimalExpansion expansion = Expand(value, 15);
    std::string digits = expansion.Digits;
    digits.erase(digits.find_last_not_of('0') + 1);
    const int exponent = expansion.Exponent; // value = 0.digits * 10^exponent
    QString text = expansion.Negative ? QStringLiteral("-") : QString();
    if (exponent < -4 || exponent > 15) {
        // d.ddd E exponent
        text += QChar(digits[0]);
        if (digits.size() > 1) {
            text += decimalSeparator;
            text += QString::fromLatin1(digits.c_str() + 1);
        }
        return text + QStringLiteral("E") + QString::number(exponent - 1);
    }
    if (exponent <= 0) {
        text += QChar(u'0');
        text += decimalSeparator;
        text += QString(-exponent, u'0');
        return text + QString::fromLatin1(digits.c_str());
    }
    for (int i = 0; i < exponent; ++i) {
        text += QChar(i < static_cast<int>(digits.size()) ? digits[i] : '0');
    }
    if (static_cast<int>(digits.size()) > exponent) {
        text += decimalSeparator;
        text += QString::fromLatin1(digits.c_str() + exponent);
    }
    return text;
}

QString FormatMaskText(const QString& editMask, const QString& text, QChar timeSeparator) {
    QString mask = editMask.section(u';', 0, 0);
    const QString blankField = editMask.section(u';', 2, 2);
    const QChar blank = blankField.isEmpty() ? QChar(u' ') : blankField.front();
    const bool leadingBlanks = mask.startsWith(u'!');
    if (leadingBlanks) {
        mask.remove(0, 1);
    }
    static const QString placeholders = QStringLiteral("09LlAaCc#");
    int places = 0;
    for (const QChar c : mask) {
        places += placeholders.contains(c) ? 1 : 0;
    }
    QString filled = text.left(places);
    if (filled.size() < places) {
        const QString padding(places - filled.size(), blank);
        filled = leadingBlanks ? padding + filled : filled + padding;
    }
    QString result;
    qsizetype next = 0;
    for (const QChar c : mask) {
        if (placeholders.contains(c)) {
            result += filled[next++];
        } else if (c == u':') {
            result += timeSeparator;
        } else {
            result += c;
        }
    }
    return result;
}
