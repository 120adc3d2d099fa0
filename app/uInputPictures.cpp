#include "uInputPictures.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

#include <cmath>
#include <numbers>

namespace {

QPixmap EmptyPixmap(int width, int height) {
    QPixmap pixmap(width, height);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

// An arrow filling a 24 x 24 cell, tip up or down, in the colour of its column.
QPixmap ArrowPicture(const QColor& colour, bool up) {
    QPixmap pixmap = EmptyPixmap(24, 24);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    QPolygonF arrow{{12, 1.5}, {22.5, 12}, {16, 12}, {16, 22.5}, {8, 22.5}, {8, 12}, {1.5, 12}};
    if (!up) {
        for (QPointF& point : arrow) {
            point.setY(24 - point.y());
        }
    }
    QLinearGradient fill(0, 0, 24, 24);
    fill.setColorAt(0, colour.lighter(160));
    fill.setColorAt(1, colour);
    painter.setBrush(fill);
    painter.setPen(QPen(colour.darker(150), 1.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPolygon(arrow);
    return pixmap;
}

} // namespace

QPixmap GeneralInformationPicture() {
    QPixmap pixmap = EmptyPixmap(32, 32);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);

    // The calendar sheet: a red band with two rings over a white page with the day grid.
    const QRectF sheet(2.5, 4.5, 23, 24);
    painter.setPen(QPen(QColor(90, 90, 90), 1));
    painter.setBrush(Qt::white);
    painter.drawRect(sheet);
    painter.setBrush(QColor(200, 30, 30));
    painter.drawRect(QRectF(sheet.left(), sheet.top(), sheet.width(), 6));
    painter.setBrush(QColor(230, 230, 230));
    painter.drawEllipse(QPointF(8.5, 4.5), 1.6, 2.4);
    painter.drawEllipse(QPointF(19.5, 4.5), 1.6, 2.4);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(70, 70, 140));
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 5; ++column) {
            painter.drawRect(QRectF(5 + column * 4, 13.5 + row * 3.6, 2.4, 2.2));
        }
    }

    // The clock over the sheet's lower right corner.
    const QPointF centre(23, 23);
    painter.setPen(QPen(QColor(20, 60, 140), 1.4));
    painter.setBrush(QColor(255, 250, 220));
    painter.drawEllipse(centre, 7.5, 7.5);
    painter.setPen(QPen(QColor(20, 20, 20), 1.6, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(centre, centre + QPointF(0, -5));
    painter.drawLine(centre, centre + QPointF(3.5, 1.5));
    return pixmap;
}

QPixmap BuyPicture() {
    return ArrowPicture(QColor(0, 0, 255), true);
}

QPixmap SellPicture() {
    return ArrowPicture(QColor(128, 0, 128), false);
}

QIcon HelpPicture() {
    QPixmap pixmap = EmptyPixmap(16, 16);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient disc(0, 0, 16, 16);
    disc.setColorAt(0, QColor(90, 150, 255));
    disc.setColorAt(1, QColor(10, 50, 170));
    painter.setBrush(disc);
    painter.setPen(QPen(QColor(10, 40, 120), 1));
    painter.drawEllipse(QRectF(0.5, 0.5, 15, 15));

    // The question mark as strokes, so that it looks the same whatever fonts the system has.
    QPainterPath hook;
    hook.moveTo(5.4, 6.0);
    hook.cubicTo(5.4, 2.6, 10.8, 2.6, 10.8, 5.8);
    hook.cubicTo(10.8, 8.0, 8.0, 8.0, 8.0, 10.2);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(Qt::white, 2.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPath(hook);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white);
    painter.drawEllipse(QPointF(8.0, 12.8), 1.25, 1.25);
    return QIcon(pixmap);
}

void PaintFindFrame(QPainter& painter, const QRectF& rect, int frame) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(rect.topLeft());
    painter.scale(rect.width() / 48.0, rect.height() / 50.0);

    // The open folder with sheets of paper in it.
    painter.setPen(QPen(QColor(150, 110, 20), 1));
    painter.setBrush(QColor(225, 180, 60));
    painter.drawPolygon(QPolygonF{{4, 22}, {14, 22}, {17, 25}, {40, 25}, {40, 46}, {4, 46}});
    painter.setPen(QPen(QColor(140, 140, 140), 0.8));
    painter.setBrush(Qt::white);
    painter.drawRect(QRectF(9, 20, 26, 18));
    painter.drawRect(QRectF(12, 23, 26, 18));
    painter.setPen(QPen(QColor(170, 170, 200), 0.8));
    for (int line = 0; line < 4; ++line) {
        painter.drawLine(QPointF(15, 27.5 + line * 3), QPointF(34, 27.5 + line * 3));
    }
    painter.setPen(QPen(QColor(150, 110, 20), 1));
    QLinearGradient front(0, 30, 0, 46);
    front.setColorAt(0, QColor(250, 215, 100));
    front.setColorAt(1, QColor(215, 165, 45));
    painter.setBrush(front);
    painter.drawPolygon(QPolygonF{{2, 31}, {38, 31}, {43, 46}, {6, 46}});

    // The magnifier goes once round an ellipse over the folder in FindFrameCount frames.
    const double angle = 2 * std::numbers::pi * (frame - 1) / FindFrameCount;
    const QPointF lens(24 + 13 * std::cos(angle), 18 + 8 * std::sin(angle));
    painter.setPen(QPen(QColor(60, 40, 20), 3.2, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(lens + QPointF(5.5, 5.5), lens + QPointF(11, 11));
    painter.setPen(QPen(QColor(60, 60, 70), 2));
    painter.setBrush(QColor(190, 225, 255, 170));
    painter.drawEllipse(lens, 7.5, 7.5);
    painter.setPen(QPen(QColor(255, 255, 255, 220), 1.2, Qt::SolidLine, Qt::RoundCap));
    painter.drawArc(QRectF(lens - QPointF(4.5, 4.5), QSizeF(9, 9)), 100 * 16, 70 * 16);
    painter.restore();
}
