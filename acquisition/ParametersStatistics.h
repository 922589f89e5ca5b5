#pragma once
#include <QDateTime>
#include <QList>
#include <QStringList>
#include <QWidget>

namespace Ui {
class ParametersStatistics;
}

// The statistics tab of one project of an on-line run: one row per displayed sample that
// summarises it per unit kind (highest and lowest value with their channels, average, the
// three spreads and the population standard deviation). Keeps at most 1200 rows.
class ParametersStatistics : public QWidget
{
    Q_OBJECT
public:
    static constexpr int maxRows = 1200;
    static constexpr int columnsPerKind = 9;

    explicit ParametersStatistics(QWidget *parent = nullptr);
    ~ParametersStatistics() override;

    // Decimals of the shown numbers, and per channel in channel order its label and unit.
    void setup(int decimals, const QStringList &labels, const QStringList &units);
    // One displayed sample, one value per channel. A value that is not a finite number is
    // missing: the figures count only the values present, and a kind with none shows empty
    // cells.
    void appendRow(const QDateTime &time, const QList<double> &values);

    // The one or two unit kinds of these units in the order the tab and the live chart use:
    // first appearance, except that with two kinds a temperature unit ("℃", "℉") comes first.
    static QStringList unitKindsOf(const QStringList &units);

    QStringList unitKindList() const { return unitKinds; }

private:
    Ui::ParametersStatistics *ui;
    int decimals = 2;
    int channelCount = 0;
    QStringList unitKinds;
    QStringList labels;
    QList<bool> leftAxisFlags;
};
