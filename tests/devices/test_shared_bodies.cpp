// The bodies that many drivers bind their operations to: channel numbers up to a model's
// count, the filter values, the scan interval of a rate, the record-file close, and the
// serial-port list that every instrument object shares (a Device that is no Collection too).
#include <QTemporaryDir>
#include <QtTest>

#include "Device.h"
#include "RecordFileReader.h"
#include "StubCollection.h"

namespace {
// Opens the shared bodies of Collection to the test.
class Shared : public StubCollection
{
public:
    using Collection::channelNumbersUpTo;
    using Collection::closeRecord;
    using Collection::rateScanInterval;
    using Collection::recordFile;
    using Collection::sharedFilterList;
};

// An instrument object that is not an acquisition driver, as the reference thermometers are.
class PlainDevice : public Device
{
public:
    bool open(QString, QString, QString) override { return false; }
    bool close() override { return true; }
    bool readReply(QString &) override { return false; }
    bool sendCommand(QString) override { return false; }
    bool readSerialNumber(QString &) override { return false; }
    void setLink(bool up) { connected = up; }
};
} // namespace

class TestSharedBodies : public QObject
{
    Q_OBJECT
private slots:
    void channelNumbersUpTo_data();
    void channelNumbersUpTo();
    void filterValues();
    void scanIntervalOfARate_data();
    void scanIntervalOfARate();
    void closeRecordClosesTheFile();
    void plainDeviceSharesPortsAndLinkState();
    void recordLinesAcrossReadPieces();
};

void TestSharedBodies::channelNumbersUpTo_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("maxCount");
    QTest::addColumn<QStringList>("expected");
    const QStringList four{QStringLiteral("101"), QStringLiteral("102"), QStringLiteral("103"),
                           QStringLiteral("104")};
    QTest::newRow("one") << 1 << 4 << QStringList{QStringLiteral("101")};
    QTest::newRow("three") << 3 << 4 << QStringList(four.mid(0, 3));
    QTest::newRow("all asked") << 4 << 4 << four;
    QTest::newRow("zero gives all") << 0 << 4 << four;
    QTest::newRow("negative gives all") << -3 << 4 << four;
    QTest::newRow("above the model gives all") << 5 << 4 << four;
}

void TestSharedBodies::channelNumbersUpTo()
{
    QFETCH(int, count);
    QFETCH(int, maxCount);
    QFETCH(QStringList, expected);
    QCOMPARE(Shared::channelNumbersUpTo(count, maxCount), expected);
}

void TestSharedBodies::filterValues()
{
    const QStringList filters = Shared::sharedFilterList();
    QCOMPARE(filters.size(), 16);
    QCOMPARE(filters.first(), QStringLiteral("0"));
    QCOMPARE(filters.at(9), QStringLiteral("9"));
    QCOMPARE(filters.last(), QStringLiteral("15"));
}

void TestSharedBodies::scanIntervalOfARate_data()
{
    QTest::addColumn<QString>("rate");
    QTest::addColumn<double>("seconds");
    QTest::newRow("fast") << QStringLiteral("快速") << 0.35;
    QTest::newRow("medium") << QStringLiteral("中速") << 0.5;
    QTest::newRow("slow") << QStringLiteral("慢速") << 1.0;
    QTest::newRow("empty") << QString() << 1.0;
    QTest::newRow("shown English word") << QStringLiteral("Fast") << 1.0;
}

void TestSharedBodies::scanIntervalOfARate()
{
    QFETCH(QString, rate);
    QFETCH(double, seconds);
    QCOMPARE(Shared::rateScanInterval(rate), seconds);
}

void TestSharedBodies::closeRecordClosesTheFile()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    Shared driver;
    QVERIFY(driver.closeRecord());   // nothing open: still true
    driver.recordFile.setFileName(dir.filePath(QStringLiteral("record.csv")));
    QVERIFY(driver.recordFile.open(QIODevice::WriteOnly));
    driver.recordFile.write("2026-01-01 00:00:00,20.5\n");
    QVERIFY(driver.closeRecord());
    QVERIFY(!driver.recordFile.isOpen());
    QFile back(dir.filePath(QStringLiteral("record.csv")));
    QVERIFY(back.open(QIODevice::ReadOnly));
    QCOMPARE(back.readAll(), QByteArray("2026-01-01 00:00:00,20.5\n"));   // flushed on close
}

void TestSharedBodies::plainDeviceSharesPortsAndLinkState()
{
    PlainDevice device;
    QVERIFY(!device.isConnected());
    device.setLink(true);
    QVERIFY(device.isConnected());
    QStringList names{QStringLiteral("zz"), QStringLiteral("aa")};
    QVERIFY(device.availablePorts(names));
    QVERIFY(names.size() >= 2);
    QCOMPARE(names.first(), QStringLiteral("aa"));
    QStringList sorted = names;
    sorted.sort();
    QCOMPARE(names, sorted);
}

// Line ends split across the reader's 64 KiB pieces: a CRLF whose CR ends the first piece is
// one line end, a lone CR ends a line, a BOM and the line ends after the last line are dropped.
void TestSharedBodies::recordLinesAcrossReadPieces()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("lines.csv"));
    QFile out(path);
    QVERIFY(out.open(QIODevice::WriteOnly));
    const QByteArray longLine(64 * 1024 - 4, 'a');   // its CR is the last byte of the piece
    out.write("\xEF\xBB\xBF" + longLine + "\r\nsecond\rthird\n\nfifth\r\n\r\n\n");
    out.close();

    QFile file;
    QList<bool> columns;
    RecordFileReader reader(file, columns);
    QVERIFY(reader.open(path));
    QStringList lines;
    QString line;
    while (reader.readLine(line))
        lines << line;
    QCOMPARE(lines, QStringList({QString::fromLatin1(longLine), QStringLiteral("second"),
                                 QStringLiteral("third"), QString(), QStringLiteral("fifth")}));
    QVERIFY(reader.atEnd());

    // A file of nothing but a BOM and line ends holds no line: the open fails and closes it.
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.write("\xEF\xBB\xBF\r\n\r");
    out.close();
    QVERIFY(!reader.open(path));
    QVERIFY(!file.isOpen());
}

QTEST_GUILESS_MAIN(TestSharedBodies)
#include "test_shared_bodies.moc"
