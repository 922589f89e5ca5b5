#include "Registry.h"

#include "Collection.h"

#include <QHash>
#include <QMutex>
#include <QMutexLocker>
#include <QSettings>
#include <QTextCodec>

// Generated from the REGISTER_COLLECTION lines of the build (see RegisteredCollections.cmake).
void registerBuiltInCollections();

namespace {
struct ModelEntry
{
    const char *model;
    const char *className;
};

// Model names in the order they are compared, and the driver class each one gives.
const ModelEntry modelTable[] = {
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
    {"Orvex-NTC", "CollectionOrvex_NTC"},
    {"Orvex-RTD", "CollectionOrvex_RTD"},
    {"空", "CollectionEmpty"},
};

struct Factories
{
    QMutex mutex;
    QHash<QString, CollectionFactory> byClass;
    bool builtInsDone = false;
};

Factories &factories()
{
    static Factories f;
    return f;
}

// The factory of a registered class, after the built-in registrations have run once.
CollectionFactory factoryOf(const QString &className)
{
    Factories &f = factories();
    {
        QMutexLocker lock(&f.mutex);
        if (f.builtInsDone)
            return f.byClass.value(className, nullptr);
    }
    // Registration takes the mutex itself; the built-ins run outside it, then mark done.
    registerBuiltInCollections();
    QMutexLocker lock(&f.mutex);
    f.builtInsDone = true;
    return f.byClass.value(className, nullptr);
}
} // namespace

void registerCollectionClass(const char *className, CollectionFactory factory)
{
    Factories &f = factories();
    QMutexLocker lock(&f.mutex);
    f.byClass.insert(QString::fromLatin1(className), factory);
}

QString resolveModelAlias(QString model)
{
    QSettings settings(QStringLiteral("config.ini"), QSettings::IniFormat);
    settings.setIniCodec(QTextCodec::codecForName("UTF-8"));
    const QString key = QStringLiteral("/Name/") + model;
    const QString alias = settings.value(key).toString();
    if (!alias.isEmpty())
        return alias;
    const QString defaultAlias = model + QStringLiteral("-V1");
    settings.setValue(key, defaultAlias);
    settings.sync();
    return defaultAlias;
}

QStringList registryModelNames()
{
    QStringList names;
    for (const ModelEntry &e : modelTable)
        names << QString::fromUtf8(e.model);
    return names;
}

QString registryClassName(const QString &model)
{
    for (const ModelEntry &e : modelTable) {
        if (model == QString::fromUtf8(e.model))
            return QString::fromLatin1(e.className);
    }
    return QString();
}

QStringList registeredCollectionClasses()
{
    factoryOf(QString());
    Factories &f = factories();
    QMutexLocker lock(&f.mutex);
    QStringList classes = f.byClass.keys();
    classes.sort();
    return classes;
}

Collection *createCollection(QString model)
{
    if (model == QStringLiteral("Orvex-NTC") || model == QStringLiteral("Orvex-RTD"))
        model = resolveModelAlias(model);
    const QString className = registryClassName(model);
    if (className.isEmpty())
        return nullptr;
    const CollectionFactory factory = factoryOf(className);
    return factory ? factory() : nullptr;
}

namespace {
// What a new driver of `model` answers, or `none` when the registry gives no driver for it.
template <typename T, typename Ask>
T askDriver(const QString &model, T none, Ask ask)
{
    Collection *driver = createCollection(model);
    const T answer = driver ? ask(*driver) : none;
    delete driver;
    return answer;
}
} // namespace

int modelChannelCount(const QString &model)
{
    return askDriver(model, 0, [](Collection &driver) { return driver.channelCount(); });
}

bool modelKeepsSingleCoefficients(const QString &model)
{
    return askDriver(model, false,
                     [](Collection &driver) { return driver.keepsSingleCoefficients(); });
}
