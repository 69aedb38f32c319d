#include "tools/level/source_watch.h"

#include <cstdio>
#include <ctime>

#include "io/file_watch.h"
#include "viewer/stop_signals.h"

namespace {

constexpr int64_t LookIntervalMs = 500;

void flushBoth() {
  std::fflush(stdout);
  std::fflush(stderr);
}

void pauseMs(long ms) {
  const timespec pause{0, ms * 1000000L};
  ::nanosleep(&pause, nullptr);
}

}  // namespace

int watchSource(const std::string& sourcePath, const std::function<void()>& rebuild) {
  catchStopSignals();
  FileWatch watch;
  startFileWatch(watch, sourcePath, LookIntervalMs, monotonicMs());
  std::printf("watching %s (%s); Ctrl-C stops\n", sourcePath.c_str(),
              watch.notifyFd >= 0 ? "inotify" : "checked every half second");
  std::fflush(stdout);

  rebuild();
  // Until it appears there is nothing to build; say so, or the wait looks like a hang.
  if (!watch.seen.exists) {
    std::fprintf(stderr, "quellor-level: waiting for %s to appear (Ctrl-C stops)\n", sourcePath.c_str());
  }
  flushBoth();
  bool reportedMissing = !watch.seen.exists;
  while (stopSignal == 0) {
    waitForFileNews(watch, monotonicMs());
    if (stopSignal != 0) break;
    if (!fileChanged(watch, monotonicMs())) continue;
    if (!watch.seen.exists) {
      if (!reportedMissing) std::fprintf(stderr, "%s: missing; waiting for it to come back\n", sourcePath.c_str());
      reportedMissing = true;
      std::fflush(stderr);
      continue;
    }
    // An editor may still be writing: build once the file has stood still briefly.
    for (int settle = 0; settle < 20 && stopSignal == 0; ++settle) {
      pauseMs(50);
      const FileVersion later = fileVersion(sourcePath);
      if (later == watch.seen) break;
      watch.seen = later;
    }
    reportedMissing = false;
    rebuild();
    flushBoth();
  }
  stopFileWatch(watch);
  std::printf("stopped watching %s\n", sourcePath.c_str());
  return 0;
}
