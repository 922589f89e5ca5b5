// Channel records built from a stored configuration, safe access to its per-channel lists and
// the number checks of the editor.

#include <QtTest>

#include "ChannelRecords.h"

namespace {

// A consistent configuration of `count` channels numbered from 101.
ChannelConfigData makeConfig(int count)
{
    ChannelConfigData c;
    c.Name = QStringLiteral("cfg");
    c.Mode = QStringLiteral("1586A");
    c.ChannelCount = count;
    c.Compensation = QStringLiteral("固定冷端");
    c.ColdJunction = QStringLiteral("23.5");
    for (int i = 0; i < count; ++i) {
        const QString n = QString::number(i);
        c.ChannelNumber << QString::number(101 + i);
        c.ChannelLabel << QStringLiteral("CH") + QString::number(101 + i);
        c.ChannelType << QStringLiteral("热电偶");
        c.ChannelFunction << QStringLiteral("K") + n;
        c.WireMode << QStringLiteral("二线制");
        c.MX_B_M << QStringLiteral("1.5");
        c.MX_B_B << QStringLiteral("-0.25");
        c.A_C0 << QStringLiteral("a") + n;
        c.B_C1 << QStringLiteral("b") + n;
        c.C_C2 << QStringLiteral("c") + n;
        c.D_C3 << QStringLiteral("d") + n;
        c.R0_C4 << QStringLiteral("r") + n;
        c.A4_C5 << QStringLiteral("e") + n;
        c.B4_C6 << QStringLiteral("f") + n;
        c.Unit << (i % 2 ? QStringLiteral("mV") : QStringLiteral("℃"));
        c.LowerAlarmEnable << (i % 2 == 0);
        c.LowerAlarm << QStringLiteral("-10");
        c.UpperAlarmEnable << (i % 2 == 1);
        c.UpperAlarm << QStringLiteral("90");
    }
    return c;
}

} // namespace

class TestChannelConfigRecords : public QObject
{
    Q_OBJECT
private slots:
    void buildsOneRecordPerChannelInOrder();
    void zeroCountGivesFalseAndEmptiesOldRecords();
    void negativeCountGivesTrueAndNoRecords();
    void labelsAndAlarmListsAreNotNeeded();
    void correctionValues_data();
    void correctionValues();
    void shortDriverListIsRefused_data();
    void shortDriverListIsRefused();
    void shortListNames();
    void entriesPastTheEndAreEmpty();
    void numberTexts_data();
    void numberTexts();
};

void TestChannelConfigRecords::buildsOneRecordPerChannelInOrder()
{
    ChannelConfigData c = makeConfig(3);
    c.A_C0[2] = QStringLiteral("3.9083e-3");
    QList<ChannelRecord> out;
    QVERIFY(buildChannelRecords(c, out));
    QCOMPARE(out.size(), 3);
    for (int i = 0; i < 3; ++i) {
        const ChannelRecord &r = out.at(i);
        QCOMPARE(r.channelNumber, c.ChannelNumber.at(i));
        QCOMPARE(r.type, c.ChannelType.at(i));
        QCOMPARE(r.function, c.ChannelFunction.at(i));
        QCOMPARE(r.wireMode, c.WireMode.at(i));
        QCOMPARE(r.unit, c.Unit.at(i));
        QCOMPARE(r.compensation, QStringLiteral("固定冷端"));
        QCOMPARE(r.coldJunction, QStringLiteral("23.5"));
        QCOMPARE(r.a_c0, c.A_C0.at(i));
        QCOMPARE(r.b_c1, c.B_C1.at(i));
        QCOMPARE(r.c_c2, c.C_C2.at(i));
        QCOMPARE(r.d_c3, c.D_C3.at(i));
        QCOMPARE(r.r0_c4, c.R0_C4.at(i));
        QCOMPARE(r.a4_c5, c.A4_C5.at(i));
        QCOMPARE(r.b4_c6, c.B4_C6.at(i));
        QCOMPARE(r.mxbM, 1.5f);
        QCOMPARE(r.mxbB, -0.25f);
    }
    // Coefficients stay texts exactly as stored.
    QCOMPARE(out.at(2).a_c0, QStringLiteral("3.9083e-3"));
}

void TestChannelConfigRecords::zeroCountGivesFalseAndEmptiesOldRecords()
{
    QList<ChannelRecord> out;
    out << ChannelRecord() << ChannelRecord();
    ChannelConfigData c = makeConfig(2);
    c.ChannelCount = 0;
    QVERIFY(!buildChannelRecords(c, out));
    QVERIFY(out.isEmpty());
}

void TestChannelConfigRecords::negativeCountGivesTrueAndNoRecords()
{
    QList<ChannelRecord> out;
    out << ChannelRecord();
    ChannelConfigData c = makeConfig(2);
    c.ChannelCount = -1;
    QVERIFY(buildChannelRecords(c, out));
    QVERIFY(out.isEmpty());
}

void TestChannelConfigRecords::labelsAndAlarmListsAreNotNeeded()
{
    ChannelConfigData c = makeConfig(3);
    c.ChannelLabel = QStringList{QStringLiteral("only")};
    c.LowerAlarmEnable.clear();
    c.UpperAlarm.clear();
    QList<ChannelRecord> out;
    QVERIFY(buildChannelRecords(c, out));
    QCOMPARE(out.size(), 3);
}

void TestChannelConfigRecords::correctionValues_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<float>("value");
    QTest::newRow("one") << "1" << 1.0f;
    QTest::newRow("blanks allowed") << "  2.5 " << 2.5f;
    QTest::newRow("negative") << "-1000" << -1000.0f;
    QTest::newRow("exponent") << "1e-3" << 0.001f;
    QTest::newRow("empty") << "" << 0.0f;
    QTest::newRow("letters") << "abc" << 0.0f;
    QTest::newRow("comma decimal") << "1,5" << 0.0f;
    QTest::newRow("two points") << "1.2.3" << 0.0f;
}

void TestChannelConfigRecords::correctionValues()
{
    QFETCH(QString, text);
    QFETCH(float, value);
    ChannelConfigData c = makeConfig(2);
    c.MX_B_M[1] = text;
    c.MX_B_B[0] = text;
    QList<ChannelRecord> out;
    QVERIFY(buildChannelRecords(c, out));
    QCOMPARE(out.at(1).mxbM, value);
    QCOMPARE(out.at(0).mxbB, value);
    QCOMPARE(out.at(0).mxbM, 1.5f);
}

void TestChannelConfigRecords::shortDriverListIsRefused_data()
{
    QTest::addColumn<QString>("list");
    const char *names[] = {"ChannelNumber", "ChannelType", "ChannelFunction", "WireMode",
                           "MX+B_M", "MX+B_B", "A_C0", "B_C1", "C_C2", "D_C3", "R0_C4",
                           "A4_C5", "B4_C6", "Unit"};
    for (const char *n : names)
        QTest::newRow(n) << QString::fromLatin1(n);
}

void TestChannelConfigRecords::shortDriverListIsRefused()
{
    QFETCH(QString, list);
    ChannelConfigData c = makeConfig(4);
    QStringList *lists[] = {&c.ChannelNumber, &c.ChannelType, &c.ChannelFunction, &c.WireMode,
                            &c.MX_B_M, &c.MX_B_B, &c.A_C0, &c.B_C1, &c.C_C2, &c.D_C3,
                            &c.R0_C4, &c.A4_C5, &c.B4_C6, &c.Unit};
    const QStringList names = {"ChannelNumber", "ChannelType", "ChannelFunction", "WireMode",
                               "MX+B_M", "MX+B_B", "A_C0", "B_C1", "C_C2", "D_C3", "R0_C4",
                               "A4_C5", "B4_C6", "Unit"};
    lists[names.indexOf(list)]->removeLast();
    QList<ChannelRecord> out;
    out << ChannelRecord();
    QVERIFY(!buildChannelRecords(c, out));
    QVERIFY(out.isEmpty());
    QCOMPARE(shortChannelLists(c, true), QStringList{list});
}

void TestChannelConfigRecords::shortListNames()
{
    ChannelConfigData c = makeConfig(3);
    QVERIFY(shortChannelLists(c).isEmpty());
    c.ChannelLabel.removeLast();
    c.UpperAlarmEnable.clear();
    c.Unit.removeFirst();
    QCOMPARE(shortChannelLists(c),
             (QStringList{"ChannelLabel", "Unit", "UpperAlarmEnable"}));
    QCOMPARE(shortChannelLists(c, true), QStringList{"Unit"});
    // Longer lists than the count are not a fault.
    ChannelConfigData longer = makeConfig(3);
    longer.ChannelCount = 2;
    QVERIFY(shortChannelLists(longer).isEmpty());
}

void TestChannelConfigRecords::entriesPastTheEndAreEmpty()
{
    const QStringList list{QStringLiteral("a"), QStringLiteral("b")};
    QCOMPARE(channelEntry(list, 1), QStringLiteral("b"));
    QCOMPARE(channelEntry(list, 2), QString());
    QCOMPARE(channelEntry(list, -1), QString());
    QCOMPARE(channelEntry(QStringList(), 0), QString());
    const QList<bool> flags{true, true};
    QVERIFY(channelFlag(flags, 1));
    QVERIFY(!channelFlag(flags, 2));
    QVERIFY(!channelFlag(flags, -1));
}

void TestChannelConfigRecords::numberTexts_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("number");
    QTest::addColumn<bool>("correction");
    QTest::newRow("integer") << "100" << true << true;
    QTest::newRow("negative decimal") << "-0.5" << true << true;
    QTest::newRow("leading point") << ".5" << true << true;
    QTest::newRow("exponent") << "3.9083e-3" << true << true;
    QTest::newRow("minus only") << "-" << false << false;
    QTest::newRow("point only") << "." << false << false;
    QTest::newRow("two points") << "1.2.3" << false << false;
    QTest::newRow("two minus") << "--1" << false << false;
    QTest::newRow("empty") << "" << false << false;
    QTest::newRow("group separator") << "1,000" << false << false;
    QTest::newRow("nan") << "nan" << false << false;
    QTest::newRow("inf") << "inf" << false << false;
    QTest::newRow("beyond float") << "1e300" << true << false;
}

void TestChannelConfigRecords::numberTexts()
{
    QFETCH(QString, text);
    QFETCH(bool, number);
    QFETCH(bool, correction);
    QCOMPARE(isNumberText(text), number);
    QCOMPARE(isCorrectionText(text), correction);
}

QTEST_GUILESS_MAIN(TestChannelConfigRecords)
#include "test_channelconfig_records.moc"
