#include "viewer/playback.h"

#include "viewer/level_adopt.h"
#include "world/room_tracking.h"

PassState capturePassState(const Viewer& viewer, const RecordedMessages::Cursor& cursor) {
  PassState s;
  const Camera& c = viewer.camera;
  s.position = c.position;
  s.orientation = c.orientation;
  s.turnRateX = c.turnRateX;
  s.turnRateY = c.turnRateY;
  s.turnRateZ = c.turnRateZ;
  s.walkSpeed = viewer.walkSpeed;
  s.quitRequested = viewer.quitRequested;
  s.overviewEnabled = viewer.world.overviewEnabled;
  s.currentRoom = viewer.world.currentRoom;
  s.width = viewer.viewport.width;
  s.height = viewer.viewport.height;
  s.cursor = cursor;
  return s;
}

void restorePassState(Viewer& viewer, const PassState& s) {
  Camera& c = viewer.camera;
  c.position = s.position;
  c.orientation = s.orientation;
  c.turnRateX = s.turnRateX;
  c.turnRateY = s.turnRateY;
  c.turnRateZ = s.turnRateZ;
  viewer.walkSpeed = s.walkSpeed;
  viewer.quitRequested = s.quitRequested;
  viewer.world.overviewEnabled = s.overviewEnabled;
  viewer.world.currentRoom = s.currentRoom;
  viewer.viewport.width = s.width;
  viewer.viewport.height = s.height;
}

bool takePassMessages(Viewer& viewer, const RecordedMessages& messages, RecordedMessages::Cursor& cursor,
                      int64_t pass) {
  Camera& camera = viewer.camera;
  Message message;
  bool first = true;
  while (messages.next(cursor, pass, message)) {
    if (first) camera.turnRateX = camera.turnRateY = camera.turnRateZ = 0;
    first = false;
    switch (message.kind) {
      case MessageKind::KeyDown:
        handleKey(viewer, message.key);
        break;
      case MessageKind::Size: {
        // The frame itself is made again only for a pass that is drawn.
        const FrameDimensions size =
            acceptedFrameSize(viewer.viewport.width, viewer.viewport.height, message.width, message.height);
        viewer.viewport.width = size.width;
        viewer.viewport.height = size.height;
        break;
      }
      case MessageKind::Close:
        return false;
      case MessageKind::Minimize:
      case MessageKind::Other:
        break;
    }
  }
  return true;
}

Playback::Playback(RecordedMessages messages, std::vector<RecordedLevel> reloads)
    : messages_(static_cast<RecordedMessages&&>(messages)),
      reloads_(static_cast<std::vector<RecordedLevel>&&>(reloads)),
      startLevel_(std::make_unique<World>()),
      scratch_(std::make_unique<World>()) {}

size_t Playback::memoryBytes() const {
  size_t bytes = messages_.memoryBytes() + keyPoints_.capacity() * sizeof(PassState) + 2 * sizeof(World);
  for (const RecordedLevel& level : reloads_) bytes += level.bytes.capacity();
  return bytes;
}

bool Playback::advance(Viewer& viewer, int64_t pass) {
  adoptReloads(viewer, pass);
  if (!takePassMessages(viewer, messages_, cursor_, pass)) return false;
  Camera& camera = viewer.camera;
  camera.walk(viewer.walkSpeed);
  trackCamera(viewer.world, camera);
  camera.turn();
  return true;
}

void Playback::adoptReloads(Viewer& viewer, int64_t pass) {
  while (nextReload_ < reloads_.size() && reloads_[nextReload_].pass < pass) ++nextReload_;
  for (; nextReload_ < reloads_.size() && reloads_[nextReload_].pass == pass; ++nextReload_) {
    const RecordedLevel& level = reloads_[nextReload_];
    // A version the loader refuses was kept out of the recording when it was made; one
    // that is refused now changes nothing either, as a refused reload shows the old level.
    const LevelLoadResult loaded = parseLevel(*scratch_, level.name.c_str(), level.bytes.data(), level.bytes.size());
    if (!loaded.ok) {
      if (opening_) refusals_.push_back({int64_t(level.line), loaded.message});
      continue;
    }
    adoptLevel(viewer.world, *scratch_, viewer.camera.position);
    levelVersion_ = int32_t(nextReload_ + 1);
  }
}

void Playback::restore(Viewer& viewer, const PassState& state) {
  if (state.levelVersion != levelVersion_) {
    const World* rooms = startLevel_.get();
    if (state.levelVersion > 0) {
      const RecordedLevel& level = reloads_[size_t(state.levelVersion - 1)];
      parseLevel(*scratch_, level.name.c_str(), level.bytes.data(), level.bytes.size());
      rooms = scratch_.get();
    }
    adoptLevel(viewer.world, *rooms, viewer.camera.position);
    levelVersion_ = state.levelVersion;
  }
  restorePassState(viewer, state);  // the room too, after the adoption chose one
  cursor_ = state.cursor;
  nextReload_ = 0;
  while (nextReload_ < reloads_.size() && reloads_[nextReload_].pass <= state_) ++nextReload_;
}

void Playback::open(Viewer& viewer) {
  *startLevel_ = viewer.world;
  levelVersion_ = 0;
  nextReload_ = 0;
  cursor_ = {};
  keyPoints_.clear();
  refusals_.clear();
  opening_ = true;
  const auto keep = [&] {
    PassState state = capturePassState(viewer, cursor_);
    state.levelVersion = levelVersion_;
    keyPoints_.push_back(state);
  };
  keep();
  int64_t last = messages_.lastPass() > 0 ? messages_.lastPass() : 1;
  if (!reloads_.empty() && reloads_.back().pass > last) last = reloads_.back().pass;
  total_ = last;
  for (int64_t pass = 1; pass <= last; ++pass) {
    if (!advance(viewer, pass)) {
      total_ = pass - 1;
      break;
    }
    if (pass % KeyPointInterval == 0) keep();
    if (viewer.quitRequested != 0) {
      total_ = pass;
      break;
    }
  }
  keyPoints_.shrink_to_fit();
  opening_ = false;
  state_ = 0;
  restore(viewer, keyPoints_[0]);
  shown_ = 0;
}

std::unique_ptr<Playback> playbackOf(const Recording& recording) {
  RecordedMessages messages;
  for (const ScriptedMessage& m : recording.messages) messages.add(m.pass, m.message);
  messages.shrink();
  std::vector<RecordedLevel> reloads;
  for (const RecordedLevel& level : recording.levels) {
    if (level.pass >= 1) reloads.push_back(level);
  }
  return std::make_unique<Playback>(static_cast<RecordedMessages&&>(messages),
                                    static_cast<std::vector<RecordedLevel>&&>(reloads));
}
