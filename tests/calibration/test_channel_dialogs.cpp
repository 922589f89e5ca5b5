// The calibration dialogs: channel choice, batches, and the source link dialog with its
// connection test against the bath stand-in over a pty (a test that is destroyed with its
// dialog: test_brelk_vobre).
#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QTableWidget>
#include <QtTest>

#include <memory>

#include "../config/test_channelconfig_modal.h"
#include "ChannelBatch.h"
#include "ChannelScan.h"
#include "ChannelSet.h"
#include "Device.h"
#include "FakeLink.h"

namespace {
ChannelRecord channel(const QString &number, const QString &type, const QString &function)
{
    ChannelRecord r;
    r.channelNumber = number;
    r.type = type;
    r.function = function;
    return r;
}

QStringList column(QTableWidget *table, int c)
{
    QStringList texts;
    for (int row = 0; row < table->rowCount(); ++row)
        texts << table->item(row, c)->text();
    return texts;
}

// A link dialog testing the bath stand-in on a pty, which is not among the machine's ports.
std::unique_ptr<ChannelScan> bathDialog(FakeLink &link, DeviceLink &stored)
{
    stored = DeviceLink{"油槽", "串口", link.address(), "9600"};
    auto dialog = std::make_unique<ChannelScan>();
    dialog->setDeviceType(&stored);
    auto *ports = dialog->findChild<QComboBox *>("comboBox_Com");
    ports->addItem(link.address());
    ports->setCurrentText(link.address());
    dialog->findChild<QComboBox *>("comboBox_BaudRate")->setCurrentText("9600");
    return dialog;
}
} // namespace

class TestChannelDialogs : public QObject
{
    Q_OBJECT
private slots:
    void channelChoice()
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
        auto *mode = dialog.findChild<QComboBox *>("comboBox_Mode");
        QCOMPARE(mode->count(), 3);
        QCOMPARE(mode->itemText(2), QStringLiteral("热电偶"));
        auto *table = dialog.findChild<QTableWidget *>("tableWidget_List");
        QCOMPARE(column(table, 1), (QStringList{"A", "A", "A", "B", "B"}));
        auto box = [&](int row) { return table->cellWidget(row, 0)->findChild<QCheckBox *>(); };
        auto *ok = dialog.findChild<QPushButton *>("pushButton_OK");
        ok->click();  // nothing checked: the dialog stays open
        QCOMPARE(modal.messages, QStringList{"请先选择需要校准的通道！"});
        QCOMPARE(dialog.result(), int(QDialog::Rejected));

        // Platinum: "全选" checks only the rows of "ITS90" and "CVD".
        auto *all = dialog.findChild<QPushButton *>("pushButton_All");
        all->click();
        QCOMPARE(all->text(), QStringLiteral("取消全选"));
        QList<bool> checked;
        for (int row = 0; row < 5; ++row)
            checked << box(row)->isChecked();
        QCOMPARE(checked, (QList<bool>{true, false, false, true, false}));
        mode->setCurrentIndex(1);  // thermistor: only its "R(T)" row
        QVERIFY(!box(0)->isEnabled() && !box(0)->isChecked() && box(4)->isEnabled());
        mode->setCurrentIndex(0);
        box(3)->setChecked(true);
        ok->click();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.channelType(), QStringLiteral("铂电阻"));
        QCOMPARE(dialog.selectedChannels(), (QList<QStringList>{{}, {"101"}, {}}));
    }

    void batches()
    {
        ChannelBatch dialog;
        dialog.fillTable(4, {"A", "B", "C"}, {{"101", "102", "103", "104", "105"}, {"101", "102", "103"}, {}});
        auto *table = dialog.findChild<QTableWidget *>("tableWidget_List");
        QCOMPARE(column(table, 1), (QStringList{"1", "1", "1", "1", "2", "2", "2", "2"}));
        QCOMPARE(column(table, 0), (QStringList{"A", "A", "A", "A", "A", "B", "B", "B"}));
        QCOMPARE(dialog.batchCount(), 2);
        dialog.fillTable(4, {"A"}, {{}});
        QCOMPARE(dialog.batchCount(), 1);
    }

    void bathTestOverPty()
    {
        FakeLink link(QStringLiteral("fake_source.py"));
        QVERIFY(link.start("串口", {"--kind", "bath", "--late", "600"}));
        ModalAnswers modal;
        DeviceLink stored;
        auto dialog = bathDialog(link, stored);
        dialog->show();
        auto *test = dialog->findChild<QPushButton *>("pushButton_Scan");
        test->click();
        QVERIFY(!test->isEnabled() && dialog->isTesting());
        dialog->reject();  // refused while the test runs
        QVERIFY(dialog->isVisible());
        QTRY_COMPARE_WITH_TIMEOUT(modal.messages.size(), 2, 20000);
        QCOMPARE(modal.messages, (QStringList{"设备正在通讯，请稍候！", "测试成功！"}));
        QTRY_VERIFY(test->isEnabled() && !dialog->linkDevice()->isConnected());
        QCOMPARE(link.fake().requests(), QStringList{"sn\r\n"});
    }
};

QTEST_MAIN(TestChannelDialogs)
#include "test_channel_dialogs.moc"
