#pragma once
// Frame buffers, screen polygons and small hand-made levels for the renderer's tests.
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <vector>

#include "geometry/camera.h"
#include "geometry/polygon.h"
#include "geometry/viewport.h"
#include "render/span_fill.h"
#include "world/level_loader.h"
#include "world/world.h"

namespace render_test {

constexpr uint8_t GuardValue = 0xEE;

// A frame buffer of width x height pixels, stored top-down or bottom-up, surrounded by a
// band of guard bytes on every side that nothing may write. The memory starts on a
// 64-byte boundary, so a guard of 64 and a width that is a multiple of 64 give rows of
// whole cache lines.
class Frame {
 public:
  Frame(int32_t width, int32_t height, bool bottomUp = false, int32_t guard = 16)
      : guard_(guard),
        stride_(width + 2 * guard),
        rows_(height + 2 * guard),
        memory_(size_t(stride_) * size_t(rows_) + 64, GuardValue),
        base_(memory_.data() + (64 - reinterpret_cast<uintptr_t>(memory_.data()) % 64) % 64),
        spanRows_(size_t(height)) {
    viewport.width = width;
    viewport.height = height;
    updateViewport(viewport);
    if (bottomUp) {
      viewport.rowOrigin = base_ + size_t(guard + height - 1) * size_t(stride_) + size_t(guard);
      viewport.pitch = -stride_;
    } else {
      viewport.rowOrigin = base_ + size_t(guard) * size_t(stride_) + size_t(guard);
      viewport.pitch = stride_;
    }
    spans.spanRows = spanRows_.data();
    spans.rowCount = height;
    clear(0);
  }

  void clear(uint8_t value) {
    for (int32_t y = 0; y < viewport.height; ++y) {
      for (int32_t x = 0; x < viewport.width; ++x) pixelRow(viewport, y)[x] = value;
    }
  }
  uint8_t at(int32_t x, int32_t y) const { return pixelRow(viewport, y)[x]; }
  int32_t width() const { return viewport.width; }
  int32_t height() const { return viewport.height; }

  // True when every byte outside the image still holds the guard value.
  bool guardIntact() const {
    for (int32_t r = 0; r < rows_; ++r) {
      for (int32_t c = 0; c < stride_; ++c) {
        const bool inside = r >= guard_ && r < rows_ - guard_ && c >= guard_ && c < stride_ - guard_;
        if (!inside && base_[size_t(r) * size_t(stride_) + size_t(c)] != GuardValue) return false;
      }
    }
    return true;
  }

  // The number of pixels that hold value.
  int64_t count(uint8_t value) const {
    int64_t n = 0;
    for (int32_t y = 0; y < height(); ++y)
      for (int32_t x = 0; x < width(); ++x) n += at(x, y) == value;
    return n;
  }

  Viewport viewport{};
  FillTarget spans{};

 private:
  int32_t guard_, stride_, rows_;
  std::vector<uint8_t> memory_;
  uint8_t* base_;
  std::vector<Span> spanRows_;
};

inline ScreenPolygon screenPolygon(std::initializer_list<ScreenPoint> points, int32_t colour = 9) {
  ScreenPolygon p{};
  p.colourIndex = colour;
  for (const ScreenPoint& q : points) p.points[p.vertexCount++] = q;
  return p;
}

inline WorkingPolygon workingPolygon(std::initializer_list<Vec3> vertices, int32_t colour = 9) {
  WorkingPolygon p{};
  p.colourIndex = colour;
  for (const Vec3& v : vertices) {
    p.vertices[p.vertexCount] = v;
    p.colours[p.vertexCount] = {0, 0, 0};
    p.flags[p.vertexCount] = 0;
    ++p.vertexCount;
  }
  return p;
}

// Builds a level in memory: polygons are given by their corners in order around the
// outline and a point inside their room, and are turned, if need be, so that their
// normal faces into the room, as the level's rules ask.
class LevelBuilder {
 public:
  LevelBuilder() : world_(new World()) {}

  int32_t addRoom() {
    Room& room = world_->rooms[world_->roomCount];
    room.polygonCount = 0;
    return world_->roomCount++;
  }

  // Adds a wall (target -1) or a portal into target; returns its slot.
  int32_t add(int32_t room, int32_t target, std::vector<Vec3> corners, Vec3 inside, int32_t colour = 0,
              bool facingOut = false) {
    Room& r = world_->rooms[room];
    WorldPolygon& p = r.polygons[r.polygonCount];
    p = WorldPolygon{};
    p.targetRoom = target;
    p.outline.colourIndex = colour;
    place(p, corners);
    const bool inward = dot(p.plane.normal, inside) + p.plane.d > 0;
    if (inward == facingOut) {
      std::vector<Vec3> reversed(corners.rbegin(), corners.rend());
      place(p, reversed);
    }
    return r.polygonCount++;
  }

  // Adds the six faces of the box lo..hi as walls coloured firstColour + face, faces in the
  // order -x, +x, -y, +y, -z, +z; a face whose entry in targets is not -1 is a portal
  // into that room, added after the walls.
  void addBox(int32_t room, Vec3 lo, Vec3 hi, const int32_t (&targets)[6], int32_t firstColour) {
    const Vec3 centre{(lo.x + hi.x) / 2, (lo.y + hi.y) / 2, (lo.z + hi.z) / 2};
    for (int pass = 0; pass < 2; ++pass) {
      for (int face = 0; face < 6; ++face) {
        const bool portal = targets[face] != -1;
        if (portal != (pass == 1)) continue;
        add(room, targets[face], boxFace(lo, hi, face), centre, firstColour + face);
      }
    }
  }

  static std::vector<Vec3> boxFace(Vec3 lo, Vec3 hi, int face) {
    switch (face) {
      case 0:
        return {{lo.x, lo.y, lo.z}, {lo.x, hi.y, lo.z}, {lo.x, hi.y, hi.z}, {lo.x, lo.y, hi.z}};
      case 1:
        return {{hi.x, lo.y, lo.z}, {hi.x, hi.y, lo.z}, {hi.x, hi.y, hi.z}, {hi.x, lo.y, hi.z}};
      case 2:
        return {{lo.x, lo.y, lo.z}, {hi.x, lo.y, lo.z}, {hi.x, lo.y, hi.z}, {lo.x, lo.y, hi.z}};
      case 3:
        return {{lo.x, hi.y, lo.z}, {hi.x, hi.y, lo.z}, {hi.x, hi.y, hi.z}, {lo.x, hi.y, hi.z}};
      case 4:
        return {{lo.x, lo.y, lo.z}, {hi.x, lo.y, lo.z}, {hi.x, hi.y, lo.z}, {lo.x, hi.y, lo.z}};
      default:
        return {{lo.x, lo.y, hi.z}, {hi.x, lo.y, hi.z}, {hi.x, hi.y, hi.z}, {lo.x, hi.y, hi.z}};
    }
  }

  World& world() { return *world_; }

 private:
  static void place(WorldPolygon& p, const std::vector<Vec3>& corners) {
    p.outline.vertexCount = int32_t(corners.size());
    for (size_t k = 0; k < corners.size(); ++k) {
      p.outline.vertices[k] = corners[k];
      p.outline.colours[k] = {0, 0, 0};
      p.outline.flags[k] = 0;
    }
    computePlane(p);
  }

  std::unique_ptr<World> world_;
};

// A walking camera at position with the given rows (right, up, forward), its planes
// built for viewport.
inline void placeCamera(Camera& camera, const Viewport& viewport, Vec3 position,
                        Matrix3 orientation = {{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}}) {
  camera.setPosition(position.x, position.y, position.z);
  camera.resetOrientation(0, 0, 0);
  camera.orientation = orientation;
  camera.buildScreenPlanes(viewport);
  camera.buildWorldPlanes();
}

// Room 0 is the box (0, -5, -10)..(10, 5, 10) with walls coloured 1..5 and, as its +z
// face, a portal into room 1, the box (0, -5, 10)..(10, 5, 30) with walls 11..15 and 16
// and a portal back through the same opening: two rooms as a valid level joins them.
inline void buildTwoRooms(LevelBuilder& level) {
  level.addRoom();
  level.addRoom();
  const int32_t intoOne[6] = {-1, -1, -1, -1, -1, 1};
  const int32_t backToZero[6] = {-1, -1, -1, -1, 0, -1};
  level.addBox(0, {0, -5, -10}, {10, 5, 10}, intoOne, 1);
  level.addBox(1, {0, -5, 10}, {10, 5, 30}, backToZero, 11);
}

inline Frustum screenFrustum(const Camera& camera) {
  Frustum f{};
  f.planeCount = 4;
  for (int i = 0; i < 4; ++i) f.planes[i] = camera.worldPlanes[i];
  return f;
}

}  // namespace render_test
