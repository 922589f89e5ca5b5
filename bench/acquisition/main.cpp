// On-line run benchmark, with in-process instruments that answer at once.
//  1. The display tick with 3 projects of 300 channels each, curves and tables full
//     (1200 points), the painting it causes included: its median time divided by the 1000 ms
//     display interval (aim: <= 0.1);
//     once with smooth curves, once with values that vary by up to 2 units from sample to
//     sample (noisy at the scale of a pixel: the most points a curve is drawn through).
//  2. The mean lateness of sample times against their schedule over 1,000 samples at a
//     100 ms interval (aim: <= 1 ms, one poll step).
//  3. The processor time of the process divided by the wall time during a 60 s wait for the
//     planned start (aim: < 0.05).
// Usage: bench_acquisition [seconds of the start wait, default 60]
//        bench_acquisition --display   (figure 1 only)

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLineEdit>
#include <QSqlQuery>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <memory>
#include <thread>

#include "Database.h"
#include "LiveDisplay.h"
#include "ParametersOnLine.h"

using namespace OnlineTest;

namespace {

using LiveDisplay::spin;
using LiveDisplay::waitFor;
using LiveDisplay::instant;

QString runState(ParametersOnLine *w)
{
    return w->runState();
}

double processCpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return ts.tv_sec + ts.tv_nsec / 1e9;
}

// 1. Median display tick at full tables and curves.
double displayTick(InstantScript &script, int noiseMilli)
{
    script.noiseMilli = noiseMilli;
    return LiveDisplay::medianTick(script);
}

// 2. Mean lateness of the sample times against start + i * interval.
double meanLateness(int samples, int intervalMs, double *worst)
{
    SystemSettings settings;
    const QDateTime now = QDateTime::currentDateTime();
    const qint64 seconds = qint64(samples) * intervalMs / 1000;   // samples + 1 taken
    fillPlan(settings, {instant(1, 4, 0, intervalMs / 1000.0)}, {QStringLiteral("L")}, now,
             now.addSecs(seconds));
    auto w = std::make_unique<ParametersOnLine>();
    w->start(&settings);
    waitFor([&] { return runState(w.get()) == QStringLiteral("结束"); },
            samples * intervalMs * 2 + 30000);
    w.reset();

    QList<QDateTime> times;
    QSqlQuery query(QStringLiteral("select Time from ParametersData where Name = 'L' order by rowid"));
    while (query.next())
        times.append(QDateTime::fromString(query.value(0).toString(),
                                           QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz")));
    double sum = 0;
    *worst = 0;
    for (int i = 0; i < times.size(); ++i) {
        const double late = times.first().msecsTo(times.at(i)) - double(i) * intervalMs;
        sum += late;
        *worst = std::max(*worst, late);
    }
    std::printf("  %d samples stored\n", int(times.size()));
    return times.isEmpty() ? -1 : sum / times.size();
}

// 3. Processor time over wall time while the set-up worker waits for the planned start.
double waitLoad(int seconds)
{
    SystemSettings settings;
    const QDateTime start = QDateTime::currentDateTime().addSecs(seconds + 5);
    fillPlan(settings, {instant(1, 4, 0, 1.0)}, {QStringLiteral("W")}, start, start.addSecs(5));
    auto w = std::make_unique<ParametersOnLine>();
    w->show();
    w->start(&settings);
    waitFor([&] { return w->findChild<QLineEdit *>(QStringLiteral("lineEdit_Information"))->text()
                      == QStringLiteral("开始等待中..."); },
            10000);
    const double cpu0 = processCpuSeconds();
    QElapsedTimer wall;
    wall.start();
    spin(seconds * 1000);
    const double load = (processCpuSeconds() - cpu0) / (wall.nsecsElapsed() / 1e9);
    w.reset();
    return load;
}

} // namespace

int main(int argc, char **argv)
{
    LiveDisplay::prepareBenchmark();
    QApplication app(argc, argv);
    const bool displayOnly = argc > 1 && qstrcmp(argv[1], "--display") == 0;
    const int waitSeconds = argc > 1 && !displayOnly ? qMax(1, atoi(argv[1])) : 60;

    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    if (!QFile::copy(QStringLiteral(VAZUV_EMPTY_DB_PATH), databaseFileName())
        || !openDatabaseConnection()) {
        std::fprintf(stderr, "cannot prepare the database from %s\n", VAZUV_EMPTY_DB_PATH);
        return 1;
    }
    auto script = std::make_shared<InstantScript>();
    script->guiThread = QThread::currentThread();
    LiveDisplay::useInstantInstruments(script);

    std::printf("1. display tick, 3 projects x 300 channels x 1200 points\n");
    const double tickMs = displayTick(*script, 0);
    std::printf("   median tick %.1f ms; / 1000 ms display interval = %.3f (aim <= 0.1)\n",
                tickMs, tickMs / 1000.0);
    std::printf("1b. the same with noisy values\n");
    const double noisyMs = displayTick(*script, 2000);
    script->noiseMilli = 0;
    std::printf("   median tick %.1f ms; / 1000 ms display interval = %.3f (aim <= 0.1)\n",
                noisyMs, noisyMs / 1000.0);
    if (displayOnly) {
        closeDatabaseConnection();
        return 0;
    }

    std::printf("2. sample lateness, 1000 samples at 100 ms\n");
    double worst = 0;
    const double lateMs = meanLateness(1000, 100, &worst);
    std::printf("   mean lateness %.3f ms, worst %.0f ms (aim <= 1 ms)\n", lateMs, worst);

    std::printf("3. processor load during a %d s wait for the planned start\n", waitSeconds);
    const double load = waitLoad(waitSeconds);
    std::printf("   cpu / wall = %.4f (aim < 0.05)\n", load);

    std::printf("display %.3f display_noisy %.3f lateness_ms %.3f wait_load %.4f\n",
                tickMs / 1000.0, noisyMs / 1000.0, lateMs, load);
    closeDatabaseConnection();
    return 0;
}
