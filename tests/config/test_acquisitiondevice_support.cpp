#include "test_acquisitiondevice_support.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QSettings>
#include <QTest>
#include <QTextCodec>

#include "Database.h"
#include "QWaiting.h"
#include "Registry.h"
#include "Terms.h"
#include "TestDb.h"
#include "test_message_box.h"

// ---- working folder ------------------------------------------------------------------------

bool Workspace::open(const QStringList &models, const QMap<QString, QString> &aliases)
{
    if (!dir.isValid())
        return false;
    previousDir = QDir::currentPath();
    if (!QDir::setCurrent(dir.path()))
        return false;
    {
        QSettings ini(QStringLiteral("config.ini"), QSettings::IniFormat);
        ini.setIniCodec(QTextCodec::codecForName("UTF-8"));
        ini.setValue(acquisitionModelsKey(), models);
        for (auto it = aliases.cbegin(); it != aliases.cend(); ++it)
            ini.setValue(QStringLiteral("/Name/") + it.key(), it.value());
        ini.sync();
    }
    databasePath = TestDb::openFreshDefault(dir.path());
    opened = !databasePath.isEmpty();
    return opened;
}

Workspace::~Workspace()
{
    if (opened)
        TestDb::closeDefault();
    if (!previousDir.isEmpty())
        QDir::setCurrent(previousDir);
}

QList<QStringList> Workspace::rows(const QString &sql) const
{
    return TestDb::sqlite3Table(databasePath, sql);
}

bool Workspace::exec(const QString &sql) const
{
    return TestDb::sqlite3Exec(databasePath, sql);
}

ChannelConfigData thermocoupleConfig(const QString &name, const QString &model, int count)
{
    ChannelConfigData c;
    c.Name = name;
    c.Time = QStringLiteral("2024-05-06 07:08:09");
    c.Mode = model;
    c.ChannelCount = count;
    for (int i = 0; i < count; ++i) {
        c.ChannelNumber << QString::number(101 + i);
        c.ChannelLabel << QStringLiteral("T%1").arg(i + 1);
        c.ChannelType << QStringLiteral("热电偶");
        c.ChannelFunction << QStringLiteral("K");
        c.WireMode << QStringLiteral("二线制");
        c.MX_B_M << QStringLiteral("1");
        c.MX_B_B << QStringLiteral("0");
        for (QStringList *l : {&c.A_C0, &c.B_C1, &c.C_C2, &c.D_C3, &c.R0_C4, &c.A4_C5, &c.B4_C6})
            *l << QStringLiteral("0");
        c.Unit << QStringLiteral("℃");
        c.LowerAlarmEnable << false;
        c.LowerAlarm << QStringLiteral("0");
        c.UpperAlarmEnable << false;
        c.UpperAlarm << QStringLiteral("100");
    }
    c.Compensation = QStringLiteral("内部补偿");
    c.ColdJunction = QStringLiteral("0");
    return c;
}

// ---- scripted driver -----------------------------------------------------------------------

DoubleScript *InstrumentDouble::script = nullptr;

namespace {
// Counts an operation as running while it lives.
struct Busy
{
    explicit Busy(const QString &name)
    {
        ++InstrumentDouble::script->busy;
        InstrumentDouble::script->calls << name;
    }
    ~Busy() { --InstrumentDouble::script->busy; }
};
} // namespace

bool InstrumentDouble::succeeds(const QString &operation) const
{
    return connected.load() && script->failAt != operation;
}

InstrumentDouble::InstrumentDouble()
{
    ++script->instances;
}

InstrumentDouble::~InstrumentDouble()
{
    if (script->busy.load() > 0)
        ++script->destroyedWhileBusy;
    --script->instances;
}

bool InstrumentDouble::open(QString, QString, QString portBaudRate)
{
    Busy busy(QStringLiteral("open"));
    script->openedBauds << portBaudRate;
    lastBaud = portBaudRate;
    if (script->openDelayMs > 0)
        QTest::qSleep(script->openDelayMs);
    const bool ok = script->openResult && script->failAt != QLatin1String("open");
    connected = ok;
    return ok;
}

bool InstrumentDouble::close()
{
    Busy busy(QStringLiteral("close"));
    ++script->closes;
    connected = false;
    return true;
}

bool InstrumentDouble::readSerialNumber(QString &serial)
{
    Busy busy(QStringLiteral("readSerialNumber"));
    serial = script->serial;
    return succeeds(QStringLiteral("readSerialNumber"));
}

bool InstrumentDouble::setDeviceTime(QDateTime)
{
    Busy busy(QStringLiteral("setDeviceTime"));
    return succeeds(QStringLiteral("setDeviceTime"));
}

bool InstrumentDouble::setScanInterval(double, int)
{
    Busy busy(QStringLiteral("setScanInterval"));
    return succeeds(QStringLiteral("setScanInterval"));
}

bool InstrumentDouble::readValues(QStringList &values)
{
    Busy busy(QStringLiteral("readValues"));
    if (!succeeds(QStringLiteral("readValues")))
        return false;
    values = script->values;
    return true;
}

bool InstrumentDouble::configureChannels(QString, QList<ChannelRecord>)
{
    Busy busy(QStringLiteral("configureChannels"));
    return succeeds(QStringLiteral("configureChannels"))
        && script->failAt != QStringLiteral("checkChannels");
}

bool InstrumentDouble::readDeviceSettings(QString &serial, QString &version, QString &address,
                                          QString &baudRate, QString &ip, QString &mask,
                                          QString &port, QString &filter)
{
    Busy busy(QStringLiteral("readDeviceSettings"));
    if (!connected.load())
        return false;
    if (!script->answerBaud.isEmpty() && lastBaud != script->answerBaud)
        return false;
    const QStringList s = script->settings;
    if (s.size() < 8)
        return false;
    serial = s.at(0);
    version = s.at(1);
    address = s.at(2);
    baudRate = s.at(3);
    ip = s.at(4);
    mask = s.at(5);
    port = s.at(6);
    filter = s.at(7);
    return true;
}

bool InstrumentDouble::writeDeviceSettings(QString address, QString baudRate, QString ip,
                                           QString mask, QString port, QString filter,
                                           QString &message)
{
    Busy busy(QStringLiteral("writeDeviceSettings"));
    script->written = QStringList{address, baudRate, ip, mask, port, filter};
    if (!script->writeMessage.isEmpty())
        message = script->writeMessage;
    return script->writeResult;
}

QString doubleModel()
{
    return QStringLiteral("Zenk");
}

DoubleScript *installDouble()
{
    static DoubleScript *current = nullptr;
    delete current;
    current = new DoubleScript;
    InstrumentDouble::script = current;
    // The built-in drivers register first, so the double's registration is the one kept.
    registeredCollectionClasses();
    registerCollectionClass(registryClassName(doubleModel()).toLatin1().constData(),
                            []() -> Collection * { return new InstrumentDouble; });
    return current;
}

// ---- modal dialogs -------------------------------------------------------------------------

DialogWatcher::DialogWatcher()
{
    timer.setInterval(10);
    QObject::connect(&timer, &QTimer::timeout, this, [this] { poll(); });
    timer.start();
}

QStringList DialogWatcher::texts() const
{
    QStringList t;
    for (const Box &b : boxes)
        t << b.text;
    return t;
}

bool DialogWatcher::waitForBoxes(int count, int timeoutMs)
{
    return QTest::qWaitFor([&] { return boxes.size() >= count; }, timeoutMs);
}

void DialogWatcher::poll()
{
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget *w : windows) {
        auto *dialog = qobject_cast<QDialog *>(w);
        if (!dialog || !dialog->isVisible() || qobject_cast<QWaiting *>(dialog))
            continue;
        bool seen = false;
        for (const QPointer<QWidget> &h : qAsConst(handled))
            seen = seen || h == dialog;
        if (seen)
            continue;
        handled << QPointer<QWidget>(dialog);
        if (auto *box = qobject_cast<QMessageBox *>(dialog)) {
            boxes << Box{box->windowTitle(), box->text()};
            answerMessageBox(box, answers);
            continue;
        }
        if (!dialog->isModal() && !dialog->testAttribute(Qt::WA_ShowModal)
            && dialog->windowModality() == Qt::NonModal)
            continue;
        dialogs << QString::fromLatin1(dialog->metaObject()->className());
        QPointer<QDialog> target(dialog);
        auto handler = onDialog;
        QTimer::singleShot(0, dialog, [target, handler] {
            if (target && handler)
                handler(target);
            if (target && target->isVisible())
                target->reject();
        });
    }
}
