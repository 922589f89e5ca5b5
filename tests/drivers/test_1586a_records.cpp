// The 1586A driver reading record files that the scanner wrote by itself. The files are written
// by tests/sim/records_1586a.py into a temporary folder; their readings follow its rule
// value(k, c) = c / 10 + k * 0.5 for record k (from 0) and channel c.

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

#include "Collection1586A.h"
#include "FakeInstrument.h"
#include "RecordFileReader.h"

using Rows = QList<ChannelRecord>;

namespace {
const QDateTime start(QDate(2024, 5, 6), QTime(10, 0, 0, 250));

Rows channels(std::initializer_list<int> numbers)
{
    Rows rows;
    for (int n : numbers) {
        ChannelRecord r;
        r.channelNumber = QString::number(n);
        r.type = "热电偶";
        rows << r;
    }
    return rows;
}

QString value(int record, int channel)
{
    return QString::number(channel / 10.0 + record * 0.5, 'f', 3);
}

QStringList values(int record, std::initializer_list<int> numbers)
{
    QStringList out;
    for (int n : numbers)
        out << value(record, n);
    return out;
}
} // namespace

class Test1586ARecords : public QObject
{
    Q_OBJECT
    QTemporaryDir dir;
    std::unique_ptr<Collection1586A> driver;

    QString file(const QString &name) const { return dir.filePath(name); }

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        QVERIFY(QDir::setCurrent(dir.path()));
        QProcess generator;
        generator.start("/usr/bin/python3",
                        {FakeInstrument::simDir() + "/records_1586a.py", dir.path()});
        QVERIFY(generator.waitForFinished(30000));
        QVERIFY2(generator.exitCode() == 0, generator.readAllStandardError().constData());
        QVERIFY(QFile::exists(file("plain.csv")));
    }
    void init() { driver.reset(new Collection1586A); }
    void cleanup() { driver.reset(); }

    // Every record read in turn gives the requested channels in the order they were asked.
    void readsEveryRecordInRequestedOrder_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("lf") << "plain.csv";
        QTest::newRow("crlf") << "crlf.csv";
        QTest::newRow("no final line end") << "nofinal.csv";
        QTest::newRow("lone cr") << "cr.csv";
        QTest::newRow("bom and blank lines at the end") << "bom.csv";
    }
    void readsEveryRecordInRequestedOrder()
    {
        QFETCH(QString, name);
        QVERIFY(driver->openRecordFile(file(name), channels({103, 101})));
        for (int k = 0; k < 10; ++k) {
            QStringList got;
            QVERIFY2(driver->readRecordAt(start.addSecs(k), got), qPrintable(QString::number(k)));
            QCOMPARE(got, values(k, {103, 101}));
        }
        QStringList got{"stale"};
        QVERIFY(!driver->readRecordAt(start.addSecs(10), got));
        QVERIFY(got.isEmpty());
        QVERIFY(driver->closeRecordFile());
    }

    void subsetOfColumnsInColumnOrder()
    {
        QVERIFY(driver->openRecordFile(file("plain.csv"), channels({101, 103})));
        QStringList got;
        QVERIFY(driver->readRecordAt(start, got));
        QCOMPARE(got, values(0, {101, 103}));
    }

    void duplicatedColumnUsesTheFirst()
    {
        QVERIFY(driver->openRecordFile(file("duplicate.csv"), channels({101, 103, 102})));
        QStringList got;
        QVERIFY(driver->readRecordAt(start.addMSecs(4500), got));
        QCOMPARE(got, values(4, {101, 103, 102}));
    }

    void refusedFiles_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<Rows>("rows");
        QTest::newRow("four header fields") << "header_fields.csv" << channels({101});
        QTest::newRow("first field not Record") << "header_record.csv" << channels({101});
        QTest::newRow("second field not Time") << "header_time.csv" << channels({101});
        QTest::newRow("short channel header") << "header_short.csv" << channels({101});
        QTest::newRow("empty file") << "empty.csv" << channels({101});
        QTest::newRow("missing file") << "none.csv" << channels({101});
        QTest::newRow("channel without column") << "plain.csv" << channels({101, 104});
        // The duplicated 101 column must not stand in for the missing 104.
        QTest::newRow("duplicate does not hide a missing channel")
            << "duplicate.csv" << channels({101, 102, 104});
    }
    void refusedFiles()
    {
        QFETCH(QString, name);
        QFETCH(Rows, rows);
        QVERIFY(!driver->openRecordFile(file(name), rows));
    }

    // A refused open leaves nothing behind; the next open starts from the first record.
    void failedOpenClosesAndNextOpenStartsClean()
    {
        QVERIFY(driver->openRecordFile(file("plain.csv"), channels({101})));
        QStringList got;
        QVERIFY(driver->readRecordAt(start.addSecs(3), got));
        QVERIFY(!driver->openRecordFile(file("header_time.csv"), channels({101})));
        QVERIFY(!driver->readRecordAt(start.addSecs(4), got));
        QVERIFY(got.isEmpty());
        QVERIFY(driver->openRecordFile(file("plain.csv"), channels({102})));
        QVERIFY(driver->readRecordAt(start, got));
        QCOMPARE(got, values(0, {102}));
    }

    void reopenStartsAtTheFirstRecord()
    {
        QVERIFY(driver->openRecordFile(file("plain.csv"), channels({101})));
        QStringList got;
        QVERIFY(driver->readRecordAt(start.addSecs(8), got));
        QVERIFY(driver->openRecordFile(file("crlf.csv"), channels({101, 102})));
        QVERIFY(driver->readRecordAt(start.addMSecs(2500), got));
        QCOMPARE(got, values(2, {101, 102}));
    }

    // The window is 1000 ms either side, 1000 ms included. gap.csv has records 0 to 4 at 0 to
    // 4 s and record 5 at 60 s; after the first read, a second one asks for 60 s.
    void timeWindow_data()
    {
        QTest::addColumn<qint64>("askedMs");
        QTest::addColumn<int>("record");     // -1: none
        QTest::addColumn<int>("thenAt60s");
        QTest::newRow("record 999 ms after") << qint64(59001) << 5 << 6;
        QTest::newRow("record 1000 ms after") << qint64(59000) << 5 << 6;
        QTest::newRow("record 1001 ms after stays for later") << qint64(58999) << -1 << 5;
        QTest::newRow("record 1000 ms before") << qint64(5000) << 4 << 5;
        QTest::newRow("record 1001 ms before is passed over") << qint64(5001) << -1 << 5;
        QTest::newRow("between two records: the earlier") << qint64(2500) << 2 << 5;
    }
    void timeWindow()
    {
        QFETCH(qint64, askedMs);
        QFETCH(int, record);
        QFETCH(int, thenAt60s);
        QVERIFY(driver->openRecordFile(file("gap.csv"), channels({102})));
        QStringList got;
        QCOMPARE(driver->readRecordAt(start.addMSecs(askedMs), got), record >= 0);
        QCOMPARE(got, record >= 0 ? values(record, {102}) : QStringList{});
        QVERIFY(driver->readRecordAt(start.addSecs(60), got));
        QCOMPARE(got, values(thenAt60s, {102}));
    }

    // A record too far ahead of the time asked for stays for the next call, so a gap in the
    // recording only fails the times inside the gap.
    void gapFailsOnlyTheMissingTimes()
    {
        QVERIFY(driver->openRecordFile(file("gap.csv"), channels({101, 102})));
        QStringList got;
        for (int k = 0; k < 5; ++k) {
            QVERIFY(driver->readRecordAt(start.addSecs(k), got));
            QCOMPARE(got, values(k, {101, 102}));
        }
        for (int second = 10; second < 60; second += 10) {
            QVERIFY2(!driver->readRecordAt(start.addSecs(second), got),
                     qPrintable(QString::number(second)));
            QVERIFY(got.isEmpty());
        }
        for (int k = 5; k < 10; ++k) {
            QVERIFY2(driver->readRecordAt(start.addSecs(55 + k), got),
                     qPrintable(QString::number(k)));
            QCOMPARE(got, values(k, {101, 102}));
        }
    }

    void pastTheEndEveryReadFails()
    {
        QVERIFY(driver->openRecordFile(file("plain.csv"), channels({101})));
        QStringList got;
        QVERIFY(!driver->readRecordAt(start.addSecs(100), got));
        QVERIFY(!driver->readRecordAt(start.addSecs(101), got));
        QVERIFY(!driver->readRecordAt(start.addSecs(9), got));
    }

    // A short or over-long record or a malformed time fails that read only; the next read goes
    // on after it.
    void malformedRecordsFailOneRead()
    {
        QVERIFY(driver->openRecordFile(file("badline.csv"), channels({101, 103})));
        QStringList got;
        for (int k : {0, 1, 2}) {
            QVERIFY(driver->readRecordAt(start.addSecs(k), got));
            QCOMPARE(got, values(k, {101, 103}));
        }
        QVERIFY(!driver->readRecordAt(start.addSecs(3), got));   // no readings
        QVERIFY(driver->readRecordAt(start.addSecs(4), got));
        QCOMPARE(got, values(4, {101, 103}));
        QVERIFY(!driver->readRecordAt(start.addSecs(5), got));   // time without milliseconds
        QVERIFY(driver->readRecordAt(start.addSecs(6), got));
        QCOMPARE(got, values(6, {101, 103}));
        QVERIFY(!driver->readRecordAt(start.addSecs(7), got));   // a field more than the header
        QVERIFY(got.isEmpty());
        QVERIFY(driver->readRecordAt(start.addSecs(8), got));
        QCOMPARE(got, values(8, {101, 103}));
    }

    // Missing values read "nan"; a non-number, an extra field or a line over 1 MB fails its record.
    void valuesAndLines()
    {
        const auto write = [this](const QByteArray &bytes) {
            QFile out(file("values.csv"));
            return out.open(QIODevice::WriteOnly) && out.write(bytes) == bytes.size();
        };
        const QByteArray over(RecordFileReader::lineLimit + 1, 'x');
        const QList<QByteArray> records{"nan,-INF,", "abc,1,2", "1.5, 1e999 ,Infinity,,",
                                        "1,2,3,x", over, "4,5,6"};
        QByteArray text = "Record Number,Time Stamp,Ch 101 (C) ,Ch 102 (C) ,Ch 103 (C) \n";
        for (int k = 0; k < records.size(); ++k)
            text += QByteArray::number(k + 1) + ','
                + start.addSecs(k).toString("yyyy-MM-dd hh:mm:ss.zzz").toLatin1() + ','
                + records.at(k) + '\n';
        QVERIFY(write(text));
        const QList<QStringList> expected{{"nan", "nan", "nan"}, {}, {"1.5", "nan", "nan"}, {}, {},
                                          {"4", "5", "6"}};
        QVERIFY(driver->openRecordFile(file("values.csv"), channels({101, 102, 103})));
        for (int k = 0; k < records.size(); ++k) {
            QStringList got{"stale"};
            QCOMPARE(driver->readRecordAt(start.addSecs(k), got), !expected.at(k).isEmpty());
            QCOMPARE(got, expected.at(k));
        }

        QVERIFY(write(text.left(text.indexOf('\n')) + ',' + over));   // no line end in the first 1 MB
        QVERIFY(!driver->openRecordFile(file("values.csv"), channels({101})));
    }

    void invalidTimeTakesNothing()
    {
        QVERIFY(driver->openRecordFile(file("plain.csv"), channels({101})));
        QStringList got;
        QVERIFY(!driver->readRecordAt(QDateTime(), got));
        QVERIFY(driver->readRecordAt(start, got));
        QCOMPARE(got, values(0, {101}));
    }

    void closedFileReadsNothing()
    {
        QVERIFY(driver->openRecordFile(file("plain.csv"), channels({101})));
        QVERIFY(driver->closeRecordFile());
        QStringList got;
        QVERIFY(!driver->readRecordAt(start, got));
        QVERIFY(driver->closeRecordFile());
    }
};

QTEST_GUILESS_MAIN(Test1586ARecords)
#include "test_1586a_records.moc"
