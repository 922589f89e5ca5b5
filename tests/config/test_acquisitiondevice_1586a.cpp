// The instrument test and the parameter dialog end to end: the 1586A driver against the 1586A
// stand-in over loopback TCP and over a pty pair.

#include <QComboBox>
#include <QDate>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTcpServer>
#include <QtTest>

#include <memory>

#include "AcquisitionDevice.h"
#include "AcquisitionSet.h"
#include "Collection1586A.h"
#include "Database.h"
#include "FakeInstrument.h"
#include "PtyPair.h"
#include "QWaiting.h"
#include "Registry.h"
#include "SystemSettings.h"
#include "Terms.h"
#include "test_acquisitiondevice_support.h"

namespace {
const QString kIdentity = QStringLiteral("FLUKE,1586A,3489012,1.08");

// Position of the first request that starts with `head` at or after `from`; -1 when none.
int requestAt(const QStringList &requests, const QString &head, int from = 0)
{
    for (int i = from; i < requests.size(); ++i) {
        if (requests.at(i).startsWith(head))
            return i;
    }
    return -1;
}

// A TCP port on which nothing listens.
quint16 closedPort()
{
    QTcpServer server;
    server.listen(QHostAddress::LocalHost, 0);
    const quint16 port = server.serverPort();
    server.close();
    return port;
}
} // namespace

class TestAcquisitionDevice1586A : public QObject
{
    Q_OBJECT

private:
    struct Fixture
    {
        Workspace ws;
        SystemSettings settings;
        std::unique_ptr<FakeInstrument> fake;
        std::unique_ptr<PtyPair> pty;
        std::unique_ptr<DialogWatcher> watcher;
        std::unique_ptr<AcquisitionDevice> page;
        QStringList confirmed;   // rows of the confirmation dialog, "label=value"

        QComboBox *combo(const char *n) { return child<QComboBox>(page.get(), n); }
        QLineEdit *edit(const char *n) { return child<QLineEdit>(page.get(), n); }
        QPushButton *button(const char *n) { return child<QPushButton>(page.get(), n); }

        bool open()
        {
            if (!ws.open({QStringLiteral("1586A")}))
                return false;
            return insertChannelConfig(thermocoupleConfig(QStringLiteral("cfg2"), QStringLiteral("1586A"), 2));
        }
        // Starts the 1586A stand-in on TCP or on a pty pair, with extra options.
        bool startFake(bool overTcp, const QStringList &args = {})
        {
            fake = std::make_unique<FakeInstrument>(QStringLiteral("fake_1586a.py"));
            if (overTcp)
                return fake->startTcp(args);
            pty = std::make_unique<PtyPair>(ws.path());
            return pty->start() && fake->startPty(pty->instrumentEnd(), args);
        }
        // Starts the generic scripted instrument on TCP: it answers the identity query (or
        // nothing) and logs when the link opens and closes.
        bool startScripted(bool answersIdentity)
        {
            fake = std::make_unique<FakeInstrument>();
            QStringList args;
            if (answersIdentity)
                args << QStringLiteral("--reply") << QStringLiteral("*IDN?=") + kIdentity;
            else
                args << QStringLiteral("--silent");
            return fake->startTcp(args);
        }
        void createPage()
        {
            settings.dataAccuracy = 2;
            watcher = std::make_unique<DialogWatcher>();
            watcher->onDialog = [this](QDialog *d) {
                auto *table = d->findChild<QTableWidget *>();
                for (int r = 0; table && r < table->rowCount(); ++r)
                    confirmed << table->item(r, 0)->text() + "=" + table->item(r, 1)->text();
            };
            page = std::make_unique<AcquisitionDevice>();
            page->setSettings(&settings);
        }
        // The link of the started stand-in in the form (over TCP without one: a port on which
        // nothing listens).
        void fillLink(bool overTcp)
        {
            if (overTcp) {
                combo("comboBox_Communication")->setCurrentText(translateTerm(QStringLiteral("网络")));
                edit("lineEdit_Com")->setText(QStringLiteral("127.0.0.1"));
                edit("lineEdit_BaudRate")->setText(fake ? fake->portText() : QString::number(closedPort()));
            } else {
                combo("comboBox_Communication")->setCurrentText(translateTerm(QStringLiteral("串口")));
                combo("comboBox_Com")->addItem(pty->driverEnd());
                combo("comboBox_Com")->setCurrentText(pty->driverEnd());
                combo("comboBox_BaudRate")->setCurrentText(QStringLiteral("9600"));
            }
            combo("comboBox_Rate")->setCurrentText(translateTerm(QStringLiteral("快速")));
            edit("lineEdit_Interval")->setText(QStringLiteral("1"));
        }
        void selectConfig()
        {
            auto *t = child<QTableWidget>(page.get(), "tableWidget_ChannelList");
            for (int r = 0; r < t->rowCount(); ++r) {
                if (t->item(r, 0)->text() == QLatin1String("cfg2"))
                    t->selectRow(r);
            }
        }
        bool runTest(int timeoutMs = 60000)
        {
            button("pushButton_Test")->click();
            return QTest::qWaitFor([this] { return page->isNotRunning() && !page->findChild<QWaiting *>(); },
                                   timeoutMs);
        }
        int storedCount()
        {
            return ws.rows(QStringLiteral("select count(*) from AcquisitionDevice")).value(0).value(0).toInt();
        }
    };

private slots:
    void initTestCase()
    {
        QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
        // The pages' 1586A settles 20 ms after a command: the stand-in takes it at once. (The
        // built-in drivers register first.)
        QVERIFY(registeredCollectionClasses().contains("Collection1586A"));
        registerCollectionClass("Collection1586A", []() -> Collection * {
            auto *driver = new Collection1586A;
            driver->setSettleTime(20);
            return driver;
        });
    }

    void goodTestStoresTheInstrument_data()
    {
        QTest::addColumn<bool>("overTcp");
        QTest::newRow("tcp") << true;
        QTest::newRow("pty") << false;
    }
    void goodTestStoresTheInstrument()
    {
        QFETCH(bool, overTcp);
        Fixture f;
        QVERIFY(f.open());
        QVERIFY(f.startFake(overTcp));
        f.createPage();
        f.fillLink(overTcp);
        f.selectConfig();
        QVERIFY(f.runTest());
        QTest::qWait(50);

        QCOMPARE(f.watcher->boxes.size(), 0);
        QCOMPARE(f.confirmed, (QStringList{"T1=20.10℃", "T2=20.20℃"}));
        QCOMPARE(f.edit("lineEdit_SerialNumber")->text(), kIdentity);
        QCOMPARE(f.button("pushButton_Connect")->text(), QStringLiteral("已连接"));
        const auto rows = f.ws.rows(QStringLiteral("select * from AcquisitionDevice"));
        QCOMPARE(rows.size(), 1);
        QCOMPARE(rows.first().mid(1, 6), (QStringList{"1586A", kIdentity, "1", "快速", "cfg2",
                                                      overTcp ? "网络" : "串口"}));
        QCOMPARE(f.settings.devices.size(), 1);
        QCOMPARE(f.settings.devices.first().serialNumber, kIdentity);

        // What the instrument was asked, in order: identity, clock, set-up, one scan, timed
        // scanning with the form's interval.
        const QStringList asked = f.fake->requests();
        const int identity = requestAt(asked, "*IDN?");
        const int date = requestAt(asked, "SYST:DATE " + QDate::currentDate().toString("yyyy,MM,dd") + "\r\n");
        const int time = requestAt(asked, "SYST:TIME ");
        const int scan = requestAt(asked, "READ?\r\n");
        const int source = requestAt(asked, "TRIG:SOUR TIM\r\n", scan);
        QVERIFY2(identity >= 0 && identity < date && date < time && time < scan && scan < source,
                 qPrintable(asked.join(QLatin1Char('|'))));
        QCOMPARE(asked.mid(source, 4), (QStringList{"TRIG:SOUR TIM\r\n", "TRIG:TIM 1\r\n", "TRIG:COUN 0\r\n",
                                                    "DATA:CLE\r\n"}));
    }

    void connectionOnlyTestStoresNothing()
    {
        Fixture f;
        QVERIFY(f.open());
        QVERIFY(f.startScripted(true));
        f.createPage();
        f.fillLink(true);
        QVERIFY(f.runTest());
        QVERIFY(f.watcher->waitForBoxes(1));
        QCOMPARE(f.watcher->texts(), QStringList{QStringLiteral("设备测试成功！")});
        QCOMPARE(f.button("pushButton_Connect")->text(), QStringLiteral("已连接"));
        QVERIFY(f.confirmed.isEmpty());
        QCOMPARE(requestAt(f.fake->requests(), "READ?"), -1);
        QVERIFY(requestAt(f.fake->requests(), "SYST:TIME ") >= 0);
        QCOMPARE(f.storedCount(), 0);
        QVERIFY(f.fake->waitForEvent(QStringLiteral("closed")));
    }

    void failedTestsStoreNothing_data()
    {
        QTest::addColumn<bool>("listening");
        QTest::addColumn<QString>("message");
        QTest::newRow("nobody listens") << false << "设备连接失败！";
        QTest::newRow("silent instrument") << true << "获取序列号失败！";
    }
    void failedTestsStoreNothing()
    {
        QFETCH(bool, listening);
        QFETCH(QString, message);
        Fixture f;
        QVERIFY(f.open());
        if (listening)
            QVERIFY(f.startScripted(false));
        f.createPage();
        f.fillLink(true);
        f.edit("lineEdit_SerialNumber")->setText(QStringLiteral("typed"));
        f.selectConfig();
        QVERIFY(f.runTest());
        QVERIFY(f.watcher->waitForBoxes(1));
        QCOMPARE(f.watcher->texts(), QStringList{message});
        QCOMPARE(f.button("pushButton_Connect")->text(), QStringLiteral("未连接"));
        QCOMPARE(f.edit("lineEdit_SerialNumber")->text(), QStringLiteral("typed"));
        QVERIFY(f.button("pushButton_Test")->isEnabled());
        QCOMPARE(f.storedCount(), 0);
        QVERIFY(f.settings.devices.isEmpty());
        if (listening)
            QVERIFY(f.fake->waitForEvent(QStringLiteral("closed")));
    }

    // Leaving the page while the test waits for the instrument: the page waits for its
    // worker, which closes the link, before its driver goes. (Run in an AddressSanitizer
    // build, a worker left running would touch the deleted driver.)
    void closingThePageWhileTheTestRuns()
    {
        Fixture f;
        QVERIFY(f.open());
        QVERIFY(f.startScripted(false));
        f.createPage();
        f.fillLink(true);
        f.selectConfig();
        f.button("pushButton_Test")->click();
        QVERIFY(f.fake->waitForRequests(1, 10000));
        QVERIFY(!f.page->isNotRunning());
        QElapsedTimer clock;
        clock.start();
        f.page.reset();
        QVERIFY2(clock.elapsed() < 15000, qPrintable(QString::number(clock.elapsed())));
        QVERIFY(f.fake->waitForEvent(QStringLiteral("closed")));
        QTest::qWait(100);
        QCOMPARE(f.watcher->boxes.size(), 0);
        QVERIFY(f.confirmed.isEmpty());
        QCOMPARE(f.storedCount(), 0);
#ifdef VAZUV_ASAN_RUN
        // A worker left running would come back from the driver's reply time-out into the
        // deleted page and driver: give it that time while the sanitizer watches.
        QTest::qWait(4000);
#endif
    }

    void parameterDialogReadsTheIdentity_data()
    {
        QTest::addColumn<bool>("overTcp");
        QTest::newRow("tcp") << true;
        QTest::newRow("pty") << false;
    }
    void parameterDialogReadsTheIdentity()
    {
        QFETCH(bool, overTcp);
        Fixture f;
        QVERIFY(f.open());
        QVERIFY(f.startFake(overTcp));
        f.watcher = std::make_unique<DialogWatcher>();
        AcquisitionSet dialog;
        dialog.show();
        QPushButton *linkButton = child<QPushButton>(&dialog, overTcp ? "pushButton_TCP" : "pushButton_Com");
        if (overTcp) {
            child<QLineEdit>(&dialog, "lineEdit_IP")->setText(QStringLiteral("127.0.0.1"));
            child<QLineEdit>(&dialog, "lineEdit_Port")->setText(f.fake->portText());
        } else {
            QComboBox *port = child<QComboBox>(&dialog, "comboBox_Com");
            port->addItem(f.pty->driverEnd());
            port->setCurrentText(f.pty->driverEnd());
        }
        QCOMPARE(child<QComboBox>(&dialog, "comboBox_BaudRate")->currentText(), QStringLiteral("9600"));
        const auto idle = [&dialog] { return !dialog.isWorking() && !dialog.findChild<QWaiting *>(); };

        linkButton->click();
        QVERIFY(QTest::qWaitFor(idle, 30000));
        QCOMPARE(f.watcher->boxes.size(), 0);
        QCOMPARE(child<QLineEdit>(&dialog, "lineEdit_Serial")->text(), kIdentity);
        QCOMPARE(linkButton->text(), QStringLiteral("断开"));

        child<QPushButton>(&dialog, "pushButton_Set")->click();
        QVERIFY(QTest::qWaitFor(idle, 30000));
        QVERIFY(f.watcher->waitForBoxes(1));
        QCOMPARE(f.watcher->texts(), QStringList{QStringLiteral("当前设备不支持设备设置。")});

        QVERIFY(!dialog.close());
        QCOMPARE(f.watcher->texts().last(), QStringLiteral("请先关闭设备！"));

        linkButton->click();
        // The disconnect runs without a waiting box: its end shows on the button.
        QVERIFY(QTest::qWaitFor([&] { return linkButton->text() == QStringLiteral("连接"); }, 30000));
        QVERIFY(!dialog.collection()->isConnected());
        QVERIFY(dialog.close());
    }
};

QTEST_MAIN(TestAcquisitionDevice1586A)
#include "test_acquisitiondevice_1586a.moc"
