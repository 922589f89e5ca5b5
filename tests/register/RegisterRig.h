#pragma once
// One register driver opened on a fresh libmodbus instrument (tests/peers): over a socat pty
// pair in RTU (LINK_OVER_PTY), or over loopback TCP, in Modbus-TCP framing for the drivers that
// choose it at open and in RTU frames through a serial bridge for the others. Or on a stand-in
// of tests/sim over the link a test names (startOver).

#include <QStringList>
#include <QtTest>

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
    t.valueReplyWindows = 2;
    return t;
}

struct Rig
{
    explicit Rig(const QString &program = QStringLiteral(MODBUS_PEER)) : link(program) {}

    FakeLink link;
    FakeInstrument &peer = link.fake();
    std::unique_ptr<RegisterCollection> driver;
    bool rtu = true;

    bool make(const QString &model)
    {
        driver.reset(qobject_cast<RegisterCollection *>(createCollection(model)));
        if (driver)
            driver->setTimings(fastTimings());
        return driver != nullptr;
    }
    bool start(const QString &model, QStringList options = {},
               const QString &baudRate = QStringLiteral("115200"), bool opened = true)
    {
        if (!make(model))
            return false;
        driver->setBlockWaits(600, 20);
        rtu = overPty || !driver->choosesFraming();
        if (rtu && !overPty)
            options << QStringLiteral("--rtu");
        return link.start(overPty ? QStringLiteral("串口") : QStringLiteral("网络"), options, baudRate)
            && (!opened || open());
    }
    // `model`'s driver opened over `mode` on a stand-in that speaks RTU on every link.
    bool startOver(const QString &mode, const QString &model, const QStringList &options)
    {
        return make(model) && link.start(mode, options) && open();
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
    // The requests from the `from`-th on, as station address and PDU (no CRC, no header);
    // frames of other kinds (sensor records) as they came.
    QStringList frames(int from) const
    {
        QStringList out;
        const QStringList all = peer.requests();
        for (int i = from; i < all.size(); ++i) {
            const QString &r = all.at(i);
            const bool registers = QStringList{"03", "06", "10"}.contains(r.mid(2, 2));
            out << (!rtu ? r.mid(12) : registers ? r.chopped(4) : r);
        }
        return out;
    }
};

// A worked example: `op` on `model`'s driver gives `result` and puts exactly `frames` on the
// wire (blanks in them are for reading only).
struct Golden
{
    const char *name;
    const char *model;
    QStringList options;
    std::function<bool(RegisterCollection *)> op;
    bool result;
    QStringList frames;
};

// Runs the example on a rig started for it; every request passed the stand-in's own checks.
inline void checkGolden(Rig &rig, const Golden &g)
{
    const int before = rig.sent();
    QVERIFY2(rig.run(g.op) == g.result, g.name);
    QStringList expected = g.frames;
    expected.replaceInStrings(QStringLiteral(" "), QString());
    QCOMPARE(rig.frames(before), expected);
    QVERIFY2(!rig.peer.logValues("check").contains(QStringLiteral("bad")), g.name);
}

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

// Where replies are told apart by their order alone, a request waits for a quiet line after a
// fault only when a try timed out or another station answered: `clean` then takes half a reply
// window or more.
inline void checkQuietWait(Rig &rig, bool quietWait, const std::function<bool(RegisterCollection *)> &clean)
{
    QElapsedTimer clock;
    clock.start();
    QVERIFY(rig.run(clean));
    const bool ordered = rig.rtu || rig.driver->answersTransactionZero();
    const int halfWindowMs = rig.driver->timings().replyPolls * rig.driver->timings().pollMs / 2;
    QVERIFY2(!ordered || quietWait == (clock.elapsed() >= halfWindowMs), qPrintable(QString::number(clock.elapsed())));
}

// Replies 1.5 reply windows late, then (values changed) 0.7 late: every read of the value table
// (or the first row's coefficients) gives the values asked for or fails, never a late reply's.
inline void checkLateReplies(Rig &rig, int windowMs, const QList<ChannelRecord> &rows, bool coefficients,
                             const QStringList &before, const QStringList &change, const QStringList &after)
{
    QStringList values;
    auto readNow = [&] {
        ChannelRecord c = rows.first();
        values.clear();
        const bool read = rig.run([&](RegisterCollection *d) {
            return coefficients ? d->readChannelCoefficients(c) : d->readValues(values); });
        if (coefficients)
            values = coefficientsOf(c);
        return read;
    };
    QVERIFY(rig.peer.command(QStringLiteral("late %1").arg(windowMs * 3 / 2)));
    if (readNow())
        QCOMPARE(values, before);
    for (const QString &statement : change)
        QVERIFY(rig.peer.command(statement));
    QVERIFY(rig.peer.command(QStringLiteral("late %1").arg(windowMs * 7 / 10)));
    if (readNow())
        QCOMPARE(values, after);
    QVERIFY(readNow());
    QCOMPARE(values, after);
}
