#include <QElapsedTimer>
#include <QtTest>

#include "Terms.h"

class TestDelay : public QObject
{
    Q_OBJECT
private slots:
    void waitsAtLeastTheGivenTime_data()
    {
        QTest::addColumn<qint64>("ms");
        QTest::newRow("zero") << qint64(0);
        QTest::newRow("negative") << qint64(-5);
        QTest::newRow("short") << qint64(30);
    }
    void waitsAtLeastTheGivenTime()
    {
        QFETCH(qint64, ms);
        QElapsedTimer t;
        t.start();
        delayMs(ms);
        const qint64 took = t.elapsed();
        QVERIFY(took >= qMax<qint64>(ms, 0));
        QVERIFY2(took < qMax<qint64>(ms, 0) + 200, qPrintable(QString::number(took)));
    }
};

QTEST_GUILESS_MAIN(TestDelay)
#include "test_delay.moc"
