// The Vosk family, Jy14, Pirl, Zenk and Jy18 drivers against the libmodbus instrument, over a
// pty pair or loopback TCP (RegisterRig.h): the register map's worked examples as the
// instrument receives them, each model end to end, the value blocks under injected faults,
// late replies (with the Dravo's); and (over the pty only) every model name of the registry
// with its option lists.

#include <QElapsedTimer>
#include <QtTest>

#include <cmath>

#include "RegisterRig.h"

namespace {
using Op = std::function<bool(RegisterCollection *)>;

QList<ChannelRecord> withWiring(QList<ChannelRecord> rows, const char *wiring)
{
    for (ChannelRecord &r : rows)
        r.wireMode = QString::fromUtf8(wiring);
    return rows;
}

Op setUpAndRead(const QString &rate, const QList<ChannelRecord> &rows)
{
    return [=](RegisterCollection *d) {
        QStringList values;
        return d->configureChannels(rate, rows) && d->readValues(values) && values.size() == rows.size();
    };
}
} // namespace

class TestRegisterModels : public QObject
{
    Q_OBJECT
private slots:
    void goldenFrames();
    void endToEnd_data();
    void endToEnd();
    void blockFaults_data();
    void blockFaults();
    void lateReplies_data();
    void lateReplies();
    void stationMustBeLearned();
    void jy18TakesLongerReplies();
#ifdef LINK_OVER_PTY
    void blockWaitFollowsBaudRate();
    void everyModelName();
#endif
};

void TestRegisterModels::goldenFrames()
{
    struct Golden
    {
        const char *name;
        const char *model;
        Op op;
        bool result;
        QStringList frames;
    };
    QString message;
    const QList<Golden> table{
        {"four-wire and channel masks 101 132, 256-register block", "Vosk-32CH",
         setUpAndRead("标准", {row("101", "热敏电阻", "R(T)", "℃"), row("132", "热敏电阻", "R(T)", "℃")}),
         true, {"0110000B00020401000080", "0110000300020401000080", "010300190100"}},
        {"scan rate, wiring and function codes, 64-bit mask 101 136, 144-register blocks",
         "Vosk-NTC-36CH",
         setUpAndRead("中速", {row("101", "热敏电阻", "R(T)", "℃"), row("136", "热敏电阻", "Other", "Ω")}),
         true, {"0110000C0001020200", "010300190008", "01100019000810 02000000000000008000000000000000",
                "010300210008", "01100021000810 01000000000000000000000000000000",
                "0110000D000408 0100000008000000", "010300410090", "010300D10090"}},
        {"T(R) code of 132, 128-register block", "Pirl-NTC-32CH",
         setUpAndRead("标准", {row("132", "热敏电阻", "T(R)", "℃")}),
         true, {"0103000B0004", "0110000B000408 0000000000000040", "0110000300020400000080",
                "010300190080"}},
        {"a zero R0 writes no coefficients, 64-register block", "Vosk-RTD",
         setUpAndRead("标准", {row("116", "铂电阻", "PT", "℃", {"3.9e-3", "0", "0", "0", "0"})}),
         true, {"0103000B0004", "0110000B000408 0000000000000000", "0110000300020400800000",
                "010300190040"}},
        {"type K, 80-bit mask 101 168, 136-register block", "Vosk-TC",
         setUpAndRead("标准", withWiring({row("101", "热电偶", "K", "℃"), row("168", "热电偶", "K", "℃")}, "二线制")),
         true, {"0106000E0300", "0110000300050A 01000000000000000800", "010300B30088"}},
        {"中速 and ITS90 codes", "Jy18MD", [](RegisterCollection *d) {
             return d->configureChannels("中速", {row("101", "铂电阻", "ITS90", "℃")}); },
         true, {"0110000C0001020200", "010300210004", "01100021000408 0200000000000000"}},
        {"function code and two singles", "Vosk", [](RegisterCollection *d) {
             return d->configureChannels("标准", {row("103", "热敏电阻", "5kΩ", "Ω", {"1", "-0.5"})}); },
         true, {"0110000B0001020100", "011000B9000408 0000803F000000BF", "0110000300020404000000"}},
        {"Jy14RD: R0, A, B, C and no mask", "Jy14RD", [](RegisterCollection *d) {
             return d->configureChannels("标准", {row("104", "铂电阻", "CVD", "℃", {"2", "3", "4", "", "1"})}); },
         true, {"011000C9001020" + doubles({1, 2, 3, 4})}},
        {"a coefficient that is no finite number is not sent", "Jy14RD", [](RegisterCollection *d) {
             return d->configureChannels("标准", {row("104", "铂电阻", "CVD", "℃", {"2", "inf", "4", "", "1"})}); },
         false, {}},
        {"a single past its range is not sent", "Vosk", [](RegisterCollection *d) {
             return d->configureChannels("标准", {row("103", "热敏电阻", "5kΩ", "Ω", {"1e39", "-0.5"})}); },
         false, {"0110000B0001020100"}},
        {"a bad filter sends no setting", "Vosk", [&](RegisterCollection *d) {
             return d->writeDeviceSettings("05", "9600", "10.0.0.2", "255.0.0.0", "502", "16", message); },
         false, {}},
        {"channels outside the model send nothing", "Pirl-RTD-32CH", [](RegisterCollection *d) {
             const ChannelRecord outside = row("133", "铂电阻", "ITS90", "℃", {"1", "1", "1", "1", "1"});
             return d->configureChannels("标准", {outside}) || d->writeChannelCoefficients(outside); },
         false, {}},
    };
    for (const Golden &g : table) {
        Rig rig;
        QVERIFY2(rig.start(QString::fromUtf8(g.model)), g.name);
        const int before = rig.sent();
        QVERIFY2(rig.run(g.op) == g.result, g.name);
        QStringList expected = g.frames;
        expected.replaceInStrings(QStringLiteral(" "), QString());
        QCOMPARE(rig.frames(before), expected);
    }
}

void TestRegisterModels::endToEnd_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<QStringList>("options");       // the instrument's registers
    QTest::addColumn<QList<ChannelRecord>>("rows");
    QTest::addColumn<QStringList>("values");
    QTest::addColumn<ChannelRecord>("coefficients"); // written, then read back the same
    const QString third = QString::number(1.0 / 3.0, 'g', QLocale::FloatingPointShortest);
    const QStringList thermistor{third, "-0.00025", "1e-300", "7", "0", "0", "0"};
    const QStringList platinum{"0.0039083", "-5.775e-07", "-4.183e-12", "0", "100.25", "1e-05", "-2e-09"};
    const QStringList twoTerm{"0.1", "2.5", "0", "0", "0", "0", "0"};
    const QStringList tenDecimals{"20.5000000000", "0.1000000000"};
    auto add = [&](const char *model, const QStringList &options, const QList<ChannelRecord> &rows,
                   const QStringList &values, const ChannelRecord &c) {
        QTest::newRow(model) << model << options << rows << values << c;
    };
    const QList<ChannelRecord> voskRows{row("101", "热敏电阻", "R(T)", "℃"), row("102", "热敏电阻", "R(T)", "kΩ")};
    const QStringList voskMap{"--double", "0019", "20.5", "1", "--double", "0059", "1", "100"};
    for (const char *model : {"Vosk", "Jy14ND"})
        add(model, voskMap, voskRows, tenDecimals, row("102", "热敏电阻", "10kΩ", "℃", twoTerm));
    add("Jy14RD", voskMap, {row("101", "铂电阻", "CVD", "℃"), row("102", "铂电阻", "CVD", "kΩ")},
        tenDecimals, row("101", "铂电阻", "CVD", "℃", {"1", "2", third, "0", "100.5", "0", "0"}));
    // A NaN in a block is a reading like any other.
    add("Vosk-TC", {"--station", "02", "--set", "00B3", singles({std::nanf(""), 0}), "--set", "002B", singles({0, 1.25f})},
        withWiring({row("101", "热电偶", "K", "℃"), row("102", "热电偶", "K", "mV")}, "二线制"),
        {"nan", "1.2500000000"}, row("101", "热电偶", "K", "℃"));
    add("Vosk-32CH", {"--station", "02", "--set", "001D", singles({21.25f}), "--set", "00D9", singles({1, 10000})},
        voskRows, {"21.2500000000", "10.0000000000"}, row("101", "热敏电阻", "R(T)", "℃", thermistor));
    const QList<ChannelRecord> ntc{row("101", "热敏电阻", "R(T)", "℃"), row("102", "热敏电阻", "Other", "Ω")};
    const QStringList ntcValues{"20.5000000000", "200.0000000000"};
    add("Vosk-NTC-36CH", {"--station", "02", "--double", "0041", "20.5", "--double", "00D1", "100", "200"},
        ntc, ntcValues, row("102", "热敏电阻", "Other", "Ω", twoTerm));
    add("Pirl-NTC-32CH", {"--station", "02", "--double", "0019", "20.5", "--double", "0099", "100", "200"},
        ntc, ntcValues, row("101", "热敏电阻", "R(T)", "℃", thermistor));
    const QList<ChannelRecord> rtd{row("101", "铂电阻", "ITS90", "℃"), row("102", "铂电阻", "PT", "Ω")};
    const ChannelRecord its = row("102", "铂电阻", "ITS90", "℃", platinum);
    add("Vosk-RTD-36CH", {"--double", "0041", "20.5", "--double", "00D1", "100", "200"}, rtd, ntcValues, its);
    add("Pirl-RTD-32CH", {"--double", "0019", "20.5", "--double", "0099", "100", "200"}, rtd, ntcValues, its);
    add("Vosk-RTD", {"--station", "02", "--double", "0019", "20.5", "--double", "0059", "100", "200"}, rtd, ntcValues, its);
    add("Zenk", {"--double", "0059", "2500000"}, {row("101", "铂电阻", "ITS90", "MΩ")}, {"2.5000000000"},
        row("101", "铂电阻", "ITS90", "℃", platinum));
    // One curve for every channel of the Jy228ND-P; resistances scaled to MΩ.
    add("Jy228ND-P", {"--double", "0019", "20.5", "--double", "0059", "1", "2500000"},
        {row("101", "热敏电阻", "R(T)", "℃"), row("102", "热敏电阻", "R(T)", "MΩ")}, {"20.5000000000", "2.5000000000"},
        row("103", "热敏电阻", "T(R)", "℃", thermistor));
    // The Jy18 keeps its coefficients as singles.
    add("Jy18MD", {"--double", "0041", "20.5", "--double", "0061", "1", "2500000"},
        {row("101", "铂电阻", "ITS90", "℃"), row("102", "热敏电阻", "R(T)", "MΩ")}, {"20.5000000000", "2.5000000000"},
        row("103", "热敏电阻", "T(R)", "℃", {"0.1", "-2.5e-05", "3", "1e-07", "0", "0", "0"}));
}

void TestRegisterModels::endToEnd()
{
    QFETCH(QString, model);
    QFETCH(QStringList, options);
    QFETCH(QList<ChannelRecord>, rows);
    QFETCH(QStringList, values);
    QFETCH(ChannelRecord, coefficients);
    Rig rig;
    const int serialRegister = model == QLatin1String("Vosk-TC") ? 0x0014 : 0x0011;
    QVERIFY(rig.start(model, options << "--text" << QString::number(serialRegister, 16) << "SN-7"
                                     << "--set" << "0002" << "0300"));
    QString serial, version, address, baud, ip, mask, port, filter, error;
    QVERIFY(rig.run([&](RegisterCollection *d) { return d->readSerialNumber(serial); }));
    QCOMPARE(serial, QStringLiteral("SN-7"));
    QVERIFY2(rig.driver->checkChannels(rows, error), qPrintable(error));
    QStringList read;
    QVERIFY(rig.run([&](RegisterCollection *d) {
        return d->configureChannels(d->scanRateList().first(), rows) && d->readValues(read); }));
    QCOMPARE(read, values);

    ChannelRecord back = coefficients;
    back.a_c0 = back.b_c1 = back.c_c2 = back.d_c3 = back.r0_c4 = back.a4_c5 = back.b4_c6 = "9";
    back.mxbM = 3;
    QVERIFY(rig.run([&](RegisterCollection *d) {
        return d->writeChannelCoefficients(coefficients) && d->readChannelCoefficients(back); }));
    if (!rig.driver->coefficientMask(coefficients.function).contains(true))
        QCOMPARE(coefficientsOf(back).join(""), QString(7, QLatin1Char('9')));   // none kept
    else
        QCOMPARE(coefficientsOf(back), coefficientsOf(coefficients));
    QCOMPARE(back.mxbM, model == QLatin1String("Vosk-TC") ? 3.0f : 1.0f);

    QVERIFY(rig.run([&](RegisterCollection *d) {
        return d->readDeviceSettings(serial, version, address, baud, ip, mask, port, filter); }));
    QCOMPARE(address, rig.driver->station().toLower());
    QCOMPARE(baud, QStringLiteral("9600"));
    QVERIFY(rig.run([&](RegisterCollection *d) {
        return d->writeDeviceSettings("0b", "4800", "10.0.0.7", "255.255.0.0", "8000", "2", error); }));
    QCOMPARE(error, QStringLiteral("设置成功，重启后生效。"));
    QVERIFY(rig.run([&](RegisterCollection *d) {
        return d->readDeviceSettings(serial, version, address, baud, ip, mask, port, filter); }));
    QCOMPARE((QStringList{baud, filter}), (QStringList{"4800", "2"}));
    QVERIFY(!rig.peer.logValues("check").contains(QStringLiteral("bad")));
}

void TestRegisterModels::blockFaults_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<QString>("fault");
    QTest::addColumn<bool>("result");
    QTest::addColumn<int>("requests");
    // The Pirl tries a block three times, the Vosk-TC once.
    for (const char *fault : {"station", "crc", "truncate", "exception", "silence"}) {
        if (QByteArray(fault) != "truncate")
            QTest::addRow("Pirl %s thrice", fault) << "Pirl-NTC-32CH" << QString(fault) + " 3" << false << 3;
        QTest::addRow("Vosk-TC %s", fault) << "Vosk-TC" << QString(fault) << false << 1;
    }
    QTest::newRow("Pirl crc once") << "Pirl-NTC-32CH" << "crc" << true << 2;
    QTest::newRow("Pirl trailing byte") << "Pirl-NTC-32CH" << "trailing" << true << 1;
    QTest::newRow("Vosk-TC trailing byte") << "Vosk-TC" << "trailing" << true << 1;
    QTest::newRow("Zenk crc thrice") << "Zenk" << "crc 3" << false << 3;   // the caller's list kept
    QTest::newRow("Vosk-TC short block") << "Vosk-TC" << "raw 010300B30088 0103040000C0BF" << false << 1;
    if (!overPty)
        QTest::newRow("Pirl exception thrice, transaction 0") << "Pirl-NTC-32CH" << "exception 3" << false << 3;
}

void TestRegisterModels::blockFaults()
{
    QFETCH(QString, model);
    QFETCH(QString, fault);
    QFETCH(bool, result);
    QFETCH(int, requests);
    Rig rig;
    const bool tc = model == QLatin1String("Vosk-TC"), zenk = model == QLatin1String("Zenk");
    const QStringList zero{"--transaction", QString(QTest::currentDataTag()).endsWith("transaction 0") ? "zero" : "echo"};
    QVERIFY(rig.start(model, QStringList{"--set", tc ? "0139" : zenk ? "0019" : "0095", tc ? singles({-1.5f}) : doubles({-1.5})} + zero));
    const ChannelRecord last = tc ? row("168", "热电偶", "K", "℃")
        : zenk ? row("101", "铂电阻", "ITS90", "℃") : row("132", "热敏电阻", "R(T)", "℃");
    QVERIFY(rig.run([&](RegisterCollection *d) { return d->configureChannels("标准", {last}); }));
    const bool quietWait = QRegularExpression("station|truncate|silence").match(fault).hasMatch();
    QVERIFY(rig.peer.command(fault.startsWith("raw") ? fault : "fault " + fault));
    const int before = rig.sent();
    QStringList values{"old"};
    QCOMPARE(rig.run([&](RegisterCollection *d) { return d->readValues(values); }), result);
    QCOMPARE(rig.sent() - before, requests);
    QCOMPARE(values, result ? QStringList{"-1.5000000000"} : zenk ? QStringList{"old"} : QStringList{});
    QString serial;
    checkQuietWait(rig, quietWait, [&](RegisterCollection *d) { return d->readSerialNumber(serial); });
}

// A late reply is never taken for another request's: values and coefficients, in RTU frames
// (the Dravo; the Pirl over the pty) and Modbus-TCP framing (the Pirl over TCP, or transaction 0).
void TestRegisterModels::lateReplies_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<QStringList>("setUp");     // statements: two value blocks, the coefficients
    QTest::addColumn<QStringList>("change");    // the same, changed
    QTest::addColumn<int>("windowMs");          // of the value read
    QTest::newRow("Dravo") << "Dravo" << QStringList{"double 0019 0 20.25 21.5", "double 006D 0 100.5 2252", "double 00D9 1 2 3 4"}
        << QStringList{"double 0019 0 30.25 31.5", "double 006D 0 200.5 3252", "double 00D9 5 6 7 8"} << 500;
    const QStringList pirl{"double 0019 20.25 21.5", "double 0099 100.5 2252", "double 0119 1 2 3 4"};
    const QStringList pirlChange{"double 0019 30.25 31.5", "double 0099 200.5 3252", "double 0119 5 6 7 8"};
    QTest::newRow("Pirl") << "Pirl-NTC-32CH" << pirl << pirlChange << 600;
    if (!overPty)
        QTest::newRow("Pirl, transaction 0") << "Pirl-NTC-32CH" << pirl + QStringList{"transaction zero"} << pirlChange << 600;
}

void TestRegisterModels::lateReplies()
{
    QFETCH(QString, model);
    QFETCH(QStringList, setUp);
    QFETCH(QStringList, change);
    QFETCH(int, windowMs);
    QStringList options;
    for (const QString &s : setUp)
        options << "--" + s.section(' ', 0, 0) << s.section(' ', 1).split(' ');
    Rig rig;
    QVERIFY(rig.start(model, options));
    const QList<ChannelRecord> rows{row("101", "热敏电阻", "R(T)", "℃"), row("102", "热敏电阻", "R(T)", "kΩ")};
    QVERIFY(rig.run([&](RegisterCollection *d) { return d->configureChannels(d->scanRateList().first(), rows); }));
    checkLateReplies(rig, windowMs, rows, false, {"20.2500000000", "2.2520000000"}, change.mid(0, 2),
                     {"30.2500000000", "3.2520000000"});
    checkLateReplies(rig, 500, rows, true, {"1", "2", "3", "4", "0", "0", "0"}, change.mid(2),
                     {"5", "6", "7", "8", "0", "0", "0"});
}

// Without a station address the Vosk-TC and the Zenk close the link again and send nothing.
void TestRegisterModels::stationMustBeLearned()
{
    for (const char *model : {"Vosk-TC", "Zenk"}) {
        Rig rig;
        QVERIFY(rig.start(model, {"--raw", "000300010001", "010303010000"}, "115200", false));
        QVERIFY(!rig.open());
        QString serial;
        QVERIFY(!rig.run([&](RegisterCollection *d) { return d->readSerialNumber(serial); }));
        QCOMPARE(rig.sent(), 1);
    }
    // The Zenk's set-up reports its coefficient write.
    Rig zenk;
    QVERIFY(zenk.start("Zenk"));
    QVERIFY(zenk.peer.command("fault silence 3"));
    QVERIFY(!zenk.run([](RegisterCollection *d) {
        return d->configureChannels("标准", {row("101", "热敏电阻", "R(T)", "℃", {"1"})}); }));
}

// The Jy18 takes replies of their length or longer (the probe and the baud rate one data byte).
void TestRegisterModels::jy18TakesLongerReplies()
{
    const ChannelRecord written = row("101", "铂电阻", "ITS90", "℃", {"0.0039083", "-5.775e-07", "-4.183e-12", "0", "100.25", "0", "0"});
    QString request;   // the coefficient write, as the driver sends it
    {
        Rig probe;
        QVERIFY(probe.start("Jy18MD") && probe.run([&](RegisterCollection *d) { return d->writeChannelCoefficients(written); }));
        request = probe.frames(probe.sent() - 1).value(0);
    }
    QStringList options{"--raw", request, "011032" + request.mid(14) + "0000"};
    for (const QString &raw : QStringList{"000300010001 01030101", "010300110005 01030C" + QString("JY18-00042XY").toLatin1().toHex(),
                                           "010300160001 0103040107FFFF", "010300020001 01030103", "0103000A0001 01030405000000",
                                           "010300810018 010332" + doubles({100.25, 3.9083e-3, -5.775e-7, -4.183e-12, 0, 0}) + "0000",
                                           "011000010001020200 01100402000000", "011000020001020200 01100402000000",
                                           "0110000A0001020300 01100403000000"})
        options << "--raw" << raw.split(' ');
    Rig rig;
    QVERIFY(rig.start("Jy18MD", options));
    QString serial, version, address, baud, ip, mask, port, filter, message;
    QVERIFY(rig.run([&](RegisterCollection *d) {
        return d->readDeviceSettings(serial, version, address, baud, ip, mask, port, filter); }));
    QCOMPARE((QStringList{serial, version, baud, filter}), (QStringList{"JY18-00042", "0107", "9600", "5"}));
    ChannelRecord back = row("101", "铂电阻", "ITS90", "℃");
    QVERIFY(rig.run([&](RegisterCollection *d) { return d->readChannelCoefficients(back); }));
    QCOMPARE(coefficientsOf(back), coefficientsOf(written));
    QVERIFY(rig.run([&](RegisterCollection *d) {
        return d->writeDeviceSettings("02", "4800", "", "", "", "3", message) && d->writeChannelCoefficients(written); }));
    // A coefficient past the range of the singles it keeps fails the read; the row stays.
    Rig wide;
    QVERIFY(wide.start("Jy18MD", {"--double", "0081", "100.25", "1e300", "--double", "0099", "1e300"}));
    for (ChannelRecord kept : {written, row("102", "热敏电阻", "R(T)", "℃", {"1", "2"})}) {
        const ChannelRecord before = kept;
        QVERIFY(!wide.run([&](RegisterCollection *d) { return d->readChannelCoefficients(kept); }));
        QCOMPARE(coefficientsOf(kept), coefficientsOf(before));
    }
}

#ifdef LINK_OVER_PTY
// A silent instrument is waited for 1.5 times the block's wire time plus 0.3 s at 9600 baud:
// 68 singles and the request, 285 bytes, about 0.75 s.
void TestRegisterModels::blockWaitFollowsBaudRate()
{
    Rig rig;
    QVERIFY(rig.start("Vosk-TC", {}, "9600"));
    QVERIFY(rig.run([](RegisterCollection *d) {
        return d->configureChannels("标准", {row("168", "热电偶", "K", "℃")}); }));
    rig.peer.command("fault silence");
    QElapsedTimer clock;
    clock.start();
    QStringList values;
    QVERIFY(!rig.run([&](RegisterCollection *d) { return d->readValues(values); }));
    QVERIFY2(clock.elapsed() >= 700, qPrintable(QString::number(clock.elapsed())));
    // Replies paced at 300 baud keep the line busy for seconds: the wait owed for the late reply
    // gives up after two block waits, never ten.
    QVERIFY(rig.peer.command("pace 300") && !rig.run([&](RegisterCollection *d) { return d->readValues(values); }));
    clock.restart();
    QVERIFY(!rig.run([&](RegisterCollection *d) { return d->readValues(values); }));
    QVERIFY2(clock.elapsed() < 4000, qPrintable(QString::number(clock.elapsed())));
}

// Every model name gives a driver whose own options make a valid channel table; a register
// driver refuses a channel number that its channel list does not hold.
void TestRegisterModels::everyModelName()
{
    const QStringList built = registeredCollectionClasses();
    for (const QString &model : registryModelNames()) {
        const bool aliased = model == QLatin1String("Orvex-NTC") || model == QLatin1String("Orvex-RTD");
        const QString className = registryClassName(aliased ? resolveModelAlias(model) : model);
        if (className == QLatin1String("CollectionEmpty"))
            continue;   // the empty place of an instrument
        std::unique_ptr<Collection> d(createCollection(model));
        QVERIFY2(d || !built.contains(className), qPrintable(model));
        if (!d) {
            qWarning() << model << "has no driver in this build";
            continue;
        }
        const QString number = d->channelNumberList(1).value(0);
        ChannelRecord r;
        r.channelNumber = number;
        r.type = d->typeList(number.toInt()).value(0);
        r.function = d->functionList(r.type).value(0);
        r.wireMode = d->wiringList(r.type).value(0);
        r.unit = d->unitList(r.type).value(0);
        r.compensation = d->compensationList().value(0);
        QVERIFY2(!d->scanRateList().isEmpty() && !d->signalModeList().isEmpty()
                 && d->coefficientMask(r.function).size() == 9, qPrintable(model));
        QString error;
        QVERIFY2(d->checkChannels({r}, error), qPrintable(model + ": " + error));
        if (!qobject_cast<RegisterCollection *>(d.get()))
            continue;
        r.channelNumber = QStringLiteral("999");
        QVERIFY2(!d->checkChannels({r}, error), qPrintable(model));
        QCOMPARE(error, QStringLiteral("999:通道号错误！"));
    }
}
#endif

QTEST_MAIN(TestRegisterModels)
#include "test_register_models.moc"
