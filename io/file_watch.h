#pragma once
#include <cstdint>
#include <string>

// Following one file as it is saved again and again: the viewer's level between its
// passes (it never waits) and `quellor-level build --watch` (it waits between looks).
// Here in io/ with the other system-facing file code, below both of them: it knows only
// paths, inotify and stat, nothing of levels.
//
// Inotify on the file's folder (where the system has it) says "look again" at once: any
// event there counts, since builders write a temporary file and rename it into place. In
// any case the file's state is looked at every interval, which is all there is without
// inotify.

// What tells one version of a file from the next: its identity (an editor that saves by
// renaming a new file over the old one changes it), its size and its modification time.
struct FileVersion {
  bool exists = false;
  uint64_t device = 0, inode = 0;
  int64_t size = 0, modifiedNs = 0;
  bool operator==(const FileVersion& o) const {
    return exists == o.exists && device == o.device && inode == o.inode && size == o.size && modifiedNs == o.modifiedNs;
  }
  bool operator!=(const FileVersion& o) const { return !(*this == o); }
};

FileVersion fileVersion(const std::string& path);

struct FileWatch {
  std::string path;
  int notifyFd = -1;  // inotify on the file's folder, or -1
  int64_t intervalMs = 1000;
  int64_t nextCheckMs = 0;
  FileVersion seen;    // the version last looked at
  int64_t checks = 0;  // looks at the file's state, for tests
};

// Follows path from its present version on, looking at least every intervalMs.
void startFileWatch(FileWatch& watch, const std::string& path, int64_t intervalMs, int64_t nowMs);
// Lets go of inotify; the looks by the clock go on for as long as the watch is asked.
void stopFileWatch(FileWatch& watch);

// Never waits. When inotify told of anything in the folder, or the interval is up, looks
// at the file: true when its version is not the one seen last, which the new one becomes.
bool fileChanged(FileWatch& watch, int64_t nowMs);

// For a program with nothing else to do: waits until inotify has news or the next look is
// due. A signal ends the wait early.
void waitForFileNews(const FileWatch& watch, int64_t nowMs);

// The monotonic clock the watch's times are on, in milliseconds.
int64_t monotonicMs();
