#pragma once
// The list of channel configurations shown by the instrument page and the open dialog: one row
// per configuration, its name in column 0 and its time in column 1.

#include "Records.h"

#include <QList>

class QTableWidget;

// Replaces the rows of `table` by `configs`, in order, then fits the columns to their contents
// with the last one stretched.
void showConfigurationTable(QTableWidget *table, const QList<ChannelConfigData> &configs);
