#pragma once
// SIGTERM, SIGINT and SIGHUP as events of the Qt loop. A session logout or a
// plain `kill` then closes the main window the way File > Exit does, so the
// window placement and the recent files are saved instead of lost.

#include <functional>

class QObject;

// Installs the signal handlers. Call first thing in main: a signal that arrives
// while the program is still starting is kept until the event loop runs.
// False when the handlers cannot be installed (the default action stays).
bool InstallTerminationHandlers();

// Calls `onSignal` from the event loop for each signal caught since
// InstallTerminationHandlers, the early ones included. The watcher lives as a
// child of `owner`. Nothing happens when the handlers are not installed.
void WatchTerminationSignals(QObject* owner, std::function<void()> onSignal);
