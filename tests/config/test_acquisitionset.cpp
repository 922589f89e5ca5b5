// The instrument parameter dialog on a scripted driver: connecting, the settings shown and
// written, the baud-rate search, and what the dialog refuses.

#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QtTest>

#include <memory>

#include "AcquisitionSet.h"
#include "QWaiting.h"
#include "test_acquisitiondevice_support.h"

namespace {
QStringList items(QComboBox *combo)
{
    QStringList texts;
    for (int i = 0; i < combo->count(); ++i)
        texts << combo->itemText(i);
    return texts;
}

const QStringList kSettings{QStringLiteral("SN9"),         QStringLiteral("V2.1"),
                            QStringLiteral("0A"),          QStringLiteral("19200"),
                            QStringLiteral("10.0.0.7"),    QStringLiteral("255.255.0.0"),
                            QStringLiteral("502"),         QStringLiteral("3")};
} // namespace

class TestAcquisitionSet : public QObject
{
    Q_OBJECT

private:
    struct Fixture
    {
        Workspace ws;
        DoubleScript *script = nullptr;
        std::unique_ptr<DialogWatcher> watcher;
        std::unique_ptr<AcquisitionSet> dialog;

        QComboBox *combo(const char *n) { return child<QComboBox>(dialog.get(), n); }
        QLineEdit *edit(const char *n) { return child<QLineEdit>(dialog.get(), n); }
        QPushButton *button(const char *n) { return child<QPushButton>(dialog.get(), n); }

        // A fresh script; `prepare` adjusts it before the dialog makes its driver.
        bool create(const std::function<void(DoubleScript *)> &prepare = {},
                    const QStringList &models = {doubleModel()},
                    const QMap<QString, QString> &aliases = {})
        {
            script = installDouble();
            script->bauds = QStringList{"2400", "9600", "19200"};
            script->filters = QStringList{"0", "1", "2", "3"};
            script->settings = kSettings;
            if (prepare)
                prepare(script);
            if (!ws.open(models, aliases))
                return false;
            watcher = std::make_unique<DialogWatcher>();
            dialog = std::make_unique<AcquisitionSet>();
            dialog->show();
            combo("comboBox_Com")->clear();
            combo("comboBox_Com")->addItem(QStringLiteral("ttyDBL"));
            edit("lineEdit_IP")->setText(QStringLiteral("127.0.0.1"));
            return true;
        }
        bool waitIdle(int timeoutMs = 20000)
        {
            return QTest::qWaitFor([this] { return !dialog->isWorking() && !dialog->findChild<QWaiting *>(); },
                                   timeoutMs);
        }
        // The disconnect runs without a waiting box: its end shows on the link's button.
        bool waitDisconnected(QPushButton *linkButton)
        {
            return QTest::qWaitFor([linkButton] { return linkButton->text() == QStringLiteral("连接"); }, 20000);
        }
        void connectTcp()
        {
            button("pushButton_TCP")->click();
            QVERIFY(waitIdle());
            QCOMPARE(button("pushButton_TCP")->text(), QStringLiteral("断开"));
        }
    };

private slots:
    void initTestCase()
    {
        QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    }

    // The longest address the fields can hold shows whole, in the disabled fields too.
    void addressFieldsShowTheirWholeText()
    {
        Fixture f;
        QVERIFY(f.create([](DoubleScript *s) { s->mask = QList<bool>{false, false, false, false, false, false}; }));
        for (const char *name : {"lineEdit_IP", "lineEdit_SetIP", "lineEdit_SetMask"})
            f.edit(name)->setText(QStringLiteral("255.255.255.255"));
        f.dialog->adjustSize();
        QVERIFY(QTest::qWaitForWindowExposed(f.dialog.get()));
        QApplication::processEvents();
        QVERIFY(!f.edit("lineEdit_SetIP")->isEnabled());
        for (const char *name : {"lineEdit_IP", "lineEdit_SetIP", "lineEdit_SetMask"}) {
            QLineEdit *edit = f.edit(name);
            QStyleOptionFrame option;
            option.initFrom(edit);
            option.lineWidth = edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, edit);
            const QRect text = edit->style()->subElementRect(QStyle::SE_LineEditContents, &option, edit);
            const int needed = edit->fontMetrics().horizontalAdvance(edit->text()) + 4;  // 2 px margins
            QVERIFY2(text.width() >= needed,
                     qPrintable(QStringLiteral("%1: %2 < %3").arg(name).arg(text.width()).arg(needed)));
        }
    }

    void offersLowerCaseModuleAddresses()
    {
        Fixture f;
        QVERIFY(f.create());
        const QStringList addresses = items(f.combo("comboBox_Address"));
        QCOMPARE(addresses.size(), 254);
        QCOMPARE(addresses.first(), QStringLiteral("00"));
        QCOMPARE(addresses.at(10), QStringLiteral("0a"));
        QVERIFY(!addresses.contains(QStringLiteral("0A")));
        QCOMPARE(addresses.last(), QStringLiteral("fd"));
    }

    void modelGivesTheBaudAndFilterLists()
    {
        Fixture f;
        QVERIFY(f.create());
        QCOMPARE(items(f.combo("comboBox_BaudRate")), (QStringList{"2400", "9600", "19200"}));
        QCOMPARE(f.combo("comboBox_BaudRate")->currentText(), QStringLiteral("9600"));
        QCOMPARE(items(f.combo("comboBox_SetBaudRate")), (QStringList{"2400", "9600", "19200"}));
        QCOMPARE(items(f.combo("comboBox_Filtering")), (QStringList{"0", "1", "2", "3"}));
        QCOMPARE(f.watcher->boxes.size(), 0);
    }

    void settingMaskEnablesTheInputs_data()
    {
        QTest::addColumn<QList<bool>>("mask");
        QTest::addColumn<QList<bool>>("enabled");
        QTest::newRow("address and baud") << QList<bool>{true, true, false, false, false, false}
                                          << QList<bool>{true, true, false, false, false, false};
        QTest::newRow("network only") << QList<bool>{false, false, true, true, true, false}
                                      << QList<bool>{false, false, true, true, true, false};
        QTest::newRow("five flags change nothing") << QList<bool>{false, false, false, false, false}
                                                   << QList<bool>{true, true, true, true, true, true};
    }
    void settingMaskEnablesTheInputs()
    {
        QFETCH(QList<bool>, mask);
        QFETCH(QList<bool>, enabled);
        Fixture f;
        QVERIFY(f.create([mask](DoubleScript *s) { s->mask = mask; }));
        const QList<bool> actual{f.combo("comboBox_Address")->isEnabled(),
                                 f.combo("comboBox_SetBaudRate")->isEnabled(),
                                 f.edit("lineEdit_SetIP")->isEnabled(),
                                 f.edit("lineEdit_SetMask")->isEnabled(),
                                 f.edit("lineEdit_SetPort")->isEnabled(),
                                 f.combo("comboBox_Filtering")->isEnabled()};
        QCOMPARE(actual, enabled);
    }

    void connectShowsAndWritesTheSettings()
    {
        Fixture f;
        QVERIFY(f.create());
        f.connectTcp();
        QCOMPARE(f.watcher->boxes.size(), 0);
        QCOMPARE(f.edit("lineEdit_Serial")->text(), QStringLiteral("SN9"));
        QCOMPARE(f.edit("lineEdit_Version")->text(), QStringLiteral("V2.1"));
        // The instrument's upper-case answer selects the list's lower-case entry.
        QCOMPARE(f.combo("comboBox_Address")->currentText(), QStringLiteral("0a"));
        QCOMPARE(f.combo("comboBox_SetBaudRate")->currentText(), QStringLiteral("19200"));
        QCOMPARE(f.edit("lineEdit_SetIP")->text(), QStringLiteral("10.0.0.7"));
        QCOMPARE(f.edit("lineEdit_SetMask")->text(), QStringLiteral("255.255.0.0"));
        QCOMPARE(f.edit("lineEdit_SetPort")->text(), QStringLiteral("502"));
        QCOMPARE(f.combo("comboBox_Filtering")->currentText(), QStringLiteral("3"));
        QVERIFY(f.button("pushButton_TCP")->isEnabled());
        QVERIFY(!f.button("pushButton_Com")->isEnabled());
        QVERIFY(!f.button("pushButton_Test")->isEnabled());
        QVERIFY(!f.combo("comboBox_Mode")->isEnabled());

        f.button("pushButton_Set")->click();
        QVERIFY(f.waitIdle());
        QVERIFY(f.watcher->waitForBoxes(1));
        QCOMPARE(f.watcher->texts(), QStringList{QStringLiteral("设置成功！")});
        QCOMPARE(f.script->written, (QStringList{"0a", "19200", "10.0.0.7", "255.255.0.0", "502", "3"}));
        QVERIFY(f.button("pushButton_Set")->isEnabled());

        // Closing is refused while the link is open, by the window and by Escape.
        QVERIFY(!f.dialog->close());
        QTest::keyClick(f.dialog.get(), Qt::Key_Escape);
        QVERIFY(f.dialog->isVisible());
        QCOMPARE(f.watcher->texts().mid(1), (QStringList{"请先关闭设备！", "请先关闭设备！"}));

        f.button("pushButton_TCP")->click();
        QVERIFY(f.waitDisconnected(f.button("pushButton_TCP")));
        for (const char *name : {"pushButton_TCP", "pushButton_Com", "pushButton_Test"})
            QVERIFY2(f.button(name)->isEnabled(), name);
        QVERIFY(f.combo("comboBox_Mode")->isEnabled());
        QCOMPARE(f.script->calls.last(), QStringLiteral("close"));
        QVERIFY(f.dialog->close());
    }

    void serialConnectUsesTheChosenPortAndRate()
    {
        Fixture f;
        QVERIFY(f.create());
        f.combo("comboBox_BaudRate")->setCurrentText(QStringLiteral("2400"));
        f.button("pushButton_Com")->click();
        QVERIFY(f.waitIdle());
        QCOMPARE(f.button("pushButton_Com")->text(), QStringLiteral("断开"));
        QVERIFY(f.button("pushButton_Com")->isEnabled());
        QVERIFY(!f.button("pushButton_TCP")->isEnabled());
        QCOMPARE(f.script->openedBauds, QStringList{"2400"});
        f.button("pushButton_Com")->click();
        QVERIFY(f.waitDisconnected(f.button("pushButton_Com")));
        QVERIFY(f.button("pushButton_TCP")->isEnabled());
    }

    void writeOutcomeIsShownAsTheDriverReportedIt_data()
    {
        QTest::addColumn<bool>("result");
        QTest::addColumn<QString>("driverMessage");
        QTest::addColumn<QString>("shown");
        QTest::newRow("written") << true << "" << "设置成功！";
        QTest::newRow("driver's own success words") << true << "当前设备不支持设备设置。" << "当前设备不支持设备设置。";
        QTest::newRow("refused silently") << false << "" << "设置失败！";
        QTest::newRow("refused with a reason") << false << "address locked" << "address locked";
    }
    void writeOutcomeIsShownAsTheDriverReportedIt()
    {
        QFETCH(bool, result);
        QFETCH(QString, driverMessage);
        QFETCH(QString, shown);
        Fixture f;
        QVERIFY(f.create([&](DoubleScript *s) {
            s->writeResult = result;
            s->writeMessage = driverMessage;
        }));
        f.connectTcp();
        f.button("pushButton_Set")->click();
        QVERIFY(f.waitIdle());
        QVERIFY(f.watcher->waitForBoxes(1));
        QCOMPARE(f.watcher->texts(), QStringList{shown});
        QCOMPARE(f.watcher->boxes.first().title, QStringLiteral("提示"));
        f.button("pushButton_TCP")->click();
        QVERIFY(f.waitDisconnected(f.button("pushButton_TCP")));
    }

    void failedConnectLeavesTheLinkClosed_data()
    {
        QTest::addColumn<bool>("opens");
        QTest::addColumn<QString>("message");
        QTest::newRow("link down") << false << "设备连接失败,请退出重试！";
        QTest::newRow("settings not read") << true << "数据获取失败,请退出重试!";
    }
    void failedConnectLeavesTheLinkClosed()
    {
        QFETCH(bool, opens);
        QFETCH(QString, message);
        Fixture f;
        QVERIFY(f.create([opens](DoubleScript *s) {
            s->openResult = opens;
            s->settings.clear();
        }));
        f.button("pushButton_TCP")->click();
        QVERIFY(f.waitIdle());
        QVERIFY(f.watcher->waitForBoxes(1));
        QCOMPARE(f.watcher->texts(), QStringList{message});
        const QStringList expected = opens ? QStringList{"open", "readDeviceSettings", "close"}
                                           : QStringList{"open", "close"};
        QCOMPARE(f.script->calls, expected);
        QCOMPARE(f.button("pushButton_TCP")->text(), QStringLiteral("连接"));
        for (const char *name : {"pushButton_TCP", "pushButton_Com", "pushButton_Test"})
            QVERIFY2(f.button(name)->isEnabled(), name);
        QVERIFY(!f.dialog->collection()->isConnected());
        QVERIFY(f.dialog->close());
    }

    void baudSearchFindsTheAnsweringRate()
    {
        Fixture f;
        QVERIFY(f.create([](DoubleScript *s) { s->answerBaud = QStringLiteral("19200"); }));
        f.combo("comboBox_SetBaudRate")->setCurrentText(QStringLiteral("2400"));
        QElapsedTimer clock;
        clock.start();
        f.button("pushButton_Test")->click();
        QVERIFY(!f.button("pushButton_Test")->isEnabled());
        QVERIFY(f.waitIdle(30000));
        QVERIFY(f.watcher->waitForBoxes(1));
        // Two rates failed, each followed by a pause of a second.
        QVERIFY2(clock.elapsed() >= 1900, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(f.watcher->texts(), QStringList{QStringLiteral("测试成功。")});
        QCOMPARE(f.script->openedBauds, (QStringList{"2400", "9600", "19200"}));
        QCOMPARE(f.script->closes.load(), 3);
        QCOMPARE(f.combo("comboBox_SetBaudRate")->currentText(), QStringLiteral("19200"));
        QCOMPARE(f.edit("lineEdit_Serial")->text(), QStringLiteral("SN9"));
        QVERIFY(f.button("pushButton_Test")->isEnabled());
        QVERIFY(!f.dialog->collection()->isConnected());
    }

    void baudSearchWithoutAnswer_data()
    {
        QTest::addColumn<QStringList>("bauds");
        QTest::addColumn<int>("opens");
        QTest::newRow("empty list") << QStringList() << 0;
        QTest::newRow("nothing answers") << QStringList{"9600"} << 1;
    }
    void baudSearchWithoutAnswer()
    {
        QFETCH(QStringList, bauds);
        QFETCH(int, opens);
        Fixture f;
        QVERIFY(f.create([bauds](DoubleScript *s) {
            s->bauds = bauds;
            s->answerBaud = QStringLiteral("4800");
        }));
        f.button("pushButton_Test")->click();
        QVERIFY(f.waitIdle());
        QVERIFY(f.watcher->waitForBoxes(1));
        QCOMPARE(f.watcher->texts(), QStringList{QStringLiteral("测试失败！")});
        QCOMPARE(f.script->openedBauds.size(), opens);
        QCOMPARE(f.edit("lineEdit_Serial")->text(), QString());
    }

    void refusals()
    {
        Fixture f;
        QVERIFY(f.create());
        f.button("pushButton_Set")->click();
        for (const QString port : {"0", "65536", "abc"}) {
            f.edit("lineEdit_Port")->setText(port);
            f.button("pushButton_TCP")->click();
        }
        QCOMPARE(f.watcher->texts(), (QStringList{"请先连接设备！", "端口号必须在1到65535之间！",
                                                  "端口号必须在1到65535之间！", "端口号必须在1到65535之间！"}));
        QVERIFY(f.script->calls.isEmpty());
        QVERIFY(f.button("pushButton_TCP")->isEnabled());
    }

    void unknownModelIsNeverCalled()
    {
        Fixture f;
        QVERIFY(f.create({}, {QStringLiteral("Orvex-NTC")},
                         {{QStringLiteral("Orvex-NTC"), QStringLiteral("Orvex-NTC-V9")}}));
        QVERIFY(!f.dialog->collection());
        f.button("pushButton_TCP")->click();
        f.button("pushButton_Com")->click();
        f.button("pushButton_Test")->click();
        f.button("pushButton_Set")->click();
        const QString refused = QStringLiteral("不支持的设备型号：Orvex-NTC");
        QCOMPARE(f.watcher->texts(),
                 (QStringList{refused, refused, refused, "请先连接设备！", "请先连接设备！"}));
        QVERIFY(!f.dialog->findChild<QWaiting *>());
        QVERIFY(f.button("pushButton_TCP")->isEnabled());
        QVERIFY(f.dialog->close());
    }

    void destroyingTheDialogStopsTheWorkerFirst()
    {
        Fixture f;
        QVERIFY(f.create([](DoubleScript *s) { s->openDelayMs = 1000; }));
        f.button("pushButton_TCP")->click();
        QVERIFY(QTest::qWaitFor([&f] { return f.script->busy.load() > 0; }, 5000));
        QVERIFY(!f.dialog->close());
        f.dialog.reset();
        QCOMPARE(f.script->destroyedWhileBusy.load(), 0);
        QCOMPARE(f.script->instances.load(), 0);
        QCOMPARE(f.script->calls, (QStringList{"open", "close"}));
        QCOMPARE(f.watcher->texts(), QStringList{QStringLiteral("设备正在通讯，请稍候！")});
    }

    // Reports queued just as the dialog goes are dropped with it: no message box.
    void reportQueuedAsTheDialogGoesIsDropped()
    {
        Fixture f;
        QVERIFY(f.create([](DoubleScript *s) { s->openDelayMs = 500; }));
        f.button("pushButton_TCP")->click();
        QVERIFY(QTest::qWaitFor([&f] { return f.script->busy.load() > 0; }, 5000));
        emit f.dialog->theradGet_signals(QVector<QString>(8, QStringLiteral("x")).toList());
        emit f.dialog->therad_signals(0, false, QStringLiteral("设备连接失败,请退出重试！"));
        f.dialog.reset();
        QTest::qWait(100);
        QVERIFY(f.watcher->texts().isEmpty());
        QCOMPARE(f.script->instances.load(), 0);
    }
};

QTEST_MAIN(TestAcquisitionSet)
#include "test_acquisitionset.moc"
