#pragma once
// The figures of one set of values that the live statistics tab and the reports show: the
// highest and lowest value with their positions, the average and the population standard
// deviation. Ties go to the earlier position; an empty set gives zeros and positions -1.

#include <cmath>
#include <limits>

struct ValueSummary
{
    int count = 0;
    double max = 0.0;
    int maxIndex = -1;
    double min = 0.0;
    int minIndex = -1;
    double sum = 0.0;
    double average = 0.0;
    double deviation = 0.0;   // square root of the mean squared difference from the average
};

// `valueAt(i)` gives value i of `count` values.
template <typename ValueAt>
ValueSummary summarizeValues(int count, ValueAt valueAt)
{
    ValueSummary s;
    if (count <= 0)
        return s;
    s.count = count;
    s.max = -std::numeric_limits<double>::infinity();
    s.min = std::numeric_limits<double>::infinity();
    for (int i = 0; i < count; ++i) {
        const double v = valueAt(i);
        s.sum += v;
        if (v > s.max) {
            s.max = v;
            s.maxIndex = i;
        }
        if (v < s.min) {
            s.min = v;
            s.minIndex = i;
        }
    }
    s.average = s.sum / count;
    // Deviations from the average, summed in a second pass, keep large offsets exact.
    double squares = 0.0;
    for (int i = 0; i < count; ++i) {
        const double d = valueAt(i) - s.average;
        squares += d * d;
    }
    s.deviation = std::sqrt(squares / count);
    return s;
}
