#pragma once
// Template bodies of main_loop.h.

namespace detail {
void clearFrame(Viewer& viewer);
void releaseFrame(Viewer& viewer);
void adoptFrame(Viewer& viewer, const FrameMemory& frame);
}  // namespace detail

template <class Platform>
bool tryFrame(Viewer& viewer, Platform& platform, int32_t width, int32_t height) {
  requirePassMembers<Platform>();
  FrameMemory fresh;
  if (!platform.allocateFrame(width, height, fresh)) return false;
  if (!viewer.renderer.fitRows(height)) {
    platform.releaseFrame(fresh);
    return false;
  }
  if (viewer.frameExists) platform.releaseFrame(viewer.frame);
  detail::adoptFrame(viewer, fresh);
  return true;
}

template <class Platform>
bool createFrame(Viewer& viewer, Platform& platform) {
  viewer.viewport.width = FirstClientWidth;
  viewer.viewport.height = FirstClientHeight;
  if (!tryFrame(viewer, platform, FirstClientWidth, FirstClientHeight)) return false;
  updateViewport(viewer.viewport);
  detail::clearFrame(viewer);
  return true;
}

template <class Platform>
void resizeFrame(Viewer& viewer, Platform& platform, int32_t clientWidth, int32_t clientHeight) {
  if (!viewer.frameExists) return;
  Viewport& v = viewer.viewport;
  const FrameDimensions size = acceptedFrameSize(v.width, v.height, clientWidth, clientHeight);
  // Every accepted size message rebuilds the frame, even at the same size.
  if (tryFrame(viewer, platform, size.width, size.height)) {
    v.width = size.width;
    v.height = size.height;
    updateViewport(v);
    viewer.camera.buildScreenPlanes(v);
  }
  detail::clearFrame(viewer);
}

template <class Platform>
bool takeMessage(Viewer& viewer, Platform& platform, const Message& message, bool first) {
  if (first) {
    // A batch of messages stops every turn; a key-down in it may start one again.
    viewer.camera.turnRateX = viewer.camera.turnRateY = viewer.camera.turnRateZ = 0;
  }
  switch (message.kind) {
    case MessageKind::KeyDown:
      handleKey(viewer, message.key);
      break;
    case MessageKind::Size:
      resizeFrame(viewer, platform, message.width, message.height);
      break;
    case MessageKind::Close:
      if (viewer.frameExists) platform.releaseFrame(viewer.frame);
      detail::releaseFrame(viewer);
      return false;
    case MessageKind::Minimize:
    case MessageKind::Other:
      break;
  }
  return true;
}

template <class Platform>
bool runPass(Viewer& viewer, Platform& platform) {
  requirePassMembers<Platform>();
  Message message;
  bool first = true;
  while (platform.nextMessage(message)) {
    if (!takeMessage(viewer, platform, message, first)) return false;
    first = false;
  }
  drawFrame(viewer);
  platform.present(presentedFrame(viewer));
  return true;
}

template <class Platform>
void runMainLoop(Viewer& viewer, Platform& platform, int64_t maxPasses) {
  beginMainLoop(viewer);
  for (int64_t pass = 0; maxPasses < 0 || pass < maxPasses; ++pass) {
    if (viewer.quitRequested != 0 || !runPass(viewer, platform)) break;
  }
}
