#include "ParametersChart.h"
#include "ui_ParametersChart.h"

#include <QColor>
#include <QCoreApplication>
#include <QDebug>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIcon>
#include <QLabel>
#include <QPointer>
#include <QShowEvent>
#include <QTableWidgetItem>

#include <cmath>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "ChartView.h"
#include "Database.h"
#include "ParametersStatistics.h"
#include "SmtpClient.h"
#include "SystemSettings.h"

namespace {

const char *const checkedIcon = ":/Halvoran/Image/Checkbox_checked.png";
const char *const uncheckedIcon = ":/Halvoran/Image/Checkbox_unchecked.png";
constexpr int maxTableRows = 1200;

// Every alarm-mail thread of the program, so that the program can wait for them at its end.
struct MailThreads
{
    std::mutex mutex;
    std::condition_variable idle;
    int running = 0;
    bool waitAtExitRegistered = false;
    ParametersChart::MailSender sender;
};

MailThreads &mailThreads()
{
    static MailThreads threads;
    return threads;
}

bool defaultMailSender(const QStringList &recipients, const QString &subject, const QString &body,
                       QString *error)
{
    SmtpClient client;
    return sendAlarmMail(&client, recipients, subject, body, error);
}

void waitForMailThreadsAtExit()
{
    ParametersChart::waitForMailThreads(60000);
}

// Among the channels of one axis group: the highest value's cell red, the lowest green (the
// first channel wins a tie; a group of one channel ends green). Missing values take no part.
void markExtremes(QTableWidget *table, int row, const QList<double> &values,
                  const QList<bool> &inGroup)
{
    int maxIndex = -1;
    int minIndex = -1;
    for (int k = 0; k < values.size() && k < inGroup.size(); ++k) {
        if (!inGroup.at(k) || !std::isfinite(values.at(k)))
            continue;
        if (maxIndex < 0 || values.at(k) > values.at(maxIndex))
            maxIndex = k;
        if (minIndex < 0 || values.at(k) < values.at(minIndex))
            minIndex = k;
    }
    if (maxIndex >= 0)
        if (QTableWidgetItem *item = table->item(row, maxIndex + 1))
            item->setForeground(QColor(255, 0, 0));
    if (minIndex >= 0)
        if (QTableWidgetItem *item = table->item(row, minIndex + 1))
            item->setForeground(QColor(0, 255, 0));
}

} // namespace

ParametersChart::ParametersChart(QWidget *parent)
    : QWidget(parent), ui(new Ui::ParametersChart),
      mailInFlight(std::make_shared<std::atomic<bool>>(false))
{
    ui->setupUi(this);
    QTableWidget *list = ui->tableWidget_Chart;
    list->setColumnCount(3);
    list->setShowGrid(false);
    list->horizontalHeader()->setVisible(false);
    list->verticalHeader()->setVisible(false);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setColumnWidth(0, 13);
    list->setColumnWidth(1, 13);
    list->setColumnWidth(2, 60);
    list->horizontalHeader()->setStretchLastSection(true);
    lastMailTime = QDateTime::currentDateTime().addDays(-10);

    connect(ui->tableWidget_Chart, &QTableWidget::cellClicked, this,
            &ParametersChart::pt_Chart_clicked);
    connect(ui->pushButton_All, &QPushButton::clicked, this, &ParametersChart::pt_All_clicked);
    connect(ui->pushButton_Renovate, &QPushButton::clicked, this,
            &ParametersChart::pt_Renovate_clicked);
}

ParametersChart::~ParametersChart()
{
    delete ui;
}

QStringList ParametersChart::unitKindsOf(const QList<ChannelRow> &rows)
{
    // The same order as the project's statistics tab.
    QStringList units;
    for (const ChannelRow &row : rows)
        units.append(row.unit);
    QStringList kinds = ParametersStatistics::unitKindsOf(units).mid(0, 2);
    while (kinds.size() < 2)
        kinds.append(QString());
    return kinds;
}

void ParametersChart::setup(SystemSettings *settings, const QList<ChannelRow> &rows)
{
    channelRows = rows;
    channelCount = rows.size();
    if (settings) {
        decimals = settings->dataAccuracy;
        emailInterval = settings->emailInterval;
        emailAutoTrigger = settings->emailAutoTrigger;
        // A stored or restored row may hold any text: only mail addresses are mailed to.
        emailAddresses = mailRecipients(settings->emailAddresses);
        const QString refused = settings->emailAddresses.value(emailAddresses.size());
        if (!refused.isEmpty())
            qWarning() << "alarm mail: the stored address" << refused
                       << "is no mail address; it and those after it get no mail";
        deviceRecords = settings->planDevices;
    }

    QStringList labels;
    QStringList units;
    for (const ChannelRow &row : rows) {
        labels.append(row.labelName);
        units.append(row.unit);
    }
    unitKinds = unitKindsOf(rows);
    leftAxisFlags.clear();
    for (const QString &unit : units)
        leftAxisFlags.append(unit == unitKinds.at(0));

    QStringList headers{tr("采集时间")};
    for (int k = 0; k < channelCount; ++k)
        headers.append(labels.at(k) + QStringLiteral("(") + units.at(k) + QStringLiteral(")"));

    chartView = new ChartView(this);
    ui->horizontalLayout_Chart->insertWidget(0, chartView, 1);
    chartView->setupLiveSeries(labels, unitKinds.at(0), unitKinds.at(1), leftAxisFlags, decimals);

    fillChannelList();

    QTableWidget *table = ui->tableWidget_Data;
    table->setColumnCount(channelCount + 1);
    table->verticalHeader()->setVisible(false);
    table->setHorizontalHeaderLabels(headers);
    table->resizeColumnsToContents();
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
}

void ParametersChart::fillChannelList()
{
    QTableWidget *list = ui->tableWidget_Chart;
    shown.clear();
    list->setRowCount(channelCount);
    for (int k = 0; k < channelCount; ++k) {
        shown.append(true);
        list->setItem(k, 0, new QTableWidgetItem(QIcon(QString::fromLatin1(checkedIcon)),
                                                 QString()));

        QColor color;
        chartView->seriesColor(k, color);
        auto *cell = new QWidget(list);
        auto *layout = new QHBoxLayout(cell);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setAlignment(Qt::AlignCenter);
        auto *swatch = new QLabel(cell);
        swatch->setMaximumSize(13, 3);
        swatch->setStyleSheet(QStringLiteral("QLabel{background-color:rgb(%1,%2,%3);}")
                                  .arg(color.red())
                                  .arg(color.green())
                                  .arg(color.blue()));
        layout->addWidget(swatch);
        list->setCellWidget(k, 1, cell);

        auto *label = new QTableWidgetItem(channelRows.at(k).labelName);
        label->setFlags(Qt::NoItemFlags);
        list->setItem(k, 2, label);
    }
    list->resizeColumnsToContents();
}

void ParametersChart::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    syncCurvesWithVisibility();
}

void ParametersChart::syncCurvesWithVisibility()
{
    if (!chartView || curvesInChart == isVisible())
        return;
    curvesInChart = isVisible();
    for (int k = 0; k < shown.size(); ++k) {
        if (!shown.at(k))
            continue;
        if (curvesInChart)
            chartView->showSeries(k);
        else
            chartView->hideSeries(k);
    }
}

bool ParametersChart::appendSamples(const QDateTime &t, const QList<double> &values)
{
    showSample(t, values);
    return checkAlarms(values);
}

void ParametersChart::showSample(const QDateTime &t, const QList<double> &values)
{
    syncCurvesWithVisibility();
    QTableWidget *table = ui->tableWidget_Data;
    const bool first = table->rowCount() == 0;
    const QList<double> own = values.mid(0, channelCount);
    if (table->rowCount() >= maxTableRows)
        table->removeRow(0);
    appendTableRow(t, own);
    chartView->appendSamples(t, own);
    if (first)
        chartView->setTimeWindow(t, own);
}

bool ParametersChart::checkAlarms(const QList<double> &values)
{
    bool logged = true;
    const int count = qMin(values.size(), channelCount);
    for (int k = 0; k < count; ++k)
        logged = checkAlarm(k, values.at(k)) && logged;
    return logged;
}

bool ParametersChart::alarmDue(const QList<double> &values) const
{
    const int count = qMin(values.size(), channelCount);
    for (int k = 0; k < count; ++k) {
        const ChannelRow &row = channelRows.at(k);
        if ((row.lowerAlarmEnable || row.upperAlarmEnable)
            && !alarmText(row, AcquisitionDeviceRecord(), values.at(k), nullptr).isEmpty())
            return true;
    }
    return false;
}

void ParametersChart::appendTableRow(const QDateTime &t, const QList<double> &values)
{
    QTableWidget *table = ui->tableWidget_Data;
    const bool first = table->rowCount() == 0;
    const int row = table->rowCount();
    table->insertRow(row);
    table->setItem(row, 0, new QTableWidgetItem(t.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"))));
    for (int k = 0; k < values.size(); ++k) {
        // A missing value (not a finite number) leaves its cell empty.
        const double v = values.at(k);
        auto *item = new QTableWidgetItem(std::isfinite(v) ? QString::number(v, 'f', decimals)
                                                           : QString());
        item->setTextAlignment(Qt::AlignCenter);
        table->setItem(row, k + 1, item);
    }
    markExtremes(table, row, values, leftAxisFlags);
    if (!unitKinds.value(1).isEmpty()) {
        QList<bool> right;
        for (bool left : qAsConst(leftAxisFlags))
            right.append(!left);
        markExtremes(table, row, values, right);
    }
    table->scrollToBottom();
    if (first)
        table->resizeColumnsToContents();
}

QString ParametersChart::alarmText(const ChannelRow &row, const AcquisitionDeviceRecord &device,
                                   double v, QString *type)
{
    QString kind;
    QString details;
    // A missing value (not a finite number) raises no alarm.
    if (!std::isfinite(v)) {
        if (type)
            type->clear();
        return QString();
    }
    if (row.lowerAlarmEnable && row.lowerAlarm.toDouble() > v) {
        kind = tr("下限报警");
        details = tr("低于下限:") + QString::number(v, 'f', 2);
    }
    if (row.upperAlarmEnable && v > row.upperAlarm.toDouble()) {
        kind = tr("上限报警");
        details = tr("高于上限:") + QString::number(v, 'f', 2);
    }
    if (type)
        *type = kind;
    if (kind.isEmpty())
        return QString();
    return QString::number(device.number) + QStringLiteral("-") + device.serialNumber
        + QStringLiteral("-") + row.labelName + details;
}

bool ParametersChart::checkAlarm(int k, double v)
{
    const ChannelRow &row = channelRows.at(k);
    if (!row.lowerAlarmEnable && !row.upperAlarmEnable)
        return true;
    QString type;
    const QString text = alarmText(row, deviceRecords.value(row.deviceIndex), v, &type);
    if (type.isEmpty())
        return true;
    const bool logged = addAuditLog(type, text);
    if (emailAutoTrigger && !emailAddresses.isEmpty()
        && lastMailTime.secsTo(QDateTime::currentDateTime()) >= qint64(emailInterval)
        && !mailInFlight->load()) {
        lastMailTime = QDateTime::currentDateTime();
        startMailThread(text);
    }
    return logged;
}

void ParametersChart::startMailThread(const QString &text)
{
    MailThreads &threads = mailThreads();
    MailSender sender;
    {
        std::lock_guard<std::mutex> lock(threads.mutex);
        ++threads.running;
        if (!threads.waitAtExitRegistered) {
            threads.waitAtExitRegistered = true;
            qAddPostRoutine(waitForMailThreadsAtExit);
        }
        sender = threads.sender ? threads.sender : MailSender(defaultMailSender);
    }
    mailInFlight->store(true);
    const std::shared_ptr<std::atomic<bool>> inFlight = mailInFlight;
    const QStringList recipients = emailAddresses;
    const QString subject = tr("采集器报警");
    const QString body =
        QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")) + text;
    // The tab may be gone when the mail thread ends: the outcome is handed to the GUI thread,
    // which looks there whether the tab still lives.
    const QPointer<ParametersChart> tab(this);
    std::thread([sender, recipients, subject, body, inFlight, tab] {
        QString error;
        const bool sent = sender(recipients, subject, body, &error);
        if (!sent)
            qDebug() << "报警邮件发送失败：" << error << body;
        if (QCoreApplication *app = QCoreApplication::instance())
            QMetaObject::invokeMethod(
                app,
                [tab, sent, error] {
                    if (tab)
                        emit tab->MailResult_signals(sent, error);
                },
                Qt::QueuedConnection);
        inFlight->store(false);
        MailThreads &threads = mailThreads();
        std::lock_guard<std::mutex> lock(threads.mutex);
        --threads.running;
        threads.idle.notify_all();
    }).detach();
}

void ParametersChart::setMailSender(MailSender sender)
{
    MailThreads &threads = mailThreads();
    std::lock_guard<std::mutex> lock(threads.mutex);
    threads.sender = std::move(sender);
}

int ParametersChart::runningMailThreads()
{
    MailThreads &threads = mailThreads();
    std::lock_guard<std::mutex> lock(threads.mutex);
    return threads.running;
}

bool ParametersChart::waitForMailThreads(int timeoutMs)
{
    MailThreads &threads = mailThreads();
    std::unique_lock<std::mutex> lock(threads.mutex);
    return threads.idle.wait_for(lock, std::chrono::milliseconds(qMax(0, timeoutMs)),
                                 [&threads] { return threads.running == 0; });
}

void ParametersChart::setChannelShown(int k, bool show)
{
    if (k < 0 || k >= shown.size() || shown.at(k) == show)
        return;
    if (curvesInChart && show)
        chartView->showSeries(k);
    else if (curvesInChart)
        chartView->hideSeries(k);
    if (QTableWidgetItem *item = ui->tableWidget_Chart->item(k, 0))
        item->setIcon(QIcon(QString::fromLatin1(show ? checkedIcon : uncheckedIcon)));
    shown[k] = show;
}

void ParametersChart::pt_Chart_clicked(int row, int column)
{
    if (column != 0 || row < 0 || row >= shown.size())
        return;
    setChannelShown(row, !shown.at(row));
}

void ParametersChart::pt_All_clicked()
{
    const bool showAll = ui->pushButton_All->text() == tr("全选");
    ui->pushButton_All->setText(showAll ? tr("全不选") : tr("全选"));
    for (int k = 0; k < shown.size(); ++k)
        setChannelShown(k, showAll);
}

void ParametersChart::pt_Renovate_clicked()
{
    QPushButton *button = ui->pushButton_Renovate;
    const QString text = button->text();
    if (text == tr("刷新中")) {
        chartView->setAutoScale(true, false);
        button->setText(tr("X轴刷新"));
    } else if (text == tr("X轴刷新")) {
        chartView->setAutoScale(false, true);
        button->setText(tr("Y轴刷新"));
    } else if (text == tr("Y轴刷新")) {
        chartView->setAutoScale(false, false);
        button->setText(tr("停止刷新"));
    } else {
        chartView->setAutoScale(true, true);
        button->setText(tr("刷新中"));
    }
}
