#include "bench/camera_path.h"

#include <fstream>
#include <sstream>

#include "viewer/heap_frame.h"

namespace {

// Passes in one walk of each path, as its script's comment says.
struct PathLength {
  const char* level;
  int64_t passes;
};
constexpr PathLength PathLengths[] = {{"3rooms", 570}, {"eight_rooms", 926}};

}  // namespace

std::string levelFilePath(const std::string& level) {
  return std::string(QUELLOR_BENCH_LEVEL_DIR) + "/" + level + ".b2";
}

bool loadCameraPath(const std::string& level, CameraPath& path, std::string& error) {
  path.level = level;
  path.passes = 0;
  for (const PathLength& known : PathLengths) {
    if (level == known.level) path.passes = known.passes;
  }
  if (path.passes == 0) {
    error = "no camera path for level " + level;
    return false;
  }
  const std::string scriptFile = std::string(QUELLOR_BENCH_PATH_DIR) + "/" + level + ".txt";
  std::ifstream in(scriptFile, std::ios::binary);
  if (!in) {
    error = "cannot read " + scriptFile;
    return false;
  }
  std::stringstream text;
  text << in.rdbuf();
  return parseRecording(text.str(), scriptFile, path.script, error);
}

bool PathPlatform::nextMessage(Message& message) { return script_.next(presented_, message); }

bool PathPlatform::allocateFrame(int32_t width, int32_t height, FrameMemory& out) {
  // Stored bottom-up, as the desktop viewer stores its frames.
  return allocateHeapFrame(width, height, RowOrder::BottomUp, out);
}

void PathPlatform::releaseFrame(FrameMemory& frame) { releaseHeapFrame(frame); }

void PathPlatform::restart() {
  script_.restart();
  presented_ = 0;
}

PathRun::PathRun(const CameraPath& path) : path_(path), viewer_(std::make_unique<Viewer>()), platform_(path.script) {}

PathRun::~PathRun() {
  if (viewer_->frameExists) platform_.releaseFrame(viewer_->frame);
}

bool PathRun::start(int32_t width, int32_t height, std::string& error) {
  Viewer& viewer = *viewer_;
  if (!createFrame(viewer, platform_)) {
    error = "cannot make a frame";
    return false;
  }
  resizeFrame(viewer, platform_, width, height);
  if (viewer.viewport.width != width || viewer.viewport.height != height) {
    error = "the frame did not take the size " + std::to_string(width) + "x" + std::to_string(height);
    return false;
  }
  const LevelLoadResult loaded = startViewer(viewer, levelFilePath(path_.level).c_str());
  if (!loaded.ok) {
    error = loaded.message;
    return false;
  }
  restart();
  return true;
}

void PathRun::restart() {
  // The state startViewer and the main loop's start leave, without reading the level again.
  Viewer& viewer = *viewer_;
  viewer.camera.setPosition(5.0f, 0.0f, 0.0f);
  viewer.camera.resetOrientation(0, 0, 0);
  viewer.world.overviewEnabled = 0;
  beginMainLoop(viewer);
  platform_.restart();
  done_ = 0;
}

void PathRun::pass() {
  if (done_ == path_.passes) restart();
  runPass(*viewer_, platform_);
  ++done_;
}
