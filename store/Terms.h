#pragma once
// Stored terms, the instrument model vocabulary, shared kind lists, small list conversions and
// the millisecond wait. Free functions without state.

#include <functional>

#include <QList>
#include <QString>
#include <QStringList>

// Stored terms: the 33 enumerated words kept in the database, the .ini files and the driver
// interface as their Chinese source texts, shown through the translator (context QObject).
QStringList storedTerms();
QString translateTerm(QString stored);
QString untranslateTerm(QString shown);
QStringList translateList(QStringList stored);
QStringList untranslateList(QStringList shown);

// The 34 supported acquisition-instrument models, in their fixed order.
QStringList supportedAcquisitionModels();
// The 10 older model names still accepted in "config.ini".
QStringList olderAcquisitionModels();
// The models enabled in "config.ini" (working directory), key "/Acquisition/Mode". When the key
// is missing or empty the 34 supported names are returned and written there.
QStringList enabledAcquisitionModels();
// The file and key that hold the enabled models.
QString acquisitionModelsFile();
QString acquisitionModelsKey();

// Reference-thermometer kinds: "BRELK Vobre" (where the system can offer Bluetooth LE), "手动".
QStringList criteriaTypeList();
// Temperature-source kinds: "油槽", "油槽-R", "干式炉", "干式炉-R", "手动".
QStringList fieldTypeList();
// The translated quantity word of a unit ("温度", "湿度", "压力", "电压", "电阻", "电流", "其他").
QString quantityOfUnit(QString unit);
// The distinct units in order of first appearance, padded with empty texts to at least two;
// of exactly two, a temperature unit comes first.
QStringList uniqueStringList(QStringList units);

// "true"/"false" joined with ","; the empty list gives the empty text.
QString boolListToString(QList<bool> flags);
// Split on "," keeping empty parts; a part is true exactly when it is "true".
QList<bool> stringToBoolList(QString text);
// Fixed-point texts with `precision` decimals.
QStringList doubleListToStringList(int precision, QList<double> values);
// C-locale decimal numbers; a text that is not a number gives 0.0.
QList<double> stringListToDoubleList(QStringList texts);
double sumDoubleList(QList<double> values);
// Names of the serial ports present, sorted by character code.
QStringList availableSerialPorts();
// A path chosen in a save dialog, with `suffix` (".ini", ".pdf", ...) added when its file name
// has none: not every file dialog adds its filter's suffix. A name with another suffix is kept.
QString pathWithSuffix(const QString &path, const QString &suffix);

// Waits at least `ms` milliseconds on the calling thread without processing events.
// Zero or negative returns at once. The processor is given back between checks.
void delayMs(qint64 ms);

// Waits on the calling thread until `done()` gives true, delivering that thread's events other
// than user input meanwhile (instrument replies, timers, queued signals), so that work on
// another thread that needs them can finish. `done` is polled every few milliseconds.
void waitDeliveringEvents(const std::function<bool()> &done);
