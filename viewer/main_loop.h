#pragma once
#include <cstdint>

#include "geometry/start_view.h"
#include "viewer/messages.h"
#include "viewer/platform.h"
#include "viewer/viewer_state.h"
#include "world/level_loader.h"

// The shell's frame pass, shared by every platform (viewer/platform.h says what a platform
// provides; viewer/run_viewer.h starts the viewer on one).

constexpr int32_t MinClientSize = 10;
// Frames larger than this on either side are not made; the window shows the top-left part.
constexpr int32_t MaxClientSize = 16384;
constexpr float WalkStep = 0.08f;
constexpr int32_t TurnLeftRate = 32667;  // 101 units the other way
constexpr int32_t TurnRightRate = 100;

// Camera placed at the start (geometry/start_view.h), the level loaded, the overview off.
// levelBytes, when given, are the level (a recording's), parsed under levelFileName's
// name instead of reading the file; bytesRead, when given, receives the file's bytes.
LevelLoadResult startViewer(Viewer& viewer, const char* levelFileName, const std::vector<uint8_t>* levelBytes = nullptr,
                            std::vector<uint8_t>* bytesRead = nullptr);

// Before the first pass: screen planes from the viewport, no quit, no walking, room 0.
void beginMainLoop(Viewer& viewer);

void handleKey(Viewer& viewer, int32_t key);

// Walk, track the room, turn, rebuild the view planes and the starting frustum, then draw
// the frame with the renderer, which clears it; watch, when given, sees the drawing
// (render/pass_observer.h).
void drawFrame(Viewer& viewer, const PassWatch* watch = nullptr);

// Draws the frame of the pass that last ran again, from the same camera, room and
// starting frustum, without moving anything: the same frame, or with a watch the same
// pass seen, stopped early or coloured.
void redrawFrame(Viewer& viewer, const PassWatch* watch = nullptr);

struct FrameDimensions {
  int32_t width, height;
};
// The frame size a size message of clientWidth x clientHeight gives a frame of
// oldWidth x oldHeight: bounded, the width rounded up to a multiple of 4, the old size
// when a side is too small.
FrameDimensions acceptedFrameSize(int32_t oldWidth, int32_t oldHeight, int32_t clientWidth, int32_t clientHeight);

// Sets the frame's size, rounded and bounded, and rebuilds the frame memory, the span
// rows, the viewport and (once the loop runs) the screen planes; then clears the frame.
// A frame that cannot be made leaves the old one in force.
template <class Platform>
void resizeFrame(Viewer& viewer, Platform& platform, int32_t clientWidth, int32_t clientHeight);

// The first frame buffer, at 320 x 240. Returns false when it cannot be made.
template <class Platform>
bool createFrame(Viewer& viewer, Platform& platform);

// One message of a pass's batch (first: the batch's first, which stops every turn): keys
// to the key table, sizes to resizeFrame. False for a close, which releases the frame.
template <class Platform>
bool takeMessage(Viewer& viewer, Platform& platform, const Message& message, bool first);

// One batch of messages and, unless the window closed, one drawn and presented frame.
// Returns false when the loop must end at once.
template <class Platform>
bool runPass(Viewer& viewer, Platform& platform);

// Runs passes until Q, a close, or maxPasses passes (when not negative).
template <class Platform>
void runMainLoop(Viewer& viewer, Platform& platform, int64_t maxPasses = -1);

#include "viewer/main_loop_impl.h"
