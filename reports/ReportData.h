#pragma once
// The data of a verification report, shared by the PDF and the workbook writer: the samples of
// the project, the split of its channels between the left and the right axis quantity, the rows
// of each time segment, the chosen tables, and the numbers and texts of every table. Both
// writers read the same model, so a number is the same in both.

#include <QCoreApplication>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>

#include "Records.h"

// The samples of one project as the report page keeps them after a load and hands them to a
// report: one time and one number per channel for each stored row, in stored order. 8 bytes a
// value, so that projects of a million rows fit in memory.
class ReportSamples
{
public:
    explicit ReportSamples(int channelCount = 0);

    int channelCount() const { return channels; }
    int rowCount() const { return times.size(); }
    void reserve(int rows);

    // Appends a stored row. A row with fewer values than channels is refused (false); values
    // beyond the channels are ignored; a text that is no finite number is kept as missing.
    bool appendRow(const QDateTime &time, const QStringList &texts);
    // Appends a row of channelCount() numbers.
    void appendRow(const QDateTime &time, const double *values);

    QDateTime time(int row) const;
    qint64 msecs(int row) const { return times.at(row); }
    // The row's local time as "MM-dd hh:mm:ss.zzz".
    QString timeText(int row) const;
    // NaN for a missing value.
    double value(int row, int channel) const { return data.at(row * channels + channel); }
    static bool isMissing(double value);

    // The rows whose index is a multiple of `step` (taken as at least 1), with the channels
    // whose flag is true (a channel beyond the flags is kept).
    ReportSamples thinned(int step, const QList<bool> &keep) const;

private:
    int channels = 0;
    QVector<qint64> times;    // milliseconds since the epoch
    QVector<qint64> clocks;   // the local time's digits yyyyMMddhhmmsszzz as one number
    QVector<double> data;     // row after row, channelCount() values each
};

// One row of the report data table.
struct ReportRow
{
    QString timeText;             // "MM-dd hh:mm:ss.zzz"
    QList<double> values;         // every channel
    QList<double> leftValues;     // the left-axis channels
    QList<double> rightValues;    // the right-axis channels
};

// The distinct units of a project's channels in the order of its chart's axes: first
// appearance, but with two units a temperature unit first. The first is the left axis unit;
// every channel of another unit belongs to the right axis.
QStringList reportUnits(const QStringList &channelUnits);

class ReportModel
{
    Q_DECLARE_TR_FUNCTIONS(ReportModel)
public:
    // The tables, in the order of the table flags.
    enum Table { WorkData, LeftHorizontal, LeftVertical, RightHorizontal, RightVertical };
    static constexpr int tableCount = 5;

    // Takes the report inputs and derives the model; a second call replaces it. The project's
    // channel lists and the samples hold the report's channels only. A value that is missing
    // is left out of every figure, which counts only the values present, and shown empty. A
    // table of an axis without channels is not chosen.
    void setReportData(int dataAccuracy, const QList<bool> &tableFlags,
                       const ParametersRecord &project, const ReportSamples &samples,
                       const QList<QDateTime> &segmentStarts, const QList<QDateTime> &segmentEnds,
                       const QStringList &segmentRemarks, const QString &versionText);

    int dataAccuracy = 2;
    QList<bool> tableFlags;
    QStringList sectionNames;     // names of the chosen tables, in table order
    ParametersRecord project;
    QString versionText;
    QString leftUnit;
    QString rightUnit;            // empty with one unit
    QString leftQuantity;
    QString rightQuantity;
    QStringList leftChannels;
    QStringList rightChannels;
    ReportSamples rows;
    QStringList startTexts;       // "yyyy-MM-dd hh:mm:ss"
    QStringList endTexts;
    QStringList segmentRemarks;
    // Per segment its first and last row, both included: from the first row at or after its
    // start to the first at or after its end (or the last row). A segment that lies after the
    // last row or before the first has no rows: its last index is below its first.
    QList<int> startIndexes;
    QList<int> endIndexes;

    int rowCount() const { return rows.rowCount(); }
    int segmentCount() const { return startIndexes.size(); }
    bool tableChosen(int table) const { return tableFlags.value(table, false); }
    ReportRow row(int index) const;
    // The value of a channel (a position in the project's channel list); NaN when missing.
    double value(int row, int channel) const;

    // A number in fixed notation with dataAccuracy decimals; empty for a missing figure (NaN).
    QString number(double value) const;
    // a - b the same way, taken in long double so that two finite figures give a finite
    // difference even beyond the double range; empty when either is missing.
    QString difference(double a, double b) const;

    // Per axis (left: true).
    QString quantity(bool left) const { return left ? leftQuantity : rightQuantity; }
    QStringList channels(bool left) const { return left ? leftChannels : rightChannels; }
    // Writes each chosen table in table order, the analyses with their axis (left: true), and
    // stops at the first that fails; false when none is chosen or one failed.
    bool writeChosenTables(const std::function<bool()> &workData,
                           const std::function<bool(bool left)> &horizontal,
                           const std::function<bool(bool left)> &vertical) const;
    // "工作数据表", or the axis quantity and "横向分析表" / "竖向分析表".
    QString tableTitle(int table) const;

    // The horizontal analysis of one row over the channels of an axis, ten texts: time, the
    // maximum and its channel, the minimum and its channel, the average, maximum - average,
    // average - minimum, maximum - minimum, the standard deviation.
    QStringList horizontalRow(int row, bool left) const;
    // The vertical analysis of one segment over the channels of an axis: per channel eight
    // texts (channel, maximum, minimum, average, the three differences, standard deviation) and
    // the ten texts of the segment summary.
    struct Vertical
    {
        QList<QStringList> channelRows;
        QStringList summaryTexts;
    };
    Vertical verticalAnalysis(int segment, bool left) const;

    // Column titles: "时间" and each channel's number with its unit in brackets.
    QStringList workDataTitles() const;
    static QStringList horizontalTitles(const QString &quantity);
    static QStringList verticalTitles(const QString &quantity);
    // The five left and five right labels of the segment summary.
    static QStringList summaryLeftLabels(const QString &quantity);
    static QStringList summaryRightLabels();

    // The segment frame: the remark with "    开始" / "    结束", and the labels of its times.
    QString startMarker(int segment) const;
    QString endMarker(int segment) const;
    static QString startTimeLabel();
    static QString endTimeLabel();

    // Channels of instrument k (from 1): the channel numbers that begin with k and "-".
    int instrumentChannelCount(int instrument) const;

private:
    void buildDataTable(const ReportSamples &samples);
    void setTableFlags(const QList<bool> &flags);
    void locateSegments(const QList<QDateTime> &starts, const QList<QDateTime> &ends);

    QList<int> leftIndexes;       // positions of the left-axis channels in the channel list
    QList<int> rightIndexes;
};
