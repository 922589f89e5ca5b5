// The 159XA driver against its stand-in (tests/sim/fake_159xa.py), over loopback TCP
// (test_159xa_tcp) or a socat pty pair (test_159xa_pty), with the instrument's fixed waits
// shortened. Driver operations run on worker threads, as the pages run them.

#include <QtTest>

#include <memory>

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

// Every input assigned its probe, after the probes `added` were added.
QStringList assignments(const QList<int> &added)
{
    QStringList lines;
    for (int n : added)
        lines << "INP:PROB:ADD \"CH" + QString::number(n) + "\"\r\n";
    for (int n = 1; n <= 14; ++n)
        lines << "INP" + QString::number(n) + ":PROB:IDEN \"CH" + QString::number(n) + "\"\r\n";
    return lines;
}

const Rows configuration{
    withCoefficients(channelRow("2", "铂电阻", "ITS90", "四线制", "℃"),
                     {"-1.5e-4", "2.5e-5", "0", "", "25.5", "-5.5e-4", "6.5e-5"}),
    withCoefficients(channelRow("3", "热敏电阻", "R(T)", "二线制", "K"),
                     {"1.1e-3", "2.2e-4", "3.3e-7", "-4.4e-9"}),
    // R0 0: no probe set-up for this channel.
    withCoefficients(channelRow("4", "铂电阻", "CVD", "三线制", "℃"), {"1", "2", "3", "", "0"}),
    // Measured as plain resistance (the calibration's unit): no conversion to temperature.
    withCoefficients(channelRow("6", "热敏电阻", "R(T)", "二线制", "Ohm"), {"1e-3"}),
};
} // namespace

class Test159XALink : public QObject, DriverBench<Collection159XA>
{
    Q_OBJECT
public:
    Test159XALink() : DriverBench(QStringLiteral("fake_159xa.py")) {}

private:

    using DriverBench::sent;
    // Every command received since the last call: a query answered after them marks the end.
    QStringList sent()
    {
        if (driver->isConnected())
            runOnWorker([&] {
                QString version;
                driver->sendCommand("SYST:CODE:VERS?\r\n") && driver->readReply(version);
            });
        QStringList since = sent(0);
        if (!since.isEmpty() && since.last() == "SYST:CODE:VERS?\r\n")
            since.removeLast();
        return since;
    }
    static QString everyProbe()
    {
        QStringList names;
        for (int n = 1; n <= 14; ++n)
            names << "CH" + QString::number(n);
        return names.join(',');
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
        driver->setWaits({800, 0, 50, 200, 2});
        QVERIFY(open());
    }
    void cleanupTestCase()
    {
        if (driver)
            runOnWorker([&] { return driver->close(); });
        driver.reset();
    }

    // The probe list is read to its empty name, the missing probes added, every input assigned.
    void openPreparesTheProbes()
    {
        QList<int> missing{2};
        for (int n = 4; n <= 14; ++n)
            missing << n;
        const QStringList expected = QStringList{"INP:PROB:FIRS?\r\n", "INP:PROB:NEXT?\r\n",
                                                 "INP:PROB:NEXT?\r\n", "INP:PROB:NEXT?\r\n"}
            + assignments(missing);
        QCOMPARE(sent(expected.size()), expected);
    }

    void probeLists_data()
    {
        QTest::addColumn<QStringList>("steering");
        QTest::addColumn<bool>("opens");
        QTest::addColumn<int>("added");
        QTest::addColumn<int>("asked");
        QTest::newRow("empty list") << QStringList{"SIM:PROBES "} << true << 14 << 1;
        QTest::newRow("list that begins again")
            << QStringList{"SIM:PROBES " + everyProbe(), "SIM:CYCLE 1"} << true << 0 << 15;
        QTest::newRow("reply shorter than two characters")
            << QStringList{"SIM:FIRST x"} << false << 0 << 1;
        QTest::newRow("more than 1000 names") << QStringList{"SIM:MANY 1001"} << false << 0
                                              << 1001;
    }
    void probeLists()
    {
        QFETCH(QStringList, steering);
        QFETCH(bool, opens);
        QFETCH(int, added);
        QFETCH(int, asked);
        // The steering reaches the stand-in before the link closes.
        steer(steering);
        sent();
        QVERIFY(runOnWorker([&] { return driver->close(); }));
        sent();
        QCOMPARE(open(), opens);
        const QStringList requests = sent();
        QCOMPARE(requests.filter("INP:PROB:FIRS?").size() + requests.filter("INP:PROB:NEXT?").size(),
                 asked);
        QCOMPARE(requests.filter("INP:PROB:ADD").size(), added);
        QCOMPARE(requests.filter(":PROB:IDEN").size(), opens ? 14 : 0);
        // A refused probe list leaves the link up: back to every probe for what follows.
        steer({"SIM:CYCLE 0", "SIM:PROBES " + everyProbe()});
        sent();
        QVERIFY(runOnWorker([&] { return driver->close(); }));
        QVERIFY(open());
        sent();
    }

    void identity_data()
    {
        QTest::addColumn<QString>("identity");
        QTest::addColumn<bool>("model");
        QTest::addColumn<bool>("settings");
        QTest::newRow("159XA") << "FLUKE,1594A,A1B2C3,1.20" << true << true;
        QTest::newRow("another model of the vendor") << "FLUKE,1586A,1,1" << false << true;
        QTest::newRow("not the vendor") << "ACME,1594A,1,1" << false << false;
    }
    void identity()
    {
        QFETCH(QString, identity);
        QFETCH(bool, model);
        QFETCH(bool, settings);
        steer({"SIM:IDN " + identity});
        QString got;
        QCOMPARE(runOnWorker([&] { return driver->readSerialNumber(got); }), model);
        QCOMPARE(got, identity);
        QString serial, version, a = "a", b = "b", i = "i", m = "m", p = "p", f = "f";
        QCOMPARE(runOnWorker([&] {
                     return driver->readDeviceSettings(serial, version, a, b, i, m, p, f);
                 }),
                 settings);
        QCOMPARE(version, settings ? QString("1.20") : QString());
        QCOMPARE(QStringList({a, b, i, m, p, f}), QStringList({"a", "b", "i", "m", "p", "f"}));
        sent();
    }

    void configurationSequence()
    {
        QVERIFY(runOnWorker([&] { return driver->configureChannels("中速", configuration); }));
        const QStringList expected{
            "SENS:APER:SAMP 2\r\n",
            "SENS:APER[:DISP] 2\r\n",
            "ROUTE:SCAN (@2,3,4,6)\r\n",
            probe(2, "TYPE,PRT"),
            probe(2, "CONV,ITS_90"),
            probe(2, "NOM_CURR,1"),
            probe(2, "RTPW,25.5000000000"),
            probe(2, "A8,-1.5000000000e-04"),
            probe(2, "B8,2.5000000000e-05"),
            probe(2, "C8,0.0000000000e+00"),
            probe(2, "D8,0.0000000000e+00"),
            probe(2, "A4,-5.5000000000e-04"),
            probe(2, "B4,6.5000000000e-05"),
            "CALC2:TYPE TEMP\r\n",
            probe(3, "TYPE,THER"),
            probe(3, "CONV,R_POLY"),
            probe(3, "NOM_CURR,0.01"),
            probe(3, "B0,1.1000000000e-03"),
            probe(3, "B1,2.2000000000e-04"),
            probe(3, "B2,3.3000000000e-07"),
            probe(3, "B3,-4.4000000000e-09"),
            "CALC3:TYPE TEMP\r\n",
            probe(6, "TYPE,RES"),
            probe(6, "NOM_CURR,0.01"),
        };
        QCOMPARE(sent(expected.size()), expected);
    }

    void refusedConfigurations_data()
    {
        QTest::addColumn<Rows>("rows");
        QTest::addColumn<bool>("sendsAperture");
        Rows fourteen;
        for (int n = 1; n <= 14; ++n)
            fourteen << channelRow(QString::number(n), "电阻", "自动", "二线制", "Ω");
        QTest::newRow("fourteen rows") << fourteen << true;
        QTest::newRow("channel 1 with more than four rows") << fourteen.mid(0, 5) << true;
        QTest::newRow("channel outside the model")
            << Rows{channelRow("15", "电阻", "自动", "二线制", "Ω")} << true;
        QTest::newRow("coefficient not a number")
            << Rows{withCoefficients(channelRow("2", "铂电阻", "CVD", "二线制", "℃"),
                                     {"3.9e-3", "x", "", "", "100"})}
            << false;
    }
    void refusedConfigurations()
    {
        QFETCH(Rows, rows);
        QFETCH(bool, sendsAperture);
        QVERIFY(!runOnWorker([&] { return driver->configureChannels("快速", rows); }));
        QTest::qWait(200);
        QCOMPARE(sent(), sendsAperture ? QStringList({"SENS:APER:SAMP 1\r\n",
                                                      "SENS:APER[:DISP] 2\r\n"})
                                       : QStringList());
    }

    // Measurement starts once per open; one value per scanned channel, eight decimals.
    void sampling()
    {
        QVERIFY(runOnWorker([&] { return driver->configureChannels("快速", configuration); }));
        sent(24);
        const QStringList expected{"20.20000000", "20.30000000", "20.40000000", "20.60000000"};
        bool ok = false;
        QCOMPARE(fetch(ok), expected);
        QVERIFY(ok);
        QCOMPARE(sent(5), QStringList({"INIT:CONT 1\r\n", "FETCH? 2\r\n", "FETCH? 3\r\n",
                                       "FETCH? 4\r\n", "FETCH? 6\r\n"}));
        QStringList values;
        QVERIFY(runOnWorker([&] { return driver->readValues(values); }));
        QCOMPARE(values, expected);
        QCOMPARE(sent(4).first(), QString("FETCH? 2\r\n"));
        // A close stops measuring; the first read after the next open starts it again.
        QVERIFY(runOnWorker([&] { return driver->close(); }));
        QVERIFY(open());
        sent();
        QCOMPARE(fetch(ok), expected);
        QCOMPARE(sent(5).first(), QString("INIT:CONT 1\r\n"));
    }

    // An error reply is asked again; a stale line before a reply is passed over; a reply whose
    // second half comes after the reply wait is waited for, not asked again.
    void awkwardReplies()
    {
        QVERIFY(runOnWorker([&] { return driver->configureChannels("快速", configuration.mid(1, 1)); }));
        sent();
        const QStringList expected{"20.30000000"};
        bool ok = false;
        steer({"SIM:REPLY -113,\"Undefined header\""});
        QCOMPARE(fetch(ok), expected);
        QVERIFY(ok);
        QCOMPARE(sent(2), QStringList({"FETCH? 3\r\n", "FETCH? 3\r\n"}));

        steer({"SIM:REPLY 99.0000,3\\r\\n20.3000,3"});
        QCOMPARE(fetch(ok), expected);
        QVERIFY(ok);
        sent(1);

        steer({"SIM:SPLIT 2", "SIM:GAP 1200"});
        const QStringList values = fetch(ok);
        steer({"SIM:SPLIT 1", "SIM:GAP 0"});
        QCOMPARE(values, expected);
        QVERIFY(ok);
        QCOMPARE(sent(), QStringList({"FETCH? 3\r\n"}));
    }

    // A channel that never answers fails the whole read after its three tries.
    void silentChannelFailsTheRead()
    {
        steer({"SIM:MUTE 3"});
        bool ok = true;
        const QStringList values = fetch(ok);
        steer({"SIM:MUTE 0"});
        QVERIFY(!ok);
        QCOMPARE(values, QStringList());
        QCOMPARE(sent(3), QStringList({"FETCH? 3\r\n", "FETCH? 3\r\n", "FETCH? 3\r\n"}));
    }

    void coefficientsWriteAndReadBack_data()
    {
        QTest::addColumn<ChannelRecord>("row");
        QTest::addColumn<QStringList>("parameters");
        QTest::newRow("ITS90")
            << withCoefficients(channelRow("2", "铂电阻", "ITS90", "四线制", "℃"),
                                {"1", "2", "3", "4", "25.5", "6", "7"})
            << QStringList{"RTPW,25.5000000000", "A8,1.0000000000e+00", "B8,2.0000000000e+00",
                           "C8,3.0000000000e+00", "D8,4.0000000000e+00", "A4,6.0000000000e+00",
                           "B4,7.0000000000e+00"};
        QTest::newRow("CVD")
            << withCoefficients(channelRow("5", "铂电阻", "CVD", "二线制", "℃"),
                                {"3.9083e-3", "-5.775e-7", "", "", "100"})
            << QStringList{"R0,100.0000000000", "A,3.9083000000e-03", "B,-5.7750000000e-07",
                           "C,0.0000000000e+00"};
        QTest::newRow("thermistor")
            << withCoefficients(channelRow("7", "热敏电阻", "R(T)", "二线制", "℃"),
                                {"1e-3", "2e-4", "3e-7", "4e-9"})
            << QStringList{"B0,1.0000000000e-03", "B1,2.0000000000e-04", "B2,3.0000000000e-07",
                           "B3,4.0000000000e-09"};
    }
    void coefficientsWriteAndReadBack()
    {
        QFETCH(ChannelRecord, row);
        QFETCH(QStringList, parameters);
        sent();
        QVERIFY(runOnWorker([&] { return driver->writeChannelCoefficients(row); }));
        QStringList commands;
        for (const QString &parameter : parameters)
            commands << probe(row.channelNumber.toInt(), parameter);
        QCOMPARE(sent(commands.size()), commands);

        ChannelRecord back = row;
        QVERIFY(runOnWorker([&] { return driver->readChannelCoefficients(back); }));
        for (const QString &parameter : parameters) {
            const QString name = parameter.section(',', 0, 0);
            const QString value = parameter.section(',', 1);
            QString *field = name == "RTPW" || name == "R0" ? &back.r0_c4
                : name == "A8" || name == "A" || name == "B0" ? &back.a_c0
                : name == "B8" || name == "B" || name == "B1" ? &back.b_c1
                : name == "C8" || name == "C" || name == "B2" ? &back.c_c2
                : name == "D8" || name == "B3"                ? &back.d_c3
                : name == "A4"                                ? &back.a4_c5
                                                              : &back.b4_c6;
            QCOMPARE(*field, value);
        }
        QCOMPARE(back.mxbM, 1.0f);

        // An error reply in place of a coefficient fails the read.
        steer({"SIM:REPLY -113,\"Undefined header\""});
        QVERIFY(!runOnWorker([&] { return driver->readChannelCoefficients(back); }));
    }

    void recordFilesAreRefused()
    {
        QStringList values{"kept"};
        QVERIFY(!driver->openRecordFile("any.csv", configuration));
        QVERIFY(!driver->readRecordAt(QDateTime::currentDateTime(), values));
        QVERIFY(values.isEmpty());
        QVERIFY(driver->closeRecordFile());
    }
};

QTEST_GUILESS_MAIN(Test159XALink)
#include "test_159xa_link.moc"
