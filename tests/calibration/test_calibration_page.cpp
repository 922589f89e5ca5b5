// The calibration page: its state across a restart (read and written with the sqlite3 tool),
// the checks of the start button, and a manual calibration against the 1586A stand-in with a
// typed reference, batches, a re-sampled point and "结束".
#include "CalibrationBench.h"

#include <QCheckBox>
#include <QInputDialog>

#include <cmath>

#include "Registry.h"
#include "StubCollection.h"

namespace {
// Answers the reference input of a manual point with `t`.
std::function<void(QDialog *)> typed(double t)
{
    return [t](QDialog *d) {
        auto *input = qobject_cast<QInputDialog *>(d);
        QVERIFY(input);
        input->setDoubleValue(t);
        input->accept();
    };
}

double listValue(const QStringList &list, int i)
{
    return list.value(i).toDouble();
}

// "结束" of a manual thermocouple run: the fit inverts readings 1.002 t + 0.1 (101) and + 0.2 (102).
void endAndCheckFit(CalibrationBench &b)
{
    b.button("pushButton_Close")->click();
    QVERIFY(b.waitIdle());
    QCOMPARE(b.modal.messages, QStringList{"热电偶校准只需要2个温度点，温度点不匹配会造成校准失败!"});
    QCOMPARE(b.caption(), QStringLiteral("开始"));
    QVERIFY(b.logText().contains("校准数据保存成功！"));
    const QStringList gains = b.configColumn("[MX+B_M]"), offsets = b.configColumn("[MX+B_B]");
    for (int ch = 0; ch < 2; ++ch) {
        QVERIFY(std::fabs(listValue(gains, ch) - 1 / 1.002) < 1e-5);
        QVERIFY(std::fabs(listValue(offsets, ch) + 0.1 * (ch + 1) / 1.002) < 1e-4);
    }
}

// An instrument that answers one reading whatever number of channels it scans.
class OneReading : public StubCollection
{
public:
    bool open(QString, QString, QString) override { return connected = true; }
    bool close() override { return !(connected = false); }
    bool configureChannels(QString, QList<ChannelRecord>) override { return true; }
    bool requestValues() override { return true; }
    bool fetchValues(QStringList &values) override
    {
        values = QStringList{"1.0"};
        return true;
    }
};
} // namespace

class TestCalibrationPage : public QObject
{
    Q_OBJECT
private slots:
    void stateSurvivesARestart()
    {
        CalibrationBench b;
        QVERIFY(b.open("热电偶", "K", 2));
        b.addInstrument(2, "CAL");
        QVERIFY(b.store({{"CollectionName1", "2-CAL"}, {"CollectionState3", "true"},
                         {"FieldName", "干式炉-R"}, {"FieldMode", "网络"}, {"FieldIP", "10.0.0.9"},
                         {"CriteriaName", "干式炉-R"}, {"ChannelNumber1", "101,102"},
                         {"FieldDelay", "10"}, {"ChannelMax", "2"}, {"EditTemp1", "30"},
                         {"EditTemp2", "50"}, {"CheckTemp1", "true"}, {"ChannelName", "CAL,"},
                         {"ChannelMode", "热电偶"}, {"CalibrationCriteria", "30.0000,30.5000"},
                         {"CalibrationData1", "30.160;30.760"}}));
        b.createPage();
        QCOMPARE(b.db.cell("select count(*) from sqlite_master where name = 'ChannelCalibrationData'"),
                 QStringLiteral("1"));
        QCOMPARE(b.w<QComboBox>("comboBox_Collection1")->currentText(), QStringLiteral("2-CAL"));
        QVERIFY(b.w<QCheckBox>("checkBox_Collection3")->isChecked());
        QVERIFY(b.w<QComboBox>("comboBox_Collection3")->isEnabled());
        QVERIFY(!b.w<QComboBox>("comboBox_Collection2")->isEnabled());
        QCOMPARE(b.w<QComboBox>("comboBox_Field")->currentText(), QStringLiteral("干式炉-R"));
        QCOMPARE(b.w<QComboBox>("comboBox_Criteria")->itemText(0), QStringLiteral("干式炉-R"));
        QCOMPARE(b.w<QLineEdit>("lineEdit_Temp2")->text(), QStringLiteral("50"));
        QVERIFY(b.w<QCheckBox>("checkBox_Temp1")->isChecked());
        QCOMPARE(b.caption(), QStringLiteral("继续"));
        QCOMPARE(b.logText(), QStringLiteral("温度点1\n批次1标准：30.0000\n1_1_101:30.160\n"
                                             "批次2标准：30.5000\n2_1_102:30.760\n"));

        b.w<QLineEdit>("lineEdit_Temp4")->setText("70");
        b.w<QCheckBox>("checkBox_Collection2")->setChecked(true);
        b.page.reset();
        const QString state = "select Data from ChannelCalibration where Name = '%1'";
        QCOMPARE(b.db.cell(state.arg("EditTemp4")), QStringLiteral("70"));
        QCOMPARE(b.db.cell(state.arg("CheckTemp2")), QStringLiteral("false"));
        QCOMPARE(b.db.cell(state.arg("CollectionState2")), QStringLiteral("true"));
        QCOMPARE(b.db.cell(state.arg("ChannelMax")), QStringLiteral("2"));
        QCOMPARE(b.db.cell(state.arg("FieldIP")), QStringLiteral("10.0.0.9"));
        QCOMPARE(b.db.cell(state.arg("CalibrationCriteria")), QStringLiteral("30.0000,30.5000"));

        // More than nine stored points are not a calibration: they are dropped.
        QVERIFY(b.store({{"CalibrationCriteria", repeated(10, "1").join(';')}}));
        b.createPage();
        QCOMPARE(b.w<QLineEdit>("lineEdit_Temp4")->text(), QStringLiteral("70"));
        QCOMPARE(b.caption(), QStringLiteral("开始"));
        QCOMPARE(b.logText(), QString());
    }

    void startChecks_data()
    {
        QTest::addColumn<QString>("fieldKind");
        QTest::addColumn<QString>("criteriaKind");
        QTest::addColumn<QStringList>("points");
        QTest::addColumn<QString>("perBatch");
        QTest::addColumn<QString>("secondModel");    // instrument 2, configuration "CAL"
        QTest::addColumn<int>("slot2");              // instrument index of slot 2, -1 unused
        QTest::addColumn<QString>("message");        // the last message shown
        QTest::newRow("one instrument in two slots")
            << "手动" << "手动" << QStringList() << "8" << "1586A" << 0 << "采集设备不能相同!";
        QTest::newRow("a model without a driver")
            << "手动" << "手动" << QStringList() << "8" << "Nope" << 1 << "不支持的设备型号：Nope";
        QTest::newRow("a source with a typed reference")
            << "干式炉" << "手动" << QStringList{"30", "50"} << "8" << "1586A" << -1
            << "自动模式下标准探头不允许手动!";
        QTest::newRow("a set point that is no number")
            << "干式炉-R" << "干式炉-R" << QStringList{"30", "5-0"} << "8" << "1586A" << -1
            << "温度点2的设定值不是有效的数字!";
        QTest::newRow("a thermocouple at three set points")
            << "干式炉-R" << "干式炉-R" << QStringList{"30", "40", "50"} << "8" << "1586A" << -1
            << "热电偶校准只需要2个温度点，温度点不匹配会造成校准失败!";
        QTest::newRow("one configuration's channels twice")
            << "手动" << "手动" << QStringList() << "8" << "1586A" << 1
            << "同一通道配置的通道不能重复校准：CAL:101,CAL:102";
        QTest::newRow("batches of no channel")
            << "手动" << "手动" << QStringList() << "0" << "1586A" << -1 << "最大分批数不能小于0!";
    }
    void startChecks()
    {
        QFETCH(QString, fieldKind);
        QFETCH(QString, criteriaKind);
        QFETCH(QStringList, points);
        QFETCH(QString, perBatch);
        QFETCH(QString, secondModel);
        QFETCH(int, slot2);
        QFETCH(QString, message);
        CalibrationBench b;
        QVERIFY(b.open("热电偶", "K", 2));
        b.addInstrument(2, "CAL", secondModel);
        b.createPage();
        b.w<QComboBox>("comboBox_Field")->setCurrentText(translateTerm(fieldKind));
        b.w<QComboBox>("comboBox_Criteria")->setCurrentText(translateTerm(criteriaKind));
        b.w<QCheckBox>("checkBox_Collection2")->setChecked(slot2 >= 0);
        b.w<QComboBox>("comboBox_Collection2")->setCurrentIndex(qMax(0, slot2));
        b.setPoints(points, "", perBatch);
        b.start();
        QCOMPARE(b.modal.messages.value(b.modal.messages.size() - 1), message);
        QCOMPARE(b.caption(), QStringLiteral("开始"));
        QVERIFY(b.page->isNotRunning());
        QVERIFY(b.scanner.events().isEmpty());   // nothing was opened
    }

    // Two thermocouple channels in batches of one, the reference typed for every batch;
    // point 1 is measured again; "结束" fits and writes the gains and offsets.
    void manualRun()
    {
        CalibrationBench b;
        QVERIFY(b.open("热电偶", "K", 2));
        QVERIFY(b.store({{"FieldName", "手动"}, {"CriteriaName", "手动"}}));
        b.createPage();
        b.setPoints({}, "", "1");
        b.start();
        QTRY_COMPARE_WITH_TIMEOUT(b.caption(), QStringLiteral("暂停"), 30000);
        QVERIFY(!b.page->isNotRunning());   // the main window keeps the page
        QVERIFY(b.button("pushButton_Temp1")->isEnabled());
        QVERIFY(!b.button("pushButton_Temp2")->isEnabled());

        auto measure = [&b](const char *buttonName, double first, double second) {
            QPushButton *button = b.button(buttonName);
            QVERIFY(b.writeTemperature(first));
            b.modal.steps << typed(first);
            button->click();
            QTRY_COMPARE_WITH_TIMEOUT(button->text(), QStringLiteral("批次2"), 20000);
            QVERIFY(b.writeTemperature(second));
            b.modal.steps << typed(second);
            button->click();
            QTRY_COMPARE_WITH_TIMEOUT(button->text(), QStringLiteral("重采"), 20000);
        };
        measure("pushButton_Temp1", 30, 30.5);
        QVERIFY(b.button("pushButton_Temp2")->isEnabled());
        QVERIFY(!b.button("pushButton_Temp3")->isEnabled());
        measure("pushButton_Temp2", 50, 50);
        measure("pushButton_Temp1", 30, 30);   // replaces point 1
        const QString state = "select Data from ChannelCalibration where Name = '%1'";
        QCOMPARE(b.db.cell(state.arg("CalibrationCriteria")),
                 QStringLiteral("30.0000,30.0000;50.0000,50.0000"));

        endAndCheckFit(b);
        QCOMPARE(b.db.rows("select ChannelNumber, CalibrationData1, CalibrationData2 "
                           "from ChannelCalibrationData"),
                 (QList<QStringList>{{"1_101,1_102", "30.160;30.260", "50.200;50.300"}}));
        QVERIFY(b.scanner.waitForEvent("closed"));
        QVERIFY(!b.button("pushButton_Temp1")->isEnabled());
    }

    // A double click on a point's button (the reference typed twice) reads one batch and stops nothing.
    void doubleClickDuringABatch()
    {
        CalibrationBench b;
        QVERIFY(b.open("热电偶", "K", 2));
        QVERIFY(b.store({{"FieldName", "手动"}, {"CriteriaName", "手动"}}));
        b.createPage();
        b.page->show();
        b.setPoints({}, "", "1");   // two batches
        b.start();
        QTRY_COMPARE_WITH_TIMEOUT(b.caption(), QStringLiteral("暂停"), 30000);
        for (int point = 0; point < 2; ++point) {
            QPushButton *button = b.button(point ? "pushButton_Temp2" : "pushButton_Temp1");
            const double t = 30.0 + 20 * point;
            for (int batch = 0; batch < 2; ++batch) {
                QTRY_VERIFY_WITH_TIMEOUT(button->isEnabled(), 20000);
                QVERIFY(b.writeTemperature(t));
                b.modal.steps << typed(t) << typed(t);
                QTest::mouseClick(button, Qt::LeftButton);   // as the window system delivers a double click
                QTest::mouseDClick(button, Qt::LeftButton);
                QTest::mouseRelease(button, Qt::LeftButton);
                QCOMPARE(b.modal.steps.size(), 1);   // one reference asked for
                b.modal.steps.clear();
            }
            QTRY_COMPARE_WITH_TIMEOUT(button->text(), QStringLiteral("重采"), 20000);
        }
        QCOMPARE(b.db.cell("select Data from ChannelCalibration where Name = 'CalibrationCriteria'"),
                 QStringLiteral("30.0000,30.0000;50.0000,50.0000"));
        endAndCheckFit(b);
        QCOMPARE(b.logText().count("温度点1"), 1);   // point 1 was read once
    }

    // Fewer readings than chosen channels would move every later channel onto another's
    // data: the point fails and keeps nothing.
    void shortReadingFailsThePoint()
    {
        registeredCollectionClasses();   // the built-in drivers first, then the stand-in
        registerCollectionClass("CollectionZenk", []() -> Collection * { return new OneReading; });
        CalibrationBench b;
        QVERIFY(b.open("热电偶", "K", 2));
        b.settings.devices.first().model = "Zenk";
        QVERIFY(b.store({{"FieldName", "手动"}, {"CriteriaName", "手动"}}));
        b.createPage();
        b.setPoints({}, "", "8");
        b.start();
        QTRY_COMPARE_WITH_TIMEOUT(b.caption(), QStringLiteral("暂停"), 10000);
        b.modal.steps << typed(30);
        b.button("pushButton_Temp1")->click();
        QTRY_COMPARE_WITH_TIMEOUT(b.modal.messages.value(1), QStringLiteral("采集器数据获取失败!"), 10000);
        QCOMPARE(b.button("pushButton_Temp1")->text(), QStringLiteral("温度点1"));
        QVERIFY(!b.button("pushButton_Temp2")->isEnabled());
        QCOMPARE(b.db.cell("select Data from ChannelCalibration where Name = 'CalibrationCriteria'"),
                 QString());
    }
};

QTEST_MAIN(TestCalibrationPage)
#include "test_calibration_page.moc"
