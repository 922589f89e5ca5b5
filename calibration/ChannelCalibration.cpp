#include "ChannelCalibration.h"
#include "ui_ChannelCalibration.h"

#include <QDateTime>
#include <QDebug>
#include <QMessageBox>
#include <QMetaObject>
#include <QMutexLocker>
#include <QRegularExpressionValidator>

#include <cmath>

#include "CalibrationDevices.h"
#include "CalibrationSave.h"
#include "ChannelBatch.h"
#include "ChannelRecords.h"
#include "ChannelScan.h"
#include "ChannelSet.h"
#include "Collection.h"
#include "Criteria.h"
#include "Database.h"
#include "Field.h"
#include "Registry.h"
#include "SystemSettings.h"
#include "Terms.h"

namespace {
const QString manualKind = QStringLiteral("手动");
const QString bluetoothKind = QStringLiteral("BRELK Vobre");

QString now()
{
    return QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
}

QString flagKey(const char *stem, int n)
{
    return QString::fromLatin1(stem) + QString::number(n);
}
} // namespace

ChannelCalibration::ChannelCalibration(QWidget *parent)
    : QWidget(parent), ui(new Ui::ChannelCalibrationClass)
{
    ui->setupUi(this);
    tipTitle = tr("提示");
    resampleText = tr("重采");
    startCaptions = QStringList{tr("开始"), tr("暂停"), tr("继续")};
    collections = {nullptr, nullptr, nullptr};
    collectionNames = QStringList{QString(), QString(), QString()};
    selectedChannels = {QStringList(), QStringList(), QStringList()};
    for (int p = 0; p < 9; ++p)
        calibrationData.append(QStringList());
    fieldLink = new DeviceLink;
    criteriaLink = new DeviceLink;
    if (!hasChannelCalibrationTable())
        createChannelCalibrationTable();
    if (!hasChannelCalibrationDataTable())
        createChannelCalibrationDataTable();

    connect(this, &ChannelCalibration::Save_signals, this, &ChannelCalibration::Save_slots);
    connect(this, &ChannelCalibration::WriteConfig_signals, this,
            &ChannelCalibration::WriteConfig_slots);
    connect(this, &ChannelCalibration::PlainTextEdit_signals, this,
            &ChannelCalibration::PlainTextEdit_slots);
    connect(this, &ChannelCalibration::MessageBox_signals, this,
            &ChannelCalibration::MessageBox_slots);
    connect(this, &ChannelCalibration::RunEnded_signals, this,
            &ChannelCalibration::RunEnded_slots);

    connect(ui->pushButton_Open, &QPushButton::clicked, this, &ChannelCalibration::Open_Clicked);
    connect(ui->pushButton_Close, &QPushButton::clicked, this, &ChannelCalibration::Close_Clicked);
    connect(ui->pushButton_Field, &QPushButton::clicked, this,
            &ChannelCalibration::FieldScan_Clicked);
    connect(ui->pushButton_Criteria, &QPushButton::clicked, this,
            &ChannelCalibration::CriteriaScan_Clicked);
    connect(ui->comboBox_Field, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            [this](int index) { Field_Changed(ui->comboBox_Field->itemText(index)); });
    connect(ui->comboBox_Criteria, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            [this](int index) { Criteria_Changed(ui->comboBox_Criteria->itemText(index)); });
    connect(ui->checkBox_Collection2, &QCheckBox::stateChanged, this,
            &ChannelCalibration::Collection2_Changed);
    connect(ui->checkBox_Collection3, &QCheckBox::stateChanged, this,
            &ChannelCalibration::Collection3_Changed);
    initControls();
    for (int p = 0; p < pointButtons.size(); ++p)
        connect(pointButtons.at(p), &QPushButton::clicked, this, [this, p] { Temp_Clicked(p); });
    loadState();
}

ChannelCalibration::~ChannelCalibration()
{
    // A run still going is stopped; its worker is waited for while this thread keeps
    // delivering the devices' replies, which the worker may be waiting on.
    closing = true;
    running.set(false);
    waitingBatchChange = false;
    waitingNextBatch = false;
    worker.stopAndFinish();
    saveState();
    closeDevicesWaiting();
    deleteCollections();
    delete fieldLink;
    delete criteriaLink;
    delete ui;
}

void ChannelCalibration::initControls()
{
    // The source's choice fills the reference's (Field_Changed).
    ui->comboBox_Criteria->addItems(translateList(criteriaTypeList()));
    ui->comboBox_Field->addItems(translateList(fieldTypeList()));
    const QRegularExpression whole(QStringLiteral("^[1-9][0-9]+$"));
    ui->lineEdit_Delay->setValidator(new QRegularExpressionValidator(whole, this));
    ui->lineEdit_Max->setValidator(new QRegularExpressionValidator(whole, this));
    const QRegularExpression temperature(QStringLiteral("[-0-9.]+$"));
    for (int n = 1; n <= 9; ++n) {
        const QString number = QString::number(n);
        auto *edit = findChild<QLineEdit *>(QStringLiteral("lineEdit_Temp") + number);
        edit->setValidator(new QRegularExpressionValidator(temperature, this));
        tempEdits.append(edit);
        liquidChecks.append(findChild<QCheckBox *>(QStringLiteral("checkBox_Temp") + number));
        pointButtons.append(findChild<QPushButton *>(QStringLiteral("pushButton_Temp") + number));
    }
}

void ChannelCalibration::setSettings(SystemSettings *systemSettings)
{
    settings = systemSettings;
    devices = settings ? settings->devices : QList<AcquisitionDeviceRecord>();
    if (devices.isEmpty())
        ui->pushButton_Open->setEnabled(false);
    QComboBox *combos[] = {ui->comboBox_Collection1, ui->comboBox_Collection2,
                           ui->comboBox_Collection3};
    for (int slot = 0; slot < 3; ++slot) {
        combos[slot]->clear();
        for (const AcquisitionDeviceRecord &device : qAsConst(devices))
            combos[slot]->addItem(QString::number(device.number) + QLatin1Char('-')
                                  + device.channelConfig);
        combos[slot]->setCurrentText(collectionNames.value(slot));
    }
    {
        QMutexLocker lock(&dataLock);
        if (calibrationCriteria.size() > 9)
            calibrationCriteria.clear();
    }
    if (pointsDone() > 0)
        ui->pushButton_Open->setText(startCaptions.at(2));
    channelLabels.clear();
    for (int slot = 0; slot < selectedChannels.size(); ++slot) {
        for (const QString &number : selectedChannels.at(slot))
            channelLabels.append(QString::number(slot + 1) + QLatin1Char('_') + number);
    }
    showStoredData();
}

void ChannelCalibration::setWaits(const CalibrationWaits &runWaits)
{
    waits = runWaits;
}

bool ChannelCalibration::isNotRunning()
{
    return ui->pushButton_Open->text() != startCaptions.at(1) && !worker.isRunning();
}

void ChannelCalibration::showStoredData()
{
    QStringList criteriaCopy;
    QList<QStringList> dataCopy;
    {
        QMutexLocker lock(&dataLock);
        criteriaCopy = calibrationCriteria;
        dataCopy = calibrationData;
    }
    for (int p = 0; p < criteriaCopy.size(); ++p) {
        if (criteriaCopy.at(p).isEmpty())
            continue;
        log(tr("温度点") + QString::number(p + 1));
        const QStringList references = criteriaCopy.at(p).split(QLatin1Char(','));
        int index = 0;
        for (int b = 0; b < references.size(); ++b) {
            log(tr("批次") + QString::number(b + 1) + tr("标准：") + references.at(b));
            const QString batch = dataCopy.value(p).value(b);
            if (batch.isEmpty())
                continue;
            for (const QString &reading : batch.split(QLatin1Char(',')))
                log(QString::number(b + 1) + QLatin1Char('_') + channelLabel(index++)
                    + QLatin1Char(':') + reading);
        }
        log(QString());
    }
}

QString ChannelCalibration::shownField() const
{
    return untranslateTerm(ui->comboBox_Field->currentText());
}

QString ChannelCalibration::shownCriteria() const
{
    return untranslateTerm(ui->comboBox_Criteria->currentText());
}

// --- source, reference and instrument choices ----------------------------------------------

void ChannelCalibration::Field_Changed(QString text)
{
    const QString kind = untranslateTerm(text);
    const bool manual = kind == manualKind;
    ui->pushButton_Field->setEnabled(!manual);
    for (QLineEdit *edit : qAsConst(tempEdits))
        edit->setEnabled(!manual);
    // The last point has no point after it to change the liquid for.
    for (int p = 0; p < liquidChecks.size() - 1; ++p)
        liquidChecks.at(p)->setEnabled(!manual);
    QStringList kinds = criteriaTypeList();
    if (kind == QStringLiteral("油槽-R") || kind == QStringLiteral("干式炉-R"))
        kinds.prepend(kind);
    ui->comboBox_Criteria->clear();
    ui->comboBox_Criteria->addItems(translateList(kinds));
}

void ChannelCalibration::Criteria_Changed(QString text)
{
    ui->pushButton_Criteria->setEnabled(untranslateTerm(text) == bluetoothKind);
}

void ChannelCalibration::Collection2_Changed(int state)
{
    ui->comboBox_Collection2->setEnabled(state == Qt::Checked);
}

void ChannelCalibration::Collection3_Changed(int state)
{
    ui->comboBox_Collection3->setEnabled(state == Qt::Checked);
}

void ChannelCalibration::FieldScan_Clicked()
{
    runLinkDialog(fieldLink, shownField());
}

void ChannelCalibration::CriteriaScan_Clicked()
{
    runLinkDialog(criteriaLink, shownCriteria());
}

void ChannelCalibration::runLinkDialog(DeviceLink *link, const QString &kind)
{
    // The devices of a paused manual run may still be closing.
    if (worker.isRunning()) {
        showInformation(tr("设备正在通讯，请稍候！"));
        return;
    }
    closeDevicesWaiting();
    deleteCollections();
    link->name = kind;
    ChannelScan dialog(this);
    dialog.setDeviceType(link);
    dialog.exec();
}

void ChannelCalibration::setControlsEnabled(bool run)
{
    running.set(run);
    if (shownField() != manualKind) {
        ui->pushButton_Field->setEnabled(!run);
        for (QLineEdit *edit : qAsConst(tempEdits))
            edit->setEnabled(!run);
        for (int p = 0; p < liquidChecks.size() - 1; ++p)
            liquidChecks.at(p)->setEnabled(!run);
    }
    ui->comboBox_Field->setEnabled(!run);
    if (shownCriteria() == bluetoothKind)
        ui->pushButton_Criteria->setEnabled(!run);
    ui->comboBox_Criteria->setEnabled(!run);
    ui->lineEdit_Delay->setEnabled(!run);
    ui->lineEdit_Max->setEnabled(!run);
}

// --- start ----------------------------------------------------------------------------------

void ChannelCalibration::Open_Clicked()
{
    const QString caption = ui->pushButton_Open->text();
    if (caption == startCaptions.at(1)) {
        pause();
        return;
    }
    // The devices of a paused manual run may still be closing.
    if (worker.isRunning()) {
        showInformation(tr("设备正在通讯，请稍候！"));
        return;
    }
    if (running.isSet()) {
        ui->pushButton_Open->setText(startCaptions.at(0));
        showInformation(tr("软件异常，请退出软件重试!"));
        return;
    }
    if (caption == startCaptions.at(0)) {
        startTime = now();
        ui->plainTextEdit_Data->clear();
    }
    if (!createDevices() || !checkPoints() || !validateChannels() || !confirmBatches())
        return;
    // The settings are locked before the worker starts, so that nothing it reads changes.
    setControlsEnabled(true);
    log(tr("设备连接中..."));
    if (field) {
        endRequested = false;
        ui->pushButton_Open->setText(startCaptions.at(1));
        startWorker([this] { runCalibration(); });
    } else {
        ui->pushButton_Open->setEnabled(false);
        startWorker([this] { connectDevices(); });
    }
}

bool ChannelCalibration::createDevices()
{
    closeDevicesWaiting();
    deleteCollections();
    slotDevices.clear();
    fieldLink->name = shownField();
    criteriaLink->name = shownCriteria();

    const QComboBox *combos[] = {ui->comboBox_Collection1, ui->comboBox_Collection2,
                                 ui->comboBox_Collection3};
    const bool used[] = {true, ui->checkBox_Collection2->isChecked(),
                         ui->checkBox_Collection3->isChecked()};
    int indices[3];
    for (int slot = 0; slot < 3; ++slot)
        indices[slot] = combos[slot]->currentIndex();
    for (int a = 0; a < 3; ++a) {
        for (int b = a + 1; b < 3; ++b) {
            if (used[a] && used[b] && indices[a] == indices[b]) {
                showInformation(tr("采集设备不能相同!"));
                return false;
            }
        }
    }

    field = createField(fieldLink->name);
    criteria = createCriteria(criteriaLink->name, field);
    QString newName;
    for (int slot = 0; slot < 3; ++slot) {
        if (indices[slot] < 0 || indices[slot] >= devices.size()) {
            showInformation(tr("未选择采集设备!"));
            return false;
        }
        const AcquisitionDeviceRecord &record = devices.at(indices[slot]);
        slotDevices.append(record);
        if (!used[slot])
            continue;
        newName += record.channelConfig + QLatin1Char(',');
        collections[slot] = createCollection(record.model);
        if (!collections[slot]) {
            showInformation(tr("不支持的设备型号：") + record.model);
            return false;
        }
    }
    if (field && !criteria) {
        showInformation(tr("自动模式下标准探头不允许手动!"));
        return false;
    }
    if (pointsDone() > 0) {
        if (newName == channelName)
            return true;
        if (QMessageBox::question(this, tipTitle, tr("通道配置信息改变，是否开始新的校准?"),
                                  QMessageBox::Yes | QMessageBox::No)
            != QMessageBox::Yes)
            return false;
    }
    startTime = now();
    channelName = newName;
    {
        QMutexLocker lock(&dataLock);
        calibrationCriteria.clear();
    }
    ui->plainTextEdit_Data->clear();
    return true;
}

bool ChannelCalibration::checkPoints()
{
    fieldDelay = ui->lineEdit_Delay->text().toInt();
    targetTemperatures.clear();
    changeLiquid.clear();
    for (int p = 0; p < tempEdits.size(); ++p) {
        const QString text = tempEdits.at(p)->text();
        if (text.isEmpty())
            break;
        bool ok = false;
        const double value = text.toDouble(&ok);
        // A source is never driven to a set point that is not a number.
        if (field && (!ok || !std::isfinite(value))) {
            showInformation(tr("温度点%1的设定值不是有效的数字!").arg(p + 1));
            return false;
        }
        targetTemperatures.append(value);
        changeLiquid.append(liquidChecks.at(p)->isChecked());
    }
    qDebug() << "校准温度：" << targetTemperatures;
    if (!field || pointsDone() < targetTemperatures.size())
        return true;
    if (QMessageBox::question(this, tipTitle, tr("设置的温度点少于保存的数据，是否开始新的校准?"),
                              QMessageBox::Yes | QMessageBox::No)
        != QMessageBox::Yes)
        return false;
    {
        QMutexLocker lock(&dataLock);
        calibrationCriteria.clear();
    }
    ui->plainTextEdit_Data->clear();
    startTime = now();
    return true;
}

bool ChannelCalibration::validateChannels()
{
    channels.clear();
    QList<QList<ChannelRecord>> configured;
    for (const AcquisitionDeviceRecord &device : qAsConst(slotDevices)) {
        QList<ChannelConfigData> rows;
        if (!selectChannelConfig(rows, device.channelConfig) || rows.isEmpty())
            return false;
        QList<ChannelRecord> records;
        if (!buildChannelRecords(rows.first(), records)) {
            showInformation(tr("通道信息异常，设置失败!"));
            return false;
        }
        configured.append(records);
    }

    if (pointsDone() == 0) {
        QList<bool> slotUsed;
        for (Collection *collection : qAsConst(collections))
            slotUsed.append(collection != nullptr);
        ChannelSet dialog(this);
        dialog.fillTable(slotUsed, slotDevices, configured);
        if (dialog.exec() != QDialog::Accepted)
            return false;
        channelMode = dialog.channelType();
        selectedChannels = dialog.selectedChannels();
        if (channelMode != QStringLiteral("热电偶") && channelMode != QStringLiteral("热敏电阻")
            && channelMode != QStringLiteral("铂电阻")) {
            showInformation(tr("当前类型暂不支持校准!"));
            return false;
        }
    }

    for (int slot = 0; slot < selectedChannels.size(); ++slot) {
        QList<ChannelRecord> chosen;
        for (const ChannelRecord &record : configured.value(slot)) {
            if (selectedChannels.at(slot).contains(record.channelNumber))
                chosen.append(record);
        }
        channels.append(chosen);
    }
    bool consistent = selectedChannels.size() == channels.size();
    for (int slot = 0; consistent && slot < channels.size(); ++slot) {
        // A slot not in use takes no channels; a slot in use all that were chosen.
        const int expected = collections.value(slot) ? selectedChannels.at(slot).size() : 0;
        consistent = channels.at(slot).size() == expected
                     && selectedChannels.at(slot).size() == expected;
    }
    if (!consistent) {
        showInformation(tr("通道信息异常，设置失败!"));
        return false;
    }
    // Two instruments sharing a configuration must not both calibrate one of its channels:
    // refused now rather than at the write-back after hours of measuring.
    const QStringList repeated = CalibrationSave::repeatedChannels(slotDevices, selectedChannels);
    if (!repeated.isEmpty()) {
        showInformation(tr("同一通道配置的通道不能重复校准：") + repeated.join(QLatin1Char(',')));
        return false;
    }

    channelLabels.clear();
    for (int slot = 0; slot < selectedChannels.size(); ++slot) {
        for (const QString &number : selectedChannels.at(slot))
            channelLabels.append(QString::number(slot + 1) + QLatin1Char('_') + number);
    }

    QString hint;
    bool enough = true;
    const int points = targetTemperatures.size();
    if (channelMode == QStringLiteral("热电偶")) {
        hint = tr("热电偶校准只需要2个温度点，温度点不匹配会造成校准失败!");
        enough = points == 2;
    } else if (channelMode == QStringLiteral("热敏电阻")) {
        hint = tr("热敏电阻校准需要4-9个温度点，温度点不匹配会造成校准失败!");
        enough = points >= 4;
    } else {
        hint = tr("铂电阻校准最少需要3个温度点(ITS90 1个零度,2个负温或2个正温)，温度点不匹配会造成校准失败!");
        enough = points >= 3;
    }
    if (!field) {
        showInformation(hint);
        return true;
    }
    if (!enough) {
        showInformation(hint);
        return false;
    }
    return true;
}

bool ChannelCalibration::confirmBatches()
{
    maxChannels = ui->lineEdit_Max->text().toInt();
    if (maxChannels < 1) {
        showInformation(tr("最大分批数不能小于0!"));
        return false;
    }
    QStringList configNames;
    for (const AcquisitionDeviceRecord &device : qAsConst(slotDevices))
        configNames.append(device.channelConfig);
    ChannelBatch dialog(this);
    dialog.fillTable(maxChannels, configNames, selectedChannels);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    batchCount = dialog.batchCount();
    return true;
}

// --- page state -----------------------------------------------------------------------------

bool ChannelCalibration::saveState()
{
    const QComboBox *combos[] = {ui->comboBox_Collection1, ui->comboBox_Collection2,
                                 ui->comboBox_Collection3};
    for (int slot = 0; slot < 3; ++slot)
        collectionNames[slot] = combos[slot]->currentText();
    QStringList criteriaCopy;
    QList<QStringList> dataCopy;
    {
        QMutexLocker lock(&dataLock);
        criteriaCopy = calibrationCriteria;
        dataCopy = calibrationData;
    }

    QList<std::function<bool()>> writes;
    auto text = [&writes](const QString &key, const QString &value) {
        writes.append([key, value] { return setChannelCalibrationText(key, value); });
    };
    auto flag = [&writes](const QString &key, bool value) {
        writes.append([key, value] { return setChannelCalibrationFlag(key, value); });
    };
    for (int slot = 0; slot < 3; ++slot)
        text(flagKey("CollectionName", slot + 1), collectionNames.at(slot));
    flag(QStringLiteral("CollectionState2"), ui->checkBox_Collection2->isChecked());
    flag(QStringLiteral("CollectionState3"), ui->checkBox_Collection3->isChecked());
    text(QStringLiteral("FieldName"), fieldLink->name);
    text(QStringLiteral("FieldMode"), fieldLink->mode);
    text(QStringLiteral("FieldIP"), fieldLink->address);
    text(QStringLiteral("FieldPort"), fieldLink->portBaudRate);
    text(QStringLiteral("CriteriaName"), criteriaLink->name);
    text(QStringLiteral("CriteriaMode"), criteriaLink->mode);
    text(QStringLiteral("CriteriaIP"), criteriaLink->address);
    text(QStringLiteral("CriteriaPort"), criteriaLink->portBaudRate);
    for (int slot = 0; slot < selectedChannels.size(); ++slot)
        text(flagKey("ChannelNumber", slot + 1), selectedChannels.at(slot).join(QLatin1Char(',')));
    text(QStringLiteral("FieldDelay"), ui->lineEdit_Delay->text());
    text(QStringLiteral("ChannelMax"), QString::number(maxChannels));
    for (int p = 0; p < 9; ++p) {
        text(flagKey("EditTemp", p + 1), tempEdits.at(p)->text());
        flag(flagKey("CheckTemp", p + 1), liquidChecks.at(p)->isChecked());
    }
    text(QStringLiteral("StartTime"), startTime);
    text(QStringLiteral("ChannelName"), channelName);
    text(QStringLiteral("ChannelMode"), channelMode);
    text(QStringLiteral("CalibrationCriteria"), criteriaCopy.join(QLatin1Char(';')));
    for (int p = 0; p < 9; ++p)
        text(flagKey("CalibrationData", p + 1), dataCopy.value(p).join(QLatin1Char(';')));
    for (const auto &write : qAsConst(writes)) {
        if (!write())
            return false;
    }
    return true;
}

bool ChannelCalibration::loadState()
{
    QString value;
    bool checked = false;
    for (int slot = 0; slot < 3; ++slot) {
        if (!getChannelCalibrationText(flagKey("CollectionName", slot + 1), value))
            return false;
        collectionNames[slot] = value;
    }
    if (!getChannelCalibrationFlag(QStringLiteral("CollectionState2"), checked))
        return false;
    ui->checkBox_Collection2->setChecked(checked);
    ui->comboBox_Collection2->setEnabled(checked);
    if (!getChannelCalibrationFlag(QStringLiteral("CollectionState3"), checked))
        return false;
    ui->checkBox_Collection3->setChecked(checked);
    ui->comboBox_Collection3->setEnabled(checked);

    const std::pair<const char *, QString *> links[] = {
        {"FieldName", &fieldLink->name},       {"FieldMode", &fieldLink->mode},
        {"FieldIP", &fieldLink->address},      {"FieldPort", &fieldLink->portBaudRate},
        {"CriteriaName", &criteriaLink->name}, {"CriteriaMode", &criteriaLink->mode},
        {"CriteriaIP", &criteriaLink->address}, {"CriteriaPort", &criteriaLink->portBaudRate}};
    for (int i = 0; i < 8; ++i) {
        if (!getChannelCalibrationText(QString::fromLatin1(links[i].first), *links[i].second))
            return false;
        if (i == 3)  // the source's kind refills the reference choices
            ui->comboBox_Field->setCurrentText(translateTerm(fieldLink->name));
    }
    ui->comboBox_Criteria->setCurrentText(translateTerm(criteriaLink->name));

    for (int slot = 0; slot < 3; ++slot) {
        if (!getChannelCalibrationText(flagKey("ChannelNumber", slot + 1), value))
            return false;
        selectedChannels[slot] = value.isEmpty() ? QStringList() : value.split(QLatin1Char(','));
    }
    if (!getChannelCalibrationText(QStringLiteral("FieldDelay"), value))
        return false;
    ui->lineEdit_Delay->setText(value);
    if (!getChannelCalibrationText(QStringLiteral("ChannelMax"), value))
        return false;
    ui->lineEdit_Max->setText(value);
    maxChannels = value.toInt();
    for (int p = 0; p < 9; ++p) {
        if (!getChannelCalibrationText(flagKey("EditTemp", p + 1), value))
            return false;
        tempEdits.at(p)->setText(value);
        if (!getChannelCalibrationFlag(flagKey("CheckTemp", p + 1), checked))
            return false;
        liquidChecks.at(p)->setChecked(checked);
    }
    const std::pair<const char *, QString *> texts[] = {
        {"StartTime", &startTime}, {"ChannelName", &channelName}, {"ChannelMode", &channelMode}};
    for (const auto &entry : texts) {
        if (!getChannelCalibrationText(QString::fromLatin1(entry.first), *entry.second))
            return false;
    }
    if (!getChannelCalibrationText(QStringLiteral("CalibrationCriteria"), value))
        return false;
    QMutexLocker lock(&dataLock);
    calibrationCriteria = value.isEmpty() ? QStringList() : value.split(QLatin1Char(';'));
    for (int p = 0; p < 9; ++p) {
        if (!getChannelCalibrationText(flagKey("CalibrationData", p + 1), value))
            return false;
        calibrationData[p] = value.isEmpty() ? QStringList() : value.split(QLatin1Char(';'));
    }
    return true;
}

// --- devices --------------------------------------------------------------------------------

void ChannelCalibration::deleteCollections()
{
    for (Collection *&collection : collections) {
        delete collection;
        collection = nullptr;
    }
    // The reference may forward to the source: it goes first.
    delete criteria;
    criteria = nullptr;
    delete field;
    field = nullptr;
}

void ChannelCalibration::closeDevicesWaiting()
{
    // Closing waits for the links to report down, which reaches the devices on this thread.
    if (worker.isRunning())
        worker.stopAndFinish();
    if (worker.start([this] { closeDevices(); }))
        worker.stopAndFinish();
}

// --- GUI slots ------------------------------------------------------------------------------

void ChannelCalibration::Save_slots()
{
    CalibrationRun run;
    {
        QMutexLocker lock(&dataLock);
        run.calibrationCriteria = calibrationCriteria;
        calibrationCriteria.clear();
        run.calibrationData = calibrationData;
    }
    run.channelMode = channelMode;
    run.channelLabels = channelLabels;
    run.channels = channels;
    run.slotDevices = slotDevices;
    run.startTime = startTime;
    run.channelName = channelName;
    run.collectionNames = collectionNames;
    QString message;
    if (CalibrationSave::saveCalibration(run, message))
        PlainTextEdit_slots(message);
    else
        showInformation(message);
    // The fitted (or refused) data is gone from the stored state too.
    saveState();
}

void ChannelCalibration::WriteConfig_slots()
{
    saveState();
}

void ChannelCalibration::PlainTextEdit_slots(QString line)
{
    ui->plainTextEdit_Data->appendPlainText(line);
}

void ChannelCalibration::MessageBox_slots(QString title, QString text)
{
    if (!closing)
        QMessageBox::information(this, title, text);
    waitingBatchChange = false;
    running.wake();
}

void ChannelCalibration::showInformation(const QString &text)
{
    QMessageBox::information(this, tipTitle, text);
}

void ChannelCalibration::setStartCaption()
{
    ui->pushButton_Open->setText(pointsDone() > 0 ? startCaptions.at(2) : startCaptions.at(0));
}

void ChannelCalibration::startWorker(std::function<void()> job)
{
    // Callers are reached only from controls that a worker enables in its last step, so a
    // worker still found running has posted that step and is about to return.
    if (worker.isRunning())
        worker.stopAndFinish();
    worker.start(std::move(job));
}

void ChannelCalibration::onGui(std::function<void()> step)
{
    QMetaObject::invokeMethod(this, std::move(step), Qt::QueuedConnection);
}

void ChannelCalibration::log(const QString &line)
{
    emit PlainTextEdit_signals(line);
}

int ChannelCalibration::pointsDone() const
{
    QMutexLocker lock(&dataLock);
    return calibrationCriteria.size();
}

QString ChannelCalibration::channelLabel(int index) const
{
    // A stored run may hold more readings than the channels now chosen.
    if (index >= 0 && index < channelLabels.size())
        return channelLabels.at(index);
    return QString::number(index + 1);
}
