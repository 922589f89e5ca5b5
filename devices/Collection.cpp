#include "Collection.h"

#include "Comm.h"
#include "Terms.h"

#include <QDebug>
#include <QElapsedTimer>
#include <QMutexLocker>
#include <QThread>

#include <cmath>
#include <limits>

Collection::Collection(QObject *parent) : Device(parent)
{
    connected = false;
    receiveBuffer.clear();

    comm = new Comm(nullptr);
    thread = new QThread(nullptr);
    comm->moveToThread(thread);

    connect(this, &Collection::Open_signals, comm, &Comm::Open_slots);
    connect(this, &Collection::Write_signals, comm, &Comm::Write_slots);
    connect(this, &Collection::Close_signals, comm, &Comm::Close_slots);
    connect(thread, &QThread::finished, comm, &QObject::deleteLater);
    connect(comm, &Comm::State_signals, this, &Collection::State_slots);
    connect(comm, &Comm::Read_signals, this, &Collection::ReadData_slots);

    thread->start(QThread::InheritPriority);
}

Collection::~Collection()
{
    // The transport is deleted on its own thread when the thread finishes; its destructor
    // releases a link that is still open.
    thread->quit();
    thread->wait();
    delete thread;
    thread = nullptr;
    comm = nullptr;
}

void Collection::clearBuffer()
{
    QMutexLocker lock(&bufferMutex);
    receiveBuffer.clear();
    overflowTraced = false;
}

QByteArray Collection::takeBuffer()
{
    QMutexLocker lock(&bufferMutex);
    return receiveBuffer;
}

void Collection::State_slots(bool state)
{
    connected = state;
}

void Collection::ReadData_slots(QByteArray data)
{
    QMutexLocker lock(&bufferMutex);
    receiveBuffer.append(data);
    if (receiveBuffer.size() > receiveBufferLimit) {
        const int excess = receiveBuffer.size() - receiveBufferLimit;
        receiveBuffer.remove(0, excess);
        // One trace per filling: a device that keeps streaming must not flood the log.
        if (!overflowTraced) {
            overflowTraced = true;
            qDebug() << "接收缓存已满，丢弃最早的字节数：" << excess;
        }
    }
}

bool Collection::openLink(const QString &signalMode, const QString &ipCom,
                          const QString &portBaudRate, int polls, int stepMs)
{
    QMutexLocker lock(&exchangeMutex);
    const int ticket = ++openRequests;
    emit Open_signals(signalMode, ipCom, portBaudRate.toInt());
    const bool tcp = signalMode == QStringLiteral("网络");
    if (tcp || signalMode == QStringLiteral("蓝牙")) {
        // The transport tries each local address on the instrument's subnet for up to 3 s
        // before the unbound attempt; a Bluetooth LE link takes its connect and the steps after
        // it. Wait for the transport's verdict on this open (bounded by that), then for its
        // report to reach this driver.
        const qint64 linkMs = tcp ? qint64(qMax(1, Comm::localCandidates(ipCom).size())) * Comm::tcpAttemptMs
                                  : qint64(Comm::bleOpenBudgetMs());
        const qint64 bound = linkMs + qint64(polls) * stepMs;
        QElapsedTimer clock;
        clock.start();
        while (comm->openVerdicts() < ticket && clock.elapsed() < bound)
            delayMs(10);
        if (comm->openVerdicts() >= ticket && !comm->lastOpenSucceeded())
            return false;
    }
    for (int i = 0; i < polls; ++i) {
        if (connected)
            return true;
        delayMs(stepMs);
    }
    return connected;
}

bool Collection::closeLink(int polls, int stepMs)
{
    QMutexLocker lock(&exchangeMutex);
    emit Close_signals();
    for (int i = 0; i < polls; ++i) {
        if (!connected)
            return true;
        delayMs(stepMs);
    }
    return !connected;
}

bool Collection::writeBytes(const QByteArray &bytes)
{
    QMutexLocker lock(&exchangeMutex);
    clearBuffer();
    if (!connected)
        return false;
    emit Write_signals(bytes);
    return true;
}

bool Collection::sendText(const QString &command, int settleMs)
{
    QMutexLocker lock(&exchangeMutex);
    if (!writeBytes(command.toLatin1()))
        return false;
    delayMs(settleMs);
    return true;
}

bool Collection::readTextReply(QString &reply, int polls, int stepMs)
{
    QMutexLocker lock(&exchangeMutex);
    for (int i = 0; i < polls; ++i) {
        delayMs(stepMs);
        const QByteArray bytes = takeBuffer();
        QString text = QString::fromUtf8(bytes.constData());   // up to the first zero byte
        if (!text.endsWith(QLatin1Char('\n')))
            continue;
        text.remove(QLatin1Char('\r'));
        text.remove(QLatin1Char('\n'));
        if (text.isEmpty()) {
            clearBuffer();
            return false;
        }
        reply = text;
        return true;
    }
    qDebug() << "读取失败：" << takeBuffer();
    clearBuffer();
    return false;
}

bool Collection::readReplyLine(QString &line, int budgetMs, int stepMs, bool keepOnFailure)
{
    QMutexLocker lock(&exchangeMutex);
    QElapsedTimer timer;
    timer.start();
    do {
        delayMs(stepMs);
        const QByteArray bytes = takeBuffer();
        const QString text = QString::fromUtf8(bytes.constData());   // up to the first zero byte
        if (!text.endsWith(QLatin1Char('\n')))
            continue;
        QStringList lines = text.split(QLatin1Char('\n'));
        while (!lines.isEmpty()) {
            QString last = lines.takeLast();
            last.remove(QLatin1Char('\r'));
            if (!last.isEmpty()) {
                line = last;
                return true;
            }
        }
    } while (timer.elapsed() < budgetMs);
    qDebug() << "读取失败：" << takeBuffer();
    if (!keepOnFailure)
        clearBuffer();
    return false;
}

void Collection::setRecordStep(qint64 seconds)
{
    recordReader.setStep(seconds > 0 && seconds < qint64(1) << 40 ? seconds * 1000 : 0);
}

bool Collection::isNumberText(const QString &text)
{
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    return ok && std::isfinite(value);
}

bool Collection::sampleFieldValue(const QString &field, double &value)
{
    const QString text = field.trimmed();
    bool ok = false;
    const double number = text.toDouble(&ok);   // takes "nan", "inf", "-INF", ... as well
    if (ok && std::isfinite(number)) {
        value = number;
        return true;
    }
    QString word = text;
    if (word.startsWith(QLatin1Char('+')) || word.startsWith(QLatin1Char('-')))
        word.remove(0, 1);
    const bool noValue = ok || std::isinf(number)   // a non-finite or overflowing number
                         || word.compare(QLatin1String("nan"), Qt::CaseInsensitive) == 0
                         || word.compare(QLatin1String("infinity"), Qt::CaseInsensitive) == 0;
    if (!noValue)
        return false;
    value = std::numeric_limits<double>::quiet_NaN();
    return true;
}

QString Collection::sampleText(double value, int decimals)
{
    if (!std::isfinite(value))
        return QStringLiteral("nan");
    return QString::number(value, 'f', decimals);
}

bool Collection::checkCoefficientTexts(const ChannelRecord &row, const QStringList &texts,
                                       QString &error, bool correction)
{
    bool numbers = !correction || (std::isfinite(row.mxbM) && std::isfinite(row.mxbB));
    for (const QString &text : texts)
        numbers = numbers && (text.trimmed().isEmpty() || isNumberText(text));
    if (!numbers)
        error = row.channelNumber + tr(":系数不是数字！");
    return numbers;
}

void Collection::resetCoefficients(ChannelRecord &row)
{
    row.a_c0 = row.b_c1 = row.c_c2 = row.d_c3 = QStringLiteral("0");
    row.r0_c4 = row.a4_c5 = row.b4_c6 = QStringLiteral("0");
    row.mxbM = 1.0f;
    row.mxbB = 0.0f;
}

bool Collection::readWhole(ChannelRecord &row, const std::function<bool(ChannelRecord &)> &read)
{
    ChannelRecord copy = row;
    if (!read(copy))
        return false;
    row = copy;
    return true;
}

bool Collection::queryIdentity(QString &reply)
{
    QMutexLocker lock(&exchangeMutex);
    if (!sendCommand(QStringLiteral("*IDN?\r\n")))
        return false;
    if (!readReply(reply))
        return false;
    return reply.contains(QLatin1String("FLUKE"));
}

bool Collection::checkChannelOptions(const QList<ChannelRecord> &rows,
                                     const ChannelOptionMessages &messages, QString &error,
                                     const QList<int> &numbers)
{
    if (rows.isEmpty()) {
        error = messages.noChannels;
        return false;
    }
    for (const ChannelRecord &row : rows) {
        QString wrong;
        bool isInteger = false;
        const int number = row.channelNumber.trimmed().toInt(&isInteger);
        if (!numbers.isEmpty() && (!isInteger || !numbers.contains(number)))
            wrong = tr(":通道号错误！");
        else if (!typeList(row.channelNumber.toInt()).contains(row.type))
            wrong = messages.badType;
        else if (!functionList(row.type).contains(row.function))
            wrong = messages.badFunction;
        else if (!wiringList(row.type).contains(row.wireMode))
            wrong = messages.badWiring;
        else if (!unitList(row.type).contains(row.unit))
            wrong = messages.badUnit;
        else
            continue;
        error = row.channelNumber + wrong;
        return false;
    }
    return true;
}

bool Collection::checkChannelTable(
    const QList<ChannelRecord> &rows, const QList<int> &numbers, QString &error,
    const std::function<bool(const ChannelRecord &, QString &)> &rowCheck)
{
    if (!checkChannelOptions(rows,
                             {tr("通道未设置！"), tr(":类型错误！"), tr(":功能错误！"),
                              tr(":接线线制错误！"), tr(":单位错误！")},
                             error, numbers))
        return false;
    for (int i = 1; i < rows.size(); ++i) {
        if (rows[i].channelNumber.toInt() <= rows[i - 1].channelNumber.toInt()) {
            error = tr("通道号需要递增！");
            return false;
        }
    }
    QStringList units;
    for (const ChannelRecord &row : rows) {
        if (!units.contains(row.unit))
            units << row.unit;
    }
    if (units.size() > 2) {
        error = tr("单位不许超过2个！");
        return false;
    }
    for (const ChannelRecord &row : rows) {
        if (rowCheck && !rowCheck(row, error))
            return false;
    }
    return true;
}

bool Collection::closeRecord()
{
    recordReader.close();
    return true;
}

QStringList Collection::channelNumbersUpTo(int count, int maxCount)
{
    const int wanted = (count < 1 || count > maxCount) ? maxCount : count;
    QStringList numbers;
    for (int n = 1; n <= wanted; ++n)
        numbers << QString::number(100 + n);
    return numbers;
}

QStringList Collection::sharedFilterList()
{
    QStringList list;
    for (int i = 0; i < 16; ++i)
        list << QString::number(i);
    return list;
}

QString Collection::rateWord(const QString &scanRate)
{
    if (scanRate == QStringLiteral("快速"))
        return QStringLiteral("FAST");
    if (scanRate == QStringLiteral("中速"))
        return QStringLiteral("MED");
    if (scanRate == QStringLiteral("慢速"))
        return QStringLiteral("SLOW");
    return QString();
}

double Collection::rateScanInterval(const QString &scanRate)
{
    if (scanRate == QStringLiteral("快速"))
        return 0.35;
    if (scanRate == QStringLiteral("中速"))
        return 0.5;
    return 1.0;
}
