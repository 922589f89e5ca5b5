// The curve chart under the offscreen platform: axes, live curves, ranges, mouse, markers.
#include <QDir>
#include <QLabel>
#include <QtCharts/QChart>
#include <QtCharts/QDateTimeAxis>
#include <QtCharts/QLegend>
#include <QtCharts/QValueAxis>
#include <QtTest>
#include <cmath>
#include <cstdlib>

#include "ChartLines.h"
#include "ChartTaggingLine.h"
#include "ChartView.h"
#include "nLineSeries.h"

using namespace QtCharts;

namespace {

const QDateTime kStart(QDate(2024, 5, 1), QTime(8, 0, 0));

QValueAxis *valueAxis(ChartView &view, Qt::Alignment side)
{
    for (QAbstractAxis *axis : view.chart()->axes(Qt::Vertical)) {
        if (axis->alignment() == side)
            return qobject_cast<QValueAxis *>(axis);
    }
    return nullptr;
}

QDateTimeAxis *timeAxis(ChartView &view)
{
    return qobject_cast<QDateTimeAxis *>(view.chart()->axes(Qt::Horizontal).value(0));
}

nLineSeries *curve(ChartView &view, int channel)
{
    for (QAbstractSeries *s : view.chart()->series()) {
        auto *line = qobject_cast<nLineSeries *>(s);
        if (line && line->channel() == channel)
            return line;
    }
    return nullptr;
}

QLabel *tipLabel(ChartView &view)
{
    return view.findChild<QLabel *>(QStringLiteral("tipLabel"));
}

void sendMouse(QWidget *target, QEvent::Type type, Qt::MouseButton button, QPoint pos,
               Qt::MouseButtons held)
{
    QMouseEvent event(type, pos, target->mapToGlobal(pos), button, held, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

QPoint plotCentre(ChartView &view)
{
    return view.mapFromScene(view.chart()->mapToScene(view.chart()->plotArea().center()));
}

// A live chart of three channels: two on the left axis (℃), one on the right (V).
void setupLive(ChartView &view)
{
    view.setupLiveSeries({"1-101", "1-102", "1-103"}, QStringLiteral("℃"), QStringLiteral("V"),
                         {true, false, true}, 2);
}

bool showAt(ChartView &view, int width, int height)
{
    view.resize(width, height);
    view.show();
    return QTest::qWaitForWindowExposed(&view);
}

// A shown report chart of one project with the given channels and axis units.
void setupReport(ChartView &view, const QStringList &names, const QString &rightUnit,
                 const QList<bool> &flags)
{
    view.resetForReport(2);
    view.createSeries(QStringLiteral("P"), names, QStringLiteral("℃"), rightUnit, flags);
}

void compareRange(QValueAxis *axis, double min, double max)
{
    QVERIFY(axis);
    QCOMPARE(axis->min(), min);
    QCOMPARE(axis->max(), max);
}

// Whether a pixel of `colour` (within `tolerance`) lies within two pixels of `at` (viewport).
bool drawnNear(const QImage &image, QPoint at, const QColor &colour, int tolerance = 0)
{
    for (int dy = -2; dy <= 2; ++dy) {
        for (int dx = -2; dx <= 2; ++dx) {
            const QPoint p = at + QPoint(dx, dy);
            const QColor c = image.rect().contains(p) ? image.pixelColor(p) : QColor(Qt::transparent);
            if (c.alpha() > 0 && qAbs(c.red() - colour.red()) <= tolerance
                && qAbs(c.green() - colour.green()) <= tolerance && qAbs(c.blue() - colour.blue()) <= tolerance)
                return true;
        }
    }
    return false;
}

// Where the chart draws (time, value) of `line` with the axes' current ranges.
QPoint pixelOf(ChartView &view, QAbstractSeries *line, const QDateTime &time, double value)
{
    const QPointF pos =
        view.chart()->mapToPosition(QPointF(double(time.toMSecsSinceEpoch()), value), line);
    return view.mapFromScene(view.chart()->mapToScene(pos));
}

} // namespace

class TestChartView : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { std::srand(7); }
    void liveAxes();
    void liveKeepsLatestPoints_data();
    void liveKeepsLatestPoints();
    void tickDrawsCurvesAtTheNewRanges_data();
    void tickDrawsCurvesAtTheNewRanges();
    void hiddenCurveRejoinsWithTheWindow();
    void valueRangeGrowsWithMargin();
    void autoScaleOffThenOn();
    void liveTooltip();
    void liveCurvesDrawnThroughFewerPoints();
    void missingAndHugeValues();
    void gapsKeptThroughReduction();
    void reportSetup();
    void reportTooltipOnlyOnLeftAxis();
    void showAndHide();
    void manyChannels();
    void taggingLines();
    void markerFollowsTimeRange();
    void restoreAfterZoomAndPan_data();
    void restoreAfterZoomAndPan();
    void wheelZoom();
    void screenshotThreeCurvesTwoAxes();
};

void TestChartView::liveAxes()
{
    ChartView view;
    setupLive(view);
    QCOMPARE(view.chart()->series().size(), 3);
    QCOMPARE(view.channelCount(), 3);
    QVERIFY(!view.chart()->legend()->isVisible());
    QValueAxis *left = valueAxis(view, Qt::AlignLeft);
    QValueAxis *right = valueAxis(view, Qt::AlignRight);
    QVERIFY(left && right);
    QCOMPARE(left->titleText(), QStringLiteral("单位 (℃)"));
    QCOMPARE(right->titleText(), QStringLiteral("单位 (V)"));
    QCOMPARE(left->labelFormat(), QStringLiteral("%.2f"));
    QCOMPARE(timeAxis(view)->format(), QStringLiteral("MM-dd HH:mm:ss"));
    QCOMPARE(timeAxis(view)->titleText(), QStringLiteral("采集时间"));
    QVERIFY(curve(view, 0)->attachedAxes().contains(left));
    QVERIFY(curve(view, 1)->attachedAxes().contains(right));
    QVERIFY(curve(view, 2)->attachedAxes().contains(left));
    QCOMPARE(curve(view, 1)->name(), QStringLiteral("1-102"));
    QCOMPARE(curve(view, 1)->pen().width(), 2);
    QColor c;
    QVERIFY(view.seriesColor(1, c));
    QCOMPARE(curve(view, 1)->pen().color(), c);
    QCOMPARE(view.leftAxisFlags(), (QList<bool>{true, false, true}));

    ChartView single;
    single.setupLiveSeries({"a", "b"}, QStringLiteral("℃"), QString(), {true, true}, 3);
    QCOMPARE(single.chart()->axes(Qt::Vertical).size(), 1);
    QCOMPARE(valueAxis(single, Qt::AlignLeft)->labelFormat(), QStringLiteral("%.3f"));
}

void TestChartView::liveKeepsLatestPoints_data()
{
    QTest::addColumn<bool>("autoScrollX");
    QTest::newRow("time axis follows") << true;
    QTest::newRow("time axis stays") << false;
}

void TestChartView::liveKeepsLatestPoints()
{
    QFETCH(bool, autoScrollX);
    ChartView view;
    setupLive(view);
    view.setTimeWindow(kStart, {20, 1, 20});
    view.setAutoScale(autoScrollX, true);
    for (int i = 0; i < ChartView::maxTimePoints; ++i)
        view.appendSamples(kStart.addSecs(i), {20.0 + i % 7, 1.0, 21.0});
    for (int ch = 0; ch < 3; ++ch)
        QCOMPARE(view.livePoints(ch).size(), 1200);
    QCOMPARE(timeAxis(view)->min(), kStart);

    view.appendSamples(kStart.addSecs(1200), {25, 2, 26});
    for (int ch = 0; ch < 3; ++ch) {
        const QVector<QPointF> points = view.livePoints(ch);
        QCOMPARE(points.size(), 1200);
        QCOMPARE(qint64(points.at(0).x()), kStart.addSecs(1).toMSecsSinceEpoch());
        QCOMPARE(qint64(points.at(1199).x()), kStart.addSecs(1200).toMSecsSinceEpoch());
    }
    QCOMPARE(view.livePoints(1).at(1199).y(), 2.0);
    if (autoScrollX) {
        QCOMPARE(timeAxis(view)->min(), kStart.addSecs(1));
        QCOMPARE(timeAxis(view)->max(), kStart.addSecs(1200));
    } else {
        QCOMPARE(timeAxis(view)->min(), kStart);
        QCOMPARE(timeAxis(view)->max(), kStart.addSecs(10));
    }
}

void TestChartView::tickDrawsCurvesAtTheNewRanges_data()
{
    // A sample that moves an axis must leave every curve drawn for the new range, not for
    // the range before the sample.
    QTest::addColumn<bool>("timeAxisMoves");
    QTest::newRow("value axis grows") << false;
    QTest::newRow("window drops its oldest point") << true;
}

void TestChartView::tickDrawsCurvesAtTheNewRanges()
{
    QFETCH(bool, timeAxisMoves);
    ChartView view;
    view.setupLiveSeries({"1-101"}, QStringLiteral("℃"), QString(), {true}, 2);
    QVERIFY(showAt(view, 800, 500));
    QColor red;
    QVERIFY(view.seriesColor(0, red));
    nLineSeries *line = curve(view, 0);
    QVERIFY(line);
    view.setTimeWindow(kStart, {20});

    // A step from 20 to 20.5: where the curve crosses 20.25 shows where the step is drawn.
    QDateTime step;
    if (timeAxisMoves) {
        step = kStart.addSecs(600);
        for (int i = 0; i < ChartView::maxTimePoints; ++i)
            view.appendSamples(kStart.addSecs(i), {i < 600 ? 20.0 : 20.5});
    } else {
        step = kStart.addSecs(2);
        view.appendSamples(kStart, {20});
        view.appendSamples(kStart.addSecs(1), {20});
        view.appendSamples(step, {20.5});
    }
    QTest::qWait(20);
    const QPoint before = pixelOf(view, line, step.addMSecs(-500), 20.25);
    QVERIFY(drawnNear(view.viewport()->grab().toImage(), before, red));

    // The sample that moves the axes: far later (the time axis stretches to twice its span
    // and loses its oldest second) or far higher (the value axis grows to 20 times its span).
    if (timeAxisMoves)
        view.appendSamples(kStart.addSecs(2 * ChartView::maxTimePoints), {20.5});
    else
        view.appendSamples(kStart.addSecs(3), {60});
    const QPoint after = pixelOf(view, line, step.addMSecs(-500), 20.25);
    QVERIFY2((after - before).manhattanLength() > 20,
             "the sample was meant to move the step on the screen");
    const QImage image = view.viewport()->grab().toImage();
    QVERIFY(drawnNear(image, after, red));
    QVERIFY(!drawnNear(image, before, red));
}

void TestChartView::hiddenCurveRejoinsWithTheWindow()
{
    ChartView view;
    setupLive(view);
    view.setTimeWindow(kStart, {20, 1, 20});
    view.hideSeries(1);
    const int total = ChartView::maxTimePoints + 5;
    for (int i = 0; i < total; ++i)
        view.appendSamples(kStart.addSecs(i), {20, 1.0 + i % 10, 20});
    // Out of the chart the curve still took every sample and lost its oldest ones.
    QCOMPARE(view.channelFiguresAt(1).min, 1.0);
    QCOMPARE(view.channelFiguresAt(1).max, 10.0);
    compareRange(valueAxis(view, Qt::AlignRight), 0, 10);
    QVERIFY(linesOf(view, 1).isEmpty());
    view.showSeries(1);
    QVERIFY(curve(view, 1));
    // Off screen the chart draws every point.
    QVector<QPointF> line = linesOf(view, 1).value(0);
    QCOMPARE(line.size(), ChartView::maxTimePoints);
    QCOMPARE(qint64(line.at(0).x()), kStart.addSecs(5).toMSecsSinceEpoch());
    QCOMPARE(line.at(0).y(), 1.0 + 5 % 10);
    QCOMPARE(qint64(line.last().x()), kStart.addSecs(total - 1).toMSecsSinceEpoch());
    QCOMPARE(line.last().y(), 1.0 + (total - 1) % 10);
    // The next sample reaches it like every other curve.
    view.appendSamples(kStart.addSecs(total), {20, 7.5, 20});
    line = linesOf(view, 1).value(0);
    QCOMPARE(line.size(), ChartView::maxTimePoints);
    QCOMPARE(line.last().y(), 7.5);
    QCOMPARE(qint64(line.at(0).x()), kStart.addSecs(6).toMSecsSinceEpoch());
}

void TestChartView::valueRangeGrowsWithMargin()
{
    ChartView view;
    setupLive(view);
    view.setTimeWindow(kStart, {50, 5, 50.5});
    compareRange(valueAxis(view, Qt::AlignLeft), 49, 51.5);
    compareRange(valueAxis(view, Qt::AlignRight), 4, 6);
    QCOMPARE(timeAxis(view)->max(), kStart.addSecs(10));

    // Equal to the stored minimum: nothing moves.
    view.appendSamples(kStart, {49, 5, 50});
    compareRange(valueAxis(view, Qt::AlignLeft), 49, 51.5);
    // Below it: the minimum becomes that value - 1; the maximum stays.
    view.appendSamples(kStart.addSecs(1), {48.5, 5, 50});
    compareRange(valueAxis(view, Qt::AlignLeft), 47.5, 51.5);
    compareRange(valueAxis(view, Qt::AlignRight), 4, 6);
    // A right-axis value moves only the right axis.
    view.appendSamples(kStart.addSecs(2), {49, 7, 50});
    compareRange(valueAxis(view, Qt::AlignLeft), 47.5, 51.5);
    compareRange(valueAxis(view, Qt::AlignRight), 4, 8);
    // A later time beyond the window stretches the time axis.
    view.appendSamples(kStart.addSecs(15), {49, 5, 50});
    QCOMPARE(timeAxis(view)->max(), kStart.addSecs(15));
    QCOMPARE(timeAxis(view)->min(), kStart);
}

void TestChartView::autoScaleOffThenOn()
{
    ChartView view;
    setupLive(view);
    QVERIFY(showAt(view, 800, 500));
    view.setTimeWindow(kStart, {50, 5, 50});
    view.setAutoScale(true, false);
    view.appendSamples(kStart.addSecs(1), {70, 5, 50});
    compareRange(valueAxis(view, Qt::AlignLeft), 49, 51);
    // The stored range grew meanwhile: a restore shows it.
    QTest::mouseClick(view.viewport(), Qt::RightButton, Qt::NoModifier, plotCentre(view));
    compareRange(valueAxis(view, Qt::AlignLeft), 49, 71);
    valueAxis(view, Qt::AlignLeft)->setRange(0, 10);

    view.setAutoScale(true, true);
    view.appendSamples(kStart.addSecs(2), {60, 5, 50});   // within the stored range
    compareRange(valueAxis(view, Qt::AlignLeft), 0, 10);
    view.appendSamples(kStart.addSecs(3), {80, 5, 50});
    compareRange(valueAxis(view, Qt::AlignLeft), 49, 81);
}

void TestChartView::liveTooltip()
{
    ChartView view;
    setupLive(view);
    QVERIFY(showAt(view, 800, 500));
    view.setTimeWindow(kStart, {20, 1, 20});
    view.appendSamples(kStart, {20.5, 1, 20});
    view.appendSamples(kStart.addSecs(1), {19.25, 1, 20});
    view.appendSamples(kStart.addSecs(2), {22.125, 1, 20});
    QCOMPARE(view.channelFiguresAt(0).min, 19.25);
    QCOMPARE(view.channelFiguresAt(0).max, 22.125);

    QLabel *tip = tipLabel(view);
    QVERIFY(tip);
    QVERIFY(tip->isHidden());
    // The tip shows the sample nearest in time to the pointer, whatever the line drawn there.
    const QDateTime at(QDate(2024, 5, 1), QTime(8, 0, 1, 400));
    curve(view, 0)->tooltip(QPointF(double(at.toMSecsSinceEpoch()), 20.0), true);
    QVERIFY(!tip->isHidden());
    QCOMPARE(tip->text(),
             QStringLiteral("Data：19.25\nMin：19.25\nMax：22.13\nTime：05-01 08:00:01.000"));
    QCOMPARE(tip->size(), QSize(165, 75));
    curve(view, 0)->tooltip(QPointF(double(at.addMSecs(200).toMSecsSinceEpoch()), 20.0), true);
    QCOMPARE(tip->text(),
             QStringLiteral("Data：22.13\nMin：19.25\nMax：22.13\nTime：05-01 08:00:02.000"));
    curve(view, 0)->tooltip(QPointF(double(at.toMSecsSinceEpoch()), 19.25), false);
    QVERIFY(tip->isHidden());
    // The pointer on a curve shows its tip, off every curve hides it.
    sendMouse(view.viewport(), QEvent::MouseMove, Qt::NoButton,
              pixelOf(view, curve(view, 0), kStart.addSecs(1), 19.25), Qt::NoButton);
    QVERIFY(!tip->isHidden());
    QVERIFY(tip->text().startsWith(QStringLiteral("Data：19.25\n")));
    sendMouse(view.viewport(), QEvent::MouseMove, Qt::NoButton,
              pixelOf(view, curve(view, 0), kStart.addSecs(1), 21), Qt::NoButton);
    QVERIFY(tip->isHidden());
}

namespace {
// Whether what the chart draws for the channel passes within half a pixel (vertically) of every
// point of its full data in view, and no line crosses the time of a missing value in `gaps`. A
// line is a run of segments, or a vertical stroke (a dot) that covers the points of its two-pixel
// column.
bool drawnWithinHalfAPixel(ChartView &view, int channel, const QList<QDateTime> &gaps = {})
{
    nLineSeries *line = curve(view, channel);
    const auto *axis = qobject_cast<QValueAxis *>(line->attachedAxes().value(1));
    const auto pixel = [&](const QPointF &p) { return view.chart()->mapToPosition(p, line); };
    QVector<QVector<QPointF>> drawn;
    for (const QVector<QPointF> &l : linesOf(view, channel)) {
        for (const QDateTime &gap : gaps)   // no line bridges a missing value
            if (l.first().x() < gap.toMSecsSinceEpoch() && gap.toMSecsSinceEpoch() < l.last().x())
                return false;
        QVector<QPointF> pixels;
        for (const QPointF &p : l)
            pixels.append(pixel(p));
        drawn.append(pixels);
    }
    const double x0 = double(timeAxis(view)->min().toMSecsSinceEpoch());
    const double x1 = double(timeAxis(view)->max().toMSecsSinceEpoch());
    const double reach = 0.51;   // a point between its column's extremes may lie a hair beyond
    for (const QPointF &p : view.livePoints(channel)) {
        if (p.x() < x0 || p.x() > x1 || p.y() < axis->min() || p.y() > axis->max())
            continue;
        const QPointF at = pixel(p);
        bool near = false;
        for (const QVector<QPointF> &l : qAsConst(drawn)) {
            for (int k = 0; k < l.size() && !near; ++k) {
                const QPointF a = l.at(k), b = l.at(qMin(k + 1, l.size() - 1));
                if (a.x() != b.x())
                    near = a.x() <= at.x() && at.x() <= b.x()
                        && qAbs(a.y() + (b.y() - a.y()) * (at.x() - a.x()) / (b.x() - a.x()) - at.y()) <= reach;
                else
                    near = qAbs(a.x() - at.x()) <= 2 && qMin(a.y(), b.y()) - reach <= at.y()
                        && at.y() <= qMax(a.y(), b.y()) + reach;
            }
        }
        if (!near)
            return false;
    }
    return true;
}

// Whether the channel's curve is drawn within two pixels of (time, value).
bool drawnAt(ChartView &view, int channel, const QDateTime &time, double value)
{
    QColor colour;
    return view.seriesColor(channel, colour)
        && drawnNear(view.viewport()->grab().toImage(),
                     pixelOf(view, curve(view, channel), time, value), colour, 8);
}
}

void TestChartView::liveCurvesDrawnThroughFewerPoints()
{
    // A smooth curve on the left axis and one noisy at the scale of a pixel on the right.
    ChartView view;
    view.setupLiveSeries({"smooth", "noisy"}, QStringLiteral("℃"), QStringLiteral("V"),
                         {true, false}, 2);
    QVERIFY(showAt(view, 800, 500));
    view.setTimeWindow(kStart, {20, 1});
    for (int i = 0; i < ChartView::maxTimePoints; ++i)
        view.appendSamples(kStart.addSecs(i), {20 + 5 * std::sin(i / 150.0),
                                               1 + std::fmod(std::sin(i * 12.9898) * 43758.5453, 1.0)});
    QTest::qWait(50);
    QCOMPARE(view.livePoints(0).size(), ChartView::maxTimePoints);
    QCOMPARE(linesOf(view, 0).size(), 1);
    QVERIFY2(linesOf(view, 0).first().size() < 100, qPrintable(QString::number(linesOf(view, 0).first().size())));
    QVERIFY(drawnWithinHalfAPixel(view, 0));
    // At most one point per pixel across, the lowest and highest kept.
    const QVector<QPointF> noisy = linesOf(view, 1).value(0);
    QVERIFY(noisy.size() <= view.chart()->plotArea().width() + 4);
    const auto byValue = [](const QPointF &a, const QPointF &b) { return a.y() < b.y(); };
    const QVector<QPointF> all = view.livePoints(1);
    QCOMPARE(std::minmax_element(noisy.begin(), noisy.end(), byValue).first->y(),
             std::minmax_element(all.begin(), all.end(), byValue).first->y());

    // Zoomed into 40 seconds, then panned, then restored: drawn for each view in full detail.
    view.setAutoScale(false, false);
    view.setTimeRange(kStart.addSecs(600), kStart.addSecs(640));
    QWidget *vp = view.viewport();
    const QPoint c = plotCentre(view);
    for (int step = 0; step < 3; ++step) {
        if (step == 1) {
            sendMouse(vp, QEvent::MouseButtonPress, Qt::MiddleButton, c, Qt::MiddleButton);
            sendMouse(vp, QEvent::MouseMove, Qt::NoButton, c - QPoint(200, 0), Qt::MiddleButton);
            sendMouse(vp, QEvent::MouseButtonRelease, Qt::MiddleButton, c - QPoint(200, 0), Qt::NoButton);
        } else if (step == 2) {
            QTest::mouseDClick(vp, Qt::LeftButton, Qt::NoModifier, c);
        }
        QTest::qWait(50);
        QCOMPARE(timeAxis(view)->min() > kStart.addSecs(600), step == 1);
        QVERIFY(linesOf(view, 1).value(0).size() >= 41);
        QVERIFY(drawnWithinHalfAPixel(view, 0));
        QVERIFY(drawnWithinHalfAPixel(view, 1));
    }
}

void TestChartView::missingAndHugeValues()
{
    // "nan", "inf" and readings of ±1e308 amid a run of two curves on the left, one on the right.
    const double nan = qQNaN(), inf = qInf();
    ChartView view;
    setupLive(view);
    QVERIFY(showAt(view, 800, 500));
    const QList<QList<double>> samples{
        {20, 5, 25},   {20, 5, 25},  {20, 5, 25},    {20, -1e308, 25}, {nan, 5, 25}, {inf, 5, -inf},
        {1e308, 5, 25}, {22, 5, 25}, {22, nan, 25}, {22, 5, 25},      {22, 5, 25}};
    view.setTimeWindow(kStart, samples.first());
    for (int i = 0; i < samples.size(); ++i)
        view.appendSamples(kStart.addSecs(i), samples.at(i));
    QTest::qWait(50);
    for (Qt::Alignment side : {Qt::AlignLeft, Qt::AlignRight})
        QVERIFY(std::isfinite(valueAxis(view, side)->max() - valueAxis(view, side)->min())
                && valueAxis(view, side)->max() > valueAxis(view, side)->min());
    QCOMPARE(view.channelFiguresAt(2).min, 25.0);
    QVERIFY(drawnWithinHalfAPixel(view, 0, {kStart.addSecs(4), kStart.addSecs(5)}));
    QVERIFY(drawnWithinHalfAPixel(view, 1, {kStart.addSecs(8)}));
    QVERIFY(drawnWithinHalfAPixel(view, 2, {kStart.addSecs(5)}));
    QCOMPARE(valueAxis(view, Qt::AlignLeft)->labelFormat(), QStringLiteral("%.2e"));
    // Zoomed in to the ordinary values, every curve shows after the huge readings and gaps.
    valueAxis(view, Qt::AlignLeft)->setRange(19, 26);
    valueAxis(view, Qt::AlignRight)->setRange(4, 6);
    QTest::qWait(50);
    QCOMPARE(valueAxis(view, Qt::AlignLeft)->labelFormat(), QStringLiteral("%.2f"));
    QVERIFY(drawnAt(view, 0, kStart.addMSecs(8500), 22));
    QVERIFY(drawnAt(view, 1, kStart.addMSecs(9500), 5));
    QVERIFY(drawnAt(view, 2, kStart.addMSecs(9500), 25));
    // The tool tip shows the value present nearest the pointer; huge numbers fit the tip.
    curve(view, 0)->tooltip(QPointF(double(kStart.addMSecs(4400).toMSecsSinceEpoch()), 20), true);
    QCOMPARE(tipLabel(view)->text(),
             QStringLiteral("Data：20.00\nMin：20.00\nMax：1.00e+308\nTime：05-01 08:00:03.000"));

    // A channel with no value yet: empty figures.
    ChartView fresh;
    setupLive(fresh);
    fresh.setTimeWindow(kStart, {nan, inf, nan});
    fresh.appendSamples(kStart, {nan, inf, nan});
    QVERIFY(std::isfinite(valueAxis(fresh, Qt::AlignLeft)->min()));
    curve(fresh, 0)->tooltip(QPointF(double(kStart.toMSecsSinceEpoch()), 0), true);
    QCOMPARE(tipLabel(fresh)->text(), QStringLiteral("Data：0.00\nMin：\nMax：\nTime：05-01 08:00:00.000"));
}

void TestChartView::gapsKeptThroughReduction()
{
    // More points than pixels, a value missing every 97 samples and around a lone value: drawn
    // through fewer points, the lines bridge no gap; zoomed in, the lone value shows. A second
    // curve misses every other value: it costs a stroke or two per two-pixel column, not a line
    // per gap, and the chart holds one series per curve.
    ChartView view;
    view.setupLiveSeries({"smooth", "every other"}, QStringLiteral("℃"), QString(), {true, true}, 2);
    QVERIFY(showAt(view, 500, 400));
    QList<QDateTime> gaps;
    QList<QDateTime> others;
    view.setTimeWindow(kStart, {20, 20});
    for (int i = 0; i < ChartView::maxTimePoints; ++i) {
        const bool missing = i % 97 == 50 || i == 600 || i == 602;
        if (missing)
            gaps.append(kStart.addSecs(i));
        if (i % 2)
            others.append(kStart.addSecs(i));
        const double v = 20 + 5 * std::sin(i / 150.0);
        view.appendSamples(kStart.addSecs(i), {missing ? qQNaN() : v, i % 2 ? qQNaN() : v + 1});
    }
    QTest::qWait(50);
    QVERIFY(drawnWithinHalfAPixel(view, 0, gaps));
    QCOMPARE(linesOf(view, 0).size(), gaps.size() + 1);   // the lone value at 601 has its own
    QVERIFY(drawnWithinHalfAPixel(view, 1, others));
    QVERIFY(linesOf(view, 1).size() < others.size() / 2);
    QCOMPARE(view.chart()->series().size(), 2);
    view.setAutoScale(false, false);
    view.setTimeRange(kStart.addSecs(590), kStart.addSecs(612));
    QTest::qWait(50);
    QVERIFY(drawnAt(view, 0, kStart.addSecs(601), 20 + 5 * std::sin(601 / 150.0)));
}

void TestChartView::reportSetup()
{
    ChartView view;
    view.resetForReport(1);
    QVERIFY(view.chart()->legend()->isVisible());
    QCOMPARE(view.chart()->legend()->alignment(), Qt::Alignment(Qt::AlignRight));
    QCOMPARE(timeAxis(view)->labelsAngle(), 90);
    QCOMPARE(timeAxis(view)->tickCount(), 24);
    QCOMPARE(valueAxis(view, Qt::AlignLeft)->tickCount(), 10);
    QCOMPARE(valueAxis(view, Qt::AlignLeft)->labelFormat(), QStringLiteral("%.1f"));

    view.createSeries(QStringLiteral("项目A"), {"1-101", "1-102"}, QStringLiteral("℃"),
                      QString(), {true, true});
    QCOMPARE(view.chart()->title(), QStringLiteral("项目A"));
    QCOMPARE(view.chart()->axes(Qt::Vertical).size(), 1);
    QCOMPARE(valueAxis(view, Qt::AlignLeft)->titleText(), QStringLiteral("单位 (℃)"));

    QList<QPointF> points;
    for (int i = 0; i < 50; ++i)
        points << QPointF(double(kStart.addSecs(i).toMSecsSinceEpoch()), 20 + i * 0.1);
    view.replaceSeries(1, points);
    QCOMPARE(linesOf(view, 1).value(0).toList(), points);   // off screen: every point
    QVERIFY(linesOf(view, 0).isEmpty());

    // The next project: curves start afresh, a second unit brings the right axis.
    view.clearSeries();
    QVERIFY(view.chart()->series().isEmpty());
    view.createSeries(QStringLiteral("项目B"), {"1-101", "1-102", "2-101"}, QStringLiteral("℃"),
                      QStringLiteral("V"), {true, false, true});
    QCOMPARE(view.chart()->series().size(), 3);
    QValueAxis *right = valueAxis(view, Qt::AlignRight);
    QVERIFY(right);
    QCOMPARE(right->titleText(), QStringLiteral("单位 (V)"));
    QVERIFY(curve(view, 1)->attachedAxes().contains(right));
    QVERIFY(linesOf(view, 1).isEmpty());

    view.setYRanges(-5, 5, 0, 2);
    compareRange(valueAxis(view, Qt::AlignLeft), -5, 5);
    compareRange(right, 0, 2);
    view.setTimeRange(kStart, kStart.addSecs(3600));
    QCOMPARE(timeAxis(view)->min(), kStart);
    QCOMPARE(timeAxis(view)->max(), kStart.addSecs(3600));
}

void TestChartView::reportTooltipOnlyOnLeftAxis()
{
    ChartView view;
    QVERIFY(showAt(view, 800, 500));
    setupReport(view, {"1-101", "1-102"}, QStringLiteral("V"), {true, false});
    ChannelFigures a{1.5, 9.25, 4.125, 0};
    ChannelFigures b{0.1, 0.2, 0.15, 0};
    view.setSeriesData({a, b});
    QLabel *tip = tipLabel(view);
    QVERIFY(tip);
    const QPointF point(double(kStart.toMSecsSinceEpoch()), 3);
    curve(view, 1)->tooltip(point, true);
    QVERIFY(tip->isHidden());
    curve(view, 0)->tooltip(point, true);
    QVERIFY(!tip->isHidden());
    QCOMPARE(tip->text(),
             QStringLiteral("Min：1.50\nMax：9.25\nAvg：4.13\nTime：05-01 08:00:00.000"));
}

void TestChartView::showAndHide()
{
    ChartView view;
    setupLive(view);
    view.setTimeWindow(kStart, {20, 1, 20});
    view.appendSamples(kStart, {20, 1, 20});
    nLineSeries *second = curve(view, 1);
    view.hideSeries(1);
    QCOMPARE(view.chart()->series().size(), 2);
    QVERIFY(!view.isSeriesShown(1));
    view.hideSeries(1);   // already hidden: nothing
    view.appendSamples(kStart.addSecs(1), {20, 1.5, 20});
    view.showSeries(1);
    QCOMPARE(view.chart()->series().size(), 3);
    QCOMPARE(curve(view, 1), second);
    QCOMPARE(linesOf(view, 1).value(0).size(), 2);
    QVERIFY(second->attachedAxes().contains(valueAxis(view, Qt::AlignRight)));
    // Channels the chart does not hold are ignored.
    view.showSeries(3);
    view.hideSeries(-1);
    view.replaceSeries(3, {QPointF(1, 1)});
    QColor untouched(Qt::magenta);
    QVERIFY(!view.seriesColor(3, untouched));
    QCOMPARE(untouched, QColor(Qt::magenta));
    QCOMPARE(view.chart()->series().size(), 3);
}

void TestChartView::manyChannels()
{
    // More channels than the 300 an older chart could hold.
    const int n = 350;
    QStringList names;
    QList<bool> flags;
    QList<double> values;
    for (int i = 0; i < n; ++i) {
        names << QStringLiteral("c%1").arg(i);
        flags << (i % 2 == 0);
        values << i;
    }
    ChartView live;
    live.setupLiveSeries(names, QStringLiteral("℃"), QStringLiteral("V"), flags, 2);
    live.setTimeWindow(kStart, values);
    live.appendSamples(kStart.addSecs(1), values);
    QCOMPARE(live.channelCount(), n);
    QCOMPARE(linesOf(live, n - 1), (QVector<QVector<QPointF>>{{QPointF(double(kStart.addSecs(1).toMSecsSinceEpoch()), n - 1)}}));
    QCOMPARE(live.channelFiguresAt(n - 1).max, double(n - 1));
    QColor c;
    QVERIFY(live.seriesColor(n - 1, c));

    ChartView report;
    report.resetForReport(2);
    report.createSeries(QStringLiteral("P"), names, QStringLiteral("℃"), QStringLiteral("V"),
                        flags);
    report.replaceSeries(n - 1, {QPointF(1, 2), QPointF(3, 4)});
    QCOMPARE(linesOf(report, n - 1).value(0).size(), 2);
    report.hideSeries(n - 1);
    QVERIFY(!report.isSeriesShown(n - 1));
    QCOMPARE(report.chart()->series().size(), n - 1);
}

void TestChartView::taggingLines()
{
    ChartView view;
    QVERIFY(showAt(view, 900, 500));
    setupReport(view, {"1-101"}, QString(), {true});
    view.setTimeRange(kStart, kStart.addSecs(600));

    QVERIFY(view.addTaggingLine(kStart.addSecs(60), QStringLiteral("升温")));
    QVERIFY(view.addTaggingLine(kStart.addSecs(120), QString()));   // kept, never shown
    for (int i = 0; i < 4; ++i)
        QVERIFY(view.addTaggingLine(kStart.addSecs(200 + i), QStringLiteral("m%1").arg(i)));
    QCOMPARE(view.taggingLineCount(), 6);
    QVERIFY(!view.addTaggingLine(kStart.addSecs(300), QStringLiteral("第七")));
    QCOMPARE(view.taggingLineCount(), 6);

    QVERIFY(view.taggingLineAt(0)->isShown());
    QVERIFY(!view.taggingLineAt(1)->isShown());
    // The remark reads top to bottom, one character per line.
    bool found = false;
    for (QLabel *label : view.findChildren<QLabel *>()) {
        if (label->text() == QStringLiteral("升\n温")) {
            found = true;
            QCOMPARE(label->size(), QSize(15, 28));
        }
    }
    QVERIFY(found);

    view.clearTaggingLines();
    QCOMPARE(view.taggingLineCount(), 0);
    QVERIFY(view.addTaggingLine(kStart.addSecs(60), QStringLiteral("再")));
}

void TestChartView::markerFollowsTimeRange()
{
    ChartView view;
    QVERIFY(showAt(view, 900, 500));
    setupReport(view, {"1-101"}, QString(), {true});
    view.setTimeRange(kStart, kStart.addSecs(600));
    QVERIFY(view.addTaggingLine(kStart.addSecs(300), QStringLiteral("标注")));
    const ChartTaggingLine *marker = view.taggingLineAt(0);
    QVERIFY(marker->isShown());

    view.setTimeRange(kStart.addSecs(400), kStart.addSecs(600));
    QVERIFY(!marker->isShown());
    view.setTimeRange(kStart, kStart.addSecs(600));
    QVERIFY(marker->isShown());

    // Zoomed away by the wheel, back after a restore.
    timeAxis(view)->setRange(kStart.addSecs(310), kStart.addSecs(500));
    QVERIFY(!marker->isShown());
    QTest::mouseDClick(view.viewport(), Qt::LeftButton, Qt::NoModifier, plotCentre(view));
    QCOMPARE(timeAxis(view)->min(), kStart);
    QVERIFY(marker->isShown());
}

void TestChartView::restoreAfterZoomAndPan_data()
{
    QTest::addColumn<bool>("doubleClick");
    QTest::newRow("right click") << false;
    QTest::newRow("double click") << true;
}

void TestChartView::restoreAfterZoomAndPan()
{
    QFETCH(bool, doubleClick);
    ChartView view;
    QVERIFY(showAt(view, 900, 500));
    setupReport(view, {"a", "b", "c"}, QStringLiteral("V"), {true, false, true});
    // The curves, one of them out of the chart, keep their points through every range change.
    QList<QPointF> points[3];
    for (int ch = 0; ch < 3; ++ch) {
        for (int i = 0; i < 40; ++i)
            points[ch] << QPointF(double(kStart.addSecs(25 * i).toMSecsSinceEpoch()), ch + i);
        view.replaceSeries(ch, points[ch]);
    }
    view.hideSeries(2);
    view.setTimeRange(kStart, kStart.addSecs(1000));
    view.setYRanges(0, 100, -10, 10);
    QWidget *vp = view.viewport();
    const QPoint c = plotCentre(view);

    // Rubber band: drag a rectangle with the left button.
    sendMouse(vp, QEvent::MouseButtonPress, Qt::LeftButton, c - QPoint(100, 60), Qt::LeftButton);
    sendMouse(vp, QEvent::MouseMove, Qt::NoButton, c + QPoint(100, 60), Qt::LeftButton);
    sendMouse(vp, QEvent::MouseButtonRelease, Qt::LeftButton, c + QPoint(100, 60), Qt::NoButton);
    QVERIFY(timeAxis(view)->min() > kStart);
    QVERIFY(valueAxis(view, Qt::AlignLeft)->max() < 100);

    // Pan with the middle button: dragging left moves the view to later times.
    const QDateTime before = timeAxis(view)->min();
    sendMouse(vp, QEvent::MouseButtonPress, Qt::MiddleButton, c, Qt::MiddleButton);
    QCOMPARE(view.cursor().shape(), Qt::ClosedHandCursor);
    sendMouse(vp, QEvent::MouseMove, Qt::NoButton, c - QPoint(80, 0), Qt::MiddleButton);
    sendMouse(vp, QEvent::MouseButtonRelease, Qt::MiddleButton, c - QPoint(80, 0), Qt::NoButton);
    QCOMPARE(view.cursor().shape(), Qt::ArrowCursor);
    QVERIFY(timeAxis(view)->min() > before);

    if (doubleClick)
        QTest::mouseDClick(vp, Qt::LeftButton, Qt::NoModifier, c);
    else
        QTest::mouseClick(vp, Qt::RightButton, Qt::NoModifier, c);
    QCOMPARE(timeAxis(view)->min(), kStart);
    QCOMPARE(timeAxis(view)->max(), kStart.addSecs(1000));
    compareRange(valueAxis(view, Qt::AlignLeft), 0, 100);
    compareRange(valueAxis(view, Qt::AlignRight), -10, 10);
    view.showSeries(2);
    for (int ch = 0; ch < 3; ++ch)   // straight lines: drawn from their first to their last point
        QCOMPARE(linesOf(view, ch), (QVector<QVector<QPointF>>{{points[ch].first(), points[ch].last()}}));
}

void TestChartView::wheelZoom()
{
    ChartView view;
    QVERIFY(showAt(view, 900, 500));
    setupReport(view, {"a"}, QString(), {true});
    view.setTimeRange(kStart, kStart.addSecs(1000));
    view.setYRanges(0, 100, 0, 100);
    const QPoint c = plotCentre(view);
    QWheelEvent wheel(QPointF(c), QPointF(view.viewport()->mapToGlobal(c)), QPoint(),
                      QPoint(0, 120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(view.viewport(), &wheel);
    const double span = double(timeAxis(view)->min().msecsTo(timeAxis(view)->max()));
    const double factor = span / 1000000.0;
    QVERIFY2(std::abs(factor - std::pow(0.999, 120)) < 0.01, QByteArray::number(factor));
    const double ySpan = valueAxis(view, Qt::AlignLeft)->max() - valueAxis(view, Qt::AlignLeft)->min();
    QVERIFY2(std::abs(ySpan / 100.0 - std::pow(0.999, 120)) < 0.01, QByteArray::number(ySpan));
    // At the centre the zoom keeps the middle where it was.
    const double mid = (valueAxis(view, Qt::AlignLeft)->max() + valueAxis(view, Qt::AlignLeft)->min()) / 2;
    QVERIFY2(std::abs(mid - 50.0) < 1.0, QByteArray::number(mid));
}

void TestChartView::screenshotThreeCurvesTwoAxes()
{
    std::srand(11);
    ChartView view;
    setupLive(view);
    QVERIFY(showAt(view, 1000, 560));
    QList<double> first{20.0, 1.0, 22.0};
    view.setTimeWindow(kStart, first);
    for (int i = 0; i < 300; ++i) {
        const double t = i / 30.0;
        view.appendSamples(kStart.addSecs(i),
                           {20 + 5 * std::sin(t), 1.0 + 0.4 * std::cos(t * 1.7), 23 + 2 * std::sin(t * 0.5)});
    }
    QTest::qWait(50);
    const QImage image = view.grab().toImage();
    QString dir = QString::fromUtf8(qgetenv("VAZUV_BIN_DIR"));
    if (dir.isEmpty())
        dir = QDir::currentPath();
    QVERIFY(QDir().mkpath(dir + QStringLiteral("/artifacts")));
    const QString path = dir + QStringLiteral("/artifacts/chart_three_curves.png");
    QVERIFY(image.save(path));
    QVERIFY(QFileInfo(path).size() > 0);
    // Each curve shows in its own colour.
    for (int ch = 0; ch < 3; ++ch) {
        QColor colour;
        QVERIFY(view.seriesColor(ch, colour));
        int pixels = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QColor p = image.pixelColor(x, y);
                if (std::abs(p.red() - colour.red()) <= 8 && std::abs(p.green() - colour.green()) <= 8
                    && std::abs(p.blue() - colour.blue()) <= 8)
                    ++pixels;
            }
        }
        QVERIFY2(pixels > 100, qPrintable(QStringLiteral("channel %1: %2 pixels").arg(ch).arg(pixels)));
    }
}

QTEST_MAIN(TestChartView)
#include "test_chart_view.moc"
