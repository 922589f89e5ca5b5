// Curve benchmark: what missing values cost the curves.
//  1. The report page with a project of 32 channels x 100,000 rows one second apart, once with no
//     value missing, once with every other value missing and once with 1 % missing at random.
//     Each case runs in a process of its own (so that its peak memory is its own) and prints the
//     time from the double click on the project until the page is painted, the time to hide every
//     curve and paint, then show every curve and paint, and the peak resident memory.
//     Aims: a case with gaps takes at most 2x the time and 1.5x the memory of the case without.
//  2. The on-line display tick (the display slot and the painting it causes) of 3 projects x 300
//     channels x 1200 points with 10 % of the values missing at random, divided by the 1000 ms
//     display interval (aim: <= 0.1).
// Usage: bench_chart [rows, default 100000] [seconds a case may take, default 300]
// The last line is: report_time_ratio T report_memory_ratio M live_tick L

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTreeWidget>

#include <sys/resource.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>

#include <sqlite3.h>

#include "ChartView.h"
#include "Database.h"
#include "LiveDisplay.h"
#include "RawSampleInsert.h"
#include "SystemSettings.h"
#include "VerificationReport.h"

namespace {

constexpr int kChannels = 32;
const QDateTime kStart(QDate(2024, 5, 6), QTime(0, 0, 0));
const char *const kCases[] = {"none", "alternate", "random"};

double peakMegabytes()
{
    struct rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0;
}

void paintNow(QWidget *window)
{
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    window->repaint();
}

// A fresh database in `folder` holding project "curves": `rows` rows, values missing as `kind`
// says ("none", "alternate": every other value of every channel, "random": 1 %).
bool makeProject(const QString &folder, const char *kind, int rows)
{
    const QString file = folder + QStringLiteral("/") + databaseFileName();
    if (!QFile::copy(QStringLiteral(VAZUV_EMPTY_DB_PATH), file)
        || !openDatabaseConnection(QStringLiteral("fill"), file))
        return false;
    ParametersRecord p;
    p.Name = QStringLiteral("curves");
    p.CreateTime = kStart.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
    p.Start = p.CreateTime;
    p.End = kStart.addSecs(rows - 1).toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
    p.ScanInterval = QStringLiteral("1");
    p.Model = QStringList{QStringLiteral("1586A")};
    p.SerialNumber = QStringList{QStringLiteral("A1")};
    p.ChannelConfig = QStringList{QStringLiteral("c1")};
    for (int c = 0; c < kChannels; ++c) {
        p.ChannelNumber << QStringLiteral("1-%1").arg(101 + c);
        p.ChannelUnit << (c < kChannels / 2 ? QStringLiteral("℃") : QStringLiteral("V"));
    }
    const bool stored = insertParameters(p, QStringLiteral("fill"));
    closeDatabaseConnection(QStringLiteral("fill"));
    if (!stored)
        return false;

    sqlite3 *db = nullptr;
    sqlite3_stmt *insert = nullptr;
    if (sqlite3_open(QFile::encodeName(file).constData(), &db) != SQLITE_OK
        || sqlite3_exec(db, "begin", nullptr, nullptr, nullptr) != SQLITE_OK
        || sqlite3_prepare_v2(db, "insert into ParametersData values (?,?,?)", -1, &insert,
                              nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        return false;
    }
    std::mt19937 random(12345);
    bool ok = true;
    QList<ParametersDataRow> chunk;
    for (int r = 0; r < rows && ok; ++r) {
        ParametersDataRow row;
        row.name = p.Name;
        row.time = kStart.addSecs(r);
        for (int c = 0; c < kChannels; ++c) {
            const bool missing = (std::strcmp(kind, "alternate") == 0 && r % 2 == 1)
                || (std::strcmp(kind, "random") == 0 && random() % 100 == 0);
            row.values << (missing ? QStringLiteral("nan")
                                   : QString::number(20.0 + c + 5.0 * std::sin(r / 3000.0 + c),
                                                     'f', 3));
        }
        chunk.append(row);
        if (chunk.size() == 10000 || r == rows - 1) {
            ok = insertRowsWithCApi(insert, chunk);
            chunk.clear();
        }
    }
    sqlite3_finalize(insert);
    ok = ok && sqlite3_exec(db, "commit", nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(db);
    return ok;
}

// One report case in this process, on the database in the current folder; prints its figures.
int reportCase()
{
    if (!openDatabaseConnection())
        return 1;
    SystemSettings settings;
    settings.dataAccuracy = 2;
    VerificationReport page;
    page.setSettings(&settings);
    page.resize(1600, 1000);
    page.show();
    paintNow(&page);
    auto *tree = page.findChild<QTreeWidget *>(QStringLiteral("treeWidget_Device"));
    auto *chart = page.findChild<ChartView *>();
    if (!tree || tree->topLevelItemCount() != 1 || !chart)
        return 1;

    QElapsedTimer clock;
    clock.start();
    QTreeWidgetItem *item = tree->topLevelItem(0);
    item->setCheckState(0, Qt::Checked);
    page.treeItemChanged(item, 0);
    page.treeDoubleChanged(item, 0);
    paintNow(&page);
    const double loadMs = clock.nsecsElapsed() / 1e6;
    if (chart->channelCount() != kChannels)
        return 1;

    clock.start();
    for (int c = 0; c < kChannels; ++c)
        chart->hideSeries(c);
    paintNow(&page);
    for (int c = 0; c < kChannels; ++c)
        chart->showSeries(c);
    paintNow(&page);
    const double hideShowMs = clock.nsecsElapsed() / 1e6;
    std::printf("load_ms %.1f hide_show_ms %.1f peak_mb %.1f\n", loadMs, hideShowMs,
                peakMegabytes());
    return 0;
}

// One live case in this process; prints its figure.
int liveCase()
{
    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    if (!QFile::copy(QStringLiteral(VAZUV_EMPTY_DB_PATH), databaseFileName())
        || !openDatabaseConnection())
        return 1;
    auto script = std::make_shared<InstantScript>();
    script->guiThread = QThread::currentThread();
    script->missingPercent = 10;
    LiveDisplay::useInstantInstruments(script);
    const double tick = LiveDisplay::medianTick(*script);
    closeDatabaseConnection();
    std::printf("tick_ms %.1f\n", tick);
    return 0;
}

struct Figures
{
    bool done = false;
    QMap<QString, double> values;
};

// Runs this program on one case, at most `seconds` long; its last line holds "name value" pairs.
Figures runCase(const QStringList &args, const QString &folder, int seconds)
{
    QProcess child;
    child.setWorkingDirectory(folder);
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), args);
    Figures figures;
    if (!child.waitForFinished(seconds * 1000)) {
        child.kill();
        child.waitForFinished();
        return figures;
    }
    const QString out = QString::fromLocal8Bit(child.readAllStandardOutput()).trimmed();
    const QStringList words = out.split(QLatin1Char('\n')).last().split(QLatin1Char(' '));
    for (int i = 0; i + 1 < words.size(); i += 2)
        figures.values.insert(words.at(i), words.at(i + 1).toDouble());
    figures.done = child.exitCode() == 0 && !figures.values.isEmpty();
    return figures;
}

} // namespace

int main(int argc, char **argv)
{
    LiveDisplay::prepareBenchmark();
    QApplication app(argc, argv);
    if (argc > 1 && std::strcmp(argv[1], "--report") == 0)
        return reportCase();
    if (argc > 1 && std::strcmp(argv[1], "--live") == 0)
        return liveCase();

    const int rows = argc > 1 ? qMax(10, atoi(argv[1])) : 100000;
    const int seconds = argc > 2 ? qMax(10, atoi(argv[2])) : 300;
    QTemporaryDir dir;
    std::printf("1. report page, %d channels x %d rows\n", kChannels, rows);
    QMap<QString, Figures> report;
    for (const char *kind : kCases) {
        const QString folder = dir.path() + QStringLiteral("/") + QLatin1String(kind);
        if (!QDir().mkpath(folder) || !makeProject(folder, kind, rows)) {
            std::fprintf(stderr, "cannot write the project of case %s\n", kind);
            return 1;
        }
        const Figures f = runCase({QStringLiteral("--report")}, folder, seconds);
        report.insert(QLatin1String(kind), f);
        if (f.done)
            std::printf("  %-9s load and first paint %9.1f ms, hide and show all %9.1f ms, "
                        "peak %7.1f MB\n",
                        kind, f.values.value("load_ms"), f.values.value("hide_show_ms"),
                        f.values.value("peak_mb"));
        else
            std::printf("  %-9s did not finish within %d s\n", kind, seconds);
    }
    // The worst case with gaps against the case without.
    const Figures &base = report.value(QStringLiteral("none"));
    double timeRatio = -1, memoryRatio = -1;
    for (const char *kind : {"alternate", "random"}) {
        const Figures &f = report.value(QLatin1String(kind));
        if (!base.done || !f.done) {
            timeRatio = memoryRatio = qInf();
            continue;
        }
        const double t = qMax((f.values.value("load_ms")) / base.values.value("load_ms"),
                              f.values.value("hide_show_ms") / base.values.value("hide_show_ms"));
        timeRatio = qMax(timeRatio, t);
        memoryRatio = qMax(memoryRatio, f.values.value("peak_mb") / base.values.value("peak_mb"));
    }
    std::printf("   gaps / no gaps: time %.2f (aim <= 2), memory %.2f (aim <= 1.5)\n", timeRatio,
                memoryRatio);

    std::printf("2. display tick, 3 projects x 300 channels x 1200 points, 10 %% missing\n");
    const Figures live = runCase({QStringLiteral("--live")}, dir.path(), seconds * 4);
    const double tick = live.done ? live.values.value("tick_ms") / 1000.0 : qInf();
    std::printf("   median tick / 1000 ms display interval = %.3f (aim <= 0.1)\n", tick);
    std::printf("report_time_ratio %.2f report_memory_ratio %.2f live_tick %.3f\n", timeRatio,
                memoryRatio, tick);
    return 0;
}
