#pragma once
// The on-line window's display tick as the benchmarks measure it: 3 projects of 300 channels of
// in-process instruments that answer at once, tables and curves full (1200 points). A tick is
// the display slot and the painting it causes, with the window shown on the first project's
// live tab.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLineEdit>
#include <QTableWidget>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

#include "ParametersOnLine.h"
#include "test_online_double.h"
#include "test_online_plan.h"

namespace LiveDisplay {

// Before the application object: the offscreen platform unless another is chosen, output line by
// line, no traces.
inline void prepareBenchmark()
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
}

// Carries out at once what a change left to the event loop: the chart scene's queued redraw and
// the window's painting.
inline void paintPending()
{
    for (int pass = 0; pass < 3; ++pass)
        QCoreApplication::sendPostedEvents();
}

inline void spin(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

inline bool waitFor(const std::function<bool()> &done, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        spin(5);
    }
    return true;
}

inline OnlineTest::PlannedInstrument instant(int n, int channels, int project, double interval)
{
    OnlineTest::PlannedInstrument in;
    in.model = QStringLiteral("Instant:%1:%2").arg(n).arg(channels);
    in.signalMode = QStringLiteral("网络");
    in.address = QStringLiteral("127.0.0.1");
    in.port = QStringLiteral("1");
    in.scanInterval = interval;
    for (int c = 0; c < channels; ++c) {
        in.projectOfChannel.append(project);
        in.channelNumbers.append(QString::number(1000 + c));
        in.units.append(c % 2 ? QStringLiteral("V") : QStringLiteral("℃"));
    }
    return in;
}

// Makes the on-line window create InstantCollection instruments ("Instant:<n>:<channels>").
inline void useInstantInstruments(const std::shared_ptr<InstantScript> &script)
{
    ParametersOnLine::setDriverFactory([script](const QString &model) -> Collection * {
        const QStringList parts = model.split(QLatin1Char(':'));
        return new InstantCollection(script, parts.value(1).toInt(), parts.value(2).toInt());
    });
}

// The median display tick in ms at full tables and curves. The tables and curves fill while the
// window is hidden (curves out of the charts), then the window is shown and 40 ticks are timed.
inline double medianTick(InstantScript &script)
{
    SystemSettings settings;
    settings.dataAccuracy = 2;
    const QDateTime now = QDateTime::currentDateTime();
    OnlineTest::fillPlan(settings, {instant(1, 300, 0, 0.005), instant(2, 300, 1, 0.005),
                                    instant(3, 300, 2, 0.005)},
                         {QStringLiteral("P1"), QStringLiteral("P2"), QStringLiteral("P3")}, now,
                         now);
    auto w = std::make_unique<ParametersOnLine>();
    w->resize(1235, 891);
    w->start(&settings);
    auto *table = w->findChild<QTableWidget *>(QStringLiteral("tableWidget_Data"));
    waitFor([&] { return w->findChild<QLineEdit *>(QStringLiteral("lineEdit_Information"))
                             ->text()
                             .contains(QStringLiteral("采集中")); },
            30000);

    std::vector<double> ticks;
    QElapsedTimer clock;
    int shown = 0;
    while (ticks.size() < 40) {
        spin(8);   // lets the worker queue a new sample
        const int before = table->rowCount();
        const QString lastBefore = before ? table->item(before - 1, 0)->text() : QString();
        clock.start();
        QMetaObject::invokeMethod(w.get(), "Display_slots", Qt::DirectConnection);
        paintPending();
        const double ms = clock.nsecsElapsed() / 1e6;
        const int after = table->rowCount();
        if (after == 0 || table->item(after - 1, 0)->text() == lastBefore)
            continue;   // nothing new was queued
        ++shown;
        if (shown == 1201) {
            // Showing the window brings the first project's 300 full curves into its chart.
            clock.start();
            w->show();
            paintPending();
            std::printf("  window shown with 300 full curves in %.1f ms\n",
                        clock.nsecsElapsed() / 1e6);
            spin(500);
            continue;
        }
        if (shown > 1201)
            ticks.push_back(ms);
        if (shown % 200 == 0)
            std::printf("  display warm-up: %d samples shown, last tick %.1f ms\n", shown, ms);
    }
    w->requestStop();
    waitFor([&] { return w->runState() == QStringLiteral("结束"); }, 30000);
    w.reset();
    std::sort(ticks.begin(), ticks.end());
    return ticks[ticks.size() / 2];
}

} // namespace LiveDisplay
