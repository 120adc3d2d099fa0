#include "TPairChart.h"

#include "TFailure.h"
#include "uFonts.h"
#include "uSaveFile.h"

#include <QBrush>
#include <QCategoryAxis>
#include <QChart>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QFontMetricsF>
#include <QGraphicsLayout>
#include <QGraphicsPolygonItem>
#include <QGraphicsRectItem>
#include <QHash>
#include <QLegend>
#include <QLineSeries>
#include <QMouseEvent>
#include <QPainter>
#include <QPen>
#include <QResizeEvent>
#include <QRubberBand>
#include <QSaveFile>
#include <QValueAxis>
#include <QWheelEvent>

#include <qdrawutil.h>

#include <algorithm>
#include <cmath>

namespace {

const QColor Silver(192, 192, 192);
const QColor WallGrey(128, 128, 128);
const QColor GridColor(64, 0, 64);
const QColor LegendColor(128, 255, 255);

constexpr int SeriesLineWidth = 3;
constexpr qreal DepthShare = 0.01; // depth of the walls: 1 % of the plot's width
constexpr qreal MinDepth = 3;      // ... but never so thin that the walls vanish
constexpr qreal LegendTopShare = 0.13;
constexpr int ChartMargin = 6;
constexpr qreal DateGap = 14;           // free pixels between two dates on the bottom axis
constexpr qreal PriceLabelSpacing = 28; // pixels per price label, at least
constexpr qreal MinPointsShown = 2;     // the narrowest zoom, in points
constexpr int MinZoomDrag = 5;          // a shorter drag is a click, not a zoom
constexpr int WheelStepsPerView = 10;   // one wheel step scrolls a tenth of the view

// Rows of one day share their date, but the axis wants distinct labels: repeats get zero-width spaces.
constexpr QChar Invisible(0x200B);

// The step from 1, 2, 2.5 and 5 times a power of ten nearest above raw.
qreal NiceStep(qreal raw) {
    const qreal power = std::pow(10.0, std::floor(std::log10(raw)));
    const qreal fraction = raw / power;
    const qreal nice = fraction <= 1 ? 1 : fraction <= 2 ? 2 : fraction <= 2.5 ? 2.5 : fraction <= 5 ? 5 : 10;
    return nice * power;
}

// Decimals needed to write step exactly (at most 8).
int StepDecimals(qreal step) {
    for (int decimals = 0; decimals < 8; ++decimals) {
        const qreal scaled = step * std::pow(10.0, decimals);
        if (std::abs(scaled - std::round(scaled)) < 1e-6 * scaled) {
            return decimals;
        }
    }
    return 8;
}

} // namespace

// The view owns its chart from the start: a view made without one makes a default chart, which a later
// setChart would leave behind.
TPairChart::TPairChart(QWidget* parent) : QChartView(new QChart(), parent) {
    // A silver panel with a lowered bevel, as the rest of the window's controls.
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(1);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, Silver);
    palette.setColor(QPalette::Light, Qt::white);
    palette.setColor(QPalette::Dark, WallGrey);
    setPalette(palette);
    setBackgroundBrush(Silver);
    setRenderHint(QPainter::Antialiasing);
    setRubberBand(QChartView::NoRubberBand); // the zoom is this class' own, see mousePressEvent

    QChart* chart = this->chart();
    chart->setBackgroundBrush(Silver);
    chart->setBackgroundPen(Qt::NoPen);
    chart->setBackgroundRoundness(0);
    chart->setDropShadowEnabled(false);
    chart->setAnimationOptions(QChart::NoAnimation);
    chart->layout()->setContentsMargins(0, 0, 0, 0);
    chart->setTitle(QString());
    // The back wall is transparent: the silver background shows through behind the lines.
    chart->setPlotAreaBackgroundVisible(false);

    // Qt Charts draws line charts flat only. The shallow box a 1 % deep chart shows is drawn instead as two grey
    // walls inside the plot's left and bottom edges, each as deep as 1 % of the plot's width and meeting in a
    // mitred corner; the grid lines run across them as across the walls of a box. They sit above the plot's
    // (transparent) background and below the grid and the lines.
    for (QGraphicsPolygonItem*& wall : FWalls) {
        wall = new QGraphicsPolygonItem(chart);
        wall->setBrush(WallGrey);
        wall->setPen(Qt::NoPen);
        wall->setZValue(0.5);
    }

    const QFont font = PointFont(QStringLiteral("Arial"), 8);
    FAxisX = new QCategoryAxis();
    FAxisX->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    FAxisX->setStartValue(-0.5);
    FAxisX->setTruncateLabels(false);
    FAxisY = new QValueAxis();
    for (QAbstractAxis* axis : {static_cast<QAbstractAxis*>(FAxisX), static_cast<QAbstractAxis*>(FAxisY)}) {
        axis->setLabelsFont(font);
        axis->setLabelsColor(Qt::black);
        axis->setLinePen(QPen(Qt::black, 1));
        axis->setGridLinePen(QPen(GridColor, 1, Qt::DotLine));
        axis->setMinorGridLineVisible(false);
        axis->setShadesVisible(false);
        axis->setTitleVisible(false);
    }
    chart->addAxis(FAxisX, Qt::AlignBottom);
    chart->addAxis(FAxisY, Qt::AlignLeft);

    const struct {
        const char* Title;
        QColor Color;
    } series[] = {{"Current", QColor(255, 255, 0)},
                  {"Highest (24hrs)", QColor(255, 0, 0)},
                  {"Lowest (24hrs)", QColor(0, 128, 0)}};
    for (int i = 0; i < 3; ++i) {
        FSeries[i] = new QLineSeries();
        FSeries[i]->setName(QString::fromLatin1(series[i].Title));
        QPen pen(series[i].Color, SeriesLineWidth);
        pen.setCapStyle(Qt::RoundCap);
        pen.setJoinStyle(Qt::RoundJoin);
        FSeries[i]->setPen(pen);
        FSeries[i]->setPointsVisible(false);
        chart->addSeries(FSeries[i]);
        FSeries[i]->attachAxis(FAxisX);
        FSeries[i]->attachAxis(FAxisY);
    }

    // One line per series, colour box and title in plain text, on the right; placed by PlaceLegend.
    QLegend* legend = chart->legend();
    legend->setAlignment(Qt::AlignLeft);
    legend->detachFromChart();
    // The legend's own background has round corners; a plain box is drawn behind it instead.
    legend->setBackgroundVisible(false);
    FLegendBox = new QGraphicsRectItem(chart);
    FLegendBox->setBrush(LegendColor);
    FLegendBox->setPen(QPen(Qt::black, 1));
    FLegendBox->setZValue(legend->zValue() - 0.5);
    legend->setFont(font);
    legend->setLabelColor(Qt::black);
    legend->setMarkerShape(QLegend::MarkerShapeRectangle);

    connect(chart, &QChart::plotAreaChanged, this, [this] {
        PlaceWalls();
        UpdateDateLabels();
        UpdatePriceAxis();
    });
    connect(FAxisX, &QCategoryAxis::rangeChanged, this, [this] { UpdateDateLabels(); });
    FinishPoints();
}

void TPairChart::SetDecimals(int decimals) {
    FDecimals = std::clamp(decimals, 0, 8);
    UpdatePriceAxis();
}

void TPairChart::ClearPoints() {
    for (int i = 0; i < 3; ++i) {
        FSeries[i]->clear();
        FPoints[i].clear();
    }
    FLabels.clear();
}

void TPairChart::AddPoint(double current, double highest, double lowest, const QString& label) {
    const qreal x = PointCount();
    FPoints[0].append(QPointF(x, current));
    FPoints[1].append(QPointF(x, highest));
    FPoints[2].append(QPointF(x, lowest));
    FLabels.append(label);
}

void TPairChart::FinishPoints() {
    FHasPrices = false;
    for (int i = 0; i < 3; ++i) {
        // A price that is no number (from a damaged file) is left out of its line rather than spoil the axis.
        QList<QPointF> points;
        points.reserve(FPoints[i].size());
        for (const QPointF& point : FPoints[i]) {
            if (std::isfinite(point.y())) {
                points.append(point);
                FLow = FHasPrices ? std::min(FLow, point.y()) : point.y();
                FHigh = FHasPrices ? std::max(FHigh, point.y()) : point.y();
                FHasPrices = true;
            }
        }
        FSeries[i]->replace(points);
    }
    FLabelledPoints = {-1}; // the labels are new: rebuild the date axis whatever it shows
    ShowAllPoints();
    UpdateDateLabels();
    UpdatePriceAxis();
}

qreal TPairChart::FirstShown() const {
    return FAxisX->min();
}

qreal TPairChart::LastShown() const {
    return FAxisX->max();
}

void TPairChart::ShowPoints(qreal first, qreal last) {
    const qreal low = -0.5;
    const qreal high = std::max(PointCount() - 0.5, 0.5);
    if (last < first) {
        std::swap(first, last);
    }
    const qreal width = std::clamp(last - first, std::min(MinPointsShown, high - low), high - low);
    const qreal middle = (first + last) / 2;
    first = std::clamp(middle - width / 2, low, high - width);
    FAxisX->setRange(first, first + width);
}

void TPairChart::ShowAllPoints() {
    ShowPoints(-0.5, std::max(PointCount() - 0.5, 0.5));
}

bool TPairChart::IsZoomed() const {
    return FirstShown() > -0.5 + 1e-9 || LastShown() < std::max(PointCount() - 0.5, 0.5) - 1e-9;
}

void TPairChart::ScrollPoints(qreal points) {
    const qreal width = LastShown() - FirstShown();
    const qreal first = std::clamp(FirstShown() + points, -0.5, std::max(PointCount() - 0.5, 0.5) - width);
    FAxisX->setRange(first, first + width);
}

void TPairChart::UpdateDateLabels() {
    if (FUpdatingAxes) {
        return;
    }
    FUpdatingAxes = true;
    const qreal first = FirstShown();
    const qreal last = LastShown();
    qreal plotWidth = chart()->plotArea().width();
    if (plotWidth <= 0) {
        plotWidth = std::max(width() - 100, 1); // not laid out yet: a fair guess, corrected once it is
    }
    const QFontMetricsF metrics(FAxisX->labelsFont());
    qreal widest = 0;
    for (const QString& label : FLabels) {
        widest = std::max(widest, metrics.horizontalAdvance(label));
    }
    // Every stride-th point carries its date, counted back from the newest, so the dates stay put while the
    // user scrolls and never run into each other however many points are in view.
    const qreal pointWidth = plotWidth / std::max(last - first, 1e-9);
    const int stride = std::max(1, static_cast<int>(std::ceil((widest + DateGap) / pointWidth)));
    QList<int> labelled;
    for (qsizetype i = FLabels.size() - 1; i >= 0; i -= stride) {
        if (i >= first && i <= last) {
            labelled.prepend(static_cast<int>(i));
        }
    }
    if (labelled != FLabelledPoints) {
        FLabelledPoints = labelled;
        for (const QString& label : FAxisX->categoriesLabels()) {
            FAxisX->remove(label);
        }
        QHash<QString, int> repeats;
        for (int i : FLabelledPoints) {
            const int repeat = repeats[FLabels[i]]++;
            FAxisX->append(FLabels[i] + QString(repeat, Invisible), static_cast<qreal>(i));
        }
    }
    FUpdatingAxes = false;
}

void TPairChart::UpdatePriceAxis() {
    if (!FHasPrices) {
        FAxisY->setTickType(QValueAxis::TicksFixed);
        FAxisY->setTickCount(2);
        FAxisY->setRange(0, 1);
        return;
    }
    // The axis spans every price with a little room above and below, in round steps; a flat history still
    // gets a span of a few of the pair's smallest units (without decimals, of a ten-thousandth of its price).
    const qreal unit =
        FDecimals > 0 ? std::pow(10.0, -FDecimals) : std::max(std::max(std::abs(FLow), std::abs(FHigh)) * 1e-4, 1e-8);
    qreal low = FLow;
    qreal high = FHigh;
    const qreal room = std::max((high - low) * 0.04, unit);
    low -= room;
    high += room;
    qreal plotHeight = chart()->plotArea().height();
    if (plotHeight <= 0) {
        plotHeight = std::max(height() - 60, 1);
    }
    const int labels = std::clamp(static_cast<int>(plotHeight / PriceLabelSpacing), 2, 10);
    const qreal step = NiceStep((high - low) / labels);
    const qreal axisLow = std::floor(low / step + 1e-9) * step;
    qreal axisHigh = std::ceil(high / step - 1e-9) * step;
    if (axisHigh <= axisLow) {
        axisHigh = axisLow + step;
    }
    FAxisY->setTickType(QValueAxis::TicksDynamic);
    FAxisY->setTickAnchor(axisLow);
    FAxisY->setTickInterval(step);
    // The axis adds up its steps from the anchor; a hair of room above keeps rounding from losing the top one.
    FAxisY->setRange(axisLow, axisHigh + step * 1e-6);
    FAxisY->setLabelFormat(QStringLiteral("%.%1f").arg(std::max(FDecimals, StepDecimals(step))));
}

void TPairChart::PlaceLegend() {
    // The legend lays its lines out in the box it is given; measured in an ample box, it then gets a box that
    // fits them, at the right edge with its top at 13 % of the chart's height. The plot keeps clear of it.
    QLegend* legend = chart()->legend();
    legend->setGeometry(QRectF(0, 0, 1000, 1000));
    legend->layout()->activate();
    const QRectF content = legend->childrenBoundingRect();
    const QSizeF size(std::ceil(content.right() + content.left()), std::ceil(content.bottom() + content.top()));
    const QSizeF area = chart()->size();
    const QRectF box(QPointF(area.width() - ChartMargin - size.width(), std::floor(area.height() * LegendTopShare)),
                     size);
    legend->setGeometry(box);
    FLegendBox->setRect(box.adjusted(0.5, 0.5, -0.5, -0.5));
    chart()->setMargins(QMargins(ChartMargin, ChartMargin, 2 * ChartMargin + qCeil(size.width()), ChartMargin));
}

void TPairChart::PlaceWalls() {
    const QRectF plot = chart()->plotArea();
    if (plot.isEmpty()) {
        return;
    }
    const qreal depth = std::max(MinDepth, std::round(plot.width() * DepthShare));
    const QPointF outer = plot.bottomLeft();
    const QPointF inner = outer + QPointF(depth, -depth);
    FWalls[0]->setPolygon(QPolygonF({plot.topLeft(), plot.topLeft() + QPointF(depth, 0), inner, outer}));
    FWalls[1]->setPolygon(QPolygonF({outer, inner, QPointF(plot.right(), inner.y()), plot.bottomRight()}));
}

void TPairChart::resizeEvent(QResizeEvent* event) {
    QChartView::resizeEvent(event);
    // The view sizes the chart to its outer size, but inside the bevel there is a pixel less on every side.
    chart()->resize(viewport()->size());
    setSceneRect(chart()->geometry());
    PlaceLegend();
}

qreal TPairChart::PointAt(qreal x) const {
    const QRectF plot = chart()->plotArea();
    const qreal chartX = chart()->mapFromScene(mapToScene(QPoint(qRound(x), 0))).x();
    const qreal share = plot.width() > 0 ? (chartX - plot.left()) / plot.width() : 0;
    return FirstShown() + std::clamp(share, 0.0, 1.0) * (LastShown() - FirstShown());
}

void TPairChart::mousePressEvent(QMouseEvent* event) {
    FDragOrigin = event->position().toPoint();
    if (event->button() == Qt::LeftButton) {
        FDrag = TDrag::Zoom;
        if (FRubberBand == nullptr) {
            FRubberBand = new QRubberBand(QRubberBand::Rectangle, viewport());
        }
        FRubberBand->hide();
    } else if (event->button() == Qt::RightButton) {
        FDrag = TDrag::Scroll;
        FScrollOrigin = FirstShown();
        viewport()->setCursor(Qt::ClosedHandCursor);
    }
    event->accept();
}

void TPairChart::mouseMoveEvent(QMouseEvent* event) {
    const int x = event->position().toPoint().x();
    if (FDrag == TDrag::Zoom) {
        // The band covers the plot's full height: only the dates are zoomed.
        const QRectF plot = chart()->plotArea();
        const QPoint top = mapFromScene(chart()->mapToScene(plot.topLeft()));
        const QPoint bottom = mapFromScene(chart()->mapToScene(plot.bottomLeft()));
        FRubberBand->setGeometry(
            QRect(QPoint(std::min(x, FDragOrigin.x()), top.y()), QPoint(std::max(x, FDragOrigin.x()), bottom.y())));
        FRubberBand->setVisible(x - FDragOrigin.x() >= MinZoomDrag);
    } else if (FDrag == TDrag::Scroll) {
        const qreal plotWidth = chart()->plotArea().width();
        if (plotWidth > 0) {
            const qreal shown = LastShown() - FirstShown();
            ScrollPoints(FScrollOrigin - (x - FDragOrigin.x()) * shown / plotWidth - FirstShown());
        }
    }
    event->accept();
}

void TPairChart::mouseReleaseEvent(QMouseEvent* event) {
    const int x = event->position().toPoint().x();
    if (FDrag == TDrag::Zoom && event->button() == Qt::LeftButton) {
        FRubberBand->hide();
        if (x - FDragOrigin.x() >= MinZoomDrag) {
            ShowPoints(PointAt(FDragOrigin.x()), PointAt(x));
        } else if (FDragOrigin.x() - x >= MinZoomDrag) {
            ShowAllPoints(); // a drag to the left undoes the zoom
        }
        FDrag = TDrag::None;
    } else if (FDrag == TDrag::Scroll && event->button() == Qt::RightButton) {
        viewport()->unsetCursor();
        FDrag = TDrag::None;
    }
    event->accept();
}

void TPairChart::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        ShowAllPoints();
    }
    event->accept();
}

void TPairChart::contextMenuEvent(QContextMenuEvent* event) {
    event->accept(); // the right button scrolls here; the window's popup menus stay away
}

void TPairChart::wheelEvent(QWheelEvent* event) {
    // Both wheels scroll the dates: turning towards the user or to the right moves towards the newest.
    const QPoint delta = event->angleDelta();
    const int steps = delta.x() != 0 ? delta.x() : -delta.y();
    const qreal shown = LastShown() - FirstShown();
    ScrollPoints(steps / 120.0 * std::max(shown / WheelStepsPerView, 1.0));
    event->accept();
}

void TPairChart::SettleLayout() {
    // A hidden view keeps the resize events it was owed until it shows; deliver them to the view and then to
    // its viewport, which passes its size on to the chart.
    for (QWidget* widget : {static_cast<QWidget*>(this), viewport()}) {
        if (widget->testAttribute(Qt::WA_PendingResizeEvent)) {
            widget->setAttribute(Qt::WA_PendingResizeEvent, false);
            QResizeEvent resize(widget->size(), QSize());
            QCoreApplication::sendEvent(widget, &resize);
        }
    }
    // The chart lays out its axes, legend and lines on posted requests; a new axis labelling posts more.
    for (int round = 0; round < 3; ++round) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    }
}

QImage TPairChart::Picture() {
    SettleLayout();
    // Drawn from the scene rather than through the widget: rendering a hidden widget would lay it out as if it
    // were shown and so change the width a hidden chart keeps.
    QImage image(size(), QImage::Format_RGB32);
    image.fill(Silver);
    QPainter painter(&image);
    painter.setRenderHints(renderHints());
    scene()->render(&painter, QRectF(contentsRect()), chart()->geometry(), Qt::IgnoreAspectRatio);
    painter.setRenderHint(QPainter::Antialiasing, false); // the bevel's lines lie on whole pixels
    qDrawShadePanel(&painter, rect(), palette(), /*sunken=*/true, lineWidth());
    painter.end();
    return image.convertToFormat(QImage::Format_RGB888);
}

void TPairChart::SavePicture(const QString& path) {
    const QImage picture = Picture();
    QSaveFile file(path);
    OpenReplacement(file);
    if (!picture.save(&file, "BMP")) {
        throw TFailure(QStringLiteral("Stream write error"));
    }
    CommitReplacement(file);
}
