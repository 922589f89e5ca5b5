#pragma once
// The lines a curve chart draws for one channel: one per stretch between missing values.
#include <QList>
#include <QtCharts/QChart>
#include <algorithm>

#include "ChartView.h"
#include "nLineSeries.h"

// The lines with points drawn for the channel, in time order.
inline QList<nLineSeries *> linesOf(ChartView &view, int channel)
{
    QList<nLineSeries *> lines;
    for (QtCharts::QAbstractSeries *s : view.chart()->series()) {
        auto *line = qobject_cast<nLineSeries *>(s);
        if (line && line->channel() == channel && line->count() > 0)
            lines.append(line);
    }
    std::sort(lines.begin(), lines.end(),
              [](nLineSeries *a, nLineSeries *b) { return a->at(0).x() < b->at(0).x(); });
    return lines;
}
