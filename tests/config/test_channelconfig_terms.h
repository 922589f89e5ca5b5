#pragma once
// An English translation of a few stored terms, made for the test with lrelease, so that shown
// texts differ from stored texts the way they do under the English user interface.

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTranslator>

// Shown (English) text of each stored term the tests use.
inline QList<QPair<QString, QString>> testTermTranslations()
{
    return {{QStringLiteral("空"), QStringLiteral("None")},
            {QStringLiteral("热电偶"), QStringLiteral("Thermocouple")},
            {QStringLiteral("铂电阻"), QStringLiteral("PRT")},
            {QStringLiteral("二线制"), QStringLiteral("2-wire")},
            {QStringLiteral("三线制"), QStringLiteral("3-wire")},
            {QStringLiteral("四线制"), QStringLiteral("4-wire")},
            {QStringLiteral("内部补偿"), QStringLiteral("Internal")},
            {QStringLiteral("固定冷端"), QStringLiteral("Fixed cold junction")}};
}

// Builds the translation in `dir` and installs it into `translator`; false when lrelease fails.
inline bool installTestTerms(const QString &dir, QTranslator &translator)
{
    QString ts = QStringLiteral("<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<!DOCTYPE TS>\n"
                                "<TS version=\"2.1\" language=\"en\" sourcelanguage=\"zh_CN\">\n"
                                "<context><name>QObject</name>\n");
    for (const auto &term : testTermTranslations())
        ts += QStringLiteral("<message><source>%1</source><translation>%2</translation></message>\n")
                  .arg(term.first, term.second);
    ts += QStringLiteral("</context>\n</TS>\n");
    const QString tsPath = QDir(dir).filePath(QStringLiteral("terms_en.ts"));
    const QString qmPath = QDir(dir).filePath(QStringLiteral("terms_en.qm"));
    QFile file(tsPath);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(ts.toUtf8());
    file.close();
    QProcess lrelease;
    lrelease.start(QStringLiteral(VAZUV_TEST_LRELEASE), {QStringLiteral("-silent"), tsPath,
                                                         QStringLiteral("-qm"), qmPath});
    if (!lrelease.waitForFinished(30000) || lrelease.exitCode() != 0)
        return false;
    if (!translator.load(qmPath))
        return false;
    return QCoreApplication::installTranslator(&translator);
}
