// The channel records an on-line run hands to its instruments: built from each planned
// instrument's channel configuration by the shared rule, and a configuration whose per-channel
// lists are shorter than its channel count refuses the run at set-up, before any instrument is
// opened, instead of setting channels up with empty texts.

#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

#include "ParametersOnLine.h"
#include "test_online_double.h"
#include "test_online_support.h"

using namespace OnlineTest;

namespace {

// The shared set-up; the test keeps a pointer to each instrument made.
struct Env : InstantEnv
{
    // Two instruments of two channels each, all channels to one project; 1 s at 500 ms.
    void plan()
    {
        QList<PlannedInstrument> instruments;
        for (int n = 1; n <= 2; ++n) {
            PlannedInstrument in;
            in.model = QStringLiteral("Instant:%1:2").arg(n);
            in.signalMode = QStringLiteral("网络");
            in.address = QStringLiteral("127.0.0.1");
            in.port = QStringLiteral("1");
            in.projectOfChannel = {0, 0};
            in.scanInterval = 0.5;
            instruments.append(in);
        }
        const QDateTime start = QDateTime::currentDateTime();
        fillPlan(settings, instruments, {QStringLiteral("P")}, start, start.addSecs(1));
    }

    // A window started on the plan, once its button reads "结束" (null when it never does).
    ParametersOnLine *runToItsEnd()
    {
        auto *w = new ParametersOnLine;
        w->setRecoveryPause(50);
        w->show();
        w->start(&settings);
        QElapsedTimer clock;
        clock.start();
        while (w->runState() != QStringLiteral("结束") && clock.elapsed() < 10000)
            QTest::qWait(10);
        if (w->runState() == QStringLiteral("结束"))
            return w;
        delete w;
        return nullptr;
    }

    int count(const QString &table) const
    {
        return rows(db, QStringLiteral("select count(*) from %1").arg(table)).value(0).value(0).toInt();
    }
};

// Drops the last entry of the per-channel list named as the table's column.
void shorten(ChannelConfigData &c, const QString &list)
{
    const QMap<QString, QStringList *> texts{
        {"ChannelNumber", &c.ChannelNumber}, {"ChannelLabel", &c.ChannelLabel},
        {"ChannelType", &c.ChannelType},     {"ChannelFunction", &c.ChannelFunction},
        {"WireMode", &c.WireMode},           {"MX+B_M", &c.MX_B_M},
        {"MX+B_B", &c.MX_B_B},               {"A_C0", &c.A_C0},
        {"B_C1", &c.B_C1},                   {"C_C2", &c.C_C2},
        {"D_C3", &c.D_C3},                   {"R0_C4", &c.R0_C4},
        {"A4_C5", &c.A4_C5},                 {"B4_C6", &c.B4_C6},
        {"Unit", &c.Unit},                   {"LowerAlarm", &c.LowerAlarm},
        {"UpperAlarm", &c.UpperAlarm}};
    if (texts.contains(list))
        texts.value(list)->removeLast();
    else if (list == QLatin1String("UpperAlarmEnable"))
        c.UpperAlarmEnable.removeLast();
    else
        QFAIL(qPrintable(QStringLiteral("no list ") + list));
}

QString information(ParametersOnLine *w)
{
    return w->findChild<QLineEdit *>(QStringLiteral("lineEdit_Information"))->text();
}

} // namespace

class TestOnlineRecords : public QObject
{
    Q_OBJECT
private slots:
    void recordsHandedToTheInstruments();
    void shortListsOfTheSecondInstrument_data();
    void shortListsOfTheSecondInstrument();
    void instrumentWithoutChannels();
};

void TestOnlineRecords::recordsHandedToTheInstruments()
{
    Env env;
    QVERIFY(!env.db.isEmpty());
    env.plan();
    ChannelConfigData &second = env.settings.planChannelConfigs[1];
    second.Compensation = QStringLiteral("固定冷端");
    second.ColdJunction = QStringLiteral("23.5");
    second.ChannelType = QStringList{"铂电阻", "空"};
    second.ChannelFunction = QStringList{"PT385", "K"};
    second.WireMode = QStringList{"四线制", "二线制"};
    second.A_C0 = QStringList{"3.9083e-3", " 0 "};
    second.B4_C6 = QStringList{"-5.775E-07", ""};
    second.MX_B_M = QStringList{" 1.5 ", "abc"};
    second.MX_B_B = QStringList{"-0.25", ""};
    second.Unit = QStringList{"Ω", "℃"};
    second.ChannelLabel.clear();   // labels are never handed to an instrument

    BoxOperator boxes;
    std::unique_ptr<ParametersOnLine> w(env.runToItsEnd());
    QVERIFY(w);
    QTRY_COMPARE(information(w.get()), QStringLiteral("采集结束。"));
    QVERIFY(boxes.seen.isEmpty());
    QCOMPARE(env.count(QStringLiteral("ParametersData")), 3);

    QCOMPARE(env.drivers->size(), 2);
    const QList<ChannelRecord> first = env.drivers->at(0)->configured;
    const QList<ChannelRecord> records = env.drivers->at(1)->configured;
    QCOMPARE(first.size(), 2);
    QCOMPARE(first.at(1).channelNumber, QStringLiteral("102"));
    QCOMPARE(first.at(1).mxbM, 1.0f);
    QCOMPARE(records.size(), 2);
    const ChannelRecord &a = records.at(0);
    const ChannelRecord &b = records.at(1);
    QCOMPARE(a.channelNumber, QStringLiteral("101"));
    QCOMPARE(a.type, QStringLiteral("铂电阻"));
    QCOMPARE(a.function, QStringLiteral("PT385"));
    QCOMPARE(a.wireMode, QStringLiteral("四线制"));
    QCOMPARE(a.unit, QStringLiteral("Ω"));
    QCOMPARE(a.a_c0, QStringLiteral("3.9083e-3"));   // texts unchanged, not re-formatted
    QCOMPARE(a.b4_c6, QStringLiteral("-5.775E-07"));
    QCOMPARE(a.mxbM, 1.5f);
    QCOMPARE(a.mxbB, -0.25f);
    QCOMPARE(b.channelNumber, QStringLiteral("102"));
    QCOMPARE(b.type, QStringLiteral("空"));
    QCOMPARE(b.a_c0, QStringLiteral(" 0 "));
    QCOMPARE(b.mxbM, 0.0f);
    QCOMPARE(b.mxbB, 0.0f);
    for (const ChannelRecord &r : records) {
        QCOMPARE(r.compensation, QStringLiteral("固定冷端"));
        QCOMPARE(r.coldJunction, QStringLiteral("23.5"));
    }
    w.reset();
}

void TestOnlineRecords::shortListsOfTheSecondInstrument_data()
{
    QTest::addColumn<QString>("list");
    QTest::addColumn<bool>("refused");
    for (const char *list : {"ChannelNumber", "ChannelType", "ChannelFunction", "WireMode",
                             "Unit", "MX+B_M", "MX+B_B", "A_C0", "D_C3", "B4_C6"})
        QTest::newRow(list) << QString::fromLatin1(list) << true;
    // Lists a channel record is not built from do not stop the run.
    for (const char *list : {"ChannelLabel", "UpperAlarm", "UpperAlarmEnable"})
        QTest::newRow(list) << QString::fromLatin1(list) << false;
}

void TestOnlineRecords::shortListsOfTheSecondInstrument()
{
    QFETCH(QString, list);
    QFETCH(bool, refused);
    Env env;
    QVERIFY(!env.db.isEmpty());
    env.plan();
    shorten(env.settings.planChannelConfigs[1], list);

    BoxOperator boxes;
    std::unique_ptr<ParametersOnLine> w(env.runToItsEnd());
    QVERIFY(w);
    if (refused) {
        QTRY_COMPARE(boxes.seen,
                     QStringList{QStringLiteral("设备2的通道配置“cfg2”不完整，请先选择配置文件！")});
        // Refused before any instrument was opened or set up; nothing stored.
        QCOMPARE(env.script->opens.load(), 0);
        QCOMPARE(env.script->configures.load(), 0);
        QCOMPARE(env.count(QStringLiteral("Parameters")), 0);
        QCOMPARE(env.count(QStringLiteral("ParametersData")), 0);
    } else {
        QTRY_COMPARE(information(w.get()), QStringLiteral("采集结束。"));
        QVERIFY(boxes.seen.isEmpty());
        QCOMPARE(env.script->configures.load(), 2);
        QCOMPARE(env.count(QStringLiteral("ParametersData")), 3);
    }
    w.reset();
}

void TestOnlineRecords::instrumentWithoutChannels()
{
    Env env;
    QVERIFY(!env.db.isEmpty());
    env.plan();
    // A plan whose first instrument's configuration has no channels (none of its rows either).
    ChannelConfigData empty;
    empty.Name = QStringLiteral("empty's");
    empty.Mode = QStringLiteral("Instant");
    env.settings.planChannelConfigs[0] = empty;
    env.settings.planChannels.erase(env.settings.planChannels.begin(),
                                    env.settings.planChannels.begin() + 2);

    BoxOperator boxes;
    std::unique_ptr<ParametersOnLine> w(env.runToItsEnd());
    QVERIFY(w);
    QTRY_COMPARE(boxes.seen,
                 QStringList{QStringLiteral("设备1的通道配置“empty's”不完整，请先选择配置文件！")});
    QCOMPARE(env.script->opens.load(), 0);
    QCOMPARE(env.count(QStringLiteral("ParametersData")), 0);
    w.reset();
}

QTEST_MAIN(TestOnlineRecords)
#include "test_online_records.moc"
