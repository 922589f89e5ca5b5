#pragma once
// Answers a message box that a test met: with the next of the test's answers, else with OK,
// else with the box's escape button. The click comes after the current event, so the box's
// own event loop is running when it closes.

#include <QAbstractButton>
#include <QList>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>

inline void answerMessageBox(QMessageBox *box, QList<QMessageBox::StandardButton> &answers)
{
    QAbstractButton *button = nullptr;
    if (!answers.isEmpty())
        button = box->button(answers.takeFirst());
    if (!button)
        button = box->button(QMessageBox::Ok);
    if (!button)
        button = box->escapeButton();
    QPointer<QAbstractButton> target(button);
    QTimer::singleShot(0, box, [target] {
        if (target)
            target->click();
    });
}
