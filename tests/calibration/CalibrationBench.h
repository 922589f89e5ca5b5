#pragma once
// The calibration page on a fresh database, with the 1586A stand-in registered as instrument 1
// and, for automatic runs, the dry-well stand-in as source and reference ("干式炉-R"), both on
// loopback TCP. The scanner's readings follow a temperature file that the source writes at
// every set point (or the test, as the operator of a manual run). Modal dialogs and message
// boxes are answered by `modal`.

#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

#include "../config/test_channelconfig_modal.h"
#include "ChannelCalibration.h"
#include "Database.h"
#include "FakeInstrument.h"
#include "SystemSettings.h"
#include "Terms.h"
#include "TestDb.h"

// `count` times `text`.
inline QStringList repeated(int count, const QString &text)
{
    QStringList list;
    for (int i = 0; i < count; ++i)
        list << text;
    return list;
}

struct CalibrationBench
{
    QTemporaryDir dir;
    TestDb::Sqlite3File db;
    SystemSettings settings;
    FakeInstrument scanner{QStringLiteral("fake_1586a.py")};
    FakeInstrument source{QStringLiteral("fake_source.py")};
    std::unique_ptr<ChannelCalibration> page;
    ModalAnswers modal;

    QString temperatureFile() const { return dir.filePath(QStringLiteral("temperature")); }

    // A configuration `name` of `count` channels 101.. of one type and function (platinum: four wires by default).
    bool addConfig(const QString &name, const QString &type, const QString &function, int count,
                   const QString &wireMode = QString())
    {
        ChannelConfigData c;
        c.Name = name;
        c.Mode = QStringLiteral("1586A");
        c.ChannelCount = count;
        const bool rtd = type == QStringLiteral("铂电阻");
        for (int i = 0; i < count; ++i) {
            c.ChannelNumber << QString::number(101 + i);
            c.ChannelLabel << QStringLiteral("T") + QString::number(i + 1);
            c.ChannelType << type;
            c.ChannelFunction << function;
            c.WireMode << (!wireMode.isEmpty() ? wireMode : rtd ? QStringLiteral("四线制") : QStringLiteral("二线制"));
            c.MX_B_M << QStringLiteral("1");
            c.MX_B_B << QStringLiteral("0");
            for (QStringList *list : {&c.A_C0, &c.B_C1, &c.C_C2, &c.D_C3, &c.A4_C5, &c.B4_C6})
                *list << QStringLiteral("0");
            c.R0_C4 << QStringLiteral("100");
            c.Unit << QStringLiteral("℃");
            c.LowerAlarmEnable << false;
            c.UpperAlarmEnable << false;
            c.LowerAlarm << QStringLiteral("0");
            c.UpperAlarm << QStringLiteral("0");
        }
        c.Compensation = QStringLiteral("内部补偿");
        c.ColdJunction = QStringLiteral("0");
        return insertChannelConfig(c);
    }

    // Instrument `number` of `model` on configuration `config`, at the scanner's port.
    void addInstrument(int number, const QString &config, const QString &model = "1586A")
    {
        AcquisitionDeviceRecord d;
        d.number = number;
        d.model = model;
        d.serialNumber = QStringLiteral("S") + QString::number(number);
        d.scanInterval = 1;
        d.scanRate = QStringLiteral("快速");
        d.channelConfig = config;
        d.signalMode = QStringLiteral("网络");
        d.ipCom = QStringLiteral("127.0.0.1");
        d.portBaudRate = scanner.portText();
        settings.devices << d;
    }

    // The database, configuration "CAL" and the scanner as instrument 1.
    bool open(const QString &type, const QString &function, int channels, const QString &wireMode = QString())
    {
        db.path = TestDb::openFreshDefault(dir.path());
        if (db.path.isEmpty() || !addConfig(QStringLiteral("CAL"), type, function, channels, wireMode)
            || !writeTemperature(25.0)
            || !scanner.startTcp({QStringLiteral("--follow"), temperatureFile()}))
            return false;
        addInstrument(1, QStringLiteral("CAL"));
        return createChannelCalibrationTable();
    }
    ~CalibrationBench()
    {
        page.reset();
        TestDb::closeDefault();
    }

    // Stored page state, as a previous session left it.
    bool store(const QMap<QString, QString> &state)
    {
        for (auto it = state.cbegin(); it != state.cend(); ++it) {
            if (!setChannelCalibrationText(it.key(), it.value()))
                return false;
        }
        return true;
    }

    // The dry well with its own probe as source and reference.
    bool startSource(const QStringList &extra)
    {
        if (!source.startTcp(QStringList{"--kind", "dry", "--publish", temperatureFile()} + extra))
            return false;
        return store({{"FieldName", "干式炉-R"}, {"FieldMode", "网络"}, {"FieldIP", "127.0.0.1"},
                      {"FieldPort", source.portText()}, {"CriteriaName", "干式炉-R"}});
    }

    bool writeTemperature(double t)
    {
        QSaveFile file(temperatureFile());
        return file.open(QIODevice::WriteOnly) && file.write(QByteArray::number(t, 'g', 12)) > 0
               && file.commit();
    }

    void createPage(const CalibrationWaits &waits = {5, 2, 20})
    {
        page = std::make_unique<ChannelCalibration>();
        page->setWaits(waits);
        page->setSettings(&settings);
    }

    template <typename T>
    T *w(const char *name) const
    {
        T *widget = page->findChild<T *>(QString::fromLatin1(name));
        if (!widget)
            qFatal("no widget %s", name);
        return widget;
    }
    QPushButton *button(const char *name) const { return w<QPushButton>(name); }
    QString caption() const { return button("pushButton_Open")->text(); }
    QString logText() const { return w<QPlainTextEdit>("plainTextEdit_Data")->toPlainText(); }

    void setPoints(const QStringList &points, const QString &delay, const QString &perBatch)
    {
        for (int p = 0; p < 9; ++p)
            w<QLineEdit>(qPrintable(QStringLiteral("lineEdit_Temp%1").arg(p + 1)))->setText(points.value(p));
        w<QLineEdit>("lineEdit_Delay")->setText(delay);
        w<QLineEdit>("lineEdit_Max")->setText(perBatch);
    }

    // Presses start, choosing every channel of the offered type and accepting the batches.
    void start()
    {
        modal.steps << [](QDialog *d) {
            d->findChild<QPushButton *>(QStringLiteral("pushButton_All"))->click();
            d->findChild<QPushButton *>(QStringLiteral("pushButton_OK"))->click();
        };
        modal.steps << [](QDialog *d) {
            d->findChild<QPushButton *>(QStringLiteral("pushButton_OK"))->click();
        };
        button("pushButton_Open")->click();
    }

    // Waits until no run and no worker is active any more.
    bool waitIdle(int timeoutMs = 60000)
    {
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < timeoutMs) {
            if (page->isNotRunning())
                return true;
            QTest::qWait(20);
        }
        return false;
    }

    // Per-channel list `column` of configuration "CAL", through the sqlite3 tool.
    QStringList configColumn(const QString &column) const
    {
        return db.cell("select " + column + " from ChannelConfig where Name = 'CAL'").split(',');
    }
};
