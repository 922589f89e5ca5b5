// Automatic calibrations from the page against the dry-well stand-in (source and reference) and
// the 1586A stand-in, whose readings follow the dry well's set point: a whole platinum run with
// its zero point, batches, delay, fit and write-back; "结束" in the middle of a run; a pause
// during a stability wait. Built twice, one program per set of runs, so each stays short.
#include "CalibrationBench.h"

#include <cmath>

namespace {
const QString batchChange = QStringLiteral("请更换通道后点击确定按钮！");

double iecPt100(double t)
{
    return 100.0 * (1 + 3.9083e-3 * t - 5.775e-7 * t * t);
}
} // namespace

class TestCalibrationRun : public QObject
{
    Q_OBJECT
private slots:
#if RUN_SET == 1
    // Three set points with the zero point first, two channels in batches of one, a delay of
    // one (shortened) minute: the run ends by itself, fits and writes back.
    void platinumRunToTheEnd()
    {
        CalibrationBench b;
        QVERIFY(b.open("铂电阻", "CVD", 2));
        QVERIFY(b.startSource({"--settle", "0"}));
        b.createPage();
        b.setPoints({"0", "100", "200"}, "1", "1");
        b.start();
        QVERIFY(b.waitIdle());

        QCOMPARE(b.modal.messages, repeated(6, batchChange) << "校准结束退出!");
        QCOMPARE(b.caption(), QStringLiteral("开始"));
        const QString log = b.logText();
        QVERIFY(log.split('\n').contains("标准:0"));   // the zero point's reference check
        for (const char *line : {"温度点3", "温场稳定延迟等待中...", "温场已稳定。",
                                 "批次2标准:100.0000", "1_102:138.50", "校准数据保存成功！"})
            QVERIFY2(log.contains(QString::fromUtf8(line)), line);
        for (const char *set : {"s 0.00\r\n", "s 100.00\r\n", "s 200.00\r\n"})
            QVERIFY2(b.source.requests().contains(QString::fromLatin1(set)), set);

        const QStringList a = b.configColumn("A_C0"), bb = b.configColumn("B_C1"),
                          c = b.configColumn("C_C2"), r0 = b.configColumn("R0_C4");
        for (int ch = 0; ch < 2; ++ch) {
            QCOMPARE(c[ch], QStringLiteral("0"));
            QVERIFY2(std::fabs(r0[ch].toDouble() - 100.0) < 1e-3, qPrintable(r0[ch]));
            for (double t = 0; t <= 200; t += 50) {
                const double r = r0[ch].toDouble()
                                 * (1 + a[ch].toDouble() * t + bb[ch].toDouble() * t * t);
                QVERIFY2(std::fabs(r - iecPt100(t)) < 2e-3, qPrintable(QString::number(t)));
            }
        }
        QCOMPARE(b.db.rows("select ChannelMode, ChannelNumber, CalibrationCriteria, "
                           "CalibrationData1, CalibrationData4 from ChannelCalibrationData"),
                 (QList<QStringList>{{"铂电阻", "1_101,1_102",
                                      "0.0000,0.0000;100.0000,100.0000;200.0000,200.0000",
                                      "100.000;100.000", ""}}));
        // The fitted data is gone from the page state as well.
        QCOMPARE(b.db.cell("select Data from ChannelCalibration where Name = 'CalibrationCriteria'"),
                 QString());
        QVERIFY(b.scanner.waitForEvent("closed"));
        QVERIFY(b.source.waitForEvent("closed"));
    }

    // The scanner reads no resistance over three wires: the set-up fails, naming the channel, and nothing is sent.
    void threeWirePlatinumRefused()
    {
        CalibrationBench b;
        QVERIFY(b.open("铂电阻", "CVD", 1, "三线制"));
        QVERIFY(b.startSource({"--settle", "0"}));
        b.createPage();
        b.setPoints({"0", "100", "200"}, "", "1");
        b.start();
        QVERIFY(b.waitIdle());
        QCOMPARE(b.modal.messages, QStringList{"采集设备设置失败!"});
        QVERIFY(b.logText().contains("101:三线制不能测量电阻！"));
        QCOMPARE(b.scanner.requests().filter("(@101)"), QStringList());
        QCOMPARE(b.configColumn("R0_C4"), QStringList{"100"});
    }
#else
    // "结束" while point 2 waits for its channels to be changed: the worker ends, the point it
    // was measuring is dropped, and the fit runs once on point 1 alone (a thermocouple needs
    // two, so it is refused); nothing reaches the configuration, the raw row holds point 1.
    void endInTheMiddle()
    {
        CalibrationBench b;
        QVERIFY(b.open("热电偶", "K", 2));
        QVERIFY(b.startSource({"--settle", "0"}));
        b.createPage();
        b.setPoints({"30", "50"}, "", "1");
        int boxes = 0;
        b.modal.beforeAnswer = [&](QMessageBox *box) {
            if (box->text() == batchChange && ++boxes == 3)
                b.button("pushButton_Close")->click();
        };
        b.start();
        QVERIFY(b.waitIdle());

        QCOMPARE(b.modal.messages, repeated(3, batchChange) << "参数错误，计算失败！");
        QCOMPARE(b.caption(), QStringLiteral("开始"));
        QCOMPARE(b.configColumn("[MX+B_M]"), QStringList({"1", "1"}));
        QCOMPARE(b.db.rows("select CalibrationCriteria, CalibrationData1, CalibrationData2 "
                           "from ChannelCalibrationData"),
                 (QList<QStringList>{{"30.0000,30.0000", "30.160;30.260", ""}}));
        QVERIFY(b.scanner.waitForEvent("closed"));
    }

    // A pause while the source never becomes stable, with the real 20 s between two stability
    // questions: the worker wakes and ends at once, without a message, closing every link;
    // nothing is written.
    void pauseDuringStabilityWait()
    {
        CalibrationBench b;
        QVERIFY(b.open("热电偶", "K", 1));
        QVERIFY(b.startSource({"--settle", "1000"}));
        b.createPage(CalibrationWaits());
        b.setPoints({"30", "50"}, "", "8");
        b.start();
        QTRY_VERIFY_WITH_TIMEOUT(b.logText().contains("温场稳定等待中..."), 30000);
        QVERIFY(!b.page->isNotRunning());
        b.button("pushButton_Open")->click();
        QElapsedTimer stopping;
        stopping.start();
        QVERIFY(b.waitIdle());
        QVERIFY2(stopping.elapsed() < 12000, qPrintable(QString::number(stopping.elapsed())));
        QCOMPARE(b.modal.messages, QStringList());
        QCOMPARE(b.caption(), QStringLiteral("开始"));
        QCOMPARE(b.db.cell("select count(*) from ChannelCalibrationData"), QStringLiteral("0"));
        QCOMPARE(b.configColumn("[MX+B_M]"), QStringList({"1"}));
        QVERIFY(b.scanner.waitForEvent("closed"));
        QVERIFY(b.source.waitForEvent("closed"));
    }
#endif
};

QTEST_MAIN(TestCalibrationRun)
#include "test_calibration_run.moc"
