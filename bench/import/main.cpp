// Record-file import benchmark.
//  1. Writes a 1586A record file of 604,800 records (one week at 1 s) of 16 channels.
//  2. Imports it into a fresh database through the import dialog (ParametersImport) with the
//     1586A driver, from its OK button until the worker has committed; notes the peak resident
//     memory of the process.
//  3. Inserts the same rows into another fresh database through the sqlite3 C API, as
//     ParametersData rows (name, time text, values joined with ","), in one transaction; the
//     rows are made in chunks outside the timed inserts.
// Prints both rates; the last line is "import_ratio R peak_mb M": R is the import's rows per
// second divided by the raw insert's (aim: >= 0.5), M the peak resident memory in MB (aim: under
// 200, whatever the file's length).
// Usage: bench_import [records, default 604800]

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QMessageBox>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <cstring>

#include <sqlite3.h>

#include "Database.h"
#include "ParametersImport.h"
#include "RawSampleInsert.h"
#include "SampleRows.h"
#include "SystemSettings.h"
#include "test_online_plan.h"

namespace {

constexpr int kChannels = 16;
const QDateTime kStart(QDate(2024, 5, 6), QTime(0, 0, 0));
// The same clock readings without the local time zone: quick to step through a week.
const QDateTime kClockStart(kStart.date(), kStart.time(), Qt::UTC);

// The reading of channel c in record k, as the file holds it.
QString reading(qint64 k, int c)
{
    return QString::number(20.0 + c * 0.5 + (k % 1000) * 0.001, 'f', 3);
}

bool writeRecordFile(const QString &path, qint64 records)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QByteArray line = "Record Number,Time Stamp";
    for (int c = 0; c < kChannels; ++c)
        line += ",Ch " + QByteArray::number(101 + c) + " (\xC2\xB0\x43)";
    file.write(line + "\r\n");
    QByteArray chunk;
    for (qint64 k = 0; k < records; ++k) {
        const QDateTime stamp = kClockStart.addMSecs(k * 1000 + 250);
        chunk += QByteArray::number(k + 1) + ',' + formatSampleTime(stamp).toLatin1();
        for (int c = 0; c < kChannels; ++c)
            chunk += ',' + reading(k, c).toLatin1();
        chunk += "\r\n";
        if (chunk.size() > (1 << 20)) {
            file.write(chunk);
            chunk.clear();
        }
    }
    file.write(chunk);
    return file.flush();
}

void fillImportPlan(SystemSettings &settings, qint64 records)
{
    OnlineTest::PlannedInstrument instrument;
    instrument.model = QStringLiteral("1586A");
    instrument.signalMode = QStringLiteral("网络");
    instrument.address = QStringLiteral("127.0.0.1");
    instrument.port = QStringLiteral("3490");
    for (int c = 0; c < kChannels; ++c)
        instrument.projectOfChannel << 0;
    OnlineTest::fillPlan(settings, {instrument}, {QStringLiteral("bench")}, kStart,
                         kStart.addSecs(records));
    settings.acquisitionMode = QStringLiteral("导入");
}

bool copyEmptyDatabase(const QString &path)
{
    QFile::remove(path);
    if (!QFile::copy(QStringLiteral(VAZUV_EMPTY_DB_PATH), path))
        return false;
    return QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
}

double peakResidentMb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    return -1;
}

// Seconds of the raw insert of the import's rows (one per record) through the C API.
double rawInsertSeconds(const QString &path, qint64 records)
{
    sqlite3 *db = nullptr;
    if (sqlite3_open(path.toUtf8().constData(), &db) != SQLITE_OK)
        return -1;
    QElapsedTimer timer;
    qint64 ns = 0;
    bool ok = true;
    timer.start();
    ok = sqlite3_exec(db, "begin", nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_stmt *st = nullptr;
    ok = ok && sqlite3_prepare_v2(db, "insert into ParametersData values (?,?,?)", -1, &st,
                                  nullptr) == SQLITE_OK;
    ns += timer.nsecsElapsed();
    const qint64 chunk = 20000;
    for (qint64 from = 0; ok && from < records; from += chunk) {
        QList<ParametersDataRow> rows;
        for (qint64 k = from; k < qMin(records, from + chunk); ++k) {
            QStringList values;
            for (int c = 0; c < kChannels; ++c)
                values << reading(k, c);
            rows.append({QStringLiteral("raw"), kClockStart.addSecs(k), values});
        }
        timer.restart();
        ok = insertRowsWithCApi(st, rows);
        ns += timer.nsecsElapsed();
    }
    timer.restart();
    sqlite3_finalize(st);
    ok = sqlite3_exec(db, ok ? "commit" : "rollback", nullptr, nullptr, nullptr) == SQLITE_OK
        && ok;
    ns += timer.nsecsElapsed();
    sqlite3_close(db);
    return ok ? ns / 1e9 : -1;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const qint64 records = argc > 1 ? QByteArray(argv[1]).toLongLong() : 604800;
    if (records < 1) {
        std::fprintf(stderr, "usage: bench_import [records]\n");
        return 2;
    }
    QTemporaryDir tmp;
    const QString recordFile = QDir(tmp.path()).filePath(QStringLiteral("week.csv"));
    const QString importDb = QDir(tmp.path()).filePath(QStringLiteral("DAQ-Vemka.db3"));
    const QString rawDb = QDir(tmp.path()).filePath(QStringLiteral("raw.db3"));
    if (!tmp.isValid() || !writeRecordFile(recordFile, records) || !copyEmptyDatabase(importDb)
        || !copyEmptyDatabase(rawDb) || !openDatabaseConnection(QString(), importDb)) {
        std::fprintf(stderr, "cannot prepare the files in %s\n", qPrintable(tmp.path()));
        return 1;
    }
    std::printf("record file: %lld records x %d channels, %.0f MB\n", records, kChannels,
                QFile(recordFile).size() / 1e6);
    std::fflush(stdout);

    SystemSettings settings;
    fillImportPlan(settings, records);
    QString reported;
    QTimer answer;   // answers the dialog's closing message
    QObject::connect(&answer, &QTimer::timeout, [&reported] {
        for (QWidget *w : QApplication::topLevelWidgets())
            if (auto *box = qobject_cast<QMessageBox *>(w); box && box->isVisible()) {
                reported = box->text();
                box->accept();
            }
    });
    answer.start(20);

    double importSeconds = -1;
    {
        ParametersImport dialog;
        dialog.setSettings(&settings);
        dialog.setRecordFile(0, recordFile);
        QElapsedTimer timer;
        timer.start();
        dialog.pt_OK_clicked();
        // The GUI thread idles in its event loop meanwhile, as in the program.
        QEventLoop loop;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (importSeconds < 0 && !dialog.isImporting())
                importSeconds = timer.nsecsElapsed() / 1e9;
            if (importSeconds >= 0 && !reported.isEmpty())
                loop.quit();
        });
        poll.start(5);
        loop.exec();
    }
    const double peakMb = peakResidentMb();
    QSqlQuery count;
    const qint64 stored = count.exec(QStringLiteral("select count(*) from ParametersData"))
            && count.next()
        ? count.value(0).toLongLong()
        : -1;
    std::printf("import: %s, %lld rows in %.2f s, %.0f rows/s\n", qPrintable(reported), stored,
                importSeconds, stored / importSeconds);
    if (stored != records) {
        std::fprintf(stderr, "the import stored %lld rows of %lld\n", stored, records);
        return 1;
    }

    const double rawSeconds = rawInsertSeconds(rawDb, records);
    if (rawSeconds <= 0) {
        std::fprintf(stderr, "the raw insert failed\n");
        return 1;
    }
    std::printf("raw C API insert: %lld rows in %.2f s, %.0f rows/s\n", records, rawSeconds,
                records / rawSeconds);
    std::printf("import_ratio %.2f peak_mb %.0f\n", rawSeconds / importSeconds, peakMb);
    return 0;
}
