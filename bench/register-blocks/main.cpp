// Block-read benchmark: readValues of each block model at its full channel count (every channel
// a temperature, so one block per read) against the libmodbus instrument (tests/peers) over a
// pty pair, the instrument taking each request's wire time and sending its answer byte by byte
// at 9600 and at 115200 baud (8N1, 10 bits a byte). Per baud rate it prints the measured time of
// all reads divided by their wire-time floor (request and reply bytes × 10 / baud). The fixed
// waits that are not wire time (the pause between two blocks, the settle after the set-up) are
// set to 0. Aim: both ratios <= 1.2.
// The last line is "wire_ratio_9600 A wire_ratio_115200 B".
// Usage: bench_register_blocks [reads at 115200, default 20; a fifth of them at 9600]

#include <QCoreApplication>

#include <cstdio>
#include <memory>

#include "FakeLink.h"
#include "RegisterCollection.h"
#include "Registry.h"
#include "WorkerCall.h"

namespace {
struct Model
{
    const char *name;
    const char *type;
    const char *function;
    int channels;
    int registers;      // of the temperature block at the full channel count
};

const Model models[] = {
    {"Vosk-TC", "热电偶", "K", 68, 2 * 68},
    {"Vosk-32CH", "热敏电阻", "R(T)", 32, 2 * 32 + 192},
    {"Vosk-NTC-36CH", "热敏电阻", "R(T)", 36, 4 * 36},
    {"Vosk-RTD", "铂电阻", "ITS90", 16, 4 * 16},
    {"Pirl-NTC-32CH", "热敏电阻", "R(T)", 32, 4 * 32},
};

// The wire-time ratio of `reads` reads of every model at `baud`; negative when one failed.
double ratioAt(int baud, int reads)
{
    double measuredMs = 0, floorMs = 0;
    for (const Model &m : models) {
        FakeLink link{QStringLiteral(MODBUS_PEER)};
        if (!link.start(QStringLiteral("串口"), {"--pace", QString::number(baud)}, QString::number(baud)))
            return -1;
        std::unique_ptr<RegisterCollection> d(
            qobject_cast<RegisterCollection *>(createCollection(QString::fromLatin1(m.name))));
        RegisterCollection::Timings t = d->timings();
        t.blockGapMs = 0;
        t.setUpSettleMs = 0;
        d->setTimings(t);
        QList<ChannelRecord> rows;
        for (int n = 1; n <= m.channels; ++n) {
            ChannelRecord row;
            row.channelNumber = QString::number(100 + n);
            row.type = QString::fromUtf8(m.type);
            row.function = QString::fromUtf8(m.function);
            row.unit = QStringLiteral("℃");
            rows << row;
        }
        if (!runOnWorker([&] {
                return d->open(link.mode(), link.address(), link.portOrBaud())
                    && d->configureChannels(d->scanRateList().first(), rows);
            }))
            return -1;
        int failed = 0;
        qint64 elapsedMs = 0;
        runOnWorkerTimed([&] {
            QStringList values;
            for (int i = 0; i < reads; ++i)
                failed += !d->readValues(values) || values.size() != m.channels;
        }, elapsedMs);
        const double wireMs = 1000.0 * (8 + 2 * m.registers + 5) * 10 / baud * reads;
        std::printf("%-14s %6d baud  %d reads  %8.1f ms  wire %8.1f ms  ratio %.3f  failed %d\n",
                    m.name, baud, reads, double(elapsedMs), wireMs, elapsedMs / wireMs, failed);
        if (failed)
            return -1;
        measuredMs += elapsedMs;
        floorMs += wireMs;
    }
    return measuredMs / floorMs;
}
} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int reads = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 20;
    const double slow = ratioAt(9600, qMax(1, reads / 5));
    const double fast = ratioAt(115200, reads);
    std::printf("wire_ratio_9600 %.3f wire_ratio_115200 %.3f\n", slow, fast);
    return slow > 0 && fast > 0 ? 0 : 1;
}
