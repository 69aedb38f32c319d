#include "viewer/main_loop.h"

#include "render/renderer.h"
#include "world/room_tracking.h"

LevelLoadResult startViewer(Viewer& viewer, const char* levelFileName, const std::vector<uint8_t>* levelBytes,
                            std::vector<uint8_t>* bytesRead) {
  placeAtStart(viewer.camera);
  LevelLoadResult result = levelBytes ? parseLevel(viewer.world, levelFileName, levelBytes->data(), levelBytes->size())
                                      : loadLevel(viewer.world, levelFileName, nullptr, bytesRead);
  viewer.world.overviewEnabled = 0;
  return result;
}

void beginMainLoop(Viewer& viewer) {
  viewer.camera.buildScreenPlanes(viewer.viewport);
  viewer.quitRequested = 0;
  viewer.walkSpeed = 0.0f;
  viewer.world.currentRoom = 0;
}

FrameDimensions acceptedFrameSize(int32_t oldWidth, int32_t oldHeight, int32_t clientWidth, int32_t clientHeight) {
  if (clientWidth > MaxClientSize) clientWidth = MaxClientSize;
  if (clientHeight > MaxClientSize) clientHeight = MaxClientSize;
  const int32_t width = (clientWidth + 3) & ~3;
  const int32_t height = clientHeight;
  if (width < MinClientSize || height < MinClientSize) return {oldWidth, oldHeight};
  return {width, height};
}

void handleKey(Viewer& viewer, int32_t key) {
  Camera& camera = viewer.camera;
  switch (key) {
    case KeySpace:
      viewer.walkSpeed = 0.0f;
      camera.turnRateY = 0;
      break;
    case KeyLeft:
      camera.turnRateY = TurnLeftRate;
      break;
    case KeyUp:
      viewer.walkSpeed = WalkStep;
      camera.turnRateY = 0;
      break;
    case KeyRight:
      camera.turnRateY = TurnRightRate;
      break;
    case KeyDown:
      viewer.walkSpeed = -WalkStep;
      camera.turnRateY = 0;
      break;
    case KeyQ:
      viewer.quitRequested = 1;
      break;
    case KeyX:
      viewer.world.overviewEnabled = 0;
      break;
    case KeyZ:
      viewer.world.overviewEnabled = 1;
      break;
    default:
      break;
  }
}

void drawFrame(Viewer& viewer, const PassWatch* watch) {
  Camera& camera = viewer.camera;
  World& world = viewer.world;
  camera.walk(viewer.walkSpeed);
  trackCamera(world, camera);
  camera.turn();
  camera.buildWorldPlanes();
  Frustum& frustum = viewer.initialFrustum;
  for (int i = 0; i < 4; ++i) frustum.planes[i] = camera.worldPlanes[i];
  frustum.planeCount = 4;
  redrawFrame(viewer, watch);
}

void redrawFrame(Viewer& viewer, const PassWatch* watch) {
  if (viewer.frameExists) {
    viewer.renderer.draw(viewer.world, viewer.camera, viewer.viewport, viewer.initialFrustum, watch);
  }
}

namespace detail {

void clearFrame(Viewer& viewer) {
  if (viewer.frameExists) clearViewport(viewer.viewport);
}

void releaseFrame(Viewer& viewer) {
  viewer.frame = FrameMemory{};
  viewer.frameExists = false;
  viewer.viewport.rowOrigin = nullptr;
}

void adoptFrame(Viewer& viewer, const FrameMemory& frame) {
  viewer.frame = frame;
  viewer.frameExists = true;
  viewer.viewport.rowOrigin = frame.rowOrigin;
  viewer.viewport.pitch = frame.pitch;
}

}  // namespace detail
