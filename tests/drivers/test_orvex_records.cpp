// The Orvex scanners reading the record files they wrote by themselves: the family's rules, the VS
// scanner's line check and the HT scanner's whole seconds and "Max" line. The files are written
// by tests/sim/records_orvex.py; record k (from 0) reads c / 10 + k * 0.5 on channel c.

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

#include "CollectionOrvex.h"
#include "FakeInstrument.h"
#include "Registry.h"

using Rows = QList<ChannelRecord>;

// The rows of the channels `numbers`, and the readings of record k on them (none for k < 0).
static Rows channels(const QList<int> &numbers, QStringList *readings = nullptr, int k = -1)
{
    Rows rows;
    for (int n : numbers) {
        rows << ChannelRecord();
        rows.last().channelNumber = QString::number(n);
        if (readings && k >= 0)
            *readings << QString::number(n / 10.0 + k * 0.5, 'f', 3);
    }
    return rows;
}

class TestOrvexRecords : public QObject
{
    Q_OBJECT
    QTemporaryDir dir;

private slots:
    void initTestCase()
    {
        QCOMPARE(QProcess::execute("/usr/bin/python3",
                                   {FakeInstrument::simDir() + "/records_orvex.py", dir.path()}), 0);
    }

    // Reads at rising times (ms after the file's first record): the record each read gives.
    void readsAtRisingTimes_data()
    {
        QTest::addColumn<QString>("model");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QList<int>>("numbers");
        QTest::addColumn<QList<qint64>>("times");
        QTest::addColumn<QList<int>>("records");
        QTest::addColumn<int>("step");   // the import's, in seconds; 0: none
        const qint64 s = 1000;
        // Values in the order asked, from the first Ch1 column, past the "Avg" column; a record
        // up to 999 ms early or 1000 ms late is taken, a later one kept: the times inside the
        // gap fail, the one after it takes the record after it; a short line fails.
        QTest::newRow("Orvex") << "Orvex-NTC-V2" << "orvex.csv" << QList<int>{103, 101}
                               << QList<qint64>{-750, 2500, 10 * s, 1500 * s, 2004 * s - 1, 2004 * s,
                                                2006 * s, 2007 * s, 2010 * s, 2011 * s}
                               << QList<int>{0, 2, -1, -1, -1, 5, 6, 7, -1, -1} << 0;
        // The family's window; a line whose check is written in upper case fails.
        QTest::newRow("VS") << "Orvex-VS" << "vs.csv" << QList<int>{101, 102}
                            << QList<qint64>{0, 1 * s, 2 * s, 3 * s, 5 * s, 100 * s, 150 * s}
                            << QList<int>{0, 1, -1, 3, -1, -1, 5} << 0;
        // Whole seconds, up to 1 s late (2 s is refused and kept); the "Max" line ends the data.
        QTest::newRow("HT") << "Orvex-HT" << "ht.csv" << QList<int>{101, 116}
                            << QList<qint64>{-1 * s, 1 * s, 3 * s, 8 * s, 10 * s, 12 * s}
                            << QList<int>{0, 1, 3, -1, 5, -1} << 0;
        // With a step, a record up to one step after the time is taken, within the family's window.
        QTest::newRow("Orvex step 10 s") << "Orvex-NTC-V2" << "orvex.csv" << QList<int>{101}
                                         << QList<qint64>{-2500, -2000, 1995 * s, 1995 * s + 1, 2005 * s - 1,
                                                          2005 * s + 500, 2010 * s}
                                         << QList<int>{0, 1, -1, 5, 6, 7, -1} << 10;
        QTest::newRow("Orvex step 2000 s") << "Orvex-NTC-V2" << "orvex.csv" << QList<int>{101}
                                           << QList<qint64>{0, 1000 * s, 1005 * s} << QList<int>{0, -1, 5} << 2000;
        QTest::newRow("VS step 200 s") << "Orvex-VS" << "vs.csv" << QList<int>{101, 102}
                                       << QList<qint64>{0, 1 * s, 2 * s, 3 * s, 49 * s, 50 * s}
                                       << QList<int>{0, 1, -1, 3, -1, 5} << 200;
        QTest::newRow("HT step 10 s") << "Orvex-HT" << "ht.csv" << QList<int>{101, 116}
                                      << QList<qint64>{-1 * s, 8 * s, 9 * s} << QList<int>{0, -1, 5} << 10;
    }
    void readsAtRisingTimes()
    {
        QFETCH(QString, model);
        QFETCH(QString, file);
        QFETCH(QList<int>, numbers);
        QFETCH(QList<qint64>, times);
        QFETCH(QList<int>, records);
        QFETCH(int, step);
        const QDateTime first = QDateTime(QDate(2024, 5, 6), QTime(10, 0, 0, model == "Orvex-HT" ? 0 : 250));
        std::unique_ptr<Collection> d(createCollection(model));
        d->setRecordStep(step);
        QVERIFY(d->openRecordFile(dir.filePath(file), channels(numbers)));
        for (int i = 0; i < times.size(); ++i) {
            QStringList values{"old"}, expected;
            channels(numbers, &expected, records[i]);
            QCOMPARE(d->readRecordAt(first.addMSecs(times[i]), values), records[i] >= 0);
            QCOMPARE(values, expected);
        }
        QVERIFY(d->closeRecordFile());
    }

    void refusedOpens()
    {
        CollectionOrvex_NTC d;
        QStringList values;
        // Channel 102 has no column: refused, and the file is closed.
        QVERIFY(!d.openRecordFile(dir.filePath("orvex.csv"), channels({101, 102})));
        QVERIFY(!d.readRecordAt(QDateTime(QDate(2024, 5, 6), QTime(10, 0)), values));
        QVERIFY(!d.openRecordFile(dir.filePath("missing.csv"), channels({101})));
        QVERIFY(d.openRecordFile(dir.filePath("orvex.csv"), channels({101})));
        QVERIFY(!CollectionOrvex_HT().openRecordFile(dir.filePath("vs.csv"), channels({103})));
    }
};

QTEST_MAIN(TestOrvexRecords)
#include "test_orvex_records.moc"
