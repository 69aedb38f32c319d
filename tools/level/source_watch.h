#pragma once
#include <functional>
#include <string>

// Runs rebuild once, then again each time the file at sourcePath changes (its time,
// size or identity: editors that save by rename are followed), until SIGINT or SIGTERM.
// Changes are noticed through inotify on the file's folder, and by comparing the file's
// state every half second where inotify is missing. A file that disappears is waited for.
// Returns the exit status: 0 when stopped by a signal.
int watchSource(const std::string& sourcePath, const std::function<void()>& rebuild);
