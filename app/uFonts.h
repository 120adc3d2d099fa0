#pragma once

// Fonts as the windows name them: a family with a point or pixel size. Families the machine lacks ("MS Sans
// Serif", "Arial", "Courier New") are mapped to installed ones when the program starts.

#include <QFont>
#include <QString>

inline QFont PointFont(const QString& family, int pointSize, bool bold = false) {
    QFont font(family);
    font.setPointSize(pointSize);
    font.setBold(bold);
    return font;
}

inline QFont PixelFont(const QString& family, int pixels, bool bold = false) {
    QFont font(family);
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}
