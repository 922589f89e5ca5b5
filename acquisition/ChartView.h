#pragma once
#include <QColor>
#include <QDateTime>
#include <QList>
#include <QPoint>
#include <QPointF>
#include <QStringList>
#include <QVector>
#include <functional>
#include <QtCharts/QChartView>

class QLabel;
class ChartTaggingLine;
class nLineSeries;
namespace QtCharts {
class QDateTimeAxis;
class QValueAxis;
}

// Figures of one channel that the hover tool tips show. Live curves keep min and max up to
// date; a report supplies all four (the chart does not read sum).
struct ChannelFigures
{
    double min = 0.0;
    double max = 0.0;
    double average = 0.0;
    double sum = 0.0;
};

// The curve chart: one line per channel against a date-time axis, channels of the first
// unit on the left value axis and those of a second unit on an optional right axis.
// Live use: setupLiveSeries, then setTimeWindow for the first sample and appendSamples for
// each sample (at most 1200 time points are kept). Report use: resetForReport, then
// clearSeries / createSeries per project, replaceSeries per channel, setSeriesData,
// setTimeRange, setYRanges and up to six tagging lines.
// Middle button pans, the wheel and a dragged rectangle zoom, right click and double click
// restore the stored ranges. A value that is not a finite number, live or in a report's points,
// is missing: the curve leaves a gap there and the live figures and ranges ignore it; value axes
// keep a span the toolkit can draw, also for readings near the ends of the double range.
// Each channel has one line series in the chart (its legend entry, colour, axes and tool tip),
// which holds no points: the curves are drawn by one layer of the chart, each channel through as
// few of its points in view as keep the drawing within half a pixel of every one of them, its
// stretches between missing values apart (a lone value a dot); where a curve has more points than
// the plot area has pixels across, what lies within one two-pixel column between gaps is drawn as
// one stroke. The drawing follows every zoom, pan, restore and new sample; the tool tips read the
// full data. So a curve costs the same however many gaps it has. GUI thread only.
class ChartView : public QtCharts::QChartView
{
    Q_OBJECT
public:
    static constexpr int maxTimePoints = 1200;
    static constexpr int maxTaggingLines = 6;

    explicit ChartView(QWidget *parent = nullptr);
    ~ChartView() override;

    // Live set-up: names, unit of the left axis, unit of the right axis (empty: none),
    // per channel true = left axis, decimals of labels and tool tips.
    void setupLiveSeries(const QStringList &names, const QString &unit1, const QString &unit2,
                         const QList<bool> &leftAxisFlags, int decimals);
    // One live sample, one value per channel in channel order.
    void appendSamples(const QDateTime &time, const QList<double> &values);
    // The live window's first sample: a ten-second time range and value ranges around it.
    void setTimeWindow(const QDateTime &time, const QList<double> &values);

    // Report set-up.
    void resetForReport(int decimals);
    void createSeries(const QString &title, const QStringList &names, const QString &unit1,
                      const QString &unit2, const QList<bool> &leftAxisFlags);
    // Replaces the points of one channel (x = milliseconds since the epoch, y = value, a y that
    // is not a finite number for a missing value: the curve leaves a gap there).
    void replaceSeries(int channel, const QList<QPointF> &points);
    void setSeriesData(const QList<ChannelFigures> &figures);

    void setYRanges(double leftMin, double leftMax, double rightMin, double rightMax);
    void setTimeRange(const QDateTime &from, const QDateTime &to);
    void setAutoScale(bool scrollX, bool scaleY);

    void showSeries(int channel);
    void hideSeries(int channel);
    // Removes and destroys every curve; a set-up must follow before other curve calls.
    void clearSeries();

    // The channel's colour when the channel exists (true); otherwise `color` is untouched.
    bool seriesColor(int channel, QColor &color) const;
    // Per channel: true = left axis, false = right axis.
    QList<bool> leftAxisFlags() const;

    // False when six markers exist already. A marker with an empty remark is kept (and
    // counts) but never shown.
    bool addTaggingLine(const QDateTime &time, const QString &remark);
    void clearTaggingLines();

    int channelCount() const { return seriesCount; }
    // The live points of a channel, oldest first (the curve in the chart may be drawn through
    // fewer of them).
    QVector<QPointF> livePoints(int channel) const;
    // What the chart draws of a shown channel in its current view, in the channel's units (x in
    // milliseconds since the epoch): each line in the order drawn, a line of one point a dot.
    QVector<QVector<QPointF>> drawnLines(int channel) const;
    bool isSeriesShown(int channel) const;
    ChannelFigures channelFiguresAt(int channel) const;
    int taggingLineCount() const { return taggingLines.size(); }
    const ChartTaggingLine *taggingLineAt(int i) const { return taggingLines.value(i); }

public slots:
    void tooltip(int index, const QPointF &point, bool state);
    void tooltip1(int index, const QPointF &point, bool state);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;

private:
    class CurveLayer;

    // The axis ranges one live sample sets, each at most once.
    struct AxisUpdate
    {
        bool time = false;
        QDateTime timeFrom;
        QDateTime timeTo;
        bool left = false;    // to yRange[0]..yRange[1]
        bool right = false;   // to yRange[2]..yRange[3]
    };
    AxisUpdate axisUpdate(bool moveTimeMin, bool moveTimeMax, bool moveLeft,
                          bool moveRight) const;
    void applyLiveSample(const AxisUpdate &update);
    // A channel's data, x and y (NaN: missing): the live samples or the report's points.
    int channelData(int channel, const double *&xs, const double *&ys) const;
    // How a channel's values map to the chart's coordinates: pixel x = left + (x - x0) * sx,
    // pixel y = bottom - (y - y0) * sy. Not valid while the plot area or a range is empty.
    struct ViewMap
    {
        bool valid = false;
        double x0 = 0, x1 = 0, y0 = 0, y1 = 0, sx = 0, sy = 0;
        QRectF area;
        QPointF pixel(const QPointF &p) const
        {
            return {area.left() + (p.x() - x0) * sx, area.bottom() - (p.y() - y0) * sy};
        }
    };
    ViewMap viewMap(int channel) const;
    // The lines drawn of one channel for the current view: `points` holds them one after the
    // other, each beginning at its entry of `starts`.
    struct DrawnCurve
    {
        QVector<QPointF> points;
        QVector<int> starts;
        int generation = -1;
    };
    // The channel's lines, worked out again when the view or the data changed since.
    const DrawnCurve &drawnCurve(int channel) const;
    // The points of one stretch that keep its line within half a pixel (x0, y0: the axes'
    // minima; sx, sy: pixels per unit); `columns`: first keep only each two-pixel column's
    // extremes.
    static QVector<QPointF> reduceStretch(QVector<QPointF> points, double x0, double y0,
                                          double sx, double sy, bool columns);
    // The view or the data changed: every curve is worked out again when next drawn.
    void invalidateCurves();
    void paintCurves(QPainter *painter);
    // The pointer at `pos` (chart coordinates) over the plot area, or gone from it (`inside`
    // false): the curve under it gets the hover of its series.
    void hoverCurves(const QPointF &pos, bool inside);
    int liveCount() const { return liveX.size() - liveFirst; }
    void createTipLabel();
    void buildAxes(const QString &unit1, const QString &unit2);
    void removeAxes();
    void drawColors(int count);
    nLineSeries *makeCurve(int channel, const QString &name);
    // Live curves show the live tool tip, report curves of the left axis the report one.
    void connectTip(nLineSeries *curve, int channel);
    void addCurves(const QStringList &names);
    void attachCurve(nLineSeries *curve, int channel);
    void restoreRanges();
    void showTip(const QString &text);
    const ChannelFigures *figuresForTip(int index, bool state);
    static QString tipTime(const QPointF &point);
    QString number(double value) const;

    QList<ChartTaggingLine *> taggingLines;
    bool autoScrollX = true;
    bool autoScaleY = true;
    int decimals = 2;
    bool panning = false;
    QPoint lastPanPos;
    QtCharts::QValueAxis *leftAxis = nullptr;
    QtCharts::QValueAxis *rightAxis = nullptr;
    QtCharts::QDateTimeAxis *timeAxis = nullptr;
    QVector<nLineSeries *> series;     // one curve per channel, index = channel
    int seriesCount = 0;
    double yRange[4] = {20.0, 100.0, 20.0, 100.0};
    QDateTime timeMin;
    QDateTime timeMax;
    QList<QDateTime> times;
    QList<QColor> colors;
    QList<bool> shown;
    QList<bool> axisFlags;             // per channel: true = left axis
    QList<ChannelFigures> channelFigures;
    QLabel *tipLabel = nullptr;

    // Live data: the sample times (ms since the epoch) and each channel's values, from index
    // liveFirst on (older entries wait to be dropped all at once).
    bool liveMode = false;
    QVector<double> liveX;
    QVector<QVector<double>> liveY;
    int liveFirst = 0;
    // Report data: per channel the points' x and y (NaN: missing), in the order given.
    QVector<QVector<double>> reportX;
    QVector<QVector<double>> reportY;
    // Per channel, the sample data are in time order (a report's points may not be).
    QVector<bool> reportSorted;
    CurveLayer *layer = nullptr;
    int generation = 0;                // of the view and the data
    mutable QVector<DrawnCurve> drawn;
    int hoveredChannel = -1;
};
