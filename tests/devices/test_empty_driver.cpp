// The driver of the model word "空": its option lists, its 64 channels, its channel check and
// its refusals of everything that needs an instrument.
#include <QSignalSpy>
#include <QTranslator>
#include <QtTest>

#include "CollectionEmpty.h"
#include "WorkerCall.h"

namespace {
ChannelRecord row(const QString &number, const QString &type = QStringLiteral("空"),
                  const QString &function = QStringLiteral("空"),
                  const QString &wiring = QStringLiteral("空"),
                  const QString &unit = QStringLiteral("℃"))
{
    ChannelRecord r;
    r.channelNumber = number;
    r.type = type;
    r.function = function;
    r.wireMode = wiring;
    r.unit = unit;
    return r;
}
} // namespace

Q_DECLARE_METATYPE(QList<ChannelRecord>)

class TestEmptyDriver : public QObject
{
    Q_OBJECT
private slots:
    void optionLists();
    void channelNumbersWhateverTheCount_data();
    void channelNumbersWhateverTheCount();
    void checkChannels_data();
    void checkChannels();
    void checkMessagesAreTranslated();
    void openRefusesWithoutTryingTheLink();
    void refusals();
    void settingsAreLeftUntouched();
};

void TestEmptyDriver::optionLists()
{
    CollectionEmpty d;
    QCOMPARE(d.channelCount(), 64);
    QCOMPARE(d.scanRateList(), QStringList{QStringLiteral("快速")});
    QCOMPARE(d.signalModeList(), QStringList{QStringLiteral("串口")});
    QCOMPARE(d.compensationList(), QStringList{QStringLiteral("内部补偿")});
    for (const QString &type : {QStringLiteral("空"), QStringLiteral("热电偶"), QString()}) {
        QCOMPARE(d.unitList(type), QStringList{QStringLiteral("℃")});
        QCOMPARE(d.wiringList(type), QStringList{QStringLiteral("空")});
        QCOMPARE(d.functionList(type), QStringList{QStringLiteral("空")});
        QCOMPARE(d.coefficientMask(type), QList<bool>() << false << false << false << false
                                                        << false << false << false << false
                                                        << false);
    }
    for (int channel : {101, 164, 0, 999})
        QCOMPARE(d.typeList(channel), QStringList{QStringLiteral("空")});
    QCOMPARE(d.baudRateList(), QStringList{QStringLiteral("9600")});
    QCOMPARE(d.filterList(), QStringList{QStringLiteral("0")});
    QCOMPARE(d.settingMask(), QList<bool>() << false << false << false << false << false << false);
    QCOMPARE(d.minScanInterval(QStringLiteral("快速"), {row(QStringLiteral("101"))}), 0.0);
    // The lists are copies: changing one does not change the driver.
    QStringList rates = d.scanRateList();
    rates << QStringLiteral("慢速");
    QCOMPARE(d.scanRateList().size(), 1);
}

void TestEmptyDriver::channelNumbersWhateverTheCount_data()
{
    QTest::addColumn<int>("count");
    QTest::newRow("8") << 8;
    QTest::newRow("0") << 0;
    QTest::newRow("64") << 64;
    QTest::newRow("200") << 200;
    QTest::newRow("-1") << -1;
}

void TestEmptyDriver::channelNumbersWhateverTheCount()
{
    QFETCH(int, count);
    CollectionEmpty d;
    const QStringList numbers = d.channelNumberList(count);
    QCOMPARE(numbers.size(), 65);
    QCOMPARE(numbers.first(), QStringLiteral("101"));
    QCOMPARE(numbers.at(9), QStringLiteral("110"));
    QCOMPARE(numbers.at(63), QStringLiteral("164"));
    QCOMPARE(numbers.last(), QStringLiteral("001"));
}

void TestEmptyDriver::checkChannels_data()
{
    QTest::addColumn<QList<ChannelRecord>>("rows");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QString>("error");

    QTest::newRow("no rows") << QList<ChannelRecord>() << false << QStringLiteral("通道未设置！");
    QTest::newRow("thermocouple type, checked first")
        << QList<ChannelRecord>{row(QStringLiteral("101"), QStringLiteral("热电偶"),
                                    QStringLiteral("K"), QStringLiteral("二线制"),
                                    QStringLiteral("V"))}
        << false << QStringLiteral("101:类型错误！");
    QTest::newRow("function")
        << QList<ChannelRecord>{row(QStringLiteral("102"), QStringLiteral("空"), QStringLiteral("K"))}
        << false << QStringLiteral("102:功能错误！");
    QTest::newRow("wiring")
        << QList<ChannelRecord>{row(QStringLiteral("103"), QStringLiteral("空"), QStringLiteral("空"),
                                    QStringLiteral("二线制"))}
        << false << QStringLiteral("103:接线线制错误！");
    QTest::newRow("unit")
        << QList<ChannelRecord>{row(QStringLiteral("104"), QStringLiteral("空"), QStringLiteral("空"),
                                    QStringLiteral("空"), QStringLiteral("℉"))}
        << false << QStringLiteral("104:单位错误！");
    QTest::newRow("empty unit")
        << QList<ChannelRecord>{row(QStringLiteral("105"), QStringLiteral("空"), QStringLiteral("空"),
                                    QStringLiteral("空"), QString())}
        << false << QStringLiteral("105:单位错误！");
    QTest::newRow("the first bad row is reported")
        << QList<ChannelRecord>{row(QStringLiteral("101")), row(QStringLiteral("205"), QStringLiteral("电阻")),
                                row(QStringLiteral("103"), QStringLiteral("空"), QStringLiteral("x"))}
        << false << QStringLiteral("205:类型错误！");
    QTest::newRow("number text reported as given")
        << QList<ChannelRecord>{row(QStringLiteral("abc"), QStringLiteral("铂电阻"))}
        << false << QStringLiteral("abc:类型错误！");

    QList<ChannelRecord> full;
    for (int n = 164; n >= 101; --n)   // numbers need not rise
        full << row(QString::number(n));
    QTest::newRow("64 valid rows") << full << true << QStringLiteral("unchanged");
    QList<ChannelRecord> more = full;
    more << row(QStringLiteral("001")) << row(QStringLiteral("165"));
    QTest::newRow("more rows than channels") << more << true << QStringLiteral("unchanged");
}

void TestEmptyDriver::checkChannels()
{
    QFETCH(QList<ChannelRecord>, rows);
    QFETCH(bool, accepted);
    QFETCH(QString, error);
    CollectionEmpty d;
    QString message = QStringLiteral("unchanged");
    QCOMPARE(d.checkChannels(rows, message), accepted);
    QCOMPARE(message, error);
}

void TestEmptyDriver::checkMessagesAreTranslated()
{
    QTranslator english;
    QVERIFY(english.load(QStringLiteral(VAZUV_BIN_DIR "/halvoran_en.qm")));
    QCoreApplication::installTranslator(&english);
    CollectionEmpty d;
    QString message;
    QVERIFY(!d.checkChannels({}, message));
    QCOMPARE(message, QStringLiteral("No channels set!"));
    QVERIFY(!d.checkChannels({row(QStringLiteral("107"), QStringLiteral("空"), QStringLiteral("空"),
                                  QStringLiteral("空"), QStringLiteral("V"))},
                             message));
    QCOMPARE(message, QStringLiteral("107: wrong unit!"));
    QCoreApplication::removeTranslator(&english);
}

void TestEmptyDriver::openRefusesWithoutTryingTheLink()
{
    CollectionEmpty d;
    QSignalSpy opens(&d, &Collection::Open_signals);
    QSignalSpy writes(&d, &Collection::Write_signals);
    qint64 took = 0;
    QVERIFY(!runOnWorkerTimed(
        [&] {
            return d.open(QStringLiteral("网络"), QStringLiteral("127.0.0.1"), QStringLiteral("5025"))
                || d.sendCommand(QStringLiteral("*IDN?\r\n"));
        },
        took));
    QVERIFY2(took < 100, qPrintable(QString::number(took)));
    QCOMPARE(opens.size(), 0);
    QCOMPARE(writes.size(), 0);
    QVERIFY(!d.isConnected());
}

void TestEmptyDriver::refusals()
{
    CollectionEmpty d;
    QString text = QStringLiteral("kept");
    QStringList values{QStringLiteral("kept")};
    ChannelRecord channel = row(QStringLiteral("101"));
    channel.a_c0 = QStringLiteral("1.5");
    const ChannelRecord before = channel;
    QVERIFY(!d.close());
    QVERIFY(!d.readReply(text));
    QVERIFY(!d.readSerialNumber(text));
    QCOMPARE(text, QStringLiteral("kept"));
    QVERIFY(d.setDeviceTime(QDateTime::currentDateTime()));
    QVERIFY(!d.setScanInterval(1.0, 10));
    QVERIFY(!d.readValues(values));
    QVERIFY(d.requestValues());
    QVERIFY(!d.fetchValues(values));
    QCOMPARE(values, QStringList{QStringLiteral("kept")});
    QVERIFY(!d.configureChannels(QStringLiteral("快速"), {channel}));
    QVERIFY(!d.writeChannelCoefficients(channel));
    QVERIFY(!d.readChannelCoefficients(channel));
    QCOMPARE(channel, before);
    QVERIFY(!d.openRecordFile(QStringLiteral("/no/such.csv"), {channel}));
    QVERIFY(!d.readRecordAt(QDateTime::currentDateTime(), values));
    QVERIFY(!d.closeRecordFile());
}

void TestEmptyDriver::settingsAreLeftUntouched()
{
    CollectionEmpty d;
    QString s1 = QStringLiteral("1"), s2 = QStringLiteral("2"), s3 = QStringLiteral("3"),
            s4 = QStringLiteral("4"), s5 = QStringLiteral("5"), s6 = QStringLiteral("6"),
            s7 = QStringLiteral("7"), s8 = QStringLiteral("8");
    QVERIFY(!d.readDeviceSettings(s1, s2, s3, s4, s5, s6, s7, s8));
    QCOMPARE(QStringList() << s1 << s2 << s3 << s4 << s5 << s6 << s7 << s8,
             QStringList() << "1" << "2" << "3" << "4" << "5" << "6" << "7" << "8");
    QString message = QStringLiteral("成功");
    QVERIFY(!d.writeDeviceSettings(QStringLiteral("1"), QStringLiteral("9600"),
                                   QStringLiteral("192.168.1.2"), QStringLiteral("255.255.255.0"),
                                   QStringLiteral("502"), QStringLiteral("0"), message));
    QCOMPARE(message, QStringLiteral("成功"));
}

QTEST_GUILESS_MAIN(TestEmptyDriver)
#include "test_empty_driver.moc"
