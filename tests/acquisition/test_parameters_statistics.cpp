// The statistics tab: figures per unit kind, column layout, row limit.
#include <QHeaderView>
#include <QProcess>
#include <QTableWidget>
#include <QtTest>

#include "ParametersStatistics.h"

namespace {

QTableWidget *tableOf(ParametersStatistics &tab)
{
    return tab.findChild<QTableWidget *>(QStringLiteral("tableWidget_Statistics"));
}

QStringList rowTexts(QTableWidget *table, int row, int from, int count)
{
    QStringList out;
    for (int c = from; c < from + count; ++c) {
        QTableWidgetItem *item = table->item(row, c);
        out << (item ? item->text() : QStringLiteral("<none>"));
    }
    return out;
}

QList<double> sequence(std::initializer_list<double> values)
{
    return QList<double>(values);
}

} // namespace

class TestParametersStatistics : public QObject
{
    Q_OBJECT

private slots:
    void figures_data();
    void figures();
    void unitKindOrder_data();
    void unitKindOrder();
    void twoKindsLayout();
    void rowLimit();
};

void TestParametersStatistics::figures_data()
{
    QTest::addColumn<int>("decimals");
    QTest::addColumn<QStringList>("labels");
    QTest::addColumn<QList<double>>("values");
    QTest::addColumn<QStringList>("expected");   // the nine cells of the block

    QTest::newRow("1 2 3 4") << 2 << QStringList{"1-a", "1-b", "1-c", "1-d"}
                             << sequence({1, 2, 3, 4})
                             << QStringList{"4.00", "1-d", "1.00", "1-a", "2.50", "3.00",
                                            "1.50", "1.50", "1.12"};
    QTest::newRow("population deviation to six places")
        << 6 << QStringList{"a", "b", "c", "d"} << sequence({1, 2, 3, 4})
        << QStringList{"4.000000", "d", "1.000000", "a", "2.500000", "3.000000", "1.500000",
                       "1.500000", "1.118034"};
    QTest::newRow("one channel") << 1 << QStringList{"2-T5"} << sequence({-12.34})
                                 << QStringList{"-12.3", "2-T5", "-12.3", "2-T5", "-12.3",
                                                "0.0", "0.0", "0.0", "0.0"};
    QTest::newRow("tie: first channel named") << 2 << QStringList{"a", "b", "c", "d"}
                                              << sequence({5, 9, 9, 5})
                                              << QStringList{"9.00", "b", "5.00", "a", "7.00",
                                                             "4.00", "2.00", "2.00", "2.00"};
    // NIST StRD NumAcc1: 10000001, 10000003, 10000002; population deviation sqrt(2/3).
    QTest::newRow("NumAcc1") << 6 << QStringList{"a", "b", "c"}
                             << sequence({10000001, 10000003, 10000002})
                             << QStringList{"10000003.000000", "b", "10000001.000000", "a",
                                            "10000002.000000", "2.000000", "1.000000",
                                            "1.000000", "0.816497"};
    // NumAcc4 style: 10000000.2 then 10000000.1 and 10000000.3 alternating, 1001 values;
    // certified sample deviation 0.1, so population deviation 0.1 * sqrt(1000 / 1001).
    QStringList manyLabels;
    QList<double> many;
    manyLabels << QStringLiteral("c0");
    many << 10000000.2;
    for (int i = 0; i < 500; ++i) {
        manyLabels << QStringLiteral("c%1").arg(2 * i + 1) << QStringLiteral("c%1").arg(2 * i + 2);
        many << 10000000.1 << 10000000.3;
    }
    QTest::newRow("NumAcc4") << 6 << manyLabels << many
                             << QStringList{"10000000.300000", "c2", "10000000.100000", "c1",
                                            "10000000.200000", "0.200000", "0.100000",
                                            "0.100000",
                                            QString::number(0.1 * std::sqrt(1000.0 / 1001.0), 'f', 6)};
    // No value present: empty figures; readings of ±1e308: the spread exact (Python's integers).
    QTest::newRow("no value present: empty figures") << 2 << QStringList{"a", "b"}
        << QList<double>{qQNaN(), qInf()} << QStringList{"", "", "", "", "", "", "", "", ""};
    const QString big = QString::number(1e308, 'f', 0);
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"), {"-c", "print(2 * int(1e308))"});
    QVERIFY(python.waitForFinished());
    QTest::newRow("readings of ±1e308")
        << 0 << QStringList{"a", "b", "c"} << QList<double>{1e308, qQNaN(), -1e308}
        << QStringList{big, "a", "-" + big, "c", "0", QString(python.readAllStandardOutput()).trimmed(),
                       big, big, big};
}

void TestParametersStatistics::figures()
{
    QFETCH(int, decimals);
    QFETCH(QStringList, labels);
    QFETCH(QList<double>, values);
    QFETCH(QStringList, expected);

    ParametersStatistics tab;
    QStringList units;
    for (int i = 0; i < labels.size(); ++i)
        units << QStringLiteral("℃");
    tab.setup(decimals, labels, units);
    const QDateTime t(QDate(2024, 5, 1), QTime(10, 0, 0, 250));
    tab.appendRow(t, values);
    QTableWidget *table = tableOf(tab);
    QVERIFY(table);
    QCOMPARE(table->columnCount(), 10);
    QCOMPARE(table->rowCount(), 1);
    QCOMPARE(table->item(0, 0)->text(), QStringLiteral("2024-05-01 10:00:00.250"));
    QCOMPARE(rowTexts(table, 0, 1, 9), expected);
    QCOMPARE(table->item(0, 5)->textAlignment(), int(Qt::AlignCenter));
}

void TestParametersStatistics::unitKindOrder_data()
{
    QTest::addColumn<QStringList>("units");
    QTest::addColumn<QStringList>("kinds");
    QTest::newRow("one kind") << QStringList{"V", "V"} << QStringList{"V"};
    QTest::newRow("temperature second") << QStringList{"V", "℃", "V"} << QStringList{"℃", "V"};
    QTest::newRow("fahrenheit second") << QStringList{"mA", "℉"} << QStringList{"℉", "mA"};
    QTest::newRow("temperature first") << QStringList{"℃", "V"} << QStringList{"℃", "V"};
    QTest::newRow("no temperature: first seen first") << QStringList{"V", "mA", "V"}
                                                      << QStringList{"V", "mA"};
    QTest::newRow("two texts of one unit are two kinds") << QStringList{"℃", "°C"}
                                                          << QStringList{"℃", "°C"};
}

void TestParametersStatistics::unitKindOrder()
{
    QFETCH(QStringList, units);
    QFETCH(QStringList, kinds);
    QCOMPARE(ParametersStatistics::unitKindsOf(units), kinds);
}

void TestParametersStatistics::twoKindsLayout()
{
    ParametersStatistics tab;
    tab.setup(2, {"1-V1", "1-T1", "1-V2", "1-T2"}, {"V", "℃", "V", "℃"});
    QTableWidget *table = tableOf(tab);
    QCOMPARE(table->columnCount(), 19);
    QCOMPARE(table->horizontalHeaderItem(0)->text(), QStringLiteral("采集时间"));
    QCOMPARE(table->horizontalHeaderItem(1)->text(), QStringLiteral("最大值(℃)"));
    QCOMPARE(table->horizontalHeaderItem(9)->text(), QStringLiteral("标准差(℃)"));
    QCOMPARE(table->horizontalHeaderItem(10)->text(), QStringLiteral("最大值(V)"));
    QCOMPARE(table->horizontalHeaderItem(14)->text(), QStringLiteral("平均值(V)"));
    QCOMPARE(table->horizontalHeaderItem(18)->text(), QStringLiteral("标准差(V)"));

    tab.appendRow(QDateTime::currentDateTime(), {1.5, 20.0, 2.5, 30.0});
    QCOMPARE(rowTexts(table, 0, 1, 9),
             (QStringList{"30.00", "1-T2", "20.00", "1-T1", "25.00", "10.00", "5.00", "5.00",
                          "5.00"}));
    QCOMPARE(rowTexts(table, 0, 10, 9),
             (QStringList{"2.50", "1-V2", "1.50", "1-V1", "2.00", "1.00", "0.50", "0.50",
                          "0.50"}));
    QVERIFY(table->editTriggers() == QAbstractItemView::NoEditTriggers);
    QCOMPARE(table->selectionBehavior(), QAbstractItemView::SelectRows);
    QVERIFY(table->verticalHeader()->isHidden());
}

void TestParametersStatistics::rowLimit()
{
    ParametersStatistics tab;
    tab.setup(0, {"a"}, {"℃"});
    QTableWidget *table = tableOf(tab);
    const QDateTime start(QDate(2024, 1, 1), QTime(0, 0));
    for (int i = 0; i < 1201; ++i)
        tab.appendRow(start.addSecs(i), {double(i)});
    QCOMPARE(table->rowCount(), 1200);
    // The oldest row went; the newest is last.
    QCOMPARE(table->item(0, 1)->text(), QStringLiteral("1"));
    QCOMPARE(table->item(1199, 1)->text(), QStringLiteral("1200"));
    QCOMPARE(table->item(0, 0)->text(), start.addSecs(1).toString("yyyy-MM-dd HH:mm:ss.zzz"));
}

QTEST_MAIN(TestParametersStatistics)
#include "test_parameters_statistics.moc"
