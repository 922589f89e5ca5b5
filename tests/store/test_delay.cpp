#include <ctime>

#include <QElapsedTimer>
#include <QtTest>

#include "Terms.h"

namespace {
// Processor time used by the calling thread, in milliseconds.
double threadCpuMs()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec * 1000.0 + ts.tv_nsec / 1e6;
}
} // namespace

class TestDelay : public QObject
{
    Q_OBJECT
private slots:
    void waitsAtLeastTheGivenTime_data()
    {
        QTest::addColumn<qint64>("ms");
        QTest::newRow("zero") << qint64(0);
        QTest::newRow("negative") << qint64(-5);
        QTest::newRow("most negative") << std::numeric_limits<qint64>::min();
        QTest::newRow("one") << qint64(1);
        QTest::newRow("fifty") << qint64(50);
    }
    void waitsAtLeastTheGivenTime()
    {
        QFETCH(qint64, ms);
        QElapsedTimer t;
        t.start();
        delayMs(ms);
        const qint64 took = t.elapsed();
        QVERIFY2(took >= qMax<qint64>(ms, 0), qPrintable(QString::number(took)));
        QVERIFY2(took < qMax<qint64>(ms, 0) + 1000, qPrintable(QString::number(took)));
    }

    // A wait of days on a worker must not hold a processor: the thread sleeps between checks.
    void givesTheProcessorBack()
    {
        const double before = threadCpuMs();
        QElapsedTimer t;
        t.start();
        delayMs(400);
        const qint64 took = t.elapsed();
        const double used = threadCpuMs() - before;
        QVERIFY(took >= 400);
        QVERIFY2(used < 120.0, qPrintable(QStringLiteral("processor time %1 ms of %2 ms wait")
                                               .arg(used).arg(took)));
    }

    // No event is processed during the wait.
    void processesNoEvents()
    {
        bool fired = false;
        QTimer::singleShot(0, this, [&fired] { fired = true; });
        delayMs(30);
        QVERIFY(!fired);
        QCoreApplication::processEvents();
        QVERIFY(fired);
    }
};

QTEST_GUILESS_MAIN(TestDelay)
#include "test_delay.moc"
