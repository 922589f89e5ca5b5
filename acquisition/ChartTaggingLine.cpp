#include "ChartTaggingLine.h"

#include <QGraphicsLineItem>
#include <QLabel>
#include <QPen>
#include <QtCharts/QChart>
#include <QtCharts/QChartView>
#include <QtCharts/QDateTimeAxis>
#include <QtCharts/QValueAxis>
#include <cstdlib>

using namespace QtCharts;

const QVector<QColor> &ChartTaggingLine::palette()
{
    static const QVector<QColor> colors{
        QColor(255, 0, 0),   QColor(0, 0, 0),     QColor(0, 0, 128),   QColor(0, 191, 255),
        QColor(0, 100, 0),   QColor(0, 255, 0),   QColor(255, 255, 0), QColor(148, 0, 211),
        QColor(255, 130, 71), QColor(46, 139, 87)};
    return colors;
}

ChartTaggingLine::ChartTaggingLine(QChartView *chartView)
    : time(QDateTime::currentDateTime()),
      view(chartView)
{
    QChart *chart = chartView ? chartView->chart() : nullptr;
    if (chart) {
        axisY = chart->axes(Qt::Vertical).value(0);
        axisX = chart->axes(Qt::Horizontal).value(0);
        chartItem = chart;
        hadChart = true;
    }
    label = new QLabel(chartView);
    label->setStyleSheet(QStringLiteral(
        "QLabel{color:#1564FF; font-size:11px;background:transparent;  "
        "background-color:rgba(0, 0, 0, 0);}"));
    label->setMargin(0);
    label->setAlignment(Qt::AlignCenter);
    label->hide();

    line = new QGraphicsLineItem(chart);
    QPen pen(palette().at(std::rand() % palette().size()));
    pen.setWidth(2);
    line->setPen(pen);
    line->setLine(QLineF());
    line->hide();
}

ChartTaggingLine::~ChartTaggingLine()
{
    delete label.data();
    // The line belongs to the chart item; it went with the chart if that is gone.
    if (chartItem || !hadChart)
        delete line;
}

bool ChartTaggingLine::setData(const QString &text, const QDateTime &at)
{
    if (!view)
        return false;
    remark = text;
    time = at;
    if (remark.isEmpty())
        return false;
    QStringList characters;
    for (const QChar c : remark)
        characters << QString(c);
    label->setText(characters.join(QLatin1Char('\n')));
    if (!connected && chartItem) {
        if (auto *valueY = qobject_cast<QValueAxis *>(axisY.data()))
            connect(valueY, &QValueAxis::rangeChanged, this, &ChartTaggingLine::RangeChangedY);
        // Panning sideways moves only the time axis; the marker follows it too.
        if (auto *dateX = qobject_cast<QDateTimeAxis *>(axisX.data()))
            connect(dateX, &QDateTimeAxis::rangeChanged, this, [this]() { updatePosition(); });
        connect(chartItem.data(), &QChart::plotAreaChanged, this,
                &ChartTaggingLine::plotAreaChanged);
        connected = true;
    }
    updatePosition();
    return true;
}

void ChartTaggingLine::RangeChangedY(double, double)
{
    updatePosition();
}

void ChartTaggingLine::plotAreaChanged(const QRectF &)
{
    updatePosition();
}

void ChartTaggingLine::updatePosition()
{
    auto hideBoth = [this]() {
        if (label)
            label->hide();
        if (chartItem)
            line->hide();
    };
    auto *dateX = qobject_cast<QDateTimeAxis *>(axisX.data());
    if (!view || !chartItem || !dateX || remark.isEmpty()) {
        hideBoth();
        return;
    }
    const QDateTime xMin = dateX->min();
    const QDateTime xMax = dateX->max();
    if (!(xMin.toSecsSinceEpoch() <= time.toSecsSinceEpoch() && time <= xMax)) {
        hideBoth();
        return;
    }
    const QRectF plot = chartItem->plotArea();
    const double span = double(xMax.toMSecsSinceEpoch() - xMin.toMSecsSinceEpoch());
    const double fraction =
        span > 0 ? double(time.toMSecsSinceEpoch() - xMin.toMSecsSinceEpoch()) / span : 0.0;
    const double x = plot.left() + fraction * plot.width();
    // (time, Y minimum) lies on the bottom edge of the plot area, (time, Y maximum) on the top.
    const QPointF bottom(x, plot.bottom());
    const QPointF top(x, plot.top());

    const QPoint inViewport = view->mapFromScene(chartItem->mapToScene(top));
    const QPoint inView = view->viewport()->mapTo(view.data(), inViewport);
    label->setGeometry(inView.x() - 20, inView.y(), 15, 14 * remark.size());
    label->show();
    line->setLine(QLineF(bottom, top));
    line->show();
}

bool ChartTaggingLine::isShown() const
{
    return chartItem && label && line->isVisible() && !label->isHidden();
}

QColor ChartTaggingLine::lineColor() const
{
    return line->pen().color();
}
