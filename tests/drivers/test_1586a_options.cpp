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

// The driver with its commands written down instead of sent; the send numbered `failAt`
// (from 1) fails, as on a link that went down.
class RecordingDriver : public Collection1586A
{
public:
    QStringList sent;
    int failAt = 0;
    bool sendCommand(QString command) override
    {
        sent << command;
        return sent.size() != failAt;
    }
};

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
        QTest::newRow("number outside the list")
            << Rows{thermocouple("001"), thermocouple("123")} << false << "123:通道号错误！";
        QTest::newRow("number not a number") << Rows{thermocouple("abc")} << false << "abc:通道号错误！";
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

    // The commands of one channel, exactly as the scanner is to receive them, for every kind of
    // channel. Rows without correction (gain -1000) and in a unit other than a temperature keep
    // the lists to the commands of the channel's type.
    void channelCommands_data()
    {
        QTest::addColumn<ChannelRecord>("row");
        QTest::addColumn<QStringList>("commands");
        const float none = -1000.0f;
        auto on = [](const QString &n) { return "ROUT:CHAN:STAT ON,(@" + n + ")\r\n"; };
        const QStringList seven{"1.5", "-2e-3", "3", "4.25", "100.5", "6e-7", "-7"};

        QTest::newRow("thermocouple S with its coefficients, scaled")
            << withCoefficients(channelRow("101", "热电偶", "S", "二线制", "℃", 0.5f, -2.0f), seven)
            << QStringList{"UNIT:TEMP C\r\n", on("101"), "TEMP:TC:TYPE S,(@101)\r\n",
                           "TEMP:TC:S:COEF 1.5,-2e-3,3,4.25,(@101)\r\n",
                           "TEMP:TC:RJUN:TYPE INT,(@101)\r\n", "CALC:SCAL:STAT ON,(@101)\r\n",
                           "CALC:SCAL:GAIN 0.5,(@101)\r\n", "CALC:SCAL:OFFS -2,(@101)\r\n"};
        QTest::newRow("thermocouple R in Fahrenheit")
            << withCoefficients(channelRow("102", "热电偶", "R", "二线制", "℉", none), seven)
            << QStringList{"UNIT:TEMP F\r\n", on("102"), "TEMP:TC:TYPE R,(@102)\r\n",
                           "TEMP:TC:R:COEF 1.5,-2e-3,3,4.25,(@102)\r\n",
                           "TEMP:TC:RJUN:TYPE INT,(@102)\r\n"};
        // Channel 001 has no reference junction; gain and offset in exponent notation.
        QTest::newRow("thermocouple POLY on channel 001")
            << withCoefficients(channelRow("001", "热电偶", "POLY", "二线制", "V", 1234567.0f,
                                           1e-5f),
                                seven)
            << QStringList{on("001"), "TEMP:TC:TYPE POLY,(@001)\r\n",
                           "TEMP:TC:POLY:COEF 1.5,-2e-3,3,4.25,100.5,6e-7,-7,(@001)\r\n",
                           "CALC:SCAL:STAT ON,(@001)\r\n", "CALC:SCAL:GAIN 1.23457e+06,(@001)\r\n",
                           "CALC:SCAL:OFFS 1e-05,(@001)\r\n"};
        ChannelRecord fixed = channelRow("103", "热电偶", "J", "二线制", "V", none);
        fixed.compensation = "固定冷端";
        fixed.coldJunction = " -5.25 ";
        QTest::newRow("thermocouple with a fixed cold junction")
            << fixed
            << QStringList{on("103"), "TEMP:TC:TYPE J,(@103)\r\n",
                           "TEMP:TC:RJUN:TYPE FIX,(@103)\r\n", "TEMP:TC:RJUN -5.25,(@103)\r\n"};
        QTest::newRow("thermistor 2.252k two wires")
            << channelRow("104", "热敏电阻", "2.252kΩ", "二线制", "V", none)
            << QStringList{on("104"), "TEMP:THER:TYPE R2K2,(@104)\r\n"};
        QTest::newRow("thermistor 5k four wires")
            << channelRow("105", "热敏电阻", "5kΩ", "四线制", "V", none)
            << QStringList{on("105"), "TEMP:FTH:TYPE R5K,(@105)\r\n"};
        QTest::newRow("thermistor 10k two wires")
            << channelRow("106", "热敏电阻", "10kΩ", "二线制", "V", none)
            << QStringList{on("106"), "TEMP:THER:TYPE R10K,(@106)\r\n"};
        QTest::newRow("thermistor R(T) four wires")
            << withCoefficients(channelRow("107", "热敏电阻", "R(T)", "四线制", "V", none), seven)
            << QStringList{on("107"), "TEMP:FTH:TYPE RPOL,(@107)\r\n",
                           "TEMP:FTH:RPOL:COEF 1.5,-2e-3,3,4.25,(@107)\r\n"};
        QTest::newRow("platinum ITS90 two wires")
            << withCoefficients(channelRow("108", "铂电阻", "ITS90", "二线制", "V", none), seven)
            << QStringList{on("108"), "TEMP:RTD:TYPE SPRT,(@108)\r\n",
                           "TEMP:RTD:SPRT:RTPW 100.5,(@108)\r\n",
                           "TEMP:RTD:SPRT:COEF:HIGH 1.5,-2e-3,3,4.25,(@108)\r\n",
                           "TEMP:RTD:SPRT:COEF:LOW 6e-7,-7,(@108)\r\n"};
        QTest::newRow("platinum PT392 three wires")
            << withCoefficients(channelRow("109", "铂电阻", "PT392", "三线制", "V", none), seven)
            << QStringList{on("109"), "TEMP:TRTD:TYPE A392,(@109)\r\n",
                           "TEMP:TRTD:A392:RZER 100.5,(@109)\r\n"};
        QTest::newRow("platinum CVD four wires")
            << withCoefficients(channelRow("110", "铂电阻", "CVD", "四线制", "V", none), seven)
            << QStringList{on("110"), "TEMP:FRTD:TYPE ABC,(@110)\r\n",
                           "TEMP:FRTD:ABC:RZER 100.5,(@110)\r\n",
                           "TEMP:FRTD:ABC:COEF 1.5,-2e-3,3,(@110)\r\n"};
        const struct { const char *type, *function, *command; } ranges[] = {
            {"直流电压", "100mV", "VOLT:RANG 0.1,"},
            {"直流电压", "1V", "VOLT:RANG 1,"},
            {"直流电压", "10V", "VOLT:RANG 10,"},
            {"直流电压", "50V", "VOLT:RANG 50,"},
            {"直流电压", "自动", "VOLT:RANG:AUTO ON,"},
            {"交流电压", "100V", "VOLT:AC:RANG 100,"},
            {"交流电压", "150V", "VOLT:AC:RANG 150,"},
            {"交流电压", "自动", "VOLT:AC:RANG:AUTO ON,"},
            {"直流电流", "100μA", "CURR:RANG 1e-04,"},
            {"直流电流", "100mA", "CURR:RANG 1e-01,"},
            {"交流电流", "10mA", "CURR:AC:RANG 1e-02,"},
            {"交流电流", "自动", "CURR:AC:RANG:AUTO ON,"},
            {"电阻", "1kΩ", "RES:RANG 1e+03,"},
            {"电阻", "100kΩ", "RES:RANG 1e+05,"},
            {"电阻", "1MΩ", "RES:RANG 1e+06,"},
            {"电阻", "10MΩ", "RES:RANG 1e+07,"},
            {"电阻", "自动", "RES:RANG:AUTO ON,"},
        };
        for (const auto &r : ranges) {
            QTest::newRow(qPrintable(QString(r.type) + " " + r.function))
                << channelRow("201", r.type, r.function, "二线制", "V", none)
                << QStringList{on("201"), QString(r.command) + "(@201)\r\n"};
        }
        QTest::newRow("resistance four wires")
            << channelRow("202", "电阻", "100Ω", "四线制", "Ω", none)
            << QStringList{on("202"), "FRES:RANG 1e+02,(@202)\r\n"};
        // A range of another kind of quantity adds no range command.
        QTest::newRow("voltage with a resistance range")
            << channelRow("203", "直流电压", "1kΩ", "二线制", "V", none) << QStringList{on("203")};
        QTest::newRow("current with a voltage range")
            << channelRow("204", "直流电流", "1V", "二线制", "V", none) << QStringList{on("204")};
        QTest::newRow("frequency")
            << channelRow("205", "频率", "", "二线制", "V", none)
            << QStringList{on("205"), "CONF:FREQ(@205)\r\n"};
    }
    void channelCommands()
    {
        QFETCH(ChannelRecord, row);
        QFETCH(QStringList, commands);
        RecordingDriver recorder;
        QVERIFY(recorder.configureChannel(row));
        QCOMPARE(recorder.sent, commands);
    }

    // The first command that cannot be sent ends the operation: nothing after it goes out.
    void firstFailedSendEndsTheOperation_data()
    {
        QTest::addColumn<int>("operation");
        QTest::addColumn<int>("failAt");
        QTest::newRow("configuration, at the reset") << 0 << 1;
        QTest::newRow("configuration, at the rate") << 0 << 2;
        QTest::newRow("configuration, in the first channel") << 0 << 5;
        QTest::newRow("configuration, in the second channel") << 0 << 11;
        QTest::newRow("clock, at the date") << 1 << 1;
        QTest::newRow("clock, at the time") << 1 << 2;
        QTest::newRow("timed scanning, at the trigger source") << 2 << 1;
        QTest::newRow("timed scanning, at the reading memory") << 2 << 4;
        QTest::newRow("coefficient write, at the first") << 3 << 1;
        QTest::newRow("coefficient write, at the third") << 3 << 3;
    }
    void firstFailedSendEndsTheOperation()
    {
        QFETCH(int, operation);
        QFETCH(int, failAt);
        RecordingDriver recorder;
        recorder.failAt = failAt;
        bool ok = true;
        switch (operation) {
        case 0:
            ok = recorder.configureChannels(
                "慢速", {thermocouple("101"), thermocouple("102"), thermocouple("103")});
            break;
        case 1:
            ok = recorder.setDeviceTime(QDateTime(QDate(2024, 1, 2), QTime(3, 4, 5)));
            break;
        case 2:
            ok = recorder.setScanInterval(10, 5);
            break;
        default:
            ok = recorder.writeChannelCoefficients(withCoefficients(
                channelRow("101", "铂电阻", "ITS90", "四线制", "℃"), {"1", "2", "3", "4", "5", "6", "7"}));
        }
        QVERIFY(!ok);
        QCOMPARE(recorder.sent.size(), failAt);
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
