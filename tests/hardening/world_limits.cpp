#include "world_limits.h"

#include <cmath>

namespace {

bool finite(const Vec3& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

std::string at(int room, int polygon, const std::string& what) {
  return "room " + std::to_string(room) + ", polygon " + std::to_string(polygon) + ": " + what;
}

std::string polygonFault(const World& world, int r, int p) {
  const WorldPolygon& polygon = world.rooms[r].polygons[p];
  const ClipPolygon& outline = polygon.outline;
  const int n = outline.vertexCount;
  if (n < 3 || n > MaxPolygonVertices) return at(r, p, std::to_string(n) + " vertices");
  if (polygon.targetRoom < -1 || polygon.targetRoom >= world.roomCount) {
    return at(r, p, "target room " + std::to_string(polygon.targetRoom));
  }
  for (int k = 0; k < n; ++k) {
    if (!finite(outline.vertices[k])) return at(r, p, "vertex " + std::to_string(k) + " not finite");
  }
  const Plane& plane = polygon.plane;
  if (!finite(plane.normal) || !std::isfinite(plane.d)) return at(r, p, "plane not finite");
  const double length = std::sqrt(dot(plane.normal, plane.normal));
  if (std::fabs(length - 1.0) > 1e-5) return at(r, p, "normal of length " + std::to_string(length));
  if (polygon.targetRoom == -1) {
    if (outline.colourIndex < 1 || outline.colourIndex > 15) {
      return at(r, p, "colour index " + std::to_string(outline.colourIndex));
    }
    for (int k = 0; k < n; ++k) {
      const Vec3& c = outline.colours[k];
      if (!(c.x >= 0 && c.x <= 256 && c.y >= 0 && c.y <= 256 && c.z >= 0 && c.z <= 256)) {
        return at(r, p, "colour of vertex " + std::to_string(k) + " out of range");
      }
    }
  }
  return "";
}

}  // namespace

std::string worldLimitFault(const World& world) {
  if (world.roomCount < 0 || world.roomCount > MaxRooms) {
    return "room count " + std::to_string(world.roomCount);
  }
  for (int r = 0; r < world.roomCount; ++r) {
    const Room& room = world.rooms[r];
    if (room.polygonCount < 0 || room.polygonCount > MaxRoomPolygons) {
      return "room " + std::to_string(r) + ": " + std::to_string(room.polygonCount) + " polygons";
    }
    for (int p = 0; p < room.polygonCount; ++p) {
      std::string fault = polygonFault(world, r, p);
      if (!fault.empty()) return fault;
    }
  }
  return "";
}
