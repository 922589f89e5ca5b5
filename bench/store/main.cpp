// Fills a database with 10 projects of 100,000 samples of 16 channels, then reads one project
// back with selectParametersData and with the sqlite3 C API (prepared statement), and inserts
// 100,000 samples through the store's batch path and through the C API in one transaction.
// Both sides build the same rows from the same texts, so the ratios show what the store's own
// layer costs. The last line prints: read ratio, batch-insert ratio (store rows/s / C rows/s).

#include <cstdio>

#include <sqlite3.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include "Database.h"
#include "RawSampleInsert.h"
#include "SampleRows.h"

namespace {

const int kProjects = 10;
const int kSamples = 100000;
const int kChannels = 16;

QStringList valuesFor(int sample)
{
    QStringList values;
    values.reserve(kChannels);
    for (int c = 0; c < kChannels; ++c)
        values << QString::number(20.0 + c * 0.5 + (sample % 1000) * 0.0001, 'f', 4);
    return values;
}

bool check(int rc, sqlite3 *db, const char *what)
{
    if (rc == SQLITE_OK || rc == SQLITE_DONE || rc == SQLITE_ROW)
        return true;
    std::fprintf(stderr, "%s: %s\n", what, sqlite3_errmsg(db));
    return false;
}

// Inserts rows with the C API inside one transaction; returns false on any error.
bool insertWithCApi(sqlite3 *db, const QList<ParametersDataRow> &rows)
{
    if (!check(sqlite3_exec(db, "begin", nullptr, nullptr, nullptr), db, "begin"))
        return false;
    sqlite3_stmt *st = nullptr;
    if (!check(sqlite3_prepare_v2(db, "insert into ParametersData values (?,?,?)", -1, &st,
                                  nullptr),
               db, "prepare"))
        return false;
    const bool ok = insertRowsWithCApi(st, rows);
    if (!ok)
        check(SQLITE_ERROR, db, "insert");
    sqlite3_finalize(st);
    return check(sqlite3_exec(db, ok ? "commit" : "rollback", nullptr, nullptr, nullptr), db,
                 "commit")
        && ok;
}

bool readWithCApi(sqlite3 *db, const QString &project, QList<ParametersDataRow> &out)
{
    sqlite3_stmt *st = nullptr;
    if (!check(sqlite3_prepare_v2(db, "select * from ParametersData where Name = ?", -1, &st,
                                  nullptr),
               db, "prepare"))
        return false;
    const QByteArray name = project.toUtf8();
    sqlite3_bind_text(st, 1, name.constData(), name.size(), SQLITE_TRANSIENT);
    out.clear();
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
        auto text = [st](int col) {
            return QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st, col)),
                                     sqlite3_column_bytes(st, col));
        };
        out.append(decodeParametersDataRow(text(0), text(1), text(2)));
    }
    const bool ok = check(rc, db, "select");
    sqlite3_finalize(st);
    return ok;
}

double rate(int rows, qint64 ns)
{
    return ns > 0 ? rows / (ns / 1e9) : 0.0;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir tmp;
    const QString path = QDir(tmp.path()).filePath(QStringLiteral("DAQ-Vemka.db3"));
    if (!tmp.isValid() || !QFile::copy(QStringLiteral(VAZUV_EMPTY_DB_PATH), path)) {
        std::fprintf(stderr, "cannot copy the empty database %s\n", VAZUV_EMPTY_DB_PATH);
        return 1;
    }
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);

    sqlite3 *db = nullptr;
    if (sqlite3_open(path.toUtf8().constData(), &db) != SQLITE_OK) {
        std::fprintf(stderr, "cannot open %s\n", qPrintable(path));
        return 1;
    }

    // Fill: the projects' samples interleaved in time, as several projects of one run are.
    QElapsedTimer timer;
    timer.start();
    {
        const QDateTime t0(QDate(2024, 1, 1), QTime(0, 0));
        QList<ParametersDataRow> rows;
        rows.reserve(kProjects * 10000);
        for (int s = 0; s < kSamples; ++s) {
            const QStringList values = valuesFor(s);
            for (int p = 0; p < kProjects; ++p)
                rows.append({QStringLiteral("Project%1").arg(p), t0.addMSecs(s * 1000LL), values});
            if (rows.size() >= kProjects * 10000 || s == kSamples - 1) {
                if (!insertWithCApi(db, rows))
                    return 1;
                rows.clear();
            }
        }
    }
    std::printf("fill: %d projects x %d samples x %d channels in %.1f s\n", kProjects, kSamples,
                kChannels, timer.nsecsElapsed() / 1e9);

    if (!openDatabaseConnection(QString(), path)) {
        std::fprintf(stderr, "the store cannot open %s\n", qPrintable(path));
        return 1;
    }

    // Read one whole project, each way twice (the first pass also warms the file cache); the
    // faster pass of each counts.
    const QString project = QStringLiteral("Project4");
    qint64 storeRead = -1, cRead = -1;
    int storeRows = 0, cRows = 0;
    for (int pass = 0; pass < 2; ++pass) {
        QList<ParametersDataRow> viaC, viaStore;
        timer.restart();
        if (!readWithCApi(db, project, viaC))
            return 1;
        const qint64 c = timer.nsecsElapsed();
        timer.restart();
        if (!selectParametersData(viaStore, project))
            return 1;
        const qint64 s = timer.nsecsElapsed();
        if (viaStore.size() != kSamples || viaStore != viaC) {
            std::fprintf(stderr, "the two reads differ (%d and %d rows)\n", int(viaStore.size()),
                         int(viaC.size()));
            return 1;
        }
        storeRows = viaStore.size();
        cRows = viaC.size();
        cRead = cRead < 0 ? c : qMin(cRead, c);
        storeRead = storeRead < 0 ? s : qMin(storeRead, s);
    }
    const double storeReadRate = rate(storeRows, storeRead);
    const double cReadRate = rate(cRows, cRead);
    std::printf("read one project: store %.0f rows/s, C API %.0f rows/s\n", storeReadRate,
                cReadRate);

    // Batch insert of 100,000 samples each way, into projects of their own.
    QList<ParametersDataRow> batchStore, batchC;
    batchStore.reserve(kSamples);
    batchC.reserve(kSamples);
    const QDateTime t1(QDate(2024, 6, 1), QTime(0, 0));
    for (int s = 0; s < kSamples; ++s) {
        const QStringList values = valuesFor(s);
        batchStore.append({QStringLiteral("BatchStore"), t1.addMSecs(s * 250LL), values});
        batchC.append({QStringLiteral("BatchC"), t1.addMSecs(s * 250LL), values});
    }
    timer.restart();
    if (!insertWithCApi(db, batchC))
        return 1;
    const qint64 cInsert = timer.nsecsElapsed();
    timer.restart();
    if (!insertParametersDataBatch(batchStore)) {
        std::fprintf(stderr, "the store's batch insert failed\n");
        return 1;
    }
    const qint64 storeInsert = timer.nsecsElapsed();
    const double storeInsertRate = rate(kSamples, storeInsert);
    const double cInsertRate = rate(kSamples, cInsert);
    std::printf("batch insert: store %.0f rows/s, C API %.0f rows/s\n", storeInsertRate,
                cInsertRate);

    closeDatabaseConnection(QString());
    sqlite3_close(db);
    std::printf("ratios (store/C API rows per second): read %.2f, batch insert %.2f\n",
                storeReadRate / cReadRate, storeInsertRate / cInsertRate);
    return 0;
}
