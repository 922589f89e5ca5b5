#pragma once
// Helpers of the on-line run tests: a plan for the shared settings record, an operator that
// answers the window's message boxes, and read-back of the database with the sqlite3 tool.

#include <QAbstractButton>
#include <QApplication>
#include <QDateTime>
#include <QMap>
#include <QMessageBox>
#include <QPointer>
#include <QStringList>
#include <QTimer>

#include "TestDb.h"
#include "test_online_plan.h"

namespace OnlineTest {

// Answers every message box that appears: with the button named for its text, else with its
// first button. Remembers the texts of the boxes in order.
class BoxOperator : public QObject
{
public:
    BoxOperator()
    {
        connect(&timer, &QTimer::timeout, this, [this] { scan(); });
        timer.start(20);
    }
    // The button to press when a box with this text appears (for every such box).
    void answer(const QString &boxText, const QString &button) { answers[boxText] = button; }
    // Leaves boxes with this text open (the test presses later).
    void hold(const QString &boxText) { answers[boxText] = QString(); }
    QStringList seen;

private:
    void scan()
    {
        const QWidgetList widgets = QApplication::topLevelWidgets();
        for (QWidget *w : widgets) {
            auto *box = qobject_cast<QMessageBox *>(w);
            if (!box || !box->isVisible() || handled.contains(box))
                continue;
            const QString text = box->text();
            if (answers.contains(text) && answers.value(text).isNull())
                continue;
            handled.append(box);
            seen.append(text);
            QAbstractButton *press = nullptr;
            const QList<QAbstractButton *> buttons = box->buttons();
            for (QAbstractButton *b : buttons)
                if (answers.contains(text) && b->text() == answers.value(text))
                    press = b;
            if (!press && !buttons.isEmpty())
                press = buttons.first();
            if (press)
                QMetaObject::invokeMethod(press, "click", Qt::QueuedConnection);
        }
        // Forget boxes that are gone.
        for (int i = handled.size() - 1; i >= 0; --i)
            if (!handled.at(i))
                handled.removeAt(i);
    }

    QTimer timer;
    QMap<QString, QString> answers;
    QList<QPointer<QMessageBox>> handled;
};

// The rows of a table read with the sqlite3 tool.
inline QList<QStringList> rows(const QString &db, const QString &sql)
{
    // The run writes while the test reads: wait for its locks instead of failing.
    bool ok = false;
    const QList<QStringList> result =
        TestDb::sqlite3Table(db, QStringLiteral(".timeout 5000\n") + sql, &ok);
    return ok ? result : QList<QStringList>{{QStringLiteral("<sqlite3 failed>")}};
}

// The details of the AuditLog entries of one type, in order.
inline QStringList auditDetails(const QString &db, const QString &type)
{
    QStringList details;
    for (const QStringList &row :
         rows(db, QStringLiteral("select Details from AuditLog where Type = '%1' order by rowid")
                      .arg(type)))
        details.append(row.value(0));
    return details;
}

} // namespace OnlineTest
