// What a run stores while the database is busy or refuses writes: a backup of a 200 MB file made
// during a run at 100 ms, a file that refuses writes for a few seconds, and one that refuses them
// for good. No sample may be lost or stored twice; rows are read back with the sqlite3 tool.

#include <QLineEdit>
#include <QProcess>
#include <QtTest>

#include <csignal>
#include <memory>

#include <sys/resource.h>

#include "SampleRows.h"
#include "SystemSetBackup.h"
#include "test_online_support.h"

using namespace OnlineTest;

namespace {

const QString endText = QStringLiteral("结束");
const QString refused = QStringLiteral("数据保存失败：");

// A run at 100 ms of one instrument whose channel k belongs to project projects[k].
std::unique_ptr<ParametersOnLine> startRun(InstantEnv &env, const QList<int> &projects,
                                           const QStringList &names, int seconds,
                                           qint64 unsavedLimitMs = 600000)
{
    PlannedInstrument in;
    in.model = QStringLiteral("Instant:1:%1").arg(projects.size());
    in.signalMode = QStringLiteral("网络");
    in.projectOfChannel = projects;
    in.scanInterval = 0.1;
    const QDateTime start = QDateTime::currentDateTime();
    fillPlan(env.settings, {in}, names, start, start.addSecs(seconds));
    auto w = std::make_unique<ParametersOnLine>();
    w->setUnsavedLimit(unsavedLimitMs);
    w->show();
    w->start(&env.settings);
    return w;
}

QString information(ParametersOnLine *w)
{
    return w->findChild<QLineEdit *>(QStringLiteral("lineEdit_Information"))->text();
}

int storedRows(const QString &db)
{
    return rows(db, QStringLiteral("select count(*) from ParametersData")).value(0).value(0).toInt();
}

// Sample n of a project holds `channel` + n / 1000 first. True when samples 0..count-1 are each
// stored once, in order; `longestGap` gets the longest time between two of them in ms.
bool everySampleOnce(const QString &db, int count, const QString &project, int channel,
                     qint64 *longestGap = nullptr)
{
    const QList<QStringList> data = rows(db, QStringLiteral("select Time, Data from ParametersData "
                                                            "where Name = '%1' order by rowid")
                                                 .arg(project));
    bool ok = data.size() == count;
    for (int n = 0; ok && n < count; ++n) {
        ok = data.at(n).value(1).section(QLatin1Char(','), 0, 0)
            == QString::number(channel + n / 1000.0, 'f', 3);
        const qint64 gap = n ? parseSampleTime(data.at(n - 1).value(0))
                                   .msecsTo(parseSampleTime(data.at(n).value(0)))
                             : 1;
        ok = ok && gap > 0;
        if (longestGap)
            *longestGap = qMax(n > 1 ? *longestGap : 0, gap);
    }
    if (!ok)
        qWarning() << project << "holds" << data;
    return ok;
}

// A statement of the sqlite3 tool while the run writes: it waits for the run's commits.
bool writeDuringRun(const QString &db, const QString &sql)
{
    return TestDb::sqlite3Exec(db, QStringLiteral(".timeout 10000\n") + sql);
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

void TestOnlineStore::backupOfALargeFileDuringARun()
{
    InstantEnv env;
    BoxOperator boxes;
    QVERIFY(TestDb::sqlite3Exec(env.db, QStringLiteral(
        "create table Filler(b); insert into Filler select zeroblob(4000) from "
        "(with recursive r(i) as (select 1 union all select i + 1 from r where i < 52000) "
        "select i from r);")));
    QVERIFY(QFileInfo(env.db).size() >= 200 * 1000 * 1000);
    auto w = startRun(env, {0, 0, 0}, {QStringLiteral("P")}, 0);
    QTRY_VERIFY_WITH_TIMEOUT(storedRows(env.db) >= 5, 10000);

    // The run goes on sampling during the copy, at least at half its pace (a commit held off
    // until the copy ends stops it after one sample).
    const QString copy = env.dir.filePath(QStringLiteral("copy.db3"));
    QElapsedTimer clock;
    clock.start();
    const int fetchesBefore = env.script->fetches;
    QVERIFY(backupDatabase(copy, env.db));
    const qint64 copyMs = clock.elapsed();
    const int fetchesDuring = env.script->fetches - fetchesBefore;
    QVERIFY2(fetchesDuring * 200 >= copyMs,
             qPrintable(QStringLiteral("%1 samples in %2 ms").arg(fetchesDuring).arg(copyMs)));
    QTest::qWait(500);
    w->requestStop();
    QTRY_COMPARE_WITH_TIMEOUT(w->runState(), endText, 5000);
    QVERIFY(boxes.seen.isEmpty());
    const int stored = storedRows(env.db);
    qint64 longestGap = 0;
    QVERIFY(everySampleOnce(env.db, stored, QStringLiteral("P"), 101, &longestGap));
    QVERIFY2(longestGap < 1000, qPrintable(QString::number(longestGap)));

    // The copy: a consistent file complete in itself, with the samples stored before it.
    QVERIFY(verifyDatabaseFile(copy));
    const TestDb::Sqlite3File copied{copy};
    QCOMPARE(copied.cell(QStringLiteral("pragma journal_mode")), QStringLiteral("delete"));
    const int inCopy = copied.cell(QStringLiteral("select count(*) from ParametersData")).toInt();
    QVERIFY2(inCopy >= 5 && inCopy <= stored, qPrintable(QString::number(inCopy)));
    QVERIFY(everySampleOnce(copy, inCopy, QStringLiteral("P"), 101));
    QVERIFY(!backupDatabase(copy, env.db));   // an existing copy is never overwritten

    // Restoring the live file itself (in write-ahead-log mode), then the copy, leaves no log
    // files beside the database.
    w.reset();
    TestDb::closeDefault();
    QVERIFY(restoreDatabaseFile(env.db, env.db));
    QVERIFY(restoreDatabaseFile(copy, env.db));
    QCOMPARE(storedRows(env.db), inCopy);
    QCOMPARE(QDir(env.dir.path()).entryList({QStringLiteral("DAQ-Vemka.db3?*")}), QStringList());
}

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
    auto w = startRun(env, {0, 1}, {QStringLiteral("A"), QStringLiteral("B")}, 4);
    QCOMPARE(w->samplesPlanned(), qint64(41));
    QTRY_VERIFY_WITH_TIMEOUT(storedRows(env.db) >= 10, 10000);

    // The database refuses the samples for a while; the run goes on and says why.
    {
        std::unique_ptr<DiskFull> full;
        // Holds the write lock for two seconds from when it has it. Its commit cannot wait for
        // the test: the test's own thread, the program's GUI thread, waits for the lock too (to
        // write the alarm-log entry, for at most 5 s).
        QProcess locker;
        if (how == QLatin1String("full")) {
            full = std::make_unique<DiskFull>();
        } else if (how == QLatin1String("locked")) {
            locker.start(QStringLiteral("sqlite3"), {env.db});
            locker.write(".timeout 10000\nBEGIN IMMEDIATE;\n.system sleep 2\nCOMMIT;\n");
            locker.closeWriteChannel();
        } else {
            QVERIFY(writeDuringRun(env.db, QStringLiteral("insert into Refuse values (1);")));
        }
        QTRY_VERIFY_WITH_TIMEOUT(information(w.get()).startsWith(refused), 10000);
        if (how == QLatin1String("locked")) {
            QTRY_COMPARE_WITH_TIMEOUT(locker.state(), QProcess::NotRunning, 10000);
            QCOMPARE(locker.exitCode(), 0);
        } else {
            // Ten samples refused.
            const int refusedFrom = env.script->fetches;
            QTRY_VERIFY_WITH_TIMEOUT(env.script->fetches >= refusedFrom + 10, 10000);
        }
        QCOMPARE(w->runState(), QStringLiteral("停止"));
    }
    if (how == QLatin1String("trigger"))
        QVERIFY(writeDuringRun(env.db, QStringLiteral("delete from Refuse;")));
    QTRY_VERIFY_WITH_TIMEOUT(information(w.get()).endsWith(QStringLiteral(" 采集中...")), 5000);
    QTRY_COMPARE_WITH_TIMEOUT(w->runState(), endText, 10000);
    QCOMPARE(information(w.get()), QStringLiteral("采集结束。"));
    QVERIFY(boxes.seen.isEmpty());

    // Every sample once, in order, with the rows of both projects at the same times.
    QVERIFY(everySampleOnce(env.db, 41, QStringLiteral("A"), 101));
    QVERIFY(everySampleOnce(env.db, 41, QStringLiteral("B"), 102));
    QCOMPARE(rows(env.db, QStringLiteral("select count(*) from ParametersData a join "
                                         "ParametersData b on a.Time = b.Time and a.Name = 'A' "
                                         "and b.Name = 'B'")).value(0).value(0),
             QStringLiteral("41"));
    w.reset();
    const QStringList log = auditDetails(env.db, QStringLiteral("存储异常"));
    QVERIFY2(log.size() == 2, qPrintable(log.join(QLatin1Char('\n'))));
    QVERIFY2(log.at(0).startsWith(refused), qPrintable(log.at(0)));
    QCOMPARE(log.at(1), QStringLiteral("暂存数据已全部保存。"));
}

void TestOnlineStore::refusedForGood_data()
{
    QTest::addColumn<int>("planSeconds");
    QTest::addColumn<int>("limitMs");
    QTest::addColumn<QString>("message");
    // A second of unsaved samples (ten minutes outside tests) stops the run.
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
    auto w = startRun(env, {0, 0}, {QStringLiteral("P")}, planSeconds, limitMs);
    QTRY_COMPARE_WITH_TIMEOUT(w->runState(), endText, 10000);
    QTRY_COMPARE(boxes.seen.size(), 1);
    const QString said = boxes.seen.first();
    QVERIFY2(said.startsWith(message) && said.contains(QStringLiteral("has 4 columns but 3 values")),
             qPrintable(said));
    QCOMPARE(information(w.get()), said);
    QCOMPARE(env.script->fetches.load(), 11);
    w.reset();
    QCOMPARE(storedRows(env.db), 0);
    const QStringList log = auditDetails(env.db, QStringLiteral("存储异常"));
    QCOMPARE(log.size(), 1);
    QVERIFY2(log.at(0).startsWith(refused), qPrintable(log.at(0)));
}

QTEST_MAIN(TestOnlineStore)
#include "test_online_store.moc"
