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

// Runs `fit` for each channel with its pairs of every point, slot by slot. False when the
// points are missing or any point's pair count differs from the channel count.
bool forEachChannel(const QList<Point> &points, QList<QList<ChannelRecord>> &channels,
                    const std::function<bool(const Point &, ChannelRecord &)> &fit)
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
    for (QList<ChannelRecord> &slot : channels) {
        for (ChannelRecord &record : slot) {
            Point pairs;
            for (const Point &point : points)
                pairs.append(point.at(k));
            ++k;
            for (const Pair &pair : pairs) {
                if (!std::isfinite(pair.first) || !std::isfinite(pair.second))
                    return false;
            }
            if (!fit(pairs, record))
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
    return forEachChannel(points, channels, [](const Point &pairs, ChannelRecord &record) {
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
        return true;
    });
}

bool fitThermistor(QList<Point> points, QList<QList<ChannelRecord>> &channels)
{
    if (points.size() < 4)
        return false;
    return forEachChannel(points, channels, [](const Point &pairs, ChannelRecord &record) {
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
        return true;
    });
}

bool fitRtd(QList<Point> points, QList<QList<ChannelRecord>> &channels)
{
    return forEachChannel(points, channels, [](const Point &pairs, ChannelRecord &record) {
        QList<double> temperatures, readings, out;
        for (const Pair &pair : pairs) {
            temperatures.append(pair.first);
            readings.append(pair.second);
        }
        const bool fitted = record.function == QStringLiteral("ITS90")
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
        return true;
    });
}

bool fitChannels(const QString &channelMode, const QList<Point> &points,
                 QList<QList<ChannelRecord>> &channels)
{
    if (channelMode == QStringLiteral("热电偶"))
        return fitThermocouple(points, channels);
    if (channelMode == QStringLiteral("铂电阻"))
        return fitRtd(points, channels);
    if (channelMode == QStringLiteral("热敏电阻"))
        return fitThermistor(points, channels);
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
    const bool zeroFound = n == 5
        ? std::fabs(temperatures[2]) <= kZeroBand
        : std::fabs(temperatures[0]) <= kZeroBand || std::fabs(temperatures[2]) <= kZeroBand;
    if (!zeroFound)
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
    } else if (std::fabs(t[0]) <= kZeroBand) {
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
