// The instrument list page against the database (offscreen), with the 1586A driver for the
// option lists and a scripted driver for the instrument test's outcomes.

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QtTest>

#include <memory>

#include "AcquisitionDevice.h"
#include "Database.h"
#include "ParametersTemp.h"
#include "QWaiting.h"
#include "SystemSettings.h"
#include "Terms.h"
#include "test_acquisitiondevice_support.h"

namespace {
const QString kSerial = QStringLiteral("串口");
const QString kTcp = QStringLiteral("网络");
const QString kBluetooth = QStringLiteral("蓝牙");

QStringList columnTexts(QTableWidget *table, int column)
{
    QStringList texts;
    for (int r = 0; r < table->rowCount(); ++r)
        texts << (table->item(r, column) ? table->item(r, column)->text() : QString());
    return texts;
}

QStringList rowTexts(QTableWidget *table, int row)
{
    QStringList texts;
    for (int c = 0; c < table->columnCount(); ++c)
        texts << (table->item(row, c) ? table->item(row, c)->text() : QString());
    return texts;
}

AcquisitionDeviceRecord deviceRecord(int number, const QString &serial)
{
    AcquisitionDeviceRecord r;
    r.number = number;
    r.model = QStringLiteral("1586A");
    r.serialNumber = serial;
    r.scanInterval = 2;
    r.scanRate = QStringLiteral("快速");
    r.channelConfig = QStringLiteral("cfgA");
    r.signalMode = QStringLiteral("网络");
    r.ipCom = QStringLiteral("10.0.0.5");
    r.portBaudRate = QStringLiteral("5000");
    return r;
}
} // namespace

class TestAcquisitionDevice : public QObject
{
    Q_OBJECT

private:
    // One page on a fresh working folder.
    struct Fixture
    {
        Workspace ws;
        SystemSettings settings;
        std::unique_ptr<DialogWatcher> watcher;
        std::unique_ptr<AcquisitionDevice> page;

        QComboBox *combo(const char *n) { return child<QComboBox>(page.get(), n); }
        QLineEdit *edit(const char *n) { return child<QLineEdit>(page.get(), n); }
        QPushButton *button(const char *n) { return child<QPushButton>(page.get(), n); }
        QLabel *label(const char *n) { return child<QLabel>(page.get(), n); }
        QTableWidget *instruments() { return child<QTableWidget>(page.get(), "tableWidget_AcquisitionList"); }
        QTableWidget *configs() { return child<QTableWidget>(page.get(), "tableWidget_ChannelList"); }
        QString indicator() { return button("pushButton_Connect")->text(); }

        void create()
        {
            watcher = std::make_unique<DialogWatcher>();
            page = std::make_unique<AcquisitionDevice>();
            page->setSettings(&settings);
        }
        void setLink(const QString &stored)
        {
            combo("comboBox_Communication")->setCurrentText(translateTerm(stored));
        }
        void selectConfig(const QString &name)
        {
            QTableWidget *t = configs();
            for (int r = 0; r < t->rowCount(); ++r) {
                if (t->item(r, 0)->text() == name) {
                    t->selectRow(r);
                    return;
                }
            }
            qFatal("configuration not listed");
        }
        // A form that a save accepts: TCP link, rate, interval, configuration "cfgA".
        void fillTcpForm(const QString &serial)
        {
            setLink(kTcp);
            edit("lineEdit_Com")->setText(QStringLiteral("127.0.0.1"));
            edit("lineEdit_BaudRate")->setText(QStringLiteral("5000"));
            edit("lineEdit_SerialNumber")->setText(serial);
            edit("lineEdit_Interval")->setText(QStringLiteral("1"));
            combo("comboBox_Rate")->setCurrentText(translateTerm(QStringLiteral("快速")));
            selectConfig(QStringLiteral("cfgA"));
        }
        void loadRow(int row)
        {
            instruments()->selectRow(row);
            emit instruments()->cellDoubleClicked(row, 3);
        }
        int storedCount()
        {
            return ws.rows(QStringLiteral("select count(*) from AcquisitionDevice")).value(0).value(0).toInt();
        }
        bool waitForTestEnd(int timeoutMs = 20000)
        {
            return QTest::qWaitFor([this] { return page->isNotRunning() && !page->findChild<QWaiting *>(); },
                                   timeoutMs);
        }
    };

    bool openWorkspace(Fixture &f, const QStringList &models)
    {
        if (!f.ws.open(models))
            return false;
        return insertChannelConfig(thermocoupleConfig(QStringLiteral("cfgA"), QStringLiteral("1586A"), 1));
    }

private slots:
    void initTestCase()
    {
        QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    }

    void startsWithTheModelsOptions()
    {
        Fixture f;
        QVERIFY(openWorkspace(f, {QStringLiteral("1586A")}));
        f.create();
        QCOMPARE(f.watcher->boxes.size(), 0);
        QVERIFY(f.page->collection());
        QComboBox *rate = f.combo("comboBox_Rate");
        QStringList rates;
        for (int i = 0; i < rate->count(); ++i)
            rates << rate->itemText(i);
        QCOMPARE(rates, translateList({QStringLiteral("快速"), QStringLiteral("中速"), QStringLiteral("慢速")}));
        QComboBox *link = f.combo("comboBox_Communication");
        QCOMPARE(link->count(), 2);
        QCOMPARE(untranslateTerm(link->currentText()), kSerial);
        // The serial link is shown at start.
        QCOMPARE(f.label("label_Com")->text(), QStringLiteral("串口号："));
        QVERIFY(f.edit("lineEdit_Com")->isHidden());
        QVERIFY(!f.combo("comboBox_Com")->isHidden());
        QComboBox *baud = f.combo("comboBox_BaudRate");
        QCOMPARE(baud->count(), 11);
        QCOMPARE(baud->itemText(10), QStringLiteral("230400"));
        QCOMPARE(baud->currentText(), QStringLiteral("9600"));
        QCOMPARE(f.indicator(), QStringLiteral("未连接"));
        QCOMPARE(f.instruments()->columnCount(), 10);
        QCOMPARE(f.instruments()->horizontalHeaderItem(9)->text(), QStringLiteral("Baud/Port"));
        QCOMPARE(columnTexts(f.configs(), 0), QStringList{QStringLiteral("cfgA")});
    }

    void listsStoredInstruments()
    {
        Fixture f;
        QVERIFY(openWorkspace(f, {QStringLiteral("1586A")}));
        QVERIFY(f.ws.exec(QStringLiteral(
            "insert into AcquisitionDevice values(1,'1586A','SN-A','2.5','中速','cfgA','网络','10.0.0.5','5000');"
            "insert into AcquisitionDevice values(2,'1586A','SN-B','10','快速','cfgA','串口','/dev/ttyX','9600');")));
        f.settings.devices << deviceRecord(2, QStringLiteral("SN-B"));
        f.create();
        QTableWidget *t = f.instruments();
        QCOMPARE(t->rowCount(), 2);
        QCOMPARE(rowTexts(t, 0), (QStringList{"1", "未连接", "1586A", "SN-A", "2.5", translateTerm("中速"),
                                               "cfgA", translateTerm("网络"), "10.0.0.5", "5000"}));
        QCOMPARE(rowTexts(t, 1), (QStringList{"2", "已连接", "1586A", "SN-B", "10", translateTerm("快速"),
                                               "cfgA", translateTerm("串口"), "/dev/ttyX", "9600"}));
    }

    void listsConfigurationsOfTheEmptyModelFirst()
    {
        Fixture f;
        QVERIFY(f.ws.open({QStringLiteral("1586A")}));
        QVERIFY(insertChannelConfig(thermocoupleConfig("own", "1586A", 1)));
        QVERIFY(insertChannelConfig(thermocoupleConfig("other", "Zenk", 1)));
        QVERIFY(insertChannelConfig(thermocoupleConfig("common", "空", 1)));
        f.create();
        QCOMPARE(columnTexts(f.configs(), 0), (QStringList{"common", "own"}));
        // The model "空" itself lists its configurations once.
        f.page->cb_Mode_clicked(QStringLiteral("空"));
        QCOMPARE(columnTexts(f.configs(), 0), QStringList{"common"});
    }

    void saveNumbersNewInstruments_data()
    {
        QTest::addColumn<QString>("seed");
        QTest::addColumn<int>("number");
        QTest::newRow("empty table") << QString() << 1;
        QTest::newRow("after 7") << QStringLiteral(
            "insert into AcquisitionDevice values(3,'1586A','S3','1','快速','cfgA','网络','1.1.1.1','1');"
            "insert into AcquisitionDevice values(7,'1586A','S7','1','快速','cfgA','网络','1.1.1.1','1');") << 8;
    }
    void saveNumbersNewInstruments()
    {
        QFETCH(QString, seed);
        QFETCH(int, number);
        Fixture f;
        QVERIFY(openWorkspace(f, {QStringLiteral("1586A")}));
        if (!seed.isEmpty())
            QVERIFY(f.ws.exec(seed));
        f.create();
        f.fillTcpForm(QStringLiteral("NEW-1"));
        f.button("pushButton_Save")->click();
        QCOMPARE(f.watcher->texts(), QStringList{QStringLiteral("数据保存成功！")});
        QCOMPARE(f.watcher->boxes.first().title, QStringLiteral("提示"));
        const auto rows = f.ws.rows(QStringLiteral("select * from AcquisitionDevice where SerialNumber='NEW-1'"));
        QCOMPARE(rows.size(), 1);
        QCOMPARE(rows.first(), (QStringList{QString::number(number), "1586A", "NEW-1", "1", "快速", "cfgA",
                                            "网络", "127.0.0.1", "5000"}));
        QCOMPARE(columnTexts(f.instruments(), 3).last(), QStringLiteral("NEW-1"));
        // A save without a test leaves the instrument untested.
        QVERIFY(f.settings.devices.isEmpty());
        QCOMPARE(f.indicator(), QStringLiteral("未连接"));
    }

    void saveUpdatesTheStoredRowKeepingModelAndNumber()
    {
        Fixture f;
        QVERIFY(openWorkspace(f, {QStringLiteral("1586A")}));
        QVERIFY(f.ws.exec(QStringLiteral(
            "insert into AcquisitionDevice values(5,'1586A','SN-U','2','中速','old','串口','COM1','9600');")));
        f.create();
        f.fillTcpForm(QStringLiteral("SN-U"));
        f.edit("lineEdit_Com")->setText(QStringLiteral("10.1.1.1"));
        f.edit("lineEdit_BaudRate")->setText(QStringLiteral("6000"));
        f.edit("lineEdit_Interval")->setText(QStringLiteral("3"));
        f.combo("comboBox_Rate")->setCurrentText(translateTerm(QStringLiteral("中速")));
        f.button("pushButton_Save")->click();
        QCOMPARE(f.watcher->texts(), QStringList{QStringLiteral("数据保存成功！")});
        const auto rows = f.ws.rows(QStringLiteral("select * from AcquisitionDevice"));
        QCOMPARE(rows.size(), 1);
        QCOMPARE(rows.first(), (QStringList{"5", "1586A", "SN-U", "3", "中速", "cfgA", "网络", "10.1.1.1", "6000"}));
    }

    // An instrument stored under another model is never saved with this model's configuration,
    // neither by the save button nor after a good test, and does not join the tested list.
    void saveUnderAnotherModelIsRefused()
    {
        Fixture f;
        DoubleScript *s = installDouble();
        s->values = QStringList{QStringLiteral("20")};
        QVERIFY(f.ws.open({doubleModel()}));
        QVERIFY(insertChannelConfig(thermocoupleConfig("cfgA", doubleModel(), 1)));
        const QString stored = QStringLiteral(
            "5|Vosk|DBL-1|2|中速|old|串口|COM1|9600");
        QVERIFY(f.ws.exec(QStringLiteral(
            "insert into AcquisitionDevice values(5,'Vosk','DBL-1','2','中速','old','串口','COM1','9600');")));
        f.create();
        f.fillTcpForm(QStringLiteral("DBL-1"));
        const QString refusal = QStringLiteral("序列号DBL-1已登记为Vosk型号的设备，不能以另一型号保存！");
        f.button("pushButton_Save")->click();
        QCOMPARE(f.watcher->texts(), QStringList{refusal});
        QCOMPARE(f.watcher->boxes.first().title, QStringLiteral("警告"));
        f.watcher->onDialog = [](QDialog *d) { d->reject(); };
        f.button("pushButton_Test")->click();
        QVERIFY(f.waitForTestEnd());
        QTest::qWait(50);
        QCOMPARE(f.watcher->texts(), (QStringList{refusal, refusal}));
        QCOMPARE(f.ws.rows(QStringLiteral("select * from AcquisitionDevice")).value(0).join('|'), stored);
        QVERIFY(f.settings.devices.isEmpty());
    }

    void saveRefusals_data()
    {
        QTest::addColumn<QString>("serial");
        QTest::addColumn<bool>("selectConfig");
        QTest::addColumn<QString>("rate");
        QTest::addColumn<QString>("interval");
        QTest::addColumn<QString>("port");
        QTest::addColumn<QString>("message");
        const QString ok = QStringLiteral("数据保存成功！");
        const QString badInterval = QStringLiteral("扫描间隔必须是大于0的数字！");
        const QString badPort = QStringLiteral("端口号必须在1到65535之间！");
        QTest::newRow("no serial") << "" << true << "中速" << "1" << "5000" << "请先输入序列号！";
        QTest::newRow("no configuration") << "S" << false << "中速" << "1" << "5000" << "请先选择配置文件！";
        QTest::newRow("below minimum") << "S" << true << "中速" << "0.5" << "5000"
                                       << "当前选择的配置文件最小采集间隔为：1";
        QTest::newRow("slow minimum") << "S" << true << "慢速" << "3.9" << "5000"
                                      << "当前选择的配置文件最小采集间隔为：4";
        QTest::newRow("equal to minimum") << "S" << true << "中速" << "1" << "5000" << ok;
        QTest::newRow("empty interval") << "S" << true << "快速" << "" << "5000" << badInterval;
        QTest::newRow("zero interval") << "S" << true << "快速" << "0" << "5000" << badInterval;
        QTest::newRow("unparsable interval") << "S" << true << "快速" << "1.2.3" << "5000" << badInterval;
        QTest::newRow("port zero") << "S" << true << "快速" << "1" << "0" << badPort;
        QTest::newRow("port too big") << "S" << true << "快速" << "1" << "70000" << badPort;
        QTest::newRow("highest port") << "S" << true << "快速" << "1" << "65535" << ok;
    }
    void saveRefusals()
    {
        QFETCH(QString, serial);
        QFETCH(bool, selectConfig);
        QFETCH(QString, rate);
        QFETCH(QString, interval);
        QFETCH(QString, port);
        QFETCH(QString, message);
        Fixture f;
        QVERIFY(openWorkspace(f, {QStringLiteral("1586A")}));
        f.create();
        f.fillTcpForm(serial);
        if (!selectConfig)
            f.configs()->clearSelection();
        f.combo("comboBox_Rate")->setCurrentText(translateTerm(rate));
        f.edit("lineEdit_Interval")->setText(interval);
        f.edit("lineEdit_BaudRate")->setText(port);
        f.button("pushButton_Save")->click();
        QCOMPARE(f.watcher->texts(), QStringList{message});
        const bool stored = message == QStringLiteral("数据保存成功！");
        QCOMPARE(f.watcher->boxes.first().title, stored ? QStringLiteral("提示") : QStringLiteral("警告"));
        QCOMPARE(f.storedCount(), stored ? 1 : 0);
    }

    // A stored configuration whose channel lists are shorter than its count is never handed
    // to the driver.
    void saveRefusesAConfigurationWithShortLists()
    {
        Fixture f;
        QVERIFY(openWorkspace(f, {QStringLiteral("1586A")}));
        QVERIFY(f.ws.exec(QStringLiteral(
            "insert into ChannelConfig values('short','2024-01-01 00:00:00','1586A','',2,'101,102',"
            "'T1,T2','热电偶,热电偶','K','二线制,二线制','1,1','0,0','0,0','0,0','0,0','0,0',"
            "'0,0','0,0','0,0','℃,℃','内部补偿','0','false,false','0,0','false,false','100,100');")));
        f.create();
        f.fillTcpForm(QStringLiteral("S"));
        f.selectConfig(QStringLiteral("short"));
        f.button("pushButton_Save")->click();
        QCOMPARE(f.watcher->texts(), QStringList{QStringLiteral("请先选择配置文件！")});
        QCOMPARE(f.storedCount(), 0);
    }

    // A configuration with more channels than the instrument has is neither saved nor tested.
    void configurationBeyondTheModelIsRefused()
    {
        Fixture f;
        QVERIFY(openWorkspace(f, {QStringLiteral("1586A")}));
        QVERIFY(insertChannelConfig(thermocoupleConfig(QStringLiteral("big"), QStringLiteral("空"), 46)));
        f.create();
        f.fillTcpForm(QStringLiteral("S"));
        f.selectConfig(QStringLiteral("big"));
        const QString refusal = QStringLiteral("通道配置“big”的通道数46超出设备型号1586A的通道数45！");
        f.button("pushButton_Save")->click();
        f.button("pushButton_Test")->click();
        QCOMPARE(f.watcher->texts(), (QStringList{refusal, refusal}));
        QVERIFY(f.page->isNotRunning());
        QCOMPARE(f.storedCount(), 0);
    }

    void quotedSerialNumberRoundTrip()
    {
        Fixture f;
        QVERIFY(openWorkspace(f, {QStringLiteral("1586A")}));
        f.create();
        const QString serial = QStringLiteral("SN'7");
        f.fillTcpForm(serial);
        f.button("pushButton_Save")->click();
        f.edit("lineEdit_Interval")->setText(QStringLiteral("4"));
        f.button("pushButton_Save")->click();
        QCOMPARE(f.watcher->texts(), (QStringList{"数据保存成功！", "数据保存成功！"}));
        auto rows = f.ws.rows(QStringLiteral("select SerialNumber, ScanInterval from AcquisitionDevice"));
        QCOMPARE(rows, (QList<QStringList>{{serial, "4"}}));
        f.watcher->answers << QMessageBox::Yes;
        f.button("pushButton_Delete")->click();
        QCOMPARE(f.watcher->boxes.last().text, QStringLiteral("是否删除SN'7?"));
        QCOMPARE(f.storedCount(), 0);
        QCOMPARE(f.instruments()->rowCount(), 0);
    }

    void deleteAsksFirst()
    {
        Fixture f;
        QVERIFY(openWorkspace(f, {QStringLiteral("1586A")}));
        QVERIFY(f.ws.exec(QStringLiteral(
            "insert into AcquisitionDevice values(1,'1586A','SN-X','1','快速','cfgA','网络','1.1.1.1','5000');"
            "insert into AcquisitionDevice values(2,'1586A','SN-Y','1','快速','cfgA','网络','1.1.1.2','5000');")));
        f.settings.devices << deviceRecord(1, QStringLiteral("SN-X")) << deviceRecord(2, QStringLiteral("SN-Y"));
        f.create();

        f.button("pushButton_Delete")->click();
        QCOMPARE(f.watcher->texts().last(), QStringLiteral("请先选择需要删除的文件！"));

        f.edit("lineEdit_SerialNumber")->setText(QStringLiteral("SN-X"));
        f.watcher->answers << QMessageBox::No;
        f.button("pushButton_Delete")->click();
        QCOMPARE(f.watcher->boxes.last().title, QStringLiteral("提示"));
        QCOMPARE(f.storedCount(), 2);
        QCOMPARE(f.settings.devices.size(), 2);

        f.watcher->answers << QMessageBox::Yes;
        f.button("pushButton_Delete")->click();
        QCOMPARE(f.ws.rows(QStringLiteral("select SerialNumber from AcquisitionDevice")),
                 QList<QStringList>{{"SN-Y"}});
        QCOMPARE(f.settings.devices.size(), 1);
        QCOMPARE(f.settings.devices.first().serialNumber, QStringLiteral("SN-Y"));
        QCOMPARE(columnTexts(f.instruments(), 3), QStringList{"SN-Y"});
        // The form keeps its contents.
        QCOMPARE(f.edit("lineEdit_SerialNumber")->text(), QStringLiteral("SN-X"));
    }

    void linkWidgetsFollowTheLinkType()
    {
        Fixture f;
        installDouble();
        QVERIFY(openWorkspace(f, {doubleModel()}));
        f.create();
        QCOMPARE(f.combo("comboBox_Communication")->count(), 3);

        f.setLink(kTcp);
        QCOMPARE(f.label("label_Com")->text(), QStringLiteral("IP地址："));
        QCOMPARE(f.label("label_BaudRate")->text(), QStringLiteral("端口号："));
        QVERIFY(!f.edit("lineEdit_Com")->isHidden() && !f.edit("lineEdit_BaudRate")->isHidden());
        QVERIFY(f.combo("comboBox_Com")->isHidden() && f.combo("comboBox_BaudRate")->isHidden());
        f.edit("lineEdit_Com")->setText(QStringLiteral("10.9.8.7"));

        f.setLink(kSerial);
        QCOMPARE(f.label("label_Com")->text(), QStringLiteral("串口号："));
        QCOMPARE(f.label("label_BaudRate")->text(), QStringLiteral("波特率："));
        QVERIFY(f.edit("lineEdit_Com")->isHidden() && !f.combo("comboBox_Com")->isHidden());
        f.combo("comboBox_Com")->addItem(QStringLiteral("stale-port"));

        f.setLink(kTcp);
        QCOMPARE(f.edit("lineEdit_Com")->text(), QStringLiteral("10.9.8.7"));
        f.setLink(kSerial);
        // The port list is read anew each time the serial link is chosen.
        QCOMPARE(f.combo("comboBox_Com")->findText(QStringLiteral("stale-port")), -1);

        f.setLink(kBluetooth);
        QCOMPARE(f.label("label_Com")->text(), QStringLiteral("设备名："));
        QCOMPARE(f.label("label_BaudRate")->text(), QStringLiteral("无效："));
        QVERIFY(!f.combo("comboBox_Com")->isHidden() && !f.combo("comboBox_BaudRate")->isHidden());
        QVERIFY(f.edit("lineEdit_Com")->isHidden());
    }

    void loadsARowIntoTheForm()
    {
        Fixture f;
        QVERIFY(openWorkspace(f, {QStringLiteral("1586A")}));
        QVERIFY(insertChannelConfig(thermocoupleConfig("cfgB", "1586A", 1)));
        QVERIFY(f.ws.exec(QStringLiteral(
            "insert into AcquisitionDevice values(1,'1586A','SN-TCP-LONG-SERIAL-NUMBER-0123456789','2.5','慢速','cfgB','网络','10.0.0.9','5001');"
            "insert into AcquisitionDevice values(2,'1586A','SN-COM','1','快速','gone','串口','/dev/nonexistent-port','19200');")));
        f.settings.devices << deviceRecord(1, QStringLiteral("SN-TCP-LONG-SERIAL-NUMBER-0123456789"));
        f.create();

        f.loadRow(0);
        QCOMPARE(f.edit("lineEdit_SerialNumber")->text(), QStringLiteral("SN-TCP-LONG-SERIAL-NUMBER-0123456789"));
        QCOMPARE(f.edit("lineEdit_SerialNumber")->cursorPosition(), 0);
        QCOMPARE(f.edit("lineEdit_Interval")->text(), QStringLiteral("2.5"));
        QCOMPARE(untranslateTerm(f.combo("comboBox_Rate")->currentText()), QStringLiteral("慢速"));
        QCOMPARE(untranslateTerm(f.combo("comboBox_Communication")->currentText()), kTcp);
        QVERIFY(!f.edit("lineEdit_Com")->isHidden());
        QCOMPARE(f.edit("lineEdit_Com")->text(), QStringLiteral("10.0.0.9"));
        QCOMPARE(f.edit("lineEdit_BaudRate")->text(), QStringLiteral("5001"));
        QCOMPARE(f.indicator(), QStringLiteral("已连接"));
        QCOMPARE(f.button("pushButton_Connect")->styleSheet(), QStringLiteral("background-color:rgb(0, 255, 0)"));
        const auto selected = f.configs()->selectionModel()->selectedRows();
        QCOMPARE(selected.size(), 1);
        QCOMPARE(f.configs()->item(selected.first().row(), 0)->text(), QStringLiteral("cfgB"));

        f.loadRow(1);
        QCOMPARE(untranslateTerm(f.combo("comboBox_Communication")->currentText()), kSerial);
        QVERIFY(!f.combo("comboBox_Com")->isHidden());
        QVERIFY(f.combo("comboBox_Com")->currentText() != QStringLiteral("/dev/nonexistent-port"));
        QCOMPARE(f.combo("comboBox_BaudRate")->currentText(), QStringLiteral("19200"));
        QCOMPARE(f.indicator(), QStringLiteral("未连接"));
        // Its configuration is no longer listed: none stays selected.
        QVERIFY(f.configs()->selectionModel()->selectedRows().isEmpty());
    }

    void editsMakeTheInstrumentUntested_data()
    {
        QTest::addColumn<QString>("edit");
        QTest::addColumn<bool>("joins");
        QTest::newRow("no edit") << QString() << true;
        QTest::newRow("serial number") << "serial" << false;
        QTest::newRow("address") << "address" << false;
        QTest::newRow("port") << "port" << false;
        QTest::newRow("link") << "link" << false;
    }
    void editsMakeTheInstrumentUntested()
    {
        QFETCH(QString, edit);
        QFETCH(bool, joins);
        Fixture f;
        QVERIFY(openWorkspace(f, {QStringLiteral("1586A")}));
        QVERIFY(f.ws.exec(QStringLiteral(
            "insert into AcquisitionDevice values(4,'1586A','SN-T','2','快速','cfgA','网络','10.0.0.5','5000');")));
        f.settings.devices << deviceRecord(4, QStringLiteral("SN-T"));
        f.create();
        f.loadRow(0);
        QCOMPARE(f.indicator(), QStringLiteral("已连接"));

        if (edit == QLatin1String("serial"))
            QTest::keyClick(f.edit("lineEdit_SerialNumber"), Qt::Key_9);
        else if (edit == QLatin1String("address"))
            f.edit("lineEdit_Com")->setText(QStringLiteral("10.0.0.6"));
        else if (edit == QLatin1String("port"))
            f.edit("lineEdit_BaudRate")->setText(QStringLiteral("5002"));
        else if (edit == QLatin1String("link"))
            f.setLink(kSerial);
        QCOMPARE(f.indicator(), joins ? QStringLiteral("已连接") : QStringLiteral("未连接"));

        // A changed scan interval is not part of what was tested.
        f.edit("lineEdit_Interval")->setText(QStringLiteral("7"));
        f.button("pushButton_Save")->click();
        QCOMPARE(f.watcher->texts(), QStringList{QStringLiteral("数据保存成功！")});
        QCOMPARE(f.settings.devices.size(), 1);
        QCOMPARE(f.settings.devices.first().scanInterval, joins ? 7.0 : 2.0);
    }

    void unknownModelIsRefused()
    {
        Fixture f;
        QVERIFY(f.ws.open({QStringLiteral("Orvex-NTC")},
                          {{QStringLiteral("Orvex-NTC"), QStringLiteral("Orvex-NTC-V9")}}));
        QVERIFY(insertChannelConfig(thermocoupleConfig("cfgA", "Orvex-NTC", 1)));
        f.create();
        const QString refused = QStringLiteral("不支持的设备型号：Orvex-NTC");
        QCOMPARE(f.watcher->texts(), QStringList{refused});
        QVERIFY(!f.page->collection());
        QCOMPARE(f.combo("comboBox_Rate")->count(), 0);
        QCOMPARE(f.combo("comboBox_Communication")->count(), 0);

        f.edit("lineEdit_SerialNumber")->setText(QStringLiteral("S1"));
        f.selectConfig(QStringLiteral("cfgA"));
        f.button("pushButton_Save")->click();
        f.button("pushButton_Test")->click();
        QCOMPARE(f.watcher->texts(), (QStringList{refused, refused, refused}));
        QCOMPARE(f.storedCount(), 0);
        QVERIFY(f.button("pushButton_Test")->isEnabled());
        QVERIFY(!f.page->findChild<QWaiting *>());
    }

    // ---- the instrument test on the scripted driver --------------------------------------

    void goodTestConfirmsAndSavesSilently()
    {
        Fixture f;
        DoubleScript *s = installDouble();
        s->values = QStringList{QStringLiteral("25.4"), QStringLiteral("31")};
        QVERIFY(f.ws.open({doubleModel()}));
        ChannelConfigData cfg = thermocoupleConfig("cfgA", doubleModel(), 2);
        cfg.UpperAlarmEnable = {false, true};
        cfg.UpperAlarm = QStringList{"100", "30"};
        QVERIFY(insertChannelConfig(cfg));
        f.settings.dataAccuracy = 2;
        f.create();
        QStringList shown;
        f.watcher->onDialog = [&shown](QDialog *d) {
            auto *table = d->findChild<QTableWidget *>();
            for (int r = 0; table && r < table->rowCount(); ++r)
                shown << table->item(r, 0)->text() + "=" + table->item(r, 1)->text();
            // Closed with its own button: the instrument is stored all the same.
            d->findChild<QPushButton *>(QStringLiteral("pushButton_OK"))->click();
        };
        f.fillTcpForm(QString());
        f.button("pushButton_Test")->click();
        QVERIFY(f.page->findChild<QWaiting *>());
        QVERIFY(!f.button("pushButton_Test")->isEnabled());
        QVERIFY(f.waitForTestEnd());
        QCOMPARE(f.watcher->dialogs, QStringList{QStringLiteral("ParametersTemp")});
        QCOMPARE(shown, (QStringList{"T1=25.40℃", "T2=31.00℃"}));
        QCOMPARE(f.watcher->boxes.size(), 0);
        QCOMPARE(s->calls, (QStringList{"open", "readSerialNumber", "setDeviceTime", "configureChannels",
                                        "readValues", "setScanInterval", "close"}));
        QCOMPARE(f.edit("lineEdit_SerialNumber")->text(), QStringLiteral("DBL-1"));
        QCOMPARE(f.indicator(), QStringLiteral("已连接"));
        QVERIFY(f.button("pushButton_Test")->isEnabled());
        const auto rows = f.ws.rows(QStringLiteral("select Number, Model, SerialNumber from AcquisitionDevice"));
        QCOMPARE(rows, (QList<QStringList>{{"1", doubleModel(), "DBL-1"}}));
        QCOMPARE(f.settings.devices.size(), 1);
        QCOMPARE(f.settings.devices.first().serialNumber, QStringLiteral("DBL-1"));
        QCOMPARE(f.instruments()->item(0, 1)->text(), QStringLiteral("已连接"));
        // A later test that fails takes it off the tested instruments.
        s->failAt = QStringLiteral("readValues");
        f.button("pushButton_Test")->click();
        QVERIFY(f.waitForTestEnd());
        QVERIFY(f.settings.devices.isEmpty());
        QCOMPARE(f.instruments()->item(0, 1)->text(), QStringLiteral("未连接"));
    }

    void testOutcomesWithoutSaving_data()
    {
        QTest::addColumn<QString>("failAt");
        QTest::addColumn<int>("channels");   // configuration of that many channels, 0: none chosen
        QTest::addColumn<double>("minimum");
        QTest::addColumn<QString>("message"); // empty: no message box
        QTest::addColumn<bool>("green");
        QTest::newRow("open") << "open" << 2 << 0.5 << "设备连接失败！" << false;
        QTest::newRow("serial") << "readSerialNumber" << 2 << 0.5 << "获取序列号失败！" << false;
        QTest::newRow("clock") << "setDeviceTime" << 2 << 0.5 << "同步设备时间失败！" << false;
        QTest::newRow("channels") << "configureChannels" << 2 << 0.5 << "通道设置失败,请退出重试!" << false;
        QTest::newRow("channels named by the check")
            << "checkChannels" << 2 << 0.5 << "101:系数不是数字！" << false;
        QTest::newRow("sample") << "readValues" << 2 << 0.5 << "获取通道数据失败,请退出重试!" << false;
        QTest::newRow("interval") << "setScanInterval" << 2 << 0.5 << "采集间隔异常,请退出重试!" << false;
        QTest::newRow("connection only") << "" << 0 << 0.5 << "设备测试成功！" << true;
        QTest::newRow("count mismatch") << "" << 3 << 0.5 << "通道数不匹配！" << true;
        QTest::newRow("below minimum") << "" << 2 << 5.0 << "" << true;
    }
    void testOutcomesWithoutSaving()
    {
        QFETCH(QString, failAt);
        QFETCH(int, channels);
        QFETCH(double, minimum);
        QFETCH(QString, message);
        QFETCH(bool, green);
        Fixture f;
        DoubleScript *s = installDouble();
        s->values = QStringList{QStringLiteral("20"), QStringLiteral("21")};
        s->failAt = failAt;
        s->minInterval = minimum;
        QVERIFY(f.ws.open({doubleModel()}));
        QVERIFY(insertChannelConfig(thermocoupleConfig("cfgA", doubleModel(), channels ? channels : 1)));
        f.create();
        f.fillTcpForm(QStringLiteral("typed"));
        if (channels == 0)
            f.configs()->clearSelection();
        f.button("pushButton_Test")->click();
        QVERIFY(f.waitForTestEnd());
        QTest::qWait(50);
        QCOMPARE(f.watcher->texts(), message.isEmpty() ? QStringList() : QStringList{message});
        if (!message.isEmpty())
            QCOMPARE(f.watcher->boxes.first().title, QStringLiteral("提示"));
        QCOMPARE(f.indicator(), green ? QStringLiteral("已连接") : QStringLiteral("未连接"));
        QCOMPARE(s->calls.last(), QStringLiteral("close"));
        QCOMPARE(s->calls.contains(QStringLiteral("configureChannels")), channels != 0 && failAt != "open"
                 && failAt != "readSerialNumber" && failAt != "setDeviceTime");
        QCOMPARE(f.storedCount(), 0);
        QVERIFY(f.settings.devices.isEmpty());
        QVERIFY(f.button("pushButton_Test")->isEnabled());
        // The serial number read reaches the form only after a good test.
        QCOMPARE(f.edit("lineEdit_SerialNumber")->text(), green ? QStringLiteral("DBL-1") : QStringLiteral("typed"));
    }

    void testRefusesAnIncompleteLink_data()
    {
        QTest::addColumn<QString>("link");
        QTest::addColumn<QString>("port");
        QTest::addColumn<QString>("message");
        QTest::newRow("serial without port") << kSerial << "" << "连接信息错误！";
        QTest::newRow("tcp without port") << kTcp << "" << "连接信息错误！";
        QTest::newRow("tcp port out of range") << kTcp << "65536" << "端口号必须在1到65535之间！";
        // A stored configuration of two channels that lists one channel number.
        QTest::newRow("configuration with short lists") << kTcp << "5000" << "请先选择配置文件！";
    }
    void testRefusesAnIncompleteLink()
    {
        QFETCH(QString, link);
        QFETCH(QString, port);
        QFETCH(QString, message);
        Fixture f;
        DoubleScript *s = installDouble();
        QVERIFY(openWorkspace(f, {doubleModel()}));
        QVERIFY(f.ws.exec(QStringLiteral(
            "insert into ChannelConfig values('short','2024-01-01 00:00:00','%1','',2,'101',"
            "'T1,T2','热电偶,热电偶','K,K','二线制,二线制','1,1','0,0','0,0','0,0','0,0','0,0',"
            "'0,0','0,0','0,0','℃,℃','内部补偿','0','false,false','0,0','false,false','100,100');")
                              .arg(doubleModel())));
        f.create();
        f.setLink(link);
        f.combo("comboBox_Com")->clear();
        f.edit("lineEdit_BaudRate")->setText(port);
        f.selectConfig(QStringLiteral("short"));
        f.button("pushButton_Test")->click();
        QCOMPARE(f.watcher->texts(), QStringList{message});
        QCOMPARE(f.watcher->boxes.first().title, QStringLiteral("警告"));
        QVERIFY(f.button("pushButton_Test")->isEnabled());
        QVERIFY(!f.page->findChild<QWaiting *>());
        QVERIFY(s->calls.isEmpty());
    }

    void pageStaysWhileTheTestRuns()
    {
        Fixture f;
        DoubleScript *s = installDouble();
        s->openDelayMs = 1500;
        QVERIFY(f.ws.open({doubleModel(), QStringLiteral("1586A")}));
        f.create();
        f.page->show();
        Collection *driver = f.page->collection();
        f.setLink(kTcp);
        f.button("pushButton_Test")->click();
        QVERIFY(!f.page->isNotRunning());
        bool notRunning = true;
        QVERIFY(QMetaObject::invokeMethod(f.page.get(), "isNotRunning", Qt::DirectConnection,
                                          Q_RETURN_ARG(bool, notRunning)));
        QVERIFY(!notRunning);

        f.combo("comboBox_Mode")->setCurrentText(QStringLiteral("1586A"));
        QCOMPARE(f.combo("comboBox_Mode")->currentText(), doubleModel());
        QCOMPARE(f.page->collection(), driver);
        QVERIFY(!f.page->close());
        QVERIFY(f.page->isVisible());
        QCOMPARE(f.watcher->texts(), (QStringList{"设备测试中，请稍候！", "设备测试中，请稍候！"}));

        QVERIFY(f.waitForTestEnd());
        QVERIFY(f.watcher->waitForBoxes(3));
        QCOMPARE(f.watcher->texts().last(), QStringLiteral("设备测试成功！"));
        QVERIFY(f.page->isNotRunning());
        f.combo("comboBox_Mode")->setCurrentText(QStringLiteral("1586A"));
        QVERIFY(f.page->collection() != nullptr);
        QCOMPARE(f.combo("comboBox_Mode")->currentText(), QStringLiteral("1586A"));
        QCOMPARE(s->destroyedWhileBusy.load(), 0);
    }

    void destroyingThePageStopsTheTestFirst()
    {
        Fixture f;
        DoubleScript *s = installDouble();
        s->openDelayMs = 1000;
        QVERIFY(f.ws.open({doubleModel()}));
        f.create();
        f.setLink(kTcp);
        f.button("pushButton_Test")->click();
        QVERIFY(QTest::qWaitFor([s] { return s->busy.load() > 0; }, 5000));
        QElapsedTimer clock;
        clock.start();
        f.page.reset();
        QVERIFY(clock.elapsed() < 10000);
        QCOMPARE(s->destroyedWhileBusy.load(), 0);
        QCOMPARE(s->instances.load(), 0);
        // The worker stopped after opening: it released the link and went no further.
        QCOMPARE(s->calls, (QStringList{"open", "close"}));
        QTest::qWait(100);
        QCOMPARE(f.watcher->boxes.size(), 0);
    }

    // A report the worker queued just as the page goes (the worker ends while the page waits
    // for it) is dropped with the page: no message, no confirmation, nothing stored.
    void reportQueuedAsThePageGoesIsDropped()
    {
        Fixture f;
        DoubleScript *s = installDouble();
        s->openDelayMs = 500;
        s->values = QStringList{QStringLiteral("20.5")};
        QVERIFY(f.ws.open({doubleModel()}));
        QVERIFY(insertChannelConfig(thermocoupleConfig("cfgA", doubleModel(), 1)));
        f.create();
        f.fillTcpForm(QStringLiteral("SN-Q"));
        f.button("pushButton_Test")->click();
        QVERIFY(QTest::qWaitFor([s] { return s->busy.load() > 0; }, 5000));
        emit f.page->SetDialog_signals(QStringLiteral("设备测试成功！"), {QStringLiteral("20.5")});
        f.page.reset();
        QTest::qWait(100);
        QCOMPARE(f.watcher->boxes.size(), 0);
        QVERIFY(f.watcher->dialogs.isEmpty());
        QCOMPARE(f.storedCount(), 0);
        QVERIFY(f.settings.devices.isEmpty());
    }

    // ---- the channel confirmation dialog -------------------------------------------------

    void confirmationRows_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<int>("accuracy");
        QTest::addColumn<bool>("lowerOn");
        QTest::addColumn<QString>("lower");
        QTest::addColumn<bool>("upperOn");
        QTest::addColumn<QString>("upper");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QColor>("color");   // invalid: no colour of its own
        QTest::newRow("plain") << "25.4" << 2 << false << "30" << false << "25" << "25.40℃" << QColor();
        QTest::newRow("above upper") << "25.4" << 2 << false << "0" << true << "25" << "25.40℃" << QColor(255, 0, 0);
        QTest::newRow("below lower") << "25.4" << 2 << true << "30" << false << "25" << "25.40℃" << QColor(0, 0, 255);
        QTest::newRow("both: red wins") << "25.4" << 2 << true << "30" << true << "25" << "25.40℃" << QColor(255, 0, 0);
        QTest::newRow("at the upper limit") << "25" << 0 << false << "0" << true << "25" << "25℃" << QColor();
        QTest::newRow("rounded") << "-0.126" << 1 << false << "0" << false << "0" << "-0.1℃" << QColor();
    }
    void confirmationRows()
    {
        QFETCH(QString, value);
        QFETCH(int, accuracy);
        QFETCH(bool, lowerOn);
        QFETCH(QString, lower);
        QFETCH(bool, upperOn);
        QFETCH(QString, upper);
        QFETCH(QString, text);
        QFETCH(QColor, color);
        ChannelConfigData cfg = thermocoupleConfig("c", "1586A", 2);
        cfg.LowerAlarmEnable = {false, lowerOn};
        cfg.LowerAlarm = QStringList{"0", lower};
        cfg.UpperAlarmEnable = {false, upperOn};
        cfg.UpperAlarm = QStringList{"100", upper};
        ParametersTemp dialog;
        dialog.setValues(accuracy, cfg, {QStringLiteral("1"), value});
        auto *table = dialog.findChild<QTableWidget *>();
        QVERIFY(table);
        QCOMPARE(table->rowCount(), 2);
        QCOMPARE(table->item(1, 0)->text(), QStringLiteral("T2"));
        QCOMPARE(table->item(1, 1)->text(), text);
        QCOMPARE(int(table->item(1, 1)->textAlignment()), int(Qt::AlignHCenter | Qt::AlignVCenter));
        const QBrush brush = table->item(1, 1)->foreground();
        if (color.isValid())
            QCOMPARE(brush.color(), color);
        else
            QCOMPARE(brush.style(), Qt::NoBrush);
    }

    void confirmationWithShortLists()
    {
        ChannelConfigData cfg = thermocoupleConfig("c", "1586A", 3);
        cfg.ChannelLabel = QStringList{QStringLiteral("only")};
        cfg.Unit = QStringList{QStringLiteral("℃")};
        ParametersTemp dialog;
        dialog.setValues(1, cfg, {QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")});
        auto *table = dialog.findChild<QTableWidget *>();
        QCOMPARE(table->rowCount(), 3);
        QCOMPARE(table->item(2, 0)->text(), QString());
        QCOMPARE(table->item(2, 1)->text(), QStringLiteral("3.0"));
        QCOMPARE(dialog.size(), QSize(320, 400));
        QCOMPARE(dialog.windowTitle(), QStringLiteral("通道确认"));
    }
};

QTEST_MAIN(TestAcquisitionDevice)
#include "test_acquisitiondevice.moc"
