#pragma once
// The batch dialog of a new calibration: how the chosen channels fall into batches of at most
// a given number of channels (one set of sensors connected at a time), and how many batches
// that makes.

#include <QDialog>
#include <QList>
#include <QStringList>

class QTableWidget;

namespace Ui {
class ChannelBatchClass;
}

class ChannelBatch : public QDialog
{
    Q_OBJECT
public:
    explicit ChannelBatch(QWidget *parent = nullptr);
    ~ChannelBatch() override;

    // One row per channel, slot by slot: configuration name, batch number, channel number.
    // `configNames` and `channels` are indexed by instrument slot; perBatch is at least 1.
    void fillTable(int perBatch, QStringList configNames, QList<QStringList> channels);
    // 1 with no channels at all.
    int batchCount();

private slots:
    void OK_Clicked();
    void pt_Quit_clicked();

private:
    Ui::ChannelBatchClass *ui;
    int batches = 1;
};

// The list tables of the channel choice dialogs: the column titles, no row header, cells not
// editable, whole rows selected, the last column stretched.
void setUpChoiceTable(QTableWidget *table, const QStringList &titles);
