#pragma once
// The update check: asks the update server over HTTPS whether a newer version exists, asks the
// user, downloads the installer into the "Download" folder beside the program, starts it and
// ends the program.

#include <functional>

#include <QObject>
#include <QProgressDialog>
#include <QPointer>
#include <QString>

class QFile;
class QNetworkAccessManager;
class QNetworkReply;
class QWidget;

class Update : public QObject
{
    Q_OBJECT
public:
    // `parent` is the parent of the message boxes and the progress dialog, not of the object:
    // the update deletes itself when its check or its download has ended.
    explicit Update(QWidget *parent);
    ~Update() override;

    void checkForUpdate(QString product, QString query);
    bool parseUpdateReply(QByteArray reply, QString &text);
    void startDownload();

    // A file name the download may be written under: not empty, ".", ".." or holding a path
    // separator.
    static bool isSafeFileName(const QString &name);

    // The longest wait for the server's answer to the query (15 s); it then counts as
    // unreachable.
    static int queryTimeoutMs;

    // Starts the downloaded installer and ends the program; by default it starts the file with
    // "-style fusion" and leaves the event loop with exit code 0.
    using Launcher = std::function<void(const QString &installer)>;
    void setInstallerLauncher(Launcher launcher);

    QString downloadFilePath() const { return downloadPath; }
    QProgressDialog *progressDialog() const { return progress; }

public slots:
    void httpFinished_slots();
    void httpReadyRead_slots();

private:
    void cancelDownload();
    void endDownload();
    void inform(const QString &text);

    QString messageTitle;
    qint64 contentLength = 0;
    bool lengthKnown = false;
    bool downloadCancelled = false;
    bool writeFailed = false;
    QFile *file = nullptr;
    QString updateFileUrl;
    QString downloadPath;
    QPointer<QWidget> parentWidget;
    QNetworkReply *reply = nullptr;
    QNetworkAccessManager *manager = nullptr;
    QPointer<QProgressDialog> progress;
    Launcher launcher;
};
