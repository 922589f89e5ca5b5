#pragma once
// Channel table editor: one table row per channel of a new channel configuration, every choice
// list taken from the instrument model's driver; Save checks the table, lets the driver
// validate the channels and stores the configuration as one ChannelConfig row.

#include <QDialog>
#include <QList>
#include <QString>

#include "Records.h"

class Collection;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QTableWidget;

namespace Ui {
class ChannelConfigAdd;
}

class ChannelConfigAdd : public QDialog
{
    Q_OBJECT
public:
    // Table columns.
    enum Column {
        ColSelect = 0,
        ColSerial = 1,
        ColNumber = 2,
        ColLabel = 3,
        ColType = 4,
        ColFunction = 5,
        ColWire = 6,
        ColGain = 7,
        ColOffset = 8,
        ColUnit = 9,
        ColA_C0 = 10,
        ColB4_C6 = 16,
        ColLowerEnable = 17,
        ColLower = 18,
        ColUpperEnable = 19,
        ColUpper = 20,
        ColumnCount = 21
    };

    explicit ChannelConfigAdd(QWidget *parent = nullptr);
    ~ChannelConfigAdd() override;

    // Takes the configuration's header (name, model, channel count, compensation, cold
    // junction) and the model's driver (borrowed, never deleted here) and builds the default
    // rows. Called once before exec().
    void setConfig(Collection *driver, const ChannelConfigData &config);

private slots:
    void pt_All_clicked();
    void pt_Save_clicked();
    void pt_Batch_clicked();
    void pt_Cancel_clicked();
    void pt_Import_clicked();
    void tw_cellClicked(int row, int column);
    void tw_cellDoubleClicked(int row, int column);

private:
    void initTable();
    void insertDefaultRow(int row, const QString &number);
    void setCellText(int row, int column, const QString &text);
    QString cellText(int row, int column) const;
    QWidget *makeCheckCell();
    QCheckBox *cellCheckBox(int row, int column) const;
    bool cellChecked(int row, int column) const;

    // The choice list of a combo-box column for one row.
    QStringList choices(int row, int column) const;
    // Starts editing the cell (row, column); false while another editor is open.
    bool beginEdit(int row, int column);
    // Puts the editor over the edited cell.
    void placeEditor(QWidget *editor);
    // Removes the editor and writes `text` into the edited cell.
    void endEdit(const QString &text);
    void openComboEditor(int row, int column, const QStringList &list);
    void openLineEditor(int row, int column, bool validated);
    void commitComboEditor();
    void commitLineEditor();
    // Closes the open cell editor unless it edits the cell (row, column); (-1, -1) always closes.
    void closeEditor(int row, int column);
    void applyBatchValues(const QStringList &values);

    // The row's stored type (column 4 converted back).
    QString storedType(int row) const;
    // Checks of Save beyond the channel numbers; shows the first failure and returns false.
    bool checkCells(const ChannelConfigData &config);
    void warn(const QString &text);

    Ui::ChannelConfigAdd *ui;
    QTableWidget *table = nullptr;
    ChannelConfigData config;
    Collection *driver = nullptr;
    QList<int> checkedRows;

    bool editing = false;
    int editRow = 0;
    int editColumn = 0;
    QString oldText;
    QComboBox *comboEditor = nullptr;
    QLineEdit *lineEditor = nullptr;

    QString titleInformation;
    QString titleWarning;
};
