#include "Message.h"
#include "ui_Message.h"

#include "HalvoranImages.h"

Message::Message(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::Message)
{
    initHalvoranImages();
    ui->setupUi(this);
    connect(ui->pushButton_OK, &QPushButton::clicked, this, &Message::pt_OK_clicked);
}

Message::~Message()
{
    delete ui;
}

void Message::pt_OK_clicked()
{
    close();
}
