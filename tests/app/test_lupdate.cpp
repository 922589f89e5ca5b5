// The `lupdate` target's script, run on a copy of the sources and translation files: every
// text ends up in exactly one English file, finished translations are kept, and a folder's
// texts go to the pair of files that already holds their class.
#include <QDirIterator>
#include <QHash>
#include <QXmlStreamReader>
#include <QtTest>

namespace {
struct Message
{
    QString file;         // the .ts file that lists it
    QString translation;  // empty when unfinished
    bool finished = false;
};
using Key = QPair<QString, QString>;  // context, source text

// Every message of every *_en.ts file in `dir`, keyed by context and source text.
QMultiHash<Key, Message> englishMessages(const QString &dir)
{
    QMultiHash<Key, Message> all;
    const QStringList files = QDir(dir).entryList({QStringLiteral("*_en.ts")}, QDir::Files);
    for (const QString &name : files) {
        QFile file(dir + QLatin1Char('/') + name);
        if (!file.open(QIODevice::ReadOnly))
            continue;
        QXmlStreamReader xml(&file);
        QString context, source;
        while (!xml.atEnd()) {
            xml.readNext();
            if (!xml.isStartElement())
                continue;
            if (xml.name() == QLatin1String("name")) {
                context = xml.readElementText();
            } else if (xml.name() == QLatin1String("source")) {
                source = xml.readElementText();
            } else if (xml.name() == QLatin1String("translation")) {
                Message m;
                m.file = name;
                const QString type = xml.attributes().value(QStringLiteral("type")).toString();
                m.translation = xml.readElementText();
                m.finished = type.isEmpty() && !m.translation.isEmpty();
                all.insert(Key(context, source), m);
            }
        }
    }
    return all;
}

// Copies the files of `from` whose names match `filters` into `to`, keeping subfolders.
bool copyTree(const QString &from, const QString &to, const QStringList &filters)
{
    QDirIterator it(from, filters, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString target = to + QLatin1Char('/') + QDir(from).relativeFilePath(path);
        if (!QDir().mkpath(QFileInfo(target).path()) || !QFile::copy(path, target))
            return false;
    }
    return true;
}
}

class TestLupdate : public QObject
{
    Q_OBJECT

private slots:
    void everyTextInOneFile()
    {
        const QString source = QString::fromLocal8Bit(qgetenv("VAZUV_SOURCE_DIR"));
        QVERIFY(QFileInfo(source + QStringLiteral("/resources/lupdate.cmake")).isFile());
        QTemporaryDir copy;
        QVERIFY(copy.isValid());
        for (const char *area : {"platform", "store", "devices", "drivers", "config", "acquisition",
                                 "calibration", "reports", "app"}) {
            const QString folder = source + QLatin1Char('/') + QLatin1String(area);
            if (QFileInfo(folder).isDir())
                QVERIFY(copyTree(folder, copy.filePath(QLatin1String(area)),
                                 {QStringLiteral("*.cpp"), QStringLiteral("*.h"), QStringLiteral("*.ui")}));
        }
        QVERIFY(copyTree(source + QStringLiteral("/resources"), copy.filePath(QStringLiteral("resources")),
                         {QStringLiteral("*.ts"), QStringLiteral("lupdate.cmake")}));
        const QString translations = copy.filePath(QStringLiteral("resources/translations"));
        const QMultiHash<Key, Message> before = englishMessages(translations);
        QVERIFY(!before.isEmpty());

        QProcess cmake;
        cmake.setProcessChannelMode(QProcess::MergedChannels);
        cmake.start(QStringLiteral(VAZUV_CMAKE),
                    {QStringLiteral("-DLUPDATE=" VAZUV_LUPDATE), QStringLiteral("-DSRC=") + copy.path(),
                     QStringLiteral("-P"), copy.filePath(QStringLiteral("resources/lupdate.cmake"))});
        QVERIFY(cmake.waitForFinished(120000));
        const QByteArray output = cmake.readAll();
        QVERIFY2(cmake.exitStatus() == QProcess::NormalExit && cmake.exitCode() == 0, output.constData());

        const QMultiHash<Key, Message> after = englishMessages(translations);
        QVERIFY(!after.isEmpty());
        // No text listed twice: lrelease would merge them in an order nobody chose.
        for (const Key &key : after.uniqueKeys()) {
            const QList<Message> lists = after.values(key);
            QStringList files;
            for (const Message &m : lists)
                files << m.file;
            QVERIFY2(lists.size() == 1, qPrintable(key.first + QLatin1Char('/') + key.second + QStringLiteral(": ")
                                                   + files.join(QLatin1Char(' '))));
        }
        // A finished translation of a text still in the code stays, in the same file.
        for (auto it = after.cbegin(); it != after.cend(); ++it) {
            for (const Message &old : before.values(it.key())) {
                if (old.finished && old.file == it.value().file)
                    QCOMPARE(it.value().translation, old.translation);
            }
            bool wasElsewhere = false;
            for (const Message &old : before.values(it.key()))
                wasElsewhere = wasElsewhere || (old.finished && old.file != it.value().file);
            QVERIFY2(!wasElsewhere, qPrintable(it.key().first + QStringLiteral(" moved to ") + it.value().file));
        }
        // The settings page's texts stay beside the other texts of the shell's store files.
        const QList<Message> settings = after.values(Key(QStringLiteral("SystemSet"), QStringLiteral("设置成功！")));
        QCOMPARE(settings.size(), 1);
        QCOMPARE(settings.first().file, QStringLiteral("shell-store_en.ts"));
        QVERIFY(settings.first().finished);
    }
};

QTEST_MAIN(TestLupdate)
#include "test_lupdate.moc"
