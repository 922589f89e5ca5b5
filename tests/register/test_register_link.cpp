// The register drivers against the libmodbus instrument (tests/peers): over a socat pty pair in
// RTU, or over loopback TCP (the Dravo with RTU frames; the Vosk-12-4 and the Jy models in
// Modbus-TCP framing, chosen at open after the RTU probe went unanswered).

#include <QtTest>

#include "RegisterRig.h"

class TestRegisterLink : public QObject
{
    Q_OBJECT
private slots:
    void goldenFrames();
    void dravoEndToEnd();
    void vosk12_4();
    void faults_data();
    void faults();
};

// The worked examples of the register map, as the instrument receives them.
void TestRegisterLink::goldenFrames()
{
    using Op = std::function<bool(RegisterCollection *)>;
    struct Golden
    {
        const char *name;
        const char *model;
        QStringList options;
        Op op;
        bool result;
        QStringList frames;
    };
    QString message;
    const QList<ChannelRecord> dravoRows{row("001", "铂电阻", "ITS90", "℃"),
                                         row("101", "热敏电阻", "R(T)", "℃"),
                                         row("102", "热敏电阻", "R(T)", "℃")};
    const QList<ChannelRecord> rtdRows{row("101", "铂电阻", "CVD", "℃"),
                                       row("102", "铂电阻", "PT", "℃"),
                                       row("103", "铂电阻", "ITS90", "℃")};
    ChannelRecord humidity = row("113", "湿度", "Auto", "%RH");
    humidity.mxbM = 1.5f;
    humidity.mxbB = -0.5f;
    const QString coefficientWrite = "011000D9001020" + doubles({1.0, 0.0, 0.0, 0.0});
    const QList<Golden> table{
        {"settings chain", "Dravo", {}, [&](RegisterCollection *d) {
             return d->writeDeviceSettings("05", "9600", "192.168.1.10", "255.255.255.0", "502", "3", message); },
         true, {"011000010001020500", "0110000200010203 00", "01100005000204C0A8010A",
                "01100007000204FFFFFF00", "01100009000102F601", "0110000A0001020300"}},
        {"a bad later setting sends nothing", "Dravo", {}, [&](RegisterCollection *d) {
             return d->writeDeviceSettings("05", "9600", "192.168.1", "255.255.255.0", "502", "3", message); },
         false, {}},
        {"channel mask 001 101 102", "Dravo", {}, [&](RegisterCollection *d) {
             return d->configureChannels("标准", dravoRows); },
         true, {"0110000300020407000000"}},
        {"21 values from 0x0019", "Dravo", {}, [&](RegisterCollection *d) {
             QStringList v;
             return d->configureChannels("标准", {row("001", "铂电阻", "ITS90", "℃"),
                                                  row("120", "热敏电阻", "R(T)", "℃")})
                 && d->readValues(v) && v.size() == 2; },
         true, {"0110000300020401001000", "010300190054"}},
        {"curve codes CVD PT ITS90", "Dravo-RTD", {}, [&](RegisterCollection *d) {
             return d->configureChannels("标准", rtdRows); },
         true, {"0103000D0004", "0110000D0004082100000000000000", "011000030002040E000000"}},
        {"scan rate 10, one curve, mask 101 103", "Jy228ND-P", {}, [&](RegisterCollection *d) {
             return d->configureChannels("10", {row("101", "热敏电阻", "R(T)", "℃"),
                                                row("103", "热敏电阻", "R(T)", "℃")}); },
         true, {"011000090001020A00", "0103000B0004", "0110000B0004082200000000000000",
                "0110000300020405000000"}},
        {"humidity correction block", "Vosk-12-4", {}, [&](RegisterCollection *d) {
             return d->writeChannelCoefficients(humidity); },
         true, {"01100099001020" + doubles({0.0, 0.0, 1.5, -0.5})}},
        {"13 values for 101 and 113", "Vosk-12-4", {}, [&](RegisterCollection *d) {
             QStringList v;
             return d->configureChannels("标准", {row("101", "热敏电阻", "R(T)", "℃"), humidity})
                 && d->readValues(v) && v.size() == 2; },
         true, {"0103000B0004", "0110000B0004080200000200000000", "0110000300020401100000",
                "010300190034"}},
        {"address, baud rate and filter only", "Jy224ND-P", {}, [&](RegisterCollection *d) {
             return d->writeDeviceSettings("02", "57600", "x", "y", "z", "1", message); },
         true, {"011000010001020200", "011000020001020600", "0110000A0001020100"}},
        {"nothing sent for bad input", "Jy228ND-P", {}, [&](RegisterCollection *d) {
             const ChannelRecord r = row("101", "热敏电阻", "R(T)", "℃", {"1"});
             ChannelRecord outside = r;
             outside.channelNumber = "109";
             return d->configureChannels("11", {r}) || d->configureChannels("1", {outside})
                 || d->writeChannelCoefficients(outside) || d->sendCommand("0103001")
                 || d->sendCommand("01030G"); },
         false, {}},
        {"12-digit echo is a failed write", "Dravo", {"--writes", "echo"}, [&](RegisterCollection *d) {
             return d->writeChannelCoefficients(row("101", "热敏电阻", "R(T)", "℃", {"1"})); },
         false, QStringList{coefficientWrite, coefficientWrite, coefficientWrite}},
    };
    for (const Golden &g : table) {
        Rig rig;
        QVERIFY2(rig.start(QString::fromUtf8(g.model), g.options), g.name);
        const int before = rig.sent();
        QVERIFY2(rig.run(g.op) == g.result, g.name);
        QStringList expected = g.frames;
        expected.replaceInStrings(QStringLiteral(" "), QString());
        QCOMPARE(rig.frames(before), expected);
    }
}

void TestRegisterLink::dravoEndToEnd()
{
    Rig rig;
    QVERIFY(rig.start("Dravo", {"--text", "0011", "DRV-000123", "--set", "0016", "0102",
                                "--set", "0002", "030000000000C0A8010AFFFFFF00F6010500",
                                "--double", "0019", "20.5", "21", "nan", "-inf", "1e308",
                                "--double", "006D", "100", "2252", "2500000"}));
    // The probe: a broadcast read of register 0x0001, exactly these bytes on the wire.
    QCOMPARE(rig.peer.requests().first(), QStringLiteral("000300010001D41B"));
    QCOMPARE(rig.driver->station(), QStringLiteral("01"));
    QString serial;
    QVERIFY(rig.run([&](RegisterCollection *d) { return d->readSerialNumber(serial); }));
    QCOMPARE(serial, QStringLiteral("DRV-000123"));

    const QList<ChannelRecord> rows{
        row("001", "铂电阻", "ITS90", "℃", {"3.9083e-3", "-5.775e-7", "-4.183e-12", "0", "100", "0", "0"}),
        row("101", "热敏电阻", "R(T)", "kΩ", {"1.1331e-3", "2.3e-4", "1e-7", "-4.5e-9"}),
        row("102", "热敏电阻", "R(T)", "℃"), row("103", "热敏电阻", "R(T)", "℃"),
        row("104", "热敏电阻", "R(T)", "℃")};
    QString error;
    QVERIFY2(rig.driver->checkChannels(rows, error), qPrintable(error));
    QVERIFY(rig.run([&](RegisterCollection *d) { return d->configureChannels("标准", rows); }));
    QStringList values;
    QVERIFY(rig.run([&](RegisterCollection *d) { return d->readValues(values); }));
    // A NaN or an infinity in the value table is no value of that channel alone: "nan".
    QCOMPARE(values, (QStringList{"20.5000000000", "2.2520000000", "nan", "nan",
                                  QString::number(1e308, 'f', 10)}));

    // Coefficients read back at full precision (singles in this instrument).
    ChannelRecord reference = row("001", "铂电阻", "ITS90", "℃");
    ChannelRecord thermistor = row("101", "热敏电阻", "R(T)", "kΩ", {"", "", "", "", "9", "9", "9"});
    QVERIFY(rig.run([&](RegisterCollection *d) {
        return d->readChannelCoefficients(reference) && d->readChannelCoefficients(thermistor); }));
    QCOMPARE(coefficientsOf(reference),
             (QStringList{"0.0039083", "-5.775e-07", "-4.183e-12", "0", "100", "0", "0"}));
    QCOMPARE(coefficientsOf(thermistor),
             (QStringList{"0.0011331", "0.00023", "1e-07", "-4.5e-09", "0", "0", "0"}));
    QCOMPARE(thermistor.mxbM, 1.0f);
    // A coefficient read back that is not a finite number fails the read; the row stays.
    const ChannelRecord readBefore = reference;
    QVERIFY(rig.peer.command(QStringLiteral("double 00C1 100 3.9083e-3 nan 0 0 0")));
    QVERIFY(!rig.run([&](RegisterCollection *d) { return d->readChannelCoefficients(reference); }));
    QCOMPARE(coefficientsOf(reference), coefficientsOf(readBefore));

    QString version, address, baud, ip, mask, port, filter;
    auto readSettings = [&] {
        return rig.run([&](RegisterCollection *d) {
            return d->readDeviceSettings(serial, version, address, baud, ip, mask, port, filter); });
    };
    QVERIFY(readSettings());
    QCOMPARE((QStringList{version, address, baud, ip, mask, port, filter}),
             (QStringList{"0102", "01", "9600", "192.168.1.10", "255.255.255.0", "502", "5"}));
    QVERIFY(rig.run([&](RegisterCollection *d) {
        return d->writeDeviceSettings("0A", "19200", "10.0.0.7", "255.255.0.0", "8000", "2", error); }));
    QCOMPARE(error, QStringLiteral("设置成功，重启后生效。"));
    QVERIFY(readSettings());
    QCOMPARE((QStringList{address, baud, ip, mask, port, filter}),
             (QStringList{"01", "19200", "10.0.0.7", "255.255.0.0", "8000", "2"}));

    // An open link is not opened again; nothing is sent.
    const int before = rig.sent();
    QVERIFY(!rig.open());
    QCOMPARE(rig.sent(), before);
    // The instrument restarted under its new address: the reopen learns it.
    QVERIFY(rig.run([](RegisterCollection *d) { return d->close(); }));
    QVERIFY(rig.open());
    QCOMPARE(rig.driver->station(), QStringLiteral("0a"));
    QVERIFY(rig.run([&](RegisterCollection *d) { return d->readSerialNumber(serial); }));
    QVERIFY(!rig.peer.logValues("check").contains(QStringLiteral("bad")));
}

void TestRegisterLink::vosk12_4()
{
    Rig rig;
    // The probe's answer comes from station 00, as Modbus-TCP servers echo the unit.
    QVERIFY(rig.start("Vosk-12-4", {"--station", "0A", "--probe", "00", "--text", "0011", "VK124",
                                    "--set", "0016", "0A0B", "--set", "0002", "0700",
                                    "--double", "0019", "21.5", "--double", "0049", "45.25"}));
    QCOMPARE(rig.driver->rtuFramingChosen(), overPty);
    QCOMPARE(rig.driver->station(), QStringLiteral("0A"));
    if (!overPty) {   // every frame after the framing choice carries the header and no CRC
        const QString probe = rig.peer.requests().last();
        QVERIFY(probe.left(4) != QLatin1String("0000") && probe.mid(4).startsWith(QStringLiteral("000000060003")));
    }
    // Opening the open link fails and leaves the framing chosen.
    QVERIFY(!rig.open());
    QCOMPARE(rig.driver->rtuFramingChosen(), overPty);
    QString serial, version, address, baud, ip, mask, port, filter;
    QVERIFY(rig.run([&](RegisterCollection *d) {
        return d->readDeviceSettings(serial, version, address, baud, ip, mask, port, filter); }));
    QCOMPARE((QStringList{serial, version, address, baud}),
             (QStringList{"VK124", "0A0B", "0a", "115200"}));

    const QString third = QString::number(1.0 / 3.0, 'g', 17);
    ChannelRecord thermistor = row("101", "热敏电阻", "T(R)", "℃", {third, "-2.5e-4", "1e-300", "7"});
    ChannelRecord humidity = row("113", "湿度", "Auto", "%RH");
    humidity.mxbM = 1.25f;
    humidity.mxbB = -0.5f;
    QVERIFY(rig.run([&](RegisterCollection *d) {
        return d->configureChannels("标准", {thermistor, humidity})
            && d->writeChannelCoefficients(humidity); }));
    QStringList values;
    QVERIFY(rig.run([&](RegisterCollection *d) { return d->readValues(values); }));
    QCOMPARE(values, (QStringList{"21.5000000000", "45.2500000000"}));
    ChannelRecord t = row("101", "热敏电阻", "T(R)", "℃"), h = row("113", "湿度", "Auto", "%RH");
    QVERIFY(rig.run([&](RegisterCollection *d) {
        return d->readChannelCoefficients(t) && d->readChannelCoefficients(h); }));
    QCOMPARE(coefficientsOf(t), (QStringList{"0.3333333333333333", "-0.00025", "1e-300", "7", "0", "0", "0"}));
    QCOMPARE(coefficientsOf(h), (QStringList{"0", "0", "0", "0", "0", "0", "0"}));
    QCOMPARE(h.mxbM, 1.25f);
    QCOMPARE(h.mxbB, -0.5f);
}

void TestRegisterLink::faults_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<QString>("fault");
    QTest::addColumn<bool>("write");
    QTest::addColumn<bool>("result");
    QTest::addColumn<int>("requests");
    for (const char *model : {"Dravo", "Vosk-12-4"}) {
        auto add = [&](const char *fault, bool write, bool result, int requests) {
            QTest::addRow("%s %s%s", model, fault, write ? " on a write" : "")
                << QString::fromLatin1(model) << QString::fromLatin1(fault) << write << result << requests;
        };
        add("station", false, false, 1);
        add("crc", false, false, 1);
        add("truncate", false, false, 1);
        add("exception", false, false, 1);
        add("silence", false, false, 1);
        add("trailing", false, true, 1);
        add("crc 3", true, false, 3);
        add("crc 1", true, true, 2);
        add("silence 2", true, true, 3);
    }
    QTest::newRow("Dravo short reply on a write") << "Dravo" << "raw 011000D9001020" + doubles({1, 2, 3, 4}) + " 0110020000" << true << false << 3;
}

void TestRegisterLink::faults()
{
    QFETCH(QString, model);
    QFETCH(QString, fault);
    QFETCH(bool, write);
    QFETCH(bool, result);
    QFETCH(int, requests);
    Rig rig;
    QVERIFY(rig.start(model, {"--text", "0011", "SN42"}));
    const bool quietWait = QRegularExpression("station|truncate|silence").match(fault).hasMatch();
    QVERIFY(rig.peer.command(fault.startsWith("raw") ? fault : "fault " + fault));
    const int before = rig.sent();
    QString serial;
    const ChannelRecord channel = row("101", "热敏电阻", "R(T)", "℃", {"1", "2", "3", "4"});
    QCOMPARE(rig.run([&](RegisterCollection *d) {
        return write ? d->writeChannelCoefficients(channel) : d->readSerialNumber(serial); }), result);
    QCOMPARE(rig.sent() - before, requests);
    // The next exchange is clean again.
    checkQuietWait(rig, quietWait, [&](RegisterCollection *d) { return d->readSerialNumber(serial); });
    QCOMPARE(serial, QStringLiteral("SN42"));
}

QTEST_MAIN(TestRegisterLink)
#include "test_register_link.moc"
