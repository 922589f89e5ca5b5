#include <atomic>

#include <QDir>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QThread>
#include <QtTest>

#include "Database.h"
#include "DatabaseSchema.h"
#include "SampleRows.h"
#include "TestDb.h"
#include "TraceCapture.h"

// The instrument, channel-configuration, project, sample and alarm-log tables on a copy of the
// shipped database. Rows are prepared and read back with the sqlite3 tool.
class TestDatabase : public QObject
{
    Q_OBJECT

    QTemporaryDir tmp;
    QString db;
    TestDb::Sqlite3File file;

    QList<QStringList> rows(const QString &sql) { return file.rows(sql); }
    QString cell(const QString &sql) { return file.cell(sql); }
    bool sql(const QString &statements) { return file.exec(statements); }

    static AcquisitionDeviceRecord device(int number, const QString &serial)
    {
        AcquisitionDeviceRecord d;
        d.number = number;
        d.model = "Vosk";
        d.serialNumber = serial;
        d.scanInterval = 2.5;
        d.scanRate = "快速";
        d.channelConfig = "cfg";
        d.signalMode = "网络";
        d.ipCom = "192.168.1.10";
        d.portBaudRate = "502";
        return d;
    }

    static ChannelConfigData config(const QString &name, int channels = 3)
    {
        ChannelConfigData c;
        c.Name = name;
        c.Time = "2024-01-02 03:04:05";
        c.Mode = "Vosk";
        c.Remark = "";
        c.ChannelCount = channels;
        for (int i = 0; i < channels; ++i) {
            const QString n = QString::number(101 + i);
            c.ChannelNumber << n;
            c.ChannelLabel << "L" + n;
            c.ChannelType << "铂电阻";
            c.ChannelFunction << "ITS90";
            c.WireMode << "四线制";
            c.MX_B_M << "1";
            c.MX_B_B << "0";
            c.A_C0 << "3.9083e-3";
            c.B_C1 << "-5.775e-7";
            c.C_C2 << "0";
            c.D_C3 << "0";
            c.R0_C4 << "100";
            c.A4_C5 << "";
            c.B4_C6 << "";
            c.Unit << "℃";
            c.LowerAlarmEnable << (i % 2 == 0);
            c.LowerAlarm << "-10";
            c.UpperAlarmEnable << false;
            c.UpperAlarm << "150";
        }
        c.Compensation = "内部补偿";
        c.ColdJunction = "0";
        return c;
    }

    static ParametersRecord project(const QString &name)
    {
        ParametersRecord p;
        p.Name = name;
        p.CreateTime = "2024-03-05 10:00:00";
        p.Start = "2024-03-05 10:01:00";
        p.End = "2024-03-05 12:00:00";
        p.DeviceNumber = QStringList{"1", "2"};
        p.Model = QStringList{"Vosk", "Zenk"};
        p.SerialNumber = QStringList{"A1", "B2"};
        p.ScanInterval = "1";
        p.ScanRate = "快速";
        p.SignalMode = QStringList{"网络", "串口"};
        p.IP_COM = QStringList{"10.0.0.2", "COM3"};
        p.Port_BaudRate = QStringList{"502", "9600"};
        p.ChannelConfig = QStringList{"c1", "c2"};
        p.ChannelNumber = QStringList{"1-101", "2-101"};
        p.ChannelUnit = QStringList{"℃", "Ω"};
        return p;
    }

private slots:
    void initTestCase() { QVERIFY(tmp.isValid()); }
    void init()
    {
        db = TestDb::openFreshDefault(tmp.path());
        QVERIFY(!db.isEmpty());
        file.path = db;
    }
    void cleanup()
    {
        TestDb::closeDefault();
        closeDatabaseConnection(acquisitionConnectionName());
    }

    // ---- the shipped file ----

    void shippedTablesAndColumns_data()
    {
        QTest::addColumn<QString>("table");
        QTest::addColumn<QStringList>("columns");
        QTest::newRow("SystemSet") << "SystemSet" << QStringList{"Name", "Data"};
        QTest::newRow("AcquisitionDevice")
            << "AcquisitionDevice"
            << QStringList{"Number", "Model", "SerialNumber", "ScanInterval", "ScanRate",
                           "ChannelConfig", "SignalMode", "IP_COM", "Port_BaudRate"};
        QTest::newRow("ChannelConfig")
            << "ChannelConfig"
            << QStringList{"Name", "Time", "Mode", "Remark", "ChannelCount", "ChannelNumber",
                           "ChannelLabel", "ChannelType", "ChannelFunction", "WireMode",
                           "MX+B_M", "MX+B_B", "A_C0", "B_C1", "C_C2", "D_C3", "R0_C4",
                           "A4_C5", "B4_C6", "Unit", "Compensation", "ColdJunction",
                           "LowerAlarmEnable", "LowerAlarm", "UpperAlarmEnable", "UpperAlarm"};
        QTest::newRow("Parameters")
            << "Parameters"
            << QStringList{"Name", "CreateTime", "Start", "End", "DeviceNumber", "Model",
                           "SerialNumber", "ScanInterval", "ScanRate", "SignalMode", "IP_COM",
                           "Port_BaudRate", "ChannelConfig", "ChannelNumber", "ChannelUnit"};
        QTest::newRow("ParametersData") << "ParametersData" << QStringList{"Name", "Time", "Data"};
        QTest::newRow("AuditLog") << "AuditLog" << QStringList{"Time", "Type", "Details"};
    }
    void shippedTablesAndColumns()
    {
        QFETCH(QString, table);
        QFETCH(QStringList, columns);
        QStringList got;
        for (const QStringList &r : rows("select name from pragma_table_info('" + table + "');"))
            got << r.first();
        QCOMPARE(got, columns);
    }

    // The program's own list of tables and columns, which it checks every file against, is the
    // shipped file's, and the calibration tables it creates pass that check too.
    void programTableListMatchesTheShippedFile()
    {
        QString error;
        QVERIFY2(checkDatabaseTables(QSqlDatabase::database(), error), qPrintable(error));
        QVERIFY(createChannelCalibrationTable());
        QVERIFY(createChannelCalibrationDataTable());
        QVERIFY2(checkDatabaseTables(QSqlDatabase::database(), error), qPrintable(error));
        QVERIFY2(checkDatabaseWritable(QSqlDatabase::database(), error), qPrintable(error));
        QCOMPARE(databaseTables().size(), 8);
    }

    void shippedFileHasNoRowsAndTheSampleIndex()
    {
        QCOMPARE(cell("select count(*) from sqlite_master where type = 'table' and name like "
                      "'ChannelCalibration%';"),
                 QStringLiteral("0"));
        QCOMPARE(cell("select (select count(*) from SystemSet) + (select count(*) from "
                      "AcquisitionDevice) + (select count(*) from ChannelConfig) + (select "
                      "count(*) from Parameters) + (select count(*) from ParametersData) + "
                      "(select count(*) from AuditLog);"),
                 QStringLiteral("0"));
        QCOMPARE(cell("select group_concat(il.name) from pragma_index_list('ParametersData') p "
                      "join pragma_index_info(p.name) il;"),
                 QStringLiteral("Name"));
        // The query plan of a project read uses that index.
        const QString plan = TestDb::sqlite3Output(
            db, "explain query plan select * from ParametersData where Name = 'x';");
        QVERIFY2(plan.contains("USING INDEX"), qPrintable(plan));
    }

    // ---- AcquisitionDevice ----

    void deviceWithQuotesEverywhere()
    {
        AcquisitionDeviceRecord d = device(7, "S'N\"1");
        d.model = "Mo'del";
        d.scanRate = "'";
        d.channelConfig = "it's";
        d.signalMode = "''";
        d.ipCom = "COM'3";
        d.portBaudRate = "9600'; drop table AcquisitionDevice; --";
        QVERIFY(insertAcquisitionDevice(d));
        QCOMPARE(rows("select * from AcquisitionDevice;"),
                 (QList<QStringList>{{"7", "Mo'del", "S'N\"1", "2.5", "'", "it's", "''", "COM'3",
                                      "9600'; drop table AcquisitionDevice; --"}}));
        QList<AcquisitionDeviceRecord> out;
        QVERIFY(selectAcquisitionDevice(out, ""));
        QCOMPARE(out.size(), 1);
        QCOMPARE(out.first(), d);
        QVERIFY(selectAcquisitionDevice(out, "7"));
        QCOMPARE(out.size(), 1);
        QVERIFY(deleteAcquisitionDevice("S'N\"1"));
        QCOMPARE(cell("select count(*) from AcquisitionDevice;"), QStringLiteral("0"));
    }

    // Stored as printf("%.6g") gives it, read back as the number.
    void scanIntervalFormat_data()
    {
        QTest::addColumn<double>("interval");
        QTest::newRow("tiny") << 0.000012;
        QTest::newRow("half") << 0.5;
        QTest::newRow("two and a half") << 2.5;
        QTest::newRow("millions") << 2.5e6;
        QTest::newRow("third") << 1.0 / 3.0;
        QTest::newRow("edge of exponent") << 123456.0;
        QTest::newRow("rounds to exponent") << 999999.7;
        QTest::newRow("small not exponent") << 0.0001;
    }
    void scanIntervalFormat()
    {
        QFETCH(double, interval);
        bool ok = false;
        const QString printf = TestDb::runPython(
                                   QStringLiteral("print('%.6g' % %1)")
                                       .arg(QString::number(interval, 'g', 17)),
                                   {}, &ok)
                                   .trimmed();
        QVERIFY(ok);
        AcquisitionDeviceRecord d = device(1, "SN");
        d.scanInterval = interval;
        QVERIFY(insertAcquisitionDevice(d));
        QCOMPARE(cell("select ScanInterval from AcquisitionDevice;"), printf);
        QList<AcquisitionDeviceRecord> out;
        QVERIFY(selectAcquisitionDevice(out, "1"));
        QCOMPARE(out.size(), 1);
        QCOMPARE(out.first().scanInterval, printf.toDouble());
        // An update writes the same text.
        QVERIFY(sql("update AcquisitionDevice set ScanInterval = 'x';"));
        QVERIFY(updateAcquisitionDevice(d));
        QCOMPARE(cell("select ScanInterval from AcquisitionDevice;"), printf);
    }

    void updateKeepsNumberModelAndOtherRows()
    {
        QVERIFY(insertAcquisitionDevice(device(1, "A'1")));
        QVERIFY(insertAcquisitionDevice(device(2, "B2")));
        AcquisitionDeviceRecord changed = device(9, "A'1");
        changed.model = "Zenk";
        changed.scanInterval = 0.5;
        changed.scanRate = "慢速";
        changed.channelConfig = "new'cfg";
        changed.signalMode = "串口";
        changed.ipCom = "COM7";
        changed.portBaudRate = "115200";
        TraceCapture traces;
        QVERIFY(updateAcquisitionDevice(changed));
        QCOMPARE(traces.messages(),
                 QStringList{"修改采集设备：UPDATE AcquisitionDevice SET ScanInterval = '0.5', "
                             "ScanRate = '慢速', ChannelConfig = 'new''cfg', SignalMode = '串口', "
                             "IP_COM = 'COM7', Port_BaudRate = '115200' WHERE SerialNumber = "
                             "'A''1'"});
        QCOMPARE(rows("select * from AcquisitionDevice order by Number;"),
                 (QList<QStringList>{
                     {"1", "Vosk", "A'1", "0.5", "慢速", "new'cfg", "串口", "COM7", "115200"},
                     {"2", "Vosk", "B2", "2.5", "快速", "cfg", "网络", "192.168.1.10", "502"}}));
        QVERIFY(updateAcquisitionDevice(device(3, "nobody")));  // no row: still true
    }

    void selectByNumber_data()
    {
        QTest::addColumn<QString>("number");
        QTest::addColumn<bool>("ran");
        QTest::addColumn<int>("found");
        QTest::newRow("empty: all") << "" << true << 3;
        QTest::newRow("two") << "2" << true << 1;
        QTest::newRow("absent") << "99" << true << 0;
        QTest::newRow("negative") << "-1" << true << 0;
        QTest::newRow("or-clause") << "1 or 1=1" << false << -1;
        QTest::newRow("quoted") << "'2'" << false << -1;
        QTest::newRow("decimal") << "2.0" << false << -1;
        QTest::newRow("blank") << " 2" << false << -1;
        QTest::newRow("statement") << "2; delete from AcquisitionDevice" << false << -1;
        QTest::newRow("arabic-indic digit") << QString(QChar(0x0662)) << false << -1;
    }
    void selectByNumber()
    {
        QFETCH(QString, number);
        QFETCH(bool, ran);
        QFETCH(int, found);
        for (int i = 1; i <= 3; ++i)
            QVERIFY(insertAcquisitionDevice(device(i, "S" + QString::number(i))));
        QList<AcquisitionDeviceRecord> out{device(42, "kept")};
        QCOMPARE(selectAcquisitionDevice(out, number), ran);
        if (ran) {
            QCOMPARE(out.size(), found);
        } else {
            QCOMPARE(out.size(), 1);
            QCOMPARE(out.first().serialNumber, QStringLiteral("kept"));
        }
        QCOMPARE(cell("select count(*) from AcquisitionDevice;"), QStringLiteral("3"));
    }

    // The number column compares equal to an unquoted number, also for rows another program
    // wrote with the number as text.
    void numberWrittenAsTextMatches()
    {
        QVERIFY(sql("insert into AcquisitionDevice values ('5','M','S','1','r','c','串口','COM1',"
                    "'9600');"));
        QList<AcquisitionDeviceRecord> out;
        QVERIFY(selectAcquisitionDevice(out, "5"));
        QCOMPARE(out.size(), 1);
        QCOMPARE(out.first().number, 5);
    }

    void changeTracesFollowSuccess()
    {
        TraceCapture traces;
        QVERIFY(insertAcquisitionDevice(device(1, "o'k")));
        QCOMPARE(traces.messages(),
                 QStringList{"添加采集设备：insert into AcquisitionDevice values ( '1','Vosk','o''k',"
                             "'2.5','快速','cfg','网络','192.168.1.10','502')"});
        traces.clear();
        QVERIFY(deleteAcquisitionDevice("o'k"));
        QCOMPARE(traces.messages(),
                 QStringList{"删除采集设备：delete from AcquisitionDevice where SerialNumber = "
                             "'o''k'"});
        traces.clear();
        QVERIFY(sql("drop table AcquisitionDevice;"));
        QVERIFY(!insertAcquisitionDevice(device(1, "x")));
        QVERIFY(!deleteAcquisitionDevice("x"));
        QList<AcquisitionDeviceRecord> out{device(1, "kept")};
        QVERIFY(!selectAcquisitionDevice(out, ""));
        QCOMPARE(out.size(), 1);
        const QStringList ours = traces.messages().filter(QRegularExpression("^(添加|删除|查询)"));
        QCOMPARE(ours, QStringList{"查询AcquisitionDevice失败！"});
    }

    // ---- ChannelConfig ----

    void configRoundTrip()
    {
        ChannelConfigData c = config("it's a config");
        c.Remark = "r'emark";
        c.ChannelLabel = QStringList{"L'1", "", "L3"};
        c.ColdJunction = "'";
        QVERIFY(insertChannelConfig(c));
        QCOMPARE(rows("select Name, ChannelCount, ChannelLabel, [MX+B_M], A_C0, A4_C5, Unit, "
                      "LowerAlarmEnable, UpperAlarmEnable, ColdJunction from ChannelConfig;"),
                 (QList<QStringList>{{"it's a config", "3", "L'1,,L3", "1,1,1",
                                      "3.9083e-3,3.9083e-3,3.9083e-3", ",,", "℃,℃,℃",
                                      "true,false,true", "false,false,false", "'"}}));
        QList<ChannelConfigData> out;
        QVERIFY(selectChannelConfig(out, "it's a config"));
        QCOMPARE(out.size(), 1);
        QCOMPARE(out.first(), c);
        QVERIFY(selectChannelConfigByMode(out, "Vosk"));
        QCOMPARE(out.size(), 1);
        QVERIFY(selectChannelConfigByMode(out, "NoSuchModel"));
        QVERIFY(out.isEmpty());
    }

    // Rows written by another program, read by position.
    void configListsPreparedOutside_data()
    {
        QTest::addColumn<QString>("labels");
        QTest::addColumn<QString>("lowerEnable");
        QTest::addColumn<QStringList>("expectedLabels");
        QTest::addColumn<QList<bool>>("expectedEnable");
        QTest::newRow("flag list with empty part")
            << "a,b,c,d" << "true,false,,true" << QStringList{"a", "b", "c", "d"}
            << QList<bool>{true, false, false, true};
        QTest::newRow("empty lists") << "" << "" << QStringList{""} << QList<bool>{false};
        QTest::newRow("capital TRUE is false") << "x" << "TRUE" << QStringList{"x"}
                                               << QList<bool>{false};
        QTest::newRow("middle label empty") << "a,,c" << "true,true,true"
                                            << QStringList{"a", "", "c"}
                                            << QList<bool>{true, true, true};
    }
    void configListsPreparedOutside()
    {
        QFETCH(QString, labels);
        QFETCH(QString, lowerEnable);
        QFETCH(QStringList, expectedLabels);
        QFETCH(QList<bool>, expectedEnable);
        QVERIFY(sql(QStringLiteral("insert into ChannelConfig values ('n','t','m','','x12','101',"
                                   "'%1','','','','','','','','','','','','','','','','%2','','',"
                                   "'');")
                        .arg(labels, lowerEnable)));
        QList<ChannelConfigData> out;
        QVERIFY(selectChannelConfig(out, ""));
        QCOMPARE(out.size(), 1);
        QCOMPARE(out.first().ChannelLabel, expectedLabels);
        QCOMPARE(out.first().LowerAlarmEnable, expectedEnable);
        QCOMPARE(out.first().UpperAlarmEnable, QList<bool>{false});
        QCOMPARE(out.first().ChannelCount, 0);  // a count that is no number reads as 0
        QCOMPARE(out.first().A_C0, QStringList{""});
    }

    void configEmptyLowerEnableList()
    {
        ChannelConfigData c = config("c");
        c.LowerAlarmEnable.clear();
        QVERIFY(insertChannelConfig(c));
        QCOMPARE(cell("select LowerAlarmEnable from ChannelConfig;"), QString());
        QList<ChannelConfigData> out;
        QVERIFY(selectChannelConfig(out, "c"));
        QCOMPARE(out.first().LowerAlarmEnable, QList<bool>{false});
    }

    void configMemberHoldingComma_data()
    {
        QTest::addColumn<int>("which");
        QTest::newRow("label") << 0;
        QTest::newRow("number") << 1;
        QTest::newRow("coefficient") << 2;
        QTest::newRow("upper limit") << 3;
        QTest::newRow("unit") << 4;
    }
    void configMemberHoldingComma()
    {
        QFETCH(int, which);
        ChannelConfigData c = config("c");
        QStringList *lists[] = {&c.ChannelLabel, &c.ChannelNumber, &c.B4_C6, &c.UpperAlarm,
                                &c.Unit};
        (*lists[which])[1] = "1,5";
        TraceCapture traces;
        QVERIFY(!insertChannelConfig(c));
        QCOMPARE(traces.messages().size(), 1);
        QVERIFY(traces.messages().first().contains("1,5"));
        QCOMPARE(cell("select count(*) from ChannelConfig;"), QStringLiteral("0"));
    }

    void updateRewritesOnlyTheCoefficients()
    {
        ChannelConfigData c = config("cal'ib");
        QVERIFY(insertChannelConfig(c));
        QVERIFY(insertChannelConfig(config("other")));
        const auto before = rows("select * from ChannelConfig where Name = 'other';");
        ChannelConfigData fitted = config("cal'ib");
        fitted.MX_B_M = QStringList{"1.0001", "0.9999", "1"};
        fitted.MX_B_B = QStringList{"0.01", "-0.02", "0"};
        fitted.A_C0 = QStringList{"a0", "a1", "a2"};
        fitted.B4_C6 = QStringList{"b0", "", "b2"};
        // Everything else of the record differs, and must not be written.
        fitted.ChannelLabel = QStringList{"x", "y", "z"};
        fitted.Unit = QStringList{"V", "V", "V"};
        fitted.UpperAlarm = QStringList{"1", "2", "3"};
        fitted.Mode = "Zenk";
        fitted.ChannelCount = 9;
        TraceCapture traces;
        QVERIFY(updateChannelConfig(fitted));
        QCOMPARE(traces.messages().size(), 1);
        QVERIFY(traces.messages().first().startsWith(
            "修改通道配置：UPDATE ChannelConfig SET [MX+B_M] = '1.0001,0.9999,1', [MX+B_B] = "
            "'0.01,-0.02,0', A_C0 = 'a0,a1,a2', B_C1 = "));
        QVERIFY(traces.messages().first().endsWith("B4_C6 = 'b0,,b2' WHERE Name = 'cal''ib'"));
        QList<ChannelConfigData> out;
        QVERIFY(selectChannelConfig(out, "cal'ib"));
        ChannelConfigData expected = c;
        expected.MX_B_M = fitted.MX_B_M;
        expected.MX_B_B = fitted.MX_B_B;
        expected.A_C0 = fitted.A_C0;
        expected.B4_C6 = fitted.B4_C6;
        QCOMPARE(out.size(), 1);
        QCOMPARE(out.first(), expected);
        QCOMPARE(rows("select * from ChannelConfig where Name = 'other';"), before);
        // No such name: the statement is traced, runs and changes nothing.
        traces.clear();
        fitted.Name = "missing";
        QVERIFY(updateChannelConfig(fitted));
        QCOMPARE(traces.messages().size(), 1);
        QCOMPARE(rows("select * from ChannelConfig where Name = 'other';"), before);
        // A coefficient holding a comma is refused, nothing changes.
        fitted.Name = "cal'ib";
        fitted.A_C0[0] = "1,5";
        QVERIFY(!updateChannelConfig(fitted));
        QCOMPARE(cell("select A_C0 from ChannelConfig where Name = 'cal''ib';"),
                 QStringLiteral("a0,a1,a2"));
    }

    void deleteQuotedNameTouchesNoOtherRow()
    {
        QVERIFY(insertChannelConfig(config("a'b")));
        QVERIFY(insertChannelConfig(config("a")));
        QVERIFY(insertChannelConfig(config("b")));
        TraceCapture traces;
        QVERIFY(deleteChannelConfig("a'b"));
        QCOMPARE(traces.messages(),
                 QStringList{"删除通道配置：delete from ChannelConfig where Name = 'a''b'"});
        QCOMPARE(rows("select Name from ChannelConfig order by Name;"),
                 (QList<QStringList>{{"a"}, {"b"}}));
        QVERIFY(deleteChannelConfig("nothing"));
    }

    void selectByEmptyModeFindsRowsWithEmptyMode()
    {
        ChannelConfigData c = config("blank");
        c.Mode = "";
        QVERIFY(insertChannelConfig(c));
        QVERIFY(insertChannelConfig(config("vosk")));
        QList<ChannelConfigData> out;
        QVERIFY(selectChannelConfigByMode(out, ""));
        QCOMPARE(out.size(), 1);
        QCOMPARE(out.first().Name, QStringLiteral("blank"));
    }

    // ---- Parameters ----

    void projectRoundTrip()
    {
        ParametersRecord p = project("P'1");
        QVERIFY(insertParameters(p));
        QCOMPARE(rows("select Name, SerialNumber, DeviceNumber, ChannelUnit from Parameters;"),
                 (QList<QStringList>{{"P'1", "A1;B2", "1,2", "℃,Ω"}}));
        QList<ParametersRecord> out;
        QVERIFY(selectParameters(out, "P'1"));
        QCOMPARE(out.size(), 1);
        QCOMPARE(out.first(), p);
        QCOMPARE(out.first().SerialNumber, (QStringList{"A1", "B2"}));
    }

    void projectWithEmptyUnitList()
    {
        ParametersRecord p = project("P");
        p.ChannelUnit.clear();
        QVERIFY(insertParameters(p));
        QList<ParametersRecord> out;
        QVERIFY(selectParameters(out, ""));
        QCOMPARE(out.first().ChannelUnit, QStringList{""});
    }

    void projectMemberHoldingItsSeparator_data()
    {
        QTest::addColumn<int>("which");
        QTest::addColumn<QString>("member");
        QTest::newRow("serial with semicolon") << 0 << "A;1";
        QTest::newRow("address with comma") << 1 << "10.0.0.1,2";
        QTest::newRow("channel number with comma") << 2 << "1-1,01";
        QTest::newRow("configuration with comma") << 3 << "c,1";
    }
    void projectMemberHoldingItsSeparator()
    {
        QFETCH(int, which);
        QFETCH(QString, member);
        ParametersRecord p = project("P");
        QStringList *lists[] = {&p.SerialNumber, &p.IP_COM, &p.ChannelNumber, &p.ChannelConfig};
        (*lists[which])[0] = member;
        QVERIFY(!insertParameters(p));
        QCOMPARE(cell("select count(*) from Parameters;"), QStringLiteral("0"));
    }

    // A serial number may hold a comma: its list is joined with ";".
    void serialNumberMayHoldComma()
    {
        ParametersRecord p = project("P");
        p.SerialNumber = QStringList{"A,1", "B2"};
        QVERIFY(insertParameters(p));
        QList<ParametersRecord> out;
        QVERIFY(selectParameters(out, "P"));
        QCOMPARE(out.first().SerialNumber, p.SerialNumber);
    }

    void projectTimesAndDeletion()
    {
        QVERIFY(insertParameters(project("P'1")));
        QVERIFY(insertParameters(project("P2")));
        TraceCapture traces;
        QVERIFY(updateParametersTime("P'1", "2024-01-01 00:00:00", "2024-01-02 00:00:00"));
        QCOMPARE(traces.messages(),
                 QStringList{"修改采集信息：UPDATE Parameters SET Start = '2024-01-01 00:00:00', "
                             "End = '2024-01-02 00:00:00' WHERE Name = 'P''1'"});
        QCOMPARE(rows("select Name, Start, End from Parameters order by Name;"),
                 (QList<QStringList>{{"P'1", "2024-01-01 00:00:00", "2024-01-02 00:00:00"},
                                     {"P2", "2024-03-05 10:01:00", "2024-03-05 12:00:00"}}));
        QVERIFY(updateParametersTime("nobody", "a", "b"));
        QCOMPARE(cell("select count(*) from Parameters where Start = 'a';"), QStringLiteral("0"));
        traces.clear();
        QVERIFY(deleteParameters("P'1"));
        QCOMPARE(traces.messages(),
                 QStringList{"删除验证信息：delete from Parameters where Name = 'P''1'"});
        QCOMPARE(cell("select group_concat(Name) from Parameters;"), QStringLiteral("P2"));
    }

    void projectsBySql()
    {
        QVERIFY(insertParameters(project("alpha")));
        QVERIFY(insertParameters(project("it's beta")));
        QVERIFY(insertParameters(project("gamma")));
        // A name longer than a LIKE pattern may be (50,000 bytes).
        const QString longName = "x" + QString(60000, 'y') + "%_z";
        QVERIFY(insertParameters(project(longName)));
        QList<ParametersRecord> out;
        const QString byName = "select * from Parameters where " + sqlContainsCondition("Name");
        QVERIFY(selectParametersBySql(out, byName, {"'S B"}));   // ASCII letters in either case
        QCOMPARE(out.size(), 1);
        QCOMPARE(out.first(), project("it's beta"));
        QVERIFY(selectParametersBySql(out, byName, {QString(60000, 'Y') + "%_"}));
        QCOMPARE(out.size(), 1);
        QCOMPARE(out.first().Name, longName);
        QVERIFY(selectParametersBySql(out, byName, {"_"}));   // "_" matches itself only
        QCOMPARE(out.size(), 1);
        QVERIFY(selectParametersBySql(out, byName, {QString()}));
        QCOMPARE(out.size(), 4);
        TraceCapture traces;
        QVERIFY(!selectParametersBySql(out, "select * from Parameters where"));
        QCOMPARE(out.size(), 4);   // left as it was
        QCOMPARE(traces.messages().filter("查询"), QStringList{"查询Parameters失败！"});
    }

    // ---- ParametersData ----

    void sampleTimeKeepsMilliseconds()
    {
        ParametersDataRow row;
        row.name = "P'1";
        row.time = QDateTime(QDate(2024, 3, 5), QTime(12, 0, 0, 7));
        row.values = QStringList{"20.5", "", "-3"};
        TraceCapture traces;
        QVERIFY(insertParametersData(row));
        QCOMPARE(traces.messages(), QStringList());
        QCOMPARE(rows("select * from ParametersData;"),
                 (QList<QStringList>{{"P'1", "2024-03-05 12:00:00.007", "20.5,,-3"}}));
        QList<ParametersDataRow> out;
        QVERIFY(selectParametersData(out, "P'1"));
        QCOMPARE(out.size(), 1);
        QCOMPARE(out.first(), row);
        QCOMPARE(out.first().time.time().msec(), 7);
    }

    void sampleTimesWrittenOutside_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QDateTime>("expected");
        QTest::newRow("exact") << "2024-02-29 23:59:59.999"
                               << QDateTime(QDate(2024, 2, 29), QTime(23, 59, 59, 999));
        QTest::newRow("no milliseconds") << "2024-03-05 12:00:00" << QDateTime();
        QTest::newRow("no such day") << "2023-02-29 10:00:00.000" << QDateTime();
        QTest::newRow("hour 24") << "2024-03-05 24:00:00.000" << QDateTime();
        QTest::newRow("empty") << "" << QDateTime();
        QTest::newRow("letters") << "2024-0a-05 12:00:00.000" << QDateTime();
    }
    void sampleTimesWrittenOutside()
    {
        QFETCH(QString, text);
        QFETCH(QDateTime, expected);
        QVERIFY(sql("insert into ParametersData values ('P', '" + text + "', '1,2');"));
        QList<ParametersDataRow> out;
        QVERIFY(selectParametersData(out, "P"));
        QCOMPARE(out.size(), 1);  // the row is returned whatever its time
        QCOMPARE(out.first().time, expected);
        QCOMPARE(out.first().time, QDateTime::fromString(text, "yyyy-MM-dd hh:mm:ss.zzz"));
        QCOMPARE(out.first().values, (QStringList{"1", "2"}));
    }

    // The quick time reader agrees with the general one on every millisecond of a day's edges.
    void sampleTimeCodecAgreesWithTheGeneralParser()
    {
        const QDateTime start(QDate(2023, 12, 31), QTime(23, 59, 58, 0));
        for (qint64 ms = 0; ms < 3000; ms += 7) {
            const QDateTime t = start.addMSecs(ms);
            const QString text = formatSampleTime(t);
            QCOMPARE(text, t.toString("yyyy-MM-dd hh:mm:ss.zzz"));
            QCOMPARE(parseSampleTime(text), t);
        }
        QCOMPARE(formatSampleTime(QDateTime()), QString());
    }

    void sampleValueHoldingComma()
    {
        ParametersDataRow row{"P", QDateTime::currentDateTime(), {"1,5", "2"}};
        QVERIFY(!insertParametersData(row));
        QVERIFY(!insertParametersDataBatch({row}));
        QCOMPARE(cell("select count(*) from ParametersData;"), QStringLiteral("0"));
    }

    void sampleOnAConnectionNeverAdded()
    {
        ParametersDataRow row{"P", QDateTime::currentDateTime(), {"1"}};
        QVERIFY(!insertParametersData(row, "NoSuchConnection"));
        QVERIFY(!insertParametersDataBatch({row}, "NoSuchConnection"));
    }

    void selectAllAndByNameAndDelete()
    {
        const QDateTime t0(QDate(2024, 1, 1), QTime(0, 0));
        for (int i = 0; i < 5; ++i) {
            QVERIFY(insertParametersData({"A", t0.addSecs(i), {QString::number(i)}}));
            QVERIFY(insertParametersData({"B'", t0.addSecs(i), {QString::number(10 + i)}}));
        }
        QList<ParametersDataRow> out;
        QVERIFY(selectParametersData(out, ""));
        QCOMPARE(out.size(), 10);
        QVERIFY(selectParametersData(out, "B'"));
        QCOMPARE(out.size(), 5);
        for (int i = 0; i < 5; ++i) {
            QCOMPARE(out.at(i).time, t0.addSecs(i));
            QCOMPARE(out.at(i).values, QStringList{QString::number(10 + i)});
        }
        TraceCapture traces;
        QVERIFY(deleteParametersData("B'"));
        QCOMPARE(traces.messages(),
                 QStringList{"删除验证数据：delete from ParametersData where Name = 'B'''"});
        QCOMPARE(cell("select count(*) from ParametersData;"), QStringLiteral("5"));
    }

    // ---- batches and transactions ----

    void batchStoresAllRows()
    {
        QList<ParametersDataRow> batch;
        const QDateTime t0(QDate(2024, 1, 1), QTime(8, 0));
        for (int i = 0; i < 2000; ++i)
            batch.append({"P'", t0.addMSecs(i * 250), {QString::number(i), "x'y", ""}});
        batch.append({"P'", t0.addSecs(600), {"−1.5", "温度"}});   // beyond ASCII
        QVERIFY(insertParametersDataBatch(batch));
        QCOMPARE(cell("select count(*) from ParametersData where Data like '%,x''y,';"),
                 QStringLiteral("2000"));
        QList<ParametersDataRow> out;
        QVERIFY(selectParametersData(out, "P'"));
        QCOMPARE(out, batch);
    }

    // A row that the database refuses part-way rolls the whole batch back.
    void batchFailureStoresNothing()
    {
        QVERIFY(sql("create trigger refuse before insert on ParametersData when new.Data = 'bad' "
                    "begin select raise(abort, 'refused'); end;"));
        QVERIFY(insertParametersData({"keep", QDateTime::currentDateTime(), {"1"}}));
        QList<ParametersDataRow> batch;
        for (int i = 0; i < 10; ++i)
            batch.append({"P", QDateTime::currentDateTime(), {i == 6 ? "bad" : "ok"}});
        QVERIFY(!insertParametersDataBatch(batch));
        QCOMPARE(cell("select group_concat(Name) from ParametersData;"), QStringLiteral("keep"));
        // The connection is usable again afterwards, outside any transaction.
        QVERIFY(insertParametersData({"after", QDateTime::currentDateTime(), {"1"}}));
        QCOMPARE(cell("select count(*) from ParametersData;"), QStringLiteral("2"));
    }

    void transactionHelper()
    {
        // Work that fails leaves nothing behind.
        QVERIFY(!runInTransaction([] {
            return addAuditLog("t", "first") && addAuditLog("t", "second") && false;
        }));
        QCOMPARE(cell("select count(*) from AuditLog;"), QStringLiteral("0"));
        // Work that succeeds is committed once.
        QVERIFY(runInTransaction([] {
            for (int i = 0; i < 50; ++i) {
                if (!addAuditLog("上限报警", QString::number(i)))
                    return false;
            }
            return true;
        }));
        QCOMPARE(cell("select count(*) from AuditLog;"), QStringLiteral("50"));
        // A transaction object that goes without commit rolls back.
        {
            DatabaseTransaction t;
            QVERIFY(t.isActive());
            QVERIFY(addAuditLog("t", "lost"));
        }
        QCOMPARE(cell("select count(*) from AuditLog;"), QStringLiteral("50"));
        {
            DatabaseTransaction t;
            QVERIFY(addAuditLog("t", "kept"));
            QVERIFY(t.commit());
            QVERIFY(!t.isActive());
        }
        QCOMPARE(cell("select count(*) from AuditLog where Details = 'kept';"),
                 QStringLiteral("1"));
        // No open connection: nothing runs.
        bool ran = false;
        QVERIFY(!runInTransaction([&ran] { return ran = true; }, "NoSuchConnection"));
        QVERIFY(!ran);
    }

    // The acquisition worker's own connection inserts from its own thread while the GUI
    // thread's default connection writes the same file.
    void workerConnectionBesideTheDefaultOne()
    {
        const int count = 400;
        // The file in write-ahead-log mode, as the program keeps it.
        QVERIFY(useWriteAheadLog());
        std::atomic<int> workerFailures{0};
        std::atomic<bool> opened{false};
        QThread *worker = QThread::create([&] {
            if (!openDatabaseConnection(acquisitionConnectionName(), db)
                || !useWriteAheadLog(acquisitionConnectionName())) {
                workerFailures = -1;
                return;
            }
            opened = true;
            const QDateTime t0(QDate(2024, 6, 1), QTime(0, 0));
            for (int i = 0; i < count; ++i) {
                if (!insertParametersData({"worker", t0.addMSecs(i), {QString::number(i)}},
                                          acquisitionConnectionName()))
                    ++workerFailures;
            }
            closeDatabaseConnection(acquisitionConnectionName());
        });
        worker->start();
        while (!opened && !worker->isFinished())
            QThread::msleep(1);
        int guiFailures = 0;
        const QDateTime t0(QDate(2024, 6, 2), QTime(0, 0));
        for (int i = 0; i < count; ++i) {
            if (!insertParametersData({"gui", t0.addMSecs(i), {QString::number(i)}}))
                ++guiFailures;
            if (i % 20 == 0 && !addAuditLog("通讯异常", QString::number(i)))
                ++guiFailures;
        }
        QVERIFY(worker->wait(60000));
        delete worker;
        QVERIFY(opened);
        QCOMPARE(workerFailures.load(), 0);
        QCOMPARE(guiFailures, 0);
        QCOMPARE(rows("select Name, count(*), sum(Data) from ParametersData group by Name order "
                      "by Name;"),
                 (QList<QStringList>{{"gui", QString::number(count), "79800"},
                                     {"worker", QString::number(count), "79800"}}));
        QCOMPARE(cell("select count(*) from AuditLog;"), QStringLiteral("20"));
        // The connections took turns: the worker did not wait out the whole of the default
        // connection's writing (SQLite's own busy wait misses the moments between its commits).
        const int turns = cell("select count(*) from ParametersData a join ParametersData b on "
                               "b.rowid = a.rowid + 1 where a.Name <> b.Name;")
                              .toInt();
        QVERIFY2(turns >= 10, qPrintable(QString::number(turns)));
        // The worker's connection is gone; the default one still works.
        QVERIFY(!QSqlDatabase::contains(acquisitionConnectionName()));
        QVERIFY(insertParametersData({"gui", t0, {"0"}}));
    }

    // Two connections that each read and then write inside their transactions, at once:
    // neither may fail for the other's lock.
    void transactionsOfBothConnectionsReadThenWrite()
    {
        const int rounds = 60;
        std::atomic<int> workerFailures{0};
        QThread *worker = QThread::create([&] {
            if (!openDatabaseConnection(acquisitionConnectionName(), db)) {
                workerFailures = -1;
                return;
            }
            for (int i = 0; i < rounds; ++i) {
                const bool ok = runInTransaction(
                    [i] {
                        QSqlQuery q(QSqlDatabase::database(acquisitionConnectionName(), false));
                        if (!q.exec("select count(*) from ParametersData") || !q.next())
                            return false;
                        q.finish();
                        QThread::usleep(200);
                        return insertParametersData(
                            {"worker", QDateTime::currentDateTime(), {QString::number(i)}},
                            acquisitionConnectionName());
                    },
                    acquisitionConnectionName());
                if (!ok)
                    ++workerFailures;
            }
            closeDatabaseConnection(acquisitionConnectionName());
        });
        worker->start();
        int guiFailures = 0;
        for (int i = 0; i < rounds; ++i) {
            const bool ok = runInTransaction([i] {
                QList<ParametersDataRow> out;
                if (!selectParametersData(out, "worker"))
                    return false;
                QThread::usleep(200);
                return insertParametersData({"gui", QDateTime::currentDateTime(),
                                             {QString::number(out.size())}});
            });
            if (!ok)
                ++guiFailures;
        }
        QVERIFY(worker->wait(60000));
        delete worker;
        QCOMPARE(workerFailures.load(), 0);
        QCOMPARE(guiFailures, 0);
        QCOMPARE(rows("select Name, count(*) from ParametersData group by Name order by Name;"),
                 (QList<QStringList>{{"gui", QString::number(rounds)},
                                     {"worker", QString::number(rounds)}}));
    }

    // ---- AuditLog ----

    void addAuditLogUsesTheCurrentSecond()
    {
        const QString before = QDateTime::currentDateTime().toString("yyyy-MM-dd hh:mm:ss");
        TraceCapture traces;
        QVERIFY(addAuditLog("下限报警", "1-A'1-1-CH3低于下限:12.50"));
        const QString after = QDateTime::currentDateTime().toString("yyyy-MM-dd hh:mm:ss");
        QCOMPARE(traces.messages(), QStringList());
        const auto r = rows("select * from AuditLog;");
        QCOMPARE(r.size(), 1);
        QVERIFY(r.first().at(0) >= before && r.first().at(0) <= after);
        QCOMPARE(r.first().mid(1), (QStringList{"下限报警", "1-A'1-1-CH3低于下限:12.50"}));
        QVERIFY(sql("drop table AuditLog;"));
        QVERIFY(!addAuditLog("x", "y"));
    }

    void selectAuditLogRange_data()
    {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<QString>("type");
        QTest::addColumn<QStringList>("details");
        QTest::newRow("no from: everything, to and type ignored")
            << "" << "2000-01-01 00:00:00" << "nothing"
            << QStringList{"d0", "d1", "d2", "d3", "d4", "d5", "d6", "dx", "d7", "d8"};
        QTest::newRow("one whole day, both bounds")
            << "2024-03-05 00:00:00" << "2024-03-05 23:59:59" << "" << QStringList{"d1", "d2", "d3"};
        QTest::newRow("type substring") << "2024-03-05 00:00:00" << "2024-03-06 00:00:00" << "上限"
                                        << QStringList{"d2", "d4"};
        QTest::newRow("quote in type") << "2024-01-01 00:00:00" << "2025-01-01 00:00:00" << "'"
                                       << QStringList{"d3"};
        // "%", "_" and "\\" match themselves only.
        QTest::newRow("percent") << "2024-01-01 00:00:00" << "2025-01-01 00:00:00" << "%"
                                 << QStringList{"d5", "d7"};
        QTest::newRow("underscore") << "2024-01-01 00:00:00" << "2025-01-01 00:00:00" << "A_B"
                                    << QStringList{"d6"};
        QTest::newRow("backslash") << "2024-01-01 00:00:00" << "2025-01-01 00:00:00" << "\\%"
                                   << QStringList{"d7"};
        QTest::newRow("long type") << "2024-01-01 00:00:00" << "2025-01-01 00:00:00"
                                   << "?" + QString(60000, 'l') << QStringList{"d8"};
    }
    void selectAuditLogRange()
    {
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(QString, type);
        QFETCH(QStringList, details);
        QVERIFY(sql("insert into AuditLog values"
                    " ('2024-03-04 23:59:59', '下限报警', 'd0'),"
                    " ('2024-03-05 00:00:00', '下限报警', 'd1'),"
                    " ('2024-03-05 12:00:00', '上限报警', 'd2'),"
                    " ('2024-03-05 23:59:59', 'it''s', 'd3'),"
                    " ('2024-03-06 00:00:00', '上限报警', 'd4'),"
                    " ('2024-03-07 00:00:00', '50%', 'd5'),"
                    " ('2024-03-07 00:00:01', 'xA_By', 'd6'),"
                    " ('2024-03-07 00:00:02', 'AxB', 'dx'),"
                    " ('2024-03-07 00:00:03', 'a\\%b', 'd7'),"
                    " ('2024-03-07 00:00:04', '?" + QString(60001, 'L') + "', 'd8');"));
        QList<AuditLogRecord> out;
        QVERIFY(selectAuditLog(out, from, to, type));
        QStringList got;
        for (const AuditLogRecord &r : out)
            got << r.details;
        QCOMPARE(got, details);
    }

    void deleteAuditLogDeletesExactlyTheEntry()
    {
        QVERIFY(sql("insert into AuditLog values"
                    " ('2024-03-05 12:00:00', '下限报警', 'a'),"
                    " ('2024-03-05 12:00:00', '上限报警', 'a'),"
                    " ('2024-03-05 12:00:00', '下限报警', 'it''s'),"
                    " ('2024-03-05 12:00:00', '下限报警', 'same'),"
                    " ('2024-03-05 12:00:00', '下限报警', 'same');"));
        QVERIFY(deleteAuditLog("2024-03-05 12:00:00", "上限报警", "a"));
        QVERIFY(deleteAuditLog(AuditLogRecord{"2024-03-05 12:00:00", "下限报警", "it's"}));
        QCOMPARE(rows("select Type, Details from AuditLog order by rowid;"),
                 (QList<QStringList>{{"下限报警", "a"}, {"下限报警", "same"}, {"下限报警", "same"}}));
        // Of two identical entries one goes per call, as each is listed on its own.
        QVERIFY(deleteAuditLog("2024-03-05 12:00:00", "下限报警", "same"));
        QCOMPARE(cell("select count(*) from AuditLog where Details = 'same';"),
                 QStringLiteral("1"));
        QVERIFY(deleteAuditLog("2024-03-05 12:00:00", "nothing", "a"));
        QCOMPARE(cell("select count(*) from AuditLog;"), QStringLiteral("2"));
    }

    // A select that fails traces its table's line, returns false and leaves the list alone.
    void failedSelectsTraceTheirTable_data()
    {
        QTest::addColumn<QString>("table");
        QTest::newRow("AcquisitionDevice") << "AcquisitionDevice";
        QTest::newRow("ChannelConfig") << "ChannelConfig";
        QTest::newRow("Parameters") << "Parameters";
        QTest::newRow("ParametersData") << "ParametersData";
        QTest::newRow("AuditLog") << "AuditLog";
    }
    void failedSelectsTraceTheirTable()
    {
        QFETCH(QString, table);
        QVERIFY(sql("drop table " + table + ";"));
        TraceCapture traces;
        bool ran = true;
        int kept = 0;
        if (table == "AcquisitionDevice") {
            QList<AcquisitionDeviceRecord> out{device(1, "k")};
            ran = selectAcquisitionDevice(out, "1");
            kept = out.size();
        } else if (table == "ChannelConfig") {
            QList<ChannelConfigData> out{config("k")};
            ran = selectChannelConfig(out, "k") || selectChannelConfigByMode(out, "m");
            kept = out.size();
        } else if (table == "Parameters") {
            QList<ParametersRecord> out{project("k")};
            ran = selectParameters(out, "");
            kept = out.size();
        } else if (table == "ParametersData") {
            QList<ParametersDataRow> out{{"k", QDateTime(), {}}};
            ran = selectParametersData(out, "k");
            kept = out.size();
        } else {
            QList<AuditLogRecord> out{{"t", "k", "d"}};
            ran = selectAuditLog(out, "2024-01-01 00:00:00", "2024-12-31 23:59:59", "");
            kept = out.size();
        }
        QVERIFY(!ran);
        QCOMPARE(kept, 1);
        QVERIFY(traces.messages().contains("查询" + table + "失败！"));
    }

    // The coefficient write-back traces its statement before it runs, also when it fails.
    void coefficientWriteBackTracesEvenWhenItFails()
    {
        QVERIFY(sql("drop table ChannelConfig;"));
        TraceCapture traces;
        QVERIFY(!updateChannelConfig(config("c")));
        QCOMPARE(traces.messages().filter("修改通道配置：UPDATE ChannelConfig SET").size(), 1);
    }

    // ---- no database ----

    void closedDatabaseRunsNothing()
    {
        TestDb::closeDefault();
        QList<AcquisitionDeviceRecord> devices{device(1, "kept")};
        QVERIFY(!selectAcquisitionDevice(devices, ""));
        QCOMPARE(devices.size(), 1);
        QList<ParametersDataRow> samples{{"kept", QDateTime(), {}}};
        QVERIFY(!selectParametersData(samples, ""));
        QCOMPARE(samples.size(), 1);
        QVERIFY(!insertParametersData({"P", QDateTime::currentDateTime(), {"1"}}));
        QVERIFY(!addAuditLog("t", "d"));
        QVERIFY(!insertChannelConfig(config("c")));
        // Nothing reopened the file behind the caller's back.
        QCOMPARE(cell("select count(*) from AuditLog;"), QStringLiteral("0"));
    }
};

QTEST_GUILESS_MAIN(TestDatabase)
#include "test_database.moc"
