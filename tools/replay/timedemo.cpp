#include "tools/replay/timedemo.h"

#include <cstdio>
#include <memory>
#include <vector>

#include "viewer/heap_frame.h"
#include "viewer/palette_expand.h"

namespace {

// Delivers the script (or nothing) and times each pass from its first message call to its
// present; the present's own work, the palette expansion a window would do, is timed apart.
class TimedemoPlatform {
 public:
  TimedemoPlatform(const TimedemoPlan& plan, const Recording& script, PassTiming& timing)
      : plan_(plan), script_(script), timing_(timing) {
    buildArgbTable(viewerPalette(), argb_);
  }

  bool nextMessage(Message& message) {
    if (!inPass_) {
      inPass_ = true;
      passStart_ = monotonicSeconds();
    }
    if (plan_.stop && *plan_.stop != 0) {
      message = {MessageKind::Close, 0, 0, 0};
      return true;
    }
    return script_.next(presented_, message);
  }

  void present(const PresentedFrame& frame) {
    const double drawn = monotonicSeconds();
    double presentSeconds = 0;
    if (plan_.present && frame.rowOrigin) {
      expandPalette(frame.rowOrigin, frame.pitch, frame.width, frame.height, colour_.data(), frame.width, argb_);
      presentSeconds = monotonicSeconds() - drawn;
    }
    timing_.add(drawn - passStart_, presentSeconds);
    ++presented_;
    inPass_ = false;
  }

  // The colour image follows the frame's size here, so a pass never allocates.
  bool allocateFrame(int32_t width, int32_t height, FrameMemory& out) {
    if (!allocateHeapFrame(width, height, plan_.topDown ? RowOrder::TopDown : RowOrder::BottomUp, out)) return false;
    if (plan_.present) colour_.resize(size_t(width) * size_t(height));
    return true;
  }
  void releaseFrame(FrameMemory& frame) { releaseHeapFrame(frame); }
  PixelSize clientPixels() const { return {plan_.width, plan_.height}; }
  void show() {}

 private:
  const TimedemoPlan& plan_;
  ScriptCursor script_;
  PassTiming& timing_;
  uint32_t argb_[PaletteSize];
  std::vector<uint32_t> colour_;
  int64_t presented_ = 0;
  bool inPass_ = false;
  double passStart_ = 0;
};

}  // namespace

TimedemoOutcome runTimedemo(const TimedemoPlan& plan, PassTiming& timing) {
  static_assert(isPlatform<TimedemoPlatform>);
  const Recording none;
  TimedemoOutcome outcome;
  ViewerOptions options;
  options.programName = "quellor-replay";
  options.levelFileName = plan.levelFileName;
  options.levelBytes = plan.levelBytes;
  options.maxPasses = plan.passesPerRun;
  options.rowWriter = plan.rowWriter;
  // The level's failure is reported once, by the first run, not once a run.
  for (int64_t run = 0; run < plan.runs && !(plan.stop && *plan.stop != 0); ++run) {
    auto viewer = std::make_unique<Viewer>();
    auto platform = std::make_unique<TimedemoPlatform>(plan, plan.script ? *plan.script : none, timing);
    options.reportLevelFailure = run == 0;
    LevelLoadResult loaded{true, {}};
    outcome.end = startViewerRun(*viewer, *platform, options, outcome.error, &loaded);
    if (outcome.end != ViewerEnd::Finished) break;
    outcome.levelLoaded = outcome.levelLoaded && loaded.ok;
    runMainLoop(*viewer, *platform, options.maxPasses);
    finishViewerRun(*viewer, *platform);
  }
  return outcome;
}

std::string timedemoReport(const PassTiming& timing, bool present) {
  const double total = timing.totalPassSeconds() + (present ? timing.totalPresentSeconds() : 0);
  const double perSecond = total > 0 ? double(timing.count()) / total : 0;
  char text[512];
  int n = std::snprintf(text, sizeof text,
                        "passes: %lld\n"
                        "total: %.3f s\n"
                        "passes per second: %.1f\n"
                        "pass: median %.3f ms, worst %.3f ms\n",
                        (long long)timing.count(), total, perSecond, timing.medianPassSeconds() * 1e3,
                        timing.worstPassSeconds() * 1e3);
  if (present) {
    std::snprintf(text + n, sizeof text - size_t(n), "present (palette to 32-bit): median %.3f ms, total %.3f s\n",
                  timing.medianPresentSeconds() * 1e3, timing.totalPresentSeconds());
  }
  return text;
}
