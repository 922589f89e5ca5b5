// Saving a calibration into the database: the coefficients written back at full precision and
// read back with the sqlite3 tool, configurations shared by two instruments, all-or-none
// writes and the raw data row.
#include <QtTest>

#include <cmath>

#include "CalibrationSave.h"
#include "Database.h"
#include "TestDb.h"

namespace {
// A run of one channel per slot of slots 1 and 2, on the configurations named.
CalibrationRun run(const QString &mode, const QStringList &configs, const QStringList &numbers)
{
    CalibrationRun r;
    r.channelMode = mode;
    r.startTime = "2024-05-06 07:08:09";
    for (int slot = 0; slot < 3; ++slot) {
        AcquisitionDeviceRecord device;
        device.number = slot + 1;
        device.channelConfig = configs.value(slot, "TC");
        r.slotDevices << device;
        QList<ChannelRecord> channels;
        if (slot < numbers.size()) {
            ChannelRecord channel;
            channel.channelNumber = numbers[slot];
            channel.function = "PT385";
            channels << channel;
            r.channelLabels << QString::number(slot + 1) + "_" + numbers[slot];
        }
        r.channels << channels;
    }
    return r;
}

double iecPt100(double t)
{
    return 100.0 * (1 + 3.9083e-3 * t - 5.775e-7 * t * t);
}
} // namespace

class TestCalibrationSave : public QObject
{
    Q_OBJECT
    QTemporaryDir dir;
    TestDb::Sqlite3File db;

private slots:
    void init()
    {
        db.path = TestDb::openFreshDefault(dir.path());
        QVERIFY(createChannelCalibrationDataTable());
        // Configurations of channels 101..104: gains "1", offsets "0", coefficients "7".
        for (const char *name : {"PT", "TC", "TC2"})
            QVERIFY(db.exec(QString("insert into ChannelConfig (Name, ChannelCount, ChannelNumber, "
                                    "[MX+B_M], [MX+B_B], A_C0, B_C1, C_C2, D_C3, R0_C4, A4_C5, B4_C6) "
                                    "values ('%1', 4, '101,102,103,104', '1,1,1,1', '0,0,0,0'%2)")
                                .arg(name, QString(", '7,7,7,7'").repeated(7))));
    }
    void cleanup()
    {
        TestDb::closeDefault();
        QFile::remove(db.path);
    }

    void pt100CoefficientsKeepTheirPrecision()
    {
        CalibrationRun r = run("铂电阻", {"PT"}, {"102"});
        for (double t : {0.0, 100.0, 200.0}) {
            r.calibrationCriteria << QString::number(t, 'f', 4);
            r.calibrationData << QStringList{QString::number(iecPt100(t), 'f', 10)};
        }
        QString message;
        QVERIFY(CalibrationSave::saveCalibration(r, message));
        QCOMPARE(message, QStringLiteral("校准数据保存成功！"));
        const QStringList row =
            db.rows("select A_C0, B_C1, C_C2, R0_C4 from ChannelConfig where Name = 'PT'").value(0);
        QCOMPARE(row.value(2), QStringLiteral("7,0,7,7"));  // only channel 102 changed
        const double a = row[0].section(',', 1, 1).toDouble(), b = row[1].section(',', 1, 1).toDouble(),
                     r0 = row[3].section(',', 1, 1).toDouble();
        for (double t = 0; t <= 400; t += 10)
            QVERIFY2(std::fabs(r0 * (1 + a * t + b * t * t) - iecPt100(t)) < 1e-4,
                     qPrintable(QString::number(t)));
        QCOMPARE(db.rows("select ChannelNumber, CalibrationCriteria, CalibrationData2 from "
                         "ChannelCalibrationData where StartTime = '2024-05-06 07:08:09'"),
                 (QList<QStringList>{{"1_102", "0.0000;100.0000;200.0000", "138.5055000000"}}));
    }

    // A fit whose coefficients, as the slot's instrument keeps them, miss a point writes nothing.
    void coefficientsAsTheInstrumentKeepsThem_data()
    {
        QTest::addColumn<QString>("model");
        QTest::addColumn<bool>("saved");
        QTest::newRow("doubles") << "Pirl-RTD-32CH" << true;
        QTest::newRow("singles, Jy18") << "Jy18RD" << false;
        QTest::newRow("singles, Pallu") << "Pallu" << false;
        QTest::newRow("singles, Orvex") << "Orvex-RTD-V1" << false;
    }
    void coefficientsAsTheInstrumentKeepsThem()
    {
        QFETCH(QString, model);
        QFETCH(bool, saved);
        CalibrationRun r = run("铂电阻", {"PT"}, {"102"});
        r.slotDevices[0].model = model;
        r.channels[0][0].function = "ITS90";
        r.calibrationCriteria = QStringList{"0.0100", "227.2500", "227.5500"};
        r.calibrationData = {{"100"}, {"126.10727"}, {QString::number(126.10727 * (1 + 1.5e-9), 'g', 17)}};
        QString message;
        QCOMPARE(CalibrationSave::saveCalibration(r, message), saved);
        QCOMPARE(message, saved ? QStringLiteral("校准数据保存成功！") : QStringLiteral("参数错误，计算失败！"));
        QCOMPARE(db.cell("select A_C0 from ChannelConfig where Name = 'PT'") == "7,7,7,7", !saved);
    }

    void writeBack_data()
    {
        QTest::addColumn<QStringList>("configs");     // configuration of slots 1 and 2
        QTest::addColumn<QStringList>("numbers");     // the channel of slots 1 and 2
        QTest::addColumn<QString>("refusedUpdate");   // whose update the database refuses
        QTest::addColumn<QString>("gainsTC");         // [MX+B_M] of TC afterwards
        QTest::newRow("two instruments, one configuration")
            << QStringList{"TC", "TC"} << QStringList{"101", "103"} << QString()
            << "0.98333335,1,0.98333335,1";
        QTest::newRow("one channel chosen twice")
            << QStringList{"TC", "TC"} << QStringList{"101", "101"} << QString() << "1,1,1,1";
        QTest::newRow("channel missing in the second configuration")
            << QStringList{"TC", "TC2"} << QStringList{"101", "109"} << QString() << "1,1,1,1";
        QTest::newRow("configuration missing")
            << QStringList{"TC", "gone"} << QStringList{"101", "101"} << QString() << "1,1,1,1";
        QTest::newRow("second update fails")
            << QStringList{"TC", "TC2"} << QStringList{"101", "101"} << "TC2" << "1,1,1,1";
    }
    void writeBack()
    {
        QFETCH(QStringList, configs);
        QFETCH(QStringList, numbers);
        QFETCH(QString, refusedUpdate);
        QFETCH(QString, gainsTC);
        if (!refusedUpdate.isEmpty())
            QVERIFY(db.exec("CREATE TRIGGER refuse BEFORE UPDATE ON ChannelConfig WHEN NEW.Name = '"
                            + refusedUpdate + "' BEGIN SELECT RAISE(ABORT, 'refused'); END;"));
        CalibrationRun r = run("热电偶", configs, numbers);
        r.calibrationCriteria = QStringList{"10.5000", "99.0000"};
        r.calibrationData = {{"10.0,10.0"}, {"100.0,100.0"}};
        const bool twice = configs[0] == configs[1] && numbers[0] == numbers[1];
        QCOMPARE(CalibrationSave::repeatedChannels(r.slotDevices, {{numbers[0]}, {numbers[1]}, {}}),
                 twice ? QStringList{"TC:101"} : QStringList());
        const bool saved = gainsTC != "1,1,1,1";
        QString message;
        QCOMPARE(CalibrationSave::saveCalibration(r, message), saved);
        QCOMPARE(message, saved ? QStringLiteral("校准数据保存成功！") : QStringLiteral("更新通道参数失败！"));
        QCOMPARE(db.cell("select [MX+B_M] from ChannelConfig where Name = 'TC'"), gainsTC);
        QCOMPARE(db.cell("select [MX+B_M] from ChannelConfig where Name = 'TC2'"), QStringLiteral("1,1,1,1"));
    }
};

QTEST_GUILESS_MAIN(TestCalibrationSave)
#include "test_calibration_save.moc"
