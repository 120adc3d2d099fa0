#pragma once

// The browse window's chart of a pair's history: three price lines ("Current", "Highest (24hrs)",
// "Lowest (24hrs)"), one point per row from the oldest at the left to the newest at the right, each labelled
// with its row's date. The user zooms in by dragging over the dates (a drag back to the left or a double click
// shows them all again) and scrolls sideways with the wheel or by dragging with the right button; the price
// axis keeps every point's range.

#include <QChartView>
#include <QImage>
#include <QList>
#include <QPointF>
#include <QStringList>

class QCategoryAxis;
class QGraphicsPolygonItem;
class QGraphicsRectItem;
class QLineSeries;
class QRubberBand;
class QValueAxis;

class TPairChart : public QChartView {
    Q_OBJECT
public:
    explicit TPairChart(QWidget* parent = nullptr);

    QLineSeries* Series(int index) const { return FSeries[index]; } // 0 Current, 1 Highest, 2 Lowest
    // The label of every point, in point order; rows of one day share theirs.
    const QStringList& PointLabels() const { return FLabels; }
    QCategoryAxis* DateAxis() const { return FAxisX; }
    QValueAxis* PriceAxis() const { return FAxisY; }
    // The points whose dates the bottom axis shows now, oldest first: with many points in view only every few
    // carries its date, counted back from the newest point, so that the dates never run into each other and
    // stay put while the view scrolls.
    const QList<int>& LabelledPoints() const { return FLabelledPoints; }

    // Decimals of the price axis' labels: the pair's decimals, or more when the axis steps need them.
    void SetDecimals(int decimals);

    // The series are refilled in one pass: ClearPoints, AddPoint per row, FinishPoints. FinishPoints hands the
    // points to the series, shows all of them (any zoom ends) and fits the price axis.
    void ClearPoints();
    void AddPoint(double current, double highest, double lowest, const QString& label);
    void FinishPoints();

    // The part of the points in view, in point positions (point i sits at i; the full view is -0.5 to
    // count - 0.5). ShowPoints keeps at least two points' width in view and stays within the full view.
    qreal FirstShown() const;
    qreal LastShown() const;
    void ShowPoints(qreal first, qreal last);
    void ShowAllPoints();
    bool IsZoomed() const;
    // Moves the view by the given number of points (positive: towards the newest), stopping at the ends.
    void ScrollPoints(qreal points);

    // The whole chart as it is drawn now at its current size, also while it is hidden.
    QImage Picture();
    // Writes Picture() as a 24-bit BMP file, replacing the file at path only once all is written.
    // Throws TFailure.
    void SavePicture(const QString& path);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    qreal PointCount() const { return static_cast<qreal>(FLabels.size()); }
    qreal PointAt(qreal x) const; // point position under a view x coordinate
    void SettleLayout();
    void PlaceLegend();
    void PlaceWalls();
    void UpdateDateLabels();
    void UpdatePriceAxis();

    QLineSeries* FSeries[3] = {};
    QCategoryAxis* FAxisX = nullptr;
    QValueAxis* FAxisY = nullptr;
    QGraphicsPolygonItem* FWalls[2] = {}; // left and bottom
    QGraphicsRectItem* FLegendBox = nullptr;
    QStringList FLabels;
    QList<QPointF> FPoints[3];
    QList<int> FLabelledPoints;
    qreal FLow = 0;
    qreal FHigh = 0;
    bool FHasPrices = false;
    int FDecimals = 4;
    bool FUpdatingAxes = false;

    enum class TDrag { None, Zoom, Scroll };
    TDrag FDrag = TDrag::None;
    QPoint FDragOrigin;
    qreal FScrollOrigin = 0;
    QRubberBand* FRubberBand = nullptr;
};
