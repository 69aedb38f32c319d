// Every input is a level file's bytes. They either load a world that keeps the viewer's
// limits and index rules and holds exactly what the bytes say, or they are refused with one
// message that names the file and the place of the fault, leaving no rooms behind. The
// bytes are parsed where they lie, as the loader parses a file's; nothing is written.
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "level_reference.h"
#include "tests/hardening/world_limits.h"
#include "world/level_loader.h"
#ifdef QUELLOR_HAVE_LEVEL_CHECKER
#include "tools/level/level_checker.h"
#endif

namespace {

// The name the refusals carry.
const char* const InputName = "fuzz-input.b2";

[[noreturn]] void fault(const std::string& what) {
  std::fprintf(stderr, "level loader fuzz: %s\n", what.c_str());
  std::abort();
}

bool sameBits(float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; }

void compareWithReference(const World& loaded, const World& expected) {
  if (loaded.roomCount != expected.roomCount) fault("room count differs from the file");
  for (int r = 0; r < loaded.roomCount; ++r) {
    const Room& a = loaded.rooms[r];
    const Room& b = expected.rooms[r];
    if (a.polygonCount != b.polygonCount) fault("polygon count differs in room " + std::to_string(r));
    for (int p = 0; p < a.polygonCount; ++p) {
      const WorldPolygon& x = a.polygons[p];
      const WorldPolygon& y = b.polygons[p];
      const std::string where = "room " + std::to_string(r) + " polygon " + std::to_string(p);
      if (x.targetRoom != y.targetRoom) fault(where + ": target room differs");
      if (x.outline.vertexCount != y.outline.vertexCount) fault(where + ": vertex count differs");
      for (int k = 0; k < x.outline.vertexCount; ++k) {
        const Vec3& u = x.outline.vertices[k];
        const Vec3& v = y.outline.vertices[k];
        if (!sameBits(u.x, v.x) || !sameBits(u.y, v.y) || !sameBits(u.z, v.z)) {
          fault(where + ": vertex " + std::to_string(k) + " differs");
        }
      }
      if (!sameBits(x.plane.d, y.plane.d)) fault(where + ": plane differs");
    }
  }
}

// The refusal: one line, "PATH: " then the place (as the reference reading found it) and
// what is wrong.
void checkRefusal(const LevelLoadResult& result, const ReferenceLevel& reference) {
  const std::string& m = result.message;
  const std::string head = std::string(InputName) + ": ";
  if (m.compare(0, head.size(), head) != 0) fault("the refusal does not start with the file name: " + m);
  if (m.find('\n') != std::string::npos) fault("the refusal spans several lines: " + m);
  const std::string rest = m.substr(head.size());
  std::string place;
  if (reference.room >= 0) place = "room " + std::to_string(reference.room);
  if (reference.polygon >= 0) place += ", polygon " + std::to_string(reference.polygon);
  if (place.empty()) {
    if (rest.compare(0, 5, "room ") == 0 && rest.size() > 5 && std::isdigit(uint8_t(rest[5]))) {
      fault("a fault before the rooms placed in a room: " + m);
    }
  } else if (rest.compare(0, place.size() + 2, place + ": ") != 0) {
    fault("expected the fault at " + place + ": " + m);
  }
  if (rest.size() <= place.size() + 2) fault("the refusal says nothing: " + m);
}

#ifdef QUELLOR_HAVE_LEVEL_CHECKER
// The level checker must cope with any world the loader accepts, and find none of the
// faults the loader itself refuses.
void checkWithLevelChecker(const World& world) {
  for (const LevelProblem& problem : checkWorld(world)) {
    const std::string& t = problem.text;
    if (t.find("vertices; a polygon has") != std::string::npos || t.find("which does not exist") != std::string::npos ||
        t.find("is not a finite point") != std::string::npos || t.find("no usable plane") != std::string::npos) {
      fault("the checker finds a fault the loader let through: " + formatProblem(world, problem));
    }
  }
}
#endif

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static std::unique_ptr<World> world(new World());
  static std::unique_ptr<World> expected(new World());
  *expected = World();
  const ReferenceLevel reference = readReferenceLevel(data, size, *expected);

  // A refused file must not leave an earlier level half in place.
  world->roomCount = MaxRooms;
  const LevelLoadResult result = parseLevel(*world, InputName, data, size);

  if (result.ok != reference.ok) {
    fault(std::string(result.ok ? "loaded" : "refused") + " a file the plain reading " +
          (reference.ok ? "loads" : "refuses") + (result.ok ? "" : ": " + result.message));
  }
  if (result.ok) {
    if (!result.message.empty()) fault("a message for a level that loaded: " + result.message);
    const std::string limits = worldLimitFault(*world);
    if (!limits.empty()) fault("loaded a world beyond the limits: " + limits);
    compareWithReference(*world, *expected);
#ifdef QUELLOR_HAVE_LEVEL_CHECKER
    checkWithLevelChecker(*world);
#endif
  } else {
    if (world->roomCount != 0) fault("a refused file left " + std::to_string(world->roomCount) + " rooms");
    checkRefusal(result, reference);
    // A line after the refusal only for what begins as a level source does, naming it.
    if (!result.note.empty() &&
        result.note.compare(0, std::strlen(InputName) + 2, std::string(InputName) + ": ") != 0) {
      fault("the note does not start with the file name: " + result.note);
    }
  }
  return 0;
}
