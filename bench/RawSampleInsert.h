#pragma once
// The benchmarks' yardstick for stored samples: ParametersData rows inserted through the sqlite3
// C API with a statement prepared by the caller, encoded as the store encodes them (name, time
// as "yyyy-MM-dd hh:mm:ss.zzz", values joined with ",").

#include <sqlite3.h>

#include <QByteArray>
#include <QList>

#include "Records.h"
#include "SampleRows.h"

// Binds and runs `statement` ("insert into ParametersData values (?,?,?)") once per row; false
// at the first row that fails.
inline bool insertRowsWithCApi(sqlite3_stmt *statement, const QList<ParametersDataRow> &rows)
{
    for (const ParametersDataRow &row : rows) {
        const QByteArray name = row.name.toUtf8();
        const QByteArray time = formatSampleTime(row.time).toUtf8();
        const QByteArray data = row.values.join(QLatin1Char(',')).toUtf8();
        sqlite3_bind_text(statement, 1, name.constData(), name.size(), SQLITE_TRANSIENT);
        sqlite3_bind_text(statement, 2, time.constData(), time.size(), SQLITE_TRANSIENT);
        sqlite3_bind_text(statement, 3, data.constData(), data.size(), SQLITE_TRANSIENT);
        const int rc = sqlite3_step(statement);
        sqlite3_reset(statement);
        if (rc != SQLITE_DONE)
            return false;
    }
    return true;
}
