#include "viewer/playback.h"

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

bool advancePassState(Viewer& viewer, const RecordedMessages& messages, RecordedMessages::Cursor& cursor,
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
  camera.walk(viewer.walkSpeed);
  trackCamera(viewer.world, camera);
  camera.turn();
  return true;
}

void Playback::open(Viewer& viewer) {
  RecordedMessages::Cursor cursor;
  keyPoints_.clear();
  keyPoints_.push_back(capturePassState(viewer, cursor));
  const int64_t last = messages_.lastPass() > 0 ? messages_.lastPass() : 1;
  total_ = last;
  for (int64_t pass = 1; pass <= last; ++pass) {
    if (!advancePassState(viewer, messages_, cursor, pass)) {
      total_ = pass - 1;
      break;
    }
    if (pass % KeyPointInterval == 0) keyPoints_.push_back(capturePassState(viewer, cursor));
    if (viewer.quitRequested != 0) {
      total_ = pass;
      break;
    }
  }
  keyPoints_.shrink_to_fit();
  restorePassState(viewer, keyPoints_[0]);
  cursor_ = keyPoints_[0].cursor;
  state_ = shown_ = 0;
}
