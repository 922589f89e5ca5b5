// What a run stores while the database is busy or refuses writes: a backup of a large file made
// during a run at 100 ms, and a file that refuses every write for a few seconds. No sample may be
// lost or stored twice; the samples are read back with the sqlite3 tool.

#include <QFile>
#include <QProcess>
#include <QLineEdit>
#include <QSet>
#include <QtTest>

#include <csignal>
#include <memory>

#include <sys/resource.h>

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

// The stored samples of one project whose first value comes from a channel of instrument 1
// (`channel` + n / 1000 for sample n). Checks that samples 0..count-1 are each stored once, in
// order, and returns the longest gap between two sample times in milliseconds (-1: a check
// failed).
qint64 checkEverySampleOnce(const QString &db, int count, const QString &project = QStringLiteral("P"),
                            int channel = 101)
{
    const QList<QStringList> data =
        rows(db, QStringLiteral("select Time, Data from ParametersData where Name = '%1' "
                                "order by rowid").arg(project));
    if (data.size() != count) {
        qWarning() << "stored" << data.size() << "samples, expected" << count;
        return -1;
    }
    qint64 longest = 0;
    QDateTime before;
    for (int n = 0; n < count; ++n) {
        const QString first = data.at(n).value(1).section(QLatin1Char(','), 0, 0);
        if (first != QString::number(channel + n / 1000.0, 'f', 3)) {
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

// Every write to a file fails (as on a full disk) while the object lives.
struct DiskFull
{
    DiskFull()
    {
        std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &before);
        rlimit full = before;
        full.rlim_cur = 0;
        setrlimit(RLIMIT_FSIZE, &full);
    }
    ~DiskFull() { setrlimit(RLIMIT_FSIZE, &before); }
    rlimit before{};
};

// Another program holds the database's write lock for three seconds.
struct LockedFile
{
    explicit LockedFile(const QString &db)
    {
        tool.start(QStringLiteral("sqlite3"), {db});
        tool.waitForStarted();
        tool.write(".timeout 5000\nBEGIN IMMEDIATE;\n.system sleep 3\nCOMMIT;\n");
        tool.closeWriteChannel();
    }
    ~LockedFile() { tool.waitForFinished(10000); }
    QProcess tool;
};

} // namespace

class TestOnlineStore : public QObject
{
    Q_OBJECT
private slots:
    void backupOfALargeFileDuringARun();
    void refusedForAWhile_data();
    void refusedForAWhile();
    void refusedForGood_data();
    void refusedForGood();
};

void TestOnlineStore::refusedForAWhile_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("disk full") << QStringLiteral("full");
    QTest::newRow("file locked by another program") << QStringLiteral("locked");
    QTest::newRow("one project's rows refused") << QStringLiteral("trigger");
}

void TestOnlineStore::refusedForAWhile()
{
    QFETCH(QString, how);
    InstantEnv env;
    BoxOperator boxes;
    QVERIFY(TestDb::sqlite3Exec(env.db, QStringLiteral(
        "create table Refuse(x); create trigger refuse before insert on ParametersData "
        "when new.Name = 'B' and exists (select 1 from Refuse) "
        "begin select raise(abort, 'refused'); end;")));
    const QDateTime start = QDateTime::currentDateTime();
    PlannedInstrument in = instrument(1, 2, 0.1);
    in.projectOfChannel = {0, 1};
    fillPlan(env.settings, {in}, {QStringLiteral("A"), QStringLiteral("B")}, start,
             start.addSecs(4));
    auto w = std::make_unique<ParametersOnLine>();
    w->show();
    w->start(&env.settings);
    QCOMPARE(w->samplesPlanned(), qint64(41));
    QTRY_VERIFY_WITH_TIMEOUT(rows(env.db, QStringLiteral("select count(*) from ParametersData"))
                                     .value(0).value(0).toInt() >= 10, 10000);

    // The database refuses the samples for a few seconds; the run goes on meanwhile and says
    // why they wait.
    {
        std::unique_ptr<DiskFull> full;
        std::unique_ptr<LockedFile> locked;
        if (how == QLatin1String("full"))
            full = std::make_unique<DiskFull>();
        else if (how == QLatin1String("locked"))
            locked = std::make_unique<LockedFile>(env.db);
        else
            QVERIFY(TestDb::sqlite3Exec(env.db, QStringLiteral("insert into Refuse values (1);")));
        QTRY_VERIFY_WITH_TIMEOUT(information(w.get()).startsWith(QStringLiteral("数据保存失败：")),
                                 5000);
        if (!locked)
            QTest::qWait(2500);
        QCOMPARE(w->runState(), QStringLiteral("停止"));
    }
    if (how == QLatin1String("trigger"))
        QVERIFY(TestDb::sqlite3Exec(env.db, QStringLiteral("delete from Refuse;")));
    QTRY_VERIFY_WITH_TIMEOUT(information(w.get()).endsWith(QStringLiteral(" 采集中...")), 5000);
    QTRY_COMPARE_WITH_TIMEOUT(w->runState(), endText, 10000);
    QCOMPARE(information(w.get()), QStringLiteral("采集结束。"));
    QVERIFY(boxes.seen.isEmpty());

    // Every sample stored once, in order, each with both projects' rows.
    QVERIFY(checkEverySampleOnce(env.db, 41, QStringLiteral("A"), 101) >= 0);
    QVERIFY(checkEverySampleOnce(env.db, 41, QStringLiteral("B"), 102) >= 0);
    QCOMPARE(rows(env.db, QStringLiteral("select count(*) from ParametersData a join "
                                         "ParametersData b on a.Time = b.Time and a.Name = 'A' "
                                         "and b.Name = 'B'")).value(0).value(0),
             QStringLiteral("41"));
    // The refusal and its end are in the alarm log.
    w.reset();
    const QStringList log = auditDetails(env.db, QStringLiteral("存储异常"));
    QCOMPARE(log.size(), 2);
    QVERIFY2(log.at(0).startsWith(QStringLiteral("数据保存失败：")), qPrintable(log.at(0)));
    QCOMPARE(log.at(1), QStringLiteral("暂存数据已全部保存。"));
}

void TestOnlineStore::refusedForGood_data()
{
    QTest::addColumn<int>("planSeconds");
    QTest::addColumn<int>("limitMs");
    QTest::addColumn<QString>("message");
    // A second of unsaved samples (the limit is ten minutes outside tests) stops the run.
    QTest::newRow("the queue outgrows its limit")
        << 0 << 1000 << QStringLiteral("数据库十分钟内无法保存数据（");
    QTest::newRow("the run ends with samples unsaved")
        << 1 << 600000 << QStringLiteral("采集结束，11组数据未能保存（");
}

void TestOnlineStore::refusedForGood()
{
    QFETCH(int, planSeconds);
    QFETCH(int, limitMs);
    QFETCH(QString, message);
    InstantEnv env;
    BoxOperator boxes;
    // Another program changed the sample table: every insert fails.
    QVERIFY(TestDb::sqlite3Exec(env.db, QStringLiteral(
        "alter table ParametersData add column Extra TEXT;")));
    const QDateTime start = QDateTime::currentDateTime();
    fillPlan(env.settings, {instrument(1, 2, 0.1)}, {QStringLiteral("P")}, start,
             start.addSecs(planSeconds));
    auto w = std::make_unique<ParametersOnLine>();
    w->setUnsavedLimit(limitMs);
    w->show();
    w->start(&env.settings);
    QTRY_COMPARE_WITH_TIMEOUT(w->runState(), endText, 10000);
    QTRY_COMPARE(boxes.seen.size(), 1);
    QVERIFY2(boxes.seen.first().startsWith(message), qPrintable(boxes.seen.first()));
    QVERIFY2(boxes.seen.first().contains(QStringLiteral("has 4 columns but 3 values")),
             qPrintable(boxes.seen.first()));
    QCOMPARE(information(w.get()), boxes.seen.first());
    if (limitMs == 1000)
        QCOMPARE(env.script->fetches.load(), 11);
    w.reset();
    QCOMPARE(rows(env.db, QStringLiteral("select count(*) from ParametersData")).value(0).value(0),
             QStringLiteral("0"));
    const QStringList log = auditDetails(env.db, QStringLiteral("存储异常"));
    QCOMPARE(log.size(), 1);
    QVERIFY2(log.at(0).startsWith(QStringLiteral("数据保存失败：")), qPrintable(log.at(0)));
}

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
