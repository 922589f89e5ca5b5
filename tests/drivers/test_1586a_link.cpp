// The 1586A driver against the scanner stand-in (tests/sim/fake_1586a.py), over loopback TCP
// (test_1586a_tcp) or over a socat pty pair (test_1586a_pty). Driver operations run on worker
// threads while the test's main thread delivers the transport's reports, as the pages do.

#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <memory>
#include <thread>

#include "Collection1586A.h"
#include "ChannelRows.h"
#include "FakeInstrument.h"
#include "PtyPair.h"
#include "WorkerCall.h"

#ifndef LINK_OVER_PTY
#define LINK_OVER_PTY 0
#endif

using Rows = QList<ChannelRecord>;

namespace {
// The configuration written by fullConfiguration and the readings the scanner then gives.
Rows configuration()
{
    ChannelRecord fixedJunction = channelRow("105", "热电偶", "K", "二线制", "℃", -1000.0f, 7.0f);
    fixedJunction.compensation = "固定冷端";
    fixedJunction.coldJunction = "23.5";
    return {channelRow("101", "热电偶", "K", "二线制", "℃"),
            withCoefficients(channelRow("102", "铂电阻", "PT385", "四线制", "℃", 1.5f, -0.25f),
                             {"", "", "", "", "100.0"}),
            channelRow("103", "空", "空", "空", "℃"),
            channelRow("104", "直流电流", "1mA", "二线制", "V", -1000.0f, 3.0f),
            fixedJunction,
            channelRow("106", "电阻", "自动", "四线制", "Ω", 2.0f, 0.5f),
            channelRow("107", "频率", "", "二线制", "V")};
}
const QStringList configuredReadings{"20.100", "30.050", "20.400", "20.500", "41.700", "20.700"};

// The driver under test, able to look from another thread whether the exchange is taken right
// after each command it sends.
class ProbedDriver : public Collection1586A
{
public:
    bool probing = false;
    int freeAfterSend = 0;

    bool sendCommand(QString command) override
    {
        const bool ok = Collection1586A::sendCommand(command);
        if (probing) {
            bool free = false;
            std::thread other([&] {
                if (exchangeMutex.tryLock()) {
                    free = true;
                    exchangeMutex.unlock();
                }
            });
            other.join();
            freeAfterSend += free ? 1 : 0;
        }
        return ok;
    }
};
} // namespace

class Test1586ALink : public QObject
{
    Q_OBJECT
    QTemporaryDir dir;
    FakeInstrument fake{QStringLiteral("fake_1586a.py")};
    std::unique_ptr<PtyPair> pty;
    std::unique_ptr<ProbedDriver> driver;

    // A line for the stand-in itself (not logged as a command).
    void steer(const QString &line)
    {
        QVERIFY(runOnWorker([&] { return driver->sendCommand(line + "\r\n"); }));
    }
    QString ask(const QString &query)
    {
        return runOnWorker([&] {
            QString reply;
            if (!driver->sendCommand(query + "\r\n") || !driver->readReply(reply))
                return QString("<no reply>");
            return reply;
        });
    }
    int sent() const { return fake.requests().size(); }
    // The commands received since the first `from`, once at least `count` of them are logged
    // (the stand-in may log a moment after the driver's settle wait on a loaded machine).
    QStringList sentSince(int from, int count = 0) const
    {
        fake.waitForRequests(from + count, 5000);
        return fake.requests().mid(from);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        QVERIFY(QDir::setCurrent(dir.path()));
        QString mode = "网络", address = "127.0.0.1", portOrBaud;
        if (LINK_OVER_PTY) {
            pty.reset(new PtyPair(dir.path()));
            QVERIFY(pty->start());
            QVERIFY(fake.startPty(pty->instrumentEnd()));
            mode = "串口";
            address = pty->driverEnd();
            portOrBaud = "9600";
        } else {
            QVERIFY(fake.startTcp());
            portOrBaud = fake.portText();
        }
        driver.reset(new ProbedDriver);
        driver->setSettleTime(20);   // the stand-in takes a command at once
        QVERIFY(runOnWorker([&] { return driver->open(mode, address, portOrBaud); }));
        QVERIFY(driver->isConnected());
    }
    void cleanupTestCase()
    {
        if (driver)
            QVERIFY(runOnWorker([&] { return driver->close(); }));
        driver.reset();
        fake.stop();
        pty.reset();
    }

    void identityAndModel_data()
    {
        QTest::addColumn<QString>("identity");
        QTest::addColumn<bool>("vendor");
        QTest::addColumn<bool>("model");
        QTest::newRow("1586A") << "FLUKE,1586A,3489012,1.08" << true << true;
        QTest::newRow("another model of the vendor") << "FLUKE,1594A,A12,2.0" << true << false;
        QTest::newRow("model without the vendor") << "ACME,1586A,1,1" << false << false;
    }
    void identityAndModel()
    {
        QFETCH(QString, identity);
        QFETCH(bool, vendor);
        QFETCH(bool, model);
        steer("SIM:IDN " + identity);
        QString got;
        QCOMPARE(runOnWorker([&] { return driver->readSerialNumber(got); }), model);
        QCOMPARE(got, identity);

        QString serial, version = "v", address = "a", baud = "b", ip = "i", mask = "m",
                        port = "p", filter = "f";
        QCOMPARE(runOnWorker([&] {
                     return driver->readDeviceSettings(serial, version, address, baud, ip, mask,
                                                       port, filter);
                 }),
                 vendor);
        QCOMPARE(serial, identity);
        QCOMPARE(QStringList({version, address, baud, ip, mask, port, filter}),
                 QStringList({"v", "a", "b", "i", "m", "p", "f"}));
        steer("SIM:IDN FLUKE,1586A,3489012,1.08");
    }

    void clock()
    {
        const int from = sent();
        const QDateTime when(QDate(2024, 5, 6), QTime(7, 8, 9));
        QVERIFY(runOnWorker([&] { return driver->setDeviceTime(when); }));
        QCOMPARE(sentSince(from, 2),
                 QStringList({"SYST:DATE 2024,05,06\r\n", "SYST:TIME 07,08,09\r\n"}));
        QCOMPARE(ask("SYST:DATE?"), QString("2024,05,06"));
        QVERIFY(ask("SYST:TIME?").startsWith("07,08,"));
    }

    void timedScanning()
    {
        const int from = sent();
        QVERIFY(runOnWorker([&] { return driver->setScanInterval(2.9, 100); }));
        QCOMPARE(sentSince(from, 4), QStringList({"TRIG:SOUR TIM\r\n", "TRIG:TIM 2\r\n",
                                               "TRIG:COUN 100\r\n", "DATA:CLE\r\n"}));
        QCOMPARE(ask("TRIG:SOUR?"), QString("TIM"));
        QCOMPARE(ask("TRIG:TIM?"), QString("2"));
        QCOMPARE(ask("TRIG:COUN?"), QString("100"));
        QCOMPARE(ask("DATA:POIN?"), QString("0"));
    }

    // Every command of a configuration, in order, as the scanner receives it.
    void fullConfiguration()
    {
        const int from = sent();
        QVERIFY(runOnWorker([&] { return driver->configureChannels("快速", configuration()); }));
        const QStringList expected{
            "*RST\r\n",
            "RATE FAST\r\n",
            "UNIT:TEMP C\r\n",
            "ROUT:CHAN:STAT ON,(@101)\r\n",
            "TEMP:TC:TYPE K,(@101)\r\n",
            "TEMP:TC:RJUN:TYPE INT,(@101)\r\n",
            "CALC:SCAL:STAT ON,(@101)\r\n",
            "CALC:SCAL:GAIN 1,(@101)\r\n",
            "CALC:SCAL:OFFS 0,(@101)\r\n",
            "UNIT:TEMP C\r\n",
            "ROUT:CHAN:STAT ON,(@102)\r\n",
            "TEMP:FRTD:TYPE A385,(@102)\r\n",
            "TEMP:FRTD:A385:RZER 100.0,(@102)\r\n",
            "CALC:SCAL:STAT ON,(@102)\r\n",
            "CALC:SCAL:GAIN 1.5,(@102)\r\n",
            "CALC:SCAL:OFFS -0.25,(@102)\r\n",
            // 103 is unused; 104 has no correction (gain -1000): no scaling commands.
            "ROUT:CHAN:STAT ON,(@104)\r\n",
            "CURR:RANG 1e-03,(@104)\r\n",
            // A fixed cold junction at the configuration's temperature.
            "UNIT:TEMP C\r\n",
            "ROUT:CHAN:STAT ON,(@105)\r\n",
            "TEMP:TC:TYPE K,(@105)\r\n",
            "TEMP:TC:RJUN:TYPE FIX,(@105)\r\n",
            "TEMP:TC:RJUN 23.5,(@105)\r\n",
            "ROUT:CHAN:STAT ON,(@106)\r\n",
            "FRES:RANG:AUTO ON,(@106)\r\n",
            "CALC:SCAL:STAT ON,(@106)\r\n",
            "CALC:SCAL:GAIN 2,(@106)\r\n",
            "CALC:SCAL:OFFS 0.5,(@106)\r\n",
            "ROUT:CHAN:STAT ON,(@107)\r\n",
            "CONF:FREQ(@107)\r\n",
            "CALC:SCAL:STAT ON,(@107)\r\n",
            "CALC:SCAL:GAIN 1,(@107)\r\n",
            "CALC:SCAL:OFFS 0,(@107)\r\n",
        };
        QCOMPARE(sentSince(from, expected.size()), expected);
        // The scanner took every command.
        QCOMPARE(ask("SYST:ERR?"), QString("0,\"No error\""));
        QCOMPARE(ask("TEMP:TC:RJUN?(@105)"), QString("23.5"));
    }

    // One reading per switched-on channel; the uncorrected channels are not scaled by -1000.
    void readValuesAfterConfiguration()
    {
        QStringList values;
        QVERIFY(runOnWorker([&] { return driver->readValues(values); }));
        QCOMPARE(values, configuredReadings);
    }

    void requestThenFetch()
    {
        QVERIFY(runOnWorker([&] { return driver->requestValues(); }));
        QStringList values;
        QVERIFY(runOnWorker([&] { return driver->fetchValues(values); }));
        QCOMPARE(values, configuredReadings);
    }

    // A stale line (a reply that came after its own wait ran out) stands before the sample,
    // whose second half comes after more than one reply read's 3 s: the sample is still taken
    // whole, never its tail alone, never the stale line, never the two joined.
    void staleLineThenSplitReplyWithLongPause()
    {
        steer("SIM:SPLIT 2");
        steer("SIM:GAP 3500");
        steer("SIM:REPLY 99.999\\r\\n" + configuredReadings.join(','));
        QStringList values;
        QElapsedTimer timer;
        timer.start();
        const bool ok = runOnWorker([&] { return driver->readValues(values); });
        const qint64 took = timer.elapsed();
        steer("SIM:SPLIT 1");
        steer("SIM:GAP 0");
        QVERIFY(ok);
        QCOMPARE(values, configuredReadings);
        QVERIFY2(took >= 3400, qPrintable(QString::number(took)));
    }

    void lateReplyInPieces()
    {
        steer("SIM:LATE 1200");
        steer("SIM:SPLIT 5");
        steer("SIM:GAP 30");
        QStringList values;
        const bool ok = runOnWorker([&] { return driver->readValues(values); });
        steer("SIM:LATE 0");
        steer("SIM:SPLIT 1");
        steer("SIM:GAP 0");
        QVERIFY(ok);
        QCOMPARE(values, configuredReadings);
    }

    void valueCount_data()
    {
        QTest::addColumn<QString>("reply");
        QTest::addColumn<QString>("lineEnd");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QStringList>("values");
        const QStringList kept{"kept"};
        QTest::newRow("too few") << "1.0,2.0,3.0,4.0,5.0" << "CRLF" << false << kept;
        QTest::newRow("too many") << "1,2,3,4,5,6,7" << "CRLF" << false << kept;
        QTest::newRow("trailing comma counts as a value")
            << "1,2,3,4,5," << "CRLF" << true << QStringList{"1", "2", "3", "4", "5", ""};
        QTest::newRow("line end LF only") << "1,2,3,4,5,6" << "LF" << true
                                          << QStringList{"1", "2", "3", "4", "5", "6"};
        QTest::newRow("error reply in place of values")
            << "-113,\"Undefined header\",3,4,5,6" << "CRLF" << false << kept;
        QTest::newRow("overload stays a number")
            << "9.9E+37,-9.9E+37,+9.9E+37,4,5,6" << "CRLF" << true
            << QStringList{"9.9E+37", "-9.9E+37", "+9.9E+37", "4", "5", "6"};
        QTest::newRow("no value on some channels")
            << "NaN,inf,1e308,-INF, nan ,21.5" << "CRLF" << true
            << QStringList{"nan", "nan", "1e308", "nan", "nan", "21.5"};
        QTest::newRow("a value that is no number") << "nan,abc,3,4,5,6" << "CRLF" << false << kept;
    }
    void valueCount()
    {
        QFETCH(QString, reply);
        QFETCH(QString, lineEnd);
        QFETCH(bool, ok);
        QFETCH(QStringList, values);
        steer("SIM:EOL " + lineEnd);
        steer("SIM:REPLY " + reply);
        QStringList got{"kept"};
        const bool result = runOnWorker([&] { return driver->readValues(got); });
        steer("SIM:EOL CRLF");
        QCOMPARE(result, ok);
        QCOMPARE(got, values);
    }

    // Two threads using one driver at once each get the reply to their own question.
    void concurrentExchangesDoNotMix()
    {
        for (int round = 0; round < 4; ++round) {
            QStringList values;
            QString identity;
            const int good = runOnWorker([&] {
                std::atomic<int> count{0};
                std::thread a([&] { count += driver->readValues(values) ? 1 : 0; });
                std::thread b([&] { count += driver->readSerialNumber(identity) ? 1 : 0; });
                a.join();
                b.join();
                return count.load();
            });
            QCOMPARE(good, 2);
            QCOMPARE(values, configuredReadings);
            QCOMPARE(identity, QString("FLUKE,1586A,3489012,1.08"));
        }
    }

    // An operation keeps the exchange to itself from its first command to its last reply.
    void operationsHoldTheExchange_data()
    {
        QTest::addColumn<int>("operation");
        QTest::newRow("readValues") << 0;
        QTest::newRow("setDeviceTime") << 1;
        QTest::newRow("setScanInterval") << 2;
        QTest::newRow("readSerialNumber") << 3;
        QTest::newRow("readDeviceSettings") << 4;
        QTest::newRow("readChannelCoefficients") << 5;
        QTest::newRow("configureChannels") << 6;
    }
    void operationsHoldTheExchange()
    {
        QFETCH(int, operation);
        driver->freeAfterSend = 0;
        driver->probing = true;
        const bool ok = runOnWorker([&] {
            QStringList values;
            QString text, v, a, b, i, m, p, f;
            ChannelRecord its90 = channelRow("103", "铂电阻", "ITS90", "四线制", "℃");
            switch (operation) {
            case 0: return driver->readValues(values);
            case 1: return driver->setDeviceTime(QDateTime::currentDateTime());
            case 2: return driver->setScanInterval(5, 10);
            case 3: return driver->readSerialNumber(text);
            case 4: return driver->readDeviceSettings(text, v, a, b, i, m, p, f);
            case 5: return driver->readChannelCoefficients(its90);
            default: return driver->configureChannels("中速", configuration().mid(0, 2));
            }
        });
        driver->probing = false;
        QVERIFY(ok);
        QCOMPARE(driver->freeAfterSend, 0);
    }

    void coefficientsWriteAndReadBack_data()
    {
        QTest::addColumn<ChannelRecord>("row");
        QTest::addColumn<QStringList>("commands");
        QTest::addColumn<QStringList>("readBack");
        QTest::newRow("thermistor R(T)")
            << withCoefficients(channelRow("101", "热敏电阻", "R(T)", "二线制", "℃"),
                                {"1.1e-3", "2.2e-4", "3.3e-7", "-4.4e-9", "9", "9", "9"})
            << QStringList{"TEMP:THER:RPOL:COEF 1.1e-3,2.2e-4,3.3e-7,-4.4e-9,(@101)\r\n"}
            << QStringList{"1.1e-3", "2.2e-4", "3.3e-7", "-4.4e-9", "0", "0", "0"};
        QTest::newRow("platinum CVD three wires")
            << withCoefficients(channelRow("102", "铂电阻", "CVD", "三线制", "℃"),
                                {"3.9083e-3", "-5.775e-7", "-4.183e-12", "9", "100.02", "9", "9"})
            << QStringList{"TEMP:TRTD:TYPE ABC,(@102)\r\n",
                           "TEMP:TRTD:ABC:RZER 100.02,(@102)\r\n",
                           "TEMP:TRTD:ABC:COEF 3.9083e-3,-5.775e-7,-4.183e-12,(@102)\r\n"}
            << QStringList{"3.9083e-3", "-5.775e-7", "-4.183e-12", "0", "100.02", "0", "0"};
        QTest::newRow("platinum ITS90 four wires")
            << withCoefficients(channelRow("103", "铂电阻", "ITS90", "四线制", "℃"),
                                {"-1.5e-4", "2.5e-5", "-3.5e-6", "4.5e-7", "25.5", "-5.5e-4",
                                 "6.5e-5"})
            << QStringList{"TEMP:FRTD:TYPE SPRT,(@103)\r\n",
                           "TEMP:FRTD:SPRT:RTPW 25.5,(@103)\r\n",
                           "TEMP:FRTD:SPRT:COEF:HIGH -1.5e-4,2.5e-5,-3.5e-6,4.5e-7,(@103)\r\n",
                           "TEMP:FRTD:SPRT:COEF:LOW -5.5e-4,6.5e-5,(@103)\r\n"}
            << QStringList{"-1.5e-4", "2.5e-5", "-3.5e-6", "4.5e-7", "25.5", "-5.5e-4",
                           "6.5e-5"};
        // An empty coefficient is sent as 0.
        QTest::newRow("platinum PT385, R0 empty")
            << withCoefficients(channelRow("104", "铂电阻", "PT385", "二线制", "℃"), {})
            << QStringList{"TEMP:RTD:TYPE A385,(@104)\r\n", "TEMP:RTD:A385:RZER 0,(@104)\r\n"}
            << QStringList{"0", "0", "0", "0", "0", "0", "0"};
        QTest::newRow("thermocouple: nothing to exchange")
            << withCoefficients(channelRow("105", "热电偶", "S", "二线制", "℃"),
                                {"1", "2", "3", "4"})
            << QStringList{} << QStringList{"0", "0", "0", "0", "0", "0", "0"};
    }
    void coefficientsWriteAndReadBack()
    {
        QFETCH(ChannelRecord, row);
        QFETCH(QStringList, commands);
        QFETCH(QStringList, readBack);
        int from = sent();
        QVERIFY(runOnWorker([&] { return driver->writeChannelCoefficients(row); }));
        QCOMPARE(sentSince(from, commands.size()), commands);

        ChannelRecord back = withCoefficients(row, {"x", "x", "x", "x", "x", "x", "x"});
        back.mxbM = 7.0f;
        back.mxbB = 7.0f;
        QVERIFY(runOnWorker([&] { return driver->readChannelCoefficients(back); }));
        QCOMPARE(coefficientsOf(back), readBack);
        QCOMPARE(back.mxbM, 1.0f);
        QCOMPARE(back.mxbB, 0.0f);
        QCOMPARE(back.channelNumber, row.channelNumber);
    }

    void coefficientReadRefusals()
    {
        // A thermistor curve other than R(T) has no coefficients to read.
        ChannelRecord thermistor = channelRow("101", "热敏电阻", "5kΩ", "二线制", "℃");
        const int from = sent();
        QVERIFY(!runOnWorker([&] { return driver->readChannelCoefficients(thermistor); }));
        QCOMPARE(sentSince(from), QStringList{});

        // A short, error or non-finite coefficient reply fails the read; the row stays as it was.
        const ChannelRecord written = withCoefficients(channelRow("102", "铂电阻", "CVD", "三线制", "℃"),
                                                       {"3.9e-3", "-5.7e-7", "-4.1e-12", "", "99.5"});
        QVERIFY(runOnWorker([&] { return driver->writeChannelCoefficients(written); }));
        for (const QStringList &replies :
             {QStringList{"SIM:PASS", "SIM:REPLY 1,2,3,4"},
              QStringList{"SIM:REPLY -113,\"Undefined header\""}, QStringList{"SIM:REPLY nan"},
              QStringList{"SIM:PASS", "SIM:REPLY 3.9e-3,-INF,-4.1e-12"}}) {
            for (const QString &line : replies)
                steer(line);
            ChannelRecord cvd = written;
            QVERIFY2(!runOnWorker([&] { return driver->readChannelCoefficients(cvd); }),
                     qPrintable(replies.last()));
            QCOMPARE(coefficientsOf(cvd), coefficientsOf(written));
        }
        ChannelRecord cvd = written;

        // A stale line before the coefficients is passed over, not joined to them.
        steer("SIM:PASS");
        steer("SIM:REPLY 9,9,9\\r\\n3.9e-3,-5.7e-7,-4.1e-12");
        QVERIFY(runOnWorker([&] { return driver->readChannelCoefficients(cvd); }));
        QCOMPARE(coefficientsOf(cvd),
                 QStringList({"3.9e-3", "-5.7e-7", "-4.1e-12", "0", "99.5", "0", "0"}));
    }

    // A coefficient or fixed cold-junction text that the set-up would send must be a number:
    // the check names it and nothing of that channel goes out; texts it does not send are not
    // looked at.
    void textsThatAreNotNumbers_data()
    {
        QTest::addColumn<ChannelRecord>("row");
        QTest::addColumn<QString>("error");
        ChannelRecord room = channelRow("101", "热电偶", "K", "二线制", "℃");
        room.compensation = "固定冷端";
        room.coldJunction = "room";
        QTest::newRow("fixed cold junction") << room << "101:固定冷端温度不是数字！";
        room.coldJunction = "inf";
        QTest::newRow("fixed cold junction not finite") << room << "101:固定冷端温度不是数字！";
        QTest::newRow("gain not finite")
            << channelRow("103", "热电偶", "K", "二线制", "℃", qInf(), 0.0f) << "103:系数不是数字！";
        QTest::newRow("platinum R0")
            << withCoefficients(channelRow("104", "铂电阻", "PT385", "二线制", "℃"),
                                {"", "", "", "", "1OO"})
            << "104:系数不是数字！";
        QTest::newRow("CVD C")
            << withCoefficients(channelRow("105", "铂电阻", "CVD", "二线制", "℃"),
                                {"3.9e-3", "-5.7e-7", "n/a", "", "100"})
            << "105:系数不是数字！";
        QTest::newRow("thermocouple K sends no coefficients")
            << withCoefficients(channelRow("106", "热电偶", "K", "二线制", "℃"), {"x", "y"})
            << "";
    }
    void textsThatAreNotNumbers()
    {
        QFETCH(ChannelRecord, row);
        QFETCH(QString, error);
        QString got;
        QCOMPARE(driver->checkChannels({row}, got), error.isEmpty());
        QCOMPARE(got, error);
        const int from = sent();
        QCOMPARE(runOnWorker([&] { return driver->configureChannel(row); }), error.isEmpty());
        if (!error.isEmpty()) {
            QCOMPARE(runOnWorker([&] { return driver->writeChannelCoefficients(row); }),
                     row.type != "铂电阻");
            QTest::qWait(300);
            QCOMPARE(sentSince(from), QStringList{});
        }
    }

    void unknownCompensationSendsNoJunctionCommand()
    {
        ChannelRecord row = channelRow("101", "热电偶", "T", "二线制", "℉");
        row.compensation = "外部补偿";
        const int from = sent();
        QVERIFY(runOnWorker([&] { return driver->configureChannel(row); }));
        QCOMPARE(sentSince(from, 6),
                 QStringList({"UNIT:TEMP F\r\n", "ROUT:CHAN:STAT ON,(@101)\r\n",
                              "TEMP:TC:TYPE T,(@101)\r\n", "CALC:SCAL:STAT ON,(@101)\r\n",
                              "CALC:SCAL:GAIN 1,(@101)\r\n", "CALC:SCAL:OFFS 0,(@101)\r\n"}));
    }

    // Thermistor or platinum rows of unit "Ohm" are set up as auto-range resistances, not on three wires.
    void rawResistanceRows()
    {
        const int from = sent();
        const Rows raw{withCoefficients(channelRow("101", "铂电阻", "PT385", "四线制", "Ohm"),
                                        {"", "", "", "", "not sent"}),
                       channelRow("102", "热敏电阻", "R(T)", "二线制", "Ohm", -1000.0f)};
        QVERIFY(runOnWorker([&] { return driver->configureChannels("慢速", raw); }));
        const QStringList expected{"*RST\r\n", "RATE SLOW\r\n", "ROUT:CHAN:STAT ON,(@101)\r\n",
                                   "FRES:RANG:AUTO ON,(@101)\r\n", "CALC:SCAL:STAT ON,(@101)\r\n",
                                   "CALC:SCAL:GAIN 1,(@101)\r\n", "CALC:SCAL:OFFS 0,(@101)\r\n",
                                   "ROUT:CHAN:STAT ON,(@102)\r\n", "RES:RANG:AUTO ON,(@102)\r\n"};
        QCOMPARE(sentSince(from, expected.size()), expected);
        const ChannelRecord threeWires = channelRow("103", "铂电阻", "PT385", "三线制", "Ohm");
        QVERIFY(!runOnWorker([&] { return driver->configureChannels("慢速", {threeWires}); }));
    }

    // Unused channels send nothing; the reset and the rate command go out all the same.
    void unknownRateSendsAnEmptyArgument()
    {
        const int from = sent();
        const Rows unused{channelRow("101", "空", "空", "空", "℃")};
        QVERIFY(runOnWorker([&] { return driver->configureChannels("标准", unused); }));
        QCOMPARE(sentSince(from, 2), QStringList({"*RST\r\n", "RATE \r\n"}));
    }
};

QTEST_GUILESS_MAIN(Test1586ALink)
#include "test_1586a_link.moc"
