#pragma once
#include <functional>
#include <string>

// Runs rebuild once, then again each time the file at sourcePath changes (its time,
// size or identity: editors that save by rename are followed), until SIGINT or SIGTERM
// (caught by viewer/stop_signals.h). Changes are noticed through inotify on the file's
// folder, and by comparing the file's state every half second in any case
// (io/file_watch.h). A file that is missing, at the start or later, is waited for, and
// the wait is said on standard error. Returns the exit status: 0 when stopped by a signal.
int watchSource(const std::string& sourcePath, const std::function<void()>& rebuild);
