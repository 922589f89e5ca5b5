#pragma once
// A text driver of class D and its instrument stand-in of tests/sim, over the link of the test
// program (a socat pty pair or loopback TCP). A link test derives from it beside QObject:
//
//     class TestGastuLink : public QObject, DriverBench<CollectionGastu>
//     {
//         ...  TestGastuLink() : DriverBench("fake_gastu.py") {}
//         QVERIFY(link.start("网络")); driver.reset(new CollectionGastu); QVERIFY(open());
//         steer({"SIM:SPLIT 2"}); QCOMPARE(sent(1), QStringList{"DATA?\r\n"});

#include <QStringList>
#include <QtTest>

#include <memory>

#include "FakeLink.h"
#include "WorkerCall.h"

template <class D> class DriverBench
{
protected:
    explicit DriverBench(const QString &script) : link(script) {}

    // The driver's open on a worker thread, over the stand-in's link.
    bool open()
    {
        return runOnWorker(
            [&] { return driver->open(link.mode(), link.address(), link.portOrBaud()); });
    }
    // Lines for the stand-in itself (not logged as commands).
    void steer(const QStringList &lines)
    {
        for (const QString &line : lines)
            QVERIFY(runOnWorker([&] { return driver->sendCommand(line + "\r\n"); }));
    }
    // The commands received since the last call, once at least `count` are logged.
    QStringList sent(int count)
    {
        link.fake().waitForRequests(mark + count);
        const QStringList all = link.fake().requests();
        const QStringList since = all.mid(mark);
        mark = all.size();
        return since;
    }

    FakeLink link;
    std::unique_ptr<D> driver;
    int mark = 0;
};
