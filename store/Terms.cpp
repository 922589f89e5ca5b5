#include "Terms.h"

#include <algorithm>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QEventLoop>
#include <QTimer>
#include <QOperatingSystemVersion>
#include <QSerialPortInfo>
#include <QSet>
#include <QSettings>
#include <QThread>

namespace {

// The stored terms in matching order; both conversions walk this table from the top.
const char *const kStoredTerms[] = {
    QT_TRANSLATE_NOOP("QObject", "空"),
    QT_TRANSLATE_NOOP("QObject", "油槽"),
    QT_TRANSLATE_NOOP("QObject", "油槽-R"),
    QT_TRANSLATE_NOOP("QObject", "干式炉"),
    QT_TRANSLATE_NOOP("QObject", "干式炉-R"),
    QT_TRANSLATE_NOOP("QObject", "正常"),
    QT_TRANSLATE_NOOP("QObject", "无效"),
    QT_TRANSLATE_NOOP("QObject", "自动"),
    QT_TRANSLATE_NOOP("QObject", "手动"),
    QT_TRANSLATE_NOOP("QObject", "其他"),
    QT_TRANSLATE_NOOP("QObject", "串口"),
    QT_TRANSLATE_NOOP("QObject", "网络"),
    QT_TRANSLATE_NOOP("QObject", "蓝牙"),
    QT_TRANSLATE_NOOP("QObject", "快速"),
    QT_TRANSLATE_NOOP("QObject", "中速"),
    QT_TRANSLATE_NOOP("QObject", "慢速"),
    QT_TRANSLATE_NOOP("QObject", "默认"),
    QT_TRANSLATE_NOOP("QObject", "标准"),
    QT_TRANSLATE_NOOP("QObject", "热电偶"),
    QT_TRANSLATE_NOOP("QObject", "热敏电阻"),
    QT_TRANSLATE_NOOP("QObject", "铂电阻"),
    QT_TRANSLATE_NOOP("QObject", "直流电压"),
    QT_TRANSLATE_NOOP("QObject", "交流电压"),
    QT_TRANSLATE_NOOP("QObject", "电阻"),
    QT_TRANSLATE_NOOP("QObject", "频率"),
    QT_TRANSLATE_NOOP("QObject", "直流电流"),
    QT_TRANSLATE_NOOP("QObject", "交流电流"),
    QT_TRANSLATE_NOOP("QObject", "内部补偿"),
    QT_TRANSLATE_NOOP("QObject", "外部补偿"),
    QT_TRANSLATE_NOOP("QObject", "固定冷端"),
    QT_TRANSLATE_NOOP("QObject", "二线制"),
    QT_TRANSLATE_NOOP("QObject", "三线制"),
    QT_TRANSLATE_NOOP("QObject", "四线制"),
};

QString shown(const char *source)
{
    return QCoreApplication::translate("QObject", source);
}

const char *const kSupportedModels[] = {
    "Vosk", "Vosk-Plus", "Vosk-RTD", "Vosk-TC", "Vosk-NTC-32CH", "Vosk-NTC-36CH",
    "Vosk-RTD-36CH", "Vosk-12-4", "Pirl-Plus", "Pirl-Plus-NTC-32CH", "Pirl-Plus-RTD-32CH",
    "Jy14ND", "Jy14RD", "Jy18ND", "Jy18MD", "Jy18RD", "Jy224ND-P", "Jy228ND-P", "Pallu",
    "Mirat Plus", "Folen", "Orvex-NTC-V1", "Orvex-NTC-V1.1", "Orvex-NTC-V2", "Orvex-RTD-V1",
    "Orvex-RTD-V2", "Orvex-TC", "Orvex-VS", "Orvex-HT", "Orvex-PCR", "Gastu", "Dravo-NTC",
    "Dravo-RTD", "Zenk",
};

const char *const kOlderModels[] = {
    "Vosk-NTC", "Vosk-32CH", "Pirl", "Pirl-NTC-32CH", "Pirl-RTD-32CH", "Dravo", "1586A",
    "159XA", "Orvex-NTC", "Orvex-RTD",
};

template <size_t N>
QStringList toList(const char *const (&texts)[N])
{
    QStringList list;
    list.reserve(int(N));
    for (const char *t : texts)
        list << QString::fromUtf8(t);
    return list;
}

} // namespace

QStringList storedTerms()
{
    return toList(kStoredTerms);
}

QString translateTerm(QString stored)
{
    for (const char *term : kStoredTerms) {
        if (stored == QString::fromUtf8(term))
            return shown(term);
    }
    return stored;
}

QString untranslateTerm(QString shownText)
{
    for (const char *term : kStoredTerms) {
        if (shownText == shown(term))
            return QString::fromUtf8(term);
    }
    return shownText;
}

QStringList translateList(QStringList stored)
{
    for (QString &t : stored)
        t = translateTerm(t);
    return stored;
}

QStringList untranslateList(QStringList shownTexts)
{
    for (QString &t : shownTexts)
        t = untranslateTerm(t);
    return shownTexts;
}

QStringList supportedAcquisitionModels()
{
    return toList(kSupportedModels);
}

QStringList olderAcquisitionModels()
{
    return toList(kOlderModels);
}

QString acquisitionModelsFile()
{
    return QStringLiteral("config.ini");
}

QString acquisitionModelsKey()
{
    return QStringLiteral("/Acquisition/Mode");
}

QStringList enabledAcquisitionModels()
{
    const QStringList supported = supportedAcquisitionModels();
    const QStringList known = supported + olderAcquisitionModels();

    QSettings ini(acquisitionModelsFile(), QSettings::IniFormat);
    ini.setIniCodec("UTF-8");
    QStringList stored = ini.value(acquisitionModelsKey()).toStringList();
    // A key that holds nothing but blanks counts as an empty list.
    const bool empty = std::all_of(stored.cbegin(), stored.cend(),
                                   [](const QString &s) { return s.trimmed().isEmpty(); });
    if (empty) {
        ini.setValue(acquisitionModelsKey(), supported);
        return supported;  // the settings object writes the file when it goes
    }
    QStringList enabled;
    for (const QString &name : stored) {
        if (known.contains(name))
            enabled << name;
    }
    return enabled;
}

QStringList criteriaTypeList()
{
    QStringList kinds;
#ifdef Q_OS_WIN
    // Older Windows has no Bluetooth LE interface the thermometer can use.
    if (QOperatingSystemVersion::current() >= QOperatingSystemVersion::Windows10)
        kinds << QStringLiteral("BRELK Vobre");
#else
    // Elsewhere the Bluetooth layer decides when it scans.
    kinds << QStringLiteral("BRELK Vobre");
#endif
    kinds << QStringLiteral("手动");
    return kinds;
}

QStringList fieldTypeList()
{
    return {QStringLiteral("油槽"), QStringLiteral("油槽-R"), QStringLiteral("干式炉"),
            QStringLiteral("干式炉-R"), QStringLiteral("手动")};
}

QString quantityOfUnit(QString unit)
{
    static const struct {
        const char *quantity;
        QStringList units;
    } table[] = {
        {QT_TRANSLATE_NOOP("QObject", "温度"), {QStringLiteral("℃"), QStringLiteral("℉")}},
        {QT_TRANSLATE_NOOP("QObject", "湿度"), {QStringLiteral("%RH")}},
        {QT_TRANSLATE_NOOP("QObject", "压力"),
         {QStringLiteral("psi"), QStringLiteral("mbar"), QStringLiteral("bar"),
          QStringLiteral("Pa"), QStringLiteral("KPa"), QStringLiteral("MPa")}},
        {QT_TRANSLATE_NOOP("QObject", "电压"), {QStringLiteral("mV"), QStringLiteral("V")}},
        {QT_TRANSLATE_NOOP("QObject", "电阻"),
         {QStringLiteral("Ω"), QStringLiteral("kΩ"), QStringLiteral("MΩ")}},
        {QT_TRANSLATE_NOOP("QObject", "电流"),
         {QStringLiteral("μA"), QStringLiteral("mA"), QStringLiteral("A")}},
    };
    for (const auto &row : table) {
        if (row.units.contains(unit))
            return shown(row.quantity);
    }
    return shown(QT_TRANSLATE_NOOP("QObject", "其他"));
}

QStringList uniqueStringList(QStringList units)
{
    QStringList distinct;
    QSet<QString> seen;
    for (const QString &u : units) {
        if (!seen.contains(u)) {
            seen.insert(u);
            distinct << u;
        }
    }
    while (distinct.size() < 2)
        distinct << QString();
    if (distinct.size() == 2 && distinct.at(0) != QStringLiteral("℃")
        && distinct.at(0) != QStringLiteral("℉"))
        distinct.swapItemsAt(0, 1);
    return distinct;
}

QString boolListToString(QList<bool> flags)
{
    QStringList parts;
    parts.reserve(flags.size());
    for (bool f : flags)
        parts << (f ? QStringLiteral("true") : QStringLiteral("false"));
    return parts.join(QLatin1Char(','));
}

QList<bool> stringToBoolList(QString text)
{
    QList<bool> flags;
    const QStringList parts = text.split(QLatin1Char(','), Qt::KeepEmptyParts);
    flags.reserve(parts.size());
    for (const QString &p : parts)
        flags << (p == QLatin1String("true"));
    return flags;
}

QStringList doubleListToStringList(int precision, QList<double> values)
{
    QStringList texts;
    texts.reserve(values.size());
    for (double v : values)
        texts << QString::number(v, 'f', qMax(precision, 0));
    return texts;
}

QList<double> stringListToDoubleList(QStringList texts)
{
    QList<double> values;
    values.reserve(texts.size());
    for (const QString &t : texts)
        values << t.toDouble();  // C locale, blanks around allowed, 0.0 when not a number
    return values;
}

double sumDoubleList(QList<double> values)
{
    double sum = 0.0;
    for (double v : values)
        sum += v;
    return sum;
}

QString pathWithSuffix(const QString &path, const QString &suffix)
{
    if (path.isEmpty() || !QFileInfo(path).suffix().isEmpty())
        return path;
    return path + suffix;
}

QStringList availableSerialPorts()
{
    QStringList names;
    const auto ports = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo &info : ports)
        names << info.portName();
    std::sort(names.begin(), names.end());
    return names;
}

void delayMs(qint64 ms)
{
    if (ms <= 0)
        return;
    QElapsedTimer timer;
    timer.start();
    for (qint64 left = ms - timer.elapsed(); left > 0; left = ms - timer.elapsed())
        QThread::usleep(static_cast<unsigned long>(qMin<qint64>(left, 1) * 1000));
}

void waitDeliveringEvents(const std::function<bool()> &done)
{
    if (done())
        return;
    QEventLoop loop;
    QTimer poll;
    poll.setInterval(5);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&loop, &done] {
        if (done())
            loop.quit();
    });
    poll.start();
    loop.exec(QEventLoop::ExcludeUserInputEvents);
}
