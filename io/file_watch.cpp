#include "io/file_watch.h"

#include <sys/stat.h>
#include <unistd.h>
#if defined(__linux__)
#include <poll.h>
#include <sys/inotify.h>
#endif

#include <chrono>
#include <ctime>

#include "io/path_parts.h"

FileVersion fileVersion(const std::string& path) {
  FileVersion version;
  struct stat info;
  if (::stat(path.c_str(), &info) != 0) return version;
  version.exists = true;
  version.device = uint64_t(info.st_dev);
  version.inode = uint64_t(info.st_ino);
  version.size = int64_t(info.st_size);
#if defined(__linux__)
  version.modifiedNs = int64_t(info.st_mtim.tv_sec) * 1000000000 + int64_t(info.st_mtim.tv_nsec);
#else
  version.modifiedNs = int64_t(info.st_mtime) * 1000000000;
#endif
  return version;
}

namespace {

// Empties the inotify queue without waiting. True when anything happened in the folder.
bool folderChanged(const FileWatch& watch) {
#if defined(__linux__)
  if (watch.notifyFd < 0) return false;
  alignas(inotify_event) char buffer[4096];
  bool any = false;
  while (::read(watch.notifyFd, buffer, sizeof buffer) > 0) any = true;
  return any;
#else
  (void)watch;
  return false;
#endif
}

}  // namespace

void startFileWatch(FileWatch& watch, const std::string& path, int64_t intervalMs, int64_t nowMs) {
  stopFileWatch(watch);
  watch.path = path;
  watch.intervalMs = intervalMs;
  watch.seen = fileVersion(path);
  watch.nextCheckMs = nowMs + intervalMs;
#if defined(__linux__)
  watch.notifyFd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (watch.notifyFd >= 0 &&
      ::inotify_add_watch(watch.notifyFd, folderOf(path).c_str(),
                          IN_CLOSE_WRITE | IN_MOVED_TO | IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_ATTRIB) < 0) {
    ::close(watch.notifyFd);
    watch.notifyFd = -1;
  }
#endif
}

void stopFileWatch(FileWatch& watch) {
  if (watch.notifyFd >= 0) ::close(watch.notifyFd);
  watch.notifyFd = -1;
}

bool fileChanged(FileWatch& watch, int64_t nowMs) {
  const bool told = folderChanged(watch);
  if (!told && nowMs < watch.nextCheckMs) return false;
  watch.nextCheckMs = nowMs + watch.intervalMs;
  ++watch.checks;
  const FileVersion now = fileVersion(watch.path);
  if (now == watch.seen) return false;
  watch.seen = now;
  return true;
}

void waitForFileNews(const FileWatch& watch, int64_t nowMs) {
  const int64_t waitMs = watch.nextCheckMs > nowMs ? watch.nextCheckMs - nowMs : 0;
#if defined(__linux__)
  if (watch.notifyFd >= 0) {
    pollfd news{watch.notifyFd, POLLIN, 0};
    ::poll(&news, 1, int(waitMs));
    return;
  }
#endif
  // One nanosleep, not a loop: a signal is meant to end it.
  const timespec pause{time_t(waitMs / 1000), long(waitMs % 1000) * 1000000L};
  ::nanosleep(&pause, nullptr);
}

int64_t monotonicMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}
