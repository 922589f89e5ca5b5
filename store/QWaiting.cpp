#include "QWaiting.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMovie>
#include <QVBoxLayout>

#include "HalvoranImages.h"

QWaiting::QWaiting(QWidget *parent)
    : QDialog(parent)
{
    initHalvoranImages();
    setModal(true);
    setFixedSize(300, 80);
    // Only its owner closes the box: no close button, and no Escape (keyPressEvent).
    setWindowFlags(windowFlags() & ~Qt::WindowCloseButtonHint & ~Qt::WindowContextHelpButtonHint);

    imageLabel = new QLabel(this);
    textLabel = new QLabel(this);

    movie = new QMovie(QStringLiteral(":/Halvoran/Image/wait.gif"), QByteArray(), this);
    imageLabel->setScaledContents(true);
    imageLabel->setMovie(movie);
    movie->start();

    textLabel->setText(tr("参数设置中，请稍等..."));

    layout = new QVBoxLayout;
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(imageLabel, 0, Qt::AlignHCenter | Qt::AlignVCenter);
    layout->addWidget(textLabel, 0, Qt::AlignHCenter | Qt::AlignVCenter);
    setLayout(layout);
}

QWaiting::~QWaiting() = default;

void QWaiting::setText(QString text)
{
    textLabel->setText(text);
}

void QWaiting::closeEvent(QCloseEvent *event)
{
    // A close asked by the window system (the user) is refused while the work runs; the
    // owner's own close() is not spontaneous and goes through.
    if (event->spontaneous()) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void QWaiting::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void QWaiting::dismiss(QWaiting *&box)
{
    if (!box)
        return;
    box->close();
    delete box;
    box = nullptr;
}
