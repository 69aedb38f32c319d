#pragma once
// The desktop viewer's main loop: the shared frame pass, plus what a person at a desktop
// asks for: a recording of every message each pass takes, the frame rate on standard
// error, and following the level file as it is edited. quellor-replay and the web page
// run the plain loop.
#include <cstdint>
#include <cstdio>
#include <string>

#include "viewer/level_watch.h"
#include "viewer/main_loop.h"
#include "viewer/message_recorder.h"
#include "viewer/pass_timing.h"
#include "viewer/platform.h"

struct DesktopExtras {
  MessageRecorder* recorder = nullptr;  // null: no recording
  PassTiming* timing = nullptr;         // null: no frame rate (kept off the stack: it is large)
  LevelWatch* watch = nullptr;          // null: the level file is not followed
  double fpsIntervalSeconds = 1.0;
  FILE* fpsOut = stderr;
  double (*clock)() = monotonicSeconds;  // the frame rate's clock (tests give their own)
  int64_t maxPasses = -1;                // negative: until Q or a close
  bool continuing = false;               // the viewer goes on from a state it holds (a playback's)
};

// The part of the platform's last present spent waiting for the display (its vertical
// sync), for platforms that measure it; 0 for the others.
template <class Platform>
auto presentWaitSeconds(const Platform& platform, int) -> decltype(platform.lastWaitSeconds()) {
  return platform.lastWaitSeconds();
}
template <class Platform>
double presentWaitSeconds(const Platform&, long) {
  return 0;
}

// Hands the frame pass what the platform delivers, unchanged, and sees it on the way: each
// message is recorded under the number of the pass that takes it (1 for the first, the
// pass count of quellor-replay's scripts); a pass ends at its present, where the pass's
// lines are flushed and the present is timed, its wait for the display apart.
template <class Platform>
class DesktopPlatform {
 public:
  // firstPass: the number of the first pass to run (a session taken over goes on counting).
  DesktopPlatform(Platform& inner, DesktopExtras& extras, int64_t firstPass = 1)
      : inner_(inner), extras_(extras), pass_(firstPass) {}

  bool nextMessage(Message& message) {
    if (!inner_.nextMessage(message)) return false;
    if (extras_.recorder) extras_.recorder->record(pass_, message);
    return true;
  }
  void present(const PresentedFrame& frame) {
    const double start = extras_.timing ? extras_.clock() : 0;
    inner_.present(frame);
    if (extras_.timing) {
      presentStart_ = start;
      waitSeconds_ = presentWaitSeconds(inner_, 0);
      presentSeconds_ = extras_.clock() - start - waitSeconds_;
    }
    endPass();
  }
  bool allocateFrame(int32_t width, int32_t height, FrameMemory& out) {
    return inner_.allocateFrame(width, height, out);
  }
  void releaseFrame(FrameMemory& frame) { inner_.releaseFrame(frame); }
  PixelSize clientPixels() { return inner_.clientPixels(); }
  void show() { inner_.show(); }

  // The pass that is running (or about to).
  int64_t pass() const { return pass_; }
  // The last present: when it began, its own work, and its wait for the display.
  double lastPresentStart() const { return presentStart_; }
  double lastPresentSeconds() const { return presentSeconds_; }
  double lastWaitSeconds() const { return waitSeconds_; }
  // Flushes the lines of a pass that ended without a present (a close).
  void endPass() {
    ++pass_;
    if (!extras_.recorder || recordingFailed_) return;
    std::string error;
    if (!extras_.recorder->endPass(error)) {
      // Reported once; the viewer runs on without a recording.
      std::fprintf(stderr, "quellor: %s\n", error.c_str());
      recordingFailed_ = true;
    }
  }

 private:
  Platform& inner_;
  DesktopExtras& extras_;
  int64_t pass_;
  double presentStart_ = 0, presentSeconds_ = 0, waitSeconds_ = 0;
  bool recordingFailed_ = false;
};

// Runs passes until Q, a close or extras.maxPasses. Before each pass the level file is
// looked at (never waiting); with timing, about once an interval a line of fpsLine.
// The recording is not finished here: the caller does that once the loop has ended.
template <class Platform>
void runDesktopLoop(Viewer& viewer, DesktopPlatform<Platform>& platform, DesktopExtras& extras) {
  if (!extras.continuing) beginMainLoop(viewer);
  double stretchStart = extras.timing ? extras.clock() : 0;
  if (extras.timing) extras.timing->clear();
  for (int64_t pass = 0; extras.maxPasses < 0 || pass < extras.maxPasses; ++pass) {
    if (extras.watch &&
        pollLevelWatch(*extras.watch, viewer.world, viewer.camera, levelWatchClockMs()) == LevelWatchResult::Reloaded &&
        extras.recorder) {
      // Only a version shown is recorded: a refused one changed nothing on the screen.
      extras.recorder->recordLevel(platform.pass(), extras.watch->path, extras.watch->bytes);
    }
    if (viewer.quitRequested != 0) break;
    const double passStart = extras.timing ? extras.clock() : 0;
    if (!runPass(viewer, platform)) {
      platform.endPass();  // the close is recorded too
      break;
    }
    if (!extras.timing) continue;
    const double now = extras.clock();
    extras.timing->add(platform.lastPresentStart() - passStart, platform.lastPresentSeconds(),
                       platform.lastWaitSeconds());
    if (now - stretchStart >= extras.fpsIntervalSeconds) {
      std::fprintf(extras.fpsOut, "quellor: %s\n", fpsLine(*extras.timing, now - stretchStart).c_str());
      std::fflush(extras.fpsOut);
      extras.timing->clear();
      stretchStart = now;
    }
  }
}
