// The Gastu driver against its stand-in (tests/sim/fake_gastu.py), over loopback TCP
// (test_gastu_tcp) or a socat pty pair (test_gastu_pty), with its reply waits and scan-cycle
// wait shortened. Driver operations run on worker threads, as the pages run them.

#include <QtTest>

#include <memory>

#include "ChannelRows.h"
#include "CollectionGastu.h"
#include "DriverBench.h"

#ifndef LINK_OVER_PTY
#define LINK_OVER_PTY 0
#endif

using Rows = QList<ChannelRecord>;

namespace {
ChannelRecord gastuRow(const QString &number, const QString &function, const QString &wire,
                       const QString &unit, float gain = 1.0f, float offset = 0.0f)
{
    return channelRow(number, "热电阻", function, wire, unit, gain, offset);
}

const ChannelRecord platinum = withCoefficients(
    gastuRow("001", "PT", "四线制", "℃", 1.5f, -0.25f), {"3.9083e-3", "-5.775e-7", "", "", "100"});
// A leading coefficient of 0: no curve coefficients are sent.
const ChannelRecord thermistor =
    withCoefficients(gastuRow("101", "NTC", "二线制", "Ω", -1000.0f), {"0", "3"});
const Rows configuration{platinum, thermistor, channelRow("102", "空", "空", "空", "℃")};
const QStringList readings{"29.900000", "20.200000", "20.300000"};
} // namespace

class TestGastuLink : public QObject, DriverBench<CollectionGastu>
{
    Q_OBJECT
public:
    TestGastuLink() : DriverBench(QStringLiteral("fake_gastu.py")) {}

private:

    QString ask(const QString &query)
    {
        QString reply;
        return runOnWorker([&] { return driver->query(query + "\r\n", reply); }) ? reply : "<none>";
    }
    QStringList fetch(bool &ok)
    {
        QStringList values{"kept"};
        ok = runOnWorker([&] { return driver->requestValues() && driver->fetchValues(values); });
        return values;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(link.start(LINK_OVER_PTY ? "串口" : "网络"));
        driver.reset(new CollectionGastu);
        driver->setReplyBudgets(800, 2400);
        driver->setScanCycleWait(10);
        QVERIFY(open());
        QCOMPARE(sent(1), QStringList{"SCAN 0\r\n"});
    }
    void cleanupTestCase()
    {
        if (driver)
            runOnWorker([&] { return driver->close(); });
        driver.reset();
    }

    // An instrument that refuses to stop scanning is not opened; the link is closed again.
    void refusedScanOffClosesTheLink()
    {
        FakeLink refusing;
        QVERIFY(refusing.start(link.mode(), {"--reply", "SCAN 0=SET ERR"}));
        CollectionGastu d;
        QVERIFY(!runOnWorker(
            [&] { return d.open(refusing.mode(), refusing.address(), refusing.portOrBaud()); }));
        QTRY_VERIFY(!d.isConnected());
        QCOMPARE(refusing.fake().requests(), QStringList{"SCAN 0\r\n"});
    }

    void identityClockAndSettings()
    {
        QString serial, version, address, baud, ip, mask, port, filter = "kept";
        QVERIFY(runOnWorker([&] { return driver->readSerialNumber(serial); }));
        QCOMPARE(serial, QString("GASTU,RT21,SN20240601,V1.07"));
        QVERIFY(runOnWorker([&] {
            return driver->readDeviceSettings(serial, version, address, baud, ip, mask, port,
                                              filter);
        }));
        QCOMPARE(QStringList({address, version, baud, ip, mask, port, filter}),
                 QStringList({"01", "V2.03", "9600", "192.168.1.10", "255.255.255.0",
                              "192.168.1.1", "kept"}));
        const QDateTime when(QDate(2024, 3, 5), QTime(14, 7, 9));
        QVERIFY(runOnWorker([&] { return driver->setDeviceTime(when); }));
        sent(6);
        QCOMPARE(ask("SYST:DATE?"), QString("2024,03,05,14,07,09"));

        // The setting that carries the link in use changes last; filter and address stay.
        QString message;
        QVERIFY(runOnWorker([&] {
            return driver->writeDeviceSettings("09", "19200", "10.0.0.5", "255.0.0.0", "10.0.0.1",
                                               "7", message);
        }));
        QCOMPARE(message, QString("设置成功,请断开连接重连。"));
        const QStringList network{"SYST:NET:IP?\r\n", "SYST:NET:IP 10.0.0.5;255.0.0.0;10.0.0.1\r\n"};
        const QStringList baudRate{"SYST:COMM:BAND 19200\r\n"};
        QCOMPARE(sent(4).mid(1), LINK_OVER_PTY ? network + baudRate : baudRate + network);
    }

    void configurationSequence()
    {
        QVERIFY(runOnWorker([&] { return driver->configureChannels("标准", configuration); }));
        const QStringList expected{
            "*RST\r\n", "RATE 4\r\n", "INTERVAL 12\r\n", "STORE:TIME 0\r\n",
            "ROUT:CHAN:STAT 1,(@1)\r\n", "TEMP:RES:TYPE 0,(@1)\r\n", "WIRE 4,(@1)\r\n",
            "CALC:SCAL:GAIN 1.5,(@1)\r\n", "CALC:SCAL:OFFS -0.25,(@1)\r\n", "TEMP:VOLT 0,(@1)\r\n",
            "TEMP:RES:COEF 1.0000000000e+02,3.9083000000e-03,-5.7750000000e-07,"
            "0.0000000000e+00,0.0000000000e+00,0.0000000000e+00,(@1)\r\n",
            "ROUT:CHAN:STAT 1,(@2)\r\n", "TEMP:RES:TYPE 4,(@2)\r\n", "WIRE 2,(@2)\r\n",
            "TEMP:VOLT 1,(@2)\r\n",
            "ROUT:CHAN:STAT 1,(@3)\r\n",
            "SCAN 1\r\n"};
        QCOMPARE(sent(expected.size()), expected);
        // The caller's rows keep their numbers.
        QCOMPARE(configuration.first().channelNumber, QString("001"));
    }

    void refusedConfigurations_data()
    {
        QTest::addColumn<Rows>("rows");
        QTest::addColumn<bool>("sendsReset");
        QTest::newRow("no rows") << Rows{} << true;
        QTest::newRow("channel outside the model")
            << Rows{gastuRow("101", "PT", "四线制", "℃"), gastuRow("121", "PT", "四线制", "℃")}
            << false;
        QTest::newRow("coefficient not a number")
            << Rows{withCoefficients(gastuRow("101", "CVD", "四线制", "℃"), {"a", "b", "", "", "100"})}
            << false;
    }
    void refusedConfigurations()
    {
        QFETCH(Rows, rows);
        QFETCH(bool, sendsReset);
        QVERIFY(!runOnWorker([&] { return driver->configureChannels("快速", rows); }));
        QCOMPARE(ask("SCAN?"), QString("1"));   // nothing else reached the instrument
        QCOMPARE(sent(1), (sendsReset ? QStringList{"*RST\r\n"} : QStringList{}) + QStringList{"SCAN?\r\n"});
        // A reset cleared the instrument: back to the configuration the later tests read.
        if (sendsReset) {
            QVERIFY(runOnWorker([&] { return driver->configureChannels("快速", configuration); }));
            sent(17);
        }
    }

    // Two fields per channel, the value second, six decimals.
    void sampling()
    {
        QStringList values;
        QVERIFY(runOnWorker([&] { return driver->readValues(values); }));
        QCOMPARE(values, readings);
        bool ok = false;
        QCOMPARE(fetch(ok), readings);
        QVERIFY(ok);
        QCOMPARE(sent(2), QStringList({"DATA?\r\n", "DATA?\r\n"}));
    }

    void awkwardReplies_data()
    {
        QTest::addColumn<QStringList>("steering");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QStringList>("values");
        QTest::newRow("stale line before the reply")
            << QStringList{"SIM:REPLY 1,9,2,9,3,9\\r\\n1,29.9,2,20.2,3,20.3"} << true << readings;
        // The second half comes after one reply wait: the fetch's budget still takes it whole.
        QTest::newRow("reply split across the reply wait")
            << QStringList{"SIM:SPLIT 2", "SIM:GAP 1200"} << true << readings;
        QTest::newRow("error reply in place of values")
            << QStringList{"SIM:REPLY 1,-113,2,\"Undefined header\",3,1"} << false << QStringList{};
        QTest::newRow("field count not twice the channels")
            << QStringList{"SIM:REPLY 29.9,20.2,20.3"} << false << QStringList{};
        QTest::newRow("overload stays a number")
            << QStringList{"SIM:REPLY 1,9.9E+37,2,-9.9E+37,3,1"} << true
            << QStringList{QString::number(9.9e37, 'f', 6), QString::number(-9.9e37, 'f', 6),
                           "1.000000"};
    }
    void awkwardReplies()
    {
        QFETCH(QStringList, steering);
        QFETCH(bool, ok);
        QFETCH(QStringList, values);
        steer(steering);
        bool got = !ok;
        const QStringList read = fetch(got);
        steer({"SIM:SPLIT 1", "SIM:GAP 0"});
        QCOMPARE(got, ok);
        QCOMPARE(read, values);
        sent(1);
    }

    void coefficientsWriteAndReadBack_data()
    {
        QTest::addColumn<ChannelRecord>("row");
        QTest::addColumn<QString>("command");
        QTest::addColumn<QStringList>("readBack");   // A, B, C, D, R0, A4, B4
        QTest::newRow("PT on channel 001")
            << platinum
            << "TEMP:RES:COEF 1.0000000000e+02,3.9083000000e-03,-5.7750000000e-07,"
               "0.0000000000e+00,0.0000000000e+00,0.0000000000e+00,(@1)\r\n"
            << QStringList{"3.9083000000E-03", "-5.7750000000E-07", "0.0000000000E+00", "d",
                           "1.0000000000E+02", "a4", "b4"};
        // Sent even with a leading 0; no correction for a gain of -1000.
        QTest::newRow("NTC on channel 101")
            << thermistor
            << "TEMP:RES:COEF 0.0000000000e+00,3.0000000000e+00,0.0000000000e+00,"
               "0.0000000000e+00,0.0000000000e+00,0.0000000000e+00,(@2)\r\n"
            << QStringList{"0.0000000000E+00", "3.0000000000E+00", "c", "d", "r0", "a4", "b4"};
    }
    void coefficientsWriteAndReadBack()
    {
        QFETCH(ChannelRecord, row);
        QFETCH(QString, command);
        QFETCH(QStringList, readBack);
        QVERIFY(runOnWorker([&] { return driver->writeChannelCoefficients(row); }));
        const QStringList written = sent(row.mxbM == -1000.0f ? 2 : 4);
        QCOMPARE(written.last(), command);
        QCOMPARE(written.first(), "TEMP:RES:TYPE " + QString(row.function == "PT" ? "0" : "4")
                                      + ",(@" + command.section("(@", 1));

        ChannelRecord back = withCoefficients(row, {"a", "b", "c", "d", "r0", "a4", "b4"});
        QVERIFY(runOnWorker([&] { return driver->readChannelCoefficients(back); }));
        QCOMPARE(coefficientsOf(back), readBack);
        QCOMPARE(back.channelNumber, row.channelNumber);
        QCOMPARE(back.mxbM, row.mxbM == -1000.0f ? 1.0f : row.mxbM);
        sent(4);
    }

    void coefficientRefusals()
    {
        // Not a number, or a channel the model does not have: nothing is sent.
        ChannelRecord bad = withCoefficients(platinum, {"3.9e-3", "B?", "", "", "100"});
        QVERIFY(!runOnWorker([&] { return driver->writeChannelCoefficients(bad); }));
        ChannelRecord outside = platinum;
        outside.channelNumber = "121";
        QVERIFY(!runOnWorker([&] { return driver->writeChannelCoefficients(outside); }));
        QVERIFY(!runOnWorker([&] { return driver->readChannelCoefficients(outside); }));
        QCOMPARE(ask("SCAN?"), QString("1"));
        QCOMPARE(sent(1), QStringList{"SCAN?\r\n"});

        // A coefficient reply that is not all numbers fails the read and changes nothing.
        ChannelRecord back = withCoefficients(platinum, {"a"});
        steer({"SIM:ANSWER TEMP:RES:COEF=1,2,3,4,5,Undefined"});
        QVERIFY(!runOnWorker([&] { return driver->readChannelCoefficients(back); }));
        QCOMPARE(back.a_c0, QString("a"));
        QCOMPARE(back.mxbM, platinum.mxbM);
        sent(4);
    }
};

QTEST_GUILESS_MAIN(TestGastuLink)
#include "test_gastu_link.moc"
