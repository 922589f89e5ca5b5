#pragma once
// A scripted acquisition driver for the channel-configuration tests: its option lists, masks
// and validation answer are set by the test, and it records what the editor hands it. Every
// operation that needs an instrument refuses.

#include <QHash>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

#include "StubCollection.h"

class ScriptedCollection : public StubCollection
{
public:
    // Option lists. A key missing from a map gives the default list.
    QStringList numbers;                      // channelNumberList, whatever the count
    QList<int> numberCounts;                  // counts channelNumberList was asked for
    QMap<int, QStringList> typesByChannel;    // typeList by channel number
    QStringList defaultTypes;
    QHash<QString, QStringList> functionsByType;
    QHash<QString, QStringList> wiringByType;
    QHash<QString, QStringList> unitsByType;  // "All" is asked by the batch dialog
    QHash<QString, QList<bool>> maskByFunction;
    QStringList compensations;
    int maxChannels = 64;

    // Validation: the answer and its message; the rows of the last call.
    bool checkResult = true;
    QString checkError;
    QList<ChannelRecord> checkedRows;
    int checkCalls = 0;

    QStringList typeQueries;                  // stored type texts the lists were asked for

    QStringList scanRateList() override { return {QStringLiteral("快速")}; }
    QStringList signalModeList() override { return {QStringLiteral("串口")}; }
    QStringList compensationList() override { return compensations; }
    QStringList unitList(QString type) override
    {
        typeQueries << type;
        return unitsByType.value(type);
    }
    QList<bool> coefficientMask(QString function) override
    {
        return maskByFunction.value(function);
    }
    QStringList wiringList(QString type) override
    {
        typeQueries << type;
        return wiringByType.value(type);
    }
    QStringList typeList(int channelNumber) override
    {
        return typesByChannel.value(channelNumber, defaultTypes);
    }
    QStringList functionList(QString type) override
    {
        typeQueries << type;
        return functionsByType.value(type);
    }
    QStringList channelNumberList(int count) override
    {
        numberCounts << count;
        return numbers;
    }
    int channelCount() override { return maxChannels; }
    bool checkChannels(QList<ChannelRecord> rows, QString &error) override
    {
        ++checkCalls;
        checkedRows = rows;
        if (!checkResult)
            error = checkError;
        return checkResult;
    }
};
