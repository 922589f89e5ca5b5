// The 1586A driver's answers that need no instrument: option lists, channel numbers, the channel
// check, the scan interval, and its creation by model name.

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

#include "ChannelRows.h"
#include "Collection1586A.h"
#include "Registry.h"

using Rows = QList<ChannelRecord>;

namespace {
ChannelRecord thermocouple(const QString &number, const QString &unit = "℃")
{
    return channelRow(number, "热电偶", "K", "二线制", unit);
}

QStringList numbers(int module, int from, int to)
{
    QStringList out;
    for (int p = from; p <= to; ++p)
        out << QString::number(module * 100 + p);
    return out;
}

const QStringList nineTypes{"热电偶", "热敏电阻", "铂电阻", "直流电压", "交流电压",
                            "电阻", "频率", "直流电流", "交流电流"};
} // namespace

class Test1586AOptions : public QObject
{
    Q_OBJECT
    QTemporaryDir dir;
    std::unique_ptr<Collection1586A> driver;

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        QVERIFY(QDir::setCurrent(dir.path()));
        driver.reset(new Collection1586A);
    }
    void cleanupTestCase() { driver.reset(); }

    void registryCreatesTheDriverByModelName()
    {
        std::unique_ptr<Collection> made(createCollection("1586A"));
        QVERIFY(made);
        QCOMPARE(made->metaObject()->className(), "Collection1586A");
        QCOMPARE(made->channelCount(), 45);
        QVERIFY(!createCollection("1586a"));
        QVERIFY(!createCollection("1586A "));
    }

    void fixedLists()
    {
        QCOMPARE(driver->scanRateList(), QStringList({"快速", "中速", "慢速"}));
        QCOMPARE(driver->signalModeList(), QStringList({"串口", "网络"}));
        QCOMPARE(driver->compensationList(), QStringList({"内部补偿", "固定冷端"}));
        const QStringList units{"℃", "℉", "%RH", "psi", "mbar", "bar", "Pa", "KPa", "MPa",
                                "mV", "V", "Ω", "kΩ", "MΩ"};
        QCOMPARE(driver->unitList("热电偶"), units);
        QCOMPARE(driver->unitList("anything"), units);
        // The resistance sign is the Greek capital omega, not the ohm sign.
        QVERIFY(driver->unitList("").contains(QString(QChar(0x03A9))));
        QVERIFY(!driver->unitList("").contains(QString(QChar(0x2126))));
        QCOMPARE(driver->baudRateList(), QStringList({"9600"}));
        QCOMPARE(driver->filterList(), QStringList({"0"}));
        QCOMPARE(driver->settingMask(), QList<bool>({false, false, false, false, false, false}));
        QCOMPARE(driver->channelCount(), 45);
    }

    void functionsAndWiringByType_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QStringList>("functions");
        QTest::addColumn<QStringList>("wiring");
        const QStringList two{"二线制"}, twoFour{"二线制", "四线制"};
        QTest::newRow("thermocouple") << "热电偶"
            << QStringList{"K", "T", "R", "S", "J", "N", "E", "B", "C", "D", "G", "L", "M", "U",
                           "W", "POLY"} << two;
        QTest::newRow("thermistor") << "热敏电阻"
            << QStringList{"R(T)", "2.252kΩ", "5kΩ", "10kΩ"} << twoFour;
        QTest::newRow("platinum") << "铂电阻" << QStringList{"ITS90", "PT385", "PT392", "CVD"}
            << QStringList{"二线制", "三线制", "四线制"};
        QTest::newRow("dc voltage") << "直流电压"
            << QStringList{"自动", "100mV", "1V", "10V", "50V"} << two;
        QTest::newRow("ac voltage") << "交流电压" << QStringList{} << two;
        QTest::newRow("resistance") << "电阻"
            << QStringList{"自动", "100Ω", "1kΩ", "10kΩ", "100kΩ", "1MΩ", "10MΩ"} << twoFour;
        QTest::newRow("dc current") << "直流电流"
            << QStringList{"自动", "100μA", "1mA", "10mA", "100mA"} << QStringList{};
        QTest::newRow("ac current") << "交流电流"
            << QStringList{"自动", "100μA", "1mA", "10mA", "100mA"} << QStringList{};
        QTest::newRow("frequency") << "频率" << QStringList{} << QStringList{};
        QTest::newRow("unknown") << "空" << QStringList{} << QStringList{};
    }
    void functionsAndWiringByType()
    {
        QFETCH(QString, type);
        QFETCH(QStringList, functions);
        QFETCH(QStringList, wiring);
        QCOMPARE(driver->functionList(type), functions);
        QCOMPARE(driver->wiringList(type), wiring);
    }

    void typesByChannel_data()
    {
        QTest::addColumn<int>("number");
        QTest::addColumn<QStringList>("types");
        const QStringList voltage{"直流电压", "交流电压"};
        for (int n : {121, 122, 221, 222, 321, 322})
            QTest::newRow(qPrintable(QString::number(n))) << n << voltage;
        for (int n : {0, 101, 120, 123, 220, 223})
            QTest::newRow(qPrintable(QString::number(n))) << n << nineTypes;
    }
    void typesByChannel()
    {
        QFETCH(int, number);
        QFETCH(QStringList, types);
        QCOMPARE(driver->typeList(number), types);
    }

    void channelNumbers_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<QStringList>("expected");
        const QStringList all = numbers(1, 1, 22) + numbers(2, 1, 22);
        QTest::newRow("1") << 1 << QStringList{"101"};
        QTest::newRow("5") << 5 << numbers(1, 1, 5);
        QTest::newRow("10") << 10 << numbers(1, 1, 10);
        QTest::newRow("15") << 15 << numbers(1, 1, 10) + numbers(2, 1, 5);
        QTest::newRow("20") << 20 << numbers(1, 1, 10) + numbers(2, 1, 10);
        QTest::newRow("21") << 21 << numbers(1, 1, 20) + numbers(2, 1, 1);
        QTest::newRow("25") << 25 << numbers(1, 1, 20) + numbers(2, 1, 5);
        QTest::newRow("40") << 40 << numbers(1, 1, 20) + numbers(2, 1, 20);
        QTest::newRow("41") << 41 << numbers(1, 1, 22) + numbers(2, 1, 19);
        QTest::newRow("44") << 44 << all;
        QTest::newRow("45 gives all 44") << 45 << all;
        QTest::newRow("0 gives all 44") << 0 << all;
        QTest::newRow("-3 gives all 44") << -3 << all;
    }
    void channelNumbers()
    {
        QFETCH(int, count);
        QFETCH(QStringList, expected);
        QCOMPARE(driver->channelNumberList(count), expected);
    }

    void coefficientMask_data()
    {
        QTest::addColumn<QString>("function");
        QTest::addColumn<QList<bool>>("mask");
        const bool t = true, f = false;
        QTest::newRow("S") << "S" << QList<bool>{t, t, t, t, f, f, f, t, t};
        QTest::newRow("R") << "R" << QList<bool>{t, t, t, t, f, f, f, t, t};
        QTest::newRow("R(T)") << "R(T)" << QList<bool>{t, t, t, t, f, f, f, t, t};
        QTest::newRow("POLY") << "POLY" << QList<bool>{t, t, t, t, t, t, t, t, t};
        QTest::newRow("ITS90") << "ITS90" << QList<bool>{t, t, t, t, t, t, t, t, t};
        QTest::newRow("PT385") << "PT385" << QList<bool>{f, f, f, f, t, f, f, t, t};
        QTest::newRow("PT392") << "PT392" << QList<bool>{f, f, f, f, t, f, f, t, t};
        QTest::newRow("CVD") << "CVD" << QList<bool>{t, t, t, f, t, f, f, t, t};
        QTest::newRow("K") << "K" << QList<bool>{f, f, f, f, f, f, f, t, t};
        QTest::newRow("10kΩ") << "10kΩ" << QList<bool>{f, f, f, f, f, f, f, t, t};
    }
    void coefficientMask()
    {
        QFETCH(QString, function);
        QFETCH(QList<bool>, mask);
        QCOMPARE(driver->coefficientMask(function), mask);
    }

    void checkChannels_data()
    {
        QTest::addColumn<Rows>("rows");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("error");
        QTest::newRow("no rows") << Rows{} << false << "通道未设置！";
        QTest::newRow("one thermocouple") << Rows{thermocouple("101")} << true << "";
        QTest::newRow("type not on a voltage-only channel")
            << Rows{thermocouple("121")} << false << "121:类型错误！";
        QTest::newRow("number not a number reads as 0 and passes")
            << Rows{thermocouple("abc")} << true << "";
        QTest::newRow("frequency has no range")
            << Rows{channelRow("101", "频率", "", "二线制", "V")} << false << "101:量程错误！";
        QTest::newRow("ac voltage has no range")
            << Rows{channelRow("121", "交流电压", "自动", "二线制", "V")} << false << "121:量程错误！";
        QTest::newRow("current has no wiring")
            << Rows{channelRow("101", "直流电流", "1mA", "二线制", "V")} << false
            << "101:接线线制错误！";
        QTest::newRow("thermistor in three wires")
            << Rows{channelRow("101", "热敏电阻", "5kΩ", "三线制", "℃")} << false
            << "101:接线线制错误！";
        QTest::newRow("unknown unit")
            << Rows{thermocouple("101", "K")} << false << "101:单位错误！";
        QTest::newRow("membership before order: second row's type first")
            << Rows{thermocouple("102"), thermocouple("121")} << false << "121:类型错误！";
        QTest::newRow("four wires take the channel ten higher")
            << Rows{channelRow("103", "铂电阻", "PT385", "四线制", "℃"), thermocouple("113")}
            << false << "113被占用！";
        QTest::newRow("four wires with the higher channel free")
            << Rows{channelRow("103", "铂电阻", "PT385", "四线制", "℃"), thermocouple("114")}
            << true << "";
        QTest::newRow("three wires on position 10 take position 20")
            << Rows{channelRow("210", "铂电阻", "PT385", "三线制", "℃"), thermocouple("220")}
            << false << "220被占用！";
        QTest::newRow("more than two wires on positions 11 to 20")
            << Rows{channelRow("113", "铂电阻", "PT385", "四线制", "℃")} << false
            << "113不能被设置为:四线制";
        QTest::newRow("positions 21 and 22 have no wiring rule")
            << Rows{channelRow("121", "直流电压", "1V", "二线制", "V"),
                    channelRow("222", "直流电压", "10V", "二线制", "V")}
            << true << "";
        QTest::newRow("numbers must rise")
            << Rows{thermocouple("102"), thermocouple("101")} << false << "通道号需要递增！";
        QTest::newRow("numbers must not repeat")
            << Rows{thermocouple("102"), thermocouple("102")} << false << "通道号需要递增！";
        QTest::newRow("three units")
            << Rows{thermocouple("101"), channelRow("102", "直流电压", "1V", "二线制", "V"),
                    channelRow("103", "直流电压", "1V", "二线制", "mV")}
            << false << "通道单位不许超过2个！";
        QTest::newRow("two temperature units")
            << Rows{thermocouple("101", "℃"), thermocouple("102", "℉")} << false
            << "不能同时设置两个温度单位！";
        QTest::newRow("two units, one a temperature")
            << Rows{thermocouple("101", "℉"), channelRow("102", "直流电压", "1V", "二线制", "V")}
            << true << "";
    }
    void checkChannels()
    {
        QFETCH(Rows, rows);
        QFETCH(bool, ok);
        QFETCH(QString, error);
        QString message = "untouched";
        QCOMPARE(driver->checkChannels(rows, message), ok);
        QCOMPARE(message, ok ? QString("untouched") : error);
    }

    void minScanInterval_data()
    {
        QTest::addColumn<QString>("rate");
        QTest::addColumn<int>("rows");
        QTest::addColumn<double>("seconds");
        QTest::newRow("fast 12") << "快速" << 12 << 1.2;
        QTest::newRow("medium 12") << "中速" << 12 << 12.0;
        QTest::newRow("slow 3") << "慢速" << 3 << 12.0;
        QTest::newRow("other word 5") << "标准" << 5 << 0.5;
        QTest::newRow("no rows") << "慢速" << 0 << 2.0;
    }
    void minScanInterval()
    {
        QFETCH(QString, rate);
        QFETCH(int, rows);
        QFETCH(double, seconds);
        Rows list;
        for (int i = 0; i < rows; ++i)
            list << thermocouple(QString::number(101 + i));
        QVERIFY(qAbs(driver->minScanInterval(rate, list) - seconds) < 1e-9);
    }

    void instrumentSettingsAreNotWritable()
    {
        QString message = "设置成功！";
        QVERIFY(driver->writeDeviceSettings("1", "9600", "1.2.3.4", "255.0.0.0", "80", "0",
                                            message));
        QCOMPARE(message, QString("当前设备不支持设备设置。"));
    }

    void linkOperationsFailWithoutLink()
    {
        // Nothing opened: every exchange is refused at once.
        QStringList values{"kept"};
        QVERIFY(!driver->readValues(values));
        QCOMPARE(values, QStringList{"kept"});
        QVERIFY(!driver->setDeviceTime(QDateTime::currentDateTime()));
        QVERIFY(!driver->setScanInterval(1.0, 1));
        QVERIFY(!driver->configureChannels("快速", {thermocouple("101")}));
        QVERIFY(!driver->requestValues());
        QVERIFY(driver->close());
    }
};

QTEST_GUILESS_MAIN(Test1586AOptions)
#include "test_1586a_options.moc"
