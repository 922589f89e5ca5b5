#include "ReportExportRun.h"

#include <QDebug>
#include <QSqlDatabase>
#include <QSqlQuery>

#include <QCoreApplication>

#include <cmath>
#include <limits>

#include "SampleRows.h"
#include "VerificationReportExcel.h"
#include "VerificationReportPDF.h"

qint64 intervalMilliseconds(const QString &seconds)
{
    bool ok = false;
    const double value = seconds.toDouble(&ok);
    if (!ok || !std::isfinite(value) || std::fabs(value) > 1e12)
        return 0;
    return qint64(std::llround(value * 1000.0));
}

int printStep(const QString &printInterval, const QString &scanInterval)
{
    const qint64 scan = intervalMilliseconds(scanInterval);
    if (scan <= 0)
        return 1;
    const qint64 step = intervalMilliseconds(printInterval) / scan;
    return int(qBound<qint64>(1, step, std::numeric_limits<int>::max()));
}

void prepareReportData(const ReportJob &job, ParametersRecord &project, ReportSamples &samples)
{
    project = job.project;
    for (int i = job.channelFlags.size() - 1; i >= 0; --i) {
        if (job.channelFlags.at(i))
            continue;
        if (i < project.ChannelNumber.size())
            project.ChannelNumber.removeAt(i);
        if (i < project.ChannelUnit.size())
            project.ChannelUnit.removeAt(i);
    }
    samples = job.samples.thinned(printStep(job.printInterval, job.project.ScanInterval),
                                  job.channelFlags);
}

bool exportReportExcel(const ReportJob &job, const ParametersRecord &project,
                       const ReportSamples &samples, qint64 *cellCount)
{
    VerificationReportExcel writer;
    writer.setReportData(job.dataAccuracy, job.tableFlags, project, samples, job.segmentStarts,
                         job.segmentEnds, job.segmentRemarks, job.versionText);
    const bool ok = writer.writeSummary() && writer.insertTrendChart(job.chartPicture)
        && writer.writeFunctionSheets() && writer.saveAs(job.outputPath);
    if (cellCount)
        *cellCount = writer.workbook().cellCount();
    return ok;
}

bool exportReportPdf(const ReportJob &job, const ParametersRecord &project,
                     const ReportSamples &samples, int *pageCount)
{
    VerificationReportPDF writer(job.outputPath);
    writer.setData(job.dataAccuracy, job.tableFlags, project, samples, job.segmentStarts,
                   job.segmentEnds, job.segmentRemarks, job.versionText);
    const bool ok = writer.writeSummary() && writer.writeSelectedTables()
        && writer.addImage(job.chartPicture);
    // The file is complete only once finished; a write error shows there.
    const bool finished = writer.finish();
    if (pageCount)
        *pageCount = writer.pageTotal();
    return ok && finished;
}

bool runReportExport(const ReportJob &job)
{
    ParametersRecord project;
    ReportSamples samples;
    prepareReportData(job, project, samples);
    if (samples.rowCount() == 0)
        return false;
    if (job.format == QLatin1String("PDF"))
        return exportReportPdf(job, project, samples);
    return exportReportExcel(job, project, samples);
}

bool writeSimpleExport(const QString &connectionName, const ParametersRecord &project,
                       const QList<bool> &channelFlags, int dataAccuracy, const QString &path,
                       bool *readFailed)
{
    if (readFailed)
        *readFailed = false;
    XlsxWorkbook book;
    if (!book.addSheet(QStringLiteral("Sheet1")))
        return false;
    XlsxFormat centred;
    centred.setHorizontalAlignment(XlsxFormat::AlignHCenter);
    centred.setVerticalAlignment(XlsxFormat::AlignVCenter);
    XlsxFormat number = centred;
    number.setNumberFormat(QStringLiteral("0.") + QString(qMax(0, dataAccuracy), QLatin1Char('0')));

    bool ok = book.write(1, 1, QCoreApplication::translate("VerificationReport", "时间"), centred);
    int column = 2;
    for (int i = 0; i < project.ChannelNumber.size(); ++i) {
        if (channelFlags.value(i, false))
            ok = book.write(1, column++,
                            project.ChannelNumber.at(i) + QStringLiteral("(")
                                + project.ChannelUnit.value(i) + QStringLiteral(")"),
                            centred)
                && ok;
    }
    ok = book.setColumnWidth(1, 1, 25.0) && ok;
    if (!project.ChannelNumber.isEmpty())
        ok = book.setColumnWidth(2, project.ChannelNumber.size() + 1, 12.0) && ok;

    {
        QSqlQuery query(QSqlDatabase::database(connectionName, false));
        query.setForwardOnly(true);
        query.prepare(QStringLiteral("select * from ParametersData where Name = ?"));
        query.addBindValue(project.Name);
        if (!query.exec()) {
            qDebug() << "查询ParametersData失败！";
            if (readFailed)
                *readFailed = true;
            return false;
        }
        int row = 2;
        while (ok && query.next()) {
            ok = book.write(row, 1, query.value(1).toString(), centred);
            const QStringList values = query.value(2).toString().split(QLatin1Char(','));
            int c = 2;
            for (int j = 0; j < values.size() && j < project.ChannelNumber.size(); ++j) {
                if (!channelFlags.value(j, false))
                    continue;
                // A missing value (no finite number: "nan", "inf", "abc") leaves its cell empty.
                double v = 0.0;
                if (storedSampleValue(values.at(j), v))
                    ok = book.write(row, c, v, number) && ok;
                ++c;
            }
            ++row;
        }
    }
    return ok && book.saveAs(path);
}
