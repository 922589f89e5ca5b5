#include "ReportData.h"

#include <cmath>
#include <cstdio>
#include <limits>
#include <vector>

#include "ParametersStatistics.h"
#include "SampleRows.h"
#include "Terms.h"
#include "ValueStatistics.h"

namespace {

qint64 clockOf(const QDateTime &time)
{
    const QDate d = time.date();
    const QTime t = time.time();
    return ((((qint64(d.year()) * 100 + d.month()) * 100 + d.day()) * 100 + t.hour()) * 100
            + t.minute())
        * 100000
        + t.second() * 1000 + t.msec();
}

void putDigits(QChar *&out, qint64 value, int width)
{
    for (int i = width - 1; i >= 0; --i) {
        out[i] = QLatin1Char(char('0' + value % 10));
        value /= 10;
    }
    out += width;
}

} // namespace

// ---- samples ----------------------------------------------------------------------------------

ReportSamples::ReportSamples(int channelCount)
    : channels(qMax(0, channelCount))
{
}

void ReportSamples::reserve(int count)
{
    times.reserve(count);
    clocks.reserve(count);
    data.reserve(count * channels);
}

bool ReportSamples::isMissing(double value)
{
    return std::isnan(value);
}

bool ReportSamples::appendRow(const QDateTime &time, const QStringList &texts)
{
    if (texts.size() < channels)
        return false;
    times.append(time.toMSecsSinceEpoch());
    clocks.append(clockOf(time));
    for (int c = 0; c < channels; ++c)
        data.append(storedSampleValue(texts.at(c)));
    return true;
}

void ReportSamples::appendRow(const QDateTime &time, const double *values)
{
    times.append(time.toMSecsSinceEpoch());
    clocks.append(clockOf(time));
    for (int c = 0; c < channels; ++c)
        data.append(values[c]);
}

QDateTime ReportSamples::time(int row) const
{
    return QDateTime::fromMSecsSinceEpoch(times.at(row));
}

QString ReportSamples::timeText(int row) const
{
    qint64 clock = clocks.at(row);
    const qint64 ms = clock % 100000;
    clock /= 100000;
    const qint64 minute = clock % 100;
    clock /= 100;
    const qint64 hour = clock % 100;
    clock /= 100;
    const qint64 day = clock % 100;
    clock /= 100;
    const qint64 month = clock % 100;
    QString text(18, Qt::Uninitialized);
    QChar *out = text.data();
    putDigits(out, month, 2);
    *out++ = QLatin1Char('-');
    putDigits(out, day, 2);
    *out++ = QLatin1Char(' ');
    putDigits(out, hour, 2);
    *out++ = QLatin1Char(':');
    putDigits(out, minute, 2);
    *out++ = QLatin1Char(':');
    putDigits(out, ms / 1000, 2);
    *out++ = QLatin1Char('.');
    putDigits(out, ms % 1000, 3);
    return text;
}

ReportSamples ReportSamples::thinned(int step, const QList<bool> &keep) const
{
    step = qMax(1, step);
    QList<int> kept;
    for (int c = 0; c < channels; ++c) {
        if (keep.value(c, true))
            kept.append(c);
    }
    if (step == 1 && kept.size() == channels)
        return *this;   // shares the data
    ReportSamples out(kept.size());
    out.reserve((rowCount() + step - 1) / step);
    for (int r = 0; r < rowCount(); r += step) {
        out.times.append(times.at(r));
        out.clocks.append(clocks.at(r));
        for (int c : qAsConst(kept))
            out.data.append(value(r, c));
    }
    return out;
}

// ---- model ------------------------------------------------------------------------------------

QStringList reportUnits(const QStringList &channelUnits)
{
    return ParametersStatistics::unitKindsOf(channelUnits);
}

void ReportModel::setReportData(int accuracy, const QList<bool> &flags,
                                const ParametersRecord &projectRecord,
                                const ReportSamples &samples,
                                const QList<QDateTime> &segmentStarts,
                                const QList<QDateTime> &segmentEnds, const QStringList &remarks,
                                const QString &version)
{
    dataAccuracy = accuracy;
    project = projectRecord;
    versionText = version;
    buildDataTable(samples);
    setTableFlags(flags);
    startTexts.clear();
    endTexts.clear();
    const int segments = qMin(segmentStarts.size(), segmentEnds.size());
    for (int i = 0; i < segments; ++i) {
        startTexts << segmentStarts.at(i).toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
        endTexts << segmentEnds.at(i).toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
    }
    segmentRemarks = remarks;
    while (segmentRemarks.size() < segments)
        segmentRemarks << QString();
    locateSegments(segmentStarts.mid(0, segments), segmentEnds.mid(0, segments));
}

void ReportModel::buildDataTable(const ReportSamples &samples)
{
    const QStringList units = reportUnits(project.ChannelUnit);
    leftUnit = units.value(0);
    rightUnit = units.value(1);
    leftQuantity = units.isEmpty() ? QString() : quantityOfUnit(leftUnit);
    rightQuantity = units.size() < 2 ? QString() : quantityOfUnit(rightUnit);
    leftChannels.clear();
    rightChannels.clear();
    leftIndexes.clear();
    rightIndexes.clear();
    const int count = qMin(project.ChannelNumber.size(), samples.channelCount());
    for (int j = 0; j < count; ++j) {
        if (project.ChannelUnit.value(j) == leftUnit) {
            leftChannels << project.ChannelNumber.at(j);
            leftIndexes << j;
        } else {
            rightChannels << project.ChannelNumber.at(j);
            rightIndexes << j;
        }
    }
    rows = samples;
}

void ReportModel::setTableFlags(const QList<bool> &flags)
{
    tableFlags.clear();
    sectionNames.clear();
    for (int i = 0; i < tableCount; ++i) {
        bool chosen = flags.value(i, false);
        // The analyses of an axis without channels have nothing to show.
        if ((i == LeftHorizontal || i == LeftVertical) && leftChannels.isEmpty())
            chosen = false;
        if ((i == RightHorizontal || i == RightVertical) && rightChannels.isEmpty())
            chosen = false;
        tableFlags << chosen;
        if (!chosen)
            continue;
        switch (i) {
        case WorkData:
            sectionNames << tr("数据表");
            break;
        case LeftHorizontal:
            sectionNames << leftQuantity + tr("横向表");
            break;
        case LeftVertical:
            sectionNames << leftQuantity + tr("竖向表");
            break;
        case RightHorizontal:
            sectionNames << rightQuantity + tr("横向表");
            break;
        default:
            sectionNames << rightQuantity + tr("竖向表");
            break;
        }
    }
}

void ReportModel::locateSegments(const QList<QDateTime> &starts, const QList<QDateTime> &ends)
{
    startIndexes.clear();
    endIndexes.clear();
    const int last = rowCount() - 1;
    auto firstAtOrAfter = [this, last](qint64 t) {
        for (int r = 0; r <= last; ++r) {
            if (rows.msecs(r) >= t)
                return r;
        }
        return -1;
    };
    // Each segment on its own, so that one without rows leaves the others where they are.
    for (int i = 0; i < starts.size(); ++i) {
        const qint64 start = starts.at(i).toMSecsSinceEpoch();
        const qint64 end = ends.at(i).toMSecsSinceEpoch();
        const int first = firstAtOrAfter(start);
        if (first < 0 || !starts.at(i).isValid() || !ends.at(i).isValid()
            || end < rows.msecs(0)) {
            // After the last row, before the first one, or without times: no rows.
            startIndexes << 0;
            endIndexes << -1;
            continue;
        }
        const int e = firstAtOrAfter(end);
        startIndexes << first;
        endIndexes << qMax(first, e < 0 ? last : e);
    }
}

double ReportModel::value(int row, int channel) const
{
    return rows.value(row, channel);
}

ReportRow ReportModel::row(int index) const
{
    ReportRow r;
    r.timeText = rows.timeText(index);
    const int count = rows.channelCount();
    r.values.reserve(count);
    for (int c = 0; c < count; ++c)
        r.values << value(index, c);
    for (int c : leftIndexes)
        r.leftValues << r.values.at(c);
    for (int c : rightIndexes)
        r.rightValues << r.values.at(c);
    return r;
}

QString ReportModel::number(double v) const
{
    return std::isfinite(v) ? QString::number(v, 'f', dataAccuracy) : QString();
}

QString ReportModel::difference(double a, double b) const
{
    if (!std::isfinite(a) || !std::isfinite(b))
        return QString();
    // Taken in long double: the difference of two finite values is finite even where it
    // exceeds the double range (the maximum 1e308 and the minimum -1e308).
    const long double d = static_cast<long double>(a) - b;
    if (std::fabs(d) <= std::numeric_limits<double>::max())
        return number(static_cast<double>(d));
    const int length = std::snprintf(nullptr, 0, "%.*Lf", dataAccuracy, d);
    std::vector<char> text(size_t(length) + 1);
    std::snprintf(text.data(), text.size(), "%.*Lf", dataAccuracy, d);
    return QString::fromLatin1(text.data(), length);
}

bool ReportModel::writeChosenTables(const std::function<bool()> &workData,
                                    const std::function<bool(bool)> &horizontal,
                                    const std::function<bool(bool)> &vertical) const
{
    bool any = false;
    for (int t = 0; t < tableCount; ++t) {
        if (!tableChosen(t))
            continue;
        any = true;
        const bool left = t == LeftHorizontal || t == LeftVertical;
        const bool ok = t == WorkData ? workData()
            : t == LeftHorizontal || t == RightHorizontal ? horizontal(left)
                                                          : vertical(left);
        if (!ok)
            return false;
    }
    return any;
}

QString ReportModel::tableTitle(int table) const
{
    switch (table) {
    case WorkData:
        return tr("工作数据表");
    case LeftHorizontal:
    case RightHorizontal:
        return quantity(table == LeftHorizontal) + tr("横向分析表");
    default:
        return quantity(table == LeftVertical) + tr("竖向分析表");
    }
}

QStringList ReportModel::horizontalRow(int rowIndex, bool left) const
{
    const QList<int> &indexes = left ? leftIndexes : rightIndexes;
    const QStringList &names = left ? leftChannels : rightChannels;
    const ValueSummary s = summarizeValues(indexes.size(), [&](int k) {
        return value(rowIndex, indexes.at(k));
    });
    return {rows.timeText(rowIndex),          number(s.max),
            names.value(s.maxIndex),          number(s.min),
            names.value(s.minIndex),          number(s.average),
            difference(s.max, s.average),     difference(s.average, s.min),
            difference(s.max, s.min),         number(s.deviation)};
}

ReportModel::Vertical ReportModel::verticalAnalysis(int segment, bool left) const
{
    Vertical out;
    const QList<int> &indexes = left ? leftIndexes : rightIndexes;
    const QStringList &names = left ? leftChannels : rightChannels;
    if (segment < 0 || segment >= segmentCount() || indexes.isEmpty())
        return out;
    const int first = startIndexes.at(segment);
    const int count = endIndexes.at(segment) - first + 1;
    QList<double> averages, maxima, minima;
    for (int k = 0; k < indexes.size(); ++k) {
        const int channel = indexes.at(k);
        const ValueSummary s = summarizeValues(count, [&](int i) {
            return value(first + i, channel);
        });
        averages << s.average;
        maxima << s.max;
        minima << s.min;
        out.channelRows << QStringList{names.at(k),
                                       number(s.max),
                                       number(s.min),
                                       number(s.average),
                                       difference(s.max, s.average),
                                       difference(s.average, s.min),
                                       difference(s.max, s.min),
                                       number(s.deviation)};
    }
    auto listAt = [](const QList<double> &list) {
        return [&list](int i) { return list.at(i); };
    };
    const ValueSummary avg = summarizeValues(averages.size(), listAt(averages));
    const ValueSummary high = summarizeValues(maxima.size(), listAt(maxima));
    const ValueSummary low = summarizeValues(minima.size(), listAt(minima));
    const double mean = avg.average;
    // No channel with a value: the text stays empty.
    auto channelAnd = [&](int k, double v) {
        return k < 0 ? QString() : names.value(k) + QStringLiteral("/") + number(v);
    };
    out.summaryTexts = QStringList{channelAnd(avg.minIndex, avg.min),
                        channelAnd(avg.maxIndex, avg.max),
                        channelAnd(high.maxIndex, high.max),
                        channelAnd(low.minIndex, low.min),
                        number(mean),
                        difference(high.max, mean),
                        difference(avg.max, mean),
                        difference(mean, low.min),
                        difference(mean, avg.min),
                        QString()};
    return out;
}

QStringList ReportModel::workDataTitles() const
{
    QStringList titles{tr("时间")};
    for (int j = 0; j < project.ChannelNumber.size(); ++j)
        titles << project.ChannelNumber.at(j) + QStringLiteral("(")
                + project.ChannelUnit.value(j) + QStringLiteral(")");
    return titles;
}

QStringList ReportModel::horizontalTitles(const QString &q)
{
    return {tr("时间"),         tr("最大") + q,   tr("最大") + q + tr("通道"),
            tr("最小") + q,     tr("最小") + q + tr("通道"), tr("平均") + q,
            tr("最大-平均"),    tr("平均-最小"),  tr("最大-最小"),
            tr("标准偏差")};
}

QStringList ReportModel::verticalTitles(const QString &q)
{
    return {tr("通道"),      tr("最大") + q,  tr("最小") + q,  tr("平均") + q,
            tr("最大-平均"), tr("平均-最小"), tr("最大-最小"), tr("标准偏差")};
}

QStringList ReportModel::summaryLeftLabels(const QString &q)
{
    return {tr("最小平均") + q + tr("及通道"), tr("最大平均") + q + tr("及通道"),
            tr("最大的最大值及通道"), tr("最小的最小值及通道"), tr("全均值")};
}

QStringList ReportModel::summaryRightLabels()
{
    return {tr("最大的最大值与全均值之差"), tr("最大平均值与全均值之差"),
            tr("全均值与最小的最小值之差"), tr("全均值与最小平均值之差"), QString()};
}

QString ReportModel::startMarker(int segment) const
{
    return segmentRemarks.value(segment) + tr("    开始");
}

QString ReportModel::endMarker(int segment) const
{
    return segmentRemarks.value(segment) + tr("    结束");
}

QString ReportModel::startTimeLabel()
{
    return tr("开始时间：");
}

QString ReportModel::endTimeLabel()
{
    return tr("结束时间：");
}

int ReportModel::instrumentChannelCount(int instrument) const
{
    const QString prefix = QString::number(instrument) + QStringLiteral("-");
    int count = 0;
    for (const QString &number : project.ChannelNumber) {
        if (number.startsWith(prefix))
            ++count;
    }
    return count;
}
