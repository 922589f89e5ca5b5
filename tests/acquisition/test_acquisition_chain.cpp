// The acquisition button's chain of modal dialogs, as the main window runs it: each dialog
// opens only after the one before it was accepted, and none outlives the chain.
#include <QComboBox>
#include <QDateTimeEdit>
#include <QDialog>
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
#include "SystemSettings.h"
#include "TestDb.h"

namespace {

// Acts on every modal dialog the chain opens, by class name, and notes what it saw.
class ChainDriver : public QObject
{
public:
    using Action = std::function<void(QDialog *)>;

    ChainDriver()
    {
        connect(&timer, &QTimer::timeout, this, [this]() {
            for (QWidget *w : QApplication::topLevelWidgets()) {
                auto *dialog = qobject_cast<QDialog *>(w);
                if (!dialog || !dialog->isVisible() || handled.contains(dialog))
                    continue;
                const QString name = QString::fromLatin1(dialog->metaObject()->className());
                if (auto *box = qobject_cast<QMessageBox *>(dialog)) {
                    messages << box->text();
                    box->done(QMessageBox::Ok);
                    continue;
                }
                handled << dialog;
                seen << name;
                withParent << (dialog->parentWidget() != nullptr);
                dialogs << QPointer<QDialog>(dialog);
                const Action action = actions.value(name);
                if (action)
                    action(dialog);
                else
                    dialog->reject();
            }
        });
        timer.start(10);
    }

    QMap<QString, Action> actions;
    QStringList seen;
    QStringList messages;
    QList<bool> withParent;
    QList<QPointer<QDialog>> dialogs;

private:
    QList<QDialog *> handled;
    QTimer timer;
};

AcquisitionDeviceRecord instrument(int number, const QString &config)
{
    AcquisitionDeviceRecord d;
    d.number = number;
    d.model = QStringLiteral("Pallu");
    d.serialNumber = QStringLiteral("SN%1").arg(number);
    d.scanInterval = 1;
    d.scanRate = QStringLiteral("快速");
    d.channelConfig = config;
    d.signalMode = QStringLiteral("网络");
    d.ipCom = QStringLiteral("127.0.0.1");
    d.portBaudRate = QStringLiteral("502");
    return d;
}

ChannelConfigData configuration(const QString &name, int channels)
{
    ChannelConfigData c;
    c.Name = name;
    c.Time = QStringLiteral("2024-01-01 00:00:00");
    c.Mode = QStringLiteral("Pallu");
    c.ChannelCount = channels;
    for (int i = 0; i < channels; ++i) {
        c.ChannelNumber << QString::number(101 + i);
        c.ChannelLabel << QStringLiteral("T%1").arg(i + 1);
        c.Unit << QStringLiteral("℃");
        c.LowerAlarmEnable << false;
        c.LowerAlarm << QStringLiteral("0");
        c.UpperAlarmEnable << false;
        c.UpperAlarm << QStringLiteral("100");
    }
    return c;
}

// Fills the plan dialog for an import of one project from instrument box 1, then presses OK.
void fillImportPlan(QDialog *dialog)
{
    dialog->findChild<QComboBox *>(QStringLiteral("comboBox_Mode"))->setCurrentIndex(1);
    dialog->findChild<QLineEdit *>(QStringLiteral("lineEdit_Name1"))->setText(QStringLiteral("导入项目"));
    dialog->findChild<QComboBox *>(QStringLiteral("comboBox_Device1"))->setCurrentIndex(0);
    const QDateTime start(QDate(2024, 3, 1), QTime(8, 0, 0));
    dialog->findChild<QDateTimeEdit *>(QStringLiteral("dateTimeEdit_Start"))->setDateTime(start);
    dialog->findChild<QDateTimeEdit *>(QStringLiteral("dateTimeEdit_End"))->setDateTime(start.addSecs(600));
    dialog->findChild<QPushButton *>(QStringLiteral("pushButton_OK"))->click();
}

} // namespace

class TestAcquisitionChain : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void chain_data();
    void chain();

private:
    QTemporaryDir dir;
    QString oldDir;
    SystemSettings settings;
};

void TestAcquisitionChain::initTestCase()
{
    QVERIFY(dir.isValid());
    oldDir = QDir::currentPath();
    QVERIFY(QDir::setCurrent(dir.path()));
    QVERIFY(!TestDb::openFreshDefault(dir.path()).isEmpty());
    QVERIFY(insertChannelConfig(configuration(QStringLiteral("CfgChain"), 4)));
    QVERIFY(insertAcquisitionDevice(instrument(7, QStringLiteral("CfgChain"))));
}

void TestAcquisitionChain::cleanupTestCase()
{
    TestDb::closeDefault();
    QDir::setCurrent(oldDir);
}

void TestAcquisitionChain::init()
{
    settings = SystemSettings();
    settings.projectNames = QStringList{QStringLiteral("earlier")};
}

void TestAcquisitionChain::chain_data()
{
    QTest::addColumn<bool>("planAccepted");
    QTest::addColumn<bool>("channelsAccepted");
    QTest::addColumn<QStringList>("dialogs");

    QTest::newRow("plan dialog closed") << false << false << QStringList{"ParametersMode"};
    QTest::newRow("channel dialog closed")
        << true << false << QStringList{"ParametersMode", "ParametersChannel"};
    QTest::newRow("import plan accepted")
        << true << true << QStringList{"ParametersMode", "ParametersChannel"};
}

void TestAcquisitionChain::chain()
{
    QFETCH(bool, planAccepted);
    QFETCH(bool, channelsAccepted);
    QFETCH(QStringList, dialogs);

    ChainDriver driver;
    if (planAccepted)
        driver.actions.insert(QStringLiteral("ParametersMode"), fillImportPlan);
    int tableRows = -1;
    if (channelsAccepted) {
        driver.actions.insert(QStringLiteral("ParametersChannel"), [&tableRows](QDialog *d) {
            tableRows = d->findChild<QTableWidget *>(QStringLiteral("tableWidget_List"))->rowCount();
            d->findChild<QPushButton *>(QStringLiteral("pushButton_OK"))->click();
        });
    }
    QWidget window;
    runAcquisitionChain(&settings, &window);

    // Record-file import, once the program has it, follows an accepted import plan.
    if (channelsAccepted && driver.seen.size() == dialogs.size() + 1)
        dialogs << QStringLiteral("ParametersImport");
    QCOMPARE(driver.seen, dialogs);
    QVERIFY(driver.messages.isEmpty());
    // The dialogs stand alone and are gone once the chain returns.
    for (int i = 0; i < driver.dialogs.size(); ++i) {
        QVERIFY(!driver.withParent.at(i));
        QVERIFY(driver.dialogs.at(i).isNull());
    }
    if (!planAccepted) {
        QCOMPARE(settings.projectNames, QStringList{QStringLiteral("earlier")});
        QVERIFY(settings.planDevices.isEmpty());
        return;
    }
    QCOMPARE(settings.acquisitionMode, QStringLiteral("导入"));
    QCOMPARE(settings.projectNames, QStringList{QStringLiteral("导入项目")});
    QCOMPARE(settings.planStart, QStringLiteral("2024-03-01 08:00:00"));
    QCOMPARE(settings.planEnd, QStringLiteral("2024-03-01 08:10:00"));
    QCOMPARE(settings.planDevices.size(), 1);
    QCOMPARE(settings.planDevices.at(0).number, 7);
    QCOMPARE(settings.planChannelConfigs.size(), 1);
    QCOMPARE(settings.planChannelConfigs.at(0).Name, QStringLiteral("CfgChain"));
    if (!channelsAccepted) {
        QVERIFY(settings.planChannels.isEmpty());
        return;
    }
    QCOMPARE(tableRows, 4);
    QCOMPARE(settings.planChannels.size(), 4);
    QCOMPARE(settings.planChannels.at(3).channelName, QStringLiteral("1-104"));
    QCOMPARE(settings.planChannels.at(3).projectIndex, 0);
}

QTEST_MAIN(TestAcquisitionChain)
#include "test_acquisition_chain.moc"
