// Record-file import end to end: 1586A record files written by tests/sim/records_1586a.py,
// imported through the import dialog with the 1586A driver into a copy of the shipped database,
// and read back with the sqlite3 command.
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include "FakeInstrument.h"
#include "ParametersImport.h"
#include "RecordFileReader.h"
#include "SampleRows.h"
#include "ShellTestSupport.h"
#include "TestDb.h"
#include "test_online_plan.h"

using namespace OnlineTest;

namespace {

const QDateTime recordStart(QDate(2024, 5, 6), QTime(10, 0, 0));   // the files' first second

// Reading of channel `number` in record k, as records_1586a.py writes it.
QString reading(int k, int number)
{
    return QString::number(number / 10.0 + k * 0.5, 'f', 3);
}

QString data(int k, const QList<int> &numbers)
{
    QStringList values;
    for (int n : numbers)
        values << reading(k, n);
    return values.join(QLatin1Char(','));
}

QString sampleTime(int seconds)
{
    return recordStart.addSecs(seconds).toString(QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz"));
}

PlannedInstrument instrument(const QList<int> &projects, double scanInterval = 1.0)
{
    PlannedInstrument in;
    in.model = QStringLiteral("1586A");
    in.signalMode = QStringLiteral("网络");
    in.address = QStringLiteral("127.0.0.1");
    in.port = QStringLiteral("3490");
    in.projectOfChannel = projects;
    in.scanInterval = scanInterval;
    return in;
}

// The fixture files the process holds open.
QStringList openFixtures(const QString &dir)
{
    QStringList open;
    for (const QFileInfo &fd : QDir(QStringLiteral("/proc/self/fd")).entryInfoList(QDir::System))
        if (fd.symLinkTarget().startsWith(dir) && fd.symLinkTarget().endsWith(QLatin1String(".csv")))
            open << fd.symLinkTarget();
    return open;
}

} // namespace

class TestRecordImport : public QObject
{
    Q_OBJECT
    QTemporaryDir dir;
    QString db;
    SystemSettings settings;

    QString file(const QString &name) const { return name.isEmpty() ? name : dir.filePath(name); }
    QList<QStringList> rows(const QString &sql) const { return TestDb::Sqlite3File{db}.rows(sql); }
    bool write(const QString &name, const QByteArray &bytes) const
    {
        QFile out(file(name));
        return out.open(QIODevice::WriteOnly) && out.write(bytes) == bytes.size();
    }

    // Runs the dialog's OK on `files` and returns the message it shows; `accepted` tells
    // whether the dialog ended accepted.
    QString import(const QStringList &files, bool *accepted = nullptr)
    {
        ParametersImport dialog;
        dialog.setSettings(&settings);
        for (int i = 0; i < files.size(); ++i)
            dialog.setRecordFile(i, file(files.at(i)));
        MessageBoxAnswerer answerer;
        dialog.pt_OK_clicked();
        if (!QTest::qWaitFor([&] { return !answerer.seen.isEmpty() && !dialog.isImporting(); },
                             30000))
            return QStringLiteral("<no message>");
        if (accepted)
            *accepted = dialog.result() == QDialog::Accepted;
        return answerer.seen.first().title + QLatin1Char('|') + answerer.seen.first().text;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        QVERIFY(QDir::setCurrent(dir.path()));
        bool ok = false;
        TestDb::runPython(QStringLiteral("import runpy, sys; sys.argv = sys.argv[1:]; "
                                         "runpy.run_path(sys.argv[0], run_name='__main__')"),
                          {FakeInstrument::simDir() + QStringLiteral("/records_1586a.py"),
                           dir.path()},
                          &ok);
        QVERIFY(ok);
        db = TestDb::openFreshDefault(dir.path());
        QVERIFY(!db.isEmpty());
    }
    void init()
    {
        QVERIFY(TestDb::Sqlite3File{db}.exec(
            QStringLiteral("delete from ParametersData; delete from Parameters;")));
    }
    void cleanupTestCase() { TestDb::closeDefault(); }

    // One instrument, one project: which records land at which times.
    void importsOneFile_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<double>("scanInterval");
        QTest::addColumn<int>("spanSeconds");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QList<int>>("seconds");   // the sample times stored
        // The record each time takes: the 1586A takes the first unread record within 1 s of it.
        QTest::addColumn<QList<int>>("records");

        const QString saved = QStringLiteral("提示|数据保存成功！");
        const QString mismatch = QStringLiteral("警告|采集数据不匹配，未能保存数据！");
        QList<int> ten;
        for (int k = 0; k < 10; ++k)
            ten << k;
        const QList<int> none;
        QTest::newRow("CRLF") << "crlf.csv" << 1.0 << 10 << saved << ten << ten;
        QTest::newRow("BOM and blank lines") << "bom.csv" << 1.0 << 10 << saved << ten << ten;
        QTest::newRow("lone CR") << "cr.csv" << 1.0 << 10 << saved << ten << ten;
        QTest::newRow("interval 0.01 s steps 1 s")
            << "plain.csv" << 0.01 << 10 << saved << ten << ten;
        QTest::newRow("interval 2.9 s steps 2 s") << "plain.csv" << 2.9 << 10 << saved
                                                  << QList<int>{0, 2, 4, 6, 8}
                                                  << QList<int>{0, 1, 3, 5, 7};
        QTest::newRow("10 s over 95 s: nine times")
            << "long.csv" << 10.0 << 95 << saved << QList<int>{0, 10, 20, 30, 40, 50, 60, 70, 80}
            << QList<int>{0, 9, 19, 29, 39, 49, 59, 69, 79};
        QTest::newRow("span shorter than a step")
            << "plain.csv" << 10.0 << 5 << saved << none << none;
        QTest::newRow("gap in the recording") << "gap.csv" << 1.0 << 10 << mismatch << none
                                              << none;
        QTest::newRow("short line") << "badline.csv" << 1.0 << 10 << mismatch << none << none;
        QTest::newRow("no file chosen")
            << "" << 1.0 << 10 << "警告|未检测到通道！" << none << none;
        QTest::newRow("heading of another instrument")
            << "header_record.csv" << 1.0 << 10 << "警告|未检测到通道！" << none << none;
    }
    void importsOneFile()
    {
        QFETCH(QString, name);
        QFETCH(double, scanInterval);
        QFETCH(int, spanSeconds);
        QFETCH(QString, message);
        QFETCH(QList<int>, seconds);
        QFETCH(QList<int>, records);

        fillPlan(settings, {instrument({0, 0, 0}, scanInterval)}, {"P1"}, recordStart,
                 recordStart.addSecs(spanSeconds));
        settings.acquisitionMode = QStringLiteral("导入");
        bool accepted = false;
        QCOMPARE(import({name}, &accepted), message);
        const bool saved = message.endsWith(QStringLiteral("数据保存成功！"));
        QCOMPARE(accepted, saved);

        QList<QStringList> expected;
        for (int i = 0; i < seconds.size(); ++i)
            expected << QStringList{"P1", sampleTime(seconds.at(i)),
                                    data(records.at(i), {101, 102, 103})};
        QCOMPARE(rows("select Name, Time, Data from ParametersData order by rowid"), expected);
        const QList<QStringList> projects = rows(
            "select Name, Start, \"End\", DeviceNumber, Model, ScanInterval, ChannelNumber, "
            "ChannelUnit from Parameters");
        if (!saved) {
            QVERIFY(projects.isEmpty());
        } else {
            QCOMPARE(projects.size(), 1);
            QCOMPARE(projects.at(0),
                     (QStringList{"P1", timeText(recordStart),
                                  timeText(recordStart.addSecs(spanSeconds)), "1", "1586A",
                                  QString::number(scanInterval, 'g', 6), "1-101,1-102,1-103",
                                  "℃,℃,℃"}));
        }
        QVERIFY(openFixtures(dir.path()).isEmpty());
    }

    // Two instruments, two projects: each value lands in the project of its channel row, and
    // both project rows list both instruments.
    void splitsValuesByProject()
    {
        fillPlan(settings, {instrument({0, 1, 0}), instrument({1, 1, 0})}, {"P1", "P2"},
                 recordStart, recordStart.addSecs(3));
        settings.acquisitionMode = QStringLiteral("导入");
        QCOMPARE(import({"plain.csv", "crlf.csv"}), QStringLiteral("提示|数据保存成功！"));
        QList<QStringList> expected;
        for (int k = 0; k < 3; ++k) {
            expected << QStringList{"P1", sampleTime(k),
                                    reading(k, 101) + ',' + reading(k, 103) + ',' + reading(k, 103)};
            expected << QStringList{"P2", sampleTime(k),
                                    reading(k, 102) + ',' + reading(k, 101) + ',' + reading(k, 102)};
        }
        QCOMPARE(rows("select Name, Time, Data from ParametersData order by rowid"), expected);
        QCOMPARE(rows("select Name, DeviceNumber, SerialNumber, ChannelNumber from Parameters"),
                 (QList<QStringList>{{"P1", "1,2", "SN1;SN2", "1-101,1-103,2-103"},
                                     {"P2", "1,2", "SN1;SN2", "1-102,2-101,2-102"}}));
    }

    // The import is all or nothing: a failure in the second project, at its samples or at its
    // project row, leaves neither project stored; so does a record with too few values for the
    // planned channels, and an open that fails at the third instrument closes the first two.
    void failureLeavesNothing_data()
    {
        QTest::addColumn<QString>("trigger");
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QString>("message");
        QTest::newRow("second project's sample refused")
            << "before insert on ParametersData when new.Name = 'P2' and new.Time >= '"
                   + sampleTime(5) + "'"
            << QStringList{"plain.csv", "crlf.csv"} << "警告|采集数据保存失败！";
        QTest::newRow("second project's row refused")
            << "before insert on Parameters when new.Name = 'P2'"
            << QStringList{"plain.csv", "crlf.csv"} << "警告|数据保存失败！";
        QTest::newRow("third file refused at open")
            << "" << QStringList{"plain.csv", "crlf.csv", "header_time.csv"}
            << "警告|未检测到通道！";
    }
    void failureLeavesNothing()
    {
        QFETCH(QString, trigger);
        QFETCH(QStringList, files);
        QFETCH(QString, message);
        QList<PlannedInstrument> instruments;
        for (int i = 0; i < files.size(); ++i)
            instruments << instrument({0, 1, 1});
        fillPlan(settings, instruments, {"P1", "P2"}, recordStart, recordStart.addSecs(10));
        settings.acquisitionMode = QStringLiteral("导入");
        const TestDb::Sqlite3File sqlite{db};
        if (!trigger.isEmpty())
            QVERIFY(sqlite.exec("create trigger refuse " + trigger
                                + " begin select raise(abort, 'refused'); end;"));
        const QString shown = import(files);
        sqlite.exec(QStringLiteral("drop trigger if exists refuse;"));
        QCOMPARE(shown, message);
        QCOMPARE(sqlite.cell("select count(*) from ParametersData"), QStringLiteral("0"));
        QCOMPARE(sqlite.cell("select count(*) from Parameters"), QStringLiteral("0"));
        QCOMPARE(openFixtures(dir.path()), QStringList());
    }

    // The Pallu's and the Mirat's record files imported side by side: a byte-order mark and CRLF,
    // a record two seconds early passed over, one a second early taken, values in their rows'
    // units; a gap in the Pallu's recording fails the import and stores nothing.
    void importsPalluAndMirat_data()
    {
        QTest::addColumn<QString>("third");     // the time of the Pallu's third record
        QTest::addColumn<QString>("message");
        QTest::newRow("a record a second") << "10:00:02" << "提示|数据保存成功！";
        QTest::newRow("a gap") << "10:00:05" << "警告|采集数据不匹配，未能保存数据！";
    }
    void importsPalluAndMirat()
    {
        QFETCH(QString, third);
        QFETCH(QString, message);
        const QString day = QStringLiteral("\r\n2024-05-06 ");
        const QString pallu = "\xEF\xBB\xBFTime,CH01,CH02,CH03" + day + "09:59:58,9,9,9" + day
            + "09:59:59,0.0015,0,2.5" + day + "10:00:01,0.002,0,3" + day + third + ",0.0025,0,3.5";
        const QString mirat = QStringLiteral("Mirat\nV1\n时间,通道1,通道2\n2024-05-06 10:00:00,20.5,-1\n"
                                             "2024-05-06 10:00:01,20.6,-2\n2024-05-06 10:00:02,20.7,-3\n");
        for (const QString &name : {QStringLiteral("pallu.csv"), QStringLiteral("mirat.csv")}) {
            QFile out(file(name));
            QVERIFY(out.open(QIODevice::WriteOnly)
                    && out.write((name.startsWith('p') ? pallu : mirat).toUtf8()) > 0);
        }
        PlannedInstrument p = instrument({0, 0}), m = instrument({0});
        p.model = QStringLiteral("Pallu");
        p.channelNumbers = QStringList{"101", "103"};
        p.units = QStringList{"mV", "V"};
        m.model = QStringLiteral("Mirat");
        m.channelNumbers = QStringList{"102"};
        fillPlan(settings, {p, m}, {"P1"}, recordStart, recordStart.addSecs(3));
        settings.acquisitionMode = QStringLiteral("导入");
        QCOMPARE(import({"pallu.csv", "mirat.csv"}), message);
        QList<QStringList> expected;
        if (message.endsWith(QStringLiteral("数据保存成功！")))
            expected = {{"P1", sampleTime(0), "1.5,2.5,-1"}, {"P1", sampleTime(1), "2,3,-2"},
                        {"P1", sampleTime(2), "2.5,3.5,-3"}};
        QCOMPARE(rows("select Name, Time, Data from ParametersData order by rowid"), expected);
    }

    // A missing value ("nan", "inf") is stored as "nan"; a value that is no number, or a line
    // over 1 MB, fails the import.
    void importsRecordValues_data()
    {
        QTest::addColumn<QByteArray>("second");   // the second record's readings
        QTest::addColumn<QString>("stored");      // their data; empty: the import fails
        QTest::newRow("nan and inf") << QByteArray("nan,-inf, 21.5") << "nan,nan, 21.5";
        QTest::newRow("no number") << QByteArray("20,abc,21") << "";
        QTest::newRow("a line over 1 MB")
            << "20,21,22" + QByteArray(RecordFileReader::lineLimit, ' ') << "";
    }
    void importsRecordValues()
    {
        QFETCH(QByteArray, second);
        QFETCH(QString, stored);
        QVERIFY(write("values.csv", "Record,Time,Ch 101 (C) ,Ch 102 (C) ,Ch 103 (C) \n1,"
                      + sampleTime(0).toLatin1() + ",1,2,3\n2," + sampleTime(1).toLatin1() + ','
                      + second + "\n3," + sampleTime(2).toLatin1() + ",4,5,6\n"));
        fillPlan(settings, {instrument({0, 0, 0})}, {"P1"}, recordStart, recordStart.addSecs(3));
        settings.acquisitionMode = QStringLiteral("导入");
        import({"values.csv"});
        QList<QStringList> expected;
        if (!stored.isEmpty())
            expected = {{"P1", sampleTime(0), "1,2,3"}, {"P1", sampleTime(1), stored},
                        {"P1", sampleTime(2), "4,5,6"}};
        QCOMPARE(rows("select Name, Time, Data from ParametersData order by rowid"), expected);
    }

    // Two Orvex scanners started 2.5 s apart, recording every 10 s, import together at a 10 s
    // step; a record missing in one file fails the import.
    void importsInstrumentsStartedApart_data()
    {
        QTest::addColumn<int>("missing");   // the record left out of the second file; -1: none
        QTest::newRow("2.5 s apart") << -1;
        QTest::newRow("a gap in one") << 3;
    }
    void importsInstrumentsStartedApart()
    {
        QFETCH(int, missing);
        for (int f = 0; f < 2; ++f) {
            QByteArray text = "Record,Time,Ch1(℃),Ch2(℃)\r\n";
            for (int k = 0; k < 7; ++k)
                if (f == 0 || k != missing)
                    text += QByteArray::number(k + 1) + ','
                        + formatSampleTime(recordStart.addMSecs(k * 10000 + f * 2500)).toLatin1()
                        + ',' + data(k + 10 * f, {101, 102}).toLatin1() + ",\r\n";
            QVERIFY(write(QStringLiteral("orvex%1.csv").arg(f), text));
        }
        const PlannedInstrument orvex{"Orvex-NTC-V2", "网络", "127.0.0.1", "3490", {0, 0}, {}, {}, 10.0};
        fillPlan(settings, {orvex, orvex}, {"P1"}, recordStart, recordStart.addSecs(65));
        settings.acquisitionMode = QStringLiteral("导入");
        import({"orvex0.csv", "orvex1.csv"});
        QList<QStringList> expected;
        for (int k = 0; k < 6 && missing < 0; ++k)
            expected << QStringList{"P1", sampleTime(10 * k),
                                    data(k, {101, 102}) + ',' + data(k + 10, {101, 102})};
        QCOMPARE(rows("select Name, Time, Data from ParametersData order by rowid"), expected);
    }

    // A plan whose channel rows of an instrument are fewer than its configuration's channels
    // (the driver reads one value per configured channel) never shifts values: refused.
    void valueCountMismatchRefused()
    {
        fillPlan(settings, {instrument({0, 0, 0})}, {"P1"}, recordStart, recordStart.addSecs(5));
        settings.acquisitionMode = QStringLiteral("导入");
        settings.planChannels.removeLast();
        QCOMPARE(import({"plain.csv"}), QStringLiteral("警告|采集数据不匹配，未能保存数据！"));
        QCOMPARE(TestDb::Sqlite3File{db}.cell("select count(*) from ParametersData"),
                 QStringLiteral("0"));
    }

    // The form: one enabled choice button per planned instrument; a chosen file shows its name,
    // a cancelled choice keeps the earlier one.
    void fileChoice()
    {
        fillPlan(settings, {instrument({0}), instrument({0}), instrument({0})}, {"P1"},
                 recordStart, recordStart.addSecs(5));
        ParametersImport dialog;
        dialog.setSettings(&settings);
        for (int i = 1; i <= 6; ++i)
            QCOMPARE(dialog.findChild<QPushButton *>(QStringLiteral("pushButton_Choice%1").arg(i))
                         ->isEnabled(),
                     i <= 3);
        QStringList answers{file("crlf.csv"), QString()};   // choose, then cancel
        QTimer chooser;
        connect(&chooser, &QTimer::timeout, [&answers] {
            for (QWidget *w : QApplication::topLevelWidgets()) {
                auto *fileDialog = qobject_cast<QFileDialog *>(w);
                if (!fileDialog || !fileDialog->isVisible() || answers.isEmpty())
                    continue;
                const QString answer = answers.takeFirst();
                if (answer.isEmpty()) {
                    fileDialog->reject();
                } else {
                    fileDialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))
                        ->setText(answer);
                    QMetaObject::invokeMethod(fileDialog, "accept");
                }
            }
        });
        chooser.start(20);
        auto *edit = dialog.findChild<QLineEdit *>(QStringLiteral("lineEdit_Name2"));
        dialog.pt_Set2_clicked();
        QCOMPARE(edit->text(), QStringLiteral("crlf.csv"));
        dialog.pt_Set2_clicked();
        QCOMPARE(edit->text(), QStringLiteral("crlf.csv"));
        QVERIFY(answers.isEmpty());
    }
};

QTEST_MAIN(TestRecordImport)
#include "test_record_import.moc"
