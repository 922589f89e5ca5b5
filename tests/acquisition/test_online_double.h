#pragma once
// An in-process acquisition instrument that answers at once, steered by a shared script: a test
// (or a benchmark) makes the on-line window create these through its driver factory and then
// breaks the link, stalls a read or returns a short value list at will. Each instrument gives
// `channels` values per sample: instrument number * 100 + channel + sample / 1000 as text with
// three decimals, so a value tells its instrument, its channel and its sample.

#include <QMap>
#include <QMutex>
#include <QMutexLocker>
#include <QStringList>
#include <QThread>

#include <atomic>
#include <cmath>
#include <memory>

// By its path: the benchmark builds this double without the test support library.
#include "../common/StubCollection.h"
#include "Terms.h"

struct InstantScript
{
    std::atomic<bool> linkDown{false};     // open fails and every read fails while set
    std::atomic<int> failFetches{0};       // the next n fetches fail (counted down)
    std::atomic<int> shortLists{0};        // the next n fetches give one value too few
    std::atomic<int> fetchDelayMs{0};      // each fetch takes this long
    std::atomic<int> noiseMilli{0};        // values vary pseudo-randomly by up to this / 1000
    std::atomic<int> missingPercent{0};    // this share of the values is "nan", pseudo-randomly
    std::atomic<int> fetchPermits{-1};     // >= 0: fetches wait for a permit, each takes one
    QMap<int, QStringList> replies;        // sample -> the texts it answers (set before a run)
    std::atomic<int> opens{0};
    std::atomic<int> closes{0};
    std::atomic<int> closesOnGuiThread{0};
    std::atomic<int> fetches{0};
    std::atomic<int> configures{0};
    std::atomic<int> busy{0};              // instrument calls in progress
    QThread *guiThread = nullptr;
};

class InstantCollection : public StubCollection
{
public:
    InstantCollection(std::shared_ptr<InstantScript> script, int instrument, int channels)
        : script(std::move(script)), instrument(instrument), channels(channels)
    {
    }

    bool open(QString, QString, QString) override
    {
        Call call(*script);
        ++script->opens;
        if (script->linkDown)
            return false;
        connected = true;
        return true;
    }
    bool close() override
    {
        Call call(*script);
        ++script->closes;
        if (QThread::currentThread() == script->guiThread)
            ++script->closesOnGuiThread;
        connected = false;
        return true;
    }
    bool sendCommand(QString) override { return connected; }
    bool readSerialNumber(QString &serial) override
    {
        serial = QStringLiteral("FAKE");
        return true;
    }
    bool configureChannels(QString, QList<ChannelRecord> rows) override
    {
        Call call(*script);
        ++script->configures;
        configured = rows;
        return connected && !script->linkDown;
    }
    bool requestValues() override
    {
        Call call(*script);
        return connected && !script->linkDown;
    }
    bool fetchValues(QStringList &values) override
    {
        Call call(*script);
        ++script->fetches;
        if (script->fetchDelayMs > 0)
            delayMs(script->fetchDelayMs);
        while (script->fetchPermits == 0 && !script->linkDown)
            delayMs(5);
        if (script->fetchPermits > 0)
            --script->fetchPermits;
        if (!connected || script->linkDown)
            return false;
        if (script->failFetches > 0) {
            --script->failFetches;
            return false;
        }
        const int count = channels - (script->shortLists > 0 ? 1 : 0);
        if (script->shortLists > 0)
            --script->shortLists;
        values = script->replies.value(sample);
        for (int c = 1; c <= count && !script->replies.contains(sample); ++c) {
            const double noise = script->noiseMilli / 1000.0
                * std::fabs(std::fmod(std::sin((instrument * 1000 + c) * 12.9898 + sample * 78.233)
                                          * 43758.5453,
                                      1.0));
            const double draw = std::fabs(std::fmod(std::sin((instrument * 1000 + c) * 39.3467
                                                             + sample * 11.135) * 24634.6345, 1.0));
            if (draw * 100 < script->missingPercent)
                values.append(QStringLiteral("nan"));
            else
                values.append(QString::number(instrument * 100 + c + sample / 1000.0 + noise, 'f', 3));
        }
        ++sample;
        return true;
    }
    bool readValues(QStringList &values) override { return requestValues() && fetchValues(values); }

    QList<ChannelRecord> configured;

    // Channels and the calls a run makes succeed; the rest is the stub's: nothing to offer.
    int channelCount() override { return channels; }
    bool checkChannels(QList<ChannelRecord>, QString &) override { return true; }
    bool setDeviceTime(QDateTime) override { return true; }
    bool setScanInterval(double, int) override { return true; }

private:
    struct Call
    {
        explicit Call(InstantScript &s) : s(s) { ++s.busy; }
        ~Call() { --s.busy; }
        InstantScript &s;
    };

    std::shared_ptr<InstantScript> script;
    int instrument;
    int channels;
    int sample = 0;
};
