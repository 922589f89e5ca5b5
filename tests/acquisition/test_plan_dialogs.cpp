// The acquisition plan dialogs, and the main window's chain of them, against a private copy
// of the shipped database.
#include <QComboBox>
#include <QDateTimeEdit>
#include <QDir>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QtTest>
#include <functional>

#include "Database.h"
#include "PageFactory.h"
#include "ParametersChannel.h"
#include "ParametersMode.h"
#include "SystemSettings.h"
#include "TestDb.h"

namespace {

// Answers every message box that a modal call opens and keeps "title|text" of each. Other
// dialogs that open (the acquisition button's chain) get the action kept for their class
// name, or are closed; their class names, whether they have a parent, and the dialogs
// themselves (gone once deleted) are noted.
class MessageLog : public QObject
{
public:
    MessageLog()
    {
        connect(&timer, &QTimer::timeout, this, [this]() {
            for (QWidget *w : QApplication::topLevelWidgets()) {
                auto *dialog = qobject_cast<QDialog *>(w);
                if (!dialog || !dialog->isVisible() || handled.contains(dialog))
                    continue;
                if (auto *box = qobject_cast<QMessageBox *>(dialog)) {
                    seen << box->windowTitle() + QLatin1Char('|') + box->text();
                    box->done(QMessageBox::Ok);
                    continue;
                }
                handled << dialog;
                const QString name = QString::fromLatin1(dialog->metaObject()->className());
                dialogs << name;
                withParent << (dialog->parentWidget() != nullptr);
                opened << QPointer<QDialog>(dialog);
                if (const auto action = actions.value(name))
                    action(dialog);
                else
                    dialog->reject();
            }
        });
        timer.start(10);
    }
    QStringList seen;
    QMap<QString, std::function<void(QDialog *)>> actions;
    QStringList dialogs;
    QList<bool> withParent;
    QList<QPointer<QDialog>> opened;

private:
    QList<QDialog *> handled;
    QTimer timer;
};

AcquisitionDeviceRecord device(int number, const QString &model, const QString &config)
{
    AcquisitionDeviceRecord d;
    d.number = number;
    d.model = model;
    d.serialNumber = QStringLiteral("SN%1").arg(number);
    d.scanInterval = 2;
    d.scanRate = QStringLiteral("快速");
    d.channelConfig = config;
    d.signalMode = QStringLiteral("网络");
    d.ipCom = QStringLiteral("127.0.0.1");
    d.portBaudRate = QStringLiteral("502");
    return d;
}

ChannelConfigData config(const QString &name, const QStringList &numbers,
                         const QStringList &labels, const QStringList &units)
{
    ChannelConfigData c;
    c.Name = name;
    c.Time = QStringLiteral("2024-01-01 00:00:00");
    c.Mode = QStringLiteral("Orvex-TC");
    c.ChannelCount = numbers.size();
    c.ChannelNumber = numbers;
    c.ChannelLabel = labels;
    c.Unit = units;
    for (int i = 0; i < numbers.size(); ++i) {
        c.ChannelType << QStringLiteral("热电偶");
        c.ChannelFunction << QStringLiteral("K");
        c.WireMode << QStringLiteral("二线制");
        c.MX_B_M << QStringLiteral("1");
        c.MX_B_B << QStringLiteral("0");
        for (QStringList *list : {&c.A_C0, &c.B_C1, &c.C_C2, &c.D_C3, &c.R0_C4, &c.A4_C5, &c.B4_C6})
            *list << QStringLiteral("0");
        c.LowerAlarmEnable << (i % 2 == 0);
        c.LowerAlarm << QString::number(-10 - i);
        c.UpperAlarmEnable << (i % 2 == 1);
        c.UpperAlarm << QString::number(100 + i);
    }
    c.Compensation = QStringLiteral("内部补偿");
    c.ColdJunction = QStringLiteral("0");
    return c;
}

template <class T>
T *child(QWidget *w, const char *name)
{
    return w->findChild<T *>(QLatin1String(name));
}

QComboBox *deviceBox(QWidget *w, int i)
{
    return w->findChild<QComboBox *>(QStringLiteral("comboBox_Device%1").arg(i));
}

} // namespace

class TestPlanDialogs : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();

    void modeForm();
    void modeBoxesFollowMode();
    void countsEnableFields();
    void planChecks_data();
    void planChecks();
    void planMembersAfterAccept();
    void firstConfigurationOfAName();
    void databaseFailure();

    void channelTable();
    void channelChecks_data();
    void channelChecks();
    void channelRowsAfterAccept();

    void acquisitionButtonChain_data();
    void acquisitionButtonChain();

private:
    QTemporaryDir dir;
    QString oldDir;
    SystemSettings settings;
};

void TestPlanDialogs::initTestCase()
{
    QVERIFY(dir.isValid());
    oldDir = QDir::currentPath();
    QVERIFY(QDir::setCurrent(dir.path()));
    QVERIFY(!TestDb::openFreshDefault(dir.path()).isEmpty());
    QVERIFY(insertChannelConfig(config("CfgA", {"101", "102", "103"}, {"T1", "T2", "T3"},
                                       {"℃", "℃", "V"})));
    QVERIFY(insertChannelConfig(config("CfgB", {"101", "105"}, {"T4", "T5"}, {"℃", "mV"})));
    // Stored instruments (offered in import mode); number 9 has no stored configuration.
    QVERIFY(insertAcquisitionDevice(device(1, "Orvex-TC", "CfgA")));
    QVERIFY(insertAcquisitionDevice(device(2, "Pallu", "CfgB")));
    QVERIFY(insertAcquisitionDevice(device(3, "Folen", "CfgA")));
    QVERIFY(insertAcquisitionDevice(device(9, "Dravo", "Gone")));
    // An edited file: a count far beyond the configuration's lists (a model without a driver).
    ChannelConfigData huge = config("Huge", {"101"}, {"T1"}, {"℃"});
    huge.ChannelCount = 100000000;
    QVERIFY(insertChannelConfig(huge));
    QVERIFY(insertAcquisitionDevice(device(10, "Nowhere", "Huge")));
    ParametersRecord stored;
    stored.Name = QStringLiteral("已有项目");
    stored.CreateTime = QStringLiteral("2024-01-01 00:00:00");
    QVERIFY(insertParameters(stored));
}

void TestPlanDialogs::cleanupTestCase()
{
    TestDb::closeDefault();
    QDir::setCurrent(oldDir);
}

void TestPlanDialogs::init()
{
    settings = SystemSettings();
    // Instruments that passed the instrument test (offered on line): six of them.
    settings.devices = {device(1, "Orvex-TC", "CfgA"), device(2, "Pallu", "CfgB"),
                        device(3, "Folen", "CfgA"),    device(4, "Vosk", "CfgB"),
                        device(5, "Jy18MD", "CfgA"),   device(6, "Pirl", "CfgB")};
}

void TestPlanDialogs::modeForm()
{
    ParametersMode dialog;
    QCOMPARE(dialog.windowTitle(), QStringLiteral("采集参数"));
    QCOMPARE(dialog.size(), QSize(727, 340));
    QCOMPARE(child<QPushButton>(&dialog, "pushButton_OK")->text(), QStringLiteral("下一步"));
    QDateTimeEdit *start = child<QDateTimeEdit>(&dialog, "dateTimeEdit_Start");
    QCOMPARE(start->displayFormat(), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    QCOMPARE(start->minimumDateTime(), QDateTime(QDate(2020, 1, 1), QTime(0, 0)));
    QVERIFY(qAbs(start->dateTime().secsTo(QDateTime::currentDateTime())) < 5);
    QVERIFY(!child<QLineEdit>(&dialog, "lineEdit_Name2")->isEnabled());
    QVERIFY(deviceBox(&dialog, 1)->isEnabled());
    QVERIFY(!deviceBox(&dialog, 2)->isEnabled());
    QCOMPARE(child<QComboBox>(&dialog, "comboBox_Project")->count(), 3);
    QCOMPARE(child<QComboBox>(&dialog, "comboBox_Device")->count(), 6);
}

void TestPlanDialogs::modeBoxesFollowMode()
{
    settings.devices = {device(4, "Vosk", "CfgB"), device(1, "Orvex-TC", "CfgA")};
    ParametersMode dialog;
    dialog.setSettings(&settings);
    QComboBox *mode = child<QComboBox>(&dialog, "comboBox_Mode");
    QCOMPARE(mode->count(), 2);
    QCOMPARE(mode->currentText(), QStringLiteral("在线"));
    for (int i = 1; i <= 6; ++i) {
        QComboBox *box = deviceBox(&dialog, i);
        QCOMPARE(box->count(), 2);
        QCOMPARE(box->itemText(0), QStringLiteral("4_Vosk"));
        QCOMPARE(box->itemText(1), QStringLiteral("1_Orvex-TC"));
    }
    // Import offers every stored instrument, in table order.
    mode->setCurrentIndex(1);
    QComboBox *box = deviceBox(&dialog, 3);
    QCOMPARE(box->count(), 5);
    QCOMPARE(box->itemText(0), QStringLiteral("1_Orvex-TC"));
    QCOMPARE(box->itemText(3), QStringLiteral("9_Dravo"));
    mode->setCurrentIndex(0);
    QCOMPARE(box->count(), 2);
}

void TestPlanDialogs::countsEnableFields()
{
    ParametersMode dialog;
    dialog.setSettings(&settings);
    child<QComboBox>(&dialog, "comboBox_Device")->setCurrentText("4");
    for (int i = 1; i <= 6; ++i)
        QCOMPARE(deviceBox(&dialog, i)->isEnabled(), i <= 4);
    child<QComboBox>(&dialog, "comboBox_Device")->setCurrentText("2");
    for (int i = 1; i <= 6; ++i)
        QCOMPARE(deviceBox(&dialog, i)->isEnabled(), i <= 2);
    QComboBox *projects = child<QComboBox>(&dialog, "comboBox_Project");
    projects->setCurrentText("3");
    QVERIFY(child<QLineEdit>(&dialog, "lineEdit_Name2")->isEnabled());
    QVERIFY(child<QLineEdit>(&dialog, "lineEdit_Name3")->isEnabled());
    projects->setCurrentText("2");
    QVERIFY(child<QLineEdit>(&dialog, "lineEdit_Name2")->isEnabled());
    QVERIFY(!child<QLineEdit>(&dialog, "lineEdit_Name3")->isEnabled());
    projects->setCurrentText("1");
    QVERIFY(!child<QLineEdit>(&dialog, "lineEdit_Name2")->isEnabled());
}

void TestPlanDialogs::planChecks_data()
{
    QTest::addColumn<bool>("importMode");
    QTest::addColumn<bool>("noInstruments");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QList<int>>("boxes");     // chosen index of each box; its size first
    QTest::addColumn<int>("deviceCount");     // instrument count finally set
    QTest::addColumn<int>("endOffset");       // seconds from start to end
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<bool>("accepted");

    const QString w = QStringLiteral("警告|");
    QTest::newRow("import: start equal to end") << true << false << QStringList{"P1"}
                                                << QList<int>{0} << 1 << 0
                                                << QStringList{w + "开始采集时间大于结束采集时间！"} << false;
    QTest::newRow("import: start before end") << true << false << QStringList{"P1"}
                                              << QList<int>{0} << 1 << 60 << QStringList{} << true;
    QTest::newRow("on line: start after end is fine") << false << false << QStringList{"P1"}
                                                      << QList<int>{0} << 1 << -3600
                                                      << QStringList{} << true;
    QTest::newRow("one instrument, empty list") << false << true << QStringList{"P1"}
                                                << QList<int>{-1} << 1 << 60
                                                << QStringList{w + "未选择采集设备！"} << false;
    QTest::newRow("two instruments, empty list") << false << true << QStringList{"P1"}
                                                 << QList<int>{-1, -1} << 2 << 60
                                                 << QStringList{w + "采集设备不能相同！"} << false;
    QTest::newRow("two equal instruments") << false << false << QStringList{"P1"}
                                           << QList<int>{1, 1} << 2 << 60
                                           << QStringList{w + "采集设备不能相同！"} << false;
    QTest::newRow("count lowered: box 3 ignored") << false << false << QStringList{"P1"}
                                                  << QList<int>{0, 1, 0} << 2 << 60
                                                  << QStringList{w + "采集间隔将以第一台设备为准！"}
                                                  << true;
    QTest::newRow("third name empty") << false << false << QStringList{"P1", "P2", ""}
                                      << QList<int>{0} << 1 << 60
                                      << QStringList{w + "项目信息未设置！"} << false;
    QTest::newRow("third name equals first") << false << false << QStringList{"P1", "P2", "P1"}
                                             << QList<int>{0} << 1 << 60
                                             << QStringList{w + "项目名称相同！"} << false;
    QTest::newRow("name already stored") << false << false << QStringList{"P1", "已有项目"}
                                         << QList<int>{0} << 1 << 60
                                         << QStringList{w + "项目名称已存在！"} << false;
    QTest::newRow("instrument without stored configuration")
        << true << false << QStringList{"P1"} << QList<int>{0, 3} << 2 << 60
        << QStringList{w + "采集设备9_Dravo的通道配置“Gone”不存在！"} << false;
    QTest::newRow("configuration count beyond its lists")
        << true << false << QStringList{"P1"} << QList<int>{4} << 1 << 60
        << QStringList{w + "通道配置“Huge”的通道数100000000超出其通道列表：ChannelNumber,ChannelLabel,"
                           "ChannelType,ChannelFunction,WireMode,MX+B_M,MX+B_B,A_C0,B_C1,C_C2,D_C3,"
                           "R0_C4,A4_C5,B4_C6,Unit,LowerAlarmEnable,LowerAlarm,UpperAlarmEnable,"
                           "UpperAlarm"}
        << false;
    QTest::newRow("six instruments, three projects")
        << false << false << QStringList{"P1", "P2", "P3"} << QList<int>{5, 4, 3, 2, 1, 0} << 6
        << 60 << QStringList{w + "采集间隔将以第一台设备为准！"} << true;
}

void TestPlanDialogs::planChecks()
{
    QFETCH(bool, importMode);
    QFETCH(bool, noInstruments);
    QFETCH(QStringList, names);
    QFETCH(QList<int>, boxes);
    QFETCH(int, deviceCount);
    QFETCH(int, endOffset);
    QFETCH(QStringList, messages);
    QFETCH(bool, accepted);

    if (noInstruments)
        settings.devices.clear();
    settings.projectNames = QStringList{"earlier"};
    settings.planChannels = {ChannelRow()};
    ParametersMode dialog;
    dialog.setSettings(&settings);
    if (importMode)
        child<QComboBox>(&dialog, "comboBox_Mode")->setCurrentIndex(1);
    child<QComboBox>(&dialog, "comboBox_Project")->setCurrentText(QString::number(names.size()));
    const char *nameEdits[] = {"lineEdit_Name1", "lineEdit_Name2", "lineEdit_Name3"};
    for (int i = 0; i < names.size(); ++i)
        child<QLineEdit>(&dialog, nameEdits[i])->setText(names.at(i));
    child<QComboBox>(&dialog, "comboBox_Device")->setCurrentText(QString::number(boxes.size()));
    for (int i = 0; i < boxes.size(); ++i)
        deviceBox(&dialog, i + 1)->setCurrentIndex(boxes.at(i));
    child<QComboBox>(&dialog, "comboBox_Device")->setCurrentText(QString::number(deviceCount));
    const QDateTime start(QDate(2024, 6, 1), QTime(9, 0, 0));
    child<QDateTimeEdit>(&dialog, "dateTimeEdit_Start")->setDateTime(start);
    child<QDateTimeEdit>(&dialog, "dateTimeEdit_End")->setDateTime(start.addSecs(endOffset));

    MessageLog log;
    child<QPushButton>(&dialog, "pushButton_OK")->click();
    QCOMPARE(log.seen, messages);
    QCOMPARE(dialog.result() == QDialog::Accepted, accepted);
    if (!accepted) {
        // A refused plan leaves the record as it was.
        QCOMPARE(settings.projectNames, QStringList{"earlier"});
        QVERIFY(settings.planDevices.isEmpty());
        QCOMPARE(settings.planChannels.size(), 1);
        return;
    }
    QCOMPARE(settings.acquisitionMode, importMode ? QStringLiteral("导入") : QStringLiteral("在线"));
    QCOMPARE(settings.projectNames, names);
    QCOMPARE(settings.planDevices.size(), deviceCount);
    QCOMPARE(settings.planChannelConfigs.size(), deviceCount);
    for (int k = 0; k < deviceCount; ++k)
        QCOMPARE(settings.planChannelConfigs.at(k).Name, settings.planDevices.at(k).channelConfig);
}

void TestPlanDialogs::planMembersAfterAccept()
{
    ParametersMode dialog;
    dialog.setSettings(&settings);
    child<QComboBox>(&dialog, "comboBox_Project")->setCurrentText("2");
    child<QLineEdit>(&dialog, "lineEdit_Name1")->setText("炉温A");
    child<QLineEdit>(&dialog, "lineEdit_Name2")->setText("炉温B");
    child<QLineEdit>(&dialog, "lineEdit_Name3")->setText("unused");
    child<QComboBox>(&dialog, "comboBox_Device")->setCurrentText("3");
    deviceBox(&dialog, 1)->setCurrentIndex(1);
    deviceBox(&dialog, 2)->setCurrentIndex(4);
    deviceBox(&dialog, 3)->setCurrentIndex(0);
    const QDateTime start(QDate(2024, 6, 1), QTime(9, 5, 7));
    child<QDateTimeEdit>(&dialog, "dateTimeEdit_Start")->setDateTime(start);
    child<QDateTimeEdit>(&dialog, "dateTimeEdit_End")->setDateTime(start.addDays(2));
    MessageLog log;
    dialog.pt_OK_clicked();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(settings.acquisitionMode, QStringLiteral("在线"));
    QCOMPARE(settings.planStart, QStringLiteral("2024-06-01 09:05:07"));
    QCOMPARE(settings.planEnd, QStringLiteral("2024-06-03 09:05:07"));
    QCOMPARE(settings.projectNames, (QStringList{"炉温A", "炉温B"}));
    QCOMPARE(settings.planDevices.size(), 3);
    QCOMPARE(settings.planDevices.at(0), settings.devices.at(1));
    QCOMPARE(settings.planDevices.at(1), settings.devices.at(4));
    QCOMPARE(settings.planDevices.at(2), settings.devices.at(0));
    QCOMPARE(settings.planChannelConfigs.at(0).Name, QStringLiteral("CfgB"));
    QCOMPARE(settings.planChannelConfigs.at(1).Name, QStringLiteral("CfgA"));
    QCOMPARE(settings.planChannelConfigs.at(1).ChannelLabel, (QStringList{"T1", "T2", "T3"}));
    QCOMPARE(settings.planChannelConfigs.at(2).Name, QStringLiteral("CfgA"));
}

void TestPlanDialogs::firstConfigurationOfAName()
{
    // Two stored configurations share a name: the plan takes the first the table returns.
    QVERIFY(insertChannelConfig(config("Twin", {"101", "102"}, {"A1", "A2"}, {"℃", "℃"})));
    QVERIFY(insertChannelConfig(config("Twin", {"101", "102", "103"}, {"B1", "B2", "B3"},
                                       {"V", "V", "V"})));
    settings.devices = {device(8, "Orvex-TC", "Twin")};
    ParametersMode dialog;
    dialog.setSettings(&settings);
    child<QLineEdit>(&dialog, "lineEdit_Name1")->setText("P1");
    MessageLog log;
    dialog.pt_OK_clicked();
    QVERIFY(log.seen.isEmpty());
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(settings.planChannelConfigs.size(), 1);
    QCOMPARE(settings.planChannelConfigs.at(0).ChannelLabel, (QStringList{"A1", "A2"}));
}

void TestPlanDialogs::databaseFailure()
{
    ParametersMode dialog;
    dialog.setSettings(&settings);
    child<QLineEdit>(&dialog, "lineEdit_Name1")->setText("P1");
    TestDb::closeDefault();
    MessageLog log;
    dialog.pt_OK_clicked();
    QVERIFY(openDatabaseConnection(QString(), QDir(dir.path()).filePath("DAQ-Vemka.db3")));
    QCOMPARE(log.seen, QStringList{"警告|数据库连接失败！"});
    QVERIFY(dialog.result() != QDialog::Accepted);
}

namespace {

// Two instruments (CfgA: 3 channels, CfgB: 2 channels) and the given projects.
void planTwoInstruments(SystemSettings &s, const QStringList &projects)
{
    QList<ChannelConfigData> a, b;
    QVERIFY(selectChannelConfig(a, "CfgA") && selectChannelConfig(b, "CfgB"));
    s.planDevices = {device(1, "Orvex-TC", "CfgA"), device(2, "Pallu", "CfgB")};
    s.planChannelConfigs = {a.value(0), b.value(0)};
    s.projectNames = projects;
}

} // namespace

void TestPlanDialogs::channelTable()
{
    planTwoInstruments(settings, {"P1", "P2"});
    ParametersChannel dialog;
    dialog.setSettings(&settings);
    QCOMPARE(dialog.windowTitle(), QStringLiteral("通道配置"));
    QTableWidget *table = child<QTableWidget>(&dialog, "tableWidget_List");
    QCOMPARE(table->columnCount(), 3);
    QCOMPARE(table->horizontalHeaderItem(0)->text(), QStringLiteral("设备"));
    QCOMPARE(table->horizontalHeaderItem(2)->text(), QStringLiteral("项目"));
    QCOMPARE(table->rowCount(), 5);
    QCOMPARE(table->item(0, 0)->text(), QStringLiteral("1_Orvex-TC"));
    QCOMPARE(table->item(2, 1)->text(), QStringLiteral("103"));
    QCOMPARE(table->item(4, 0)->text(), QStringLiteral("2_Pallu"));
    QCOMPARE(table->item(4, 1)->text(), QStringLiteral("105"));
    QCOMPARE(table->editTriggers(), QAbstractItemView::NoEditTriggers);
    for (int r = 0; r < 5; ++r) {
        QComboBox *box = dialog.projectBox(r);
        QVERIFY(box);
        QCOMPARE(box->count(), 2);
        QCOMPARE(box->currentText(), QStringLiteral("P1"));
        QVERIFY(table->cellWidget(r, 2)->isAncestorOf(box));
    }
}

void TestPlanDialogs::channelChecks_data()
{
    QTest::addColumn<QStringList>("projects");
    QTest::addColumn<QList<int>>("choice");     // project of each of the five rows
    QTest::addColumn<QStringList>("unitsA");    // units of CfgA's three channels
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<bool>("accepted");

    // Rows: 1-101 1-102 1-103 (CfgA units), 2-101 ℃, 2-105 mV.
    QTest::newRow("second project without channels")
        << QStringList{"P1", "P2"} << QList<int>{0, 0, 0, 0, 0} << QStringList{"℃", "℃", "℃"}
        << QStringList{"警告|项目2:未选择通道！"} << false;
    QTest::newRow("three unit kinds in one project")
        << QStringList{"P1"} << QList<int>{0, 0, 0, 0, 0} << QStringList{"℃", "℃", "V"}
        << QStringList{"警告|项目1:通道单位最多为两类！"} << false;
    QTest::newRow("two unit kinds") << QStringList{"P1", "P2"} << QList<int>{0, 0, 0, 1, 1}
                                    << QStringList{"℃", "V", "V"} << QStringList{} << true;
    QTest::newRow("two texts of one unit are two kinds")
        << QStringList{"P1", "P2"} << QList<int>{0, 0, 0, 1, 1} << QStringList{"℃", "°C", "V"}
        << QStringList{"警告|项目1:通道单位最多为两类！"} << false;
    QTest::newRow("three projects") << QStringList{"P1", "P2", "P3"}
                                    << QList<int>{2, 1, 0, 0, 1} << QStringList{"V", "V", "V"}
                                    << QStringList{} << true;
}

void TestPlanDialogs::channelChecks()
{
    QFETCH(QStringList, projects);
    QFETCH(QList<int>, choice);
    QFETCH(QStringList, unitsA);
    QFETCH(QStringList, messages);
    QFETCH(bool, accepted);

    planTwoInstruments(settings, projects);
    settings.planChannelConfigs[0].Unit = unitsA;
    ParametersChannel dialog;
    dialog.setSettings(&settings);
    for (int r = 0; r < choice.size(); ++r)
        dialog.projectBox(r)->setCurrentIndex(choice.at(r));
    MessageLog log;
    child<QPushButton>(&dialog, "pushButton_OK")->click();
    QCOMPARE(log.seen, messages);
    QCOMPARE(dialog.result() == QDialog::Accepted, accepted);
    // Also a refused attempt leaves its rows; a second attempt rebuilds them, not adds.
    QCOMPARE(settings.planChannels.size(), 5);
    dialog.pt_OK_clicked();
    QCOMPARE(settings.planChannels.size(), 5);
    for (int r = 0; r < 5; ++r)
        QCOMPARE(settings.planChannels.at(r).projectIndex, choice.at(r));
}

void TestPlanDialogs::channelRowsAfterAccept()
{
    planTwoInstruments(settings, {"P1", "P2"});
    ParametersChannel dialog;
    dialog.setSettings(&settings);
    dialog.projectBox(4)->setCurrentIndex(1);
    MessageLog log;
    dialog.pt_OK_clicked();
    QVERIFY(log.seen.isEmpty());
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(settings.planChannels.size(), 5);

    const ChannelRow &first = settings.planChannels.at(0);
    QCOMPARE(first.deviceIndex, 0);
    QCOMPARE(first.projectIndex, 0);
    QCOMPARE(first.channelName, QStringLiteral("1-101"));
    QCOMPARE(first.labelName, QStringLiteral("1-T1"));
    QCOMPARE(first.unit, QStringLiteral("℃"));
    QCOMPARE(first.lowerAlarmEnable, true);
    QCOMPARE(first.lowerAlarm, QStringLiteral("-10"));
    QCOMPARE(first.upperAlarmEnable, false);
    QCOMPARE(first.upperAlarm, QStringLiteral("100"));

    const ChannelRow &last = settings.planChannels.at(4);
    QCOMPARE(last.deviceIndex, 1);
    QCOMPARE(last.projectIndex, 1);
    QCOMPARE(last.channelName, QStringLiteral("2-105"));
    QCOMPARE(last.labelName, QStringLiteral("2-T5"));
    QCOMPARE(last.unit, QStringLiteral("mV"));
    QCOMPARE(last.upperAlarmEnable, true);
    QCOMPARE(last.upperAlarm, QStringLiteral("101"));
    QCOMPARE(settings.planChannels.at(3).channelName, QStringLiteral("2-101"));
    QCOMPARE(settings.planChannels.at(2).deviceIndex, 0);
}

namespace {

// Fills the plan dialog for an import of one project from instrument box 1 (instrument 1,
// configuration CfgA), then presses OK.
void fillImportPlan(QDialog *dialog)
{
    child<QComboBox>(dialog, "comboBox_Mode")->setCurrentIndex(1);
    child<QLineEdit>(dialog, "lineEdit_Name1")->setText(QStringLiteral("导入项目"));
    deviceBox(dialog, 1)->setCurrentIndex(0);
    const QDateTime start(QDate(2024, 3, 1), QTime(8, 0, 0));
    child<QDateTimeEdit>(dialog, "dateTimeEdit_Start")->setDateTime(start);
    child<QDateTimeEdit>(dialog, "dateTimeEdit_End")->setDateTime(start.addSecs(600));
    child<QPushButton>(dialog, "pushButton_OK")->click();
}

} // namespace

void TestPlanDialogs::acquisitionButtonChain_data()
{
    QTest::addColumn<bool>("planAccepted");
    QTest::addColumn<bool>("channelsAccepted");
    QTest::addColumn<QStringList>("dialogs");

    QTest::newRow("plan dialog closed") << false << false << QStringList{"ParametersMode"};
    QTest::newRow("channel dialog closed")
        << true << false << QStringList{"ParametersMode", "ParametersChannel"};
    QTest::newRow("import plan accepted")
        << true << true << QStringList{"ParametersMode", "ParametersChannel", "ParametersImport"};
}

void TestPlanDialogs::acquisitionButtonChain()
{
    QFETCH(bool, planAccepted);
    QFETCH(bool, channelsAccepted);
    QFETCH(QStringList, dialogs);

    settings.projectNames = QStringList{"earlier"};
    MessageLog log;
    if (planAccepted)
        log.actions.insert(QStringLiteral("ParametersMode"), fillImportPlan);
    int tableRows = -1;
    if (channelsAccepted) {
        log.actions.insert(QStringLiteral("ParametersChannel"), [&tableRows](QDialog *d) {
            tableRows = child<QTableWidget>(d, "tableWidget_List")->rowCount();
            child<QPushButton>(d, "pushButton_OK")->click();
        });
    }
    QWidget window;
    runAcquisitionChain(&settings, &window);

    QCOMPARE(log.dialogs, dialogs);
    QVERIFY(log.seen.isEmpty());
    // The dialogs stand alone and are gone once the chain returns.
    for (int i = 0; i < log.opened.size(); ++i) {
        QVERIFY(!log.withParent.at(i));
        QVERIFY(log.opened.at(i).isNull());
    }
    if (!planAccepted) {
        QCOMPARE(settings.projectNames, QStringList{"earlier"});
        QVERIFY(settings.planDevices.isEmpty());
        return;
    }
    QCOMPARE(settings.acquisitionMode, QStringLiteral("导入"));
    QCOMPARE(settings.projectNames, QStringList{"导入项目"});
    QCOMPARE(settings.planStart, QStringLiteral("2024-03-01 08:00:00"));
    QCOMPARE(settings.planEnd, QStringLiteral("2024-03-01 08:10:00"));
    QCOMPARE(settings.planDevices.size(), 1);
    QCOMPARE(settings.planDevices.at(0).number, 1);
    QCOMPARE(settings.planChannelConfigs.size(), 1);
    QCOMPARE(settings.planChannelConfigs.at(0).Name, QStringLiteral("CfgA"));
    if (!channelsAccepted) {
        QVERIFY(settings.planChannels.isEmpty());
        return;
    }
    QCOMPARE(tableRows, 3);
    QCOMPARE(settings.planChannels.size(), 3);
    QCOMPARE(settings.planChannels.at(2).channelName, QStringLiteral("1-103"));
    QCOMPARE(settings.planChannels.at(2).projectIndex, 0);
}

QTEST_MAIN(TestPlanDialogs)
#include "test_plan_dialogs.moc"
