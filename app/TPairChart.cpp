#include "TPairChart.h"

#include "TFailure.h"

#include <QCategoryAxis>
#include <QChart>
#include <QImage>
#include <QLineSeries>
#include <QSaveFile>
#include <QValueAxis>

TPairChart::TPairChart(QWidget* parent) : QChartView(parent) {
    auto* chart = new QChart();
    chart->setBackgroundBrush(QColor(192, 192, 192));
    setBackgroundBrush(QColor(192, 192, 192));
    const struct {
        const char* Title;
        QColor Color;
    } series[] = {{"Current", QColor(255, 255, 0)},
                  {"Highest (24hrs)", QColor(255, 0, 0)},
                  {"Lowest (24hrs)", QColor(0, 128, 0)}};
    FAxisX = new QCategoryAxis();
    FAxisX->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    FAxisY = new QValueAxis();
    chart->addAxis(FAxisX, Qt::AlignBottom);
    chart->addAxis(FAxisY, Qt::AlignLeft);
    for (int i = 0; i < 3; ++i) {
        FSeries[i] = new QLineSeries();
        FSeries[i]->setName(QString::fromLatin1(series[i].Title));
        QPen pen(series[i].Color);
        pen.setWidth(3);
        FSeries[i]->setPen(pen);
        FSeries[i]->setPointsVisible(false);
        chart->addSeries(FSeries[i]);
        FSeries[i]->attachAxis(FAxisX);
        FSeries[i]->attachAxis(FAxisY);
    }
    setChart(chart);
    setRenderHint(QPainter::Antialiasing);
    setRubberBand(QChartView::HorizontalRubberBand);
}

void TPairChart::ClearPoints() {
    for (QLineSeries* series : FSeries) {
        series->clear();
    }
    FLabels.clear();
}

void TPairChart::AddPoint(double current, double highest, double lowest, const QString& label) {
    const qreal x = FLabels.size();
    FSeries[0]->append(x, current);
    FSeries[1]->append(x, highest);
    FSeries[2]->append(x, lowest);
    FLabels.append(label);
}

void TPairChart::FinishPoints() {
    for (const QString& label : FAxisX->categoriesLabels()) {
        FAxisX->remove(label);
    }
    // The axis needs distinct labels; rows of one day share a date, so repeats get invisible marks.
    for (qsizetype i = 0; i < FLabels.size(); ++i) {
        FAxisX->append(FLabels[i] + QString(i, QChar(0x200B)), static_cast<qreal>(i));
    }
    FAxisX->setRange(-0.5, std::max<qreal>(FLabels.size() - 0.5, 0.5));
    qreal low = 0;
    qreal high = 1;
    bool first = true;
    for (QLineSeries* series : FSeries) {
        for (const QPointF& point : series->points()) {
            low = first ? point.y() : std::min(low, point.y());
            high = first ? point.y() : std::max(high, point.y());
            first = false;
        }
    }
    if (high <= low) {
        high = low + 1;
    }
    const qreal margin = (high - low) * 0.05;
    FAxisY->setRange(low - margin, high + margin);
}

void TPairChart::SavePicture(const QString& path) {
    const QImage picture = grab().toImage().convertToFormat(QImage::Format_RGB888);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        throw TFailure(QStringLiteral("Cannot create file \"%1\". %2").arg(path, file.errorString()));
    }
    if (!picture.save(&file, "BMP") || !file.commit()) {
        throw TFailure(QStringLiteral("Stream write error"));
    }
}
