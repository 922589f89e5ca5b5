#pragma once
#include <QtGlobal>

// Waits at least `ms` milliseconds on the calling thread without processing events.
// Zero or negative returns at once. The processor is given back between checks.
void delayMs(qint64 ms);
