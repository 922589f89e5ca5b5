#include "ChartView.h"

#include "ChartTaggingLine.h"
#include "nLineSeries.h"

#include <QCursor>
#include <QGraphicsItem>
#include <QGraphicsSceneHoverEvent>
#include <QLabel>
#include <QPainter>
#include <QMouseEvent>
#include <QPen>
#include <QWheelEvent>
#include <QtCharts/QChart>
#include <QtCharts/QDateTimeAxis>
#include <QtCharts/QLegend>
#include <QtCharts/QValueAxis>
#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <limits>

using namespace QtCharts;

namespace {

// A live value axis never spans more than this: the toolkit labels a tick at the minimum plus
// its index times the span, which must stay finite for the four intervals of the live axes.
constexpr double axisSpanLimit = DBL_MAX / 4;

// Bounds whose span would be too wide are brought within ±axisSpanLimit / 2.
void limitRange(double &low, double &high)
{
    if (!(high - low <= axisSpanLimit)) {
        low = qMax(low, -axisSpanLimit / 2);
        high = qMin(high, axisSpanLimit / 2);
    }
}

// How far from a curve (in pixels) the pointer hovers it.
constexpr double hoverReach = 3.0;

// The distance from p to the segment a..b.
double distanceToSegment(const QPointF &p, const QPointF &a, const QPointF &b)
{
    const QPointF d = b - a;
    const double length2 = QPointF::dotProduct(d, d);
    const double t = length2 > 0 ? qBound(0.0, QPointF::dotProduct(p - a, d) / length2, 1.0) : 0.0;
    const QPointF q = a + t * d - p;
    return std::sqrt(QPointF::dotProduct(q, q));
}

} // namespace

// The chart's layer of curves: draws the shown curves over the plot area and reports the pointer
// moving over it.
class ChartView::CurveLayer : public QGraphicsItem
{
public:
    explicit CurveLayer(ChartView *view)
        : QGraphicsItem(view->chart()), view(view)
    {
        setAcceptHoverEvents(true);
        setAcceptedMouseButtons(Qt::NoButton);
        setZValue(4.5);   // over the toolkit's own series, under the legend
    }
    // The plot area and the reach of the pointer around it (the curves are drawn within it).
    QRectF boundingRect() const override { return area; }
    void setArea(const QRectF &plotArea)
    {
        const QRectF rect = plotArea.adjusted(-hoverReach, -hoverReach, hoverReach, hoverReach);
        if (rect != area) {
            prepareGeometryChange();
            area = rect;
        }
    }
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *, QWidget *) override
    {
        view->paintCurves(painter);
    }

protected:
    void hoverEnterEvent(QGraphicsSceneHoverEvent *event) override
    {
        view->hoverCurves(event->pos(), true);
    }
    void hoverMoveEvent(QGraphicsSceneHoverEvent *event) override
    {
        view->hoverCurves(event->pos(), true);
    }
    void hoverLeaveEvent(QGraphicsSceneHoverEvent *event) override
    {
        view->hoverCurves(event->pos(), false);
    }

private:
    ChartView *view;
    QRectF area;
};

ChartView::ChartView(QWidget *parent)
    : QChartView(parent),
      timeMin(QDateTime::currentDateTime()),
      timeMax(timeMin.addSecs(20))
{
    chart()->setTitle(tr("数据采集"));
    setRubberBand(QChartView::RectangleRubberBand);
    shown.clear();
    layer = new CurveLayer(this);
    connect(chart(), &QChart::plotAreaChanged, this, [this](const QRectF &area) {
        layer->setArea(area);
        invalidateCurves();
    });
}

ChartView::~ChartView()
{
    // Markers hold items of the chart; they go while the chart is still there.
    clearTaggingLines();
}

QString ChartView::number(double value) const
{
    // A missing figure is empty; a number too long for the tip goes in exponent form.
    if (!std::isfinite(value))
        return QString();
    const QString fixed = QString::number(value, 'f', decimals);
    return fixed.size() <= 16 ? fixed : QString::number(value, 'e', decimals);
}

void ChartView::createTipLabel()
{
    delete tipLabel;
    tipLabel = new QLabel(this);
    tipLabel->setObjectName(QStringLiteral("tipLabel"));
    tipLabel->setStyleSheet(QStringLiteral(
        "QLabel{color:#1564FF; font-family:\"Noto Sans CJK SC\", \"Droid Sans Fallback\", "
        "\"WenQuanYi Micro Hei\", sans-serif; font-size:12px; font-weight:bold; "
        "background-color:rgba(21, 100, 255, 51); border-radius:4px; text-align:center;}"));
    tipLabel->setMargin(5);
    tipLabel->setFixedSize(165, 75);
    tipLabel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    tipLabel->hide();
}

void ChartView::removeAxes()
{
    // Curves lose their axes with them; they are attached again by the set-up.
    for (QAbstractAxis *axis : chart()->axes())
        chart()->removeAxis(axis);
    delete timeAxis;
    delete leftAxis;
    delete rightAxis;
    timeAxis = nullptr;
    leftAxis = nullptr;
    rightAxis = nullptr;
}

void ChartView::buildAxes(const QString &unit1, const QString &unit2)
{
    removeAxes();
    const QString labelFormat = QStringLiteral("%.") + QString::number(decimals)
        + QStringLiteral("f");

    timeAxis = new QDateTimeAxis(this);
    timeAxis->setFormat(QStringLiteral("MM-dd HH:mm:ss"));
    timeAxis->setRange(timeMin, timeMax);
    timeAxis->setTickCount(5);
    timeAxis->setTitleText(tr("采集时间"));
    chart()->addAxis(timeAxis, Qt::AlignBottom);

    leftAxis = new QValueAxis(this);
    leftAxis->setRange(20, 100);
    leftAxis->setTitleText(tr("单位 (") + unit1 + QStringLiteral(")"));
    leftAxis->setLabelFormat(labelFormat);
    leftAxis->setTickCount(5);
    chart()->addAxis(leftAxis, Qt::AlignLeft);

    rightAxis = new QValueAxis(this);
    rightAxis->setRange(20, 100);
    rightAxis->setTitleText(tr("单位 (") + unit2 + QStringLiteral(")"));
    rightAxis->setLabelFormat(labelFormat);
    rightAxis->setTickCount(5);
    if (!unit2.isEmpty())
        chart()->addAxis(rightAxis, Qt::AlignRight);
    // A zoom, pan or restore draws the curves again for what is then in view.
    connect(timeAxis, &QDateTimeAxis::rangeChanged, this, &ChartView::invalidateCurves);
    connect(leftAxis, &QValueAxis::rangeChanged, this, &ChartView::invalidateCurves);
    connect(rightAxis, &QValueAxis::rangeChanged, this, &ChartView::invalidateCurves);
}

void ChartView::drawColors(int count)
{
    colors.clear();
    for (int i = 0; i < count; ++i) {
        const int lightness = std::rand() % 200;
        const int saturation = std::rand() % 256;
        const int hue = std::rand() % 360;
        colors.append(QColor::fromHsl(hue, saturation, lightness, 255));
    }
}

void ChartView::attachCurve(nLineSeries *curve, int channel)
{
    if (timeAxis)
        curve->attachAxis(timeAxis);
    const bool onLeft = axisFlags.value(channel, true);
    // A channel meant for the right axis goes left when the chart has no right axis.
    if (!onLeft && rightAxis && chart()->axes(Qt::Vertical).contains(rightAxis))
        curve->attachAxis(rightAxis);
    else if (leftAxis)
        curve->attachAxis(leftAxis);
}

nLineSeries *ChartView::makeCurve(int channel, const QString &name)
{
    auto *curve = new nLineSeries(this);
    curve->setIndex(channel);
    QPen pen(colors.value(channel));
    pen.setWidth(2);
    pen.setStyle(Qt::SolidLine);
    curve->setPen(pen);
    curve->setName(name);
    return curve;
}

void ChartView::connectTip(nLineSeries *curve, int channel)
{
    if (liveMode)
        connect(curve, &nLineSeries::hovered, this, &ChartView::tooltip1);
    else if (axisFlags.value(channel, true))
        connect(curve, &nLineSeries::hovered, this, &ChartView::tooltip);
}

void ChartView::addCurves(const QStringList &names)
{
    drawn = QVector<DrawnCurve>(names.size());
    for (int i = 0; i < names.size(); ++i) {
        nLineSeries *curve = makeCurve(i, names.at(i));
        series.append(curve);
        chart()->addSeries(curve);
        connectTip(curve, i);
        attachCurve(curve, i);
    }
}

void ChartView::setupLiveSeries(const QStringList &names, const QString &unit1,
                                const QString &unit2, const QList<bool> &leftAxisFlags,
                                int decimalPlaces)
{
    clearSeries();
    createTipLabel();
    times.clear();
    shown.clear();
    seriesCount = names.size();
    decimals = decimalPlaces;
    axisFlags = leftAxisFlags;

    chart()->setMargins(QMargins(2, 2, 2, 2));
    chart()->legend()->hide();

    channelFigures.clear();
    for (int i = 0; i < seriesCount; ++i) {
        shown.append(true);
        ChannelFigures figures;
        figures.min = DBL_MAX;
        figures.max = -DBL_MAX;
        channelFigures.append(figures);
    }
    buildAxes(unit1, unit2);
    drawColors(seriesCount);
    liveMode = true;
    liveX.clear();
    liveY = QVector<QVector<double>>(seriesCount);
    liveFirst = 0;
    addCurves(names);
    // Labels of huge readings in exponent form: fixed-point ones would be hundreds of digits.
    for (QValueAxis *axis : {leftAxis, rightAxis}) {
        connect(axis, &QValueAxis::rangeChanged, this, [this, axis](double min, double max) {
            const bool huge = qMax(std::fabs(min), std::fabs(max)) >= 1e15;
            axis->setLabelFormat(QStringLiteral("%.") + QString::number(decimals)
                                 + (huge ? QStringLiteral("e") : QStringLiteral("f")));
        });
    }
    invalidateCurves();
}

void ChartView::resetForReport(int decimalPlaces)
{
    liveMode = false;
    decimals = decimalPlaces;
    times.clear();
    shown.clear();
    chart()->legend()->setVisible(true);
    chart()->legend()->setAlignment(Qt::AlignRight);
    buildAxes(QStringLiteral("1"), QStringLiteral("1"));
    timeAxis->setLabelsAngle(90);
    leftAxis->setTickCount(10);
    rightAxis->setTickCount(10);
    timeAxis->setTickCount(24);
}

void ChartView::createSeries(const QString &title, const QStringList &names,
                             const QString &unit1, const QString &unit2,
                             const QList<bool> &leftAxisFlags)
{
    if (!timeAxis)
        resetForReport(decimals);
    // Curves of an earlier project go first, so that channel indices start afresh.
    clearSeries();
    liveMode = false;
    chart()->setTitle(title);
    chart()->setAcceptHoverEvents(true);
    setRenderHint(QPainter::Antialiasing);
    times.clear();
    shown.clear();
    createTipLabel();
    seriesCount = names.size();
    axisFlags = leftAxisFlags;
    for (int i = 0; i < seriesCount; ++i)
        shown.append(true);
    leftAxis->setTitleText(tr("单位 (") + unit1 + QStringLiteral(")"));
    rightAxis->setTitleText(tr("单位 (") + unit2 + QStringLiteral(")"));
    // The right axis stays in the chart while a second unit needs it: an axis taken out and put
    // back at once is drawn twice by the toolkit.
    const bool hasRight = chart()->axes(Qt::Vertical).contains(rightAxis);
    if (hasRight && unit2.isEmpty()) {
        chart()->removeAxis(rightAxis);
        rightAxis->setParent(this);
    } else if (!hasRight && !unit2.isEmpty()) {
        chart()->addAxis(rightAxis, Qt::AlignRight);
    }
    drawColors(seriesCount);
    reportX = QVector<QVector<double>>(seriesCount);
    reportY = QVector<QVector<double>>(seriesCount);
    reportSorted = QVector<bool>(seriesCount, true);
    addCurves(names);
    invalidateCurves();
}

void ChartView::replaceSeries(int channel, const QList<QPointF> &points)
{
    if (liveMode || channel < 0 || channel >= series.size() || channel >= reportX.size())
        return;
    QVector<double> &xs = reportX[channel];
    QVector<double> &ys = reportY[channel];
    xs.clear();
    ys.clear();
    xs.reserve(points.size());
    ys.reserve(points.size());
    bool sorted = true;
    for (const QPointF &p : points) {
        sorted = sorted && (xs.isEmpty() || xs.last() <= p.x());
        xs.append(p.x());
        ys.append(std::isfinite(p.y()) ? p.y() : qQNaN());
    }
    reportSorted[channel] = sorted;
    invalidateCurves();
}

void ChartView::setSeriesData(const QList<ChannelFigures> &figures)
{
    channelFigures = figures;
}

void ChartView::setYRanges(double leftMin, double leftMax, double rightMin, double rightMax)
{
    yRange[0] = leftMin;
    yRange[1] = leftMax;
    yRange[2] = rightMin;
    yRange[3] = rightMax;
    if (leftAxis)
        leftAxis->setRange(yRange[0], yRange[1]);
    if (rightAxis)
        rightAxis->setRange(yRange[2], yRange[3]);
}

void ChartView::setTimeRange(const QDateTime &from, const QDateTime &to)
{
    timeMin = from;
    timeMax = to;
    if (timeAxis)
        timeAxis->setRange(timeMin, timeMax);
    for (ChartTaggingLine *marker : qAsConst(taggingLines))
        marker->updatePosition();
}

void ChartView::setAutoScale(bool scrollX, bool scaleY)
{
    autoScrollX = scrollX;
    autoScaleY = scaleY;
}

void ChartView::appendSamples(const QDateTime &t, const QList<double> &values)
{
    const int count = qMin(values.size(), seriesCount);
    const bool drop = times.size() >= maxTimePoints;
    if (drop) {
        times.removeFirst();
        timeMin = times.first();
        // The oldest point goes; stale entries are removed all at once now and then.
        if (++liveFirst >= maxTimePoints) {
            liveX.remove(0, liveFirst);
            for (QVector<double> &values : liveY)
                values.remove(0, liveFirst);
            liveFirst = 0;
        }
    }

    double leftLow = yRange[0], leftHigh = yRange[1];
    double rightLow = yRange[2], rightHigh = yRange[3];
    bool leftLowMoved = false, leftHighMoved = false;
    bool rightLowMoved = false, rightHighMoved = false;

    times.append(t);
    liveX.append(double(t.toMSecsSinceEpoch()));
    // A value that is not a finite number is missing: no point, a gap in the curve, and it
    // takes no part in the figures or the ranges.
    for (int i = 0; i < liveY.size(); ++i)
        liveY[i].append(i < count && std::isfinite(values.at(i)) ? values.at(i) : qQNaN());
    for (int i = 0; i < count; ++i) {
        const double v = values.at(i);
        if (!std::isfinite(v))
            continue;
        if (i < channelFigures.size()) {
            ChannelFigures &figures = channelFigures[i];
            if (v > figures.max)
                figures.max = v;
            if (v < figures.min)
                figures.min = v;
        }
        if (axisFlags.value(i, true)) {
            if (v < leftLow) {
                leftLow = v;
                leftLowMoved = true;
            }
            if (v > leftHigh) {
                leftHigh = v;
                leftHighMoved = true;
            }
        } else {
            if (v < rightLow) {
                rightLow = v;
                rightLowMoved = true;
            }
            if (v > rightHigh) {
                rightHigh = v;
                rightHighMoved = true;
            }
        }
    }

    const bool later = t > timeMax;
    if (later)
        timeMax = t;
    if (leftLowMoved)
        yRange[0] = leftLow - 1.0;
    if (leftHighMoved)
        yRange[1] = leftHigh + 1.0;
    if (rightLowMoved)
        yRange[2] = rightLow - 1.0;
    if (rightHighMoved)
        yRange[3] = rightHigh + 1.0;
    limitRange(yRange[0], yRange[1]);
    limitRange(yRange[2], yRange[3]);

    // The axes' new ranges, each set once for the whole sample. The time axis moves its left
    // edge when the oldest point went and its right edge when the sample is the latest.
    const AxisUpdate update = axisUpdate(drop && autoScrollX, later && autoScrollX,
                                         autoScaleY && (leftLowMoved || leftHighMoved),
                                         autoScaleY && (rightLowMoved || rightHighMoved));
    applyLiveSample(update);
}

ChartView::AxisUpdate ChartView::axisUpdate(bool moveTimeMin, bool moveTimeMax, bool moveLeft,
                                            bool moveRight) const
{
    AxisUpdate update;
    if (timeAxis && (moveTimeMin || moveTimeMax)) {
        // As setting the minimum and then the maximum one after the other would leave them.
        qint64 low = timeAxis->min().toMSecsSinceEpoch();
        qint64 high = timeAxis->max().toMSecsSinceEpoch();
        if (moveTimeMin) {
            low = timeMin.toMSecsSinceEpoch();
            high = qMax(high, low);
        }
        if (moveTimeMax) {
            high = timeMax.toMSecsSinceEpoch();
            low = qMin(low, high);
        }
        update.timeFrom = QDateTime::fromMSecsSinceEpoch(low);
        update.timeTo = QDateTime::fromMSecsSinceEpoch(high);
        update.time = low != timeAxis->min().toMSecsSinceEpoch()
            || high != timeAxis->max().toMSecsSinceEpoch();
    }
    update.left = moveLeft && leftAxis
        && (leftAxis->min() != yRange[0] || leftAxis->max() != yRange[1]);
    update.right = moveRight && rightAxis
        && (rightAxis->min() != yRange[2] || rightAxis->max() != yRange[3]);
    return update;
}

void ChartView::applyLiveSample(const AxisUpdate &update)
{
    if (update.time)
        timeAxis->setRange(update.timeFrom, update.timeTo);
    if (update.left)
        leftAxis->setRange(yRange[0], yRange[1]);
    if (update.right)
        rightAxis->setRange(yRange[2], yRange[3]);
    invalidateCurves();   // the new sample
}

QVector<QPointF> ChartView::livePoints(int channel) const
{
    QVector<QPointF> points;
    if (channel < 0 || channel >= liveY.size())
        return points;
    for (int k = liveFirst; k < liveX.size(); ++k)
        if (!std::isnan(liveY.at(channel).at(k)))
            points.append(QPointF(liveX.at(k), liveY.at(channel).at(k)));
    return points;
}

int ChartView::channelData(int channel, const double *&xs, const double *&ys) const
{
    if (liveMode) {
        if (channel < 0 || channel >= liveY.size())
            return 0;
        xs = liveX.constData() + liveFirst;
        ys = liveY.at(channel).constData() + liveFirst;
        return liveCount();
    }
    if (channel < 0 || channel >= reportX.size())
        return 0;
    xs = reportX.at(channel).constData();
    ys = reportY.at(channel).constData();
    return reportX.at(channel).size();
}

ChartView::ViewMap ChartView::viewMap(int channel) const
{
    ViewMap map;
    const bool onRight = !axisFlags.value(channel, true) && rightAxis
        && chart()->axes(Qt::Vertical).contains(rightAxis);
    const QValueAxis *axis = onRight ? rightAxis : leftAxis;
    if (!timeAxis || !axis)
        return map;
    map.area = chart()->plotArea();
    map.x0 = double(timeAxis->min().toMSecsSinceEpoch());
    map.x1 = double(timeAxis->max().toMSecsSinceEpoch());
    map.y0 = axis->min();
    map.y1 = axis->max();
    map.sx = map.area.width() / (map.x1 - map.x0);
    map.sy = map.area.height() / (map.y1 - map.y0);
    map.valid = map.area.width() >= 2 && map.area.height() >= 2 && map.x1 > map.x0
        && map.y1 > map.y0 && std::isfinite(map.sx) && std::isfinite(map.sy);
    return map;
}

void ChartView::invalidateCurves()
{
    ++generation;
    if (layer)
        layer->update();
}

const ChartView::DrawnCurve &ChartView::drawnCurve(int channel) const
{
    static const DrawnCurve none;
    if (channel < 0 || channel >= drawn.size())
        return none;
    DrawnCurve &curve = drawn[channel];
    if (curve.generation == generation)
        return curve;
    curve.points.resize(0);
    curve.starts.resize(0);
    curve.generation = generation;
    const double *xs = nullptr;
    const double *ys = nullptr;
    const int n = channelData(channel, xs, ys);
    if (n == 0)
        return curve;
    const ViewMap map = viewMap(channel);
    // Without a view (or with a report's points out of time order) every point is drawn.
    const bool reduce = map.valid && (liveMode || reportSorted.value(channel, false));

    // The points in view, and one beyond each edge so that the line reaches the edges.
    int from = 0;
    int to = n - 1;
    if (reduce) {
        from = qMax(0, int(std::lower_bound(xs, xs + n, map.x0) - xs) - 1);
        to = qMin(n - 1, int(std::upper_bound(xs, xs + n, map.x1) - xs));
    }
    // A value far beyond the axis (a huge reading) is drawn a million axis spans from it at
    // most, where the line looks the same, and within half the double range from the axis
    // minimum, so that its distance from the axis in pixels stays finite.
    double lowest = -DBL_MAX;
    double highest = DBL_MAX;
    if (map.valid) {
        const double reach = (map.y1 - map.y0) * 1e6;
        lowest = qMax(qMax(-DBL_MAX, map.y0 - DBL_MAX / 2), map.y0 - reach);
        highest = qMin(qMin(DBL_MAX, qMax(map.y0 + DBL_MAX / 2, map.y1)), map.y1 + reach);
    }
    // More points than pixels across: a stretch between gaps that lies within one two-pixel
    // column is one vertical stroke there, and the strokes of a column that touch are one.
    const bool dense = reduce && to - from + 1 > map.area.width();
    const auto column = [&map](double x) { return std::floor((x - map.x0) * map.sx / 2.0); };
    const auto row = [&map](double y) { return std::floor((y - map.y0) * map.sy); };
    struct Stroke
    {
        double x, low, high;
    };
    QVector<Stroke> strokes;   // of one column
    double strokeColumn = qQNaN();
    const auto addLine = [&curve](const QPointF *points, int count) {
        curve.starts.append(curve.points.size());
        for (int i = 0; i < count; ++i)
            curve.points.append(points[i]);
    };
    const auto flushStrokes = [&] {
        std::sort(strokes.begin(), strokes.end(),
                  [](const Stroke &a, const Stroke &b) { return a.low < b.low; });
        for (int i = 0; i < strokes.size();) {
            Stroke merged = strokes.at(i);
            for (++i; i < strokes.size() && row(strokes.at(i).low) <= row(merged.high) + 1; ++i)
                merged.high = qMax(merged.high, strokes.at(i).high);
            const QPointF ends[2] = {{merged.x, merged.low}, {merged.x, merged.high}};
            addLine(ends, merged.low == merged.high ? 1 : 2);
        }
        strokes.resize(0);
    };
    QVector<QPointF> stretch;
    const auto endStretch = [&] {
        if (stretch.isEmpty())
            return;
        if (reduce && stretch.size() > 2)
            stretch = reduceStretch(stretch, map.x0, map.y0, map.sx, map.sy, dense);
        const double c = column(stretch.first().x());
        if (dense && column(stretch.last().x()) == c) {
            if (c != strokeColumn)
                flushStrokes();
            strokeColumn = c;
            Stroke stroke{stretch.first().x(), stretch.first().y(), stretch.first().y()};
            for (const QPointF &p : qAsConst(stretch)) {
                stroke.low = qMin(stroke.low, p.y());
                stroke.high = qMax(stroke.high, p.y());
            }
            strokes.append(stroke);
        } else {
            addLine(stretch.constData(), stretch.size());
        }
        stretch.resize(0);
    };
    for (int k = from; k <= to; ++k) {
        if (std::isnan(ys[k]))
            endStretch();
        else
            stretch.append(QPointF(xs[k], qBound(lowest, ys[k], highest)));
    }
    endStretch();
    flushStrokes();
    return curve;
}

QVector<QVector<QPointF>> ChartView::drawnLines(int channel) const
{
    QVector<QVector<QPointF>> lines;
    if (!isSeriesShown(channel))
        return lines;
    const DrawnCurve &curve = drawnCurve(channel);
    for (int i = 0; i < curve.starts.size(); ++i) {
        const int end = i + 1 < curve.starts.size() ? curve.starts.at(i + 1) : curve.points.size();
        lines.append(curve.points.mid(curve.starts.at(i), end - curve.starts.at(i)));
    }
    return lines;
}

void ChartView::paintCurves(QPainter *painter)
{
    painter->save();
    painter->setClipRect(chart()->plotArea());
    painter->setBrush(Qt::NoBrush);
    // Each line as its segments, each lone value as a point: a wide pen strokes separate
    // segments many times faster than the joins of a polyline.
    QVector<QLineF> segments;
    QVector<QPointF> dots;
    for (int channel = 0; channel < series.size(); ++channel) {
        if (!shown.value(channel, false))
            continue;
        const DrawnCurve &curve = drawnCurve(channel);
        const ViewMap map = viewMap(channel);
        if (curve.points.isEmpty() || !map.valid)
            continue;
        segments.resize(0);
        dots.resize(0);
        for (int i = 0; i < curve.starts.size(); ++i) {
            const int begin = curve.starts.at(i);
            const int end = i + 1 < curve.starts.size() ? curve.starts.at(i + 1)
                                                        : curve.points.size();
            QPointF last = map.pixel(curve.points.at(begin));
            if (end - begin == 1)
                dots.append(last);
            for (int k = begin + 1; k < end; ++k) {
                const QPointF next = map.pixel(curve.points.at(k));
                segments.append(QLineF(last, next));
                last = next;
            }
        }
        QPen pen(colors.value(channel));
        pen.setWidth(2);
        painter->setPen(pen);
        painter->drawLines(segments);
        painter->drawPoints(dots.constData(), dots.size());
    }
    painter->restore();
}

void ChartView::hoverCurves(const QPointF &pos, bool inside)
{
    // The topmost curve within reach of the pointer, if any.
    int found = -1;
    QPointF value;
    for (int channel = series.size() - 1; inside && channel >= 0 && found < 0; --channel) {
        if (!shown.value(channel, false))
            continue;
        const DrawnCurve &curve = drawnCurve(channel);
        const ViewMap map = viewMap(channel);
        if (!map.valid)
            continue;
        for (int i = 0; i < curve.starts.size() && found < 0; ++i) {
            const int begin = curve.starts.at(i);
            const int end = i + 1 < curve.starts.size() ? curve.starts.at(i + 1)
                                                        : curve.points.size();
            QPointF last = map.pixel(curve.points.at(begin));
            if (end - begin == 1 && distanceToSegment(pos, last, last) <= hoverReach)
                found = channel;
            for (int k = begin + 1; k < end && found < 0; ++k) {
                const QPointF next = map.pixel(curve.points.at(k));
                if (distanceToSegment(pos, last, next) <= hoverReach)
                    found = channel;
                last = next;
            }
        }
        value = QPointF(map.x0 + (pos.x() - map.area.left()) / map.sx,
                        map.y0 + (map.area.bottom() - pos.y()) / map.sy);
    }
    if (found == hoveredChannel)
        return;
    if (hoveredChannel >= 0 && hoveredChannel < series.size())
        series.at(hoveredChannel)->tooltip(value, false);
    hoveredChannel = found;
    if (found >= 0)
        series.at(found)->tooltip(value, true);
}

QVector<QPointF> ChartView::reduceStretch(QVector<QPointF> points, double x0, double y0,
                                          double sx, double sy, bool columns)
{
    if (points.size() <= 2)
        return points;

    // More points than pixels across: each column of two pixels keeps its lowest and highest
    // point, in time order, which draws the same band.
    if (columns) {
        QVector<QPointF> kept;
        const auto column = [&](int i) { return std::floor((points.at(i).x() - x0) * sx / 2.0); };
        for (int k = 0; k < points.size();) {
            const double c = column(k);
            int low = k;
            int high = k;
            int next = k + 1;
            for (; next < points.size() && column(next) == c; ++next) {
                if (points.at(next).y() < points.at(low).y())
                    low = next;
                if (points.at(next).y() > points.at(high).y())
                    high = next;
            }
            kept.append(points.at(qMin(low, high)));
            if (low != high)
                kept.append(points.at(qMax(low, high)));
            k = next;
        }
        points = kept;
    }

    // In pixels (from the axes' minima, so that huge values stay finite), a point may be left
    // out when the line from the last point drawn to a later point passes within half a pixel
    // (vertically) of it. From each point drawn, the slopes that keep every point after it
    // within reach narrow point by point; the line ends at the last point whose own slope still
    // lay within them.
    const auto px = [&](int i) { return (points.at(i).x() - x0) * sx; };
    const auto py = [&](int i) { return (points.at(i).y() - y0) * sy; };
    const double tolerance = 0.5;
    QVector<QPointF> drawn{points.first()};
    int anchor = 0;
    while (anchor < points.size() - 1) {
        const double ax = px(anchor);
        const double ay = py(anchor);
        double low = -std::numeric_limits<double>::infinity();
        double high = std::numeric_limits<double>::infinity();
        int end = anchor + 1;
        for (int j = anchor + 1; j < points.size(); ++j) {
            const double dx = px(j) - ax;
            if (dx <= 0.0) {   // no later than the point drawn: it ends the line itself
                if (j == anchor + 1)
                    end = j;
                break;
            }
            const double dy = py(j) - ay;
            if (dy / dx >= low && dy / dx <= high)
                end = j;
            low = qMax(low, (dy - tolerance) / dx);
            high = qMin(high, (dy + tolerance) / dx);
            if (low > high)
                break;
        }
        drawn.append(points.at(end));
        anchor = end;
    }
    return drawn;
}

void ChartView::setTimeWindow(const QDateTime &t, const QList<double> &values)
{
    timeMin = t;
    timeMax = t.addSecs(10);
    if (timeAxis)
        timeAxis->setRange(timeMin, timeMax);

    bool anyLeft = false, anyRight = false;
    double leftLow = 0, leftHigh = 0, rightLow = 0, rightHigh = 0;
    const int count = qMin(values.size(), seriesCount);
    for (int i = 0; i < count; ++i) {
        const double v = values.at(i);
        if (!std::isfinite(v))   // missing
            continue;
        if (axisFlags.value(i, true)) {
            leftLow = anyLeft ? qMin(leftLow, v) : v;
            leftHigh = anyLeft ? qMax(leftHigh, v) : v;
            anyLeft = true;
        } else {
            rightLow = anyRight ? qMin(rightLow, v) : v;
            rightHigh = anyRight ? qMax(rightHigh, v) : v;
            anyRight = true;
        }
    }
    double range[4] = {leftLow - 1.0, leftHigh + 1.0, rightLow - 1.0, rightHigh + 1.0};
    limitRange(range[0], range[1]);
    limitRange(range[2], range[3]);
    setYRanges(range[0], range[1], range[2], range[3]);
}

void ChartView::showSeries(int channel)
{
    if (channel < 0 || channel >= series.size() || shown.value(channel, true))
        return;
    shown[channel] = true;
    nLineSeries *curve = series.at(channel);
    chart()->addSeries(curve);
    attachCurve(curve, channel);
    invalidateCurves();
}

void ChartView::hideSeries(int channel)
{
    if (channel < 0 || channel >= series.size() || !shown.value(channel, false))
        return;
    shown[channel] = false;
    chart()->removeSeries(series.at(channel));
    // Out of the chart the curve is ours again.
    series.at(channel)->setParent(this);
    if (hoveredChannel == channel)
        hoveredChannel = -1;
    invalidateCurves();
}

void ChartView::clearSeries()
{
    for (int i = 0; i < shown.size(); ++i)
        shown[i] = false;
    for (nLineSeries *curve : qAsConst(series)) {
        if (chart()->series().contains(curve))
            chart()->removeSeries(curve);
        delete curve;
    }
    series.clear();
    seriesCount = 0;
    reportX.clear();
    reportY.clear();
    reportSorted.clear();
    drawn.clear();
    hoveredChannel = -1;
    invalidateCurves();
    if (tipLabel)
        tipLabel->hide();
}

bool ChartView::seriesColor(int channel, QColor &color) const
{
    if (channel < 0 || channel >= colors.size() || channel >= series.size())
        return false;
    color = colors.at(channel);
    return true;
}

QList<bool> ChartView::leftAxisFlags() const
{
    return axisFlags;
}

bool ChartView::isSeriesShown(int channel) const
{
    return channel >= 0 && channel < series.size() && shown.value(channel, false);
}

ChannelFigures ChartView::channelFiguresAt(int channel) const
{
    return channelFigures.value(channel);
}

bool ChartView::addTaggingLine(const QDateTime &time, const QString &remark)
{
    if (taggingLines.size() >= maxTaggingLines)
        return false;
    auto *marker = new ChartTaggingLine(this);
    marker->setData(remark, time);
    taggingLines.append(marker);
    return true;
}

void ChartView::clearTaggingLines()
{
    qDeleteAll(taggingLines);
    taggingLines.clear();
}

void ChartView::showTip(const QString &text)
{
    if (!tipLabel)
        return;
    tipLabel->setText(text);
    const QPoint cursor = mapFromGlobal(QCursor::pos());
    tipLabel->move(cursor.x() - tipLabel->width() / 2,
                   int(cursor.y() - tipLabel->height() * 1.1));
    tipLabel->show();
}

const ChannelFigures *ChartView::figuresForTip(int index, bool state)
{
    if (!tipLabel)
        return nullptr;
    if (!state || index < 0 || index >= channelFigures.size()) {
        tipLabel->hide();
        return nullptr;
    }
    return &channelFigures.at(index);
}

QString ChartView::tipTime(const QPointF &point)
{
    return QDateTime::fromMSecsSinceEpoch(qint64(point.x()))
        .toString(QStringLiteral("MM-dd hh:mm:ss.zzz"));
}

void ChartView::tooltip(int index, const QPointF &point, bool state)
{
    if (const ChannelFigures *figures = figuresForTip(index, state))
        showTip(QStringLiteral("Min：") + number(figures->min) + QStringLiteral("\nMax：")
                + number(figures->max) + QStringLiteral("\nAvg：") + number(figures->average)
                + QStringLiteral("\nTime：") + tipTime(point));
}

void ChartView::tooltip1(int index, const QPointF &point, bool state)
{
    const ChannelFigures *figures = figuresForTip(index, state);
    if (!figures)
        return;
    // The sample present nearest in time to the pointer, from the full data: the line on the
    // screen may be drawn through fewer points, and a missing value has none.
    QPointF sample = point;
    if (index < liveY.size() && liveCount() > 0) {
        const double *xs = liveX.constData() + liveFirst;
        const double *ys = liveY.at(index).constData() + liveFirst;
        const int n = liveCount();
        const int k = int(std::lower_bound(xs, xs + n, point.x()) - xs);
        int before = k - 1;
        while (before >= 0 && std::isnan(ys[before]))
            --before;
        int after = k;
        while (after < n && std::isnan(ys[after]))
            ++after;
        int nearest = before;
        if (after < n && (before < 0 || xs[after] - point.x() < point.x() - xs[before]))
            nearest = after;
        if (nearest >= 0)
            sample = QPointF(xs[nearest], ys[nearest]);
    }
    // No value yet: the figures are empty.
    const bool any = figures->min <= figures->max;
    showTip(QStringLiteral("Data：") + number(sample.y()) + QStringLiteral("\nMin：")
            + (any ? number(figures->min) : QString()) + QStringLiteral("\nMax：")
            + (any ? number(figures->max) : QString()) + QStringLiteral("\nTime：")
            + tipTime(sample));
}

void ChartView::restoreRanges()
{
    if (timeAxis)
        timeAxis->setRange(timeMin, timeMax);
    if (leftAxis)
        leftAxis->setRange(yRange[0], yRange[1]);
    if (rightAxis)
        rightAxis->setRange(yRange[2], yRange[3]);
}

void ChartView::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::MiddleButton) {
        panning = true;
        lastPanPos = event->pos();
        setCursor(Qt::ClosedHandCursor);
    }
    QChartView::mousePressEvent(event);
}

void ChartView::mouseMoveEvent(QMouseEvent *event)
{
    if (panning) {
        const QPoint pos = event->pos();
        chart()->scroll(lastPanPos.x() - pos.x(), pos.y() - lastPanPos.y());
        lastPanPos = pos;
    }
    QChartView::mouseMoveEvent(event);
}

void ChartView::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::RightButton) {
        // The right button never zooms out; it brings back the stored ranges.
        restoreRanges();
        event->accept();
        return;
    }
    if (event->button() == Qt::MiddleButton) {
        panning = false;
        setCursor(Qt::ArrowCursor);
    }
    QChartView::mouseReleaseEvent(event);
}

void ChartView::mouseDoubleClickEvent(QMouseEvent *event)
{
    restoreRanges();
    event->accept();
}

void ChartView::wheelEvent(QWheelEvent *event)
{
    const double f = std::pow(0.999, double(event->angleDelta().y()));
    QRectF rect = chart()->plotArea();
    const QPointF c = rect.center();
    rect.setWidth(rect.width() * f);
    rect.setHeight(rect.height() * f);
    const QPointF p = chart()->mapFromScene(mapToScene(event->position().toPoint()));
    rect.moveCenter(2 * c - p - (c - p) / f);
    chart()->zoomIn(rect);
    QGraphicsView::wheelEvent(event);
}
