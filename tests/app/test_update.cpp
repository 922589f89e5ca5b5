// The update check against a stand-in update server on loopback HTTPS (Debian's python3 with a
// certificate made by openssl for the test, its CA given to the client).
#include <QElapsedTimer>
#include <QLabel>
#include <QProgressDialog>
#include <QSslConfiguration>
#include <QTcpServer>
#include <QTcpSocket>

#include "AboutUs.h"
#include "Database.h"
#include "Halvoran.h"
#include "ShellTestSupport.h"
#include "Update.h"

class FakeCalibrationPage : public QWidget
{
    Q_OBJECT
public:
    using QWidget::QWidget;
    Q_INVOKABLE bool isNotRunning() const { return !running; }
    bool running = true;
};

class TestUpdate : public QObject
{
    Q_OBJECT

    QTemporaryDir certDir;
    QProcess server;
    int port = 0;
    QSslConfiguration withCa;
    QSslConfiguration withoutCa;
    QString serverLog;
    QByteArray body;

    QStringList requests() const
    {
        QFile f(serverLog);
        if (!f.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts);
    }
    void clearRequests() { QFile::remove(serverLog); }

    QString downloadFolder() const { return QCoreApplication::applicationDirPath() + QStringLiteral("/Download"); }

    // A working folder whose config.ini points at `serverPort` and whose database is open.
    struct Site
    {
        WorkingFolder folder;
        Site(int serverPort, bool chinese = false)
        {
            QFile ini(folder.file(QStringLiteral("config.ini")));
            if (ini.open(QIODevice::WriteOnly))
                ini.write(QStringLiteral("[Update]\nHost=127.0.0.1\nPort=%1\n").arg(serverPort).toUtf8());
            ini.close();
            const QString db = folder.file(QStringLiteral("DAQ-Vemka.db3"));
            copyEmptyDatabase(db);
            if (chinese)
                sqlite(db, QStringLiteral("insert into SystemSet values('SystemLanguage','中文')"));
        }
        QString db() const { return folder.file(QStringLiteral("DAQ-Vemka.db3")); }
    };

    // Starts a download of `address` as if the server had offered it.
    Update *download(QWidget *parent, const QString &address, QStringList *launched)
    {
        auto *update = new Update(parent);
        update->setInstallerLauncher([launched](const QString &installer) { *launched << installer; });
        QString text;
        const QByteArray offer = QStringLiteral("{\"latestVersion\":\"V2\",\"updateContent\":\"x\",\"updateFileUrl\":\"%1\"}")
                                     .arg(address).toUtf8();
        if (!update->parseUpdateReply(offer, text))
            return nullptr;
        update->startDownload();
        return update;
    }

    QByteArray fileBytes(const QString &path) const
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(QSslSocket::supportsSsl());
        const QString cert = certDir.filePath(QStringLiteral("cert.pem"));
        const QString key = certDir.filePath(QStringLiteral("key.pem"));
        QProcess openssl;
        openssl.start(QStringLiteral("openssl"),
                      {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", key, "-out", cert,
                       "-days", "2", "-subj", "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1"});
        QVERIFY(openssl.waitForFinished(60000));
        QCOMPARE(openssl.exitCode(), 0);

        serverLog = certDir.filePath(QStringLiteral("requests.log"));
        server.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        server.start(QStringLiteral("/usr/bin/python3"),
                     {QString::fromLocal8Bit(qgetenv("VAZUV_SOURCE_DIR")) + QStringLiteral("/tests/app/update_server.py"),
                      cert, key, serverLog});
        QVERIFY(server.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(server.canReadLine(), 20000);
        const QByteArray line = server.readLine().trimmed();
        QVERIFY2(line.startsWith("PORT "), line.constData());
        port = line.mid(5).toInt();

        withoutCa = QSslConfiguration::defaultConfiguration();
        withCa = withoutCa;
        withCa.setCaCertificates(withCa.caCertificates() + QSslCertificate::fromPath(cert));
        QSslConfiguration::setDefaultConfiguration(withCa);

        for (int i = 0; i < 200000; ++i)
            body.append(char((i * 7 + 3) % 256));
        Halvoran::splashMilliseconds = 0;
        Update::queryTimeoutMs = 15000;
    }

    void cleanupTestCase()
    {
        server.kill();
        server.waitForFinished();
    }

    void cleanup()
    {
        QDir(downloadFolder()).removeRecursively();
        closeDatabaseConnection();
        clearRequests();
        QSslConfiguration::setDefaultConfiguration(withCa);
    }

    void parseReply_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<bool>("offered");
        QTest::addColumn<QString>("text");
        QTest::newRow("not JSON") << QByteArray("<html>") << false << "服务器连接失败！";
        QTest::newRow("array") << QByteArray("[1,2,3]") << false << "服务器连接失败！";
        QTest::newRow("empty object") << QByteArray("{}") << false << "当前已是最新版本！";
        QTest::newRow("two members") << QByteArray("{\"latestVersion\":\"V2\",\"updateFileUrl\":\"u\"}") << false << "当前已是最新版本！";
        QTest::newRow("full") << QByteArray("{\"latestVersion\":\"V2.0\",\"updateContent\":\"fixes\",\"updateFileUrl\":\"u\"}")
                              << true << "有新版：V2.0，是否更新？\n更新内容：\nfixes";
        QTest::newRow("any three") << QByteArray("{\"a\":1,\"b\":2,\"c\":3}") << true << "有新版：，是否更新？\n更新内容：\n";
    }
    void parseReply()
    {
        QFETCH(QByteArray, reply);
        QFETCH(bool, offered);
        QFETCH(QString, text);
        Update update(nullptr);
        QString out;
        QCOMPARE(update.parseUpdateReply(reply, out), offered);
        QCOMPARE(out, text);
    }

    void query_data()
    {
        QTest::addColumn<QString>("product");
        QTest::addColumn<QString>("message");
        QTest::newRow("not JSON") << "notjson" << "服务器连接失败！";
        QTest::newRow("JSON array") << "list" << "服务器连接失败！";
        QTest::newRow("two members") << "two" << "当前已是最新版本！";
        QTest::newRow("an offer") << "VAZUV" << "有新版：V9.9.9，是否更新？\n更新内容：\nfaster start";
    }
    void query()
    {
        QFETCH(QString, product);
        QFETCH(QString, message);
        Site site(port);
        QVERIFY(openDatabaseConnection(QString(), site.db()));
        const QString rows = sqlite(site.db(), QStringLiteral("select count(*) from SystemSet"));
        MessageBoxAnswerer answerer;
        answerer.answers = QStringList{QStringLiteral("取消")};
        QPointer<Update> update = new Update(nullptr);
        update->checkForUpdate(product, QStringLiteral("version=1.2.13"));
        QCOMPARE(answerer.texts(), QStringList{message});
        QCOMPARE(answerer.seen.at(0).title, QStringLiteral("提示"));
        QCOMPARE(requests(), QStringList{QStringLiteral("/brelk/index.php/Home/Update/%1_64?version=1.2.13").arg(product)});
        QTRY_VERIFY(!update);  // it goes once the check ends without a download
        // No row is added to the settings table.
        QCOMPARE(sqlite(site.db(), QStringLiteral("select count(*) from SystemSet")), rows);
    }

    void aboutDialogAsksWithItsVersion_data()
    {
        QTest::addColumn<QString>("version");
        QTest::addColumn<QString>("query");
        QTest::newRow("program version") << "V1.2.13" << "version=1.2.13";
        QTest::newRow("one character") << "V" << "version=";
    }
    void aboutDialogAsksWithItsVersion()
    {
        QFETCH(QString, version);
        QFETCH(QString, query);
        Site site(port);
        QVERIFY(openDatabaseConnection(QString(), site.db()));
        AboutUs about;
        auto *label = about.findChild<QLabel *>(QStringLiteral("label_2"));
        QCOMPARE(label->text(), QStringLiteral("版本：V1.0"));
        about.setVersion(version);
        QCOMPARE(label->text(), QStringLiteral("版本：") + version);
        auto *check = about.findChild<QPushButton *>(QStringLiteral("pushButton_UpData"));
        MessageBoxAnswerer answerer;
        answerer.answers = QStringList{QStringLiteral("取消")};
        bool enabledDuringCheck = true;
        answerer.onBox = [&] { enabledDuringCheck = check->isEnabled(); };
        QTest::mouseClick(check, Qt::LeftButton);
        QCOMPARE(answerer.seen.size(), 1);
        QVERIFY(!enabledDuringCheck);  // one check at a time
        QVERIFY(check->isEnabled());
        QCOMPARE(requests(), QStringList{QStringLiteral("/brelk/index.php/Home/Update/VAZUV_64?") + query});

        // Without the database the check is not offered.
        about.setUpdateEnabled(false);
        QVERIFY(!check->isEnabled());
    }

    void productFromTheNameRow()
    {
        Site site(port);
        sqlite(site.db(), QStringLiteral("insert into SystemSet values('Name','two')"));
        QVERIFY(openDatabaseConnection(QString(), site.db()));
        MessageBoxAnswerer answerer;
        (new Update(nullptr))->checkForUpdate(QStringLiteral("VAZUV"), QStringLiteral("version="));
        QCOMPARE(answerer.texts(), QStringList{QStringLiteral("当前已是最新版本！")});
        QCOMPARE(requests(), QStringList{QStringLiteral("/brelk/index.php/Home/Update/two_64?version=")});
    }

    void tlsErrorsAreNotIgnored()
    {
        QSslConfiguration::setDefaultConfiguration(withoutCa);
        Site site(port);
        QVERIFY(openDatabaseConnection(QString(), site.db()));
        MessageBoxAnswerer answerer;
        (new Update(nullptr))->checkForUpdate(QStringLiteral("VAZUV"), QStringLiteral("version=1"));
        QCOMPARE(answerer.texts(), QStringList{QStringLiteral("服务器连接失败！")});
        QVERIFY(requests().isEmpty());
    }

    void queryGivesUpAfterItsTimeLimit()
    {
        QTcpServer silent;  // accepts and never answers
        QVERIFY(silent.listen(QHostAddress::LocalHost, 0));
        QList<QTcpSocket *> held;
        connect(&silent, &QTcpServer::newConnection, [&] { held << silent.nextPendingConnection(); });
        Site site(silent.serverPort());
        QVERIFY(openDatabaseConnection(QString(), site.db()));
        Update::queryTimeoutMs = 1000;
        MessageBoxAnswerer answerer;
        QElapsedTimer timer;
        timer.start();
        (new Update(nullptr))->checkForUpdate(QStringLiteral("VAZUV"), QStringLiteral("version=1"));
        Update::queryTimeoutMs = 15000;
        QCOMPARE(answerer.texts(), QStringList{QStringLiteral("服务器连接失败！")});
        QVERIFY(timer.elapsed() >= 900);
        QVERIFY2(timer.elapsed() < 10000, qPrintable(QString::number(timer.elapsed())));
        QVERIFY(!held.isEmpty());
    }

    void download_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("complete");
        QTest::newRow("with length") << "files" << true;
        QTest::newRow("without length") << "nolength" << true;
        QTest::newRow("not found") << "missing" << false;
        QTest::newRow("closed mid-body") << "cut" << false;
    }
    void download()
    {
        QFETCH(QString, path);
        QFETCH(bool, complete);
        Site site(port);
        // A file of the same name is replaced from scratch.
        QDir().mkpath(downloadFolder());
        const QString target = downloadFolder() + QStringLiteral("/setup.bin");
        {
            QFile old(target);
            QVERIFY(old.open(QIODevice::WriteOnly));
            old.write(QByteArray(300000, 'z'));
        }
        QWidget parent;
        MessageBoxAnswerer answerer;
        QStringList launched;
        QPointer<Update> update = download(&parent, QStringLiteral("https://127.0.0.1:%1/%2/setup.bin?build=7").arg(port).arg(path), &launched);
        QVERIFY(update);
        QCOMPARE(update->downloadFilePath(), target);
        QTRY_VERIFY_WITH_TIMEOUT(!update, 20000);
        if (complete) {
            QCOMPARE(launched, QStringList{target});
            QVERIFY(answerer.seen.isEmpty());
            QCOMPARE(fileBytes(target), body);
            QVERIFY(QFileInfo(target).isExecutable());
        } else {
            QVERIFY(launched.isEmpty());
            QCOMPARE(answerer.texts(), QStringList{QStringLiteral("下载失败！")});
            QVERIFY(!QFile::exists(target));
        }
    }

    void refusedAddresses_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("message");
        QTest::newRow("empty") << "" << "下载地址为空！";
        QTest::newRow("dot dot slash") << "https://127.0.0.1:%1/files/..%2Fevil.bin" << "下载地址无效！";
        QTest::newRow("dot dot") << "https://127.0.0.1:%1/files/%2E%2E" << "下载地址无效！";
        QTest::newRow("backslash") << "https://127.0.0.1:%1/files/..%5Cevil.bin" << "下载地址无效！";
        QTest::newRow("no name") << "https://127.0.0.1:%1/files/" << "下载地址无效！";
        QTest::newRow("plain http") << "http://127.0.0.1:%1/files/setup.bin" << "下载地址无效！";
    }
    void refusedAddresses()
    {
        QFETCH(QString, address);
        QFETCH(QString, message);
        Site site(port);
        QWidget parent;
        MessageBoxAnswerer answerer;
        QStringList launched;
        QPointer<Update> update = download(&parent, address.contains("%1") ? address.arg(port) : address, &launched);
        QTRY_VERIFY(!update);
        QCOMPARE(answerer.texts(), QStringList{message});
        QVERIFY(launched.isEmpty());
        QVERIFY(requests().isEmpty());
        QVERIFY(!QFile::exists(QCoreApplication::applicationDirPath() + QStringLiteral("/evil.bin")));
        QVERIFY(QDir(downloadFolder()).entryList(QDir::Files).isEmpty());
    }

    void cancelStopsAndRemovesTheFile()
    {
        Site site(port);
        QWidget parent;
        MessageBoxAnswerer answerer;
        QStringList launched;
        QPointer<Update> update = download(&parent, QStringLiteral("https://127.0.0.1:%1/slow/setup.bin").arg(port), &launched);
        QVERIFY(update);
        const QString target = update->downloadFilePath();
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(target).size() > 0, 10000);
        QPointer<QProgressDialog> progress = update->progressDialog();
        QVERIFY(progress);
        QVERIFY(progress->isVisible());
        QPushButton *cancel = progress->findChild<QPushButton *>();
        QVERIFY(cancel);
        QCOMPARE(cancel->text(), QStringLiteral("取消"));
        QTest::mouseClick(cancel, Qt::LeftButton);
        QTRY_VERIFY(!update);
        QTRY_VERIFY(!progress);
        QVERIFY(!QFile::exists(target));
        QVERIFY(launched.isEmpty());
        QVERIFY(answerer.seen.isEmpty());
    }

    void wholeRunFromTheQuestion()
    {
        Site site(port);
        QVERIFY(openDatabaseConnection(QString(), site.db()));
        QWidget parent;
        MessageBoxAnswerer answerer;
        answerer.answers = QStringList{QStringLiteral("下载")};
        QStringList launched;
        QPointer<Update> update = new Update(&parent);
        update->setInstallerLauncher([&](const QString &installer) { launched << installer; });
        update->checkForUpdate(QStringLiteral("VAZUV"), QStringLiteral("version=1.2.13"));
        QTRY_VERIFY_WITH_TIMEOUT(!update, 20000);
        QCOMPARE(launched, QStringList{downloadFolder() + QStringLiteral("/setup.bin")});
        QCOMPARE(fileBytes(launched.value(0)), body);
        QCOMPARE(requests().size(), 2);
    }

    void noInstallerWhileACalibrationRuns()
    {
        Site site(port, true);
        Halvoran window;
        window.setPageBuilder(6, [](SystemSettings *, QWidget *parent) { return new FakeCalibrationPage(parent); });
        window.pt_ChannelCalibration_clicked();
        MessageBoxAnswerer answerer;
        QStringList launched;
        QPointer<Update> update = download(&window, QStringLiteral("https://127.0.0.1:%1/files/setup.bin").arg(port), &launched);
        QTRY_VERIFY_WITH_TIMEOUT(!update, 20000);
        QVERIFY(launched.isEmpty());
        QCOMPARE(answerer.texts(), QStringList{QStringLiteral("正在校准中！")});
        QVERIFY(window.currentPageWidget());
    }
};

QTEST_MAIN(TestUpdate)
#include "test_update.moc"
