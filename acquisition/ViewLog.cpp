#include "ViewLog.h"
#include "ui_ViewLog.h"

#include <QDateTime>
#include <QDebug>
#include <QFile>
#include <QFileDialog>
#include <QHeaderView>
#include <QMessageBox>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QTableWidgetItem>
#include <QTextOption>
#include <QtMath>

#include "Database.h"
#include "SystemSettings.h"
#include "Terms.h"
#include "ViewLogSet.h"

namespace {

const QString boundFormat = QStringLiteral("yyyy-MM-dd hh:mm:ss");

QPen pdfPen(const QColor &color, qreal width)
{
    return QPen(color, width, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin);
}

} // namespace

ViewLog::ViewLog(QWidget *parent)
    : QWidget(parent), ui(new Ui::ViewLog)
{
    ui->setupUi(this);
    titleInfo = tr("提示");
    titleWarn = tr("警告");
    searchStart = QStringLiteral("2020-01-01 01:01:00");
    searchEnd = QStringLiteral("2040-01-01 01:01:59");
    initTable();
    fillTable(QString(), QString(), QString());
}

ViewLog::~ViewLog()
{
    delete ui;
}

void ViewLog::setSettings(SystemSettings *record)
{
    settings = record;
}

void ViewLog::initTable()
{
    QTableWidget *table = ui->tableWidget_List;
    table->setColumnCount(3);
    table->setHorizontalHeaderLabels({tr("操作时间"), tr("操作类型"), tr("详细信息")});
    table->setColumnWidth(0, 250);
    table->setColumnWidth(1, 150);
    table->setColumnWidth(2, 280);
    table->verticalHeader()->setVisible(false);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->horizontalHeader()->setStretchLastSection(true);
    ui->dateTimeEdit_Start->setDateTime(
        QDateTime::fromString(QStringLiteral("2020-01-01 01:01:00"), boundFormat));
    ui->dateTimeEdit_End->setDateTime(
        QDateTime::fromString(QStringLiteral("2040-01-01 01:01:59"), boundFormat));
}

void ViewLog::fillTable(const QString &from, const QString &to, const QString &type)
{
    QTableWidget *table = ui->tableWidget_List;
    table->setRowCount(0);
    QList<AuditLogRecord> entries;
    if (!selectAuditLog(entries, from, to, type))
        return;
    // One pass: all rows at once, the last entry returned at the top.
    table->setUpdatesEnabled(false);
    const int count = entries.size();
    table->setRowCount(count);
    for (int i = 0; i < count; ++i) {
        const AuditLogRecord &entry = entries.at(i);
        const int row = count - 1 - i;
        table->setItem(row, 0, new QTableWidgetItem(entry.time));
        table->setItem(row, 1, new QTableWidgetItem(entry.type));
        table->setItem(row, 2, new QTableWidgetItem(entry.details));
    }
    table->setUpdatesEnabled(true);
    table->horizontalHeader()->setStretchLastSection(false);
    table->horizontalHeader()->setStretchLastSection(true);
}

void ViewLog::pt_Search_clicked()
{
    searchStart = ui->dateTimeEdit_Start->dateTime().toString(boundFormat);
    searchEnd = ui->dateTimeEdit_End->dateTime().toString(boundFormat);
    searchType = ui->lineEdit_Type->text();
    fillTable(searchStart, searchEnd, searchType);
}

QVector<AuditLogRecord> ViewLog::listedEntries() const
{
    const QTableWidget *table = ui->tableWidget_List;
    QVector<AuditLogRecord> entries;
    entries.reserve(table->rowCount());
    auto text = [table](int row, int column) {
        const QTableWidgetItem *item = table->item(row, column);
        return item ? item->text() : QString();
    };
    for (int row = 0; row < table->rowCount(); ++row)
        entries.append(AuditLogRecord{text(row, 0), text(row, 1), text(row, 2)});
    return entries;
}

void ViewLog::deleteShown()
{
    if (QMessageBox::question(this, tr("删除"), tr("确认删除通知？"),
                              QMessageBox::Yes | QMessageBox::No)
        != QMessageBox::Yes)
        return;
    // Exactly the listed entries, each by its time, type and details, all or none.
    const QVector<AuditLogRecord> entries = listedEntries();
    const bool deleted = runInTransaction([&entries] {
        for (const AuditLogRecord &entry : entries)
            if (!deleteAuditLog(entry))
                return false;
        return true;
    });
    if (!deleted)
        QMessageBox::information(this, titleWarn, tr("删除数据失败！"));
    fillTable(QString(), QString(), QString());
}

void ViewLog::openNotifySettings()
{
    ViewLogSet dialog(this);
    dialog.setSettings(settings, listedEntries());
    dialog.show();
    dialog.exec();
}

void ViewLog::exportPdf()
{
    const QString path = pathWithSuffix(
        QFileDialog::getSaveFileName(this, tr("打开文件"), QString(),
                                     QStringLiteral("Image Files (*.pdf)")),
        QStringLiteral(".pdf"));
    if (path.isEmpty())
        return;
    if (writePdf(path))
        QMessageBox::information(this, titleInfo, tr("保存成功！"));
    else
        QMessageBox::information(this, titleWarn, tr("保存失败！"));
}

bool ViewLog::writePdf(const QString &path) const
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        qDebug() << "alarm log export:" << path << file.errorString();
        return false;
    }
    bool painted = false;
    {
        QPdfWriter writer(&file);
        writer.setResolution(300);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setPageMargins(QMarginsF(30, 30, 30, 30));
        QPainter painter;
        if (painter.begin(&writer)) {
            const int width = painter.viewport().width();
            const int height = painter.viewport().height();
            const int u = width / 24;
            drawPdfHeader(painter, writer, 0, width);
            const QVector<AuditLogRecord> entries = listedEntries();
            // A text wider than its cell wraps within the cell's width (between words where it
            // can, else anywhere) and the row grows by the lines it adds; a row of one-line texts
            // keeps its height of 50. A row never grows past what a fresh page holds.
            const QFont rowFont(QStringLiteral("宋体"), 12, 20);
            QTextOption cellText(Qt::AlignCenter);
            cellText.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
            const int tallestRow = height - 300 - 70 - 1;
            int y = 300;
            for (int r = 0; r < entries.size(); ++r) {
                painter.setFont(rowFont);
                const AuditLogRecord &entry = entries.at(r);
                const QRectF cells[] = {QRectF(0, 0, 7 * u, 50), QRectF(7 * u, 0, 5 * u, 50),
                                        QRectF(12 * u, 0, 12 * u, 50)};
                const QString texts[] = {entry.time, entry.type, entry.details};
                int rowHeight = 50;
                for (int c = 0; c < 3; ++c) {
                    const QRectF line = painter.boundingRect(
                        cells[c], Qt::AlignCenter | Qt::TextSingleLine, texts[c]);
                    if (line.width() <= cells[c].width() && !texts[c].contains(QLatin1Char('\n')))
                        continue;
                    const QRectF lines = painter.boundingRect(cells[c], texts[c], cellText);
                    rowHeight = qMax(rowHeight, 50 + qCeil(lines.height() - line.height()));
                }
                rowHeight = qMin(rowHeight, tallestRow);
                if (y + rowHeight + 70 >= height && y > 300) {
                    drawPdfHeader(painter, writer, r, width);
                    y = 300;
                }
                y += 50;
                painter.setFont(rowFont);
                painter.setPen(pdfPen(Qt::black, 1.0));
                for (int c = 0; c < 3; ++c)
                    painter.drawText(cells[c].translated(0, y).adjusted(0, 0, 0, rowHeight - 50),
                                     texts[c], cellText);
                y += rowHeight + 20;
                painter.setPen(pdfPen(QColor(166, 188, 222), 3.0));
                painter.drawLine(0, y, width, y);
            }
            painted = painter.end();
        }
    }
    // The document is complete only when every byte reached the file.
    const bool written = painted && file.flush() && file.error() == QFileDevice::NoError;
    file.close();
    if (written && file.error() == QFileDevice::NoError)
        return true;
    qDebug() << "alarm log export failed:" << path << file.errorString();
    file.remove();
    return false;
}

void ViewLog::drawPdfHeader(QPainter &painter, QPdfWriter &writer, int index, int width) const
{
    if (index != 0)
        writer.newPage();
    const int u = width / 24;
    painter.setFont(QFont(QStringLiteral("宋体"), 18, 36));
    painter.setPen(pdfPen(Qt::black, 8.0));
    painter.drawText(QRect(0, 10, width, 100), Qt::AlignCenter, tr("警告信息"));
    painter.setFont(QFont(QStringLiteral("宋体"), 14, 28));
    painter.drawText(QRect(0, 160, 7 * u, 80), Qt::AlignCenter, tr("操作时间"));
    painter.drawText(QRect(7 * u, 160, 5 * u, 80), Qt::AlignCenter, tr("操作类型"));
    painter.drawText(QRect(12 * u, 160, 12 * u, 80), Qt::AlignCenter, tr("操作说明"));
    painter.setPen(pdfPen(QColor(144, 166, 188), 8.0));
    painter.drawLine(0, 260, width, 260);
}
