#include "CoefficientFit.h"

#include <QLocale>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>

namespace CoefficientFit {

namespace {

// ITS-90 reference function from 13.8033 K to 273.16 K:
// ln Wr = A0 + sum A_i ((ln(T / 273.16 K) + 1.5) / 1.5)^i.
const double kBelowZero[13] = {-2.13534729, 3.18324720,  -1.80143597, 0.71727204, 0.50344027,
                               -0.61899395, -0.05332322, 0.28021362,  0.10715224, -0.29302865,
                               0.04459872,  0.11868632,  -0.05248134};
// ITS-90 reference function from 0 °C to 961.78 °C: Wr = C0 + sum C_i ((T / K - 754.15) / 481)^i.
const double kAboveZero[10] = {2.78157254,  1.64650916,  -0.13714390, -0.00649767, -0.00234444,
                               0.00511868,  0.00187982,  -0.00204472, -0.00046122, 0.00045724};

const double kZeroBand = 0.015;

double referenceBelowZero(double kelvin)
{
    const double x = (std::log(kelvin / 273.16) + 1.5) / 1.5;
    double sum = kBelowZero[0];
    for (int i = 1; i <= 12; ++i)
        sum += kBelowZero[i] * std::pow(x, i);
    return std::exp(sum);
}

double referenceAboveZero(double celsius)
{
    const double x = (celsius - 481.0) / 481.0;
    double sum = kAboveZero[0];
    for (int i = 1; i <= 9; ++i)
        sum += kAboveZero[i] * std::pow(x, i);
    return sum;
}

bool allFinite(const QList<double> &values)
{
    return std::all_of(values.begin(), values.end(), [](double v) { return std::isfinite(v); });
}

// Two reference temperatures closer than this are one temperature (K).
const double kSameTemperature = 1e-6;
// Two readings closer than this part of the reading are one reading.
const double kSameReading = 1e-9;

bool sameTemperature(double a, double b)
{
    return std::fabs(a - b) < kSameTemperature;
}

// `inCelsius`: the readings are temperatures (a thermocouple's), to which the temperature
// rule applies as well.
bool sameReading(double a, double b, bool inCelsius)
{
    const double gap = std::fabs(a - b);
    return gap < kSameReading * std::max(std::fabs(a), std::fabs(b))
           || (inCelsius && gap < kSameTemperature);
}

// An exact fit needs points that differ pairwise in both their temperature and their reading.
bool pointsDistinct(const QList<double> &temperatures, const QList<double> &readings,
                    bool inCelsius)
{
    for (int i = 0; i < temperatures.size(); ++i) {
        for (int j = i + 1; j < temperatures.size(); ++j) {
            if (sameTemperature(temperatures[i], temperatures[j])
                || sameReading(readings[i], readings[j], inCelsius))
                return false;
        }
    }
    return true;
}

// The number of temperatures at least kSameTemperature apart (a least-squares fit takes
// repeated temperatures, but needs as many distinct ones as it has coefficients).
int distinctTemperatures(QList<double> values)
{
    std::sort(values.begin(), values.end());
    int count = 0;
    double last = 0.0;
    for (double value : qAsConst(values)) {
        if (count == 0 || value - last >= kSameTemperature) {
            ++count;
            last = value;
        }
    }
    return count;
}

// Readings of a resistance thermometer: positive finite resistances only.
bool resistances(const QList<double> &readings)
{
    return std::all_of(readings.begin(), readings.end(),
                       [](double r) { return std::isfinite(r) && r > 0.0; });
}

// Sorts the points by ascending temperature, readings moved along.
void sortByTemperature(QList<double> &temperatures, QList<double> &readings)
{
    for (int i = 0; i < temperatures.size(); ++i) {
        for (int j = 0; j + 1 < temperatures.size() - i; ++j) {
            if (temperatures[j] > temperatures[j + 1]) {
                std::swap(temperatures[j], temperatures[j + 1]);
                std::swap(readings[j], readings[j + 1]);
            }
        }
    }
}

// The place of the zero point among 3 or 5 points sorted by temperature: the middle one of
// five; of three, the lowest when it lies in the zero band, else the highest.
int zeroPointIndex(const QList<double> &sorted)
{
    return sorted.size() == 5 || std::fabs(sorted[0]) > kZeroBand ? 2 : 0;
}

// --- the points given back by an exact fit ---

bool temperatureGivenBack(double value, double expected)
{
    return std::fabs(value - expected) <= std::max(1e-3, 1e-5 * std::fabs(expected));
}

bool resistanceGivenBack(double value, double expected)
{
    return std::fabs(value - expected) <= 1e-5 * std::fabs(expected);
}

// A coefficient text as the instrument takes it: the double, or the single it rounds to where
// the instrument keeps singles (none, past a single's range).
double written(const QString &text, bool singles)
{
    const double value = text.toDouble();
    if (!singles)
        return value;
    if (!(std::fabs(value) <= double(std::numeric_limits<float>::max())))
        return std::nan("");
    return double(static_cast<float>(value));
}

// The thermistor's written c1..c4 give back the resistance of every pair.
bool thermistorGivesBack(const ChannelRecord &record, const Point &pairs, bool singles)
{
    const double c1 = written(record.a_c0, singles), c2 = written(record.b_c1, singles),
                 c3 = written(record.c_c2, singles), c4 = written(record.d_c3, singles);
    return std::all_of(pairs.begin(), pairs.end(), [&](const Pair &pair) {
        const double x = 1.0 / (pair.first + 273.15);
        return resistanceGivenBack(std::exp(c1 + c2 * x + c3 * x * x + c4 * x * x * x),
                                   pair.second);
    });
}

// The written R0, A, B give back the resistance of every point.
bool callendarVanDusenGivesBack(const ChannelRecord &record, const QList<double> &temperatures,
                                const QList<double> &readings, bool singles)
{
    const double r0 = written(record.r0_c4, singles), a = written(record.a_c0, singles),
                 b = written(record.b_c1, singles);
    for (int i = 0; i < temperatures.size(); ++i) {
        const double t = temperatures[i];
        if (!resistanceGivenBack(r0 * (1.0 + a * t + b * t * t), readings[i]))
            return false;
    }
    return true;
}

// The written R0 is the zero point's reading; every other reading, as the instrument takes it
// (W = R / R0 less its deviation), gives the reference ratio Wr of its temperature.
bool its90GivesBack(const ChannelRecord &record, QList<double> temperatures,
                    QList<double> readings, bool singles)
{
    sortByTemperature(temperatures, readings);
    const int zero = zeroPointIndex(temperatures);
    const double r0 = written(record.r0_c4, singles), a = written(record.a_c0, singles),
                 b = written(record.b_c1, singles), a4 = written(record.a4_c5, singles),
                 b4 = written(record.b4_c6, singles);
    for (int i = 0; i < temperatures.size(); ++i) {
        if (i == zero) {
            if (!resistanceGivenBack(r0, readings[i]))
                return false;
            continue;
        }
        const double w = readings[i] / r0, u = w - 1.0;
        const bool above = i > zero;
        const double wr = above ? w - a * u - b * u * u : w - a4 * u - b4 * u * std::log(w);
        const double reference = above ? referenceAboveZero(temperatures[i])
                                       : referenceBelowZero(temperatures[i] + 273.15);
        if (!resistanceGivenBack(wr, reference))
            return false;
    }
    return true;
}

// Runs `fit` for each channel with its pairs of every point, slot by slot, telling it whether
// the slot's instrument keeps singles. False when the points are missing or any point's pair
// count differs from the channel count.
bool forEachChannel(const QList<Point> &points, QList<QList<ChannelRecord>> &channels,
                    const QList<bool> &singleSlots,
                    const std::function<bool(const Point &, ChannelRecord &, bool)> &fit)
{
    int channelCount = 0;
    for (const QList<ChannelRecord> &slot : channels)
        channelCount += slot.size();
    if (points.isEmpty())
        return false;
    for (const Point &point : points) {
        if (point.size() != channelCount)
            return false;
    }
    int k = 0;
    for (int s = 0; s < channels.size(); ++s) {
        const bool singles = singleSlots.value(s, false);
        for (ChannelRecord &record : channels[s]) {
            Point pairs;
            for (const Point &point : points)
                pairs.append(point.at(k));
            ++k;
            for (const Pair &pair : pairs) {
                if (!std::isfinite(pair.first) || !std::isfinite(pair.second))
                    return false;
            }
            if (!fit(pairs, record, singles))
                return false;
        }
    }
    return true;
}

} // namespace

QString coefficientText(double value)
{
    return QString::number(value, 'g', QLocale::FloatingPointShortest);
}

QString gainText(float value)
{
    for (int precision = 6; precision < 9; ++precision) {
        const QString text = QString::number(double(value), 'g', precision);
        if (text.toFloat() == value)
            return text;
    }
    return QString::number(double(value), 'g', 9);
}

bool fitThermocouple(QList<Point> points, QList<QList<ChannelRecord>> &channels)
{
    if (points.size() != 2)
        return false;
    return forEachChannel(points, channels, {}, [](const Point &pairs, ChannelRecord &record, bool) {
        const double t0 = pairs[0].first, r0 = pairs[0].second;
        const double t1 = pairs[1].first, r1 = pairs[1].second;
        if (!pointsDistinct({t0, t1}, {r0, r1}, true))
            return false;
        const double m = (t0 - t1) / (r0 - r1);
        const double b = t0 - m * r0;
        // Both are stored as singles: a value past their range is no result either.
        const double largest = double(std::numeric_limits<float>::max());
        if (!std::isfinite(m) || !std::isfinite(b) || std::fabs(m) > largest
            || std::fabs(b) > largest)
            return false;
        record.mxbM = float(m);
        record.mxbB = float(b);
        return std::all_of(pairs.begin(), pairs.end(), [&record](const Pair &pair) {
            return temperatureGivenBack(double(record.mxbM) * pair.second + double(record.mxbB),
                                        pair.first);
        });
    });
}

bool fitThermistor(QList<Point> points, QList<QList<ChannelRecord>> &channels,
                   const QList<bool> &singleSlots)
{
    if (points.size() < 4)
        return false;
    return forEachChannel(points, channels, singleSlots, [](const Point &pairs,
                                                            ChannelRecord &record, bool singles) {
        QList<double> temperatures, readings, xs, ys;
        for (const Pair &pair : pairs) {
            temperatures.append(pair.first);
            readings.append(pair.second);
        }
        if (*std::min_element(temperatures.begin(), temperatures.end()) <= -273.15
            || !resistances(readings) || distinctTemperatures(temperatures) < 4)
            return false;
        for (const Pair &pair : pairs) {
            xs.append(1.0 / (pair.first + 273.15));
            ys.append(std::log(pair.second));
        }
        const QList<double> c = fitPolynomial(xs, ys, 4);
        if (!allFinite(c))
            return false;
        record.a_c0 = coefficientText(c[0]);
        record.b_c1 = coefficientText(c[1]);
        record.c_c2 = coefficientText(c[2]);
        record.d_c3 = coefficientText(c[3]);
        record.r0_c4 = record.a4_c5 = record.b4_c6 = QStringLiteral("0");
        return pairs.size() != 4 || thermistorGivesBack(record, pairs, singles);
    });
}

bool fitRtd(QList<Point> points, QList<QList<ChannelRecord>> &channels,
            const QList<bool> &singleSlots)
{
    return forEachChannel(points, channels, singleSlots, [](const Point &pairs,
                                                            ChannelRecord &record, bool singles) {
        QList<double> temperatures, readings, out;
        for (const Pair &pair : pairs) {
            temperatures.append(pair.first);
            readings.append(pair.second);
        }
        const bool its90 = record.function == QStringLiteral("ITS90");
        const bool fitted = its90
            ? fitIts90(temperatures, readings, out)
            : fitCallendarVanDusen(temperatures, readings, out);
        if (!fitted || out.size() != 5)
            return false;
        record.a_c0 = coefficientText(out[0]);
        record.b_c1 = coefficientText(out[1]);
        record.c_c2 = record.d_c3 = QStringLiteral("0");
        record.r0_c4 = coefficientText(out[2]);
        record.a4_c5 = coefficientText(out[3]);
        record.b4_c6 = coefficientText(out[4]);
        if (its90)
            return its90GivesBack(record, temperatures, readings, singles);
        return temperatures.size() != 3
            || callendarVanDusenGivesBack(record, temperatures, readings, singles);
    });
}

bool fitChannels(const QString &channelMode, const QList<Point> &points,
                 QList<QList<ChannelRecord>> &channels, const QList<bool> &singleSlots)
{
    if (channelMode == QStringLiteral("热电偶"))
        return fitThermocouple(points, channels);
    if (channelMode == QStringLiteral("铂电阻"))
        return fitRtd(points, channels, singleSlots);
    if (channelMode == QStringLiteral("热敏电阻"))
        return fitThermistor(points, channels, singleSlots);
    return false;
}

bool fitCallendarVanDusen(QList<double> temperatures, QList<double> readings, QList<double> &out)
{
    out.clear();
    if (temperatures.size() < 3 || readings.size() != temperatures.size()
        || !allFinite(temperatures) || !resistances(readings)
        || distinctTemperatures(temperatures) < 3)
        return false;
    const QList<double> c = fitPolynomial(temperatures, readings, 3);
    const QList<double> result{c[1] / c[0], c[2] / c[0], c[0], 0.0, 0.0};
    if (!allFinite(result) || !(result[2] > 0.0))
        return false;
    out = result;
    return true;
}

bool fitIts90(QList<double> temperatures, QList<double> readings, QList<double> &out)
{
    out.clear();
    const int n = temperatures.size();
    if ((n != 5 && n != 3) || readings.size() != n || !allFinite(temperatures)
        || !resistances(readings) || !pointsDistinct(temperatures, readings, false))
        return false;
    sortByTemperature(temperatures, readings);
    // The zero point: the middle one of five; of three, the lowest or the highest.
    if (std::fabs(temperatures[zeroPointIndex(temperatures)]) > kZeroBand)
        return false;
    QList<double> result;
    computeIts90(temperatures, readings, result);
    if (!allFinite(result) || !(result[2] > 0.0))
        return false;
    out = result;
    return true;
}

void computeIts90(QList<double> t, QList<double> r, QList<double> &out)
{
    sortByTemperature(t, r);
    double a = 0.0, b = 0.0, r0 = 0.0, a4 = 0.0, b4 = 0.0;
    if (t.size() == 5) {
        r0 = r[2];
        its90BelowZero({t[2], t[1], t[0]}, {r[2], r[1], r[0]}, a4, b4);
        its90AboveZero({t[2], t[3], t[4]}, {r[2], r[3], r[4]}, a, b);
    } else if (zeroPointIndex(t) == 0) {
        r0 = r[0];
        its90AboveZero({t[0], t[1], t[2]}, {r[0], r[1], r[2]}, a, b);
    } else {
        r0 = r[2];
        its90BelowZero({t[2], t[1], t[0]}, {r[2], r[1], r[0]}, a4, b4);
    }
    out = QList<double>{a, b, r0, a4, b4};
}

void its90BelowZero(QList<double> t, QList<double> r, double &a4, double &b4)
{
    const double r0 = r[0];
    double u[3], l[3], d[3];
    for (int k = 1; k <= 2; ++k) {
        const double w = r[k] / r0;
        u[k] = w - 1.0;
        l[k] = std::log(w);
        d[k] = w - referenceBelowZero(t[k] + 273.15);
    }
    const double det = u[1] * u[2] * (l[2] - l[1]);
    a4 = (d[1] * u[2] * l[2] - d[2] * u[1] * l[1]) / det;
    b4 = (d[2] * u[1] - d[1] * u[2]) / det;
}

void its90AboveZero(QList<double> t, QList<double> r, double &a, double &b)
{
    const double r0 = r[0];
    double u[3], d[3];
    for (int k = 1; k <= 2; ++k) {
        const double w = r[k] / r0;
        u[k] = w - 1.0;
        d[k] = w - referenceAboveZero(t[k]);
    }
    a = (d[1] * u[2] * u[2] - d[2] * u[1] * u[1]) / (u[1] * u[2] * u[2] - u[2] * u[1] * u[1]);
    b = (d[2] - a * u[2]) / (u[2] * u[2]);
}

QList<double> fitPolynomial(QList<double> xs, QList<double> ys, int m)
{
    double a[26] = {};
    double c[5] = {};
    const std::vector<double> x(xs.begin(), xs.end());
    const std::vector<double> y(ys.begin(), ys.end());
    polyFit(x, y, int(x.size()), m, a, c);
    QList<double> coefficients;
    for (int i = 1; i <= m; ++i)
        coefficients.append(c[i]);
    return coefficients;
}

void polyFit(const std::vector<double> &xs, const std::vector<double> &ys, int n, int m,
             double *a, double *c)
{
    for (int i = 1; i <= m; ++i) {
        for (int j = 1; j <= m; ++j) {
            double sum = 0.0;
            for (int k = 0; k < n; ++k)
                sum += std::pow(xs[k], i + j - 2);
            a[i * 5 + j] = sum;
        }
        double sum = 0.0;
        for (int k = 0; k < n; ++k)
            sum += std::pow(xs[k], i - 1) * ys[k];
        a[i * 5 + m + 1] = sum;
    }
    a[1 * 5 + 1] = double(n);
    solveLinearSystem(m, a, c);
}

void solveLinearSystem(int n, double *a, double *x)
{
    for (int k = 1; k < n; ++k) {
        for (int i = k + 1; i <= n; ++i) {
            const double f = a[k * 5 + k] != 0.0 ? a[i * 5 + k] / a[k * 5 + k] : 0.0;
            for (int j = k; j <= n + 1; ++j)
                a[i * 5 + j] -= f * a[k * 5 + j];
        }
    }
    x[n] = a[n * 5 + n + 1] / a[n * 5 + n];
    for (int i = n - 1; i >= 1; --i) {
        double sum = 0.0;
        for (int j = i + 1; j <= n; ++j)
            sum += a[i * 5 + j] * x[j];
        x[i] = (a[i * 5 + n + 1] - sum) / a[i * 5 + i];
    }
}

} // namespace CoefficientFit
