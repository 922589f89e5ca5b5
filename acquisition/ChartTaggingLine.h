#pragma once
#include <QColor>
#include <QDateTime>
#include <QLabel>
#include <QObject>
#include <QPointer>
#include <QRectF>
#include <QVector>

class QGraphicsLineItem;
class QLabel;
namespace QtCharts {
class QAbstractAxis;
class QChart;
class QChartView;
}

// A vertical marker on a chart at one time, with its remark written top to bottom beside it.
// Shown only while its time lies within the chart's time axis.
class ChartTaggingLine : public QObject
{
    Q_OBJECT
public:
    explicit ChartTaggingLine(QtCharts::QChartView *view);
    ~ChartTaggingLine() override;

    // Keeps the remark and the time; false without a chart view or with an empty remark
    // (the marker then stays hidden).
    bool setData(const QString &remark, const QDateTime &time);

    QString remarkText() const { return remark; }
    QDateTime markerTime() const { return time; }
    bool isShown() const;
    QColor lineColor() const;

public slots:
    void RangeChangedY(double min, double max);
    void plotAreaChanged(const QRectF &plotArea);
    void updatePosition();

private:
    static const QVector<QColor> &palette();

    QString remark;
    QDateTime time;
    QPointer<QLabel> label;            // child of the chart view
    QGraphicsLineItem *line = nullptr; // child of the chart item
    QPointer<QtCharts::QAbstractAxis> axisY;
    QPointer<QtCharts::QChartView> view;
    QPointer<QtCharts::QAbstractAxis> axisX;
    QPointer<QtCharts::QChart> chartItem;
    bool hadChart = false;
    bool connected = false;
};
