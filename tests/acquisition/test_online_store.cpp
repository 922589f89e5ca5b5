// What a run stores while the database is busy or refuses writes: a backup of a large file made
// during a run at 100 ms, and a file that refuses every write for a few seconds. No sample may be
// lost or stored twice; the samples are read back with the sqlite3 tool.

#include <QFile>
#include <QLineEdit>
#include <QSet>
#include <QtTest>

#include <memory>

#include "ParametersOnLine.h"
#include "SystemSetBackup.h"
#include "test_online_support.h"

using namespace OnlineTest;

namespace {

const QString endText = QStringLiteral("结束");
const QString sampleFormat = QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz");

PlannedInstrument instrument(int n, int channels, double interval)
{
    PlannedInstrument in;
    in.model = QStringLiteral("Instant:%1:%2").arg(n).arg(channels);
    in.signalMode = QStringLiteral("网络");
    in.address = QStringLiteral("127.0.0.1");
    in.port = QStringLiteral("1");
    for (int c = 0; c < channels; ++c)
        in.projectOfChannel.append(0);
    in.scanInterval = interval;
    return in;
}

QString information(ParametersOnLine *w)
{
    return w->findChild<QLineEdit *>(QStringLiteral("lineEdit_Information"))->text();
}

// The stored samples of instrument 1's first channel: each value tells its sample number
// (101 + n / 1000). Checks that samples 0..count-1 are each stored once, in order, and returns
// the longest gap between two sample times in milliseconds.
qint64 checkEverySampleOnce(const QString &db, int count)
{
    const QList<QStringList> data =
        rows(db, QStringLiteral("select Time, Data from ParametersData order by rowid"));
    if (data.size() != count) {
        qWarning() << "stored" << data.size() << "samples, expected" << count;
        return -1;
    }
    qint64 longest = 0;
    QDateTime before;
    for (int n = 0; n < count; ++n) {
        const QString first = data.at(n).value(1).section(QLatin1Char(','), 0, 0);
        if (first != QString::number(101 + n / 1000.0, 'f', 3)) {
            qWarning() << "sample" << n << "stored as" << data.at(n);
            return -1;
        }
        const QDateTime t = QDateTime::fromString(data.at(n).value(0), sampleFormat);
        if (!t.isValid() || (before.isValid() && t <= before)) {
            qWarning() << "sample" << n << "time" << data.at(n).value(0);
            return -1;
        }
        if (before.isValid())
            longest = qMax(longest, before.msecsTo(t));
        before = t;
    }
    return longest;
}

} // namespace

class TestOnlineStore : public QObject
{
    Q_OBJECT
private slots:
    void backupOfALargeFileDuringARun();
};

void TestOnlineStore::backupOfALargeFileDuringARun()
{
    InstantEnv env;
    QVERIFY(!env.db.isEmpty());
    BoxOperator boxes;
    // Some 210 MB of other rows.
    QVERIFY(TestDb::sqlite3Exec(env.db, QStringLiteral(
        "create table Filler(b); insert into Filler select zeroblob(4000) from "
        "(with recursive r(i) as (select 1 union all select i + 1 from r where i < 52000) "
        "select i from r);")));
    QVERIFY(QFileInfo(env.db).size() >= 200 * 1000 * 1000);

    const QDateTime start = QDateTime::currentDateTime();
    fillPlan(env.settings, {instrument(1, 3, 0.1)}, {QStringLiteral("P")}, start, start);
    auto w = std::make_unique<ParametersOnLine>();
    w->show();
    w->start(&env.settings);
    QTRY_VERIFY_WITH_TIMEOUT(rows(env.db, QStringLiteral("select count(*) from ParametersData"))
                                     .value(0).value(0).toInt() >= 5, 10000);

    // The copy is made while the run goes on; the window's timers keep running meanwhile.
    const QString copy = env.dir.filePath(QStringLiteral("copy.db3"));
    QElapsedTimer clock;
    clock.start();
    const int fetchesBefore = env.script->fetches;
    QVERIFY(backupDatabase(copy, env.db));
    const qint64 copyMs = clock.elapsed();
    const int fetchesDuring = env.script->fetches - fetchesBefore;
    qInfo() << "copy" << copyMs << "ms," << fetchesDuring << "samples taken meanwhile";
    // The run's commits did not wait for the copy: it went on sampling, at least at half its
    // pace (a commit held off until the copy ends stops it after one sample).
    QVERIFY2(fetchesDuring * 200 >= copyMs, qPrintable(QString::number(fetchesDuring)));
    QTest::qWait(500);
    w->requestStop();
    QTRY_COMPARE_WITH_TIMEOUT(w->runState(), endText, 5000);
    QCOMPARE(information(w.get()), QStringLiteral("提前终止采集。"));
    QVERIFY(boxes.seen.isEmpty());

    // Every sample once, and the run was never held off for the copy.
    const int stored =
        rows(env.db, QStringLiteral("select count(*) from ParametersData")).value(0).value(0).toInt();
    const qint64 longestGap = checkEverySampleOnce(env.db, stored);
    QVERIFY(longestGap >= 0);
    QVERIFY2(longestGap < 1000, qPrintable(QStringLiteral("gap %1 ms during a copy of %2 ms")
                                               .arg(longestGap).arg(copyMs)));

    // The copy is one consistent file of its own, with the samples stored before it was made.
    QVERIFY(verifyDatabaseFile(copy));
    QVERIFY(!QFile::exists(copy + QStringLiteral("-wal")));
    const TestDb::Sqlite3File copied{copy};
    QCOMPARE(copied.cell(QStringLiteral("pragma journal_mode")), QStringLiteral("delete"));
    QCOMPARE(copied.cell(QStringLiteral("select count(*) from Filler")), QStringLiteral("52000"));
    const int inCopy = copied.cell(QStringLiteral("select count(*) from ParametersData")).toInt();
    QVERIFY2(inCopy >= 5 && inCopy <= stored, qPrintable(QString::number(inCopy)));
    QCOMPARE(copied.rows(QStringLiteral("select Time, Data from ParametersData order by rowid")),
             rows(env.db, QStringLiteral("select Time, Data from ParametersData order by rowid "
                                         "limit %1").arg(inCopy)));
    // A second copy under the same name is refused.
    QVERIFY(!backupDatabase(copy, env.db));

    // Restoring the live file itself (in write-ahead-log mode) and then the copy leaves no log
    // files beside the database.
    w.reset();
    TestDb::closeDefault();
    QCOMPARE(TestDb::Sqlite3File{env.db}.cell(QStringLiteral("pragma journal_mode")),
             QStringLiteral("wal"));
    QVERIFY(restoreDatabaseFile(env.db, env.db));
    QVERIFY(restoreDatabaseFile(copy, env.db));
    QCOMPARE(TestDb::Sqlite3File{env.db}.cell(QStringLiteral("select count(*) from ParametersData")),
             QString::number(inCopy));
    QCOMPARE(QDir(env.dir.path()).entryList({QStringLiteral("DAQ-Vemka.db3?*")}), QStringList());
}

QTEST_MAIN(TestOnlineStore)
#include "test_online_store.moc"
