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
// restore the stored ranges. A live sample or a range change lays each curve in the chart out
// once; curves out of the chart are not laid out. A value that is not a finite number, live or
// in a report's points, is missing: the curve leaves a gap there (each stretch between missing
// values drawn as a line of its own) and the live figures and ranges ignore it; value axes keep a
// span the toolkit can draw, also for readings near the ends of the double range. While the chart is on screen a live curve is
// drawn through as few of its points as keep the drawing within half a pixel of every point in
// view (a smooth curve needs a handful), drawn again for the new view after every zoom, pan or
// restore; the tool tips read the full data. GUI thread only.
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
    bool isSeriesShown(int channel) const;
    ChannelFigures channelFiguresAt(int channel) const;
    int taggingLineCount() const { return taggingLines.size(); }
    const ChartTaggingLine *taggingLineAt(int i) const { return taggingLines.value(i); }

public slots:
    void tooltip(int index, const QPointF &point, bool state);
    void tooltip1(int index, const QPointF &point, bool state);

protected:
    void showEvent(QShowEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;

private:
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
    // Runs `moveAxes` (changes of axis ranges) with each curve in the chart laid out once
    // afterwards; live curves are drawn for the new ranges.
    void moveAxesOnce(const std::function<void()> &moveAxes);
    // A channel's data, x and y (NaN: missing): the live samples or the report's points.
    int channelData(int channel, const double *&xs, const double *&ys) const;
    // The stretches of a curve between missing values and the points each is drawn through:
    // a report's every point, a live curve's every point while the chart is not on screen, else
    // those in view (and one beyond each edge) that keep the line within half a pixel.
    QVector<QVector<QPointF>> drawnStretches(int channel) const;
    // The points of one stretch that keep its line within half a pixel (x0, y0: the axes'
    // minima; sx, sy: pixels per unit); `columns`: first keep only each two-pixel column's
    // extremes.
    static QVector<QPointF> reduceStretch(QVector<QPointF> points, double x0, double y0,
                                          double sx, double sy, bool columns);
    // Draws a shown curve (a live one for the current view): its first stretch in the
    // channel's curve, the others in curves of their own.
    void drawCurve(int channel);
    // Keeps the first `keep` curves of the channel's later stretches and deletes the others.
    void dropStretchCurves(int channel, int keep);
    int liveCount() const { return liveX.size() - liveFirst; }
    // Draws every live curve in the chart again for the current view, once per event-loop pass
    // however many range changes the toolkit makes (zoom, pan).
    void scheduleRedraw();
    void redrawLiveCurves();
    void setTimeWindowRanges(const QDateTime &time, const QList<double> &values);
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
    // Per channel, the curves of its second and later stretches after missing values.
    QVector<QVector<nLineSeries *>> stretchCurves;
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
    bool movingAxes = false;
    bool redrawPending = false;
};
