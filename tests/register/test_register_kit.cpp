// The register-frame layer without link or event loop: CRC-16/MODBUS, the value codecs (against
// Python's struct module), request building and framing, and the parsing of receive buffers;
// then the channel tables and option lists of the register models.

#include <QProcess>
#include <QtTest>

#include <cmath>
#include <memory>
#include <limits>

#include "Collection.h"
#include "RegisterFrame.h"
#include "Registry.h"

using namespace RegisterFrame;

namespace {
QByteArray bytes(const char *hex)
{
    return QByteArray::fromHex(hex);
}
} // namespace

class TestRegisterKit : public QObject
{
    Q_OBJECT
private slots:
    void knownAnswers_data();
    void knownAnswers();
    void codecsAgreeWithPython();
    void parse_data();
    void parse();
    void shortestTexts();
    void channelTables_data();
    void channelTables();
    void optionLists();
    void records_data();
    void records();
};

void TestRegisterKit::knownAnswers_data()
{
    QTest::addColumn<QString>("got");
    QTest::addColumn<QString>("expected");
    auto row = [](const char *name, const QString &got, const char *expected) {
        QTest::newRow(name) << got << QString::fromLatin1(expected);
    };
    row("check value", QString::number(crc16("123456789"), 16), "4b37");
    row("empty frame", crc16Hex(QString()), "FFFF");
    row("probe CRC", crc16Hex("000300010001"), "D41B");
    row("probe CRC high first", crc16HexHighFirst("000300010001"), "1BD4");
    row("probe on the wire", rtuFrame("000300010001", CrcOrder::LowFirst), "000300010001D41B");
    row("probe in Modbus-TCP", tcpFrame("000300010001"), "000000000006000300010001");
    row("float 1", floatToHex(1.0f), "0000803f");
    row("float 25", floatToHex(25.0f), "0000c841");
    row("double 1", doubleToHex(1.0), "000000000000f03f");
    row("7 digits", QString::number(hexToFloat("0000803")), "0");
    row("12 digits", QString::number(hexToFloat("0000803fFFFF")), "1");
    row("blanks", QString::number(hexToFloat("00 00 80 3f")), "1");
    row("not hex", QString::number(hexToFloat("0000803g")), "0");
    row("15 digits", QString::number(hexToDouble("000000000000f03")), "0");
    row("temperature block", readRequest(0x0019, 84), "0300190054");
    row("port 502", writeRequest(0x0009, swappedHex4(502)), "100009000102F601");
    row("baud index 3", swappedHex4(3), "0300");
    row("hex text", QString::number(isHexText("0a1B") && !isHexText("0a1") && !isHexText("0G")
                                    && !isHexText(QString())), "1");
    row("station", QString::number(isStationAddress("0a") && !isStationAddress("1")
                                   && !isStationAddress("001") && !isStationAddress("g1")), "1");
}

void TestRegisterKit::knownAnswers()
{
    QFETCH(QString, got);
    QFETCH(QString, expected);
    QCOMPARE(got, expected);
}

void TestRegisterKit::codecsAgreeWithPython()
{
    const QStringList literals{"0.0", "-0.0", "1.0", "-1.5", "25.0", "3.9083e-3", "-4.183e-12",
                               "1e-45", "3.4028234663852886e38", "1e300", "inf", "-inf"};
    QList<double> values;
    for (const QString &literal : literals)
        values << literal.toDouble();
    const QString script = QStringLiteral(
        "import struct\n"
        "for v in [float(t) for t in '%1'.split()]:\n"
        "    f = struct.pack('<f', v).hex() if abs(v) < 3.5e38 or v != v or abs(v) == float('inf') else '-'\n"
        "    print(f, struct.pack('<d', v).hex())\n").arg(literals.join(' '));
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), script});
    QVERIFY(python.waitForFinished(20000));
    const QStringList lines = QString::fromLatin1(python.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), values.size());
    for (int i = 0; i < values.size(); ++i) {
        const QStringList packed = lines.at(i).split(' ');
        const double v = values.at(i);
        QCOMPARE(doubleToHex(v), packed.at(1));
        QCOMPARE(hexToDouble(packed.at(1)), v);
        if (packed.at(0) != QLatin1String("-")) {
            QCOMPARE(floatToHex(static_cast<float>(v)), packed.at(0));
            QCOMPARE(hexToFloat(packed.at(0)), static_cast<float>(v));
        }
    }
    QVERIFY(std::isnan(hexToDouble(doubleToHex(std::nan("")))));
}

void TestRegisterKit::parse_data()
{
    QTest::addColumn<bool>("tcp");
    QTest::addColumn<QByteArray>("buffer");
    QTest::addColumn<QString>("station");
    QTest::addColumn<int>("state");
    QTest::addColumn<QByteArray>("frame");
    const int incomplete = Reply::Incomplete, bad = Reply::Bad, frame = Reply::Frame, other = Reply::Other;
    const QByteArray read4 = bytes("01030400004040");   // station 01, 4 data bytes
    const QByteArray good = read4 + QByteArray::fromHex(crc16Hex(read4.toHex()).toLatin1());
    QTest::newRow("two bytes") << false << good.left(2) << "" << incomplete << QByteArray();
    QTest::newRow("16 of 18 digits") << false << good.left(8) << "01" << incomplete << QByteArray();
    QTest::newRow("complete") << false << good << "01" << frame << read4;
    QTest::newRow("any station before a probe") << false << good << "" << frame << read4;
    QTest::newRow("stray byte cut") << false << good + 'x' << "01" << frame << read4;
    QTest::newRow("other station") << false << good.left(3) << "02" << bad << QByteArray();
    QByteArray damaged = good;
    damaged[damaged.size() - 1] = char(damaged.back() ^ 1);
    QTest::newRow("damaged CRC") << false << damaged << "01" << bad << QByteArray();
    QTest::newRow("exception") << false << bytes("0183024140") << "01" << bad << QByteArray();
    const QByteArray echo6 = bytes("010600010500");
    QTest::newRow("one-register echo") << false
        << echo6 + QByteArray::fromHex(crc16Hex(echo6.toHex()).toLatin1()) << "01" << frame << echo6;
    QTest::newRow("tcp short") << true << bytes("000000000007010304") << "01" << incomplete << QByteArray();
    QTest::newRow("tcp complete") << true << bytes("000000000007") + read4 + 'x' << "01" << frame << read4;
    QTest::newRow("tcp other transaction") << true << bytes("000100000007") + read4 << "01" << other << QByteArray();
    QTest::newRow("tcp other protocol") << true << bytes("000000010007") + read4 << "01" << bad << QByteArray();
    QTest::newRow("tcp length past the data") << true << bytes("000000000008") + read4 + 'x' << "01" << bad << QByteArray();
    QTest::newRow("tcp echo of 7 bytes") << true << bytes("000000000007") + echo6 + 'x' << "01" << bad << QByteArray();
    QTest::newRow("tcp echo") << true << bytes("000000000006") + echo6 << "01" << frame << echo6;
    QTest::newRow("tcp unit 00 before a probe") << true << bytes("00000000000500030201") + QByteArray(1, 0)
                                                << "" << frame << bytes("0003020100");
    QTest::newRow("tcp data short of its count") << true << bytes("000000000005010304") + bytes("0000")
                                                 << "01" << bad << QByteArray();
    QTest::newRow("tcp exception") << true << bytes("000000000003018302") << "01" << bad << QByteArray();
    // Rows "block N": a value block parse of N bytes.
    QTest::newRow("block 9") << false << good << "01" << frame << read4;
    QTest::newRow("block 1") << false << good << "01" << bad << QByteArray();
    QTest::newRow("tcp block 9") << true << bytes("000000000007") + read4 << "01" << frame << read4;
    QTest::newRow("tcp block 9, other transaction") << true << bytes("000100000007") + read4 << "01" << other << QByteArray();
}

void TestRegisterKit::parse()
{
    QFETCH(bool, tcp);
    QFETCH(QByteArray, buffer);
    QFETCH(QString, station);
    QFETCH(int, state);
    QFETCH(QByteArray, frame);
    const int block = QRegularExpression("block (\\d+)").match(QTest::currentDataTag()).captured(1).toInt();
    const Reply r = block ? parseBlock(buffer, block, station, tcp)
                          : tcp ? parseTcp(buffer, station) : parseRtu(buffer, station, CrcOrder::LowFirst);
    QCOMPARE(int(r.state), state);
    if (r.state == Reply::Frame)
        QCOMPARE(r.frame.toHex(), frame.toHex());
}

void TestRegisterKit::shortestTexts()
{
    // Full precision, shortest form: the next set-up sends back exactly what was read.
    for (double v : {0.1, 3.9083e-3, -5.775e-7, -4.183e-12, 100.0, 1.0 / 3.0, 2.252e3})
        QCOMPARE(shortestText(v).toDouble(), v);
    QCOMPARE(shortestText(-4.183e-12), QStringLiteral("-4.183e-12"));
    QCOMPARE(shortestText(0.1f), QStringLiteral("0.1"));
    QCOMPARE(shortestText(1.0f / 3.0f), QStringLiteral("0.33333334"));
    for (float v : {0.1f, 3.9083e-3f, -4.183e-12f, 1e-45f, 3.4028235e38f})
        QCOMPARE(static_cast<float>(shortestText(v).toDouble()), v);
}

void TestRegisterKit::channelTables_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<QStringList>("rows");      // "number type function unit [wiring]"
    QTest::addColumn<QString>("error");         // empty: accepted
    const QStringList dravo{"001 铂电阻 ITS90 ℃", "101 热敏电阻 R(T) ℃", "102 热敏电阻 R(T) kΩ"};
    QTest::newRow("Dravo") << "Dravo" << dravo << "";
    QTest::newRow("third unit") << "Dravo" << dravo + QStringList{"103 热敏电阻 R(T) Ω"} << "通道单位不许超过2个！";
    QTest::newRow("falling") << "Dravo" << QStringList{dravo.at(2), dravo.at(1)} << "通道号需要递增！";
    QTest::newRow("platinum thermistor") << "Dravo" << QStringList{"101 铂电阻 ITS90 ℃"} << "101:类型错误！";
    QTest::newRow("RTD function") << "Dravo-RTD" << QStringList{"101 铂电阻 R(T) ℃"} << "101:功能错误！";
    QTest::newRow("no channel 121") << "Dravo" << QStringList{"121 热敏电阻 R(T) ℃"} << "121:通道号错误！";
    QTest::newRow("no channel 0101") << "Dravo-NTC" << QStringList{"0101 热敏电阻 R(T) ℃"} << "0101:通道号错误！";
    QTest::newRow("none") << "Vosk-12-4" << QStringList{} << "通道未设置！";
    QTest::newRow("humidity") << "Vosk-12-4" << QStringList{"101 热敏电阻 T(R) Ω", "113 湿度 Auto %RH"} << "";
    QTest::newRow("thermistor 113") << "Vosk-12-4" << QStringList{"113 热敏电阻 R(T) ℃"} << "113:类型错误！";
    QTest::newRow("humidity unit") << "Vosk-12-4" << QStringList{"101 热敏电阻 R(T) %RH"} << "101:单位错误！";
    QTest::newRow("no channel 117") << "Vosk-12-4" << QStringList{"117 湿度 Auto %RH"} << "117:通道号错误！";
    QTest::newRow("one curve") << "Jy228ND-P" << QStringList{"101 热敏电阻 R(T) ℃", "102 热敏电阻 T(R) ℃"} << "通道功能不许超过1个！";
    QTest::newRow("rising first") << "Jy228ND-P" << QStringList{"102 热敏电阻 R(T) ℃", "101 热敏电阻 T(R) ℃"} << "通道号需要递增！";
    QTest::newRow("no channel 105") << "Jy224ND-P" << QStringList{"105 热敏电阻 R(T) ℃"} << "105:通道号错误！";
    const QStringList pallu{"101 铂电阻 PT100-385 ℃ 二线制", "102 热电偶 K mV 二线制", "125 直流电流 1A ℃ 二线制"};
    QTest::newRow("Pallu") << "Pallu" << pallu << "";
    QTest::newRow("Pallu 127") << "Pallu" << QStringList{"127 电阻 自动 Ω 二线制"} << "127:通道号错误！";
    QTest::newRow("Pallu 125 thermocouple") << "Pallu" << QStringList{"125 热电偶 K ℃ 二线制"} << "125:类型错误！";
    QTest::newRow("113 taken") << "Pallu" << QStringList{"101 铂电阻 ITS90 ℃", "113 电阻 自动 Ω 二线制"} << "113已被占用！";
    QTest::newRow("114 three wires") << "Pallu" << QStringList{"114 电阻 自动 Ω 三线制"} << "114不能被设置为:三线制";
    // A sixth field: the row's fixed cold junction (the set-up sends the first row's).
    for (const char *text : {"nan", "inf", "-inf", "1e39", "25,5", ""})
        QTest::addRow("Pallu cold junction '%s'", text) << "Pallu" << QStringList{QString("102 热电偶 K ℃ 二线制 ") + text, "103 热电偶 K ℃ 二线制"}
                                                     << "102:固定冷端温度不是数字！";
    QTest::newRow("Pallu cold junction -25.5") << "Pallu" << QStringList{"102 热电偶 K ℃ 二线制 -25.5", "103 热电偶 K ℃ 二线制 nan"} << "";
    QTest::newRow("Orvex 117") << "Orvex-NTC-V1" << QStringList{"117 热敏电阻 R(T) ℃"} << "117:通道号错误！";
    QTest::newRow("Orvex four-wire 110") << "Orvex-RTD-V1" << QStringList{"101 铂电阻 PT385 ℃", "110 铂电阻 PT385 ℃"}
                                         << "四线制下通道编号超限！";
    QTest::newRow("Orvex one unit") << "Orvex-PCR" << QStringList{"101 热敏电阻 R(T) ℃ 二线制", "102 热敏电阻 R(T) Ω 二线制"}
                                    << "通道单位不许超过1个！";
    QTest::newRow("Mirat") << "Mirat" << QStringList{"101 铂电阻 CVD ℃ 自动", "102 热电偶 S ℃ 自动"} << "";
    QTest::newRow("Mirat 103") << "Mirat Plus" << QStringList{"103 自动 自动 ℃ 自动"} << "103:通道号错误！";
}

void TestRegisterKit::channelTables()
{
    QFETCH(QString, model);
    QFETCH(QStringList, rows);
    QFETCH(QString, error);
    std::unique_ptr<Collection> driver(createCollection(model));
    QVERIFY(driver);
    QList<ChannelRecord> records;
    for (const QString &r : rows) {
        const QStringList f = r.split(' ');
        ChannelRecord c;
        c.channelNumber = f.at(0);
        c.type = f.at(1);
        c.function = f.at(2);
        c.wireMode = f.value(4, QStringLiteral("四线制"));
        c.unit = f.at(3);
        if (f.size() > 5) {
            c.compensation = QStringLiteral("固定冷端");
            c.coldJunction = f.at(5);
        }
        records << c;
    }
    QString message = QStringLiteral("unchanged");
    QCOMPARE(driver->checkChannels(records, message), error.isEmpty());
    QCOMPARE(message, error.isEmpty() ? QStringLiteral("unchanged") : error);
}

void TestRegisterKit::optionLists()
{
    std::unique_ptr<Collection> dravo(createCollection("Dravo")), vosk(createCollection("Vosk-12-4")),
        jy8(createCollection("Jy228ND-P")), jy4(createCollection("Jy224ND-P"));
    QCOMPARE(dravo->channelNumberList(3), (QStringList{"001", "101", "102"}));
    QCOMPARE(dravo->channelNumberList(30).last(), QStringLiteral("120"));
    QCOMPARE(dravo->channelNumberList(0).size(), 21);
    QCOMPARE(vosk->channelNumberList(17).size(), 16);
    QCOMPARE(jy8->channelNumberList(9).size(), 8);
    QCOMPARE(jy4->channelNumberList(3), (QStringList{"101", "102", "103"}));
    QCOMPARE(vosk->coefficientMask("Auto"),
             (QList<bool>{false, false, false, false, false, false, false, true, true}));
    QCOMPARE(jy8->minScanInterval("3", {}), 0.34);
    QCOMPARE(jy8->minScanInterval("标准", {}), 1.0);
    QCOMPARE(jy4->settingMask(), (QList<bool>{true, true, false, false, false, true}));
}

// Record files the instruments wrote, read through the drivers: a record within the model's
// window of the time asked for is taken, an earlier one passed over, a later one kept for the
// next time; line ends of every kind, a byte-order mark, short and blank lines.
void TestRegisterKit::records_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QStringList>("rows");      // "number unit"
    QTest::addColumn<QStringList>("reads");     // "hh:mm:ss values" ("-": failed); none: refused
    const QByteArray pallu = "\xEF\xBB\xBFTime,CH01,CH02,CH03\r\n2024-01-01 09:59:58,1,2,3\r\n"
        "2024-01-01 09:59:59,0.0105,5,0.006\r\n2024-01-01 10:00:01,7,8,9\r2024-01-01 10:00:09,10,11,12\n"
        "2024-01-01 10:00:10,1,2\r\n2024-01-01 10:00:12,x,2,3\r\n\r\n";
    QTest::newRow("Pallu") << "Pallu" << pallu << QStringList{"101 mV", "103 kΩ"}
        << QStringList{"10:00:00 10.5,6e-06", "10:00:02 7000,0.009", "10:00:04 -", "10:00:06 -",
                       "10:00:08 10000,0.012", "10:00:10 -", "10:00:12 -", "10:00:14 -"};
    QTest::newRow("Pallu 104 missing") << "Pallu" << pallu << QStringList{"101 V", "104 V"} << QStringList{};
    QTest::newRow("Pallu short name") << "Pallu" << QByteArray("Time,CH1,CH02\n") << QStringList{"102 V"} << QStringList{};
    const QByteArray mirat = "Mirat Plus V1\nMODEL\n时间,通道1,通道2\n2024-01-01 09:59:58,1,2\n"
        "2024-01-01 09:59:59,25.1,26.3\n2024-01-01 10:00:03,27,28\n\n2024-01-01 10:00:05,29,30";
    QTest::newRow("Mirat") << "Mirat" << mirat << QStringList{"102 ℃"}
        << QStringList{"10:00:00 26.3", "10:00:01 -", "10:00:02 28", "10:00:04 -", "10:00:05 30", "10:00:06 -"};
    QTest::newRow("Mirat both") << "Mirat" << mirat << QStringList{"101 ℃", "102 ℃"} << QStringList{"10:00:00 25.1,26.3"};
    QTest::newRow("Mirat English heading") << "Mirat" << QByteArray("Mirat\n\nTime,CH1,CH2\n") << QStringList{"101 ℃"}
                                           << QStringList{};
    QTest::newRow("Mirat three rows") << "Mirat" << mirat << QStringList{"101 ℃", "102 ℃", "102 ℃"} << QStringList{};
    const QByteArray orvex = "Time,CH01,CH02,CH03,CH04,CH05,CH06,CH07,CH08\n"
        "2024-01-01 10:00:01,1,2,3,4,5.25,6,7,8\n2024-01-01 10:00:08,1,2,3,4,-0.0001234567,6,7,8\n";
    QTest::newRow("Orvex") << "Orvex-RTD-V1" << orvex << QStringList{"101 Ω", "105 Ω"}
        << QStringList{"10:00:00 1,5.25", "10:00:03 -", "10:00:07 1,-0.000123457"};
    QTest::newRow("Orvex 3 fields") << "Orvex-RTD-V1" << QByteArray("Time,CH01,CH02\n") << QStringList{"101 Ω"}
                                    << QStringList{};
    // Rows "step N s": the import's step; the first Orvex generation takes a record up to one
    // step after the time asked for, within its 10 s; a missing value comes as "nan".
    const QByteArray late = "Time,CH01,CH02,CH03,CH04,CH05,CH06,CH07,CH08\n"
        "2024-01-01 10:00:02,1,2,3,4,5,6,7,8\n2024-01-01 10:00:12,nan,2,3,4,-INF,6,7,8\n"
        "2024-01-01 10:00:33,1,2,3,4,abc,6,7,8\n2024-01-01 10:00:44,9,2,3,4,5,6,7,8\n";
    QTest::newRow("Orvex step 10 s") << "Orvex-RTD-V1" << late << QStringList{"101 Ω", "105 Ω"}
        << QStringList{"10:00:00 1,5", "10:00:10 nan,nan", "10:00:20 -", "10:00:30 -",
                       "10:00:40 9,5"};
    QTest::newRow("Orvex step 20 s") << "Orvex-RTD-V1" << late << QStringList{"101 Ω"}
        << QStringList{"10:00:00 1", "10:00:01 -", "10:00:02 nan", "10:00:22 -"};
}

void TestRegisterKit::records()
{
    QFETCH(QString, model);
    QFETCH(QByteArray, file);
    QFETCH(QStringList, rows);
    QFETCH(QStringList, reads);
    QTemporaryDir dir;
    QFile out(dir.filePath("record.csv"));
    QVERIFY(out.open(QIODevice::WriteOnly) && out.write(file) == file.size());
    out.close();
    std::unique_ptr<Collection> driver(createCollection(model));
    driver->setRecordStep(QRegularExpression("step (\\d+) s").match(QTest::currentDataTag()).captured(1).toInt());
    QList<ChannelRecord> records;
    for (const QString &r : rows) {
        ChannelRecord c;
        c.channelNumber = r.section(' ', 0, 0);
        c.unit = r.section(' ', 1);
        records << c;
    }
    QCOMPARE(driver->openRecordFile(out.fileName(), records), !reads.isEmpty());
    for (const QString &read : reads) {
        QStringList values;
        const QDateTime time(QDate(2024, 1, 1), QTime::fromString(read.left(8), "hh:mm:ss"));
        const bool found = driver->readRecordAt(time, values);
        QCOMPARE(found ? values.join(',') : QStringLiteral("-"), read.mid(9));
    }
    QVERIFY(driver->closeRecordFile());
}

QTEST_GUILESS_MAIN(TestRegisterKit)
#include "test_register_kit.moc"
