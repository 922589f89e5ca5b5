// The Orvex V1 family, Pallu and Mirat drivers against their stand-ins: the Pallu on the
// libmodbus peer, the Orvex V1 (CRC high byte first) and the Mirat (register frames and sensor
// records) on tests/sim/fake_register.py. Over a socat pty pair, or over loopback TCP and a
// simulated Bluetooth LE peripheral (the Mirat's own links).

#include "BleSimulated.h"
#include "CollectionMirat.h"
#include "RegisterRig.h"

namespace {
const QString fakeRegister = QStringLiteral("fake_register.py");
// The Pallu's own answers: the 6-byte probe reply, the 6-byte answer at 0x1018, the request
// echoed for coefficient blocks, cold junction and clock, a setting word in read layout.
const QStringList palluForms{"--raw", "000300010001", "01030101", "--raw", "010610180000", "01061018",
                             "--form", "0010", "52", "request", "--form", "01F0", "2", "request",
                             "--form", "1010", "3", "request", "--form", "1020", "26", "read"};
// Channel 1's record: PT100, name "MIRAT001", date 2024-03-05, R0 100, an 8-byte tail.
const QString miratName = "4D49524154303031180305", miratTail = "0102030405060708";

// Over TCP the Mirat's frames take the same way as the others' (Bluetooth LE is tried once: each
// simulated link costs a scan).
bool start(Rig &rig, const QString &model, const QStringList &options = {}, bool bluetooth = false)
{
    if (model == QLatin1String("Pallu"))
        return rig.start(model, palluForms + options);
    const QString mode = overPty ? QStringLiteral("串口")
        : bluetooth ? QStringLiteral("蓝牙") : QStringLiteral("网络");
    return rig.startOver(mode, model, QStringList{"--model", model == "Mirat" ? "mirat" : "orvex"}
                                        + options);
}

ChannelRecord wired(ChannelRecord r, const char *wiring, float gain = -1000.0f)
{
    r.wireMode = QString::fromUtf8(wiring);
    r.mxbM = gain;
    return r;
}
} // namespace

class TestOrvexPalluMirat : public QObject
{
    Q_OBJECT
private slots:
    void goldenFrames();
    void palluEndToEnd();
    void palluValueFrameAcrossWindows();
    void orvexEndToEnd();
    void miratEndToEnd();
    void faults_data();
    void faults();
    void miratLateReplies();
};

void TestOrvexPalluMirat::goldenFrames()
{
    QString message;
    ChannelRecord junction = wired(row("101", "热电偶", "K", "℃"), "二线制", 1.5f);
    junction.mxbB = -0.5f;
    junction.compensation = "固定冷端";
    junction.coldJunction = "25";
    const ChannelRecord cvd = row("101", "铂电阻", "CVD", "℃",
                                  {"3.9083e-3", "-5.775e-7", "-4.183e-12", "", "100"});
    const QDateTime clock(QDate(2024, 3, 5), QTime(14, 7, 9));
    const QList<Golden> table{
        {"setting words", "Pallu", {}, [&](RegisterCollection *d) {
             return d->configureChannels("快速", {wired(row("101", "铂电阻", "PT100-385", "℃"), "四线制"),
                                                  wired(row("102", "热电偶", "K", "mV"), "二线制"),
                                                  wired(row("103", "电阻", "10kΩ", "Ω"), "三线制"),
                                                  wired(row("126", "直流电流", "100mA-24V", "mA"), "二线制")}); },
         true, {"010610180000", "0106000E0003", "010610208220", "01061021A780", "010610222012",
                "010610391041", "0110170000040800000000 02000007"}},
        {"scan interval 3725.5 s", "Pallu", {}, [](RegisterCollection *d) {
             return d->setScanInterval(3725.5, 1); },
         true, {"01101019000204 01020532"}},
        {"clock", "Pallu", {}, [&](RegisterCollection *d) { return d->setDeviceTime(clock); },
         true, {"01101010000306 180305 0E0709"}},
        {"correction and cold junction", "Pallu", {}, [&](RegisterCollection *d) {
             return d->configureChannels("慢速", {junction}); },
         true, {"010610180000", "0106000E0001", "01061020A740", "01100010000408" + singles({1.5f, -0.5f}),
                "011001F00002040000C841", "0110170000040800000000 00000001"}},
        {"cold junction nan", "Pallu", {}, [&](RegisterCollection *d) {
             ChannelRecord nan = junction;
             nan.coldJunction = "nan";
             return d->configureChannels("慢速", {nan}); },
         false, {}},
        {"settings answered in read layout", "Pallu", {}, [&](RegisterCollection *d) {
             return d->writeDeviceSettings("05", "9600", "192.168.1.10", "255.255.255.0", "502", "", message); },
         true, {"011000010001020500", "011000020001020300", "01100004000204C0A8010A",
                "01100006000204FFFFFF00", "01100003000102F601"}},
        {"no channel 127", "Pallu", {}, [](RegisterCollection *d) {
             return d->configureChannels("快速", {row("101", "电阻", "自动", "Ω"), row("127", "电阻", "自动", "Ω")}); },
         false, {}},
        {"thermocouples without scale", "Orvex-TC", {}, [](RegisterCollection *d) {
             return d->configureChannels("中速", {wired(row("101", "热电偶", "K", "℃"), "二线制")}); },
         true, {"0106000E0002", "0106000D0008"}},
        {"PT385 in the ITS-90 block", "Orvex-RTD-V1", {}, [](RegisterCollection *d) {
             return d->configureChannels("快速", {row("101", "铂电阻", "PT385", "℃", {"", "", "", "", "100"})}); },
         true, {"0106000E0003", "0106000C0002", "01100010000C18" + singles({100, 0, 0, 0, 0, 0})}},
        {"first row unused", "Orvex-NTC-V1", {}, [](RegisterCollection *d) {
             return d->configureChannels("慢速", {row("101", "空", "R(T)", "℃", {"1"})}); },
         true, {"0106000E0001"}},
        {"109 in four-wire use", "Orvex-RTD-V1", {}, [](RegisterCollection *d) {
             return d->configureChannels("快速", {row("101", "铂电阻", "PT385", "℃"), row("109", "铂电阻", "PT385", "℃")}); },
         false, {}},
        {"8 four-wire values", "Orvex-RTD-V1", {}, [](RegisterCollection *d) {
             QStringList v;
             return d->configureChannels("快速", {row("103", "铂电阻", "PT385", "Ω")}) && d->readValues(v)
                 && v.size() == 1; },
         true, {"0106000E0003", "0106000C0002", "010302000010"}},
        {"settings chain", "Orvex-NTC-V1", {}, [&](RegisterCollection *d) {
             return d->writeDeviceSettings("05", "9600", "10.0.0.7", "255.255.0.0", "8000", "", message); },
         true, {"010600010005", "010600020002", "011000040002040A000007", "01100006000204FFFF0000",
                "010600031F40"}},
        {"clock", "Mirat", {}, [&](RegisterCollection *d) { return d->setDeviceTime(clock); },
         true, {"01100020000306 180305 0E0709"}},
        {"filter 5 after the address", "Mirat", {}, [&](RegisterCollection *d) {
             return d->writeDeviceSettings("02", "", "", "", "", "5", message); },
         true, {"011000160001020200", "011000150001020500"}},
        {"CVD record, length 0x38", "Mirat", {"--record", "01", "0102" + miratName + doubles({100}) + miratTail},
         [&](RegisterCollection *d) { return d->writeChannelCoefficients(cvd); },
         true, {"030B0109", "38 09010103" + miratName + doubles({100, 3.9083e-3, -5.775e-7, -4.183e-12})
                               + miratTail + "AA"}},
        {"PT100 with R0 0", "Mirat", {"--record", "01", "0102" + miratName + doubles({100}) + miratTail},
         [](RegisterCollection *d) { return d->writeChannelCoefficients(row("101", "铂电阻", "PT100", "℃")); },
         true, {"030B0109"}},
    };
    for (const Golden &g : table) {
        const QString model = QString::fromUtf8(g.model);
        Rig rig(model == "Pallu" ? QStringLiteral(MODBUS_PEER) : fakeRegister);
        QVERIFY2(start(rig, model, g.options), g.name);
        checkGolden(rig, g);
        if (QTest::currentTestFailed())
            return;
    }
}

void TestOrvexPalluMirat::palluEndToEnd()
{
    Rig rig;
    QVERIFY(start(rig, "Pallu", {"--text", "1000", "PL-0000042", "--set", "0002", "0300F601C0A8010AFFFFFF00",
                                 "--raw", "0106101A0001", "01030C" + singles({0.0123f, 0.004f, 21.5f})}));
    QCOMPARE(rig.driver->station(), QStringLiteral("01"));
    // The settings read from replies that keep their CRC.
    QString serial, version, address, baud, ip, mask, port, filter = "kept";
    QVERIFY(rig.run([&](RegisterCollection *d) {
        return d->readDeviceSettings(serial, version, address, baud, ip, mask, port, filter); }));
    QCOMPARE((QStringList{serial, version, address, baud, ip, mask, port, filter}),
             (QStringList{"PL-0000042", "1", "01", "9600", "192.168.1.10", "255.255.255.0", "502", "kept"}));

    const QList<ChannelRecord> rows{wired(row("101", "直流电压", "自动", "mV"), "二线制"),
                                    wired(row("125", "直流电流", "自动", "MPa"), "二线制"),
                                    wired(row("126", "直流电流", "自动", "MPa"), "二线制")};
    QString error;
    QVERIFY2(rig.driver->checkChannels(rows, error), qPrintable(error));
    QStringList values;
    QVERIFY(rig.run([&](RegisterCollection *d) {
        return d->configureChannels("中速", rows) && d->requestValues() && d->fetchValues(values); }));
    QCOMPARE(values, (QStringList{"12.300000", "4.000000", "21500.000000"}));
    // A value frame of another length is no sample.
    QVERIFY(rig.peer.command("raw 0106101A0001 01030C" + singles({1, 2})));
    QVERIFY(!rig.run([&](RegisterCollection *d) { return d->readValues(values); }));

    // Coefficients read back at full precision.
    QVERIFY(rig.peer.command("raw 010300100008 010310" + singles({1.1331e-3f, 2.3e-4f, 1e-7f, -4.5e-9f})));
    QVERIFY(rig.peer.command("raw 010300100004 010308" + singles({0.998f, 0.25f})));
    ChannelRecord r = row("101", "热敏电阻", "R(T)", "℃", {"", "", "", "", "9", "9", "9"});
    QVERIFY(rig.run([&](RegisterCollection *d) { return d->readChannelCoefficients(r); }));
    QCOMPARE(coefficientsOf(r), (QStringList{"0.0011331", "0.00023", "1e-07", "-4.5e-09", "0", "0", "0"}));
    QCOMPARE(r.mxbM, 0.998f);
}

// The value frame has one budget (16 windows of 0.5 s): one in pieces across windows is taken
// whole; a damaged frame or another station's ends the sample at once.
void TestOrvexPalluMirat::palluValueFrameAcrossWindows()
{
    Rig rig;
    const QString frame = "01030C" + singles({1.5f, -2.25f, 300.0f});
    QVERIFY(start(rig, "Pallu", {"--raw", "0106101A0001", frame}));
    RegisterCollection::Timings t = rig.driver->timings();
    t.valueReplyWindows = 16;
    rig.driver->setTimings(t);
    QVERIFY(rig.run([](RegisterCollection *d) {
        return d->configureChannels("快速", {wired(row("101", "直流电压", "自动", "V"), "二线制"),
                                             wired(row("102", "直流电压", "自动", "V"), "二线制"),
                                             wired(row("103", "电阻", "自动", "Ω"), "二线制")}); }));
    // The last byte 2.9 s late; a damaged frame; another station's; a short one.
    for (const auto &c : QList<QPair<QString, bool>>{{"split -1 2900", true}, {"fault crc", false},
                                                     {"raw 0106101A0001 02030C" + singles({1, 2, 3}), false},
                                                     {"raw 0106101A0001 01030C" + singles({1, 2}), false}}) {
        QVERIFY(rig.peer.command(c.first));
        QStringList values;
        QElapsedTimer clock;
        clock.start();
        const bool taken = rig.run([&](RegisterCollection *d) { return d->requestValues() && d->fetchValues(values); });
        QVERIFY2(taken == c.second, qPrintable(c.first));
        QVERIFY2(clock.elapsed() < 6000, qPrintable(c.first));   // never the whole 8 s budget
        if (taken)
            QCOMPARE(values, (QStringList{"1.500000", "-2.250000", "300.000000"}));
        QVERIFY(rig.peer.command("raw 0106101A0001 " + frame));
    }
    // A head that ends in its own CRC is waited on: the whole frame follows within a window.
    const QString head = "01030C4120" + RegisterFrame::crcHex("01030C4120", RegisterFrame::CrcOrder::LowFirst);
    const QString colliding = head + singles({-2.25f, 300.0f});
    QVERIFY(rig.peer.command("raw 0106101A0001 " + colliding) && rig.peer.command("split 7 300"));
    QStringList values;
    QVERIFY(rig.run([&](RegisterCollection *d) { return d->requestValues() && d->fetchValues(values); }));
    QCOMPARE(values, (QStringList{QString::number(RegisterFrame::hexToFloat(colliding.mid(6, 8)), 'f', 6),
                                  "-2.250000", "300.000000"}));
}

void TestOrvexPalluMirat::orvexEndToEnd()
{
    Rig rig(fakeRegister);
    QVERIFY(start(rig, "Orvex-NTC-V1.1", {"--text", "1000", "OV1-000007", "--set", "0002", "00031F40",
                                          "--set", "0004", "C0A80105FFFFFF00", "--float", "0100", "20.5", "0", "-3.25"}));
    QCOMPARE(rig.driver->station(), QStringLiteral("01"));
    QString serial, version, address, baud, ip, mask, port, filter;
    auto readSettings = [&] { return rig.run([&](RegisterCollection *d) {
        return d->readDeviceSettings(serial, version, address, baud, ip, mask, port, filter); }); };
    QVERIFY(readSettings());
    QCOMPARE((QStringList{serial, version, baud, ip, mask, port}),
             (QStringList{"OV1-000007", "1", "19200", "192.168.1.5", "255.255.255.0", "8000"}));

    const QString third = QString::number(1.0f / 3.0f, 'g', 9);
    const QList<ChannelRecord> rows{wired(row("101", "热敏电阻", "5kΩ", "℃", {third, "-2.5e-4", "1e-7", "7"}), "二线制"),
                                    wired(row("103", "热敏电阻", "5kΩ", "℃"), "二线制")};
    QString error;
    QVERIFY2(rig.driver->checkChannels(rows, error), qPrintable(error));
    QStringList values;
    QVERIFY(rig.run([&](RegisterCollection *d) { return d->configureChannels("快速", rows) && d->readValues(values); }));
    QCOMPARE(values, (QStringList{"20.500000", "-3.250000"}));
    ChannelRecord back = row("101", "热敏电阻", "5kΩ", "℃");
    QVERIFY(rig.run([&](RegisterCollection *d) { return d->readChannelCoefficients(back); }));
    QCOMPARE(coefficientsOf(back), (QStringList{"0.33333334", "-0.00025", "1e-07", "7", "0", "0", "0"}));

    // The instrument restarts under its new address: the reopen learns it.
    QVERIFY(rig.run([&](RegisterCollection *d) {
        return d->writeDeviceSettings("0A", "57600", "10.0.0.7", "255.0.0.0", "502", "", error); }));
    QVERIFY(!rig.open());
    QVERIFY(rig.run([](RegisterCollection *d) { return d->close(); }));
    QVERIFY(rig.open());
    QCOMPARE(rig.driver->station(), QStringLiteral("0a"));
    QVERIFY(readSettings());
    QCOMPARE((QStringList{address, baud, ip, mask, port}), (QStringList{"0a", "57600", "10.0.0.7", "255.0.0.0", "502"}));
}

void TestOrvexPalluMirat::miratEndToEnd()
{
    Rig rig(fakeRegister);
    const QStringList options{"--station", "0A", "--text", "0001", "MR-12", "--set", "0015", "0300",
                              "--set", "001D", "0107", "--float", "004B", "23.45", "--float", "0055", "-1.5",
                              "--record", "02", "0102" + miratName + doubles({100}) + miratTail};
    if (overPty) {
        QVERIFY(start(rig, "Mirat", options));
    } else {
        // A Bluetooth LE link that takes 6 s to come up: the open waits for the transport's verdict.
        QVERIFY(rig.make("Mirat") && rig.link.start("蓝牙", QStringList{"--model", "mirat"} + options));
        rig.link.peripheral()->setConnectDelay(6000);
        QVERIFY(rig.open());
    }
    QCOMPARE(rig.driver->station(), QStringLiteral("0A"));
    QString serial, version, address, baud = "kept", ip, mask, port, filter;
    QVERIFY(rig.run([&](RegisterCollection *d) {
        return d->readDeviceSettings(serial, version, address, baud, ip, mask, port, filter); }));
    QCOMPARE((QStringList{serial, version, address, baud, filter}), (QStringList{"MR-12", "0107", "0a", "kept", "3"}));

    QStringList values;
    QVERIFY(rig.run([&](RegisterCollection *d) {
        return d->configureChannels("标准", {row("102", "自动", "自动", "℃")}) && d->readValues(values); }));
    QCOMPARE(values, QStringList{"-1.5000000000"});
    // Channel 2's PT100 record rewritten as CVD, then read back at full precision.
    ChannelRecord cvd = row("102", "铂电阻", "CVD", "℃", {"3.9083e-3", "-5.775e-7", "-4.183e-12", "", "100.5"});
    cvd.wireMode = "自动";
    QVERIFY(rig.run([&](RegisterCollection *d) { return d->configureChannels("标准", {cvd}); }));
    ChannelRecord back = row("102", "自动", "自动", "℃", {"9", "9", "9", "9", "9", "9", "9"});
    QVERIFY(rig.run([&](RegisterCollection *d) { return d->readChannelCoefficients(back); }));
    QCOMPARE(back.type + back.function + back.wireMode, QStringLiteral("铂电阻CVD自动"));
    QCOMPARE(coefficientsOf(back), (QStringList{"0.0039083", "-5.775e-07", "-4.183e-12", "0", "100.5", "0", "0"}));
    // No record on channel 1: nothing to read.
    ChannelRecord none = row("101", "自动", "自动", "℃");
    QVERIFY(!rig.run([&](RegisterCollection *d) { return d->readChannelCoefficients(none); }));
}

void TestOrvexPalluMirat::faults_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<QString>("fault");
    QTest::addColumn<bool>("result");
    QTest::addColumn<int>("requests");
    // Register reads: a damaged reply is waited out, a stray byte after a good one cut off.
    for (const char *model : {"Pallu", "Orvex-PCR", "Mirat"}) {
        QTest::addRow("%s crc", model) << model << "fault crc" << false << 1;
        QTest::addRow("%s trailing", model) << model << "fault trailing" << true << 1;
    }
    QTest::newRow("Pallu exception") << "Pallu" << "fault exception" << false << 1;
    // Sensor-record replies to channel 1's read: check byte, function, channel, length.
    const QString record = "0B010102" + miratName + doubles({1}) + miratTail;
    QTest::newRow("record check byte") << "Mirat" << "fault crc" << false << -1;
    QTest::newRow("record function") << "Mirat" << "reply " + CollectionMirat::sensorFrame("0C" + record.mid(2)) << false << -1;
    QTest::newRow("record channel") << "Mirat" << "reply " + CollectionMirat::sensorFrame("0B02" + record.mid(4)) << false << -1;
    QTest::newRow("record short") << "Mirat" << "reply " + CollectionMirat::sensorFrame(record.left(44)) << false << -1;
    QTest::newRow("record without its coefficient") << "Mirat"
        << "reply " + CollectionMirat::sensorFrame(record.left(30) + miratTail) << false << -1;
    QTest::newRow("record good") << "Mirat" << "reply " + CollectionMirat::sensorFrame(record) << true << -1;
}

void TestOrvexPalluMirat::faults()
{
    QFETCH(QString, model);
    QFETCH(QString, fault);
    QFETCH(bool, result);
    QFETCH(int, requests);
    Rig rig(model == "Pallu" ? QStringLiteral(MODBUS_PEER) : fakeRegister);
    const QString serialRegister = model == "Mirat" ? "0001" : "1000";
    QStringList options{"--text", serialRegister, "SN42"};
    if (model == "Mirat")
        options << "--record" << "01" << "0102" + miratName + doubles({1}) + miratTail;
    QVERIFY(start(rig, model, options));
    QVERIFY(rig.peer.command(fault));
    const int before = rig.sent();
    QString serial;
    ChannelRecord channel = row("101", "自动", "自动", "℃");
    QCOMPARE(rig.run([&](RegisterCollection *d) {
        return requests < 0 ? d->readChannelCoefficients(channel) : d->readSerialNumber(serial); }), result);
    QCOMPARE(rig.sent() - before, qAbs(requests));
    if (requests < 0)
        QCOMPARE(channel.r0_c4, QString(result ? "1" : ""));
    // The next exchange is clean again.
    if (requests > 0)   // every register reply above came whole
        checkQuietWait(rig, false, [&](RegisterCollection *d) { return d->readSerialNumber(serial); });
    QVERIFY(rig.run([&](RegisterCollection *d) { return d->readSerialNumber(serial); }));
    QCOMPARE(serial, QStringLiteral("SN42"));
}

// A late reply is never taken for another request's: the Mirat's temperatures and sensor records.
void TestOrvexPalluMirat::miratLateReplies()
{
    Rig rig(fakeRegister);
    const auto record = [](double r0) { return "0102" + miratName + doubles({r0}) + miratTail; };
    QVERIFY(start(rig, "Mirat", {"--float", "004B", "23.5", "--float", "0055", "-1.5", "--record", "01", record(100)}));
    const QList<ChannelRecord> rows{row("101", "自动", "自动", "℃"), row("102", "自动", "自动", "℃")};
    QVERIFY(rig.run([&](RegisterCollection *d) { return d->configureChannels("标准", rows); }));
    const int window = rig.driver->timings().replyPolls * rig.driver->timings().pollMs;
    checkLateReplies(rig, window, rows, false, {"23.5000000000", "-1.5000000000"},
                     {"float 004B 30.25", "float 0055 -2.25"}, {"30.2500000000", "-2.2500000000"});
    checkLateReplies(rig, window, rows, true, {"0", "0", "0", "0", "100", "0", "0"}, {"record 01 " + record(200)},
                     {"0", "0", "0", "0", "200", "0", "0"});
}

QTEST_MAIN(TestOrvexPalluMirat)
#include "test_register_orvex_pallu_mirat.moc"
