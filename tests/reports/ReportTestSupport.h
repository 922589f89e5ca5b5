#pragma once
// Report test helpers: projects and sample tables made to measure, and the independent readers
// of the written files (poppler's pdfinfo and pdftotext, openpyxl through the system Python).

#include <QDateTime>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QtTest>

#include <functional>

#include "ReportData.h"
#include "TestDb.h"

namespace ReportTest {

inline QDateTime baseTime()
{
    return QDateTime(QDate(2024, 1, 1), QTime(10, 0, 0));
}

// Channels "k-1NN" over instruments: `units` gives each channel's unit; the instrument of a
// channel is 1 for the first half, 2 for the rest when `twoInstruments`.
inline ParametersRecord project(const QString &name, const QStringList &units,
                                bool twoInstruments = false)
{
    ParametersRecord p;
    p.Name = name;
    p.CreateTime = QStringLiteral("2024-01-01 09:59:00");
    p.Start = baseTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
    p.ScanInterval = QStringLiteral("1");
    const int instruments = twoInstruments ? 2 : 1;
    for (int k = 1; k <= instruments; ++k) {
        p.Model << QStringLiteral("1586A");
        p.SerialNumber << QStringLiteral("SN%1").arg(k);
        p.ChannelConfig << QStringLiteral("cfg%1").arg(k);
    }
    for (int j = 0; j < units.size(); ++j) {
        const int k = twoInstruments && j >= units.size() / 2 ? 2 : 1;
        p.ChannelNumber << QStringLiteral("%1-%2").arg(k).arg(101 + j);
        p.ChannelUnit << units.at(j);
    }
    return p;
}

// `rows` rows one second apart from baseTime(); value(r, c) gives each value.
inline ReportSamples samples(int channels, int rows,
                             const std::function<double(int, int)> &value)
{
    ReportSamples s(channels);
    QVector<double> v(channels);
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < channels; ++c)
            v[c] = value(r, c);
        s.appendRow(baseTime().addSecs(r), v.constData());
    }
    return s;
}

inline QString run(const QString &program, const QStringList &args)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(60000) || p.exitCode() != 0) {
        qWarning() << program << args << p.readAllStandardError();
        return QString();
    }
    return QString::fromUtf8(p.readAllStandardOutput());
}

inline int pdfPages(const QString &path)
{
    const QRegularExpressionMatch m =
        QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(run("pdfinfo", {path}));
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

// The text of one page (from 1).
inline QString pdfPage(const QString &path, int page)
{
    const QString n = QString::number(page);
    return run("pdftotext", {"-layout", "-f", n, "-l", n, path, "-"});
}

// How many sample times ("MM-dd hh:mm:ss.zzz") a page text shows.
inline int sampleTimes(const QString &text)
{
    return text.count(QRegularExpression(QStringLiteral("\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3}")));
}

inline QJsonObject readWorkbook(const QString &path)
{
    bool ok = false;
    const QString script = QStringLiteral(VAZUV_SOURCE_DIR "/tests/reports/read_workbook.py");
    const QString out = TestDb::runPython(
        QStringLiteral("import runpy, sys; sys.argv = sys.argv[1:]; runpy.run_path(sys.argv[0], run_name='__main__')"),
        {script, path}, &ok);
    return ok ? QJsonDocument::fromJson(out.toUtf8()).object() : QJsonObject();
}

// One cell of a sheet of readWorkbook's result: [value, type, font, size, fill, format].
inline QJsonArray cell(const QJsonObject &book, const QString &sheet, const QString &at)
{
    return book["data"].toObject()[sheet].toObject()["cells"].toObject()[at].toArray();
}

} // namespace ReportTest
