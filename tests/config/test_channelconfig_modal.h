#pragma once
// Answers the modal dialogs that a button of a page or dialog opens, so a test can press the
// button and continue when the whole chain of dialogs has closed.
//
//  - Message boxes: their texts are recorded in `messages` (titles in `titles`); each is
//    answered with the next entry of `answers`, or with OK (else its escape button) when none
//    is left.
//  - Any other modal dialog: the next function of `steps` is called with it (after the current
//    event has been handled, so it may open further dialogs). A dialog for which no step is
//    left is rejected and recorded in `unexpected`.

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QLineEdit>
#include <QList>
#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QPushButton>
#include <QStringList>
#include <QTimer>

#include <functional>

#include "test_message_box.h"

class ModalAnswers : public QObject
{
public:
    QStringList messages;
    QStringList titles;
    QList<QMessageBox::StandardButton> answers;
    QList<std::function<void(QDialog *)>> steps;
    QStringList unexpected;
    // Called with each message box before it is answered (the box is still open).
    std::function<void(QMessageBox *)> beforeAnswer;

    ModalAnswers()
    {
        QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
        timer.setInterval(10);
        QObject::connect(&timer, &QTimer::timeout, this, [this] { poll(); });
        timer.start();
    }

    // Picks `path` in a file dialog and accepts it.
    static std::function<void(QDialog *)> chooseFile(const QString &path)
    {
        return [path](QDialog *dialog) {
            auto *files = qobject_cast<QFileDialog *>(dialog);
            if (!files) {
                dialog->reject();
                return;
            }
            files->selectFile(path);
            // The file name box of the dialog decides what accept() takes.
            if (auto *edit = files->findChild<QLineEdit *>(QStringLiteral("fileNameEdit")))
                edit->setText(path);
            static_cast<QDialog *>(files)->accept();   // QFileDialog::accept checks the name
        };
    }
    static std::function<void(QDialog *)> cancel()
    {
        return [](QDialog *dialog) { dialog->reject(); };
    }

private:
    void poll()
    {
        QWidget *active = QApplication::activeModalWidget();
        if (!active || !active->isVisible())
            return;
        for (const QPointer<QWidget> &seen : qAsConst(handled)) {
            if (seen == active)
                return;
        }
        handled << QPointer<QWidget>(active);
        if (auto *box = qobject_cast<QMessageBox *>(active)) {
            messages << box->text();
            titles << box->windowTitle();
            if (beforeAnswer)
                beforeAnswer(box);
            answerMessageBox(box, answers);
            return;
        }
        auto *dialog = qobject_cast<QDialog *>(active);
        if (!dialog)
            return;
        QPointer<QDialog> target(dialog);
        if (steps.isEmpty()) {
            unexpected << dialog->metaObject()->className();
            QTimer::singleShot(0, dialog, [target] {
                if (target)
                    target->reject();
            });
            return;
        }
        auto step = steps.takeFirst();
        QTimer::singleShot(0, dialog, [target, step] {
            if (target)
                step(target);
        });
    }

    QTimer timer;
    QList<QPointer<QWidget>> handled;
};
