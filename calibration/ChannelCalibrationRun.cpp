// The measuring side of the calibration page: the automatic run over the set points, the
// manual run point by point, batches, stability and delay waits, pause and "结束".
//
// Every step that talks to a device runs on the page's worker; widgets are changed only on
// the GUI thread (queued signals and queued steps), and the fit runs there too, once the
// worker has ended.

#include "ChannelCalibration.h"
#include "ui_ChannelCalibration.h"

#include <QDebug>
#include <QInputDialog>
#include <QMutexLocker>
#include <QTime>

#include <cmath>

#include "Collection.h"
#include "Criteria.h"
#include "Field.h"

namespace {
QString timeOfDay()
{
    return QTime::currentTime().toString(QStringLiteral("hh:mm:ss"));
}

QString temperatureText(double t)
{
    return QString::number(t, 'f', 4);
}
} // namespace

// --- steps of the workers --------------------------------------------------------------------

bool ChannelCalibration::openDevices()
{
    for (int slot = 0; slot < collections.size(); ++slot) {
        Collection *collection = collections.at(slot);
        if (!collection)
            continue;
        const AcquisitionDeviceRecord &device = slotDevices.at(slot);
        if (!collection->open(device.signalMode, device.ipCom, device.portBaudRate))
            return false;
    }
    log(tr("采集器连接成功！"));
    if (field) {
        if (!field->open(fieldLink->mode, fieldLink->address, fieldLink->portBaudRate)
            || !field->startOutput())
            return false;
        log(tr("温场设备连接成功！"));
    }
    if (!criteria)
        return true;
    if (!criteria->open(criteriaLink->mode, criteriaLink->address, criteriaLink->portBaudRate)
        || !criteria->setChannelConfig(ChannelRecord()))
        return false;
    log(tr("标准器连接成功！"));
    return true;
}

bool ChannelCalibration::setChannelParameters()
{
    // The instruments report raw values: resistance for thermistors and platinum, °C for
    // thermocouples, without correction.
    QList<QList<ChannelRecord>> raw = channels;
    for (QList<ChannelRecord> &slot : raw) {
        for (ChannelRecord &record : slot) {
            if (record.type == QStringLiteral("热敏电阻") || record.type == QStringLiteral("铂电阻"))
                record.unit = QStringLiteral("Ohm");
            else if (record.type == QStringLiteral("热电偶"))
                record.unit = QStringLiteral("℃");
            record.mxbM = 1.0f;
            record.mxbB = 0.0f;
        }
    }
    for (int slot = 0; slot < collections.size(); ++slot) {
        Collection *collection = collections.at(slot);
        if (!collection)
            continue;
        if (!collection->configureChannels(slotDevices.at(slot).scanRate, raw.value(slot))) {
            // A row the instrument cannot read raw (a three-wire resistance on the 1586A): the
            // log says which channel and why.
            const QString why = collection->setupRefusal();
            if (!why.isEmpty())
                log(tr("采集设备") + QString::number(slot + 1) + QStringLiteral(": ") + why);
            return false;
        }
    }
    log(tr("通道参数设置成功！"));
    return true;
}

bool ChannelCalibration::closeDevices()
{
    for (int slot = 0; slot < collections.size(); ++slot) {
        Collection *collection = collections.at(slot);
        if (!collection)
            continue;
        if (collection->isConnected())
            collection->close();
        log(tr("采集设备") + QString::number(slot + 1) + tr("断开连接。"));
    }
    if (criteria) {
        if (criteria->isConnected())
            criteria->close();
        log(tr("温度标准断开连接。"));
    }
    if (field) {
        if (field->isConnected())
            field->close();
        log(tr("温场设备断开连接。"));
    }
    return true;
}

bool ChannelCalibration::readCollections(QStringList &values)
{
    values.clear();
    for (int slot = 0; slot < collections.size(); ++slot) {
        Collection *collection = collections.at(slot);
        if (collection && !channels.value(slot).isEmpty()
            && (!collection->requestValues() || !running.isSet()))
            return false;
    }
    for (int slot = 0; slot < collections.size(); ++slot) {
        Collection *collection = collections.at(slot);
        if (!collection || channels.value(slot).isEmpty())
            continue;
        QStringList slotValues;
        if (!collection->fetchValues(slotValues) || !running.isSet())
            return false;
        // A reading short or long would shift every later channel onto another's data.
        if (slotValues.size() != channels.at(slot).size()) {
            qDebug() << "采集设备" << slot + 1 << "读数个数" << slotValues.size() << "与通道数"
                     << channels.at(slot).size() << "不符";
            return false;
        }
        values += slotValues;
    }
    return !values.isEmpty();
}

bool ChannelCalibration::waitFieldStable(double setPoint)
{
    if (!field->setTemperature(setPoint))
        return false;
    log(timeOfDay() + tr(": 温场稳定等待中..."));
    bool stable = false;
    bool answered = true;
    do {
        for (int step = 0; step < waits.stableSteps; ++step) {
            if (!running.sleep(waits.stableStepMs))
                return false;
        }
        stable = false;
        answered = field->isStable(stable);
        if (!running.isSet())
            return false;
    } while (!stable && answered);
    if (!answered)
        return false;
    log(timeOfDay() + tr("温场已稳定。") + QLatin1Char('\n'));
    return true;
}

bool ChannelCalibration::waitFieldDelay()
{
    log(timeOfDay() + tr(": 温场稳定延迟等待中..."));
    return running.sleep(qint64(qMax(0, fieldDelay)) * waits.delayMinuteMs);
}

bool ChannelCalibration::waitBatchChange()
{
    waitingBatchChange = true;
    emit MessageBox_signals(tipTitle, tr("请更换通道后点击确定按钮！"));
    while (waitingBatchChange) {
        if (!running.sleep(100))
            return false;
    }
    return running.isSet();
}

bool ChannelCalibration::logData(int batch, QString reference, QStringList readings)
{
    log(tr("批次") + QString::number(batch + 1) + tr("标准:") + reference);
    for (int k = 0; k < readings.size(); ++k)
        log(channelLabel(batch * maxChannels + k) + QLatin1Char(':') + readings.at(k));
    log(QString());
    return true;
}

void ChannelCalibration::takeBatch(int batch, double reference, const QStringList &values,
                                   QStringList &references, QStringList &data)
{
    const QString text = temperatureText(reference);
    const QStringList readings = values.mid(batch * maxChannels, maxChannels);
    references.append(text);
    data.append(readings.join(QLatin1Char(',')));
    logData(batch, text, readings);
}

void ChannelCalibration::commitPoint(int point, const QStringList &references,
                                     const QStringList &data)
{
    QMutexLocker lock(&dataLock);
    const QString joined = references.join(QLatin1Char(','));
    if (point < calibrationCriteria.size())
        calibrationCriteria[point] = joined;
    else
        calibrationCriteria.append(joined);
    calibrationData[point] = data;
    qDebug() << "标准温度：" << calibrationCriteria;
    qDebug() << "通道数据：" << calibrationData.at(point);
}

bool ChannelCalibration::measurePoint(int point, QString &message)
{
    if (!waitFieldStable(targetTemperatures.at(point))) {
        message = tr("温场设备设置失败!");
        return false;
    }
    log(tr("温度点") + QString::number(point + 1));
    QStringList references, data;
    for (int b = 0; b < batchCount; ++b) {
        if (!waitFieldDelay() || !measureBatch(b, references, data, message))
            return false;
    }
    commitPoint(point, references, data);
    return true;
}

bool ChannelCalibration::measureBatch(int batch, QStringList &references, QStringList &data,
                                      QString &message)
{
    QStringList values;
    if (!readCollections(values)) {
        message = tr("采集器阻值获取失败!");
        return false;
    }
    double reference = 0.0;
    if (!criteria->readTemperature(reference)) {
        message = tr("获取标准温度失败!");
        return false;
    }
    // A point stopped meanwhile is dropped, never half kept.
    if (!running.isSet())
        return false;
    takeBatch(batch, reference, values, references, data);
    // Also after the last batch, so that the first batch is in place for the next point.
    return batchCount == 1 || waitBatchChange();
}

bool ChannelCalibration::measureZeroPoint(int point, QString &message)
{
    log(tr("温度点") + QString::number(point + 1));
    QStringList references, data;
    for (int b = 0; b < batchCount; ++b) {
        // The set point is moved by the reference's deviation until the reference reads
        // within 0.015 °C of zero, at most three times.
        double setPoint = 0.0;
        for (int attempt = 0; attempt < 3; ++attempt) {
            if (!waitFieldStable(setPoint)) {
                message = tr("温场设备设置失败!");
                return false;
            }
            if (!waitFieldDelay())
                return false;
            double deviation = 0.0;
            if (!criteria->readTemperature(deviation)) {
                message = tr("获取标准温度失败!");
                return false;
            }
            log(tr("标准:") + QString::number(deviation, 'g', 6));
            if (std::fabs(deviation) < 0.015)
                break;
            setPoint -= deviation;
        }
        if (!measureBatch(b, references, data, message))
            return false;
    }
    commitPoint(point, references, data);
    return true;
}

// --- automatic run --------------------------------------------------------------------------

void ChannelCalibration::runCalibration()
{
    QString message = tr("校准结束退出!");
    if (!openDevices()) {
        message = tr("设备连接失败!");
    } else if (!field->startOutput()) {
        message = tr("温场设备设置失败!");
    } else if (!setChannelParameters()) {
        message = tr("采集设备设置失败!");
    } else {
        for (int p = pointsDone(); p < targetTemperatures.size(); ++p) {
            const bool zeroPoint = channelMode == QStringLiteral("铂电阻")
                                   && std::fabs(targetTemperatures.at(p)) <= 0.01;
            if (!(zeroPoint ? measureZeroPoint(p, message) : measurePoint(p, message)))
                break;
            emit WriteConfig_signals();
            if (changeLiquid.value(p)) {
                message = tr("请更换液体!");
                break;
            }
        }
    }
    closeDevices();
    emit RunEnded_signals(message);
}

void ChannelCalibration::RunEnded_slots(QString message)
{
    // The worker has done its last step: what remains happens here, on the GUI thread.
    const bool byOperator = !running.isSet();
    const bool save = endRequested
                      || (pointsDone() > 0 && pointsDone() >= targetTemperatures.size());
    endRequested = false;
    setControlsEnabled(false);
    if (closing)
        return;
    if (save)
        Save_slots();
    setStartCaption();
    if (!byOperator) {
        log(message);
        showInformation(message);
    }
}

// --- manual run -----------------------------------------------------------------------------

void ChannelCalibration::connectDevices()
{
    QString failure;
    if (!openDevices())
        failure = tr("设备连接失败!");
    else if (!setChannelParameters())
        failure = tr("采集设备设置失败!");
    onGui([this, failure] {
        ui->pushButton_Open->setEnabled(true);
        if (!failure.isEmpty()) {
            setControlsEnabled(false);
            showInformation(failure);
            return;
        }
        const int done = pointsDone();
        if (done > 9) {
            setControlsEnabled(false);
            showInformation(tr("数据异常!"));
            return;
        }
        ui->pushButton_Open->setText(startCaptions.at(1));
        for (int p = 0; p < done; ++p)
            pointButtons.at(p)->setText(resampleText);
        for (int p = 0; p <= done && p < pointButtons.size(); ++p)
            pointButtons.at(p)->setEnabled(true);
    });
}

void ChannelCalibration::Temp_Clicked(int point)
{
    if (field) {
        showInformation(tr("当前为自动模式，此按钮不可用!"));
        return;
    }
    // While a point runs, only its own button is enabled, and only while its next batch is
    // awaited; any other click (one queued before the buttons were disabled) is no request.
    const bool nextBatch = runningPoint >= 0;
    if (nextBatch && (point != runningPoint || !waitingNextBatch))
        return;
    if (!criteria) {
        bool ok = false;
        const double typed = QInputDialog::getDouble(this, tr("标准"), tr("请输入标准温度："), 0.1,
                                                     -120, 3000, 4, &ok);
        if (!ok)
            return;
        manualTemperature = typed;
    }
    if (nextBatch) {
        // The running point goes on with its next batch; no second worker is started.
        if (runningPoint != point || !waitingNextBatch)
            return;
        pointButtons.at(point)->setEnabled(false);
        waitingNextBatch = false;
        running.wake();
        return;
    }
    ui->pushButton_Open->setEnabled(false);
    ui->pushButton_Close->setEnabled(false);
    for (QPushButton *button : qAsConst(pointButtons))
        button->setEnabled(false);
    runningPoint = point;
    waitingNextBatch = false;
    log(tr("温度点") + QString::number(point + 1));
    startWorker([this, point] { readPoint(point); });
}

void ChannelCalibration::readPoint(int point)
{
    QStringList references, data;
    QString failure;
    bool measured = true;
    for (int b = 0; b < batchCount && measured; ++b) {
        while (waitingNextBatch && measured)
            measured = running.sleep(10);
        if (!measured)
            break;
        QStringList values;
        if (!readCollections(values)) {
            failure = running.isSet() ? tr("采集器数据获取失败!") : QString();
            measured = false;
            break;
        }
        double reference = manualTemperature;
        if (criteria && !criteria->readTemperature(reference)) {
            failure = tr("获取标准温度失败!");
            measured = false;
            break;
        }
        takeBatch(b, reference, values, references, data);
        if (b + 1 == batchCount)
            break;
        // The operator rewires the sensors and starts the next batch with this point's button.
        waitingNextBatch = true;
        const QString next = tr("批次") + QString::number(b + 2);
        onGui([this, point, next] {
            pointButtons.at(point)->setText(next);
            pointButtons.at(point)->setEnabled(true);
        });
    }
    onGui([this, point, measured, references, data, failure] {
        pointEnded(point, measured, references, data, failure);
    });
}

void ChannelCalibration::pointEnded(int point, bool measured, QStringList references,
                                    QStringList data, QString failure)
{
    waitingNextBatch = false;
    runningPoint = -1;
    const int doneBefore = pointsDone();
    if (measured) {
        commitPoint(point, references, data);
        saveState();
    }
    if (closing)
        return;
    ui->pushButton_Open->setEnabled(true);
    ui->pushButton_Close->setEnabled(true);
    const int done = pointsDone();
    for (int p = 0; p <= done && p < pointButtons.size(); ++p)
        pointButtons.at(p)->setEnabled(true);
    if (measured) {
        pointButtons.at(point)->setText(resampleText);
        pointButtons.at(qMin(point + 1, pointButtons.size() - 1))->setEnabled(true);
    } else {
        const bool resampled = point < doneBefore;
        pointButtons.at(point)->setText(resampled ? resampleText
                                                  : tr("温度点") + QString::number(point + 1));
        if (resampled && point + 1 < pointButtons.size())
            pointButtons.at(point + 1)->setEnabled(true);
    }
    if (!failure.isEmpty())
        showInformation(failure);
}

// --- pause and end --------------------------------------------------------------------------

void ChannelCalibration::pause()
{
    running.set(false);
    if (field)
        return;  // the automatic worker ends at its next look at the flag
    setStartCaption();
    updateButtons();
}

void ChannelCalibration::updateButtons()
{
    for (int p = 0; p < pointButtons.size(); ++p) {
        pointButtons.at(p)->setText(tr("温度点") + QString::number(p + 1));
        pointButtons.at(p)->setEnabled(false);
    }
    // The settings stay locked until the devices are closed.
    startWorker([this] {
        closeDevices();
        onGui([this] { setControlsEnabled(false); });
    });
}

void ChannelCalibration::Close_Clicked()
{
    if (ui->pushButton_Open->text() != startCaptions.at(1)) {
        showInformation(tr("请先开始校准!"));
        return;
    }
    if (pointsDone() == 0) {
        showInformation(tr("当前没有校准数据!"));
        return;
    }
    if (field) {
        // The worker is stopped; the fit runs when it has ended (RunEnded_slots), on the
        // points it completed.
        endRequested = true;
        running.set(false);
        return;
    }
    running.set(false);
    updateButtons();
    Save_slots();
    ui->pushButton_Open->setText(startCaptions.at(0));
}
