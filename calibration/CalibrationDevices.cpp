#include "CalibrationDevices.h"

#include "Criteria.h"
#include "CriteriaBrelkVobre.h"
#include "FieldDry.h"
#include "FieldTank.h"

Field *createField(const QString &kind)
{
    if (kind == QStringLiteral("油槽"))
        return new FieldTank;
    if (kind == QStringLiteral("油槽-R"))
        return new FieldTankR;
    if (kind == QStringLiteral("干式炉"))
        return new FieldDry;
    if (kind == QStringLiteral("干式炉-R"))
        return new FieldDryR;
    return nullptr;
}

Criteria *createCriteria(const QString &kind, Field *source)
{
    if (kind == QStringLiteral("油槽-R") || kind == QStringLiteral("干式炉-R"))
        return new Criteria(source);
    if (kind == QStringLiteral("BRELK Vobre"))
        return new CriteriaBrelkVobre;
    return nullptr;
}
