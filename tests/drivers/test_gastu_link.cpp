// The Gastu driver against tests/sim/fake_gastu.py over loopback TCP (test_gastu_tcp) or a
// socat pty pair (test_gastu_pty), its reply and scan-cycle waits shortened.

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
const ChannelRecord platinum = withCoefficients(gastuRow("001", "PT", "四线制", "℃", 1.5f, -0.25f),
                                                {"3.9083e-3", "-5.775e-7", "", "", "100"});
// A leading coefficient of 0 (no curve coefficients in the set-up) and no correction.
const ChannelRecord thermistor =
    withCoefficients(gastuRow("101", "NTC", "二线制", "Ω", -1000.0f), {"0", "3"});
const QString zeros = "0.0000000000e+00";
const QString platinumCoefficients = "TEMP:RES:COEF 1.0000000000e+02,3.9083000000e-03,"
                                     "-5.7750000000e-07," + zeros + "," + zeros + "," + zeros
                                     + ",(@1)\r\n";
const QStringList readings{"29.900000", "20.200000", "20.300000"};
} // namespace

class TestGastuLink : public QObject, DriverBench<CollectionGastu>
{
    Q_OBJECT
public:
    TestGastuLink() : DriverBench("fake_gastu.py", "SCAN?\r\n") {}

private slots:
    void initTestCase()
    {
        QVERIFY(link.start(LINK_OVER_PTY ? "串口" : "网络"));
        driver.reset(new CollectionGastu);
        driver->setReplyBudgets(800, 2400);
        driver->setScanCycleWait(10);
        driver->setFixedWaits(20, 20);
        QVERIFY(open());
        QCOMPARE(sent(1), QStringList{"SCAN 0\r\n"});
    }
    void cleanupTestCase() { runOnWorker([&] { return driver->close(); }); }

    void identityAndSettings()
    {
        QString serial, version, address, baud, ip, mask, port, filter = "kept", message;
        QVERIFY(runOnWorker([&] { return driver->readSerialNumber(serial); }));
        QCOMPARE(serial, QString("GASTU,RT21,SN20240601,V1.07"));
        QVERIFY(runOnWorker([&] {
            return driver->readDeviceSettings(serial, version, address, baud, ip, mask, port,
                                              filter);
        }));
        QCOMPARE(QStringList({address, version, baud, ip, mask, port, filter}),
                 QStringList({"01", "V2.03", "9600", "192.168.1.10", "255.255.255.0",
                              "192.168.1.1", "kept"}));
        // The filter is not written.
        QVERIFY(runOnWorker([&] {
            return driver->writeDeviceSettings("09", "19200", "10.0.0.5", "255.0.0.0",
                                               "10.0.0.1", "7", message);
        }));
        QCOMPARE(sentAll().filter("FILTERING"), QStringList());
    }

    void configuration()
    {
        const Rows rows{platinum, thermistor, channelRow("102", "空", "空", "空", "℃")};
        QVERIFY(runOnWorker([&] { return driver->configureChannels("标准", rows); }));
        QCOMPARE(sentAll(),
                 QStringList({"*RST\r\n", "RATE 4\r\n", "INTERVAL 12\r\n", "STORE:TIME 0\r\n",
                              "ROUT:CHAN:STAT 1,(@1)\r\n", "TEMP:RES:TYPE 0,(@1)\r\n",
                              "WIRE 4,(@1)\r\n", "CALC:SCAL:GAIN 1.5,(@1)\r\n",
                              "CALC:SCAL:OFFS -0.25,(@1)\r\n", "TEMP:VOLT 0,(@1)\r\n",
                              platinumCoefficients, "ROUT:CHAN:STAT 1,(@2)\r\n",
                              "TEMP:RES:TYPE 4,(@2)\r\n", "WIRE 2,(@2)\r\n", "TEMP:VOLT 1,(@2)\r\n",
                              "ROUT:CHAN:STAT 1,(@3)\r\n", "SCAN 1\r\n"}));
        // A channel the model does not have, or a coefficient that is not a number: nothing.
        for (const Rows &refused : {Rows{platinum, gastuRow("121", "PT", "四线制", "℃")},
                                    Rows{withCoefficients(platinum, {"a", "", "", "", "1"})}}) {
            QVERIFY(!runOnWorker([&] { return driver->configureChannels("快速", refused); }));
            QCOMPARE(sentAll(), QStringList());
        }
    }

    // Two fields per channel, the value second; one fetch budget for the whole line.
    void sampling_data()
    {
        QTest::addColumn<QStringList>("steering");
        QTest::addColumn<QStringList>("values");   // empty: the read fails
        QTest::newRow("plain") << QStringList{} << readings;
        QTest::newRow("stale line before the reply")
            << QStringList{"SIM:REPLY 1,9,2,9,3,9\\r\\n1,29.9,2,20.2,3,20.3"} << readings;
        QTest::newRow("split across the reply wait")
            << QStringList{"SIM:SPLIT 2", "SIM:GAP 1200"} << readings;
        QTest::newRow("error reply in place of a value")
            << QStringList{"SIM:REPLY 1,-113,2,\"Undefined header\",3,1"} << QStringList{};
        QTest::newRow("one field per channel")
            << QStringList{"SIM:REPLY 29.9,20.2,20.3"} << QStringList{};
        QTest::newRow("no value on two channels")
            << QStringList{"SIM:REPLY 1,nan,2,-INF,3,1e308"}
            << QStringList{"nan", "nan", QString::number(1e308, 'f', 6)};
    }
    void sampling()
    {
        QFETCH(QStringList, steering);
        QFETCH(QStringList, values);
        steer(steering);
        QStringList read{"kept"};
        const bool ok =
            runOnWorker([&] { return driver->requestValues() && driver->fetchValues(read); });
        steer({"SIM:SPLIT 1", "SIM:GAP 0"});
        QCOMPARE(ok, !values.isEmpty());
        QCOMPARE(read, values);
        QVERIFY(runOnWorker([&] { return driver->readValues(read); }));
        QCOMPARE(read, readings);
        QCOMPARE(sentAll(), QStringList({"DATA?\r\n", "DATA?\r\n"}));
    }

    void coefficients_data()
    {
        QTest::addColumn<ChannelRecord>("row");
        QTest::addColumn<QStringList>("written");    // empty: refused, nothing sent
        QTest::addColumn<QStringList>("readBack");   // A, B, C, D, R0, A4, B4
        QTest::addColumn<QString>("garbled");        // a query answered with a non-number
        QTest::newRow("PT on channel 001")
            << platinum
            << QStringList{"TEMP:RES:TYPE 0,(@1)\r\n", "CALC:SCAL:GAIN 1.5,(@1)\r\n",
                           "CALC:SCAL:OFFS -0.25,(@1)\r\n", platinumCoefficients}
            << QStringList{"3.9083000000E-03", "-5.7750000000E-07", "0.0000000000E+00", "d",
                           "1.0000000000E+02", "a4", "b4"}
            << "CALC:SCAL:GAIN=Undefined";
        QTest::newRow("NTC, sent with a leading 0")
            << thermistor
            << QStringList{"TEMP:RES:TYPE 4,(@2)\r\n", "TEMP:RES:COEF " + zeros
                               + ",3.0000000000e+00," + zeros + "," + zeros + "," + zeros + ","
                               + zeros + ",(@2)\r\n"}
            << QStringList{"0.0000000000E+00", "3.0000000000E+00", "c", "d", "r0", "a4", "b4"}
            << "TEMP:RES:COEF=1,2,3,4,inf,5";
        ChannelRecord outside = platinum;
        outside.channelNumber = "121";
        QTest::newRow("channel outside the model") << outside << QStringList{} << QStringList{}
                                                   << QString();
    }
    void coefficients()
    {
        QFETCH(ChannelRecord, row);
        QFETCH(QStringList, written);
        QFETCH(QStringList, readBack);
        QFETCH(QString, garbled);
        QCOMPARE(runOnWorker([&] { return driver->writeChannelCoefficients(row); }),
                 !written.isEmpty());
        QCOMPARE(sentAll(), written);
        ChannelRecord back = withCoefficients(row, {"a", "b", "c", "d", "r0", "a4", "b4"});
        QCOMPARE(runOnWorker([&] { return driver->readChannelCoefficients(back); }),
                 !readBack.isEmpty());
        if (readBack.isEmpty())
            return;
        QCOMPARE(coefficientsOf(back), readBack);
        QCOMPARE(back.channelNumber, row.channelNumber);   // the caller's number stays
        QCOMPARE(back.mxbM, row.mxbM == -1000.0f ? 1.0f : row.mxbM);
        // A reply that is not all numbers fails the read and changes nothing.
        back = withCoefficients(row, {"a", "b", "c", "d", "r0", "a4", "b4"});
        back.mxbM = 7.0f;
        steer({"SIM:ANSWER " + garbled});
        QVERIFY(!runOnWorker([&] { return driver->readChannelCoefficients(back); }));
        QCOMPARE(coefficientsOf(back), QStringList({"a", "b", "c", "d", "r0", "a4", "b4"}));
        QCOMPARE(back.mxbM, 7.0f);
        sentAll();
    }
};

QTEST_GUILESS_MAIN(TestGastuLink)
#include "test_gastu_link.moc"
