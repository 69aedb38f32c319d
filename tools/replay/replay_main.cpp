// quellor-replay: the viewer without a window. Scripted messages go through the same
// frame pass as the desktop viewer; every presented frame can be written as an image,
// and every pass leaves a line in a trace.
#include <CLI/CLI.hpp>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <new>
#include <vector>

#include "io/input_file.h"
#include "io/output_file.h"
#include "quellor/version.h"
#include "tools/replay/digest_file.h"
#include "tools/replay/explain_files.h"
#include "tools/replay/replay_options.h"
#include "tools/replay/timedemo.h"
#include "viewer/frame_image.h"
#include "viewer/heap_frame.h"
#include "viewer/level_advice.h"
#include "viewer/main_loop.h"
#include "viewer/message_recorder.h"
#include "viewer/recorded_levels.h"
#include "viewer/recording_script.h"
#include "viewer/run_viewer.h"
#include "viewer/screenshot.h"
#include "viewer/stop_signals.h"

namespace {

// A script is a few bytes a pass; this is room for millions of scripted events.
constexpr size_t MaxScriptBytes = 4 * MiB;

struct Options {
  std::string level = "3rooms.b2";
  std::string size = "320x240";
  std::string script;
  std::string passes = "1";
  std::string shots;  // empty: the last pass
  std::string out = ".";
  std::string format = "png";
  std::string digests;  // empty: none
  bool topDown = false;
  bool timedemo = false;
  std::string repeat = "1";
  bool present = false;
  std::string explain;         // the pass to explain, empty for none
  std::string view = "plain";  // or "depth"
};

class ReplayPlatform {
 public:
  // viewer: the shell state the trace reads after each pass.
  // explainPass: the pass written out step by step (0 for none).
  ReplayPlatform(const Recording& script, const Options& options, const ShotPlan& shots, Viewer& viewer,
                 int64_t explainPass)
      : script_(script), options_(options), shots_(shots), viewer_(viewer), explainPass_(explainPass) {
    explainOptions_.depthView = options.view == "depth";
    if (explainPass_ > 0 || explainOptions_.depthView) explainer_ = std::make_unique<Explainer>();
  }

  // A stop (a signal, or an output that failed) arrives as a close: the loop ends at once.
  bool nextMessage(Message& message) {
    if (stopSignal != 0 || failed_) {
      message = {MessageKind::Close, 0, 0, 0};
      return true;
    }
    return script_.next(presented_, message);
  }

  void present(const PresentedFrame& frame) {
    ++presented_;
    traceLine(viewer_);
    // The frame just drawn, drawn again as the explainer shows it.
    if (presented_ == explainPass_ && !failed_) {
      std::string error;
      if (!writeExplainFiles(viewer_, *explainer_, explainOptions_, options_.level, options_.out,
                             options_.format == "pgm", error))
        report(error);
    } else if (explainOptions_.depthView && viewer_.frameExists) {
      explainer_->recordPass(
          viewer_.renderer, {viewer_.world, viewer_.camera, viewer_.viewport, viewer_.initialFrustum}, explainOptions_);
    }
    const bool wanted =
        shots_.kind == ShotPlan::All || (shots_.kind == ShotPlan::Listed && shots_.passes.count(presented_));
    if ((wanted || shots_.kind == ShotPlan::Last) && frame.rowOrigin) captureFrame(frame, image_);
    if (wanted) writeShot(presented_);
    if (digests_.isOpen()) digests_.add(presented_, frame);
  }

  bool allocateFrame(int32_t width, int32_t height, FrameMemory& out) {
    return allocateHeapFrame(width, height, options_.topDown ? RowOrder::TopDown : RowOrder::BottomUp, out);
  }
  void releaseFrame(FrameMemory& frame) { releaseHeapFrame(frame); }
  // No window: the client area is the size the options give, and nothing is shown.
  PixelSize clientPixels() const { return clientPixels_; }
  void show() {}
  void setClientPixels(PixelSize pixels) { clientPixels_ = pixels; }

  // The trace goes to a temporary file beside trace.tsv until the run has ended well.
  bool openTrace(std::string& error) {
    if (!trace_.open((std::filesystem::path(options_.out) / "trace.tsv").string(), error)) return false;
    append(
        "pass\troom\tpx\tpy\tpz\tr00\tr01\tr02\tr10\tr11\tr12\tr20\tr21\tr22\twalk\tturnY\t"
        "overview\twidth\theight\n");
    return true;
  }

  // After the last pass: the default shot, then the trace put in place. False, with the
  // reason already reported, when any output failed; the trace is then not put in place
  // and an earlier trace.tsv stays as it was.
  bool finish() {
    if (!failed_ && shots_.kind == ShotPlan::Last && presented_ > 0) writeShot(presented_);
    if (failed_) return false;
    writeTraceBuffer();
    if (failed_) return false;
    std::string error;
    if (!trace_.commit(error)) return report(error);
    if (digests_.isOpen() && !digests_.finish(error)) return report(error);
    return true;
  }

  bool openDigests(const std::string& path, std::string& error) { return digests_.open(path, error); }

  int64_t presented() const { return presented_; }

 private:
  bool report(const std::string& error) {
    std::fprintf(stderr, "quellor-replay: %s\n", error.c_str());
    failed_ = true;
    return false;
  }

  // Trace lines gather in a fixed buffer: one write a few hundred passes, not one a pass.
  void append(const char* text) {
    const size_t n = std::strlen(text);
    if (traceUsed_ + n > sizeof traceBuffer_) writeTraceBuffer();
    std::memcpy(traceBuffer_ + traceUsed_, text, n);
    traceUsed_ += n;
  }
  void writeTraceBuffer() {
    std::string error;
    if (!trace_.write(traceBuffer_, traceUsed_) && !failed_) {
      // The reason is the write's own: flush reports it and removes the temporary file.
      trace_.flush(error);
      report(error);
    }
    traceUsed_ = 0;
  }

  void traceLine(const Viewer& viewer) {
    const Camera& c = viewer.camera;
    char line[1024];
    int n = std::snprintf(line, sizeof line, "%lld\t%d\t%.9g\t%.9g\t%.9g", (long long)presented_,
                          viewer.world.currentRoom, c.position.x, c.position.y, c.position.z);
    for (const Vec3& row : c.orientation.rows) {
      n += std::snprintf(line + n, sizeof line - size_t(n), "\t%.9g\t%.9g\t%.9g", row.x, row.y, row.z);
    }
    std::snprintf(line + n, sizeof line - size_t(n), "\t%.9g\t%d\t%d\t%d\t%d\n", viewer.walkSpeed, c.turnRateY,
                  viewer.world.overviewEnabled, viewer.viewport.width, viewer.viewport.height);
    append(line);
  }

  void writeShot(int64_t pass) {
    char name[64];
    std::snprintf(name, sizeof name, "frame-%06lld.%s", (long long)pass, options_.format.c_str());
    const std::string path = (std::filesystem::path(options_.out) / name).string();
    if (options_.format == "png") {
      if (!encodePng(image_, encoded_)) {
        report(path + ": cannot be written: the PNG encoder failed");
        return;
      }
    } else {
      encodePgm(image_, encoded_);
    }
    std::string error;
    if (!writeFileAtomically(path, encoded_, error)) report(error);
  }

  ScriptCursor script_;
  const Options& options_;
  const ShotPlan& shots_;
  Viewer& viewer_;
  int64_t explainPass_;
  ExplainOptions explainOptions_;
  std::unique_ptr<Explainer> explainer_;
  int64_t presented_ = 0;
  PixelSize clientPixels_{FirstClientWidth, FirstClientHeight};
  FrameImage image_;
  std::vector<uint8_t> encoded_;
  OutputFile trace_;
  DigestFile digests_;
  char traceBuffer_[65536];
  size_t traceUsed_ = 0;
  bool failed_ = false;
};

// After the loader's report: where the level is, when the working folder has none and
// the program's folder (a build folder) has one, or where the installed levels are.
void adviseLevel(const Options& options, bool levelGiven, const char* invokedAs) {
  std::fputs(levelAdvice(runningProgram("quellor-replay", invokedAs, options.level, levelGiven, "--level")).c_str(),
             stderr);
}

// After a first level that did not load: the recording's place of the level it carries,
// or, for a level file, the loader's message and the advice on where the levels are.
void reportStartLevel(const Recording& script, bool carriesNone, const Options& options, const LevelLoadResult& loaded,
                      bool levelGiven, const char* invokedAs) {
  if (const RecordedLevel* start = startingLevel(script)) {
    std::fprintf(stderr, "quellor-replay: %s:%d: %s\n", options.script.c_str(), start->line, loaded.message.c_str());
    return;
  }
  adviseLevel(options, levelGiven, invokedAs);
  if (carriesNone) {
    std::fprintf(stderr,
                 "quellor-replay: %s carries no level of its own (it was recorded before recordings did): it plays "
                 "the file it names, from the working folder\n",
                 options.script.c_str());
  }
}

// The main loop with the recording's level versions put in place before the passes they
// were shown from, as the desktop's loop followed the file. False when there is no memory
// for a level.
bool playRecording(Viewer& viewer, ReplayPlatform& platform, const Recording& script, const std::string& fileName,
                   int64_t maxPasses) {
  std::unique_ptr<World> incoming;
  if (!script.levels.empty()) {
    incoming.reset(new (std::nothrow) World);
    if (!incoming) {
      std::fprintf(stderr, "quellor-replay: no memory for the recording's levels\n");
      return false;
    }
  }
  beginMainLoop(viewer);
  std::string error;
  for (int64_t pass = 0; maxPasses < 0 || pass < maxPasses; ++pass) {
    if (incoming &&
        !adoptRecordedLevels(script, pass + 1, fileName, viewer.world, *incoming, viewer.camera.position, error)) {
      std::fprintf(stderr, "quellor-replay: %s\n", error.c_str());
    }
    if (viewer.quitRequested != 0 || !runPass(viewer, platform)) break;
  }
  return true;
}

int refuse(const std::string& message) {
  std::fprintf(stderr, "quellor-replay: %s\n", message.c_str());
  return 2;
}

// The exit status of a start that drew nothing.
int refuseStart(ViewerEnd end, const std::string& error) {
  if (end == ViewerEnd::BadRowWriter) return refuse(error);
  std::fprintf(stderr, "quellor-replay: cannot allocate a 320x240 frame buffer\n");
  return 1;
}

// --timedemo: nothing written, the figures on standard output. maxPasses is negative when
// --passes was not given: a script then runs to its last pass, standing still runs runs passes.
int runTimedemoCommand(const Options& options, const Recording& script, const std::vector<uint8_t>* startBytes,
                       int32_t width, int32_t height, int64_t maxPasses, int64_t runs, bool levelGiven,
                       const char* invokedAs) {
  TimedemoPlan plan;
  plan.levelFileName = options.level.c_str();
  plan.levelBytes = startBytes;
  plan.width = width;
  plan.height = height;
  plan.present = options.present;
  plan.topDown = options.topDown;
  plan.rowWriter = std::getenv(RowWriterVariable);
  plan.stop = &stopSignal;
  const int64_t last = script.messages.empty() ? 1 : script.messages.back().pass;
  const int64_t each = maxPasses >= 0 ? maxPasses : options.script.empty() ? 1 : last;
  // runs is at most MaxReplayPasses, so once each is too the product cannot overflow.
  if (each > MaxReplayPasses || each * runs > MaxReplayPasses) {
    return refuse("--repeat: " + std::to_string(runs) + " x " + std::to_string(each) + " passes is more than " +
                  std::to_string(MaxReplayPasses));
  }
  // Standing still, every pass draws the same frame: one viewer runs them all.
  plan.script = options.script.empty() ? nullptr : &script;
  plan.runs = plan.script ? runs : 1;
  plan.passesPerRun = plan.script ? each : each * runs;
  auto timing = std::make_unique<PassTiming>();
  const TimedemoOutcome outcome = runTimedemo(plan, *timing);
  if (outcome.end != ViewerEnd::Finished) return refuseStart(outcome.end, outcome.error);
  if (!outcome.levelLoaded && !startBytes) adviseLevel(options, levelGiven, invokedAs);
  if (stopSignal != 0) {
    const int signal = stopSignal;
    std::fprintf(stderr, "quellor-replay: timedemo stopped by %s after %lld passes\n",
                 signal == SIGINT ? "SIGINT" : "SIGTERM", (long long)timing->count());
    std::signal(signal, SIG_DFL);
    std::raise(signal);
  }
  std::fputs(timedemoReport(*timing, options.present).c_str(), stdout);
  return outcome.levelLoaded ? 0 : 3;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  CLI::App app{"quellor-replay: runs the viewer's frame pass headless on scripted input"};
  app.set_version_flag("--version", std::string("quellor-replay ") + QuellorVersion);
  const std::string scriptHelp = "input events, one 'PASS EVENT [ARGS]' a line; a regular file of at most " +
                                 std::to_string(MaxScriptBytes / MiB) + " MiB";
  const std::string passesHelp = "passes at most, 0 to " + std::to_string(MaxReplayPasses) +
                                 " (default 1; a recording of quellor's: its last pass)";
  app.add_option("--level", options.level,
                 "level file (default 3rooms.b2; a recording of quellor's: the level it names)")
      ->type_name("PATH");
  app.add_option("--size", options.size, "client size at start, WxH from 0 to 65535 (default 320x240)")
      ->type_name("WxH");
  app.add_option("--script", options.script, scriptHelp)->type_name("PATH");
  app.add_option("--passes", options.passes, passesHelp)->type_name("N");
  app.add_option("--shots", options.shots,
                 "passes to capture: 1,5,9 (each within --passes) or all or none (default: the last)")
      ->type_name("LIST");
  app.add_option("--out", options.out, "folder for frames and trace.tsv (default .)")->type_name("DIR");
  app.add_option("--format", options.format, "png or pgm (default png)")->check(CLI::IsMember({"png", "pgm"}));
  app.add_option("--digests", options.digests,
                 "write a line per pass to FILE: the pass and an XXH3-64 digest of its frame")
      ->type_name("FILE");
  app.add_flag("--top-down", options.topDown, "store frame rows top-down instead of bottom-up");
  CLI::Option* timedemo = app.add_flag("--timedemo", options.timedemo,
                                       "time the passes as fast as they go, write no frames and no trace, and print "
                                       "passes, total time, passes per second, median and worst pass");
  app.add_option("--repeat", options.repeat,
                 "with --timedemo: play the script N times, each from the start; without a script, stand "
                 "still for N passes (1 to " +
                     std::to_string(MaxReplayPasses) + ", default 1)")
      ->type_name("N")
      ->needs(timedemo);
  app.add_flag("--present", options.present,
               "with --timedemo: also time expanding each frame to 32-bit colour, as a window's present does")
      ->needs(timedemo);
  CLI::Option* explain =
      app.add_option("--explain", options.explain,
                     "write pass N step by step into --out: steps.tsv, step-NNNN.png (the frame up to each step, "
                     "the step outlined) and plan.svg (the plan with the pass's traversal)")
          ->type_name("N");
  CLI::Option* view = app.add_option("--view", options.view,
                                     "plain or depth: depth writes every frame in the depth view (walls in their "
                                     "portal depth's colour, portal outlines on top)")
                          ->check(CLI::IsMember({"plain", "depth"}));
  for (const char* name : {"--shots", "--out", "--format", "--digests"}) timedemo->excludes(name);
  timedemo->excludes(explain);
  timedemo->excludes(view);
  app.footer(
      "Exit status: 0 after the last pass, Q or close; 1 when an output cannot be written "
      "(earlier files of the same name are left as they were); 2 for an option or script it "
      "cannot read, before anything runs; 3 when the level was not loaded (the passes still "
      "ran on an empty level and the frames and trace, or a timedemo's figures, were written). SIGINT or SIGTERM stops "
      "the run before its next pass: frames already written stay, trace.tsv is not replaced, "
      "and the program ends by that signal. A timedemo runs until its script's last pass (or "
      "--passes), times each pass from its input to its frame, and reports medians of the "
      "first 4096 passes.");
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    const int code = app.exit(e);
    return code == 0 ? 0 : 2;
  }

  int32_t width = 0, height = 0;
  int64_t passes = 0;
  ShotPlan shots;
  std::string error;
  if (!parseSizeOption(options.size, width, height, error) || !parsePassesOption(options.passes, passes, error)) {
    return refuse(error);
  }
  Recording script;
  const std::vector<uint8_t>* startBytes = nullptr;
  bool carriesNone = false;  // a recording from before recordings carried their level  // the recording's first level,
                             // when it carries one
  bool levelGiven = app.count("--level") > 0;
  const char* invokedAs = argc > 0 ? argv[0] : nullptr;
  if (!options.script.empty()) {
    std::string text;
    if (!readInputFile(options.script, MaxScriptBytes, "a script", text, error) ||
        !parseRecording(text, options.script, script, error)) {
      return refuse(error);
    }
    // A recording of quellor's plays back as it was made unless the options say otherwise:
    // its level, its first client size, and every pass it recorded.
    if (script.hasHeader) {
      const RecordingHeader& recorded = script.header;
      levelGiven = true;  // by the recording, or by --level over it
      if (app.count("--level") == 0) options.level = recorded.level;
    }
    // The level versions it carries win over any file of that name; --level over them.
    carriesNone = script.hasHeader && script.levels.empty() && app.count("--level") == 0;
    if (!script.levels.empty() && app.count("--level") > 0) {
      std::fprintf(stderr, "quellor-replay: --level %s plays instead of the %zu level version(s) %s carries\n",
                   options.level.c_str(), script.levels.size(), options.script.c_str());
      script.levels.clear();
    }
    if (const RecordedLevel* start = startingLevel(script)) {
      options.level = start->name;
      startBytes = &start->bytes;
    }
    if (script.hasHeader) {
      const RecordingHeader& recorded = script.header;
      if (app.count("--size") == 0) {
        width = recorded.width;
        height = recorded.height;
      }
      if (app.count("--passes") == 0 && script.lastPass() > 0) {
        passes = std::min<int64_t>(script.lastPass(), MaxReplayPasses);
      }
    }
  }
  if (!parseShotsOption(options.shots, passes, shots, error)) return refuse(error);
  int64_t explainPass = 0;
  if (!options.explain.empty()) {
    if (!parsePassesOption(options.explain, explainPass, error) || explainPass < 1 || explainPass > passes) {
      return refuse("--explain: pass " + options.explain + " is not one of the run's passes (1 to " +
                    std::to_string(passes) + ")");
    }
  }
  catchStopSignals();
  if (options.timedemo) {
    int64_t runs = 0;
    if (!parseRepeatOption(options.repeat, runs, error)) return refuse(error);
    return runTimedemoCommand(options, script, startBytes, width, height, app.count("--passes") ? passes : -1, runs,
                              levelGiven, invokedAs);
  }
  std::error_code ec;
  std::filesystem::create_directories(options.out, ec);
  if (ec) {
    std::fprintf(stderr, "quellor-replay: %s: cannot be made: %s\n", options.out.c_str(), ec.message().c_str());
    return 1;
  }

  auto viewer = std::make_unique<Viewer>();
  auto platform = std::make_unique<ReplayPlatform>(script, options, shots, *viewer, explainPass);
  if (!platform->openTrace(error)) {
    std::fprintf(stderr, "quellor-replay: %s\n", error.c_str());
    return 1;
  }
  if (!options.digests.empty() && !platform->openDigests(options.digests, error)) {
    std::fprintf(stderr, "quellor-replay: %s\n", error.c_str());
    return 1;
  }
  platform->setClientPixels({width, height});
  ViewerOptions run;
  run.programName = "quellor-replay";
  run.levelFileName = options.level.c_str();
  run.maxPasses = passes;
  run.rowWriter = std::getenv(RowWriterVariable);
  run.levelBytes = startBytes;
  run.reportLevelFailure = startBytes == nullptr;
  LevelLoadResult loaded{true, {}};
  const ViewerEnd started = startViewerRun(*viewer, *platform, run, error, &loaded);
  if (started != ViewerEnd::Finished) return refuseStart(started, error);
  if (!loaded.ok) reportStartLevel(script, carriesNone, options, loaded, levelGiven, invokedAs);
  if (!playRecording(*viewer, *platform, script, options.script, run.maxPasses)) return 1;
  finishViewerRun(*viewer, *platform);
  if (stopSignal != 0) {
    const int signal = stopSignal;
    std::fprintf(stderr, "quellor-replay: stopped by %s after pass %lld; trace.tsv left as it was\n",
                 signal == SIGINT ? "SIGINT" : "SIGTERM", (long long)platform->presented());
    platform.reset();  // removes the unfinished trace
    // Ended by the signal, as the caller expects of a program it interrupted.
    std::signal(signal, SIG_DFL);
    std::raise(signal);
  }
  if (!platform->finish()) return 1;
  // The frames of an empty level are written, but a caller must be able to tell them from
  // the level's.
  return loaded.ok ? 0 : 3;
}
