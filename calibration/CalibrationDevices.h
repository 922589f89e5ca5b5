#pragma once
// The temperature sources and reference thermometers by their kind words, as the calibration
// page and the link dialog create them (on the GUI thread; the caller owns the object).

#include <QString>

class Criteria;
class Field;

// "油槽" FieldTank, "油槽-R" FieldTankR, "干式炉" FieldDry, "干式炉-R" FieldDryR; none for any
// other kind.
Field *createField(const QString &kind);
// "油槽-R" and "干式炉-R": a Criteria whose host is `source` (the source created for the same
// kind); "BRELK Vobre": the Bluetooth reference thermometer; none for any other kind.
Criteria *createCriteria(const QString &kind, Field *source);
