// Report benchmark: a project of 1,000,000 rows x 16 channels (two instruments, one segment).
//  1. The workbook report (first sheet and work-data sheet) through VerificationReportExcel:
//     its cells per second divided by the cells per second of plain libxlsxwriter in
//     constant-memory mode writing the same cells (the same texts, formats and sheets)
//     (aim: >= 0.5).
//  2. The peak resident memory of the whole process in MB (aim: < 500).
//  3. The PDF report of the same project (work-data table): pages per second.
// Usage: bench_report [rows, default 1000000] [output folder, default a temporary one]
// The last line is: xlsx_ratio X peak_mb M pdf_pages_per_s P

#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QTemporaryDir>

#include <sys/resource.h>
#include <xlsxwriter.h>

#include <cmath>
#include <cstdio>

#include "ReportExportRun.h"

namespace {

constexpr int channels = 16;

double peakMegabytes()
{
    struct rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0;
}

ReportJob makeJob(int rows)
{
    ReportJob job;
    ParametersRecord &p = job.project;
    p.Name = QStringLiteral("bench");
    p.CreateTime = QStringLiteral("2024-01-01 00:00:00");
    p.ScanInterval = QStringLiteral("1");
    p.Model = QStringList{QStringLiteral("1586A"), QStringLiteral("1586A")};
    p.SerialNumber = QStringList{QStringLiteral("A1"), QStringLiteral("A2")};
    p.ChannelConfig = QStringList{QStringLiteral("c1"), QStringLiteral("c2")};
    for (int c = 0; c < channels; ++c) {
        p.ChannelNumber << QStringLiteral("%1-%2").arg(c < 8 ? 1 : 2).arg(101 + c % 8);
        p.ChannelUnit << QStringLiteral("℃");
        job.channelFlags << true;
    }
    const QDateTime start(QDate(2024, 1, 1), QTime(0, 0));
    job.samples = ReportSamples(channels);
    job.samples.reserve(rows);
    double v[channels];
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < channels; ++c)
            v[c] = 20.0 + 5.0 * std::sin(r * 0.001 + c) + c * 0.01;
        job.samples.appendRow(start.addSecs(r), v);
    }
    job.printInterval = QStringLiteral("1");
    job.tableFlags = {true, false, false, false, false};
    job.segmentStarts = {start};
    job.segmentEnds = {start.addSecs(rows)};
    job.segmentRemarks = QStringList{QStringLiteral("bench")};
    job.dataAccuracy = 2;
    job.versionText = QStringLiteral("V1.2.13");
    job.chartPicture = QImage(1200, 500, QImage::Format_RGB32);
    job.chartPicture.fill(Qt::white);
    return job;
}

// The same cells written straight with libxlsxwriter: the texts formatted with snprintf.
qint64 rawWorkbook(const ReportJob &job, const QString &path)
{
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    lxw_workbook *book = workbook_new_opt(QFile::encodeName(path).constData(), &options);
    lxw_format *plain = workbook_add_format(book);
    lxw_format *shaded = workbook_add_format(book);
    for (lxw_format *f : {plain, shaded}) {
        format_set_font_name(f, "宋体");
        format_set_font_size(f, 12);
        format_set_align(f, LXW_ALIGN_LEFT);
        format_set_align(f, LXW_ALIGN_VERTICAL_CENTER);
        format_set_border(f, LXW_BORDER_THIN);
    }
    format_set_pattern(shaded, LXW_PATTERN_SOLID);
    format_set_bg_color(shaded, 0xCDCDC1);
    workbook_add_worksheet(book, "首页");
    lxw_worksheet *sheet = workbook_add_worksheet(book, "工作数据表");
    qint64 cells = 0;
    char text[64];
    const ReportSamples &s = job.samples;
    // Local time by plain arithmetic from the first sample (the bench's days have no clock
    // change), so that this side costs no more than libxlsxwriter and snprintf.
    const QDateTime first = s.time(0);
    const qint64 dayStartMs = QDateTime(first.date(), QTime(0, 0)).toMSecsSinceEpoch();
    for (int r = 0; r < s.rowCount(); ++r) {
        const lxw_row_t row = lxw_row_t(r + 3);
        lxw_format *f = (row + 1) % 5 == 4 ? shaded : plain;
        const qint64 ms = s.msecs(r) - dayStartMs;
        const QDate day = first.date().addDays(ms / 86400000);
        const qint64 inDay = ms % 86400000;
        std::snprintf(text, sizeof text, "%02d-%02d %02lld:%02lld:%02lld.%03lld", day.month(),
                      day.day(), inDay / 3600000, inDay / 60000 % 60, inDay / 1000 % 60,
                      inDay % 1000);
        worksheet_write_string(sheet, row, 0, text, f);
        for (int c = 0; c < channels; ++c) {
            std::snprintf(text, sizeof text, "%.2f", s.value(r, c));
            worksheet_write_string(sheet, row, lxw_col_t(c + 1), text, f);
        }
        cells += 1 + channels;
    }
    workbook_close(book);
    return cells;
}

// The report run of the page's worker, with its count of cells or pages.
bool runExport(const ReportJob &job, qint64 *cells, int *pages)
{
    ParametersRecord project;
    ReportSamples samples;
    prepareReportData(job, project, samples);
    return job.format == QLatin1String("PDF") ? exportReportPdf(job, project, samples, pages)
                                              : exportReportExcel(job, project, samples, cells);
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen"
                                                                       : qgetenv("QT_QPA_PLATFORM"));
    QGuiApplication app(argc, argv);
    const int rows = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 1000000;
    QTemporaryDir temporary;
    const QString folder = argc > 2 ? QString::fromLocal8Bit(argv[2]) : temporary.path();
    QDir().mkpath(folder);

    ReportJob job = makeJob(rows);
    std::printf("rows %d channels %d, samples ready (%.0f MB)\n", rows, channels, peakMegabytes());

    QElapsedTimer timer;
    timer.start();
    const qint64 rawCells = rawWorkbook(job, folder + QStringLiteral("/raw.xlsx"));
    const double rawSeconds = timer.nsecsElapsed() / 1e9;
    std::printf("libxlsxwriter: %lld cells in %.2f s\n", rawCells, rawSeconds);

    job.format = QStringLiteral("Excel");
    job.outputPath = folder + QStringLiteral("/report.xlsx");
    qint64 excelCells = 0;
    timer.restart();
    const bool excelOk = runExport(job, &excelCells, nullptr);
    const double excelSeconds = timer.nsecsElapsed() / 1e9;
    std::printf("workbook report: %s, %lld cells in %.2f s\n", excelOk ? "written" : "FAILED",
                excelCells, excelSeconds);

    job.format = QStringLiteral("PDF");
    job.outputPath = folder + QStringLiteral("/report.pdf");
    int pdfPages = 0;
    timer.restart();
    const bool pdfOk = runExport(job, nullptr, &pdfPages);
    const double pdfSeconds = timer.nsecsElapsed() / 1e9;
    std::printf("PDF report: %s, %d pages in %.2f s\n", pdfOk ? "written" : "FAILED", pdfPages,
                pdfSeconds);

    const double ratio = (excelCells / excelSeconds) / (rawCells / rawSeconds);
    std::printf("xlsx_ratio %.2f peak_mb %.0f pdf_pages_per_s %.1f\n", ratio, peakMegabytes(),
                pdfPages / pdfSeconds);
    return excelOk && pdfOk ? 0 : 1;
}
