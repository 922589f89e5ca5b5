// Saving a calibration into the database: the coefficients written back at full precision and
// read back with the sqlite3 tool, configurations shared by two instruments, all-or-none
// writes and the raw data row.
#include <QtTest>

#include <cmath>

#include "CalibrationSave.h"
#include "Database.h"
#include "TestDb.h"

namespace {

ChannelConfigData config(const QString &name, const QString &type, int count)
{
    ChannelConfigData c;
    c.Name = name;
    c.Time = QStringLiteral("2024-01-01 00:00:00");
    c.Mode = QStringLiteral("1586A");
    c.ChannelCount = count;
    for (int i = 0; i < count; ++i) {
        c.ChannelNumber << QString::number(101 + i);
        c.ChannelLabel << QString();
        c.ChannelType << type;
        c.ChannelFunction << QStringLiteral("PT385");
        c.WireMode << QStringLiteral("四线制");
        c.Unit << QStringLiteral("℃");
        c.MX_B_M << QStringLiteral("1");
        c.MX_B_B << QStringLiteral("0");
        for (QStringList *l : {&c.A_C0, &c.B_C1, &c.C_C2, &c.D_C3, &c.R0_C4, &c.A4_C5, &c.B4_C6})
            *l << QStringLiteral("7");
        c.LowerAlarmEnable << false;
        c.LowerAlarm << QStringLiteral("0");
        c.UpperAlarmEnable << false;
        c.UpperAlarm << QStringLiteral("0");
    }
    return c;
}

ChannelRecord channel(const QString &number, const QString &function = QStringLiteral("PT385"))
{
    ChannelRecord r;
    r.channelNumber = number;
    r.function = function;
    r.mxbM = 1.0f;
    return r;
}

AcquisitionDeviceRecord device(int number, const QString &configName)
{
    AcquisitionDeviceRecord d;
    d.number = number;
    d.channelConfig = configName;
    return d;
}

double iecPt100(double t)
{
    return 100.0 * (1 + 3.9083e-3 * t - 5.775e-7 * t * t);
}

} // namespace

class TestCalibrationSave : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void pt100CoefficientsKeepTheirPrecision();
    void writeBack_data();
    void writeBack();

private:
    QTemporaryDir dir;
    TestDb::Sqlite3File db;
};

void TestCalibrationSave::init()
{
    db.path = TestDb::openFreshDefault(dir.path());
    QVERIFY(!db.path.isEmpty());
    QVERIFY(createChannelCalibrationTable());
    QVERIFY(createChannelCalibrationDataTable());
    QVERIFY(insertChannelConfig(config(QStringLiteral("PT"), QStringLiteral("铂电阻"), 2)));
    QVERIFY(insertChannelConfig(config(QStringLiteral("TC"), QStringLiteral("热电偶"), 4)));
    QVERIFY(insertChannelConfig(config(QStringLiteral("TC2"), QStringLiteral("热电偶"), 4)));
}

void TestCalibrationSave::cleanup()
{
    TestDb::closeDefault();
    QFile::remove(db.path);
}

void TestCalibrationSave::pt100CoefficientsKeepTheirPrecision()
{
    CalibrationRun run;
    run.channelMode = QStringLiteral("铂电阻");
    run.startTime = QStringLiteral("2024-05-06 07:08:09");
    run.channelName = QStringLiteral("PT,");
    run.collectionNames = QStringList{"1-PT", "1-PT", "1-PT"};
    run.channelLabels = QStringList{"1_102"};
    for (double t : {0.0, 100.0, 200.0}) {
        run.calibrationCriteria << QString::number(t, 'f', 4);
        run.calibrationData << QStringList{QString::number(iecPt100(t), 'f', 10)};
    }
    run.channels = {{channel("102")}, {}, {}};
    run.slotDevices = {device(1, "PT"), device(1, "PT"), device(1, "PT")};
    QString message;
    QVERIFY(CalibrationSave::saveCalibration(run, message));
    QCOMPARE(message, QStringLiteral("校准数据保存成功！"));

    const QStringList row = db.rows("select A_C0, B_C1, C_C2, R0_C4 from ChannelConfig "
                                    "where Name = 'PT'")
                                .value(0);
    QCOMPARE(row.size(), 4);
    const double a = row[0].section(',', 1, 1).toDouble();
    const double b = row[1].section(',', 1, 1).toDouble();
    const double r0 = row[3].section(',', 1, 1).toDouble();
    QCOMPARE(row[2], QStringLiteral("7,0"));
    QCOMPARE(row[0].section(',', 0, 0), QStringLiteral("7"));  // channel 101 untouched
    for (double t = 0; t <= 400; t += 10) {
        const double stored = r0 * (1 + a * t + b * t * t);
        QVERIFY2(std::fabs(stored - iecPt100(t)) < 1e-4, qPrintable(QString::number(t)));
    }
    // The raw data is filed as well.
    QCOMPARE(db.rows("select ChannelNumber, CalibrationCriteria, CalibrationData2 from "
                     "ChannelCalibrationData where StartTime = '2024-05-06 07:08:09'"),
             (QList<QStringList>{{"1_102", "0.0000;100.0000;200.0000", "138.5055000000"}}));
}

void TestCalibrationSave::writeBack_data()
{
    QTest::addColumn<QStringList>("configs");     // configuration of slots 1 and 2
    QTest::addColumn<QStringList>("numbers");     // the channel of slots 1 and 2
    QTest::addColumn<QString>("refusedUpdate");   // configuration whose update the db refuses
    QTest::addColumn<bool>("saved");
    QTest::addColumn<QString>("gainsTC");         // [MX+B_M] of TC afterwards
    QTest::newRow("two instruments, one configuration")
        << QStringList{"TC", "TC"} << QStringList{"101", "103"} << QString() << true
        << "0.98333335,1,0.98333335,1";
    QTest::newRow("one channel chosen twice")
        << QStringList{"TC", "TC"} << QStringList{"101", "101"} << QString() << false
        << "1,1,1,1";
    QTest::newRow("channel missing in the second configuration")
        << QStringList{"TC", "TC2"} << QStringList{"101", "109"} << QString() << false
        << "1,1,1,1";
    QTest::newRow("second configuration's update fails")
        << QStringList{"TC", "TC2"} << QStringList{"101", "101"} << "TC2" << false << "1,1,1,1";
    QTest::newRow("configuration missing")
        << QStringList{"TC", "gone"} << QStringList{"101", "101"} << QString() << false
        << "1,1,1,1";
}

void TestCalibrationSave::writeBack()
{
    QFETCH(QStringList, configs);
    QFETCH(QStringList, numbers);
    QFETCH(QString, refusedUpdate);
    QFETCH(bool, saved);
    QFETCH(QString, gainsTC);
    if (!refusedUpdate.isEmpty())
        QVERIFY(db.exec("CREATE TRIGGER refuse BEFORE UPDATE ON ChannelConfig WHEN NEW.Name = '"
                        + refusedUpdate + "' BEGIN SELECT RAISE(ABORT, 'refused'); END;"));
    CalibrationRun run;
    run.channelMode = QStringLiteral("热电偶");
    run.startTime = QStringLiteral("2024-05-06 07:08:09");
    run.calibrationCriteria = QStringList{"10.5000", "99.0000"};
    run.calibrationData = {QStringList{"10.0,10.0"}, QStringList{"100.0,100.0"}};
    run.channelLabels = QStringList{"1_" + numbers[0], "2_" + numbers[1]};
    run.channels = {{channel(numbers[0])}, {channel(numbers[1])}, {}};
    run.slotDevices = {device(1, configs[0]), device(2, configs[1]), device(3, "TC")};
    QCOMPARE(CalibrationSave::repeatedChannels(run.slotDevices, {{numbers[0]}, {numbers[1]}, {}})
                 .isEmpty(),
             configs[0] != configs[1] || numbers[0] != numbers[1]);
    QString message;
    QCOMPARE(CalibrationSave::saveCalibration(run, message), saved);
    QCOMPARE(message, saved ? QStringLiteral("校准数据保存成功！")
                            : QStringLiteral("更新通道参数失败！"));
    QCOMPARE(db.cell("select [MX+B_M] from ChannelConfig where Name = 'TC'"), gainsTC);
    if (!saved)
        QCOMPARE(db.cell("select [MX+B_M] from ChannelConfig where Name = 'TC2'"),
                 QStringLiteral("1,1,1,1"));
}

QTEST_GUILESS_MAIN(TestCalibrationSave)
#include "test_calibration_save.moc"
