#pragma once
// The contact dialog: how to reach the supplier.

#include <QDialog>

namespace Ui { class Message; }

class Message : public QDialog
{
    Q_OBJECT
public:
    explicit Message(QWidget *parent = nullptr);
    ~Message() override;

public slots:
    void pt_OK_clicked();

private:
    Ui::Message *ui;
};
