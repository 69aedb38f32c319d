#pragma once
// The fixed camera paths the frame-pass benchmarks walk: the replay scripts in
// bench/paths, played through the shell's own pass (messages, walk, track, turn,
// planes, clear, render) with nothing presented. The frames-unchanged test replays the
// same scripts, so the frames timed here are the frames checked there.
#include <cstdint>
#include <memory>
#include <string>

#include "viewer/main_loop.h"
#include "viewer/recording_script.h"

struct CameraPath {
  std::string level;   // level name, also the script's name: <level>.b2, <level>.txt
  int64_t passes = 0;  // one walk along the path
  Recording script;
};

// The level file and script of `level`, or false with the reason in error.
bool loadCameraPath(const std::string& level, CameraPath& path, std::string& error);
std::string levelFilePath(const std::string& level);

// A platform that hands out the scripted messages of each pass and shows nothing.
class PathPlatform {
 public:
  explicit PathPlatform(const Recording& script) : script_(script) {}
  bool nextMessage(Message& message);
  void present(const PresentedFrame&) { ++presented_; }
  bool allocateFrame(int32_t width, int32_t height, FrameMemory& out);
  void releaseFrame(FrameMemory& frame);
  void restart();

 private:
  ScriptCursor script_;
  int64_t presented_ = 0;
};

// A viewer walking a path at one frame size, from the same start state the program has.
class PathRun {
 public:
  explicit PathRun(const CameraPath& path);
  ~PathRun();
  PathRun(const PathRun&) = delete;
  PathRun& operator=(const PathRun&) = delete;

  // Makes the frame, loads the level and places the camera; false with a reason.
  bool start(int32_t width, int32_t height, std::string& error);
  // One pass of the main loop without a present; after the last pass of the path the
  // camera goes back to its start and the walk begins again.
  void pass();
  // Back to the path's first pass, the camera at its start.
  void restart();

  Viewer& viewer() { return *viewer_; }
  int64_t passesPerWalk() const { return path_.passes; }

 private:
  const CameraPath& path_;
  std::unique_ptr<Viewer> viewer_;
  PathPlatform platform_;
  int64_t done_ = 0;
};
