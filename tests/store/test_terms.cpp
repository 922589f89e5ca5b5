#include <QDir>
#include <QFile>
#include <QSet>
#include <QTranslator>
#include <QtTest>

#include "TestDb.h"
#include "Terms.h"

// The stored terms, quantity words and lists, with and without the English translation, and
// the enabled-model list in config.ini read and written by Python's configparser.
class TestTerms : public QObject
{
    Q_OBJECT

    QTranslator english;
    QTemporaryDir tmp;
    QString oldCwd;

    void useEnglish(bool on)
    {
        if (on)
            QCoreApplication::installTranslator(&english);
        else
            QCoreApplication::removeTranslator(&english);
    }

    QString python(const QString &program)
    {
        bool ok = false;
        const QString out = TestDb::runPython(program, {}, &ok);
        if (!ok)
            QTest::qFail("python failed", __FILE__, __LINE__);
        return out;
    }

    QByteArray readConfig()
    {
        QFile f(QStringLiteral("config.ini"));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(tmp.isValid());
        QVERIFY2(english.load(QStringLiteral(STORE_EN_QM)), STORE_EN_QM);
        oldCwd = QDir::currentPath();
        QVERIFY(QDir::setCurrent(tmp.path()));
    }
    void cleanupTestCase() { QDir::setCurrent(oldCwd); }
    void init()
    {
        useEnglish(false);
        QFile::remove(QStringLiteral("config.ini"));
    }

    void withoutTranslationBothConversionsAreIdentity()
    {
        const QStringList terms = storedTerms();
        QCOMPARE(terms.size(), 33);
        for (const QString &t : terms) {
            QCOMPARE(translateTerm(t), t);
            QCOMPARE(untranslateTerm(t), t);
        }
        QCOMPARE(translateList(terms), terms);
        QCOMPARE(untranslateList(terms), terms);
    }

    // Every stored term has its own English text, so that the shown form goes back to one term.
    void englishShownFormsAreDistinctAndGoBack()
    {
        useEnglish(true);
        QSet<QString> shown;
        for (const QString &t : storedTerms()) {
            const QString s = translateTerm(t);
            QVERIFY2(s != t, qPrintable(QStringLiteral("no English text for ") + t));
            QVERIFY2(!shown.contains(s), qPrintable(QStringLiteral("shown twice: ") + s));
            shown.insert(s);
            QCOMPARE(untranslateTerm(s), t);
        }
        QCOMPARE(untranslateList(translateList(storedTerms())), storedTerms());
    }

    void conversions_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("translated");
        QTest::addColumn<QString>("untranslated");
        QTest::newRow("bath") << "油槽" << "Bath" << "油槽";
        QTest::newRow("bath-R") << "油槽-R" << "Bath-R" << "油槽-R";
        QTest::newRow("resistance shown form") << "Resistance" << "Resistance" << "电阻";
        QTest::newRow("thermistor shown form") << "Thermistor" << "Thermistor" << "热敏电阻";
        QTest::newRow("not a term") << "固定补偿" << "固定补偿" << "固定补偿";
        QTest::newRow("empty") << "" << "" << "";
        QTest::newRow("model name") << "Vosk-TC" << "Vosk-TC" << "Vosk-TC";
        QTest::newRow("case differs") << "bath" << "bath" << "bath";
    }
    void conversions()
    {
        QFETCH(QString, input);
        QFETCH(QString, translated);
        QFETCH(QString, untranslated);
        useEnglish(true);
        QCOMPARE(translateTerm(input), translated);
        QCOMPARE(untranslateTerm(input), untranslated);
    }

    void listsKeepOrderAndLength()
    {
        useEnglish(true);
        const QStringList stored{"串口", "x", "", "四线制", "串口"};
        const QStringList shownList{"Serial port", "x", "", "4-wire", "Serial port"};
        QCOMPARE(translateList(stored), shownList);
        QCOMPARE(untranslateList(shownList), stored);
    }

    void quantityOfUnit_data()
    {
        QTest::addColumn<QString>("unit");
        QTest::addColumn<QString>("chinese");
        QTest::addColumn<QString>("english");
        QTest::newRow("celsius") << "℃" << "温度" << "Temperature";
        QTest::newRow("fahrenheit") << "℉" << "温度" << "Temperature";
        QTest::newRow("humidity") << "%RH" << "湿度" << "Humidity";
        QTest::newRow("KPa") << "KPa" << "压力" << "Pressure";
        QTest::newRow("kPa lower-case k") << "kPa" << "其他" << "Other";
        QTest::newRow("psi") << "psi" << "压力" << "Pressure";
        QTest::newRow("mV") << "mV" << "电压" << "Voltage";
        QTest::newRow("kOhm") << "kΩ" << "电阻" << "Resistance";
        QTest::newRow("Ohm sign U+2126") << QString(QChar(0x2126)) << "其他" << "Other";
        QTest::newRow("micro-ampere Greek mu") << "μA" << "电流" << "Current";
        QTest::newRow("micro-ampere micro sign") << QString(QChar(0x00B5)) + "A" << "其他"
                                                 << "Other";
        QTest::newRow("empty") << "" << "其他" << "Other";
        QTest::newRow("blank around") << " V" << "其他" << "Other";
    }
    void quantityOfUnit()
    {
        QFETCH(QString, unit);
        QFETCH(QString, chinese);
        QFETCH(QString, english);
        QCOMPARE(::quantityOfUnit(unit), chinese);
        useEnglish(true);
        QCOMPARE(::quantityOfUnit(unit), english);
    }

    void uniqueStringList_data()
    {
        QTest::addColumn<QStringList>("units");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("empty") << QStringList{} << QStringList{"", ""};
        QTest::newRow("one repeated") << QStringList{"℃", "℃", "℃"} << QStringList{"℃", ""};
        QTest::newRow("other then celsius") << QStringList{"V", "℃"} << QStringList{"℃", "V"};
        QTest::newRow("fahrenheit first stays") << QStringList{"℉", "V", "℉"}
                                                << QStringList{"℉", "V"};
        QTest::newRow("single non-temperature") << QStringList{"V"} << QStringList{"", "V"};
        QTest::newRow("three in first-appearance order")
            << QStringList{"mA", "V", "mA", "℃", "V"} << QStringList{"mA", "V", "℃"};
        QTest::newRow("many, order kept")
            << QStringList{"z1", "a2", "m3", "b4", "y5", "c6", "z1"}
            << QStringList{"z1", "a2", "m3", "b4", "y5", "c6"};
    }
    void uniqueStringList()
    {
        QFETCH(QStringList, units);
        QFETCH(QStringList, expected);
        QCOMPARE(::uniqueStringList(units), expected);
    }

    void flagLists_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QList<bool>>("flags");
        QTest::addColumn<QString>("written");
        QTest::newRow("empty text") << "" << QList<bool>{false} << "false";
        QTest::newRow("capitals and empty part") << "true,,TRUE" << QList<bool>{true, false, false}
                                                 << "true,false,false";
        QTest::newRow("four parts") << "true,false,,true" << QList<bool>{true, false, false, true}
                                    << "true,false,false,true";
        QTest::newRow("blank around") << " true" << QList<bool>{false} << "false";
        QTest::newRow("trailing comma") << "true," << QList<bool>{true, false} << "true,false";
    }
    void flagLists()
    {
        QFETCH(QString, text);
        QFETCH(QList<bool>, flags);
        QFETCH(QString, written);
        QCOMPARE(stringToBoolList(text), flags);
        QCOMPARE(boolListToString(flags), written);
        QCOMPARE(boolListToString({}), QString());
    }

    // Fixed-point texts against Python's printf-style formatting.
    void doubleListToStringList_data()
    {
        QTest::addColumn<int>("precision");
        QTest::addColumn<QList<double>>("values");
        QTest::newRow("two decimals") << 2 << QList<double>{1.005, -0.5, 0.0, 123456.789};
        QTest::newRow("none") << 0 << QList<double>{2.4, 3.6, -1.4, 1e15};
        QTest::newRow("three") << 3 << QList<double>{1.5, -1e-7, 99.9995};
        QTest::newRow("six") << 6 << QList<double>{3.14159265358979, 1e-6, -273.15};
    }
    void doubleListToStringList()
    {
        QFETCH(int, precision);
        QFETCH(QList<double>, values);
        QStringList literals;
        for (double v : values)
            literals << QString::number(v, 'g', 17);
        const QString out = python(QStringLiteral("for v in [%1]: print('%.*f' % (%2, v))")
                                       .arg(literals.join(','))
                                       .arg(precision));
        const QStringList expected = out.split('\n', Qt::SkipEmptyParts);
        QCOMPARE(::doubleListToStringList(precision, values), expected);
    }

    // Exact halves round away from zero, the same way for every value.
    void doubleListToStringListHalves()
    {
        QCOMPARE(::doubleListToStringList(0, {2.5, 3.5, -2.5, 0.5}),
                 (QStringList{"3", "4", "-3", "1"}));
        QCOMPARE(::doubleListToStringList(2, {0.125, -0.375}), (QStringList{"0.13", "-0.38"}));
        QCOMPARE(::doubleListToStringList(-1, {1.25}), QStringList{"1"});
        QCOMPARE(::doubleListToStringList(2, {}), QStringList());
    }

    void stringListToDoubleList_data()
    {
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<QList<double>>("values");
        QTest::newRow("plain") << QStringList{"1.5", "-2", "3e2"} << QList<double>{1.5, -2, 300};
        QTest::newRow("blanks allowed") << QStringList{" 4.25 ", "\t7"} << QList<double>{4.25, 7};
        QTest::newRow("not numbers") << QStringList{"", "abc", "1,5", "1.2.3"}
                                     << QList<double>{0, 0, 0, 0};
    }
    void stringListToDoubleList()
    {
        QFETCH(QStringList, texts);
        QFETCH(QList<double>, values);
        QCOMPARE(::stringListToDoubleList(texts), values);
    }

    void sumDoubleList()
    {
        QCOMPARE(::sumDoubleList({}), 0.0);
        // Added in list order from 0.0: 1e16 + 1 + 1 loses both ones, unlike 1 + 1 + 1e16.
        QCOMPARE(::sumDoubleList({1e16, 1.0, 1.0}), 1e16);
        QCOMPARE(::sumDoubleList({1.0, 1.0, 1e16}), 1e16 + 2.0);
    }

    void kindLists()
    {
        QCOMPARE(fieldTypeList(), (QStringList{"油槽", "油槽-R", "干式炉", "干式炉-R", "手动"}));
#ifndef Q_OS_WIN
        QCOMPARE(criteriaTypeList(), (QStringList{"BRELK Vobre", "手动"}));
#else
        QCOMPARE(criteriaTypeList().last(), QStringLiteral("手动"));
#endif
    }

    void supportedModels()
    {
        const QStringList models = supportedAcquisitionModels();
        QCOMPARE(models.size(), 34);
        QCOMPARE(QSet<QString>(models.begin(), models.end()).size(), 34);
        QCOMPARE(models.first(), QStringLiteral("Vosk"));
        QCOMPARE(models.at(19), QStringLiteral("Mirat Plus"));
        QCOMPARE(models.at(22), QStringLiteral("Orvex-NTC-V1.1"));
        QCOMPARE(models.last(), QStringLiteral("Zenk"));
        const QStringList older = olderAcquisitionModels();
        QCOMPARE(older.size(), 10);
        for (const QString &o : older)
            QVERIFY(!models.contains(o));
    }

    // No config.ini: the 34 names are returned and written where configparser finds them.
    void enabledModelsWrittenOnFirstUse()
    {
        QCOMPARE(enabledAcquisitionModels(), supportedAcquisitionModels());
        const QString out = python(QStringLiteral(
            "import configparser\n"
            "c = configparser.ConfigParser(interpolation=None)\n"
            "c.optionxform = str\n"
            "c.read('config.ini', encoding='utf-8')\n"
            "print('\\n'.join(s.strip() for s in c['Acquisition']['Mode'].split(',')))\n"));
        QCOMPARE(out.split('\n', Qt::SkipEmptyParts), supportedAcquisitionModels());
        // The second call reads the same names back from the file.
        QCOMPARE(enabledAcquisitionModels(), supportedAcquisitionModels());
    }

    void enabledModelsFromFile_data()
    {
        QTest::addColumn<QString>("modeLine");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<bool>("rewritten");
        QTest::newRow("known, unknown and twice")
            << "159XA, Folen, NoSuchModel, Folen" << QStringList{"159XA", "Folen", "Folen"}
            << false;
        QTest::newRow("only unknown") << "Foo, Bar" << QStringList{} << false;
        QTest::newRow("case differs") << "vosk, Zenk" << QStringList{"Zenk"} << false;
        QTest::newRow("name with a blank") << "Mirat Plus" << QStringList{"Mirat Plus"} << false;
        QTest::newRow("empty value") << "" << supportedAcquisitionModels() << true;
    }
    void enabledModelsFromFile()
    {
        QFETCH(QString, modeLine);
        QFETCH(QStringList, expected);
        QFETCH(bool, rewritten);
        // Another key of the same file (a model alias) must survive a rewrite.
        python(QStringLiteral(
                   "import configparser\n"
                   "c = configparser.ConfigParser(interpolation=None)\n"
                   "c.optionxform = str\n"
                   "c['Acquisition'] = {'Mode': %1}\n"
                   "c['Name'] = {'Orvex-NTC': 'Orvex-NTC-V1'}\n"
                   "with open('config.ini', 'w', encoding='utf-8') as f: c.write(f)\n")
                   .arg(QStringLiteral("'") + modeLine + QStringLiteral("'")));
        const QByteArray before = readConfig();
        QCOMPARE(enabledAcquisitionModels(), expected);
        if (!rewritten) {
            QCOMPARE(readConfig(), before);
            return;
        }
        const QString out = python(QStringLiteral(
            "import configparser\n"
            "c = configparser.ConfigParser(interpolation=None)\n"
            "c.optionxform = str\n"
            "c.read('config.ini', encoding='utf-8')\n"
            "print(c['Name']['Orvex-NTC'])\n"
            "print(len(c['Acquisition']['Mode'].split(',')))\n"));
        QCOMPARE(out.split('\n', Qt::SkipEmptyParts), (QStringList{"Orvex-NTC-V1", "34"}));
    }
};

QTEST_GUILESS_MAIN(TestTerms)
#include "test_terms.moc"
