#pragma once
// The viewer's start-up and shut-down, the same on every platform. A platform's entry
// makes its window (or whatever stands for one), then calls runViewer.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "geometry/angle_tables.h"
#include "viewer/main_loop.h"
#include "viewer/platform.h"

// The environment variable that forces a row writer (sse2, avx2 or avx512) instead of the
// quickest this processor runs; the tests set it to draw with every writer.
constexpr const char* RowWriterVariable = "QUELLOR_ROW_WRITER";

struct ViewerOptions {
  const char* programName = "quellor";  // begins what is reported on standard error
  const char* levelFileName = "3rooms.b2";
  int64_t maxPasses = -1;           // negative: until Q or a close
  const char* rowWriter = nullptr;  // a row writer's name; null or empty: the quickest
  bool reportLevelFailure = true;   // a level that does not load is reported on standard error
  // The level's bytes (a recording's), parsed under levelFileName's name: no file is read.
  const std::vector<uint8_t>* levelBytes = nullptr;
  // When given, receives the bytes of the level file read at start (for a recording).
  std::vector<uint8_t>* levelBytesRead = nullptr;
};

enum class ViewerEnd {
  Finished,      // the loop ran and ended; the frame is released
  NoFrame,       // the first frame buffer could not be made: nothing was drawn
  BadRowWriter,  // options.rowWriter names no writer this processor runs: nothing was made
};

// Takes the row writer that `name` names (null or empty: the quickest). False, with the reason in
// error, for a name of no writer or of one this processor cannot run.
bool chooseRowWriter(Renderer& renderer, const char* name, std::string& error);

// Start-up in the viewer's order: the frame buffer; the frame made again at the client
// area's real size when that is not 320 x 240 (HiDPI); the window shown; the angle tables;
// the camera placed and the level loaded (a failure to load is reported and the viewer
// runs on with what the world then holds). Then the first pass may run. A platform whose
// passes are driven from outside (a browser's animation frames) calls this, then
// beginMainLoop and runPass itself; loaded, when given, receives the loader's result.
template <class Platform>
ViewerEnd startViewerRun(Viewer& viewer, Platform& platform, const ViewerOptions& options, std::string& error,
                         LevelLoadResult* loaded = nullptr) {
  requirePlatform<Platform>();
  if (!chooseRowWriter(viewer.renderer, options.rowWriter, error)) return ViewerEnd::BadRowWriter;
  if (!createFrame(viewer, platform)) return ViewerEnd::NoFrame;
  const PixelSize pixels = platform.clientPixels();
  if (pixels.width != FirstClientWidth || pixels.height != FirstClientHeight) {
    resizeFrame(viewer, platform, pixels.width, pixels.height);
  }
  platform.show();
  angleTables();  // made now, not during the first frame
  const LevelLoadResult result = startViewer(viewer, options.levelFileName, options.levelBytes, options.levelBytesRead);
  if (!result.ok && options.reportLevelFailure) {
    std::fprintf(stderr, "%s: %s\n", options.programName, result.message.c_str());
    if (!result.note.empty()) std::fprintf(stderr, "%s: %s\n", options.programName, result.note.c_str());
    std::fflush(stderr);
  }
  if (loaded) *loaded = result;
  return ViewerEnd::Finished;
}

// The frame released, once the loop has ended.
template <class Platform>
void finishViewerRun(Viewer& viewer, Platform& platform) {
  if (viewer.frameExists) {
    platform.releaseFrame(viewer.frame);
    detail::releaseFrame(viewer);  // no pointer into released memory stays behind
  }
}

// Start-up, the main loop until Q, a close or options.maxPasses passes, and the release.
template <class Platform>
ViewerEnd runViewer(Viewer& viewer, Platform& platform, const ViewerOptions& options, std::string& error) {
  const ViewerEnd started = startViewerRun(viewer, platform, options, error);
  if (started != ViewerEnd::Finished) return started;
  runMainLoop(viewer, platform, options.maxPasses);
  finishViewerRun(viewer, platform);
  return ViewerEnd::Finished;
}
