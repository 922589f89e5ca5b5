// The Gastu and 159XA drivers without a link: their channel checks against their option lists
// (one table), channel numbers, shortest scan intervals, and the Gastu's record files written by
// tests/sim/records_gastu.py.

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

#include "ChannelRows.h"
#include "Collection159XA.h"
#include "CollectionGastu.h"
#include "FakeInstrument.h"

using Rows = QList<ChannelRecord>;

namespace {
ChannelRecord gastuRow(const QString &number, const QString &function = "PT",
                       const QString &wire = "四线制", const QString &unit = "℃")
{
    return channelRow(number, "热电阻", function, wire, unit);
}
} // namespace

class TestGastu159XAOptions : public QObject
{
    Q_OBJECT
private slots:
    void checkChannels_data()
    {
        QTest::addColumn<QString>("model");
        QTest::addColumn<Rows>("rows");
        QTest::addColumn<QString>("error");
        const Rows good{gastuRow("001"), gastuRow("101", "CVD", "三线制", "Ω"), gastuRow("120")};
        QTest::newRow("Gastu good") << "Gastu" << good << "";
        QTest::newRow("Gastu channel outside the model")
            << "Gastu" << Rows{gastuRow("101"), gastuRow("121")} << "121:通道号错误！";
        QTest::newRow("Gastu function") << "Gastu" << Rows{gastuRow("102", "K")}
                                        << "102:功能错误！";
        QTest::newRow("Gastu numbers not rising")
            << "Gastu" << Rows{gastuRow("101"), gastuRow("101")} << "通道号需要递增！";
        QTest::newRow("Gastu coefficient not a number")
            << "Gastu" << Rows{withCoefficients(gastuRow("105", "ITS90"), {"1", "", "", "", "2", "x"})}
            << "105:系数不是数字！";
        // Coefficients are sent only when the leading one (R0 here) is set.
        QTest::newRow("Gastu unset curve not looked at")
            << "Gastu" << Rows{withCoefficients(gastuRow("106"), {"x"})} << "";
        ChannelRecord gain = gastuRow("108");
        gain.mxbM = qQNaN();
        QTest::newRow("Gastu gain nan") << "Gastu" << Rows{gain} << "108:系数不是数字！";
        const ChannelRecord its90 =
            withCoefficients(channelRow("2", "铂电阻", "ITS90", "四线制", "℃"), {"1", "2"});
        const ChannelRecord thermistor =
            withCoefficients(channelRow("3", "热敏电阻", "R(T)", "二线制", "K"), {"1e-3", "2e-4"});
        QTest::newRow("159XA good") << "159XA" << Rows{its90, thermistor} << "";
        QTest::newRow("159XA channel outside the model")
            << "159XA" << Rows{channelRow("15", "电阻", "自动", "二线制", "Ω")}
            << "15:通道号错误！";
        QTest::newRow("159XA thermistor takes no three wires")
            << "159XA" << Rows{channelRow("4", "热敏电阻", "R(T)", "三线制", "℃")}
            << "4:接线线制错误！";
        QTest::newRow("159XA three units")
            << "159XA" << Rows{its90, thermistor, channelRow("5", "电阻", "自动", "二线制", "Ω")}
            << "单位不许超过2个！";
        QTest::newRow("159XA leading coefficient not a number")
            << "159XA" << Rows{withCoefficients(its90, {"", "", "", "", "R0"})}
            << "2:系数不是数字！";
        QTest::newRow("159XA coefficient nan")
            << "159XA" << Rows{withCoefficients(its90, {"1", "NaN", "", "", "25.5"})} << "2:系数不是数字！";
    }
    void checkChannels()
    {
        QFETCH(QString, model);
        QFETCH(Rows, rows);
        QFETCH(QString, error);
        std::unique_ptr<Collection> driver(model == "Gastu"
                                               ? static_cast<Collection *>(new CollectionGastu)
                                               : new Collection159XA);
        QString got;
        QCOMPARE(driver->checkChannels(rows, got), error.isEmpty());
        QCOMPARE(got, error);
    }

    // Lone CR line ends; a heading field that names no channel shifts nothing; values in the
    // order asked; a record ending in "," is read; a time inside the gap fails; a refused open closes.
    void gastuRecordFile()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QProcess generator;
        generator.start("/usr/bin/python3", {FakeInstrument::simDir() + "/records_gastu.py", dir.path()});
        QVERIFY(generator.waitForFinished(30000));
        QVERIFY2(generator.exitCode() == 0, generator.readAllStandardError().constData());
        const QString path = dir.filePath("gastu.csv");
        const QDateTime start(QDate(2024, 5, 6), QTime(10, 0, 0, 250));
        auto value = [](int k, int channel) {
            return QString::number(channel / 10.0 + k * 0.5, 'f', 3);
        };

        CollectionGastu gastu;
        QStringList got;
        QVERIFY(!gastu.openRecordFile(path, {gastuRow("001"), gastuRow("103")}));
        QVERIFY(!gastu.readRecordAt(start, got));
        QVERIFY(gastu.openRecordFile(path, {gastuRow("102"), gastuRow("001")}));
        for (int k = 0; k < 6; ++k) {
            QVERIFY2(gastu.readRecordAt(start.addSecs(k < 4 ? k : k + 10), got), qPrintable(QString::number(k)));
            QCOMPARE(got, QStringList({value(k, 102), value(k, 1)}));
            if (k == 3) {
                QVERIFY(!gastu.readRecordAt(start.addSecs(8), got));   // inside the gap
                QVERIFY(got.isEmpty());
            }
        }
        QVERIFY(!gastu.readRecordAt(start.addSecs(16), got));
        QVERIFY(gastu.closeRecordFile());
    }
};

QTEST_GUILESS_MAIN(TestGastu159XAOptions)
#include "test_gastu_159xa_options.moc"
