#pragma once
// The figures of one set of values that the live statistics tab and the reports show: the
// highest and lowest value with their positions, the average and the population standard
// deviation. A value that is not a finite number is a missing value: it is left out, and the
// figures count only the values present. Ties go to the earlier position; a set with no value
// present gives count 0, figures that are NaN (shown empty) and positions -1.

#include <cmath>
#include <limits>

struct ValueSummary
{
    int count = 0;   // values present
    double max = std::numeric_limits<double>::quiet_NaN();
    int maxIndex = -1;
    double min = std::numeric_limits<double>::quiet_NaN();
    int minIndex = -1;
    double sum = std::numeric_limits<double>::quiet_NaN();
    double average = std::numeric_limits<double>::quiet_NaN();
    double deviation = std::numeric_limits<double>::quiet_NaN();   // root mean squared difference from the average
};

// `valueAt(i)` gives value i of `count` values (NaN or ±inf for a missing one). Sums are taken in
// long double over differences from the first value present, so finite values give finite
// figures even near the ends of the double range (the sum itself may still be ±inf there).
template <typename ValueAt>
ValueSummary summarizeValues(int count, ValueAt valueAt)
{
    ValueSummary s;
    double first = 0.0;
    long double offsets = 0.0L;
    for (int i = 0; i < count; ++i) {
        const double v = valueAt(i);
        if (!std::isfinite(v))
            continue;
        if (s.count == 0) {
            first = v;
            s.max = s.min = v;
            s.maxIndex = s.minIndex = i;
        } else {
            if (v > s.max) {
                s.max = v;
                s.maxIndex = i;
            }
            if (v < s.min) {
                s.min = v;
                s.minIndex = i;
            }
        }
        ++s.count;
        offsets += static_cast<long double>(v) - first;
    }
    if (s.count == 0)
        return s;
    const long double mean = first + offsets / s.count;
    s.average = static_cast<double>(mean);
    s.sum = static_cast<double>(static_cast<long double>(first) * s.count + offsets);
    // Deviations from the average, summed in a second pass in long double, keep large offsets
    // exact and finite.
    long double squares = 0.0L;
    for (int i = 0; i < count; ++i) {
        const double v = valueAt(i);
        if (!std::isfinite(v))
            continue;
        const long double d = static_cast<long double>(v) - mean;
        squares += d * d;
    }
    s.deviation = static_cast<double>(std::sqrt(squares / s.count));
    return s;
}
