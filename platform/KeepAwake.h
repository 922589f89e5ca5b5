#pragma once
// Keeps the machine and its display awake for the life of the process. Acquisitions run for
// days; a machine that sleeps loses samples.

#include <QDBusConnection>

// Asks the operating system not to sleep or blank the display while the program runs:
// SetThreadExecutionState(ES_CONTINUOUS | ES_SYSTEM_REQUIRED | ES_DISPLAY_REQUIRED) on Windows;
// elsewhere a systemd-logind inhibitor lock ("idle:sleep", mode "block") taken over D-Bus and
// held until the process ends. Without logind (or without a bus) nothing happens and false is
// returned; the program goes on.
bool keepSystemAwake();

// The same over a given bus (the system bus in the program); for a bus of the caller's own.
bool keepSystemAwake(const QDBusConnection &bus);

// True while an inhibitor taken by keepSystemAwake is held.
bool systemAwakeHeld();

// Gives up the inhibitor (the process end does the same).
void releaseSystemAwake();
