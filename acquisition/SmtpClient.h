#pragma once
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>

class QSslSocket;

// Where the alarm mail goes: the outgoing server and the one account it logs in with.
// The values live in "config.ini" (keys "Mail/Host", "Mail/Port", "Mail/User",
// "Mail/AuthCode", "Mail/SenderName") in the working folder; a missing key is written with
// its placeholder on first read.
struct MailServerSettings
{
    QString host;          // server host name, also sent after EHLO or HELO, and the name its
                           // certificate must carry when it offers STARTTLS
    quint16 port = 25;
    QByteArray user;       // account address, also the sender address
    QByteArray password;   // the account's authorisation code
    QString senderName;    // display name in the "from:" header
    int connectTimeoutMs = 5000;
    int replyTimeoutMs = 10000;   // a slow greeting must still be waited for
};

// Reads the mail server settings from "config.ini" in the working folder.
MailServerSettings mailServerSettings();

// A small blocking SMTP client: EHLO (HELO when the server refuses EHLO) and AUTH LOGIN with
// one account. When the server offers STARTTLS, TLS starts before the login and the server's
// certificate is verified against the system's CAs and the host name; a failed start or
// verification ends the session. A server that offers no STARTTLS is logged in to in plain.
// The constructor connects and logs in; the destructor says goodbye. Every reply is read
// to its final line and its code checked; a refused step ends the session.
// Blocks the calling thread; the socket belongs to that thread.
class SmtpClient
{
public:
    SmtpClient();
    explicit SmtpClient(const MailServerSettings &settings);
    ~SmtpClient();
    SmtpClient(const SmtpClient &) = delete;
    SmtpClient &operator=(const SmtpClient &) = delete;

    // One mail to one recipient. True when the server accepted the mail.
    bool sendMail(const QByteArray &to, const QString &subject, const QString &body);

    bool isLoggedIn() const { return loggedIn; }
    bool isConnected() const;
    QByteArray lastServerReply() const { return lastReply; }
    // Why the last step failed: the connection error, or the server's refusing reply (its
    // lines joined by blanks); empty while nothing failed.
    QString errorText() const { return lastError; }

private:
    int command(const QByteArray &line);
    int readReply();
    bool step(const QByteArray &line, int expectedCode);
    bool greet(const QByteArray &domain, bool *offersTls);
    bool startTls(const QByteArray &domain);
    void resetTransaction();

    QSslSocket *socket = nullptr;
    QByteArray user;
    QByteArray password;
    QByteArray lastReply;
    QString lastError;
    QByteArray pending;      // bytes received after the end of the last reply
    QString senderName;
    int replyTimeoutMs = 10000;
    bool loggedIn = false;
};

// Mails `body` under `subject` to every recipient (blanks around an address dropped) over
// the client's connection. False when the recipient list is empty, when the machine is off line (nothing is
// written then), when an empty address is met (recipients before it have been mailed,
// none after it) or when the server refused any mail; `error` (when given) then says why:
// the connection error or the server's reply.
bool sendAlarmMail(SmtpClient *client, const QStringList &recipients, const QString &subject,
                   const QString &body, QString *error = nullptr);

// The on-line test sendAlarmMail makes before writing anything: by default whether the
// machine has a route to the mail server. Tests inject their own; an empty function
// restores the default.
using MailOnlineCheck = std::function<bool(const SmtpClient &)>;
void setMailOnlineCheck(MailOnlineCheck check);
bool machineHasRouteToMailServer(const SmtpClient &client);

// The code of a server reply: the first three characters of its final line, when they are
// digits followed by a blank, "-" or the end of the line; otherwise 0 (a refusal). A blank
// final line or one with a leading blank gives 0.
int smtpReplyCode(const QByteArray &reply);
// Whether `text` is a mail address as the notification settings accept one: the whole text
// matches ^[A-Za-z0-9]+([_\.][A-Za-z0-9]+)*@([A-Za-z0-9\-]+\.)+[A-Za-z]{2,6}$ (so it holds no
// blank, no line end and one "@").
bool isMailAddress(const QString &text);
// The alarm-mail recipients of stored addresses (a stored or restored row may hold anything):
// the addresses in order up to, not including, the first that is not a mail address (an empty
// one ends the list too).
QStringList mailRecipients(const QStringList &addresses);

// Mail text as it goes on the wire: line ends made CRLF, lines starting with "." doubled.
QByteArray mailBodyForWire(const QString &body);
// A header or address value with every CR and LF removed.
QByteArray mailHeaderValue(const QByteArray &value);
