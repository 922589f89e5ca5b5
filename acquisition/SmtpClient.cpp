#include "SmtpClient.h"

#include "ServerSettings.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDebug>
#include <QMutex>
#include <QMutexLocker>
#include <QNetworkInterface>
#include <QRegularExpression>
#include <QSslSocket>

namespace {

QMutex onlineCheckMutex;
MailOnlineCheck onlineCheck;

// Position just past the final line of the first complete reply in `data`, or -1.
// A reply's final line has a blank (or nothing) after its three-digit code; earlier
// lines of a multi-line reply have "-" there.
int endOfReply(const QByteArray &data)
{
    int start = 0;
    while (start < data.size()) {
        const int eol = data.indexOf('\n', start);
        if (eol < 0)
            return -1;
        QByteArray line = data.mid(start, eol - start);
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.size() < 4 || line.at(3) != '-')
            return eol + 1;
        start = eol + 1;
    }
    return -1;
}

// A server reply as one line of text: its lines joined by blanks.
QString serverReplyText(const QByteArray &reply)
{
    return QString::fromUtf8(reply).simplified();
}

} // namespace

int smtpReplyCode(const QByteArray &reply)
{
    // The final line: what follows the last line break, once the reply's own line end is gone.
    QByteArray text = reply;
    if (text.endsWith('\n'))
        text.chop(1);
    if (text.endsWith('\r'))
        text.chop(1);
    const int lastBreak = text.lastIndexOf('\n');
    const QByteArray line = lastBreak >= 0 ? text.mid(lastBreak + 1) : text;
    // Three digits at its very start, then a blank, "-" or nothing.
    if (line.size() < 3)
        return 0;
    for (int i = 0; i < 3; ++i) {
        if (line.at(i) < '0' || line.at(i) > '9')
            return 0;
    }
    if (line.size() > 3 && line.at(3) != ' ' && line.at(3) != '-')
        return 0;
    return line.left(3).toInt();
}

MailServerSettings mailServerSettings()
{
    // Placeholders (written on first read) until the installation sets the real account;
    // ".invalid" never resolves, so an unset site mails nobody by accident.
    MailServerSettings result;
    result.host = serverSetting(QStringLiteral("Mail/Host"),
                                QStringLiteral("smtp.vazuv.invalid")).toString();
    bool ok = false;
    const int port = serverSetting(QStringLiteral("Mail/Port"), 25).toInt(&ok);
    result.port = (ok && port > 0 && port < 65536) ? quint16(port) : quint16(25);
    result.user = serverSetting(QStringLiteral("Mail/User"),
                                QStringLiteral("alarm@vazuv.invalid")).toString().toUtf8();
    result.password = serverSetting(QStringLiteral("Mail/AuthCode"),
                                    QStringLiteral("abcdefghijklmnop")).toString().toUtf8();
    result.senderName = serverSetting(QStringLiteral("Mail/SenderName"),
                                      QStringLiteral("VAZUV")).toString();
    return result;
}

QByteArray mailHeaderValue(const QByteArray &value)
{
    QByteArray out = value;
    out.replace('\r', QByteArray());
    out.replace('\n', QByteArray());
    return out;
}

QByteArray mailBodyForWire(const QString &body)
{
    QByteArray text = body.toUtf8();
    text.replace("\r\n", "\n");
    text.replace('\r', '\n');
    const QList<QByteArray> lines = text.split('\n');
    QByteArray out;
    out.reserve(text.size() + lines.size() * 2);
    for (int i = 0; i < lines.size(); ++i) {
        if (i > 0)
            out += "\r\n";
        if (lines.at(i).startsWith('.'))
            out += '.';
        out += lines.at(i);
    }
    return out;
}

SmtpClient::SmtpClient()
    : SmtpClient(mailServerSettings())
{
}

SmtpClient::SmtpClient(const MailServerSettings &settings)
    : socket(new QSslSocket),
      user(settings.user),
      password(settings.password),
      senderName(settings.senderName),
      replyTimeoutMs(settings.replyTimeoutMs)
{
    socket->connectToHost(settings.host, settings.port, QIODevice::ReadWrite,
                          QAbstractSocket::AnyIPProtocol);
    if (!socket->waitForConnected(settings.connectTimeoutMs)) {
        qDebug() << "SMTP: connection to" << settings.host << settings.port << "failed:"
                 << socket->errorString();
        lastError = QCoreApplication::translate("SmtpClient", "连接%1:%2失败：%3")
                        .arg(settings.host)
                        .arg(settings.port)
                        .arg(socket->errorString());
        socket->abort();
        return;
    }
    const int greeting = readReply();
    if (greeting != 220) {
        if (greeting != 0)
            lastError = serverReplyText(lastReply);
        return;
    }
    const QByteArray domain = mailHeaderValue(settings.host.toUtf8());
    bool offersTls = false;
    if (!greet(domain, &offersTls))
        return;
    if (offersTls && !startTls(domain))
        return;
    if (!step("AUTH LOGIN\r\n", 334))
        return;
    if (!step(user.toBase64() + "\r\n", 334))
        return;
    if (!step(password.toBase64() + "\r\n", 235))
        return;
    loggedIn = true;
}

SmtpClient::~SmtpClient()
{
    if (isConnected()) {
        command("quit\r\n");
        socket->disconnectFromHost();
        if (socket->state() != QAbstractSocket::UnconnectedState)
            socket->waitForDisconnected(1000);
    }
    delete socket;
}

bool SmtpClient::isConnected() const
{
    return socket && socket->state() == QAbstractSocket::ConnectedState;
}

int SmtpClient::readReply()
{
    QDeadlineTimer deadline(replyTimeoutMs);
    int end = -1;
    for (;;) {
        if (socket->bytesAvailable() > 0)
            pending += socket->readAll();
        end = endOfReply(pending);
        if (end >= 0)
            break;
        if (!isConnected() || deadline.hasExpired()) {
            qDebug() << "SMTP: no complete reply; got" << pending;
            lastError = isConnected()
                ? QCoreApplication::translate("SmtpClient", "邮件服务器无回复")
                : QCoreApplication::translate("SmtpClient", "邮件服务器断开连接：%1")
                      .arg(socket->errorString());
            lastReply = pending;
            pending.clear();
            // The dialogue is out of step now; nothing more can be said on this link.
            socket->abort();
            return 0;
        }
        socket->waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime())));
    }
    lastReply = pending.left(end);
    pending.remove(0, end);
    qDebug() << "SMTP:" << lastReply;
    return smtpReplyCode(lastReply);
}

int SmtpClient::command(const QByteArray &line)
{
    if (!isConnected()) {
        if (lastError.isEmpty())
            lastError = QCoreApplication::translate("SmtpClient", "未连接邮件服务器");
        return 0;
    }
    socket->write(line);
    if (!socket->waitForBytesWritten(replyTimeoutMs) && socket->bytesToWrite() > 0) {
        qDebug() << "SMTP: write failed:" << socket->errorString();
        lastError = QCoreApplication::translate("SmtpClient", "邮件服务器断开连接：%1")
                        .arg(socket->errorString());
        socket->abort();
        return 0;
    }
    return readReply();
}

bool SmtpClient::step(const QByteArray &line, int expectedCode)
{
    const int code = command(line);
    if (code == expectedCode)
        return true;
    qDebug() << "SMTP: expected" << expectedCode << "got" << code;
    if (code != 0)
        lastError = serverReplyText(lastReply);
    return false;
}

bool SmtpClient::greet(const QByteArray &domain, bool *offersTls)
{
    *offersTls = false;
    const int code = command("EHLO " + domain + "\r\n");
    if (code == 0)
        return false;
    // A server that does not know the extensions is greeted as before.
    if (code != 250)
        return step("HELO " + domain + "\r\n", 250);
    // The extensions follow the code, one a line: "250-STARTTLS", "250 AUTH LOGIN PLAIN".
    for (const QByteArray &line : lastReply.split('\n')) {
        if (line.mid(4).trimmed().toUpper() == "STARTTLS")
            *offersTls = true;
    }
    return true;
}

bool SmtpClient::startTls(const QByteArray &domain)
{
    if (!QSslSocket::supportsSsl()) {
        lastError = QCoreApplication::translate("SmtpClient", "邮件服务器要求加密连接，本机不支持加密");
        socket->abort();
        return false;
    }
    if (!step("STARTTLS\r\n", 220))
        return false;
    // Nothing the server sent before TLS counts after it.
    pending.clear();
    // The default configuration: the system's CAs, the peer verified, its name checked
    // against the host connected to.
    socket->setPeerVerifyMode(QSslSocket::VerifyPeer);
    socket->startClientEncryption();
    if (!socket->waitForEncrypted(replyTimeoutMs)) {
        QStringList reasons;
        for (const QSslError &error : socket->sslHandshakeErrors())
            reasons << error.errorString();
        if (reasons.isEmpty())
            reasons << socket->errorString();
        qDebug() << "SMTP: TLS failed:" << reasons;
        lastError = QCoreApplication::translate("SmtpClient", "加密连接失败：%1")
                        .arg(reasons.join(QStringLiteral("; ")));
        socket->abort();
        return false;
    }
    // What the server offered in plain text no longer holds: greet it again under TLS.
    return step("EHLO " + domain + "\r\n", 250);
}

void SmtpClient::resetTransaction()
{
    // A refused transaction is cleared so that the next mail on this link starts afresh.
    if (isConnected())
        command("rset\r\n");
}

bool SmtpClient::sendMail(const QByteArray &to, const QString &subject, const QString &body)
{
    if (!loggedIn || !isConnected()) {
        qDebug() << "SMTP: not logged in; mail to" << to << "not sent";
        if (lastError.isEmpty())
            lastError = QCoreApplication::translate("SmtpClient", "未登录邮件服务器");
        return false;
    }
    const QByteArray recipient = mailHeaderValue(to);
    if (!step("mail from:<" + user + ">\r\n", 250)) {
        resetTransaction();
        return false;
    }
    const int rcptCode = command("rcpt to:<" + recipient + ">\r\n");
    if (rcptCode != 250 && rcptCode != 251) {
        qDebug() << "SMTP: recipient" << recipient << "refused:" << rcptCode;
        if (rcptCode != 0)
            lastError = serverReplyText(lastReply);
        resetTransaction();
        return false;
    }
    if (!step("data\r\n", 354)) {
        resetTransaction();
        return false;
    }
    QByteArray message;
    message += "from:" + mailHeaderValue(senderName.toUtf8()) + "<" + user + ">\r\n";
    message += "to:" + recipient + "\r\n";
    message += "subject:" + mailHeaderValue(subject.toUtf8()) + "\r\n";
    message += "\r\n";
    message += mailBodyForWire(body) + "\r\n";
    message += ".\r\n";
    // After the final "." the server has closed the transaction whatever it answers.
    return step(message, 250);
}

void setMailOnlineCheck(MailOnlineCheck check)
{
    QMutexLocker lock(&onlineCheckMutex);
    onlineCheck = std::move(check);
}

bool machineHasRouteToMailServer(const SmtpClient &client)
{
    // An open connection to the server is a route to it.
    if (client.isConnected())
        return true;
    const auto interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface &iface : interfaces) {
        const auto flags = iface.flags();
        if (!(flags & QNetworkInterface::IsUp) || !(flags & QNetworkInterface::IsRunning)
            || (flags & QNetworkInterface::IsLoopBack))
            continue;
        if (!iface.addressEntries().isEmpty())
            return true;
    }
    return false;
}

bool sendAlarmMail(SmtpClient *client, const QStringList &recipients, const QString &subject,
                   const QString &body, QString *error)
{
    if (error)
        error->clear();
    const auto fail = [error](const QString &why) {
        if (error)
            *error = why;
        return false;
    };
    if (!client)
        return fail(QString());
    if (recipients.isEmpty())
        return fail(QCoreApplication::translate("SmtpClient", "没有收件人"));
    MailOnlineCheck check;
    {
        QMutexLocker lock(&onlineCheckMutex);
        check = onlineCheck;
    }
    const bool online = check ? check(*client) : machineHasRouteToMailServer(*client);
    if (!online) {
        qDebug() << "SMTP: off line, alarm mail not sent";
        return fail(QCoreApplication::translate("SmtpClient", "没有网络连接"));
    }
    bool allSent = true;
    for (const QString &entry : recipients) {
        // Addresses typed as "a@x.com, b@y.com" keep a blank that the server would refuse.
        const QString recipient = entry.trimmed();
        if (recipient.isEmpty())
            return fail(QCoreApplication::translate("SmtpClient", "收件人地址为空"));
        if (!client->sendMail(recipient.toUtf8(), subject, body)) {
            allSent = false;
            if (error && error->isEmpty())
                *error = client->errorText();
        }
    }
    return allSent;
}

bool isMailAddress(const QString &text)
{
    // Anchored at the very end: a "$" would also match before a final line end.
    static const QRegularExpression pattern(QRegularExpression::anchoredPattern(
        QStringLiteral("[A-Za-z0-9]+([_\\.][A-Za-z0-9]+)*@([A-Za-z0-9\\-]+\\.)+[A-Za-z]{2,6}")));
    return pattern.match(text).hasMatch();
}

QStringList mailRecipients(const QStringList &addresses)
{
    QStringList recipients;
    for (const QString &address : addresses) {
        if (!isMailAddress(address))
            break;
        recipients.append(address);
    }
    return recipients;
}
