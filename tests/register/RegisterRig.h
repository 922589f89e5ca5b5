#pragma once
// One register driver opened on a fresh libmodbus instrument (tests/peers): over a socat pty
// pair in RTU (LINK_OVER_PTY), or over loopback TCP, in Modbus-TCP framing for the drivers that
// choose it at open and in RTU frames through a serial bridge for the others.

#include <QStringList>

#include <functional>
#include <memory>

#include "ChannelRows.h"
#include "FakeLink.h"
#include "RegisterCollection.h"
#include "Registry.h"
#include "WorkerCall.h"

#ifdef LINK_OVER_PTY
static const bool overPty = true;
#else
static const bool overPty = false;
#endif

// Short waits: a reply budget of 0.5 s, short pauses.
inline RegisterCollection::Timings fastTimings()
{
    RegisterCollection::Timings t;
    t.replyPolls = 50;
    t.openStepMs = 50;
    t.retryPauseMs = 20;
    t.coefficientGapMs = 5;
    t.settingGapMs = 20;
    t.setUpSettleMs = 10;
    return t;
}

struct Rig
{
    FakeLink link{QStringLiteral(MODBUS_PEER)};
    FakeInstrument &peer = link.fake();
    std::unique_ptr<RegisterCollection> driver;
    bool rtu = true;

    bool start(const QString &model, QStringList options = {},
               const QString &baudRate = QStringLiteral("115200"), bool opened = true)
    {
        driver.reset(qobject_cast<RegisterCollection *>(createCollection(model)));
        if (!driver)
            return false;
        driver->setTimings(fastTimings());
        driver->setBlockWaits(600, 20);
        rtu = overPty || !driver->choosesFraming();
        if (rtu && !overPty)
            options << QStringLiteral("--rtu");
        return link.start(overPty ? QStringLiteral("串口") : QStringLiteral("网络"), options, baudRate)
            && (!opened || open());
    }
    bool open()
    {
        return runOnWorker([&] { return driver->open(link.mode(), link.address(), link.portOrBaud()); });
    }
    bool run(const std::function<bool(RegisterCollection *)> &op)
    {
        return runOnWorker([&] { return op(driver.get()); });
    }
    int sent() const { return peer.requests().size(); }
    // The requests from the `from`-th on, as station address and PDU (no CRC, no header).
    QStringList frames(int from) const
    {
        QStringList out;
        const QStringList all = peer.requests();
        for (int i = from; i < all.size(); ++i)
            out << (rtu ? all.at(i).chopped(4) : all.at(i).mid(12));
        return out;
    }
};

inline ChannelRecord row(const char *number, const char *type, const char *function,
                         const char *unit, const QStringList &coefficients = {})
{
    return withCoefficients(channelRow(number, type, function, QStringLiteral("四线制"), unit),
                            coefficients);
}

// Values as the instrument keeps them, least significant byte first, upper case.
inline QString doubles(std::initializer_list<double> values)
{
    QString text;
    for (double v : values)
        text += RegisterFrame::doubleToHex(v);
    return text.toUpper();
}

inline QString singles(std::initializer_list<float> values)
{
    QString text;
    for (float v : values)
        text += RegisterFrame::floatToHex(v);
    return text.toUpper();
}
