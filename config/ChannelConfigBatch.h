#pragma once
// Batch setting dialog of the channel table editor: collects one set of channel values (type,
// function, wiring, unit, correction pair, coefficients, alarm limits) for every checked row.

#include <QDialog>
#include <QList>
#include <QStringList>

class Collection;
class QLineEdit;

namespace Ui {
class ChannelConfigBatch;
}

class ChannelConfigBatch : public QDialog
{
    Q_OBJECT
public:
    explicit ChannelConfigBatch(QWidget *parent = nullptr);
    ~ChannelConfigBatch() override;

    // Fills the choice lists from `driver` (borrowed, never deleted here); call before exec().
    void initWidgets(Collection *driver);

    // Empty until OK; then 17 texts: type, function, wiring (shown terms), gain M, offset B,
    // unit, the seven coefficients, lower enable ("true"/"false"), lower limit, upper enable,
    // upper limit.
    QStringList values;

private slots:
    void pt_OK_clicked();
    void pt_Cancel_clicked();
    void cb_Type_clicked(const QString &type);
    void cb_Range_clicked(const QString &function);

private:
    // The eleven number fields in the order their values are returned.
    QList<QLineEdit *> numberFields() const;
    QString fieldName(QLineEdit *field) const;

    Ui::ChannelConfigBatch *ui;
    Collection *driver = nullptr;
    QString titleWarning;
};
