#include "Criteria.h"

#include "Field.h"

Criteria::Criteria(Field *hostSource) : host(hostSource)
{
    connected = false;
}

Criteria::~Criteria() = default;

bool Criteria::open(QString, QString, QString)
{
    if (!host)
        return false;
    connected = host->isConnected();
    return connected;
}

bool Criteria::close()
{
    connected = false;
    return true;
}

bool Criteria::readReply(QString &)
{
    return true;
}

bool Criteria::sendCommand(QString)
{
    return true;
}

bool Criteria::readSerialNumber(QString &serial)
{
    return host ? host->readSerialNumber(serial) : false;
}

bool Criteria::setChannelConfig(ChannelRecord)
{
    return host != nullptr;
}

bool Criteria::readTemperature(double &t)
{
    return host ? host->readTemperature(t) : false;
}
