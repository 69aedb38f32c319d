#pragma once
// Playing a recording through the frame pass, at any pass in any order. The pass state
// is tiny (camera, rates, walk speed, flags, room, viewport size), so it is kept at every
// KeyPointInterval-th pass; showing pass N restores the key point at or before N - 1,
// runs the passes up to N - 1 without drawing, and draws pass N: the very frame a straight
// replay of N passes draws.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "viewer/main_loop.h"
#include "viewer/recorded_messages.h"
#include "viewer/recording_script.h"

// What one pass leaves for the next, besides the level and the frame's pixels.
struct PassState {
  Vec3 position{};
  Matrix3 orientation{};
  int32_t turnRateX = 0, turnRateY = 0, turnRateZ = 0;
  float walkSpeed = 0;
  int32_t quitRequested = 0, overviewEnabled = 0, currentRoom = 0;
  int32_t width = 0, height = 0;
  int32_t levelVersion = 0;  // which of the recording's levels is in the world
  RecordedMessages::Cursor cursor;
};

constexpr int64_t KeyPointInterval = 256;

PassState capturePassState(const Viewer& viewer, const RecordedMessages::Cursor& cursor);
// Puts the state back; the viewport's size may then differ from the frame's until the
// next drawn pass makes the frame again.
void restorePassState(Viewer& viewer, const PassState& state);

// The batch of one pass without drawing, as the frame pass takes it, except that a size
// only changes the viewport's size. False when the pass closes the window.
bool takePassMessages(Viewer& viewer, const RecordedMessages& messages, RecordedMessages::Cursor& cursor, int64_t pass);

class Playback;
// A recording's messages packed, and the level versions it adopts after its start.
std::unique_ptr<Playback> playbackOf(const Recording& recording);

class Playback {
 public:
  // reloads: the level versions the session adopted, each before the pass it names (1 or
  // more), in pass order; the level the session started on is the one in the viewer at open.
  explicit Playback(RecordedMessages messages, std::vector<RecordedLevel> reloads = {});

  // Once the viewer has started (level loaded, first frame made) and beginMainLoop has
  // run: keeps the state before pass 1, runs the recording through without drawing to
  // find its last pass (a close or Q ends it sooner) and its key points, and goes back.
  void open(Viewer& viewer);

  // Passes with a frame: 1 to total.
  int64_t total() const { return total_; }
  // The pass whose frame the viewer holds (0 before the first).
  int64_t shown() const { return shown_; }

  // Makes the viewer hold pass's frame (1 to total) and the state after it. Cheap for the
  // pass after the one shown. False when pass is out of range or there is no frame.
  template <class Platform>
  bool show(Viewer& viewer, Platform& platform, int64_t pass);

  const RecordedMessages& messages() const { return messages_; }
  size_t memoryBytes() const;

  // The versions the loader refused when open ran through them (each then changes nothing):
  // the recording's line of each and the loader's message, for the player to say once.
  struct Refusal {
    int64_t line;
    std::string message;
  };
  const std::vector<Refusal>& refusals() const { return refusals_; }

 private:
  // One pass without drawing: the level version it adopts, its messages, the walk, the
  // room tracking and the turn. False when the pass closes the window.
  bool advance(Viewer& viewer, int64_t pass);
  // The versions adopted before pass, as the desktop's level watch adopts a new file.
  void adoptReloads(Viewer& viewer, int64_t pass);
  // Puts the key point back, with the rooms of its level version.
  void restore(Viewer& viewer, const PassState& state);

  RecordedMessages messages_;
  std::vector<RecordedLevel> reloads_;
  std::unique_ptr<World> startLevel_;  // the rooms at open, for version 0
  std::unique_ptr<World> scratch_;     // a version being parsed
  int32_t levelVersion_ = 0;           // in the viewer's world now
  size_t nextReload_ = 0;              // the first reload after pass state_
  std::vector<PassState> keyPoints_;   // keyPoints_[i]: after pass i * KeyPointInterval
  RecordedMessages::Cursor cursor_;    // the next message of pass state_ + 1
  int64_t state_ = 0;                  // the passes the viewer's state has been through
  int64_t shown_ = 0;
  int64_t total_ = 0;
  bool opening_ = false;
  std::vector<Refusal> refusals_;
};

template <class Platform>
bool Playback::show(Viewer& viewer, Platform& platform, int64_t pass) {
  if (pass < 1 || pass > total_ || !viewer.frameExists) return false;
  if (pass == shown_ && state_ == pass) return true;
  Viewport& v = viewer.viewport;
  const int32_t frameWidth = v.width, frameHeight = v.height;  // what the frame memory holds
  const int64_t key = (pass - 1) / KeyPointInterval;
  if (state_ > pass - 1 || state_ < key * KeyPointInterval) {
    state_ = key * KeyPointInterval;
    restore(viewer, keyPoints_[size_t(key)]);
  }
  while (state_ < pass - 1) advance(viewer, ++state_);
  if (v.width != frameWidth || v.height != frameHeight) {
    if (tryFrame(viewer, platform, v.width, v.height)) {
      updateViewport(v);
      viewer.camera.buildScreenPlanes(v);
    } else {
      // The frame stays as it was: a wrong picture rather than a write past its end.
      v.width = frameWidth;
      v.height = frameHeight;
    }
  }
  adoptReloads(viewer, pass);
  Message message;
  bool first = true;
  while (messages_.next(cursor_, pass, message)) {
    takeMessage(viewer, platform, message, first);
    first = false;
  }
  drawFrame(viewer);
  state_ = shown_ = pass;
  return true;
}
