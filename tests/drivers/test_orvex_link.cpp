// The drivers of the "SET OK" dialect (Orvex scanners, Folen) against tests/sim/fake_orvex.py,
// over loopback TCP (test_orvex_tcp) or a socat pty pair (test_orvex_pty). Driver operations run
// on worker threads (ON_WORKER), as the pages run them.

#include <QtTest>

#include <functional>
#include <memory>

#include "ChannelRows.h"
#include "CollectionFolen.h"
#include "CollectionOrvex.h"
#include "FakeLink.h"
#include "WorkerCall.h"

#ifndef LINK_OVER_PTY
#define LINK_OVER_PTY 0
#endif
#define ON_WORKER(expression) runOnWorker([&] { return expression; })

using Rows = QList<ChannelRecord>;

// Command lines as received: "A|B" gives "A\r\n", "B\r\n"; "~n" stands for n zero coefficients.
static QStringList lines(QString commands)
{
    for (int n = 1; n <= 5; ++n)
        commands.replace("~" + QString::number(n), QString("0.0000000000e+00,").repeated(n).chopped(1));
    QStringList out;
    for (const QString &c : commands.split('|'))
        out << c + "\r\n";
    return out;
}

class TestOrvexLink : public QObject
{
    Q_OBJECT
    FakeLink link{QStringLiteral("fake_orvex.py")};
    int mark = 0;

    template <class D> std::unique_ptr<D> opened()
    {
        auto d = std::make_unique<D>();
        d->setReplyBudgets(1000, 4000);
        d->setFixedWaits(20, 20);
        if (!ON_WORKER(d->open(link.mode(), link.address(), link.portOrBaud())))
            return nullptr;
        mark = link.fake().requests().size();
        return d;
    }
    static void closed(std::unique_ptr<OrvexCommandSet> d) { ON_WORKER(d->close()); }
    // Lines for the stand-in itself (not logged).
    static void steer(OrvexCommandSet &d, const QStringList &lines)
    {
        for (const QString &line : lines)
            ON_WORKER(d.sendCommand(line + "\r\n"));
    }
    static QString ask(OrvexCommandSet &d, const QString &query)
    {
        QString reply;
        return ON_WORKER(d.query(query + "\r\n", reply)) ? reply : "<none>";
    }
    // The commands received since the last call, once at least `count` are logged.
    QStringList sent(int count)
    {
        link.fake().waitForRequests(mark + count);
        const QStringList since = link.fake().requests().mid(mark);
        mark += since.size();
        return since;
    }

private slots:
    void initTestCase() { QVERIFY(link.start(LINK_OVER_PTY ? "串口" : "网络")); }

    void openIdentityClockClose()
    {
        auto d = opened<CollectionOrvex_NTC>();
        QVERIFY(d);
        QCOMPARE(ask(*d, "SYST:KLOC?"), QStringLiteral("1"));
        QString identity;
        QVERIFY(ON_WORKER(d->readSerialNumber(identity)));
        QCOMPARE(identity, QStringLiteral("ORVEX,VS,SN20240506,V2.03"));
        const QDateTime when(QDate(2024, 3, 5), QTime(14, 7, 9));
        QVERIFY(ON_WORKER(d->setDeviceTime(when)));
        QCOMPARE(ask(*d, "SYST:DATE?"), QStringLiteral("2024,03,05,14,07,09"));
        steer(*d, {"SIM:FAIL SYST:DATE"});
        QVERIFY(!ON_WORKER(d->setDeviceTime(when)));
        closed(std::move(d));
        QCOMPARE(link.fake().requests().last(), QStringLiteral("SYST:KLOC 0\r\n"));

        FakeLink refusing;   // a refused key lock closes the link again
        QVERIFY(refusing.start(link.mode(), {"--reply", "SYST:KLOC 1=SET ERR"}));
        CollectionOrvex_RTD rtd;
        QVERIFY(!ON_WORKER(rtd.open(refusing.mode(), refusing.address(), refusing.portOrBaud())));
        QTRY_VERIFY(!rtd.isConnected());
        QCOMPARE(refusing.fake().requests(), lines("SYST:KLOC 1"));
    }

    // Values in mV and kPa come back in V and Pa; a reply is taken whole however it arrives.
    void sampling()
    {
        auto d = opened<CollectionOrvex_VS>();
        QVERIFY(d);
        const Rows rows{channelRow("101", "热电偶", "K", "二线制", "V", -1000.0f),
                        channelRow("102", "热电偶", "K", "二线制", "V", 2.0f, 0.5f),
                        channelRow("169", "压力", "自动", "二线制", "Pa", -1000.0f)};
        QVERIFY(ON_WORKER(d->configureChannels("默认", rows)));
        QCOMPARE(sent(6), lines("*RST|TEMP:TC:TYPE K|CALC:SCAL:GAIN 2,(@2)|CALC:SCAL:OFFS 0.5,(@2)|"
                                "TEMP:TC:VOLT 1,1,0,(@1,2,69)|ROUT:CHAN:STAT 1,1,1,(@1,2,69)"));
        const QStringList expected{"0.020100", "0.040900", "26900.000000"};
        QStringList values;
        QVERIFY(ON_WORKER(d->readValues(values)));
        QCOMPARE(values, expected);
        const struct
        {
            const char *name;
            QStringList steering;
            bool ok;
        } cases[] = {
            {"chunked", {"SIM:SPLIT 5", "SIM:GAP 60"}, true},
            {"later than one reply wait", {"SIM:SPLIT 1", "SIM:LATE 1500"}, true},
            {"split across a reply wait", {"SIM:LATE 0", "SIM:SPLIT 2", "SIM:GAP 1500"}, true},
            {"after a stale line", {"SIM:SPLIT 1", "SIM:REPLY 1,2\\r\\n20.1,40.9,26.9"}, true},
            {"not a number", {"SIM:REPLY 20.1,x,26.9"}, false},
            {"a field short", {"SIM:REPLY 20.1,40.9"}, false},
        };
        for (const auto &c : cases) {
            steer(*d, c.steering);
            values = QStringList{"old"};
            QVERIFY(ON_WORKER(d->requestValues()));
            QVERIFY2(ON_WORKER(d->fetchValues(values)) == c.ok, c.name);
            QCOMPARE(values, c.ok ? expected : QStringList());
        }
        steer(*d, {"SIM:REPLY nan,1e308,-INF"});   // no value on a channel alone
        QVERIFY(ON_WORKER(d->requestValues()) && ON_WORKER(d->fetchValues(values)));
        QCOMPARE(values, QStringList({"nan", QString::number(1e305, 'f', 6), "nan"}));
        closed(std::move(d));
    }

    // Every command of the dialect: its text on the wire, then its refusal.
    void commandsAndTheirRefusal()
    {
        auto d = opened<CollectionFolen>();
        QVERIFY(d);
        Rows rows{channelRow("1", "热敏电阻", "R(T)", "四线制", "℃", 1.0f, -0.25f),
                  channelRow("2", "热敏电阻", "10kΩ", "四线制", "Ω", -1000.0f),
                  channelRow("3", "热电偶", "K", "二线制", "%RH", 0.5f, 1e-7f)};
        rows[0].compensation = "外部补偿";
        rows[2].compensation = "固定补偿";
        rows[2].coldJunction = "25.0";
        const QList<QPair<std::function<bool()>, QString>> cases{
            {[&] { return d->resetDevice(); }, "*RST"},
            {[&] { return d->setRate("快速"); }, "RATE FAST"},
            {[&] { return d->setWiring(rows); }, "WIRE 4,4,2,(@1,2,3)"},
            {[&] { return d->OrvexCommandSet::setNtcType(rows); }, "TEMP:NTC:TYPE 0,3,4,(@1,2,3)"},
            {[&] { return d->setNtcRange(rows); }, "TEMP:NTC:RES 0,1,0,(@1,2,3)"},
            {[&] { return d->setTcVoltageRange(rows.mid(1)); }, "TEMP:TC:VOLT 1,0,(@2,3)"},
            {[&] { return d->OrvexCommandSet::setTcType(rows.mid(2)); }, "TEMP:TC:TYPE K"},
            {[&] { return d->setScale(rows); }, "CALC:SCAL:GAIN 1,0.5,(@1,3)|CALC:SCAL:OFFS -0.25,1e-07,(@1,3)"},
            {[&] { return d->setChannelStates(rows.mid(1)); }, "ROUT:CHAN:STAT 1,1,(@2,3)"},
            {[&] { return d->setNtcCoefficients(1, 0.001, 0.0002, 0, 0); },
             "TEMP:NTC:COEF 1.0000000000e-03,2.0000000000e-04,~2,(@1)"},
            {[&] { return d->setRtdCoefficients(2, 100, 0.0039083, -5.775e-7, 0, 0, -4.183e-12); },
             "TEMP:RTD:COEF 1.0000000000e+02,3.9083000000e-03,-5.7750000000e-07,~2,-4.1830000000e-12,(@2)"},
            {[&] { return d->setSensorTypes(rows); }, "TEMP:TYPE 1,1,2,(@1,2,3)"},
            {[&] { return d->setOutputUnits(rows); }, "TEMP:VOLT 0,1,1,(@1,2,3)"},
            {[&] { return d->setColdJunction(rows); }, "TEMP:TC:COLDTYPE 0,1,(@1,3)|TEMP:TC:COLD 25.0,(@3)"},
        };
        for (const auto &c : cases) {
            QVERIFY2(runOnWorker(c.first), qPrintable(c.second));
            QCOMPARE(sent(lines(c.second).size()), lines(c.second));
            steer(*d, {"SIM:FAIL " + c.second.section(' ', 0, 0)});
            QVERIFY2(!runOnWorker(c.first), qPrintable(c.second));
            QCOMPARE(sent(1).size(), 1);   // nothing after the refused command
        }
        QVERIFY(!ON_WORKER(d->setWiring({})));
        QVERIFY(!ON_WORKER(d->setSensorTypes({})));
        QCOMPARE(link.fake().requests().size(), mark);
        closed(std::move(d));
    }

    // Whole set-ups, command by command; a text that is to be sent and is not a number refuses
    // the set-up before anything is sent.
    void configurations()
    {
        Rows ntc{withCoefficients(channelRow("101", "热敏电阻", "R(T)", "二线制", "℃", 1.0f, -0.25f),
                                  {"0.001", "0.0002", "", "0"}),
                 withCoefficients(channelRow("102", "热敏电阻", "10kΩ", "四线制", "Ω", -1000.0f), {"0", "3950"}),
                 channelRow("103", "热敏电阻", "T(R)", "四线制", "℃")};
        auto orvex = opened<CollectionOrvex_NTC>();
        QVERIFY(orvex);
        QVERIFY(ON_WORKER(orvex->configureChannels("中速", ntc)));
        QCOMPARE(sent(9), lines("*RST|RATE MED|CALC:SCAL:GAIN 1,1,(@1,3)|CALC:SCAL:OFFS -0.25,0,(@1,3)|"
                                "WIRE 2,4,4,(@1,2,3)|TEMP:NTC:RES 0,1,0,(@1,2,3)|TEMP:NTC:TYPE 0,3,5,(@1,2,3)|"
                                "TEMP:NTC:COEF 1.0000000000e-03,2.0000000000e-04,~2,(@1)|"
                                "ROUT:CHAN:STAT 1,1,1,(@1,2,3)"));
        ntc[1].b_c1 = "3950K";   // not sent: its A is not set
        ntc[0].c_c2 = "1e-7x";
        QVERIFY(!ON_WORKER(orvex->configureChannels("中速", ntc)));
        closed(std::move(orvex));
        QCOMPARE(sent(1), lines("SYST:KLOC 0"));

        Rows folen{channelRow("101", "热敏电阻", "R(T)", "二线制", "℃"),
                   withCoefficients(channelRow("102", "铂电阻", "PT", "四线制", "Ω", -1000.0f),
                                    {"0.0039083", "-5.775e-7", "", "", "100"}),
                   channelRow("104", "热电偶", "K", "二线制", "mV", -1000.0f)};
        folen[0].compensation = "外部补偿";
        folen[2].compensation = "固定补偿";
        folen[2].coldJunction = "25.0";
        auto d = opened<CollectionFolen>();
        QVERIFY(d);
        QVERIFY(ON_WORKER(d->configureChannels("快速", folen)));
        QCOMPARE(sent(14), lines("*RST|RATE FAST|CALC:SCAL:GAIN 1,(@1)|CALC:SCAL:OFFS 0,(@1)|"
                                 "TEMP:VOLT 0,1,1,(@1,2,4)|TEMP:TYPE 1,0,2,(@1,2,4)|WIRE 2,4,2,(@1,2,4)|"
                                 "TEMP:TC:COLDTYPE 0,1,(@1,4)|TEMP:TC:COLD 25.0,(@4)|TEMP:NTC:TYPE 2,(@1)|"
                                 "TEMP:RTD:TYPE 0,(@2)|TEMP:RTD:COEF 1.0000000000e+02,3.9083000000e-03,"
                                 "-5.7750000000e-07,~3,(@2)|TEMP:TC:TYPE 3,(@4)|ROUT:CHAN:STAT 1,1,1,(@1,2,4)"));
        folen[2].coldJunction = "25,0";
        QVERIFY(!ON_WORKER(d->configureChannels("快速", folen)));
        QCOMPARE(link.fake().requests().size(), mark);
        closed(std::move(d));
    }

    // Coefficients go out in the instrument's format and come back at full precision; a read
    // whose correction query fails leaves the record as it was.
    void coefficients()
    {
        auto d = opened<CollectionOrvex_RTD>();
        QVERIFY(d);
        const ChannelRecord rtd = withCoefficients(channelRow("102", "铂电阻", "CVD", "四线制", "℃", 1.5f, -0.125f),
                                                   {"0.0039083", "-5.775e-7", "-4.183e-12", "", "100.0123456789012"});
        QVERIFY(ON_WORKER(d->writeChannelCoefficients(rtd)));
        QCOMPARE(sent(4), lines("TEMP:RTD:TYPE 1,(@2)|TEMP:RTD:COEF 1.0001234568e+02,3.9083000000e-03,"
                                "-5.7750000000e-07,-4.1830000000e-12,~2,(@2)|CALC:SCAL:GAIN 1.5,(@2)|"
                                "CALC:SCAL:OFFS -0.125,(@2)"));
        ask(*d, "TEMP:RTD:COEF 100.0123456789012,0.0039083,-5.775e-07,-4.183e-12,0,2.5e-300,(@2)");
        ChannelRecord back = channelRow("102", "铂电阻", "CVD", "四线制", "℃");
        QVERIFY(ON_WORKER(d->readChannelCoefficients(back)));
        QCOMPARE(coefficientsOf(back), QStringList({"0.0039083", "-5.775e-07", "-4.183e-12", "0",
                                                    "100.0123456789012", "0", "2.5e-300"}));
        QCOMPARE(back.channelNumber, QStringLiteral("102"));
        QCOMPARE(QPair(back.mxbM, back.mxbB), QPair(1.5f, -0.125f));

        const QStringList seven{"1", "2", "3", "4", "5", "6", "7"};
        ChannelRecord voltage = withCoefficients(channelRow("103", "直流电压", "", "二线制", "V", 7.0f), seven);
        steer(*d, {"SIM:SILENT 1"});
        QVERIFY(!ON_WORKER(d->readChannelCoefficients(voltage)));
        QCOMPARE(coefficientsOf(voltage), seven);
        QCOMPARE(voltage.mxbM, 7.0f);
        steer(*d, {"SIM:SILENT 0"});
        QVERIFY(ON_WORKER(d->readChannelCoefficients(voltage)));
        QCOMPARE(coefficientsOf(voltage), QStringList(QVector<QString>(7, "0").toList()));
        ChannelRecord outside = channelRow("109", "铂电阻", "CVD", "四线制", "℃");
        QVERIFY(!ON_WORKER(d->readChannelCoefficients(outside)));
        closed(std::move(d));
    }

    // A coefficient or correction reply field that is not a number fails the read and leaves
    // the caller's record as it was.
    void garbledCoefficientReplies()
    {
        const ChannelRecord rtd = withCoefficients(channelRow("102", "铂电阻", "CVD", "四线制", "℃", 7.0f, 7.0f),
                                                   QVector<QString>(7, "7").toList());
        for (const char *answer : {"TEMP:RTD:COEF=100,0.0039083,-5.775e-07,n/a,0,0", "CALC:SCAL:OFFS=Undefined",
                                   "TEMP:RTD:COEF=100,0.0039083,-5.775e-07,0,inf,0", "CALC:SCAL:GAIN=nan"}) {
            std::unique_ptr<OrvexCommandSet> d;
            if (QByteArray(answer).startsWith("CALC"))
                d = opened<CollectionFolen>();
            else
                d = opened<CollectionOrvex_RTD>();
            QVERIFY(d);
            steer(*d, {QString("SIM:ANSWER ") + answer});
            ChannelRecord back = rtd;
            QVERIFY2(!ON_WORKER(d->readChannelCoefficients(back)), answer);
            QCOMPARE(coefficientsOf(back), coefficientsOf(rtd));
            QCOMPARE(QPair(back.mxbM, back.mxbB), QPair(7.0f, 7.0f));
            closed(std::move(d));
        }
    }

    // The settings that carry the link in use change last; the HT scanner has no filter.
    void deviceSettings()
    {
        auto d = opened<CollectionOrvex_NTC>();
        QVERIFY(d);
        QString serial, version, address, baud, ip, mask, port, filter = "f", message;
        QVERIFY(ON_WORKER(d->readDeviceSettings(serial, version, address, baud, ip, mask, port, filter)));
        QCOMPARE(QStringList({serial, version, address, baud, ip, mask, port, filter}),
                 QStringList({"ORVEX,VS,SN20240506,V2.03", "V2.03", "01", "9600", "192.168.1.10",
                              "255.255.255.0", "192.168.1.1", "3"}));
        sent(5);
        QVERIFY(ON_WORKER(d->writeDeviceSettings("07", "9600", "10.0.0.5", "255.0.0.0", "10.0.0.1", "5", message)));
        QCOMPARE(message, QStringLiteral("设置成功,请断开连接重连。"));
        const QString network = "SYST:NET:IP?|SYST:NET:IP 10.0.0.5;255.0.0.0;10.0.0.1";
        QCOMPARE(sent(4), lines("SYST:FILTERING 5|" + (LINK_OVER_PTY ? network + "|SYST:COMM:BAND 9600"
                                                                     : "SYST:COMM:BAND 9600|" + network)));
        closed(std::move(d));

        auto ht = opened<CollectionOrvex_HT>();
        QVERIFY(ht);
        filter = "kept";
        QVERIFY(ON_WORKER(ht->readDeviceSettings(serial, version, address, baud, ip, mask, port, filter)));
        QCOMPARE(filter, QStringLiteral("kept"));
        QCOMPARE(sent(4).size(), 4);
        steer(*ht, {"SIM:FAIL SYST:COMM:BAND"});
        const bool ok = ON_WORKER(ht->writeDeviceSettings("01", "19200", "10.0.0.5", "255.0.0.0", "10.0.0.1", "5", message));
        // Over TCP the refused baud rate stops the write; over a serial link it is not answered.
        QCOMPARE(ok, bool(LINK_OVER_PTY));
        QCOMPARE(message, ok ? QStringLiteral("设置成功，请断开从新连接。") : QStringLiteral("设置失败，请检查设备连接。"));
        QVERIFY(!sent(1).contains("SYST:FILTERING 5\r\n"));
        closed(std::move(ht));
    }
};

QTEST_MAIN(TestOrvexLink)
#include "test_orvex_link.moc"
