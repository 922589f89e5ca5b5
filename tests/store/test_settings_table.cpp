#include <QDir>
#include <QSqlDatabase>
#include <QtTest>

#include "Database.h"
#include "SystemSettings.h"
#include "TestDb.h"
#include "TraceCapture.h"

// The key-value tables SystemSet and ChannelCalibration, the settings loader and the
// calibration tables, on a copy of the shipped database, checked with the sqlite3 tool.
class TestSettingsTable : public QObject
{
    Q_OBJECT

    QTemporaryDir tmp;
    QString db;
    TestDb::Sqlite3File file;

    QList<QStringList> rows(const QString &sql) { return file.rows(sql); }
    void sql(const QString &statements) { QVERIFY(file.exec(statements)); }

private slots:
    void init()
    {
        QVERIFY(tmp.isValid());
        db = TestDb::openFreshDefault(tmp.path());
        QVERIFY(!db.isEmpty());
        file.path = db;
    }
    void cleanup() { TestDb::closeDefault(); }

    // A fresh database loads the values of allocation and leaves the nine rows behind.
    void loadFromEmptyTableCreatesTheNineRows()
    {
        TraceCapture traces;
        SystemSettings s;
        QCOMPARE(loadSystemSettings(&s), 0);
        QCOMPARE(s.dataAccuracy, 0);
        QCOMPARE(s.systemLanguage, QString());
        QCOMPARE(s.autoBackup, false);
        QCOMPARE(s.backupCycle, 0);
        QVERIFY(!s.backupTime.isValid());
        QCOMPARE(s.emailAddresses, QStringList{QString()});
        QCOMPARE(s.version, QStringLiteral("V1.2.13"));
        QCOMPARE(rows("select Name, Data from SystemSet order by Name;"),
                 (QList<QStringList>{{"AutoBackup", "false"}, {"BackupCycle", ""},
                                     {"BackupPath", ""}, {"BackupTime", ""},
                                     {"DataAccuracy", ""}, {"EmailAddress", ""},
                                     {"EmailAutoTrigger", "false"}, {"EmailInterval", ""},
                                     {"SystemLanguage", ""}}));
        QCOMPARE(traces.messages(), QStringList());  // the accessors trace nothing
        // A second load creates nothing more.
        QCOMPARE(loadSystemSettings(&s), 0);
        QCOMPARE(rows("select count(*) from SystemSet;"), QList<QStringList>{{"9"}});
    }

    void loadStoredValues_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("member");
        QTest::addColumn<QVariant>("expected");
        QTest::newRow("accuracy") << "DataAccuracy" << "3" << "dataAccuracy" << QVariant(3);
        QTest::newRow("accuracy above 6") << "DataAccuracy" << "9" << "dataAccuracy" << QVariant(6);
        QTest::newRow("accuracy negative") << "DataAccuracy" << "-2" << "dataAccuracy"
                                           << QVariant(0);
        QTest::newRow("accuracy not a number") << "DataAccuracy" << "abc" << "dataAccuracy"
                                               << QVariant(0);
        QTest::newRow("cycle negative") << "BackupCycle" << "-5" << "backupCycle" << QVariant(0);
        QTest::newRow("cycle") << "BackupCycle" << "7" << "backupCycle" << QVariant(7);
        QTest::newRow("mail interval negative") << "EmailInterval" << "-60" << "emailInterval"
                                                << QVariant(0);
        QTest::newRow("mail interval") << "EmailInterval" << "600" << "emailInterval"
                                       << QVariant(600);
        QTest::newRow("language") << "SystemLanguage" << "中文" << "systemLanguage"
                                  << QVariant(QStringLiteral("中文"));
        QTest::newRow("path with quote") << "BackupPath" << "D:/o'brien/bak" << "backupPath"
                                         << QVariant(QStringLiteral("D:/o'brien/bak"));
        QTest::newRow("addresses with empty entry")
            << "EmailAddress" << "a@x.cn,,b@y.cn" << "emailAddresses"
            << QVariant(QStringList{"a@x.cn", "", "b@y.cn"});
        QTest::newRow("backup time") << "BackupTime" << "2024-03-05 06:07:08" << "backupTime"
                                     << QVariant(QDateTime(QDate(2024, 3, 5), QTime(6, 7, 8)));
        QTest::newRow("backup time malformed") << "BackupTime" << "2024-03-05" << "backupTime"
                                               << QVariant(QDateTime());
    }
    void loadStoredValues()
    {
        QFETCH(QString, key);
        QFETCH(QString, stored);
        QFETCH(QString, member);
        QFETCH(QVariant, expected);
        sql(QStringLiteral("insert into SystemSet values ('%1', '%2');")
                .arg(key, QString(stored).replace("'", "''")));
        SystemSettings s;
        QCOMPARE(loadSystemSettings(&s), 0);
        const QMap<QString, QVariant> got{
            {"dataAccuracy", s.dataAccuracy},     {"backupCycle", s.backupCycle},
            {"emailInterval", s.emailInterval},   {"systemLanguage", s.systemLanguage},
            {"backupPath", s.backupPath},         {"emailAddresses", s.emailAddresses},
            {"backupTime", s.backupTime}};
        QCOMPARE(got.value(member), expected);
    }

    // A read that fails ends the loading; the members not yet read keep their values.
    void loadStopsAtTheFirstFailure()
    {
        sql("drop table SystemSet; create table SystemSet(Name TEXT PRIMARY KEY NOT NULL, Data TEXT,"
            " check (Name <> 'AutoBackup'));"
            "insert into SystemSet values ('DataAccuracy', '4'), ('SystemLanguage', 'English');");
        SystemSettings s;
        s.backupCycle = 11;
        QCOMPARE(loadSystemSettings(&s), 3);  // inserting the missing AutoBackup row fails
        QCOMPARE(s.dataAccuracy, 4);
        QCOMPARE(s.systemLanguage, QStringLiteral("English"));
        QCOMPARE(s.backupCycle, 11);
    }

    void flagReadsLikeAVariant_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<bool>("expected");
        QTest::newRow("FALSE") << "FALSE" << false;
        QTest::newRow("zero") << "0" << false;
        QTest::newRow("empty") << "" << false;
        QTest::newRow("one") << "1" << true;
        QTest::newRow("yes") << "yes" << true;
        QTest::newRow("true") << "true" << true;
        QTest::newRow("False mixed") << "fAlSe" << false;
    }
    void flagReadsLikeAVariant()
    {
        QFETCH(QString, stored);
        QFETCH(bool, expected);
        sql(QStringLiteral("insert into SystemSet values ('AutoBackup', '%1');"
                           "insert into ChannelCalibration values ('CheckTemp1', '%1');")
                .arg(stored)
                .prepend("CREATE TABLE ChannelCalibration(Name TEXT PRIMARY KEY UNIQUE NOT NULL,"
                         " Data TEXT);"));
        bool flag = !expected;
        QVERIFY(getSystemSetFlag("AutoBackup", flag));
        QCOMPARE(flag, expected);
        flag = !expected;
        QVERIFY(getChannelCalibrationFlag("CheckTemp1", flag));
        QCOMPARE(flag, expected);
    }

    void settersInsertMissingRows()
    {
        // Never read (an older or restored file): the setter adds the row.
        QVERIFY(setSystemSetText("BackupPath", "C:/x"));
        QVERIFY(setSystemSetFlag("AutoBackup", true));
        QCOMPARE(rows("select Name, Data from SystemSet order by Name;"),
                 (QList<QStringList>{{"AutoBackup", "true"}, {"BackupPath", "C:/x"}}));
        QString text = "old";
        QVERIFY(getSystemSetText("BackupPath", text));
        QCOMPARE(text, QStringLiteral("C:/x"));
        const QString path = "C:/it's/a 'path'";
        QVERIFY(setSystemSetText("BackupPath", path));
        QCOMPARE(rows("select Data from SystemSet where Name = 'BackupPath';"),
                 QList<QStringList>{{path}});
        QVERIFY(getSystemSetText("BackupPath", text));
        QCOMPARE(text, path);
        bool flag = true;
        QVERIFY(getSystemSetFlag("EmailAutoTrigger", flag));
        QCOMPARE(flag, false);
        QVERIFY(setSystemSetFlag("EmailAutoTrigger", true));
        QCOMPARE(rows("select Data from SystemSet where Name = 'EmailAutoTrigger';"),
                 QList<QStringList>{{"true"}});
    }

    // A key holding a quote is a key like any other and touches no other row.
    void quotedKeys()
    {
        QString text;
        QVERIFY(getSystemSetText("it's", text));
        QVERIFY(getSystemSetText("other", text));
        QVERIFY(setSystemSetText("it's", "v'1"));
        QCOMPARE(rows("select Name, Data from SystemSet order by Name;"),
                 (QList<QStringList>{{"it's", "v'1"}, {"other", ""}}));
    }

    void failuresLeaveTheOutputAlone()
    {
        sql("drop table SystemSet;");
        QString text = "kept";
        bool flag = true;
        QVERIFY(!getSystemSetText("BackupPath", text));
        QVERIFY(!getSystemSetFlag("AutoBackup", flag));
        QCOMPARE(text, QStringLiteral("kept"));
        QCOMPARE(flag, true);
        QVERIFY(!setSystemSetText("BackupPath", "x"));
        TestDb::closeDefault();
        QVERIFY(!getChannelCalibrationText("FieldName", text));
        QCOMPARE(text, QStringLiteral("kept"));
        QVERIFY(!hasChannelCalibrationTable());
    }

    void calibrationTablesAreCreatedOnce()
    {
        QVERIFY(!hasChannelCalibrationTable());
        QVERIFY(!hasChannelCalibrationDataTable());
        QVERIFY(createChannelCalibrationTable());
        QVERIFY(hasChannelCalibrationTable());
        QVERIFY(!hasChannelCalibrationDataTable());
        QVERIFY(createChannelCalibrationDataTable());
        QVERIFY(hasChannelCalibrationDataTable());
        QVERIFY(!createChannelCalibrationTable());  // exists already
        QCOMPARE(rows("select sql from sqlite_master where name = 'ChannelCalibrationData';"),
                 QList<QStringList>{
                     {"CREATE TABLE ChannelCalibrationData(StartTime TEXT PRIMARY KEY UNIQUE NOT "
                      "NULL, ChannelName TEXT,ChannelMode TEXT,CollectionName TEXT,ChannelNumber "
                      "TEXT, CalibrationCriteria TEXT,CalibrationData1 TEXT,CalibrationData2 TEXT, "
                      "CalibrationData3 TEXT,CalibrationData4 TEXT,CalibrationData5 TEXT, "
                      "CalibrationData6 TEXT,CalibrationData7 TEXT,CalibrationData8 TEXT,"
                      "CalibrationData9 TEXT)"}});
        QCOMPARE(rows("select count(*) from ChannelCalibration;"), QList<QStringList>{{"0"}});
    }

    void calibrationStateKeys()
    {
        QVERIFY(createChannelCalibrationTable());
        bool flag = true;
        QVERIFY(getChannelCalibrationFlag(QStringLiteral("CheckTemp") + QString::number(5), flag));
        QCOMPARE(flag, false);
        QCOMPARE(rows("select Data from ChannelCalibration where Name = 'CheckTemp5';"),
                 QList<QStringList>{{"false"}});
        QVERIFY(setChannelCalibrationFlag("CheckTemp5", true));
        QCOMPARE(rows("select Data from ChannelCalibration where Name = 'CheckTemp5';"),
                 QList<QStringList>{{"true"}});
        QVERIFY(setChannelCalibrationText("FieldDelay", "30"));
        QVERIFY(setChannelCalibrationText("FieldDelay", "31"));
        QCOMPARE(rows("select Data from ChannelCalibration where Name = 'FieldDelay';"),
                 QList<QStringList>{{"31"}});
        QString text = "x";
        QVERIFY(getChannelCalibrationText("ChannelNumber1", text));
        QCOMPARE(text, QString());
        QVERIFY(setChannelCalibrationText("ChannelNumber1", "101,102,'103'"));
        QVERIFY(getChannelCalibrationText("ChannelNumber1", text));
        QCOMPARE(text, QStringLiteral("101,102,'103'"));
    }

    void calibrationRunRows()
    {
        QVERIFY(createChannelCalibrationDataTable());
        ChannelCalibrationDataRecord run;
        run.startTime = "2024-05-06 07:08:09";
        run.channelName = "CH'1";
        run.channelMode = "铂电阻";
        run.collectionName = "Vosk,Zenk";
        run.channelNumber = "101,102";
        run.calibrationCriteria = QStringList{"20.000", "50.000"};
        run.calibrationData2 = QStringList{"20.01", "20.02", ""};
        TraceCapture traces;
        QVERIFY(insertChannelCalibrationData(run));
        QCOMPARE(traces.messages().size(), 1);
        QVERIFY(traces.messages().first().startsWith(
            QStringLiteral("添加通道校准数据：insert into ChannelCalibrationData values ( '2024-05-06 "
                           "07:08:09','CH''1',")));
        QCOMPARE(rows("select ChannelName, CollectionName, CalibrationCriteria, CalibrationData1,"
                      " CalibrationData2, CalibrationData9 from ChannelCalibrationData;"),
                 (QList<QStringList>{
                     {"CH'1", "Vosk,Zenk", "20.000;50.000", "", "20.01;20.02;", ""}}));
        // The same start time again violates the key; the first row stays.
        traces.clear();
        run.channelName = "other";
        QVERIFY(!insertChannelCalibrationData(run));
        QCOMPARE(traces.messages(), QStringList());
        QCOMPARE(rows("select ChannelName from ChannelCalibrationData;"),
                 QList<QStringList>{{"CH'1"}});
        // A reading that holds the separator would shift the later readings: refused.
        run.startTime = "2024-05-06 08:00:00";
        *run.calibrationDataOfPoint(9) = QStringList{"1;2"};
        QVERIFY(!insertChannelCalibrationData(run));
        QCOMPARE(rows("select count(*) from ChannelCalibrationData;"), QList<QStringList>{{"1"}});
        QVERIFY(run.calibrationDataOfPoint(0) == nullptr);
        QVERIFY(run.calibrationDataOfPoint(10) == nullptr);
    }
};

QTEST_GUILESS_MAIN(TestSettingsTable)
#include "test_settings_table.moc"
