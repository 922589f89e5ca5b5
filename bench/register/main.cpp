// Register-instrument benchmark against the libmodbus instrument (tests/peers) over loopback TCP:
//  1. 1,000 readValues of 16 channels from a Dravo (RTU frames over TCP, one block per read):
//     the mean time of a read beyond the fixed waits it must make (one 10 ms reply poll and the
//     30 ms pause after the temperature block). Aim: <= 10 ms (one poll step).
//  2. The processor time of the process divided by the wall time while one read waits out its
//     reply budget on an instrument that stays silent. Aim: < 0.05.
// The last line is "beyond_ms B wait_load L".
// Usage: bench_register [reads, default 1000]

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdio>
#include <ctime>
#include <memory>

#include "FakeLink.h"
#include "RegisterCollection.h"
#include "Registry.h"
#include "WorkerCall.h"

namespace {
double processCpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return ts.tv_sec + ts.tv_nsec / 1e9;
}
} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int reads = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 1000;
    FakeLink link{QStringLiteral(MODBUS_PEER)};
    if (!link.start(QStringLiteral("网络"), {"--rtu", "--double", "0019", "20.5", "21.5"})) {
        std::fprintf(stderr, "the instrument did not start\n");
        return 1;
    }
    std::unique_ptr<RegisterCollection> dravo(
        qobject_cast<RegisterCollection *>(createCollection(QStringLiteral("Dravo"))));
    QList<ChannelRecord> rows;
    for (int n = 0; n < 16; ++n) {
        ChannelRecord row;
        row.channelNumber = n == 0 ? QStringLiteral("001") : QString::number(100 + n);
        row.type = n == 0 ? QStringLiteral("铂电阻") : QStringLiteral("热敏电阻");
        row.function = n == 0 ? QStringLiteral("ITS90") : QStringLiteral("R(T)");
        row.unit = QStringLiteral("℃");
        rows << row;
    }
    if (!runOnWorker([&] {
            return dravo->open(link.mode(), link.address(), link.portOrBaud())
                && dravo->configureChannels(QStringLiteral("标准"), rows);
        })) {
        std::fprintf(stderr, "open or set-up failed\n");
        return 1;
    }

    const RegisterCollection::Timings t = dravo->timings();
    const double fixedMs = t.pollMs + t.blockGapMs;
    int failed = 0;
    qint64 elapsedMs = 0;
    runOnWorkerTimed([&] {
        QStringList values;
        for (int i = 0; i < reads; ++i)
            if (!dravo->readValues(values) || values.size() != 16)
                ++failed;
    }, elapsedMs);
    const double meanMs = double(elapsedMs) / reads;
    std::printf("reads %d failed %d mean_ms %.3f fixed_ms %.0f\n", reads, failed, meanMs, fixedMs);

    link.fake().command(QStringLiteral("fault silence 0"));
    QElapsedTimer wall;
    wall.start();
    const double cpu0 = processCpuSeconds();
    QString serial;
    const bool answered = runOnWorker([&] { return dravo->readSerialNumber(serial); });
    const double load = (processCpuSeconds() - cpu0) / (wall.elapsed() / 1000.0);
    std::printf("silent wait %lld ms (answered %d)\n", static_cast<long long>(wall.elapsed()),
                int(answered));
    std::printf("beyond_ms %.3f wait_load %.4f\n", meanMs - fixedMs, load);
    return failed == 0 ? 0 : 1;
}
