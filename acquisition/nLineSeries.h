#pragma once
#include <QtCharts/QLineSeries>

// The curve of one channel: a line series that knows its channel and passes the toolkit's
// hover signal on with that channel.
class nLineSeries : public QtCharts::QLineSeries
{
    Q_OBJECT
public:
    explicit nLineSeries(QObject *parent = nullptr);

    // Stores the channel and connects the toolkit's hover signal to tooltip().
    void setIndex(int channel);
    int channel() const { return index; }

signals:
    void hovered(int index, const QPointF &point, bool state);

public slots:
    void tooltip(const QPointF &point, bool state);

private:
    int index = 0;
    bool hoverConnected = false;
};
