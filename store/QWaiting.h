#pragma once
// Modal waiting box: an animated image over one line of text. A page shows it (show(), not
// exec()) while a worker thread prepares an instrument or exports a report, and closes and
// deletes it when the worker reports back. The user cannot close it meanwhile.

#include <QDialog>

class QLabel;
class QMovie;
class QVBoxLayout;

class QWaiting : public QDialog
{
    Q_OBJECT
public:
    explicit QWaiting(QWidget *parent = nullptr);
    ~QWaiting() override;

    void setText(QString text);
    // Closes and deletes the box `box` points to, if any, and clears the pointer.
    static void dismiss(QWaiting *&box);

protected:
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    QLabel *imageLabel;
    QLabel *textLabel;
    QMovie *movie;
    QVBoxLayout *layout;
};
