// The coefficient fit against published reference data: IEC 60751 Pt100 values, the ITS-90
// reference function at its fixed points, Steinhart-Hart data of a 10 kOhm NTC, and the
// thermocouple example of the calibration procedure.
#include <QtTest>

#include <cmath>

#include "CalibrationSave.h"
#include "CoefficientFit.h"

using namespace CoefficientFit;

namespace {

QList<QList<ChannelRecord>> oneChannel(const QString &function = QString())
{
    ChannelRecord record;
    record.channelNumber = QStringLiteral("101");
    record.function = function;
    return {{record}, {}, {}};
}

QList<Point> pointsOf(const QList<double> &temperatures, const QList<double> &readings)
{
    QList<Point> points;
    for (int i = 0; i < temperatures.size(); ++i)
        points.append(Point{{temperatures[i], readings[i]}});
    return points;
}

double number(const QString &text)
{
    bool ok = false;
    const double value = text.toDouble(&ok);
    return ok ? value : std::nan("");
}

// Steinhart-Hart coefficients of a common 10 kOhm NTC: 1/T = A + B ln R + C (ln R)^3.
const double kShA = 1.129148e-3, kShB = 2.34125e-4, kShC = 8.76741e-8;

double ntcResistance(double celsius)
{
    const double y = 1.0 / (celsius + 273.15);
    double l = 9.0;
    for (int i = 0; i < 50; ++i)
        l -= (kShA + kShB * l + kShC * l * l * l - y) / (kShB + 3 * kShC * l * l);
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

// The resistance of a thermometer whose deviation from the reference function is
// a(W-1) + b(W-1)^2 above 0 °C and a4(W-1) + b4(W-1)ln W below it.
double sprtReading(const FixedPoint &p, double r0, double a, double b, double a4, double b4)
{
    double w = p.wr;
    for (int i = 0; i < 100; ++i) {
        w = p.t > 0.02 ? p.wr + a * (w - 1) + b * (w - 1) * (w - 1)
                       : p.wr + a4 * (w - 1) + b4 * (w - 1) * std::log(w);
    }
    return r0 * w;
}

} // namespace

Q_DECLARE_METATYPE(FixedPoint)

class TestCoefficientFit : public QObject
{
    Q_OBJECT
private slots:
    void thermocouple_data();
    void thermocouple();
    void thermistor_data();
    void thermistor();
    void callendarVanDusen_data();
    void callendarVanDusen();
    void its90_data();
    void its90();
    void pointsFromStoredTexts_data();
    void pointsFromStoredTexts();
    void coefficientTextsReadBackExactly();
};

void TestCoefficientFit::thermocouple_data()
{
    QTest::addColumn<QList<double>>("references");
    QTest::addColumn<QList<double>>("readings");
    QTest::addColumn<bool>("fits");
    QTest::newRow("procedure example") << QList<double>{10.5, 99.0} << QList<double>{10.0, 100.0}
                                       << true;
    QTest::newRow("three points") << QList<double>{10.5, 50.0, 99.0}
                                  << QList<double>{10.0, 50.0, 100.0} << false;
    QTest::newRow("equal readings") << QList<double>{10.5, 99.0} << QList<double>{10.0, 10.0}
                                    << false;
    QTest::newRow("equal references") << QList<double>{50.0, 50.0}
                                      << QList<double>{10.0, 100.0} << false;
}

void TestCoefficientFit::thermocouple()
{
    QFETCH(QList<double>, references);
    QFETCH(QList<double>, readings);
    QFETCH(bool, fits);
    auto channels = oneChannel();
    QCOMPARE(fitChannels(QStringLiteral("热电偶"), pointsOf(references, readings), channels), fits);
    if (!fits)
        return;
    const double m = (10.5 - 99.0) / (10.0 - 100.0);
    QCOMPARE(channels[0][0].mxbM, float(m));
    QCOMPARE(channels[0][0].mxbB, float(10.5 - m * 10.0));
    // Written back, the texts give the same singles.
    QCOMPARE(gainText(channels[0][0].mxbM).toFloat(), float(m));
    QCOMPARE(gainText(channels[0][0].mxbB).toFloat(), float(10.5 - m * 10.0));
}

void TestCoefficientFit::thermistor_data()
{
    QTest::addColumn<QList<double>>("temperatures");
    QTest::addColumn<bool>("fits");
    QTest::newRow("4 points interpolate") << QList<double>{0, 30, 60, 90} << true;
    QTest::newRow("5 points least squares") << QList<double>{0, 25, 50, 75, 100} << true;
    QTest::newRow("9 points least squares")
        << QList<double>{-20, 0, 20, 40, 60, 80, 100, 120, 150} << true;
    QTest::newRow("3 points") << QList<double>{0, 50, 100} << false;
    QTest::newRow("repeated temperature") << QList<double>{0, 50, 50, 100} << false;
}

void TestCoefficientFit::thermistor()
{
    QFETCH(QList<double>, temperatures);
    QFETCH(bool, fits);
    QList<double> readings;
    for (double t : temperatures)
        readings.append(ntcResistance(t));
    auto channels = oneChannel(QStringLiteral("R(T)"));
    QCOMPARE(fitChannels(QStringLiteral("热敏电阻"), pointsOf(temperatures, readings), channels),
             fits);
    if (!fits)
        return;
    const ChannelRecord &r = channels[0][0];
    QCOMPARE(r.r0_c4, QStringLiteral("0"));
    QCOMPARE(r.a4_c5, QStringLiteral("0"));
    QCOMPARE(r.b4_c6, QStringLiteral("0"));
    const double c[4] = {number(r.a_c0), number(r.b_c1), number(r.c_c2), number(r.d_c3)};
    // The cubic in 1/T follows the Steinhart-Hart curve over the calibrated range (within about
    // 5 mK, the cubic not being its exact inverse).
    for (double t = temperatures.first(); t <= temperatures.last(); t += 5) {
        const double x = 1.0 / (t + 273.15);
        const double fitted = std::exp(c[0] + c[1] * x + c[2] * x * x + c[3] * x * x * x);
        QVERIFY2(std::fabs(fitted / ntcResistance(t) - 1) < 2e-4, qPrintable(QString::number(t)));
    }
    QVERIFY(std::fabs(ntcResistance(25.0) - 10000.0) < 10.0);

    // A reading without a logarithm fails the fit.
    readings[1] = 0.0;
    QVERIFY(!fitThermistor(pointsOf(temperatures, readings), channels));
}

void TestCoefficientFit::callendarVanDusen_data()
{
    // IEC 60751: R0 = 100 Ohm, A = 3.9083e-3, B = -5.775e-7; the table's values.
    QTest::addColumn<QList<double>>("temperatures");
    QTest::addColumn<QList<double>>("readings");
    QTest::addColumn<bool>("fits");
    QTest::newRow("0, 100, 200") << QList<double>{0, 100, 200}
                                 << QList<double>{100.0, 138.5055, 175.8560} << true;
    QTest::newRow("any order") << QList<double>{200, 0, 100}
                               << QList<double>{175.8560, 100.0, 138.5055} << true;
    QTest::newRow("two points") << QList<double>{0, 100} << QList<double>{100.0, 138.5055}
                                << false;
    QTest::newRow("repeated temperature") << QList<double>{0, 100, 100}
                                          << QList<double>{100.0, 138.5055, 138.5} << false;
}

void TestCoefficientFit::callendarVanDusen()
{
    QFETCH(QList<double>, temperatures);
    QFETCH(QList<double>, readings);
    QFETCH(bool, fits);
    auto channels = oneChannel(QStringLiteral("PT385"));
    QCOMPARE(fitChannels(QStringLiteral("铂电阻"), pointsOf(temperatures, readings), channels),
             fits);
    if (!fits)
        return;
    const ChannelRecord &r = channels[0][0];
    QVERIFY(std::fabs(number(r.a_c0) / 3.9083e-3 - 1) < 1e-9);
    QVERIFY(std::fabs(number(r.b_c1) / -5.775e-7 - 1) < 1e-7);
    QVERIFY(std::fabs(number(r.r0_c4) - 100.0) < 1e-9);
    QCOMPARE(r.c_c2, QStringLiteral("0"));
    QCOMPARE(r.d_c3, QStringLiteral("0"));
    QCOMPARE(number(r.a4_c5), 0.0);
    QCOMPARE(number(r.b4_c6), 0.0);
}

void TestCoefficientFit::its90_data()
{
    QTest::addColumn<QList<FixedPoint>>("points");
    QTest::addColumn<bool>("fits");
    QTest::addColumn<bool>("above");
    QTest::addColumn<bool>("below");
    using L = QList<FixedPoint>;
    QTest::newRow("0.01, Sn, Zn") << L{kWater, kTin, kZinc} << true << true << false;
    QTest::newRow("Zn, 0.01, In shuffled") << L{kZinc, kWater, kIndium} << true << true << false;
    QTest::newRow("Hg, Ar, 0.01 shuffled") << L{kMercury, kArgon, kWater} << true << false << true;
    QTest::newRow("Ar, Hg, 0.01, Sn, Zn") << L{kTin, kArgon, kZinc, kWater, kMercury} << true
                                          << true << true;
    QTest::newRow("4 points") << L{kArgon, kMercury, kWater, kTin} << false << false << false;
    QTest::newRow("3 points without zero") << L{kMercury, kGallium, kTin} << false << false
                                           << false;
    QTest::newRow("5 points, zero lowest") << L{kWater, kGallium, kIndium, kTin, kZinc} << false
                                           << false << false;
}

void TestCoefficientFit::its90()
{
    QFETCH(QList<FixedPoint>, points);
    QFETCH(bool, fits);
    QFETCH(bool, above);
    QFETCH(bool, below);
    const double r0 = 25.5, a = -1.2e-4, b = 2.3e-5, a4 = -1.5e-4, b4 = 1.1e-5;
    QList<double> temperatures, readings;
    for (const FixedPoint &p : points) {
        temperatures.append(p.t);
        readings.append(sprtReading(p, r0, a, b, a4, b4));
    }
    auto channels = oneChannel(QStringLiteral("ITS90"));
    QCOMPARE(fitChannels(QStringLiteral("铂电阻"), pointsOf(temperatures, readings), channels),
             fits);
    if (!fits)
        return;
    const ChannelRecord &r = channels[0][0];
    QCOMPARE(number(r.r0_c4), r0);
    QVERIFY2(std::fabs(number(r.a_c0) - (above ? a : 0.0)) < 1e-7, qPrintable(r.a_c0));
    QVERIFY2(std::fabs(number(r.b_c1) - (above ? b : 0.0)) < 1e-7, qPrintable(r.b_c1));
    QVERIFY2(std::fabs(number(r.a4_c5) - (below ? a4 : 0.0)) < 1e-7, qPrintable(r.a4_c5));
    QVERIFY2(std::fabs(number(r.b4_c6) - (below ? b4 : 0.0)) < 1e-7, qPrintable(r.b4_c6));
    QCOMPARE(r.c_c2, QStringLiteral("0"));
    QCOMPARE(r.d_c3, QStringLiteral("0"));
}

void TestCoefficientFit::pointsFromStoredTexts_data()
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
    QTest::newRow("reading not a number") << QStringList{"20.0000"}
                                          << QList<QStringList>{{"1,-113,\"Undefined\""}}
                                          << "参数错误，计算失败！";
    QTest::newRow("empty reading") << QStringList{"20.0000"} << QList<QStringList>{{"1,2,"}}
                                   << "参数错误，计算失败！";
    QTest::newRow("more than 9 points") << QStringList(QVector<QString>(10, "20.0000").toList())
                                        << QVector<QStringList>(9, QStringList{"1,2,3"}).toList()
                                        << "分批数不匹配，计算失败！";
}

void TestCoefficientFit::pointsFromStoredTexts()
{
    QFETCH(QStringList, criteria);
    QFETCH(QList<QStringList>, data);
    QFETCH(QString, message);
    QList<Point> points;
    QString shown;
    QCOMPARE(CalibrationSave::buildPoints(criteria, data, 3, points, shown), message.isEmpty());
    QCOMPARE(shown, message);
    if (message.isEmpty()) {
        QCOMPARE(points.size(), 2);
        QCOMPARE(points[0], (Point{{20.0, 1.0}, {20.0, 2.0}, {20.1, 3.0}}));
        QCOMPARE(points[1], (Point{{50.0, 4.0}, {50.0, 5.0}, {50.1, 6.0}}));
    }
}

void TestCoefficientFit::coefficientTextsReadBackExactly()
{
    for (double v : {-5.775e-7, 3.9083e-3, -4.183e-12, 1.0 / 3.0, 100.0, 0.0, -1.2e300}) {
        QCOMPARE(coefficientText(v).toDouble(), v);
        QVERIFY(coefficientText(v).size() <= 24);
    }
    QCOMPARE(coefficientText(-5.775e-7), QStringLiteral("-5.775e-07"));
    for (float v : {0.98333335f, 0.6666667f, 1.0f, -1000.0f, 1.0e-7f})
        QCOMPARE(gainText(v).toFloat(), v);
    QCOMPARE(gainText(1.0f), QStringLiteral("1"));
}

QTEST_APPLESS_MAIN(TestCoefficientFit)
#include "test_coefficient_fit.moc"
