#include "Update.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMessageBox>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QProcess>
#include <QProgressDialog>
#include <QPushButton>
#include <QSqlQuery>
#include <QTimer>
#include <QUrl>

#include "Halvoran.h"
#include "ServerSettings.h"

int Update::queryTimeoutMs = 15000;

Update::Update(QWidget *parent)
    : QObject(nullptr)
    , messageTitle(tr("提示"))
    , parentWidget(parent)
    , manager(new QNetworkAccessManager(this))
{
    launcher = [](const QString &installer) {
        QProcess::startDetached(installer, {QStringLiteral("-style"), QStringLiteral("fusion")});
        // Leaves every event loop; main() returns 0 and the window is destroyed normally.
        QCoreApplication::exit(0);
    };
}

Update::~Update()
{
    if (file) {
        file->close();
        delete file;
    }
    qDebug().noquote() << QStringLiteral("退出Update");
}

void Update::setInstallerLauncher(Launcher l)
{
    launcher = std::move(l);
}

void Update::inform(const QString &text)
{
    QMessageBox::information(parentWidget, messageTitle, text, QMessageBox::Ok);
}

bool Update::isSafeFileName(const QString &name)
{
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..")
           && !name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('\\'))
           && !name.contains(QLatin1Char(':')) && !name.contains(QChar(0));
}

void Update::checkForUpdate(QString product, QString query)
{
    QString productName = product;
    {
        // The row "Name" may give the product another name; a missing row adds nothing.
        QSqlQuery select;
        if (select.exec(QStringLiteral("select *from SystemSet where Name = 'Name'")) && select.next()) {
            const QString named = select.value(1).toString();
            if (!named.isEmpty())
                productName = named;
        }
    }

    const QUrl url(QStringLiteral("https://%1:%2/brelk/index.php/Home/Update/%3_64?%4")
                       .arg(updateServerHost())
                       .arg(updateServerPort())
                       .arg(productName, query),
                   QUrl::TolerantMode);

    QByteArray answer;
    bool answered = false;
    {
        QNetworkAccessManager queryManager;
        QNetworkReply *queryReply = queryManager.get(QNetworkRequest(url));
        QEventLoop loop;
        QTimer limit;
        limit.setSingleShot(true);
        connect(queryReply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
        connect(&limit, &QTimer::timeout, queryReply, &QNetworkReply::abort);
        limit.start(queryTimeoutMs);
        if (!queryReply->isFinished())
            loop.exec();
        answered = queryReply->error() == QNetworkReply::NoError;
        if (answered)
            answer = queryReply->readAll();
        else
            qDebug() << "update query failed:" << queryReply->errorString();
        delete queryReply;
    }

    QString text;
    const bool offered = answered ? parseUpdateReply(answer, text) : false;
    if (!answered)
        text = tr("服务器连接失败！");

    if (!offered) {
        inform(text);
        deleteLater();
        return;
    }
    QMessageBox box(QMessageBox::Warning, messageTitle, text, QMessageBox::NoButton, parentWidget);
    QPushButton *download = box.addButton(tr("下载"), QMessageBox::AcceptRole);
    box.addButton(tr("取消"), QMessageBox::RejectRole);
    box.setDefaultButton(download);
    box.exec();
    if (box.clickedButton() == download)
        startDownload();
    else
        deleteLater();
}

bool Update::parseUpdateReply(QByteArray bytes, QString &text)
{
    const QJsonDocument document = QJsonDocument::fromJson(bytes);
    if (document.isNull() || !document.isObject()) {
        text = tr("服务器连接失败！");
        return false;
    }
    const QJsonObject object = document.object();
    if (object.size() < 3) {
        text = tr("当前已是最新版本！");
        return false;
    }
    const QString latestVersion = object.value(QStringLiteral("latestVersion")).toString();
    const QString updateContent = object.value(QStringLiteral("updateContent")).toString();
    updateFileUrl = object.value(QStringLiteral("updateFileUrl")).toString();
    text = tr("有新版：") + latestVersion + tr("，是否更新？\n更新内容：\n") + updateContent;
    return true;
}

void Update::startDownload()
{
    if (updateFileUrl.isEmpty()) {
        inform(tr("下载地址为空！"));
        deleteLater();
        return;
    }
    const QUrl url = QUrl::fromUserInput(updateFileUrl);
    // The last segment of the path as sent, decoded: "..%2Fx" gives "../x", which is refused.
    const QString encodedName = url.path(QUrl::FullyEncoded).section(QLatin1Char('/'), -1);
    const QString name = QUrl::fromPercentEncoding(encodedName.toUtf8());
    if (!url.isValid() || url.scheme() != QLatin1String("https") || !isSafeFileName(name)) {
        qDebug() << "download address refused:" << updateFileUrl;
        inform(tr("下载地址无效！"));
        deleteLater();
        return;
    }

    const QString folder = QCoreApplication::applicationDirPath() + QStringLiteral("/Download");
    QDir().mkpath(folder);
    downloadPath = folder + QLatin1Char('/') + name;
    if (QFile::exists(downloadPath))
        QFile::remove(downloadPath);

    file = new QFile(downloadPath);
    if (!file->open(QIODevice::WriteOnly)) {
        delete file;
        file = nullptr;
        inform(tr("当前软件无写入权限！"));
        deleteLater();
        return;
    }

    downloadCancelled = false;
    writeFailed = false;
    progress = new QProgressDialog(tr("下载中..."), tr("取消"), 0, 100, parentWidget);
    progress->setWindowTitle(tr("下载"));
    progress->setAutoClose(false);
    progress->setAutoReset(false);
    progress->setMinimumDuration(0);
    progress->setModal(true);
    progress->setValue(0);
    connect(progress, &QProgressDialog::canceled, this, &Update::cancelDownload);
    progress->show();
    lengthKnown = false;
    contentLength = 0;

    reply = manager->get(QNetworkRequest(url));
    connect(reply, &QNetworkReply::readyRead, this, &Update::httpReadyRead_slots);
    connect(reply, &QNetworkReply::finished, this, &Update::httpFinished_slots);
}

void Update::httpReadyRead_slots()
{
    if (!reply)
        return;
    const QByteArray bytes = reply->readAll();
    if (!lengthKnown) {
        bool ok = false;
        contentLength = reply->rawHeader("Content-Length").trimmed().toLongLong(&ok);
        if (!ok || contentLength < 0)
            contentLength = 0;
        qDebug().noquote() << QStringLiteral("文件大小：") << contentLength;
        lengthKnown = true;
        if (progress && contentLength == 0)
            progress->setRange(0, 0);  // length unknown: a busy indicator
    }
    if (!file || !file->isOpen() || downloadCancelled || writeFailed)
        return;
    if (file->write(bytes) != bytes.size()) {
        qDebug() << "download write failed:" << file->errorString();
        writeFailed = true;
        reply->abort();
        return;
    }
    if (progress && contentLength > 0) {
        const qint64 percent = file->size() * 100 / contentLength;
        progress->setValue(static_cast<int>(qBound<qint64>(0, percent, 100)));
    }
}

void Update::cancelDownload()
{
    if (downloadCancelled)
        return;
    downloadCancelled = true;
    if (reply && reply->isRunning())
        reply->abort();  // finished() follows at once
    else
        endDownload();
}

void Update::endDownload()
{
    if (progress) {
        // May run inside the dialog's own canceled() signal: let it go after that.
        progress->hide();
        progress->deleteLater();
        progress = nullptr;
    }
    if (file) {
        file->close();
        delete file;
        file = nullptr;
    }
    if (reply) {
        reply->disconnect(this);
        reply->deleteLater();
        reply = nullptr;
    }
    deleteLater();
}

void Update::httpFinished_slots()
{
    qDebug().noquote() << QStringLiteral("下载完成:") + downloadPath;
    if (!reply)
        return;
    if (!downloadCancelled && reply->bytesAvailable() > 0)
        httpReadyRead_slots();

    const bool cancelled = downloadCancelled;
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const bool complete = !cancelled && !writeFailed && file && reply->error() == QNetworkReply::NoError
                          && status == 200 && (contentLength == 0 || file->size() == contentLength);
    if (!complete)
        qDebug() << "download incomplete:" << reply->errorString() << "status" << status
                 << "bytes" << (file ? file->size() : -1) << "of" << contentLength;
    if (file) {
        file->flush();
        file->close();
    }
    const QString installer = downloadPath;
    endDownload();

    if (cancelled) {
        QFile::remove(installer);
        return;
    }
    if (!complete) {
        QFile::remove(installer);
        inform(tr("下载失败！"));
        return;
    }
    QFile::setPermissions(installer, QFile::permissions(installer) | QFile::ExeOwner | QFile::ExeUser);
    // The installer replaces the program: not while a calibration runs.
    if (!applicationMayQuit())
        return;
    if (launcher)
        launcher(installer);
}
