// The model registry: every listed model name, the two legacy names through "config.ini"
// (written and read back with Python's configparser), unknown names, and the registration of
// driver classes that no code names directly. This program refers to no driver class itself.
#include <QDir>
#include <QDirIterator>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

#include "Collection.h"
#include "Registry.h"

namespace {
QString classOf(Collection *c)
{
    return c ? QString::fromLatin1(c->metaObject()->className()) : QString();
}

// Runs a Python snippet with the system interpreter in the current folder; its stdout.
QString python(const QString &code, bool *ok)
{
    QProcess p;
    p.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), code});
    *ok = p.waitForFinished(20000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    if (!*ok)
        qWarning("%s", p.readAllStandardError().constData());
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

QString readAlias(const QString &model, bool *ok)
{
    return python(QStringLiteral("import configparser\n"
                                 "c = configparser.ConfigParser()\n"
                                 "c.optionxform = str\n"
                                 "c.read('config.ini', encoding='utf-8')\n"
                                 "print(c.get('Name', '%1', fallback='<missing>'))\n")
                      .arg(model),
                  ok);
}

bool writeAlias(const QString &model, const QString &alias)
{
    bool ok = false;
    python(QStringLiteral("import configparser\n"
                          "c = configparser.ConfigParser()\n"
                          "c.optionxform = str\n"
                          "c.read('config.ini', encoding='utf-8')\n"
                          "c.has_section('Name') or c.add_section('Name')\n"
                          "c.set('Name', '%1', '%2')\n"
                          "with open('config.ini', 'w', encoding='utf-8') as f:\n"
                          "    c.write(f)\n")
               .arg(model, alias),
           &ok);
    return ok;
}
} // namespace

class TestRegistry : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void everyListedName_data();
    void everyListedName();
    void namesInOrder();
    void unlistedNames_data();
    void unlistedNames();
    void everyRegistrationLineIsKept();
    void emptyModelGivesTheEmptyDriver();
    void legacyNameOnAFreshInstallation_data();
    void legacyNameOnAFreshInstallation();
    void legacyNameMappedToItself();
    void legacyNameMappedToABuiltDriver();
    void legacyNameMappedToAnUnlistedName();

private:
    std::unique_ptr<QTemporaryDir> dir;
    QString previousDir;
};

void TestRegistry::init()
{
    previousDir = QDir::currentPath();
    dir = std::make_unique<QTemporaryDir>();
    QVERIFY(dir->isValid());
    QVERIFY(QDir::setCurrent(dir->path()));
}

void TestRegistry::cleanup()
{
    QDir::setCurrent(previousDir);
    dir.reset();
}

void TestRegistry::everyListedName_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<QString>("className");
    const char *rows[][2] = {
        {"Vosk", "CollectionVosk"},
        {"Vosk-Plus", "CollectionVosk"},
        {"Vosk-RTD", "CollectionVosk_RTD"},
        {"Vosk-TC", "CollectionVosk_TC"},
        {"Vosk-NTC-32CH", "CollectionVosk_32_V1"},
        {"Vosk-NTC-36CH", "CollectionVosk_36_NTC_V1"},
        {"Vosk-RTD-36CH", "CollectionVosk_36_RTD_V1"},
        {"Vosk-12-4", "CollectionVosk_12_4"},
        {"Pirl-Plus", "CollectionVosk"},
        {"Pirl-Plus-NTC-32CH", "CollectionPirl_NTC"},
        {"Pirl-Plus-RTD-32CH", "CollectionPirl_RTD"},
        {"Jy224ND-P", "CollectionJy224ND"},
        {"Jy228ND-P", "CollectionJy228ND"},
        {"Jy14ND", "CollectionJy14ND"},
        {"Jy14RD", "CollectionJy14RD"},
        {"Jy18ND", "CollectionJy18ND"},
        {"Jy18MD", "CollectionJy18MD"},
        {"Jy18RD", "CollectionJy18RD"},
        {"Pallu", "CollectionPallu"},
        {"Mirat Plus", "CollectionMirat"},
        {"Folen", "CollectionFolen"},
        {"Orvex-NTC-V1", "CollectionOrvex_NTC_1"},
        {"Orvex-NTC-V1.1", "CollectionOrvex_NTC_1_1"},
        {"Orvex-NTC-V2", "CollectionOrvex_NTC"},
        {"Orvex-RTD-V1", "CollectionOrvex_RTD_1"},
        {"Orvex-RTD-V2", "CollectionOrvex_RTD"},
        {"Orvex-TC", "CollectionOrvex_TC_1"},
        {"Orvex-VS", "CollectionOrvex_VS"},
        {"Orvex-HT", "CollectionOrvex_HT"},
        {"Orvex-PCR", "CollectionOrvex_PCR_1"},
        {"Gastu", "CollectionGastu"},
        {"Dravo-NTC", "CollectionDravo"},
        {"Dravo-RTD", "CollectionDravo_RTD"},
        {"Zenk", "CollectionZenk"},
        {"Mirat", "CollectionMirat"},
        {"Vosk-NTC", "CollectionVosk"},
        {"Vosk-32CH", "CollectionVosk_32_V1"},
        {"Pirl", "CollectionVosk"},
        {"Pirl-NTC-32CH", "CollectionPirl_NTC"},
        {"Pirl-RTD-32CH", "CollectionPirl_RTD"},
        {"Dravo", "CollectionDravo"},
        {"1586A", "Collection1586A"},
        {"159XA", "Collection159XA"},
        {"空", "CollectionEmpty"},
    };
    for (const auto &row : rows)
        QTest::newRow(row[0]) << QString::fromUtf8(row[0]) << QString::fromLatin1(row[1]);
}

void TestRegistry::everyListedName()
{
    QFETCH(QString, model);
    QFETCH(QString, className);
    QCOMPARE(registryClassName(model), className);
    std::unique_ptr<Collection> driver(createCollection(model));
    if (registeredCollectionClasses().contains(className)) {
        QVERIFY2(driver, "a registered driver class was not created");
        QCOMPARE(classOf(driver.get()), className);
    } else {
        QVERIFY2(!driver, "a name without a built driver must give none");
    }
    // Listed names other than the two legacy ones never touch "config.ini".
    QVERIFY(!QFile::exists(QStringLiteral("config.ini")));
}

void TestRegistry::namesInOrder()
{
    const QStringList names = registryModelNames();
    QCOMPARE(names.size(), 46);
    QCOMPARE(names.first(), QStringLiteral("Vosk"));
    QCOMPARE(names.indexOf(QStringLiteral("1586A")), 41);
    QCOMPARE(names.at(43), QStringLiteral("Orvex-NTC"));
    QCOMPARE(names.at(44), QStringLiteral("Orvex-RTD"));
    QCOMPARE(names.last(), QStringLiteral("空"));
    QCOMPARE(registryClassName(QStringLiteral("Orvex-NTC")), QStringLiteral("CollectionOrvex_NTC"));
    QCOMPARE(registryClassName(QStringLiteral("Orvex-RTD")), QStringLiteral("CollectionOrvex_RTD"));
}

void TestRegistry::unlistedNames_data()
{
    QTest::addColumn<QString>("model");
    QTest::newRow("empty") << QString();
    QTest::newRow("unknown") << QStringLiteral("Vosk-99");
    QTest::newRow("legacy name in lower case") << QStringLiteral("orvex-ntc");
    QTest::newRow("trailing blank") << QStringLiteral("Vosk ");
    QTest::newRow("other case") << QStringLiteral("vosk");
    QTest::newRow("family base name") << QStringLiteral("CollectionOrvex");
}

void TestRegistry::unlistedNames()
{
    QFETCH(QString, model);
    QVERIFY(registryClassName(model).isEmpty());
    QVERIFY(createCollection(model) == nullptr);
    QVERIFY(!QFile::exists(QStringLiteral("config.ini")));
}

void TestRegistry::everyRegistrationLineIsKept()
{
    // Every class registered in the sources of this build is creatable, although the static
    // libraries hold them in object files that nothing else refers to.
    const QString root = QStringLiteral(VAZUV_SOURCE_DIR);
    QStringList folders{root + QStringLiteral("/devices")};
    for (const QString &sub : {QStringLiteral("text"), QStringLiteral("register")}) {
        if (QFile::exists(root + QStringLiteral("/drivers/") + sub + QStringLiteral("/CMakeLists.txt")))
            folders << root + QStringLiteral("/drivers/") + sub;
    }
    const QRegularExpression line(QStringLiteral("^\\s*REGISTER_COLLECTION\\s*\\(\\s*(\\w+)\\s*\\)"),
                                  QRegularExpression::MultilineOption);
    QStringList inSources;
    for (const QString &folder : folders) {
        const QStringList files = QDir(folder).entryList({QStringLiteral("*.cpp")}, QDir::Files);
        for (const QString &name : files) {
            QFile f(QDir(folder).filePath(name));
            QVERIFY(f.open(QIODevice::ReadOnly));
            auto it = line.globalMatch(QString::fromUtf8(f.readAll()));
            while (it.hasNext())
                inSources << it.next().captured(1);
        }
    }
    inSources.removeDuplicates();
    inSources.sort();
    QVERIFY(inSources.contains(QStringLiteral("CollectionEmpty")));
    QCOMPARE(registeredCollectionClasses(), inSources);

    // Each registered class is reached through a listed name.
    const QStringList names = registryModelNames();
    for (const QString &cls : inSources) {
        QString model;
        for (const QString &n : names) {
            if (registryClassName(n) == cls && n != QStringLiteral("Orvex-NTC")
                && n != QStringLiteral("Orvex-RTD")) {
                model = n;
                break;
            }
        }
        if (model.isEmpty())
            continue;   // a family base or a class no name lists
        std::unique_ptr<Collection> driver(createCollection(model));
        QVERIFY2(driver, qPrintable(model));
        QCOMPARE(classOf(driver.get()), cls);
    }
}

void TestRegistry::emptyModelGivesTheEmptyDriver()
{
    std::unique_ptr<Collection> a(createCollection(QStringLiteral("空")));
    std::unique_ptr<Collection> b(createCollection(QStringLiteral("空")));
    QVERIFY(a && b);
    QVERIFY(a.get() != b.get());   // a new object each time
    QCOMPARE(classOf(a.get()), QStringLiteral("CollectionEmpty"));
    QCOMPARE(a->channelCount(), 64);
    QVERIFY(a->parent() == nullptr);
    QVERIFY(!a->isConnected());
}

void TestRegistry::legacyNameOnAFreshInstallation_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<QString>("alias");
    QTest::addColumn<QString>("className");
    QTest::newRow("Orvex-NTC") << QStringLiteral("Orvex-NTC") << QStringLiteral("Orvex-NTC-V1")
                               << QStringLiteral("CollectionOrvex_NTC_1");
    QTest::newRow("Orvex-RTD") << QStringLiteral("Orvex-RTD") << QStringLiteral("Orvex-RTD-V1")
                               << QStringLiteral("CollectionOrvex_RTD_1");
}

void TestRegistry::legacyNameOnAFreshInstallation()
{
    QFETCH(QString, model);
    QFETCH(QString, alias);
    QFETCH(QString, className);
    QVERIFY(!QFile::exists(QStringLiteral("config.ini")));
    std::unique_ptr<Collection> driver(createCollection(model));
    QCOMPARE(classOf(driver.get()),
             registeredCollectionClasses().contains(className) ? className : QString());
    bool ok = false;
    QCOMPARE(readAlias(model, &ok), alias);
    QVERIFY(ok);
    // The stored default is used from then on, and not written again.
    QCOMPARE(resolveModelAlias(model), alias);
}

void TestRegistry::legacyNameMappedToItself()
{
    QVERIFY(writeAlias(QStringLiteral("Orvex-RTD"), QStringLiteral("Orvex-RTD")));
    QCOMPARE(resolveModelAlias(QStringLiteral("Orvex-RTD")), QStringLiteral("Orvex-RTD"));
    std::unique_ptr<Collection> driver(createCollection(QStringLiteral("Orvex-RTD")));
    const QString expected = registeredCollectionClasses().contains(QStringLiteral("CollectionOrvex_RTD"))
                                 ? QStringLiteral("CollectionOrvex_RTD")
                                 : QString();
    QCOMPARE(classOf(driver.get()), expected);
    bool ok = false;
    QCOMPARE(readAlias(QStringLiteral("Orvex-RTD"), &ok), QStringLiteral("Orvex-RTD"));
    QVERIFY(ok);
}

void TestRegistry::legacyNameMappedToABuiltDriver()
{
    // Any listed name may stand as an alias; with "空" the resolution is seen end to end.
    QVERIFY(writeAlias(QStringLiteral("Orvex-NTC"), QStringLiteral("空")));
    std::unique_ptr<Collection> driver(createCollection(QStringLiteral("Orvex-NTC")));
    QCOMPARE(classOf(driver.get()), QStringLiteral("CollectionEmpty"));
    // The other legacy name is untouched by it.
    QCOMPARE(resolveModelAlias(QStringLiteral("Orvex-RTD")), QStringLiteral("Orvex-RTD-V1"));
    bool ok = false;
    QCOMPARE(readAlias(QStringLiteral("Orvex-NTC"), &ok), QStringLiteral("空"));
    QVERIFY(ok);
}

void TestRegistry::legacyNameMappedToAnUnlistedName()
{
    QVERIFY(writeAlias(QStringLiteral("Orvex-NTC"), QStringLiteral("Orvex-NTC-V9")));
    QVERIFY(createCollection(QStringLiteral("Orvex-NTC")) == nullptr);
    bool ok = false;
    QCOMPARE(readAlias(QStringLiteral("Orvex-NTC"), &ok), QStringLiteral("Orvex-NTC-V9"));
    QVERIFY(ok);
}

QTEST_GUILESS_MAIN(TestRegistry)
#include "test_registry.moc"
