#pragma once
// The channel-coefficient exchange file: an INI file (UTF-8) with one group, "Standardizer", and
// one key per coefficient. Every value is a string list with one text per channel, in channel
// order, as QSettings writes a QStringList: entries joined by ", ", a one-entry list as that
// entry alone, an empty list as "@Invalid()".
//
// Keys: A_C0, B_C1, C_C2, D_C3, R0_C4, A4_C5, B4_C6 (the seven sensor coefficients), MX_B_M and
// MX_B_B (the correction gain and offset). A reader also accepts B0, B1, B2 and B3 as second
// names of the first four coefficients, used only where the first name has no entries.
// Only coefficients travel; values are carried as texts, unconverted.

#include <QString>
#include <QStringList>

#include "Records.h"

// Writes the coefficient lists of `config` into the group "Standardizer" of the file at `path`
// (other groups of an existing file are kept). False when the file could not be written.
bool writeChannelCoefficientFile(const QString &path, const ChannelConfigData &config);

// Reads the coefficient lists of the file at `path` into the nine coefficient lists of a
// configuration whose other members keep their empty defaults. Group and key names are matched
// without regard to letter case (as INI files are read on Windows). A missing file, group or key
// gives empty lists; a key whose value is empty counts as having no entries.
ChannelConfigData readChannelCoefficientFile(const QString &path);
