#pragma once
// Channel rows as the configuration pages hand them to a driver.

#include "Records.h"

#include <QString>
#include <QStringList>

inline ChannelRecord channelRow(const QString &number, const QString &type,
                                const QString &function, const QString &wire,
                                const QString &unit, float gain = 1.0f, float offset = 0.0f)
{
    ChannelRecord r;
    r.channelNumber = number;
    r.type = type;
    r.function = function;
    r.wireMode = wire;
    r.unit = unit;
    r.compensation = QStringLiteral("内部补偿");
    r.coldJunction = QStringLiteral("0");
    r.mxbM = gain;
    r.mxbB = offset;
    return r;
}

// The seven coefficient texts A/C0, B/C1, C/C2, D/C3, R0/C4, A4/C5, B4/C6 (missing ones empty).
inline ChannelRecord withCoefficients(ChannelRecord r, const QStringList &c)
{
    r.a_c0 = c.value(0);
    r.b_c1 = c.value(1);
    r.c_c2 = c.value(2);
    r.d_c3 = c.value(3);
    r.r0_c4 = c.value(4);
    r.a4_c5 = c.value(5);
    r.b4_c6 = c.value(6);
    return r;
}

inline QStringList coefficientsOf(const ChannelRecord &r)
{
    return {r.a_c0, r.b_c1, r.c_c2, r.d_c3, r.r0_c4, r.a4_c5, r.b4_c6};
}
