// The calibration dialogs: channel choice, batches, and the source link dialog with its
// connection test against the bath stand-in over a pty.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QtTest>

#include <memory>

#include "../config/test_channelconfig_modal.h"
#include "ChannelBatch.h"
#include "ChannelScan.h"
#include "ChannelSet.h"
#include "FakeLink.h"
#include "FieldLink.h"

namespace {
ChannelRecord channel(const QString &number, const QString &type, const QString &function)
{
    ChannelRecord r;
    r.channelNumber = number;
    r.type = type;
    r.function = function;
    return r;
}

template <typename T>
T *child(QWidget *dialog, const char *name)
{
    T *widget = dialog->findChild<T *>(QLatin1String(name));
    if (!widget)
        qFatal("no widget %s", name);
    return widget;
}
} // namespace

class TestChannelDialogs : public QObject
{
    Q_OBJECT
private slots:
    void channelChoice();
    void batches_data();
    void batches();
    void linkFormFollowsTheStoredLink();
    void manualKindNeedsNoTest();
    void bathTestOverPty();
    void closingWaitsForTheTest();
};

void TestChannelDialogs::channelChoice()
{
    ModalAnswers modal;
    ChannelSet dialog;
    AcquisitionDeviceRecord a, b;
    a.channelConfig = "A";
    b.channelConfig = "B";
    dialog.fillTable({true, true, false}, {a, b, b},
                     {{channel("101", "铂电阻", "CVD"), channel("102", "铂电阻", "PT385"),
                       channel("103", "热电偶", "K")},
                      {channel("101", "铂电阻", "ITS90"), channel("102", "热敏电阻", "R(T)")},
                      {channel("101", "铂电阻", "CVD")}});
    auto *mode = child<QComboBox>(&dialog, "comboBox_Mode");
    QStringList offered;
    for (int i = 0; i < mode->count(); ++i)
        offered << mode->itemText(i);
    QCOMPARE(offered, (QStringList{"铂电阻", "热敏电阻", "热电偶"}));
    auto *table = child<QTableWidget>(&dialog, "tableWidget_List");
    QCOMPARE(table->rowCount(), 5);
    auto box = [&](int row) { return table->cellWidget(row, 0)->findChild<QCheckBox *>(); };
    // Platinum: only "ITS90" and "CVD" rows can be chosen.
    QList<bool> enabled;
    for (int row = 0; row < 5; ++row)
        enabled << box(row)->isEnabled();
    QCOMPARE(enabled, (QList<bool>{true, false, false, true, false}));

    // Nothing checked: the dialog stays open.
    child<QPushButton>(&dialog, "pushButton_OK")->click();
    QCOMPARE(modal.messages, QStringList{"请先选择需要校准的通道！"});
    QCOMPARE(dialog.result(), int(QDialog::Rejected));

    auto *all = child<QPushButton>(&dialog, "pushButton_All");
    all->click();
    QCOMPARE(all->text(), QStringLiteral("取消全选"));
    QVERIFY(box(0)->isChecked() && box(3)->isChecked() && !box(1)->isChecked());
    all->click();
    QVERIFY(!box(0)->isChecked() && !box(3)->isChecked());

    mode->setCurrentIndex(1);  // thermistor: only its "R(T)" row
    QVERIFY(!box(0)->isEnabled() && box(4)->isEnabled());
    mode->setCurrentIndex(0);
    box(0)->setChecked(true);
    box(3)->setChecked(true);
    child<QPushButton>(&dialog, "pushButton_OK")->click();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(dialog.channelType(), QStringLiteral("铂电阻"));
    QCOMPARE(dialog.selectedChannels(), (QList<QStringList>{{"101"}, {"101"}, {}}));
}

void TestChannelDialogs::batches_data()
{
    QTest::addColumn<int>("perBatch");
    QTest::addColumn<QList<QStringList>>("channels");
    QTest::addColumn<QStringList>("batchColumn");
    QTest::addColumn<int>("count");
    QTest::newRow("5 + 3 by 4") << 4
                                << QList<QStringList>{{"101", "102", "103", "104", "105"},
                                                      {"101", "102", "103"}, {}}
                                << QStringList{"1", "1", "1", "1", "2", "2", "2", "2"} << 2;
    QTest::newRow("8 by 8") << 8 << QList<QStringList>{{"1", "2", "3", "4", "5", "6", "7", "8"}}
                            << QStringList{"1", "1", "1", "1", "1", "1", "1", "1"} << 1;
    QTest::newRow("9 by 8") << 8
                            << QList<QStringList>{{"1", "2", "3", "4", "5", "6", "7", "8", "9"}}
                            << QStringList{"1", "1", "1", "1", "1", "1", "1", "1", "2"} << 2;
    QTest::newRow("none") << 4 << QList<QStringList>{{}, {}, {}} << QStringList() << 1;
}

void TestChannelDialogs::batches()
{
    QFETCH(int, perBatch);
    QFETCH(QList<QStringList>, channels);
    QFETCH(QStringList, batchColumn);
    QFETCH(int, count);
    ChannelBatch dialog;
    dialog.fillTable(perBatch, {"A", "B", "C"}, channels);
    auto *table = child<QTableWidget>(&dialog, "tableWidget_List");
    QStringList column;
    for (int row = 0; row < table->rowCount(); ++row)
        column << table->item(row, 1)->text();
    QCOMPARE(column, batchColumn);
    QCOMPARE(dialog.batchCount(), count);
    QStringList configs, expected;
    for (int row = 0; row < table->rowCount(); ++row)
        configs << table->item(row, 0)->text();
    for (int slot = 0; slot < channels.size(); ++slot)
        for (int i = 0; i < channels[slot].size(); ++i)
            expected << QString(QChar('A' + slot));
    QCOMPARE(configs, expected);
}

void TestChannelDialogs::linkFormFollowsTheStoredLink()
{
    DeviceLink link{"干式炉", "网络", "192.168.9.9", "7000"};
    ChannelScan dialog;
    dialog.setDeviceType(&link);
    auto *mode = child<QComboBox>(&dialog, "comboBox_Communication");
    QCOMPARE(mode->count(), 2);
    QCOMPARE(mode->currentText(), QStringLiteral("网络"));
    QCOMPARE(child<QLineEdit>(&dialog, "lineEdit_Com")->text(), QStringLiteral("192.168.9.9"));
    mode->setCurrentIndex(0);
    mode->setCurrentIndex(1);
    QCOMPARE(child<QLineEdit>(&dialog, "lineEdit_BaudRate")->text(), QStringLiteral("7000"));
    child<QPushButton>(&dialog, "pushButton_OK")->click();
    QCOMPARE(link.mode, QStringLiteral("网络"));
    QCOMPARE(link.portBaudRate, QStringLiteral("7000"));
}

void TestChannelDialogs::manualKindNeedsNoTest()
{
    ModalAnswers modal;
    DeviceLink link{"手动", "串口", "x", "9600"};
    ChannelScan dialog;
    dialog.setDeviceType(&link);
    QVERIFY(!dialog.linkDevice());
    child<QPushButton>(&dialog, "pushButton_Scan")->click();
    QCOMPARE(modal.messages, QStringList{"当前模式无需测试！"});
    QVERIFY(!dialog.isTesting());
    QCOMPARE(link.mode, QStringLiteral("手动"));
}

void TestChannelDialogs::bathTestOverPty()
{
    FakeLink link(QStringLiteral("fake_source.py"));
    QVERIFY(link.start("串口", {"--kind", "bath", "--late", "600"}));
    ModalAnswers modal;
    DeviceLink stored{"油槽", "串口", link.address(), "9600"};
    ChannelScan dialog;
    dialog.setDeviceType(&stored);
    dialog.show();
    // A pty is not among the machine's serial ports: put it in the list as a port would be.
    auto *ports = child<QComboBox>(&dialog, "comboBox_Com");
    ports->addItem(link.address());
    ports->setCurrentText(link.address());
    child<QComboBox>(&dialog, "comboBox_BaudRate")->setCurrentText("9600");
    auto *test = child<QPushButton>(&dialog, "pushButton_Scan");
    test->click();
    QVERIFY(!test->isEnabled());
    QVERIFY(dialog.isTesting());
    dialog.reject();  // refused while the test runs
    QVERIFY(dialog.isVisible());
    QTRY_COMPARE_WITH_TIMEOUT(modal.messages.size(), 2, 20000);
    QCOMPARE(modal.messages, (QStringList{"设备正在通讯，请稍候！", "测试成功！"}));
    QTRY_VERIFY(test->isEnabled());
    QTRY_VERIFY(!dialog.linkDevice()->isConnected());
    QCOMPARE(stored.address, link.address());
    QCOMPARE(link.fake().requests(), QStringList{"sn\r\n"});
}

void TestChannelDialogs::closingWaitsForTheTest()
{
    FakeLink link(QStringLiteral("fake_source.py"));
    QVERIFY(link.start("串口", {"--kind", "bath", "--silent"}));
    ModalAnswers modal;
    DeviceLink stored{"油槽", "串口", link.address(), "9600"};
    auto dialog = std::make_unique<ChannelScan>();
    dialog->setDeviceType(&stored);
    static_cast<FieldLink *>(dialog->linkDevice())->setWaits(20, 5);
    auto *ports = child<QComboBox>(dialog.get(), "comboBox_Com");
    ports->addItem(link.address());
    ports->setCurrentText(link.address());
    child<QPushButton>(dialog.get(), "pushButton_Scan")->click();
    QVERIFY(link.fake().waitForRequests(1, 10000));  // the test asks for the identity
    QElapsedTimer clock;
    clock.start();
    dialog.reset();  // stops the test and waits for it before the bath object goes
    QVERIFY(clock.elapsed() < 15000);
    QTest::qWait(300);
    QCOMPARE(link.fake().requests().size(), 3);  // no request after the dialog went
    QVERIFY(modal.messages.isEmpty());
}

QTEST_MAIN(TestChannelDialogs)
#include "test_channel_dialogs.moc"
