#include "ParametersStatistics.h"
#include "ui_ParametersStatistics.h"

#include <QHeaderView>
#include <QTableWidgetItem>

#include <cmath>
#include <cstdio>

#include "ValueStatistics.h"

namespace {

bool isTemperatureUnit(const QString &unit)
{
    return unit == QStringLiteral("℃") || unit == QStringLiteral("℉");
}

} // namespace

ParametersStatistics::ParametersStatistics(QWidget *parent)
    : QWidget(parent),
      ui(new Ui::ParametersStatistics)
{
    ui->setupUi(this);
}

ParametersStatistics::~ParametersStatistics()
{
    delete ui;
}

QStringList ParametersStatistics::unitKindsOf(const QStringList &units)
{
    QStringList kinds;
    for (const QString &unit : units) {
        if (!kinds.contains(unit))
            kinds.append(unit);
    }
    if (kinds.size() == 2 && !isTemperatureUnit(kinds.at(0)) && isTemperatureUnit(kinds.at(1)))
        kinds.swapItemsAt(0, 1);
    return kinds;
}

void ParametersStatistics::setup(int decimalPlaces, const QStringList &channelLabels,
                                 const QStringList &units)
{
    decimals = decimalPlaces;
    labels = channelLabels;
    channelCount = labels.size();
    // Two kinds at most: every channel not of the first kind belongs to the second block.
    unitKinds = unitKindsOf(units).mid(0, 2);
    leftAxisFlags.clear();
    for (int i = 0; i < channelCount; ++i)
        leftAxisFlags.append(!unitKinds.isEmpty() && units.value(i) == unitKinds.at(0));

    const QStringList titles{tr("最大值"),    tr("最大值通道"), tr("最小值"),
                             tr("最小值通道"), tr("平均值"),     tr("最大-最小"),
                             tr("最大-平均"),  tr("平均-最小"),  tr("标准差")};
    QStringList headers{tr("采集时间")};
    for (const QString &kind : qAsConst(unitKinds)) {
        for (const QString &title : titles)
            headers << title + QStringLiteral("(") + kind + QStringLiteral(")");
    }
    QTableWidget *table = ui->tableWidget_Statistics;
    table->clear();
    table->setRowCount(0);
    table->setColumnCount(headers.size());
    table->setHorizontalHeaderLabels(headers);
    table->verticalHeader()->setVisible(false);
    table->resizeColumnsToContents();
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
}

void ParametersStatistics::appendRow(const QDateTime &time, const QList<double> &values)
{
    QTableWidget *table = ui->tableWidget_Statistics;
    if (table->rowCount() >= maxRows)
        table->removeRow(0);
    const int row = table->rowCount();
    table->insertRow(row);

    auto setCell = [table, row](int column, const QString &text) {
        auto *item = new QTableWidgetItem(text);
        item->setTextAlignment(Qt::AlignCenter);
        table->setItem(row, column, item);
    };
    setCell(0, time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")));

    const int count = qMin(values.size(), leftAxisFlags.size());
    // A figure of a kind with no value present is NaN and shown empty.
    auto number = [this](double v) {
        return std::isfinite(v) ? QString::number(v, 'f', decimals) : QString();
    };
    // A spread of two figures, exact even where it passes the largest double (readings near
    // ±1e308).
    auto spread = [this, &number](double a, double b) {
        if (!std::isfinite(a) || !std::isfinite(b))
            return QString();
        if (std::isfinite(a - b))
            return number(a - b);
        const long double d = static_cast<long double>(a) - b;
        if (!std::isfinite(d))
            return QString();
        const int size = std::snprintf(nullptr, 0, "%.*Lf", decimals, d);
        QByteArray text(size + 1, '\0');
        std::snprintf(text.data(), text.size(), "%.*Lf", decimals, d);
        return QString::fromLatin1(text.constData(), size);
    };
    for (int k = 0; k < unitKinds.size(); ++k) {
        QList<int> members;   // the channels of this kind, in channel order
        for (int i = 0; i < count; ++i) {
            if (leftAxisFlags.at(i) == (k == 0))
                members.append(i);
        }
        if (members.isEmpty())
            continue;
        const ValueSummary g = summarizeValues(members.size(), [&](int m) {
            return values.at(members.at(m));
        });
        const int first = 1 + columnsPerKind * k;
        setCell(first + 0, number(g.max));
        setCell(first + 1, labels.value(members.value(g.maxIndex, -1)));
        setCell(first + 2, number(g.min));
        setCell(first + 3, labels.value(members.value(g.minIndex, -1)));
        setCell(first + 4, number(g.average));
        setCell(first + 5, spread(g.max, g.min));
        setCell(first + 6, spread(g.max, g.average));
        setCell(first + 7, spread(g.average, g.min));
        setCell(first + 8, number(g.deviation));
    }

    table->scrollToBottom();
    if (table->rowCount() == 1)
        table->resizeColumnsToContents();
}
