// The channel-coefficient exchange file, checked against Python's configparser (Debian's
// system interpreter) as an independent writer and reader of INI files.

#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

#include "ChannelCoefficientFile.h"
#include "TestDb.h"

namespace {

const QStringList coefficientKeys = {"A_C0", "B_C1", "C_C2",   "D_C3",  "R0_C4",
                                     "A4_C5", "B4_C6", "MX_B_M", "MX_B_B"};

// Reads every section of an INI file with configparser (keys kept as written) and prints
// {section: {key: value}} as JSON.
const char *const readIni = R"PY(
import configparser, json, sys
p = configparser.ConfigParser(interpolation=None)
p.optionxform = str
with open(sys.argv[1], encoding='utf-8-sig') as f:
    p.read_file(f)
print(json.dumps({s: dict(p[s]) for s in p.sections()}))
)PY";

// Writes an INI file with configparser from a JSON description:
// {"sections": {name: {key: value}}, "bom": bool, "crlf": bool, "lower": bool}.
const char *const writeIni = R"PY(
import configparser, io, json, sys
layout = json.loads(sys.argv[2])
p = configparser.ConfigParser(interpolation=None)
if not layout.get('lower'):
    p.optionxform = str
for name, keys in layout['sections'].items():
    p[name] = keys
buf = io.StringIO()
p.write(buf)
text = buf.getvalue()
if layout.get('crlf'):
    text = text.replace('\n', '\r\n')
with open(sys.argv[1], 'w', encoding='utf-8-sig' if layout.get('bom') else 'utf-8', newline='') as f:
    f.write(text)
)PY";

QJsonObject readWithPython(const QString &path)
{
    bool ok = false;
    const QString out = TestDb::runPython(QString::fromUtf8(readIni), {path}, &ok);
    if (!ok)
        return {};
    return QJsonDocument::fromJson(out.toUtf8()).object();
}

bool writeWithPython(const QString &path, const QJsonObject &layout)
{
    bool ok = false;
    TestDb::runPython(QString::fromUtf8(writeIni),
                      {path, QString::fromUtf8(QJsonDocument(layout).toJson(QJsonDocument::Compact))},
                      &ok);
    return ok;
}

ChannelConfigData coefficientConfig(int count)
{
    ChannelConfigData c;
    c.Name = QStringLiteral("cfg");
    c.ChannelCount = count;
    for (int i = 0; i < count; ++i) {
        const QString n = QString::number(i + 1);
        c.A_C0 << QStringLiteral("1.") + n;
        c.B_C1 << QStringLiteral("-2.") + n;
        c.C_C2 << QStringLiteral("3.9083e-") + n;
        c.D_C3 << QStringLiteral("4") + n;
        c.R0_C4 << QStringLiteral("100.") + n;
        c.A4_C5 << QStringLiteral("0.00") + n;
        c.B4_C6 << QStringLiteral("-0.") + n;
        c.MX_B_M << QStringLiteral("1.00") + n;
        c.MX_B_B << QStringLiteral("-0.0") + n;
        c.ChannelNumber << QString::number(100 + i + 1);
        c.ChannelLabel << QStringLiteral("CH") + n;
        c.Unit << QStringLiteral("℃");
    }
    return c;
}

QStringList listOf(const ChannelConfigData &c, const QString &key)
{
    const QHash<QString, QStringList> byKey = {
        {"A_C0", c.A_C0},   {"B_C1", c.B_C1},   {"C_C2", c.C_C2},
        {"D_C3", c.D_C3},   {"R0_C4", c.R0_C4}, {"A4_C5", c.A4_C5},
        {"B4_C6", c.B4_C6}, {"MX_B_M", c.MX_B_M}, {"MX_B_B", c.MX_B_B}};
    return byKey.value(key);
}

} // namespace

class TestChannelConfigFile : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void writtenKeysAsConfigparserReadsThem();
    void oneChannelIsWrittenWithoutSeparator();
    void emptyListReadsBackEmpty();
    void writeThenReadGivesTheLists();
    void writingKeepsOtherGroups();
    void readsFilesOfConfigparser_data();
    void readsFilesOfConfigparser();
    void missingFileReadsEmpty();
    void failedWriteIsReported_data();
    void failedWriteIsReported();

private:
    QScopedPointer<QTemporaryDir> dir;
};

void TestChannelConfigFile::init()
{
    dir.reset(new QTemporaryDir);
    QVERIFY(dir->isValid());
}

void TestChannelConfigFile::writtenKeysAsConfigparserReadsThem()
{
    const QString path = dir->filePath(QStringLiteral("three.ini"));
    const ChannelConfigData config = coefficientConfig(3);
    QVERIFY(writeChannelCoefficientFile(path, config));
    const QJsonObject ini = readWithPython(path);
    QCOMPARE(ini.keys(), QStringList{"Standardizer"});
    const QJsonObject group = ini.value("Standardizer").toObject();
    QStringList keys = group.keys();
    QStringList expected = coefficientKeys;
    keys.sort();
    expected.sort();
    QCOMPARE(keys, expected);   // the nine keys and nothing else: no B0..B3, no labels
    for (const QString &key : coefficientKeys)
        QCOMPARE(group.value(key).toString(), listOf(config, key).join(QStringLiteral(", ")));
}

void TestChannelConfigFile::oneChannelIsWrittenWithoutSeparator()
{
    const QString path = dir->filePath(QStringLiteral("one.ini"));
    QVERIFY(writeChannelCoefficientFile(path, coefficientConfig(1)));
    const QJsonObject group = readWithPython(path).value("Standardizer").toObject();
    QCOMPARE(group.value("A_C0").toString(), QStringLiteral("1.1"));
    QCOMPARE(group.value("MX_B_B").toString(), QStringLiteral("-0.01"));
    const ChannelConfigData back = readChannelCoefficientFile(path);
    QCOMPARE(back.A_C0, QStringList{"1.1"});
    QCOMPARE(back.MX_B_B, QStringList{"-0.01"});
}

void TestChannelConfigFile::emptyListReadsBackEmpty()
{
    const QString path = dir->filePath(QStringLiteral("empty.ini"));
    ChannelConfigData config = coefficientConfig(2);
    config.B4_C6.clear();
    QVERIFY(writeChannelCoefficientFile(path, config));
    const QJsonObject group = readWithPython(path).value("Standardizer").toObject();
    QCOMPARE(group.value("B4_C6").toString(), QStringLiteral("@Invalid()"));
    const ChannelConfigData back = readChannelCoefficientFile(path);
    QVERIFY(back.B4_C6.isEmpty());
    QCOMPARE(back.A4_C5.size(), 2);
}

void TestChannelConfigFile::writeThenReadGivesTheLists()
{
    const QString path = dir->filePath(QStringLiteral("five.ini"));
    const ChannelConfigData config = coefficientConfig(5);
    QVERIFY(writeChannelCoefficientFile(path, config));
    const ChannelConfigData back = readChannelCoefficientFile(path);
    for (const QString &key : coefficientKeys)
        QCOMPARE(listOf(back, key), listOf(config, key));
}

void TestChannelConfigFile::writingKeepsOtherGroups()
{
    const QString path = dir->filePath(QStringLiteral("merge.ini"));
    QVERIFY(writeWithPython(path, QJsonObject{{"sections",
                                               QJsonObject{{"Other", QJsonObject{{"Key", "x"}}}}}}));
    QVERIFY(writeChannelCoefficientFile(path, coefficientConfig(2)));
    const QJsonObject ini = readWithPython(path);
    QCOMPARE(ini.value("Other").toObject().value("Key").toString(), QStringLiteral("x"));
    QCOMPARE(ini.value("Standardizer").toObject().value("A_C0").toString(),
             QStringLiteral("1.1, 1.2"));
}

void TestChannelConfigFile::readsFilesOfConfigparser_data()
{
    QTest::addColumn<QJsonObject>("layout");
    // Expected lists, key -> entries joined with "|" ("" for no entries).
    QTest::addColumn<QJsonObject>("expected");

    const QJsonObject all{{"A_C0", "1, 2, 3"},   {"B_C1", "4, 5, 6"},    {"C_C2", "7, 8, 9"},
                          {"D_C3", "-1, -2, -3"}, {"R0_C4", "100, 100, 100"},
                          {"A4_C5", "0.1, 0.2, 0.3"}, {"B4_C6", "9, 8, 7"},
                          {"MX_B_M", "1, 1.5, 2"}, {"MX_B_B", "0, -0.5, 0.25"}};
    const QJsonObject allExpected{{"A_C0", "1|2|3"},   {"B_C1", "4|5|6"},    {"C_C2", "7|8|9"},
                                  {"D_C3", "-1|-2|-3"}, {"R0_C4", "100|100|100"},
                                  {"A4_C5", "0.1|0.2|0.3"}, {"B4_C6", "9|8|7"},
                                  {"MX_B_M", "1|1.5|2"}, {"MX_B_B", "0|-0.5|0.25"}};
    QTest::newRow("nine keys")
        << QJsonObject{{"sections", QJsonObject{{"Standardizer", all}}}} << allExpected;
    QTest::newRow("CRLF line ends")
        << QJsonObject{{"sections", QJsonObject{{"Standardizer", all}}}, {"crlf", true}}
        << allExpected;
    QTest::newRow("UTF-8 byte order mark")
        << QJsonObject{{"sections", QJsonObject{{"Standardizer", all}}}, {"bom", true}}
        << allExpected;
    QTest::newRow("BOM and CRLF")
        << QJsonObject{{"sections", QJsonObject{{"Standardizer", all}}},
                       {"bom", true},
                       {"crlf", true}}
        << allExpected;
    QTest::newRow("keys in lower case")
        << QJsonObject{{"sections", QJsonObject{{"Standardizer", all}}}, {"lower", true}}
        << allExpected;
    QTest::newRow("second names B0 to B3")
        << QJsonObject{{"sections",
                        QJsonObject{{"Standardizer", QJsonObject{{"B0", "10, 11"},
                                                                 {"B1", "12"},
                                                                 {"B2", "13, 14"},
                                                                 {"B3", "15, 16"}}}}}}
        << QJsonObject{{"A_C0", "10|11"}, {"B_C1", "12"}, {"C_C2", "13|14"},
                       {"D_C3", "15|16"}};
    QTest::newRow("first name wins over second")
        << QJsonObject{{"sections", QJsonObject{{"Standardizer",
                                                 QJsonObject{{"A_C0", "1, 2"},
                                                             {"B0", "10, 11"},
                                                             {"B1", "12, 13"}}}}}}
        << QJsonObject{{"A_C0", "1|2"}, {"B_C1", "12|13"}};
    QTest::newRow("empty list falls back")
        << QJsonObject{{"sections", QJsonObject{{"Standardizer",
                                                 QJsonObject{{"A_C0", "@Invalid()"},
                                                             {"C_C2", ""},
                                                             {"B0", "10"},
                                                             {"B2", "20, 21"}}}}}}
        << QJsonObject{{"A_C0", "10"}, {"C_C2", "20|21"}};
    QTest::newRow("one-entry value")
        << QJsonObject{{"sections", QJsonObject{{"Standardizer", QJsonObject{{"MX_B_M", "1.25"}}}}}}
        << QJsonObject{{"MX_B_M", "1.25"}};
    QTest::newRow("missing group")
        << QJsonObject{{"sections", QJsonObject{{"Calibration", all}}}} << QJsonObject{};
    QTest::newRow("no numbers are carried as texts")
        << QJsonObject{{"sections", QJsonObject{{"Standardizer",
                                                 QJsonObject{{"A_C0", "abc, 1.2.3, -"},
                                                             {"MX_B_B", "\"1,5\", x"}}}}}}
        << QJsonObject{{"A_C0", "abc|1.2.3|-"}, {"MX_B_B", "1,5|x"}};
}

void TestChannelConfigFile::readsFilesOfConfigparser()
{
    QFETCH(QJsonObject, layout);
    QFETCH(QJsonObject, expected);
    const QString path = dir->filePath(QStringLiteral("in.ini"));
    QVERIFY(writeWithPython(path, layout));
    const ChannelConfigData lists = readChannelCoefficientFile(path);
    for (const QString &key : coefficientKeys) {
        const QString want = expected.value(key).toString();
        const QStringList wantList = want.isEmpty() ? QStringList() : want.split(QLatin1Char('|'));
        QCOMPARE(listOf(lists, key), wantList);
    }
}

void TestChannelConfigFile::missingFileReadsEmpty()
{
    const ChannelConfigData lists =
        readChannelCoefficientFile(dir->filePath(QStringLiteral("absent.ini")));
    for (const QString &key : coefficientKeys)
        QVERIFY(listOf(lists, key).isEmpty());
}

void TestChannelConfigFile::failedWriteIsReported_data()
{
    QTest::addColumn<QString>("relative");
    QTest::newRow("folder under a plain file") << "plain.txt/sub/out.ini";
    QTest::newRow("path is a folder") << "folder";
}

void TestChannelConfigFile::failedWriteIsReported()
{
    QFETCH(QString, relative);
    QFile plain(dir->filePath(QStringLiteral("plain.txt")));
    QVERIFY(plain.open(QIODevice::WriteOnly));
    plain.write("x");
    plain.close();
    QVERIFY(QDir(dir->path()).mkdir(QStringLiteral("folder")));
    QVERIFY(!writeChannelCoefficientFile(dir->filePath(relative), coefficientConfig(2)));
    // A good path still works after a failure.
    QVERIFY(writeChannelCoefficientFile(dir->filePath(QStringLiteral("good.ini")),
                                        coefficientConfig(2)));
}

QTEST_GUILESS_MAIN(TestChannelConfigFile)
#include "test_channelconfig_file.moc"
