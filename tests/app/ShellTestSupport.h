#pragma once
// Helpers of the shell's tests: answering message boxes as a user would, a working folder of
// the test's own, and reading the database back with the sqlite3 command-line tool.

#include <functional>

#include <QAbstractButton>
#include <QPushButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QPointer>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

// Watches for message boxes and answers each one: with the next text of `answers` (a button
// whose text, without "&", matches), else with its default button. Records what each box said.
class MessageBoxAnswerer
{
public:
    struct Seen
    {
        QString title;
        QString text;
    };

    MessageBoxAnswerer()
    {
        timer.setInterval(15);
        QObject::connect(&timer, &QTimer::timeout, [this] { poll(); });
        timer.start();
    }

    void poll()
    {
        const auto widgets = QApplication::topLevelWidgets();
        for (QWidget *w : widgets) {
            auto *box = qobject_cast<QMessageBox *>(w);
            if (!box || !box->isVisible() || box->property("answered").toBool())
                continue;
            box->setProperty("answered", true);
            seen.append({box->windowTitle(), box->text()});
            if (onBox)
                onBox();
            QAbstractButton *button = nullptr;
            if (!answers.isEmpty()) {
                const QString want = answers.takeFirst();
                for (QAbstractButton *b : box->buttons()) {
                    if (b->text().remove(QLatin1Char('&')) == want)
                        button = b;
                }
            }
            if (!button)
                button = box->defaultButton() ? static_cast<QAbstractButton *>(box->defaultButton())
                                              : box->buttons().value(0);
            if (button)
                button->click();
        }
    }

    QStringList texts() const
    {
        QStringList out;
        for (const Seen &s : seen)
            out << s.text;
        return out;
    }

    QStringList answers;
    QList<Seen> seen;
    std::function<void()> onBox;  // called as each box appears, before it is answered

private:
    QTimer timer;
};

// A temporary folder made the working directory for the life of the object.
class WorkingFolder
{
public:
    WorkingFolder()
        : previous(QDir::currentPath())
    {
        QDir::setCurrent(dir.path());
    }
    ~WorkingFolder() { QDir::setCurrent(previous); }
    QString path() const { return dir.path(); }
    QString file(const QString &name) const { return dir.filePath(name); }

private:
    QTemporaryDir dir;
    QString previous;
};

inline QString binDir()
{
    return QString::fromLocal8Bit(qgetenv("VAZUV_BIN_DIR"));
}

// Copies the shipped empty database (beside the program) to `target`, writable.
inline bool copyEmptyDatabase(const QString &target)
{
    const QString source = binDir() + QStringLiteral("/DAQ-Vemka.db3");
    QFile::remove(target);
    if (!QFile::copy(source, target))
        return false;
    return QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner);
}

// Runs sqlite3 on a database file; returns its output, trimmed (list mode, "|" separated).
inline QString sqlite(const QString &file, const QString &sql)
{
    QProcess p;
    p.start(QStringLiteral("sqlite3"), {QStringLiteral("-batch"), file, sql});
    if (!p.waitForFinished(30000))
        return QStringLiteral("<sqlite3 timed out>");
    return QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError()).trimmed();
}

// The user-interface texts of a widget tree, for comparing two languages.
inline QString textOf(QWidget *root, const char *objectName)
{
    QWidget *w = root->findChild<QWidget *>(QString::fromLatin1(objectName));
    if (!w)
        return QStringLiteral("<no %1>").arg(QLatin1String(objectName));
    if (auto *b = qobject_cast<QAbstractButton *>(w))
        return b->text();
    return w->property("text").toString();
}

// Where screenshots of the tests go (inside the build folder).
inline QString artifactDir()
{
    const QString dir = QString::fromLocal8Bit(qgetenv("VAZUV_BINARY_DIR")) + QStringLiteral("/test-artifacts/app");
    QDir().mkpath(dir);
    return dir;
}

// Saves what a user sees of a window: pending layout and show events first, then the window
// painted on an opaque background as a screen would show it.
inline bool saveScreenshot(QWidget *window, const QString &name)
{
    for (int i = 0; i < 5; ++i) {
        QApplication::processEvents();
        QTest::qWait(20);
    }
    QPixmap picture(window->size());
    picture.fill(window->palette().color(QPalette::Window));
    window->render(&picture);
    return picture.save(artifactDir() + QLatin1Char('/') + name);
}
