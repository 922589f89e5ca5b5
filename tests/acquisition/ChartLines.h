#pragma once
// The lines a chart draws for a channel, in time order: one per stretch between missing values.
#include <QList>
#include <QtCharts/QChart>
#include <algorithm>

#include "ChartView.h"
#include "nLineSeries.h"

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
