#pragma once
#include <cstdint>

#include "geometry/vec3.h"
#include "geometry/viewport.h"

// How far a view reaches sideways per unit of depth towards each edge of the screen: the
// tangents of the half-angles between the view's axis and its right, top, left and bottom
// planes. The right and left differ by half a pixel: pixel centres are what the edges hold.
struct ScreenExtent {
  double right, top, left, bottom;
};
ScreenExtent screenExtent(const Viewport& viewport);

// The walking eye: position, orientation (rows: right, up, forward in world
// coordinates), per-pass turning rates in angle units, and the four planes through
// the eye that bound the screen, in the order right, top, left, bottom.
class Camera {
 public:
  Vec3 position{};
  Matrix3 orientation{};
  Plane screenPlanes[4]{};  // camera space; only the normals are used
  Plane worldPlanes[4]{};   // world space, through the eye
  int32_t turnRateX = 0;
  int32_t turnRateY = 0;
  int32_t turnRateZ = 0;

  void setPosition(float x, float y, float z);
  // Identity orientation and the given turning rates.
  void resetOrientation(int32_t rateX, int32_t rateY, int32_t rateZ);
  void buildScreenPlanes(const Viewport& viewport);
  // Moves the eye speed units along the forward row.
  void walk(float speed);
  // Rotates every row about the world X, then Y, then Z axis by the turning rates.
  void turn();
  void buildWorldPlanes();
};
