#pragma once

// The shared image list: 14 small pictures that the main window, the browse windows and their menus take by
// index. They are painted in code, so the program ships no picture files.

#include <QIcon>
#include <QList>

enum TImageIndex {
    imgOpenCurrency = 0, // open folder with a page
    imgCascade = 1,      // stacked pages
    imgTile = 2,         // a page
    imgHelp = 3,         // question mark
    imgCurrency = 4,     // red triangle
    imgNewRecord = 5,    // page with a spark
    imgShowRecord = 6,   // arrow pointing into a page
    imgDeleteRecord = 7, // red cross
    imgChart = 8,        // bar chart
    imgReport = 9,       // globe
    imgUserGuide = 10,   // question mark over a book
    imgMainStatus = 11,  // arrow pointing into a page
    imgAbout = 12,       // page with coloured marks
    imgUnused = 13,
    ImageCount = 14
};

class TImageList {
public:
    TImageList(); // needs a QGuiApplication
    const QIcon& Icon(int index) const { return FIcons.at(index); }
    int Count() const { return static_cast<int>(FIcons.size()); }

private:
    QList<QIcon> FIcons;
};
