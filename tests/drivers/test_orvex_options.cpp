// The option lists and channel checks of the "SET OK" drivers (Orvex scanners, Folen), and the
// number formats of their commands.

#include <QtTest>

#include <cstdio>
#include <memory>

#include "ChannelRows.h"
#include "CollectionFolen.h"
#include "CollectionOrvex.h"
#include "Registry.h"

using Rows = QList<ChannelRecord>;

class TestOrvexOptions : public QObject
{
    Q_OBJECT
private slots:
    void checkChannels_data()
    {
        QTest::addColumn<QString>("model");
        QTest::addColumn<Rows>("rows");
        QTest::addColumn<QString>("error");   // empty: accepted
        auto row = [](const char *n, const char *type, const char *function, const char *wire,
                      const char *unit) { return channelRow(n, type, function, wire, unit); };
        const ChannelRecord ntc = row("101", "热敏电阻", "10kΩ", "二线制", "℃");
        QTest::newRow("no rows") << "Orvex-NTC-V2" << Rows{} << "通道未设置！";
        QTest::newRow("NTC thermistors") << "Orvex-NTC-V2" << Rows{ntc, row("108", "热敏电阻", "R(T)", "四线制", "Ω")} << "";
        QTest::newRow("NTC platinum") << "Orvex-NTC-V2" << Rows{row("101", "铂电阻", "PT", "二线制", "℃")} << "101:类型错误！";
        QTest::newRow("NTC channel 109") << "Orvex-NTC-V2" << Rows{ntc, row("109", "热敏电阻", "R(T)", "四线制", "℃")} << "109:通道号错误！";
        QTest::newRow("RTD curve") << "Orvex-RTD-V2" << Rows{row("102", "铂电阻", "R(T)", "二线制", "℃")} << "102:功能错误！";
        QTest::newRow("VS pressure") << "Orvex-VS" << Rows{row("101", "热电偶", "K", "二线制", "mV"), row("169", "压力", "自动", "二线制", "KPa")} << "";
        QTest::newRow("VS thermocouple on 169") << "Orvex-VS" << Rows{row("169", "热电偶", "K", "二线制", "℃")} << "169:类型错误！";
        QTest::newRow("VS three units") << "Orvex-VS" << Rows{row("101", "热电偶", "K", "二线制", "℃"), row("102", "热电偶", "K", "二线制", "mV"), row("103", "热电偶", "K", "二线制", "V")} << "单位不许超过2个！";
        QTest::newRow("VS two thermocouple types") << "Orvex-VS" << Rows{row("101", "热电偶", "K", "二线制", "℃"), row("105", "热电偶", "J", "二线制", "℃")} << "105:功能错误！";
        QTest::newRow("HT humidity") << "Orvex-HT" << Rows{row("115", "铂电阻", "自动", "四线制", "℃"), row("116", "湿度", "自动", "四线制", "%RH")} << "";
        QTest::newRow("HT humidity in ℃") << "Orvex-HT" << Rows{row("117", "湿度", "自动", "四线制", "℃")} << "117:单位错误！";
        QTest::newRow("HT channel 120") << "Orvex-HT" << Rows{row("120", "湿度", "自动", "四线制", "%RH")} << "120:通道号错误！";
        QTest::newRow("Folen mixed") << "Folen" << Rows{row("101", "铂电阻", "ITS90", "三线制", "Ω"), row("121", "热电偶", "Au-Pt", "二线制", "mV")} << "";
        QTest::newRow("Folen thermocouple in Ω") << "Folen" << Rows{row("103", "热电偶", "K", "二线制", "Ω")} << "103:单位错误！";
        QTest::newRow("Folen channel 122") << "Folen" << Rows{row("122", "热电偶", "K", "二线制", "℃")} << "122:通道号错误！";
        QTest::newRow("NTC coefficient text") << "Orvex-NTC-V2" << Rows{withCoefficients(ntc, {"1e-3", "2e-4", "0x5"})} << "101:系数不是数字！";
        QTest::newRow("NTC coefficient not sent") << "Orvex-NTC-V2" << Rows{withCoefficients(ntc, {"", "x"})} << "";
        QTest::newRow("RTD coefficient inf") << "Orvex-RTD-V2" << Rows{withCoefficients(row("103", "铂电阻", "CVD", "二线制", "℃"), {"3.9e-3", "-INF", "", "", "100"})} << "103:系数不是数字！";
        QTest::newRow("VS offset nan") << "Orvex-VS" << Rows{channelRow("102", "热电偶", "K", "二线制", "℃", 1.0f, qQNaN())} << "102:系数不是数字！";
        QTest::newRow("VS no correction sent") << "Orvex-VS" << Rows{channelRow("102", "热电偶", "K", "二线制", "℃", -1000.0f, qQNaN())} << "";
        ChannelRecord fixed = row("104", "热电偶", "K", "二线制", "℃");
        fixed.compensation = "固定补偿";
        fixed.coldJunction = "25,0";
        QTest::newRow("Folen cold junction text") << "Folen" << Rows{fixed} << "104:固定冷端温度不是数字！";
        fixed.coldJunction = "";
        QTest::newRow("Folen cold junction empty") << "Folen" << Rows{fixed} << "";
    }
    void checkChannels()
    {
        QFETCH(QString, model);
        QFETCH(Rows, rows);
        QFETCH(QString, error);
        std::unique_ptr<Collection> d(createCollection(model));
        QString got = "untouched";
        QCOMPARE(d->checkChannels(rows, got), error.isEmpty());
        QCOMPARE(got, error.isEmpty() ? QString("untouched") : error);
    }

    // The instrument's formats are those of printf: "%.6g", "%.10e", "%.6f".
    void numberFormats()
    {
        for (double v : {1.0, 0.5, 1e-7, -0.25, 123456789.0, 3.9083e-3, -5.775e-7, 0.0, 2.5e-300}) {
            char g[64], e[64], f[64];
            std::snprintf(g, sizeof g, "%.6g", double(float(v)));
            std::snprintf(e, sizeof e, "%.10e", v);
            std::snprintf(f, sizeof f, "%.6f", v);
            QCOMPARE(QString::number(double(float(v)), 'g', 6), QString(g));
            QCOMPARE(QString::number(v, 'e', 10), QString(e));
            QCOMPARE(QString::number(v, 'f', 6), QString(f));
            QCOMPARE(OrvexCommandSet::coefficientText(v).toDouble(), v);
        }
    }
};

QTEST_MAIN(TestOrvexOptions)
#include "test_orvex_options.moc"
