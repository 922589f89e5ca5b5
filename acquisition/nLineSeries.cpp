#include "nLineSeries.h"

nLineSeries::nLineSeries(QObject *parent)
    : QtCharts::QLineSeries(parent)
{
}

void nLineSeries::setIndex(int channel)
{
    index = channel;
    if (!hoverConnected) {
        connect(this, &QtCharts::QXYSeries::hovered, this, &nLineSeries::tooltip);
        hoverConnected = true;
    }
}

void nLineSeries::tooltip(const QPointF &point, bool state)
{
    emit hovered(index, point, state);
}
