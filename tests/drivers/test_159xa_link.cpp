// The 159XA driver against tests/sim/fake_159xa.py over loopback TCP (test_159xa_tcp) or a
// socat pty pair (test_159xa_pty), its fixed waits shortened.

#include "ChannelRows.h"
#include "Collection159XA.h"
#include "DriverBench.h"

#ifndef LINK_OVER_PTY
#define LINK_OVER_PTY 0
#endif

using Rows = QList<ChannelRecord>;

namespace {
QString probe(int n, const QString &parameter)
{
    return "INP:PROB:PAR \"CH" + QString::number(n) + "\"," + parameter + "\r\n";
}
const QString everyProbe = "CH1,CH2,CH3,CH4,CH5,CH6,CH7,CH8,CH9,CH10,CH11,CH12,CH13,CH14";
const Rows configuration{
    withCoefficients(channelRow("2", "铂电阻", "ITS90", "四线制", "℃"),
                     {"-1.5e-4", "2.5e-5", "0", "", "25.5", "-5.5e-4", "6.5e-5"}),
    // R0 0: no probe set-up. Unit "Ohm" (the calibration's): resistance, no temperature.
    withCoefficients(channelRow("4", "铂电阻", "CVD", "三线制", "℃"), {"1", "2", "3", "", "0"}),
    withCoefficients(channelRow("6", "热敏电阻", "R(T)", "二线制", "Ohm"), {"1e-3"})};
} // namespace

class Test159XALink : public QObject, DriverBench<Collection159XA>
{
    Q_OBJECT
public:
    Test159XALink() : DriverBench("fake_159xa.py", "SYST:CODE:VERS?\r\n") {}

private:
    bool reopen()
    {
        return runOnWorker([&] { return driver->close(); }) && (sentAll(), open());
    }
    QStringList fetch(bool &ok)
    {
        QStringList values{"kept"};
        ok = runOnWorker([&] { return driver->fetchValues(values); });
        return values;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(link.start(LINK_OVER_PTY ? "串口" : "网络", {"--probes", "CH1,CH3,OTHER"}));
        driver.reset(new Collection159XA);
        driver->setWaits({1000, 0, 50, 200, 2, 20});
        QVERIFY(open());
        // Read to the empty name; the missing probes added, then every input assigned.
        const QStringList got = sent(30);
        QCOMPARE(got.mid(0, 5), QStringList({"INP:PROB:FIRS?\r\n", "INP:PROB:NEXT?\r\n",
                                             "INP:PROB:NEXT?\r\n", "INP:PROB:NEXT?\r\n",
                                             "INP:PROB:ADD \"CH2\"\r\n"}));
        QCOMPARE(got.filter("INP:PROB:ADD").size(), 12);
        QCOMPARE(got.last(), QString("INP14:PROB:IDEN \"CH14\"\r\n"));
    }
    void cleanupTestCase() { runOnWorker([&] { return driver->close(); }); }

    void probeLists_data()
    {
        QTest::addColumn<QStringList>("steering");
        QTest::addColumn<bool>("opens");
        QTest::addColumn<int>("asked");
        QTest::newRow("list that begins again")
            << QStringList{"SIM:PROBES " + everyProbe, "SIM:CYCLE 1"} << true << 15;
        QTest::newRow("reply shorter than two characters")
            << QStringList{"SIM:FIRST x"} << false << 1;
        QTest::newRow("more than 1000 names") << QStringList{"SIM:MANY 1001"} << false << 1001;
    }
    void probeLists()
    {
        QFETCH(QStringList, steering);
        QFETCH(bool, opens);
        QFETCH(int, asked);
        steer(steering);
        sentAll();   // the steering reached the stand-in before the close
        QCOMPARE(reopen(), opens);
        QCOMPARE(sentAll().filter(QRegularExpression("PROB:(FIRS|NEXT)")).size(), asked);
        // A refused list leaves the link up: back to every probe.
        steer({"SIM:CYCLE 0", "SIM:PROBES " + everyProbe});
        sentAll();
        QVERIFY(reopen());
        sentAll();
    }

    void identity_data()
    {
        QTest::addColumn<QString>("identity");
        QTest::addColumn<bool>("model");
        QTest::addColumn<bool>("settings");
        QTest::newRow("159XA") << "FLUKE,1594A,A1B2C3,1.20" << true << true;
        QTest::newRow("another model of the vendor") << "FLUKE,1586A,1,1" << false << true;
    }
    void identity()
    {
        QFETCH(QString, identity);
        QFETCH(bool, model);
        QFETCH(bool, settings);
        steer({"SIM:IDN " + identity});
        QString got, version, a = "a";
        QCOMPARE(runOnWorker([&] { return driver->readSerialNumber(got); }), model);
        QCOMPARE(got, identity);
        QCOMPARE(runOnWorker([&] {
                     return driver->readDeviceSettings(got, version, a, a, a, a, a, a);
                 }),
                 settings);
        QCOMPARE(version + a, settings ? QString("1.20a") : QString("a"));
        sentAll();
    }

    void configurationSequence()
    {
        QVERIFY(runOnWorker([&] { return driver->configureChannels("中速", configuration); }));
        QCOMPARE(sentAll(),
                 QStringList({"SENS:APER:SAMP 2\r\n", "SENS:APER[:DISP] 2\r\n",
                              "ROUTE:SCAN (@2,4,6)\r\n", probe(2, "TYPE,PRT"),
                              probe(2, "CONV,ITS_90"), probe(2, "NOM_CURR,1"),
                              probe(2, "RTPW,25.5000000000"), probe(2, "A8,-1.5000000000e-04"),
                              probe(2, "B8,2.5000000000e-05"), probe(2, "C8,0.0000000000e+00"),
                              probe(2, "D8,0.0000000000e+00"), probe(2, "A4,-5.5000000000e-04"),
                              probe(2, "B4,6.5000000000e-05"), "CALC2:TYPE TEMP\r\n",
                              probe(6, "TYPE,RES"), probe(6, "NOM_CURR,0.01")}));
        // Fourteen rows: refused after the aperture; a coefficient not a number: nothing sent.
        Rows fourteen;
        for (int n = 1; n <= 14; ++n)
            fourteen << channelRow(QString::number(n), "电阻", "自动", "二线制", "Ω");
        QVERIFY(!runOnWorker([&] { return driver->configureChannels("快速", fourteen); }));
        QCOMPARE(sentAll(), QStringList({"SENS:APER:SAMP 1\r\n", "SENS:APER[:DISP] 2\r\n"}));
        const Rows bad{withCoefficients(configuration.first(), {"3.9e-3", "x", "", "", "100"})};
        QVERIFY(!runOnWorker([&] { return driver->configureChannels("快速", bad); }));
        QCOMPARE(sentAll(), QStringList());
    }

    // Measurement starts once per open; one value per scanned channel, eight decimals.
    void sampling()
    {
        QVERIFY(runOnWorker([&] { return driver->configureChannels("快速", configuration); }));
        sentAll();
        const QStringList expected{"20.20000000", "20.40000000", "20.60000000"};
        const QStringList asked{"FETCH? 2\r\n", "FETCH? 4\r\n", "FETCH? 6\r\n"};
        bool ok = false;
        QCOMPARE(fetch(ok), expected);
        QVERIFY(ok);
        QCOMPARE(sentAll(), QStringList{"INIT:CONT 1\r\n"} + asked);
        QCOMPARE(fetch(ok), expected);
        QCOMPARE(sentAll(), asked);
        QVERIFY(reopen());
        sentAll();
        QCOMPARE(fetch(ok), expected);
        QCOMPARE(sentAll().first(), QString("INIT:CONT 1\r\n"));
        steer({"SIM:REPLY -INF,2"});   // no value on that channel alone
        QCOMPARE(fetch(ok), QStringList({"nan", "20.40000000", "20.60000000"}));
        QVERIFY(ok);
    }

    // An error reply is asked again; a stale line is passed over; a reply whose second half
    // comes after the reply wait is waited for, not asked again; a silent channel fails.
    void awkwardReplies_data()
    {
        QTest::addColumn<QStringList>("steering");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("asked");
        QTest::newRow("error reply") << QStringList{"SIM:REPLY -113,\"Undefined header\""}
                                     << true << 2;
        QTest::newRow("stale line") << QStringList{"SIM:REPLY 99.0000,2\\r\\n20.2000,2"}
                                    << true << 1;
        QTest::newRow("split across the reply wait")
            << QStringList{"SIM:SPLIT 2", "SIM:GAP 1500"} << true << 1;
        QTest::newRow("silent channel") << QStringList{"SIM:MUTE 2"} << false << 3;
    }
    void awkwardReplies()
    {
        QFETCH(QStringList, steering);
        QFETCH(bool, ok);
        QFETCH(int, asked);
        const Rows one = configuration.mid(0, 1);
        QVERIFY(runOnWorker([&] { return driver->configureChannels("快速", one); }));
        sentAll();
        steer(steering);
        bool got = !ok;
        const QStringList values = fetch(got);
        steer({"SIM:SPLIT 1", "SIM:GAP 0", "SIM:MUTE 0"});
        QCOMPARE(got, ok);
        QCOMPARE(values, ok ? QStringList{"20.20000000"} : QStringList());
        QCOMPARE(sentAll().filter("FETCH? 2").size(), asked);
    }

    // Written as sent, read back as the instrument answers; no record files.
    void coefficients()
    {
        const ChannelRecord row = withCoefficients(
            channelRow("7", "热敏电阻", "R(T)", "二线制", "℃"), {"1e-3", "2e-4", "", "4e-9"});
        QVERIFY(runOnWorker([&] { return driver->writeChannelCoefficients(row); }));
        QCOMPARE(sentAll(), QStringList({probe(7, "B0,1.0000000000e-03"),
                                      probe(7, "B1,2.0000000000e-04"),
                                      probe(7, "B2,0.0000000000e+00"),
                                      probe(7, "B3,4.0000000000e-09")}));
        ChannelRecord back = withCoefficients(row, {"a", "b", "c", "d", "r0", "a4", "b4"});
        QVERIFY(runOnWorker([&] { return driver->readChannelCoefficients(back); }));
        QCOMPARE(coefficientsOf(back), QStringList({"1.0000000000e-03", "2.0000000000e-04",
                                                    "0.0000000000e+00", "4.0000000000e-09", "0",
                                                    "0", "0"}));
        // An error or non-finite reply fails the read and leaves the row as it was.
        const ChannelRecord before = back;
        for (const QString &reply : {"SIM:REPLY -113,\"Undefined header\"", "SIM:REPLY nan"}) {
            steer({reply});   // in place of the first coefficient
            QVERIFY(!runOnWorker([&] { return driver->readChannelCoefficients(back); }));
            QCOMPARE(coefficientsOf(back), coefficientsOf(before));
        }
        sentAll();
        // Every coefficient written is checked, not only the leading one.
        const ChannelRecord lastBad = withCoefficients(row, {"", "", "", "inf"});
        QVERIFY(!runOnWorker([&] { return driver->writeChannelCoefficients(lastBad); }));
        QCOMPARE(sentAll(), QStringList());
        QStringList values{"kept"};
        QVERIFY(!driver->openRecordFile("any.csv", configuration));
        QVERIFY(!driver->readRecordAt(QDateTime::currentDateTime(), values) && values.isEmpty());
        sentAll();
    }
};

QTEST_GUILESS_MAIN(Test159XALink)
#include "test_159xa_link.moc"
