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
    DriverBench(const QString &script, const QString &query) : query(query), link(script) {}

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

    // Every command received since the last call: `query` (answered, left out) sent while the
    // link is up marks the end.
    QStringList sentAll()
    {
        QString reply;
        if (driver->isConnected())
            runOnWorker([&] { return driver->sendCommand(query) && driver->readReply(reply); });
        QStringList since = sent(0);
        if (!since.isEmpty() && since.last() == query)
            since.removeLast();
        return since;
    }

    QString query;   // a query the stand-in answers at once, with its line end
    FakeLink link;
    std::unique_ptr<D> driver;
    int mark = 0;
};
