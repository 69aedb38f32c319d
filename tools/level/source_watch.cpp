#include "tools/level/source_watch.h"

#include <poll.h>
#include <signal.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

volatile sig_atomic_t stopRequested = 0;

void requestStop(int) { stopRequested = 1; }

// What tells one version of the file from the next.
struct FileState {
  bool exists = false;
  dev_t device = 0;
  ino_t inode = 0;
  off_t size = 0;
  long long modifiedNs = 0;
  bool operator==(const FileState& o) const {
    return exists == o.exists && device == o.device && inode == o.inode && size == o.size && modifiedNs == o.modifiedNs;
  }
  bool operator!=(const FileState& o) const { return !(*this == o); }
};

FileState stateOf(const std::string& path) {
  FileState state;
  struct stat info;
  if (::stat(path.c_str(), &info) != 0) return state;
  state.exists = true;
  state.device = info.st_dev;
  state.inode = info.st_ino;
  state.size = info.st_size;
  state.modifiedNs = (long long)info.st_mtim.tv_sec * 1000000000LL + info.st_mtim.tv_nsec;
  return state;
}

std::string folderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// Waits up to milliseconds for an inotify event (or just sleeps without inotify), then
// empties the queue: any event in the folder only means "look again".
void waitForChange(int notify, int milliseconds) {
  if (notify < 0) {
    ::usleep(useconds_t(milliseconds) * 1000);
    return;
  }
  pollfd watched{notify, POLLIN, 0};
  if (::poll(&watched, 1, milliseconds) > 0) {
    alignas(inotify_event) char buffer[4096];
    while (::read(notify, buffer, sizeof buffer) > 0) {
    }
  }
}

}  // namespace

int watchSource(const std::string& sourcePath, const std::function<void()>& rebuild) {
  struct sigaction action {};
  action.sa_handler = requestStop;
  sigemptyset(&action.sa_mask);
  ::sigaction(SIGINT, &action, nullptr);
  ::sigaction(SIGTERM, &action, nullptr);

  int notify = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (notify >= 0 &&
      ::inotify_add_watch(notify, folderOf(sourcePath).c_str(),
                          IN_CLOSE_WRITE | IN_MOVED_TO | IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_ATTRIB) < 0) {
    ::close(notify);
    notify = -1;
  }
  std::printf("watching %s (%s); Ctrl-C stops\n", sourcePath.c_str(),
              notify >= 0 ? "inotify" : "checked every half second");
  std::fflush(stdout);

  FileState built = stateOf(sourcePath);
  bool reportedMissing = false;
  rebuild();
  std::fflush(stdout);
  std::fflush(stderr);
  while (!stopRequested) {
    waitForChange(notify, 500);
    if (stopRequested) break;
    FileState now = stateOf(sourcePath);
    if (now == built) continue;
    if (!now.exists) {
      if (!reportedMissing) std::fprintf(stderr, "%s: missing; waiting for it to come back\n", sourcePath.c_str());
      reportedMissing = true;
      built = now;
      std::fflush(stderr);
      continue;
    }
    // An editor may still be writing: build once the file has stood still briefly.
    for (int settle = 0; settle < 20 && !stopRequested; ++settle) {
      ::usleep(50 * 1000);
      const FileState later = stateOf(sourcePath);
      if (later == now) break;
      now = later;
    }
    reportedMissing = false;
    built = now;
    rebuild();
    std::fflush(stdout);
    std::fflush(stderr);
  }
  if (notify >= 0) ::close(notify);
  std::printf("stopped watching %s\n", sourcePath.c_str());
  return 0;
}
