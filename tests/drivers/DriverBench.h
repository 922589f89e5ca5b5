#pragma once
// A text driver of class D and its instrument stand-in of tests/sim over the test's link (pty
// pair or loopback TCP); a link test derives from it beside QObject (see test_gastu_link.cpp).

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
