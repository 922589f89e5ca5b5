#pragma once
// Helpers of the on-line run tests: a plan for the shared settings record, an operator that
// answers the window's message boxes, read-back of the database with the sqlite3 tool, and a
// set-up with in-process instruments that answer at once.

#include <QAbstractButton>
#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QMap>
#include <QMessageBox>
#include <QPointer>
#include <QStringList>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <memory>

#include "ParametersOnLine.h"
#include "TestDb.h"
#include "test_online_double.h"
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

// A private database and working folder for one test; the window's instruments named
// "Instant:<n>:<channels>" answer at once, and each one made is kept in `drivers` (the window
// owns and deletes them). Undone when the set-up goes.
struct InstantEnv
{
    InstantEnv()
    {
        oldCwd = QDir::currentPath();
        QDir::setCurrent(dir.path());
        db = TestDb::openFreshDefault(dir.path());
        script->guiThread = QThread::currentThread();
        auto s = script;
        auto made = drivers;
        ParametersOnLine::setDriverFactory([s, made](const QString &model) -> Collection * {
            const QStringList parts = model.split(QLatin1Char(':'));
            if (parts.size() != 3 || parts.at(0) != QLatin1String("Instant"))
                return nullptr;
            auto *driver = new InstantCollection(s, parts.at(1).toInt(), parts.at(2).toInt());
            made->append(driver);
            return driver;
        });
    }
    ~InstantEnv()
    {
        ParametersOnLine::setDriverFactory({});
        TestDb::closeDefault();
        QDir::setCurrent(oldCwd);
    }
    InstantEnv(const InstantEnv &) = delete;
    InstantEnv &operator=(const InstantEnv &) = delete;

    QTemporaryDir dir;
    QString oldCwd;
    QString db;
    std::shared_ptr<InstantScript> script = std::make_shared<InstantScript>();
    std::shared_ptr<QList<InstantCollection *>> drivers =
        std::make_shared<QList<InstantCollection *>>();
    SystemSettings settings;
};

} // namespace OnlineTest
