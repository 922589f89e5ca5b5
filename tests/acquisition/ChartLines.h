#pragma once
// The lines a chart draws for a channel, in time order: one per stretch between missing values
// (a line of one point is a dot).
#include <QVector>
#include <algorithm>

#include "ChartView.h"

inline QVector<QVector<QPointF>> linesOf(const ChartView &view, int channel)
{
    QVector<QVector<QPointF>> lines = view.drawnLines(channel);
    std::stable_sort(lines.begin(), lines.end(), [](const QVector<QPointF> &a,
                                                    const QVector<QPointF> &b) {
        return a.first().x() < b.first().x();
    });
    return lines;
}
