// quellor-replay: the viewer without a window. Scripted messages go through the same
// frame pass as the desktop viewer; every presented frame can be written as an image,
// and every pass leaves a line in a trace.
#include <CLI/CLI.hpp>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <set>
#include <sstream>

#include "tools/replay/frame_image.h"
#include "tools/replay/replay_script.h"
#include "viewer/heap_frame.h"
#include "viewer/main_loop.h"
#include "viewer/run_viewer.h"

namespace {

struct Options {
  std::string level = "3rooms.b2";
  std::string size = "320x240";
  std::string script;
  int64_t passes = 1;
  std::string shots;  // empty: the last pass
  std::string out = ".";
  std::string format = "png";
  bool topDown = false;
};

struct ShotPlan {
  enum Kind { Last, All, None, Listed } kind = Last;
  std::set<int64_t> passes;
};

bool parseShots(const std::string& text, ShotPlan& plan, std::string& error) {
  if (text.empty()) return true;
  if (text == "all") plan.kind = ShotPlan::All;
  else if (text == "none") plan.kind = ShotPlan::None;
  else {
    plan.kind = ShotPlan::Listed;
    std::istringstream items(text);
    for (std::string item; std::getline(items, item, ',');) {
      char* end = nullptr;
      errno = 0;
      const long long pass = std::strtoll(item.c_str(), &end, 10);
      if (item.empty() || *end != '\0' || errno != 0 || pass < 1) {
        error = "--shots: '" + item + "' is not a pass number (1 or more), all or none";
        return false;
      }
      plan.passes.insert(pass);
    }
  }
  return true;
}

bool parseSize(const std::string& text, int32_t& width, int32_t& height) {
  unsigned w = 0, h = 0;
  char tail = 0;
  if (std::sscanf(text.c_str(), "%ux%u%c", &w, &h, &tail) != 2 || w > 65535 || h > 65535) {
    return false;
  }
  width = int32_t(w);
  height = int32_t(h);
  return true;
}

class ReplayPlatform {
 public:
  ReplayPlatform(const ReplayScript& script, const Options& options, const ShotPlan& shots)
      : script_(script), options_(options), shots_(shots) {}

  bool nextMessage(Message& message) { return script_.next(presented_, message); }

  void present(const Viewer& viewer) {
    ++presented_;
    traceLine(viewer);
    const bool wanted = shots_.kind == ShotPlan::All ||
                        (shots_.kind == ShotPlan::Listed && shots_.passes.count(presented_));
    if (wanted || shots_.kind == ShotPlan::Last) capture(viewer);
    if (wanted) writeShot(presented_);
  }

  bool allocateFrame(int32_t width, int32_t height, FrameMemory& out) {
    return allocateHeapFrame(width, height, options_.topDown ? RowOrder::TopDown : RowOrder::BottomUp,
                             out);
  }
  void releaseFrame(FrameMemory& frame) { releaseHeapFrame(frame); }
  // No window: the client area is the size the options give, and nothing is shown.
  PixelSize clientPixels() const { return clientPixels_; }
  void show() {}
  void setClientPixels(PixelSize pixels) { clientPixels_ = pixels; }

  bool openTrace() {
    trace_.open(std::filesystem::path(options_.out) / "trace.tsv");
    trace_ << "pass\troom\tpx\tpy\tpz\tr00\tr01\tr02\tr10\tr11\tr12\tr20\tr21\tr22\twalk\tturnY\t"
              "overview\twidth\theight\n";
    return bool(trace_);
  }

  // The default shot: the last frame presented.
  void finish() {
    if (shots_.kind == ShotPlan::Last && presented_ > 0) writeShot(presented_);
    trace_.flush();
  }

  bool failed() const { return failed_ || !trace_; }

 private:
  void traceLine(const Viewer& viewer) {
    const Camera& c = viewer.camera;
    char line[1024];
    int n = std::snprintf(line, sizeof line, "%lld\t%d\t%.9g\t%.9g\t%.9g", (long long)presented_,
                          viewer.world.currentRoom, c.position.x, c.position.y, c.position.z);
    for (const Vec3& row : c.orientation.rows) {
      n += std::snprintf(line + n, sizeof line - size_t(n), "\t%.9g\t%.9g\t%.9g", row.x, row.y, row.z);
    }
    std::snprintf(line + n, sizeof line - size_t(n), "\t%.9g\t%d\t%d\t%d\t%d\n", viewer.walkSpeed,
                  c.turnRateY, viewer.world.overviewEnabled, viewer.viewport.width,
                  viewer.viewport.height);
    trace_ << line;
  }

  void capture(const Viewer& viewer) {
    const Viewport& v = viewer.viewport;
    image_.width = v.width;
    image_.height = v.height;
    image_.pixels.resize(size_t(v.width) * size_t(v.height));
    for (int32_t y = 0; y < v.height; ++y) {
      std::memcpy(&image_.pixels[size_t(y) * size_t(v.width)], pixelRow(v, y), size_t(v.width));
    }
  }

  void writeShot(int64_t pass) {
    char name[64];
    std::snprintf(name, sizeof name, "frame-%06lld.%s", (long long)pass, options_.format.c_str());
    const std::string path = (std::filesystem::path(options_.out) / name).string();
    const bool ok = options_.format == "png" ? writePng(image_, path) : writePgm(image_, path);
    if (!ok) {
      std::fprintf(stderr, "quellor-replay: cannot write %s\n", path.c_str());
      failed_ = true;
    }
  }

  ScriptCursor script_;
  const Options& options_;
  const ShotPlan& shots_;
  int64_t presented_ = 0;
  PixelSize clientPixels_{FirstClientWidth, FirstClientHeight};
  FrameImage image_;
  std::ofstream trace_;
  bool failed_ = false;
};

}  // namespace

int main(int argc, char** argv) {
  Options options;
  CLI::App app{"quellor-replay: runs the viewer's frame pass headless on scripted input"};
  app.add_option("--level", options.level, "level file (default 3rooms.b2)");
  app.add_option("--size", options.size, "client size at start, WxH (default 320x240)");
  app.add_option("--script", options.script, "input events, one 'PASS EVENT [ARGS]' a line");
  app.add_option("--passes", options.passes, "passes at most (default 1)")->check(CLI::NonNegativeNumber);
  app.add_option("--shots", options.shots, "passes to capture: 1,5,9 or all or none (default: the last)");
  app.add_option("--out", options.out, "folder for frames and trace.tsv (default .)");
  app.add_option("--format", options.format, "png or pgm (default png)")
      ->check(CLI::IsMember({"png", "pgm"}));
  app.add_flag("--top-down", options.topDown, "store frame rows top-down instead of bottom-up");
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    const int code = app.exit(e);
    return code == 0 ? 0 : 2;
  }

  int32_t width = 0, height = 0;
  if (!parseSize(options.size, width, height)) {
    std::fprintf(stderr, "quellor-replay: --size: '%s' is not WxH with W and H from 0 to 65535\n",
                 options.size.c_str());
    return 2;
  }
  ShotPlan shots;
  std::string error;
  if (!parseShots(options.shots, shots, error)) {
    std::fprintf(stderr, "quellor-replay: %s\n", error.c_str());
    return 2;
  }
  ReplayScript script;
  if (!options.script.empty()) {
    std::ifstream in(options.script, std::ios::binary);
    if (!in) {
      std::fprintf(stderr, "quellor-replay: cannot read script %s: %s\n", options.script.c_str(),
                   std::strerror(errno));
      return 2;
    }
    std::stringstream text;
    text << in.rdbuf();
    if (!parseReplayScript(text.str(), options.script, script, error)) {
      std::fprintf(stderr, "quellor-replay: %s\n", error.c_str());
      return 2;
    }
  }
  std::error_code ec;
  std::filesystem::create_directories(options.out, ec);

  auto viewer = std::make_unique<Viewer>();
  ReplayPlatform platform(script, options, shots);
  if (!platform.openTrace()) {
    std::fprintf(stderr, "quellor-replay: cannot write %s/trace.tsv\n", options.out.c_str());
    return 1;
  }
  platform.setClientPixels({width, height});
  ViewerOptions run;
  run.programName = "quellor-replay";
  run.levelFileName = options.level.c_str();
  run.maxPasses = options.passes;
  run.rowWriter = std::getenv(RowWriterVariable);
  switch (runViewer(*viewer, platform, run, error)) {
    case ViewerEnd::BadRowWriter:
      std::fprintf(stderr, "quellor-replay: %s\n", error.c_str());
      return 2;
    case ViewerEnd::NoFrame:
      std::fprintf(stderr, "quellor-replay: cannot allocate a 320x240 frame buffer\n");
      return 1;
    case ViewerEnd::Finished:
      break;
  }
  platform.finish();
  return platform.failed() ? 1 : 0;
}
