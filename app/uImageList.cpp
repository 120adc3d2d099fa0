#include "uImageList.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <cmath>
#include <functional>

namespace {

constexpr int ImageSize = 16;

QPixmap Paint(const std::function<void(QPainter&)>& draw) {
    QPixmap pixmap(ImageSize, ImageSize);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    draw(painter);
    return pixmap;
}

// A white page with a folded corner, the base of several pictures.
void DrawPage(QPainter& p, const QRectF& r) {
    QPainterPath page;
    const qreal fold = r.width() * 0.35;
    page.moveTo(r.topLeft());
    page.lineTo(r.right() - fold, r.top());
    page.lineTo(r.right(), r.top() + fold);
    page.lineTo(r.bottomRight());
    page.lineTo(r.bottomLeft());
    page.closeSubpath();
    p.setPen(QPen(QColor(64, 64, 64), 1));
    p.setBrush(Qt::white);
    p.drawPath(page);
    p.drawLine(QPointF(r.right() - fold, r.top()), QPointF(r.right() - fold, r.top() + fold));
    p.drawLine(QPointF(r.right() - fold, r.top() + fold), QPointF(r.right(), r.top() + fold));
}

void DrawPageLines(QPainter& p, const QRectF& r) {
    p.setPen(QPen(QColor(128, 128, 128), 1));
    for (qreal y = r.top() + 6; y < r.bottom() - 1; y += 2.5) {
        p.drawLine(QPointF(r.left() + 2.5, y), QPointF(r.right() - 2.5, y));
    }
}

// Drawn as strokes rather than as a letter, so that painting the pictures needs no font.
void DrawQuestionMark(QPainter& p, const QRectF& r, const QColor& color) {
    const qreal w = r.width();
    const qreal h = r.height();
    const qreal middle = r.center().x();
    QPainterPath hook;
    const QRectF bow(middle - w * 0.22, r.top() + h * 0.14, w * 0.44, h * 0.36);
    hook.arcMoveTo(bow, 160);
    hook.arcTo(bow, 160, -250);
    hook.lineTo(middle, r.top() + h * 0.66);
    p.setPen(QPen(color, std::max<qreal>(1.6, w * 0.14), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(hook);
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawEllipse(QPointF(middle, r.top() + h * 0.85), w * 0.09, w * 0.09);
}

void DrawArrowIntoPage(QPainter& p) {
    DrawPage(p, QRectF(5.5, 1.5, 9, 13));
    DrawPageLines(p, QRectF(5.5, 1.5, 9, 13));
    QPainterPath arrow;
    arrow.moveTo(0.5, 6.5);
    arrow.lineTo(5.5, 6.5);
    arrow.lineTo(5.5, 3.5);
    arrow.lineTo(10.5, 8.5);
    arrow.lineTo(5.5, 13.5);
    arrow.lineTo(5.5, 10.5);
    arrow.lineTo(0.5, 10.5);
    arrow.closeSubpath();
    p.setPen(QPen(QColor(0, 64, 0), 1));
    p.setBrush(QColor(0, 160, 0));
    p.drawPath(arrow);
}

} // namespace

TImageList::TImageList() {
    const std::function<void(QPainter&)> pictures[ImageCount] = {
        // 0 open folder with a page
        [](QPainter& p) {
            DrawPage(p, QRectF(4.5, 0.5, 8, 9));
            p.setPen(QPen(QColor(128, 96, 0), 1));
            p.setBrush(QColor(255, 208, 64));
            p.drawRect(QRectF(0.5, 5.5, 12, 9));
            QPainterPath flap;
            flap.moveTo(3.5, 8.5);
            flap.lineTo(15.5, 8.5);
            flap.lineTo(12.5, 14.5);
            flap.lineTo(0.5, 14.5);
            flap.closeSubpath();
            p.setBrush(QColor(255, 232, 128));
            p.drawPath(flap);
        },
        // 1 stacked pages
        [](QPainter& p) {
            DrawPage(p, QRectF(0.5, 0.5, 9, 10));
            DrawPage(p, QRectF(3.5, 3.0, 9, 10));
            DrawPage(p, QRectF(6.5, 5.5, 9, 10));
        },
        // 2 a page, split in two tiles
        [](QPainter& p) {
            DrawPage(p, QRectF(1.5, 1.5, 6, 13));
            DrawPage(p, QRectF(8.5, 1.5, 6, 13));
        },
        // 3 question mark
        [](QPainter& p) {
            p.setPen(QPen(QColor(0, 0, 128), 1));
            p.setBrush(QColor(255, 255, 192));
            p.drawEllipse(QRectF(0.5, 0.5, 15, 15));
            DrawQuestionMark(p, QRectF(0, 0, 16, 16), QColor(0, 0, 160));
        },
        // 4 red triangle
        [](QPainter& p) {
            QPolygonF triangle({QPointF(4, 2), QPointF(13, 8), QPointF(4, 14)});
            p.setPen(QPen(QColor(128, 0, 0), 1));
            p.setBrush(QColor(224, 0, 0));
            p.drawPolygon(triangle);
        },
        // 5 page with a spark
        [](QPainter& p) {
            DrawPage(p, QRectF(1.5, 3.5, 10, 12));
            DrawPageLines(p, QRectF(1.5, 3.5, 10, 12));
            QPainterPath spark;
            const QPointF c(12, 4);
            for (int i = 0; i < 8; ++i) {
                const qreal radius = i % 2 == 0 ? 4.0 : 1.5;
                const qreal angle = i * 3.14159265 / 4;
                const QPointF point(c.x() + radius * std::cos(angle), c.y() + radius * std::sin(angle));
                i == 0 ? spark.moveTo(point) : spark.lineTo(point);
            }
            spark.closeSubpath();
            p.setPen(QPen(QColor(160, 112, 0), 0.8));
            p.setBrush(QColor(255, 224, 0));
            p.drawPath(spark);
        },
        // 6 arrow pointing into a page
        [](QPainter& p) { DrawArrowIntoPage(p); },
        // 7 red cross
        [](QPainter& p) {
            p.setPen(QPen(QColor(208, 0, 0), 3, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(QPointF(3, 3), QPointF(13, 13));
            p.drawLine(QPointF(13, 3), QPointF(3, 13));
        },
        // 8 bar chart
        [](QPainter& p) {
            p.setPen(QPen(Qt::black, 1));
            p.drawLine(QPointF(1.5, 1), QPointF(1.5, 14.5));
            p.drawLine(QPointF(1.5, 14.5), QPointF(15, 14.5));
            const struct {
                qreal X, Top;
                QColor Color;
            } bars[] = {{3.5, 8, QColor(0, 0, 208)}, {7.5, 4, QColor(208, 0, 0)}, {11.5, 6, QColor(0, 160, 0)}};
            for (const auto& bar : bars) {
                p.setBrush(bar.Color);
                p.drawRect(QRectF(bar.X, bar.Top, 3, 14.5 - bar.Top));
            }
        },
        // 9 globe
        [](QPainter& p) {
            const QRectF globe(1.5, 1.5, 13, 13);
            p.setPen(QPen(QColor(0, 64, 128), 1));
            p.setBrush(QColor(64, 160, 255));
            p.drawEllipse(globe);
            p.setBrush(Qt::NoBrush);
            p.drawEllipse(QRectF(5, 1.5, 6, 13));
            p.drawLine(QPointF(1.5, 8), QPointF(14.5, 8));
            p.drawLine(QPointF(8, 1.5), QPointF(8, 14.5));
            p.setPen(QPen(QColor(0, 128, 0), 2));
            p.drawArc(QRectF(3, 3, 6, 6), 30 * 16, 120 * 16);
        },
        // 10 question mark over a book
        [](QPainter& p) {
            p.setPen(QPen(QColor(64, 0, 0), 1));
            p.setBrush(QColor(160, 32, 32));
            p.drawRect(QRectF(1.5, 9.5, 13, 5));
            p.setBrush(Qt::white);
            p.drawRect(QRectF(2.5, 10.5, 11, 2));
            DrawQuestionMark(p, QRectF(2, 0, 12, 10), QColor(0, 0, 160));
        },
        // 11 arrow pointing into a page
        [](QPainter& p) { DrawArrowIntoPage(p); },
        // 12 page with coloured marks
        [](QPainter& p) {
            DrawPage(p, QRectF(2.5, 0.5, 11, 15));
            const QColor colors[] = {QColor(224, 0, 0), QColor(0, 160, 0), QColor(0, 0, 224)};
            for (int i = 0; i < 3; ++i) {
                p.setPen(Qt::NoPen);
                p.setBrush(colors[i]);
                p.drawRect(QRectF(4.5, 5 + i * 3.5, 2, 2));
                p.setPen(QPen(QColor(128, 128, 128), 1));
                p.drawLine(QPointF(7.5, 6 + i * 3.5), QPointF(11.5, 6 + i * 3.5));
            }
        },
        // 13 not shown anywhere
        [](QPainter&) {},
    };
    for (const auto& draw : pictures) {
        FIcons.append(QIcon(Paint(draw)));
    }
}
