#pragma once

// The browse window's chart of a pair's history: three price lines ("Current", "Highest (24hrs)",
// "Lowest (24hrs)"), one point per row from the oldest at the left to the newest at the right, each labelled
// with its row's date.

#include <QChartView>
#include <QStringList>

class QCategoryAxis;
class QLineSeries;
class QValueAxis;

class TPairChart : public QChartView {
    Q_OBJECT
public:
    explicit TPairChart(QWidget* parent = nullptr);

    QLineSeries* Series(int index) const { return FSeries[index]; } // 0 Current, 1 Highest, 2 Lowest
    // The label of every point, in point order.
    const QStringList& PointLabels() const { return FLabels; }

    void ClearPoints();
    void AddPoint(double current, double highest, double lowest, const QString& label);
    // Fits the axes to the points added since ClearPoints.
    void FinishPoints();

    // Draws the whole chart at its current size into a BMP file, replacing the file once written.
    // Throws TFailure.
    void SavePicture(const QString& path);

private:
    QLineSeries* FSeries[3] = {};
    QCategoryAxis* FAxisX = nullptr;
    QValueAxis* FAxisY = nullptr;
    QStringList FLabels;
};
