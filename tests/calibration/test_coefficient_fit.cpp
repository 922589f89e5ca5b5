// The coefficient fit against published reference data: IEC 60751 Pt100 values, the ITS-90
// reference function at its fixed points, Steinhart-Hart data of a 10 kOhm NTC, and the
// thermocouple example of the calibration procedure.
#include <QtTest>

#include <cmath>

#include "CalibrationSave.h"
#include "CoefficientFit.h"

using namespace CoefficientFit;
using Doubles = QList<double>;

namespace {
// Fits one channel of the function to the points; the record gets the coefficients (to be kept
// as singles with `singles`).
bool fit(const QString &mode, const QString &function, const Doubles &temperatures,
         const Doubles &readings, ChannelRecord &record, bool singles = false)
{
    record.channelNumber = "101";
    record.function = function;
    QList<Point> points;
    for (int i = 0; i < temperatures.size(); ++i)
        points.append(Point{{temperatures[i], readings[i]}});
    QList<QList<ChannelRecord>> channels{{record}, {}, {}};
    const bool fitted = fitChannels(mode, points, channels, {singles});
    record = channels[0][0];
    return fitted;
}

double number(const QString &text)
{
    bool ok = false;
    const double value = text.toDouble(&ok);
    return ok ? value : std::nan("");
}

// A common 10 kOhm NTC: 1/T = A + B ln R + C (ln R)^3 (Steinhart-Hart).
double ntcResistance(double celsius)
{
    const double a = 1.129148e-3, b = 2.34125e-4, c = 8.76741e-8, y = 1.0 / (celsius + 273.15);
    double l = 9.0;
    for (int i = 0; i < 50; ++i)
        l -= (a + b * l + c * l * l * l - y) / (b + 3 * c * l * l);
    return std::exp(l);
}

// Published ITS-90 values of the reference function Wr at defining fixed points (°C, Wr).
struct FixedPoint
{
    double t;
    double wr;
};
const FixedPoint kArgon{-189.3442, 0.21585975}, kMercury{-38.8344, 0.84414211},
    kWater{0.01, 1.0}, kGallium{29.7646, 1.11813889}, kIndium{156.5985, 1.60980185},
    kTin{231.928, 1.89279768}, kZinc{419.527, 2.56891730};
} // namespace

Q_DECLARE_METATYPE(FixedPoint)

class TestCoefficientFit : public QObject
{
    Q_OBJECT
private slots:
    void thermocouple_data()
    {
        QTest::addColumn<Doubles>("references");
        QTest::addColumn<Doubles>("readings");
        QTest::newRow("procedure example") << Doubles{10.5, 99.0} << Doubles{10.0, 100.0};
        QTest::newRow("three points") << Doubles{10.5, 50, 99.0} << Doubles{10.0, 50, 100.0};
        QTest::newRow("equal readings") << Doubles{10.5, 99.0} << Doubles{10.0, 10.0};
        QTest::newRow("equal references") << Doubles{50.0, 50.0} << Doubles{10.0, 100.0};
    }
    void thermocouple()
    {
        QFETCH(Doubles, references);
        QFETCH(Doubles, readings);
        ChannelRecord r;
        const bool fitted = fit("热电偶", "K", references, readings, r);
        QCOMPARE(fitted, QByteArray(QTest::currentDataTag()) == "procedure example");
        if (!fitted)
            return;
        const double m = (10.5 - 99.0) / (10.0 - 100.0);
        QCOMPARE(r.mxbM, float(m));
        QCOMPARE(r.mxbB, float(10.5 - m * 10.0));
        QCOMPARE(gainText(r.mxbM).toFloat(), r.mxbM);  // written back without loss
    }

    void thermistor_data()
    {
        QTest::addColumn<Doubles>("temperatures");
        QTest::newRow("4 points interpolate") << Doubles{0, 30, 60, 90};
        QTest::newRow("9 points least squares") << Doubles{-20, 0, 20, 40, 60, 80, 100, 120, 150};
        QTest::newRow("3 points") << Doubles{0, 50, 100};
        QTest::newRow("repeated temperature") << Doubles{0, 50, 50, 100};
    }
    void thermistor()
    {
        QFETCH(Doubles, temperatures);
        Doubles readings;
        for (double t : temperatures)
            readings << ntcResistance(t);
        ChannelRecord r;
        const bool fitted = fit("热敏电阻", "R(T)", temperatures, readings, r);
        QCOMPARE(fitted, QByteArray(QTest::currentDataTag()).contains("points "));
        if (!fitted)
            return;
        QCOMPARE(QStringList({r.r0_c4, r.a4_c5, r.b4_c6}), QStringList({"0", "0", "0"}));
        const double c[4] = {number(r.a_c0), number(r.b_c1), number(r.c_c2), number(r.d_c3)};
        // The cubic in 1/T follows the curve over the range (within about 5 mK).
        for (double t = temperatures.first(); t <= temperatures.last(); t += 5) {
            const double x = 1.0 / (t + 273.15);
            const double fitted = std::exp(c[0] + c[1] * x + c[2] * x * x + c[3] * x * x * x);
            QVERIFY2(std::fabs(fitted / ntcResistance(t) - 1) < 2e-4, qPrintable(QString::number(t)));
        }
        readings[1] = 0.0;  // a reading without a logarithm
        QVERIFY(!fit("热敏电阻", "R(T)", temperatures, readings, r));
    }

    void callendarVanDusen_data()
    {
        // IEC 60751 table values: R0 = 100 Ohm, A = 3.9083e-3, B = -5.775e-7.
        QTest::addColumn<Doubles>("temperatures");
        QTest::addColumn<Doubles>("readings");
        QTest::newRow("0, 100, 200") << Doubles{0, 100, 200} << Doubles{100.0, 138.5055, 175.8560};
        QTest::newRow("in any order") << Doubles{200, 0, 100} << Doubles{175.8560, 100.0, 138.5055};
        QTest::newRow("two points") << Doubles{0, 100} << Doubles{100.0, 138.5055};
    }
    void callendarVanDusen()
    {
        QFETCH(Doubles, temperatures);
        QFETCH(Doubles, readings);
        ChannelRecord r;
        QCOMPARE(fit("铂电阻", "PT385", temperatures, readings, r), temperatures.size() == 3);
        if (temperatures.size() != 3)
            return;
        QVERIFY(std::fabs(number(r.a_c0) / 3.9083e-3 - 1) < 1e-9);
        QVERIFY(std::fabs(number(r.b_c1) / -5.775e-7 - 1) < 1e-7);
        QVERIFY(std::fabs(number(r.r0_c4) - 100.0) < 1e-9);
        QCOMPARE(QStringList({r.c_c2, r.d_c3, r.a4_c5, r.b4_c6}), QStringList({"0", "0", "0", "0"}));
    }

    void its90_data()
    {
        QTest::addColumn<QList<FixedPoint>>("points");
        QTest::addColumn<bool>("above");   // a, b fitted
        QTest::addColumn<bool>("below");   // a4, b4 fitted
        using L = QList<FixedPoint>;
        QTest::newRow("0.01, Sn, Zn") << L{kWater, kTin, kZinc} << true << false;
        QTest::newRow("Zn, 0.01, In") << L{kZinc, kWater, kIndium} << true << false;
        QTest::newRow("Hg, Ar, 0.01") << L{kMercury, kArgon, kWater} << false << true;
        QTest::newRow("Sn, Ar, Zn, 0.01, Hg") << L{kTin, kArgon, kZinc, kWater, kMercury} << true << true;
        QTest::newRow("4 points") << L{kArgon, kMercury, kWater, kTin} << false << false;
        QTest::newRow("no zero point") << L{kMercury, kGallium, kTin} << false << false;
        QTest::newRow("5 points, zero lowest") << L{kWater, kGallium, kIndium, kTin, kZinc} << false << false;
    }
    void its90()
    {
        QFETCH(QList<FixedPoint>, points);
        QFETCH(bool, above);
        QFETCH(bool, below);
        // Readings of a thermometer deviating by a(W-1) + b(W-1)^2 above 0 °C and
        // a4(W-1) + b4(W-1)ln W below.
        const double r0 = 25.5, a = -1.2e-4, b = 2.3e-5, a4 = -1.5e-4, b4 = 1.1e-5;
        Doubles temperatures, readings;
        for (const FixedPoint &p : points) {
            double w = p.wr;
            for (int i = 0; i < 100; ++i)
                w = p.wr + (p.t > 0.02 ? a * (w - 1) + b * (w - 1) * (w - 1)
                                       : a4 * (w - 1) + b4 * (w - 1) * std::log(w));
            temperatures << p.t;
            readings << r0 * w;
        }
        ChannelRecord r;
        QCOMPARE(fit("铂电阻", "ITS90", temperatures, readings, r), above || below);
        if (!above && !below)
            return;
        QCOMPARE(number(r.r0_c4), r0);
        const double expected[4] = {above ? a : 0, above ? b : 0, below ? a4 : 0, below ? b4 : 0};
        const QString texts[4] = {r.a_c0, r.b_c1, r.a4_c5, r.b4_c6};
        for (int i = 0; i < 4; ++i)
            QVERIFY2(std::fabs(number(texts[i]) - expected[i]) < 1e-7, qPrintable(texts[i]));
        QCOMPARE(QStringList({r.c_c2, r.d_c3}), QStringList({"0", "0"}));
    }

    // Point sets that determine no coefficient, or whose coefficients as written (as singles where
    // kept so) miss a point, are refused; repeated temperatures suit a least-squares fit.
    void degeneratePointSets_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>("function");
        QTest::addColumn<Doubles>("temperatures");
        QTest::addColumn<Doubles>("readings");
        QTest::addColumn<bool>("fitted");
        QTest::addColumn<bool>("singles");
        const QString tc = "热电偶", rtd = "铂电阻", ntc = "热敏电阻";
        auto ntcAt = [](const Doubles &ts) {
            Doubles rs;
            for (double t : ts)
                rs << ntcResistance(t);
            return rs;
        };
        const auto row = [](const char *name, const QString &mode, const char *function, const Doubles &ts,
                            const Doubles &rs, bool fitted, bool singles = false) {
            QTest::newRow(name) << mode << function << ts << rs << fitted << singles;
        };
        row("thermocouple, readings 1e-7 °C apart at 0", tc, "K", {0, 1000}, {0, 1e-7}, false);
        row("thermocouple, references 1e-7 K apart", tc, "K", {50, 50 + 1e-7}, {10, 100}, false);
        row("thermocouple, gain past a single", tc, "K", {0, 1e300}, {0, 1}, false);
        row("thermocouple, readings 1e-5 °C apart", tc, "K", {20, 20.01}, {20.00001, 20.00002}, true);
        row("ITS-90, references 1e-7 K apart", rtd, "ITS90", {0.01, 100, 100 + 1e-7}, {25.5, 35.5, 35.6}, false);
        row("ITS-90, readings 1e-10 apart", rtd, "ITS90", {0.01, 100, 200}, {25.5, 35.5, 35.5 * (1 + 1e-10)}, false);
        row("ITS-90, a zero reading", rtd, "ITS90", {-80, -40, 0.01}, {0, 20, 25.5}, false);
        row("CVD, negative R0", rtd, "PT385", {100, 200, 300}, {100, 300, 500}, false);
        row("CVD, a zero reading", rtd, "PT385", {0, 100, 200}, {0, 138.5055, 175.856}, false);
        row("CVD, temperatures 1e-7 K apart", rtd, "PT385", {0, 100, 100 + 1e-7}, {100, 138.5055, 138.5056}, false);
        row("CVD, a temperature repeated", rtd, "PT385", {0, 0, 100, 200}, {100, 100.0001, 138.5055, 175.856}, true);
        const Doubles close{0, 30, 60, 60 + 1e-7}, repeated{0, 0, 30, 60, 90};
        row("thermistor, temperatures 1e-7 K apart", ntc, "R(T)", close, ntcAt(close), false);
        row("thermistor, a temperature repeated", ntc, "R(T)", repeated, ntcAt(repeated), true);
        row("thermistor, a negative reading", ntc, "R(T)", {0, 30, 60, 90}, ntcAt({0, 30, 60}) << -100.0, false);
        row("thermocouple, a reading of 1e308", tc, "K", {0, 100}, {0, 1e308}, false);
        row("thermocouple, readings 0.015 and 0.0150011 °C", tc, "K", {0, 100}, {0.015, 0.0150011}, false);
        row("CVD, temperatures 9 mK apart", rtd, "PT385", {15.595, 15.6017, 15.6041}, {84.94, 15.41, 68.82}, false);
        row("thermistor, temperatures 0.015 and 0.0150011 °C", ntc, "R(T)", {0.015, 0.0150011, 30, 60},
            {32625, 30000, 8056, 2487}, false);
        const Doubles its{0.01, 227.25, 227.55}, itsR{100, 126.10727, 126.10727 * (1 + 1.5e-9)}, fourNtc{0, 30, 60, 90};
        row("ITS-90, readings 1.5e-9 apart, as doubles", rtd, "ITS90", its, itsR, true);
        row("ITS-90, readings 1.5e-9 apart, as singles", rtd, "ITS90", its, itsR, false, true);
        row("thermistor, a reading of 1e308, as singles", ntc, "R(T)", fourNtc, ntcAt({0, 30, 60}) << 1e308, false, true);
        row("thermistor, measured, as singles", ntc, "R(T)", fourNtc, ntcAt(fourNtc), true, true);
        row("CVD, measured, as singles", rtd, "PT385", {0, 100, 200}, {100, 138.5055, 175.856}, true, true);
        row("ITS-90, measured, as singles", rtd, "ITS90", {0.002, 100, 200}, {100.0008, 138.5055, 175.856}, true, true);
    }
    void degeneratePointSets()
    {
        QFETCH(QString, mode);
        QFETCH(QString, function);
        QFETCH(Doubles, temperatures);
        QFETCH(Doubles, readings);
        QFETCH(bool, fitted);
        QFETCH(bool, singles);
        ChannelRecord r;
        QCOMPARE(fit(mode, function, temperatures, readings, r, singles), fitted);
        if (fitted && mode == "铂电阻")
            QVERIFY(std::fabs(number(r.r0_c4) - 100) < 0.01);
        if (fitted && mode == "热电偶")
            QCOMPARE(r.mxbM, 1000.0f);
    }

    void pointsFromStoredTexts_data()
    {
        QTest::addColumn<QStringList>("criteria");
        QTest::addColumn<QList<QStringList>>("data");
        QTest::addColumn<QString>("message");
        QTest::newRow("two batches") << QStringList{"20.0000,20.1000", "50.0000,50.1000"}
                                     << QList<QStringList>{{"1,2", "3"}, {"4,5", "6"}} << QString();
        QTest::newRow("batch count") << QStringList{"20.0000,20.1000"}
                                     << QList<QStringList>{{"1,2,3"}} << "分批数不匹配，计算失败！";
        QTest::newRow("channel count") << QStringList{"20.0000", "50.0000"}
                                       << QList<QStringList>{{"1,2,3"}, {"4,5"}}
                                       << "通道数不匹配，计算失败！";
        QTest::newRow("not a number") << QStringList{"20.0000"}
                                      << QList<QStringList>{{"1,-113,\"Undefined\""}}
                                      << "参数错误，计算失败！";
    }
    void pointsFromStoredTexts()
    {
        QFETCH(QStringList, criteria);
        QFETCH(QList<QStringList>, data);
        QFETCH(QString, message);
        QList<Point> points;
        QString shown;
        QCOMPARE(CalibrationSave::buildPoints(criteria, data, 3, points, shown), message.isEmpty());
        QCOMPARE(shown, message);
        if (message.isEmpty())
            QCOMPARE(points, (QList<Point>{{{20.0, 1}, {20.0, 2}, {20.1, 3}},
                                           {{50.0, 4}, {50.0, 5}, {50.1, 6}}}));
    }
};

QTEST_APPLESS_MAIN(TestCoefficientFit)
#include "test_coefficient_fit.moc"
