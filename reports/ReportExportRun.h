#pragma once
// The work of a report run and of the simple export, as the report page's worker thread does
// it. Everything here works on its own copies and may run on any thread.

#include <QDateTime>
#include <QImage>
#include <QList>
#include <QString>
#include <QStringList>

#include "Records.h"
#include "ReportData.h"

// Everything one report run needs, taken on the GUI thread before the worker starts.
struct ReportJob
{
    ParametersRecord project;      // as loaded: every channel of the project
    ReportSamples samples;         // as loaded
    QList<bool> channelFlags;      // per channel: true when it goes into the report
    QString printInterval;         // seconds, as typed
    QString format;                // "PDF" or "Excel"
    QString outputPath;
    QList<bool> tableFlags;
    QList<QDateTime> segmentStarts;
    QList<QDateTime> segmentEnds;
    QStringList segmentRemarks;
    int dataAccuracy = 2;
    QString versionText;
    QImage chartPicture;
};

// An interval given in seconds as text, in whole milliseconds (rounded); 0 for a text that is
// no number.
qint64 intervalMilliseconds(const QString &seconds);

// Every how many-th sample a report keeps: print interval over scan interval, both in whole
// milliseconds; 1 when the scan interval is not above 0, and at least 1.
int printStep(const QString &printInterval, const QString &scanInterval);

// The project and samples a report shows: without the channels whose flag is false, thinned to
// the print interval (rows 0, step, 2 x step, ... of the whole project).
void prepareReportData(const ReportJob &job, ParametersRecord &project, ReportSamples &samples);

// One writer run on prepared data; true when the report file was written completely. The
// workbook's cell count and the PDF's page count go to the counter when one is given.
bool exportReportExcel(const ReportJob &job, const ParametersRecord &project,
                       const ReportSamples &samples, qint64 *cellCount = nullptr);
bool exportReportPdf(const ReportJob &job, const ParametersRecord &project,
                     const ReportSamples &samples, int *pageCount = nullptr);

// The whole run: prepare, then the writer of the job's format. False (and no file) when no
// sample remains.
bool runReportExport(const ReportJob &job);

// The simple export: every stored sample of the project with the time and the values of the
// channels whose flag is true, read through the open database connection of that name and
// written as a workbook. Numbers are written as numbers with `dataAccuracy` decimals shown; a
// missing value (a stored text that is no finite number) leaves its cell empty.
// False when the samples could not be read (`*readFailed` then true) or the file not written.
bool writeSimpleExport(const QString &connectionName, const ParametersRecord &project,
                       const QList<bool> &channelFlags, int dataAccuracy, const QString &path,
                       bool *readFailed = nullptr);
