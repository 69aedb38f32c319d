// Every input is a level file. It either loads a world that keeps the viewer's limits and
// index rules and holds exactly what the file says, or it is refused with one message
// that names the file and the place of the fault, leaving no rooms behind. The loader
// must also give its file back: no descriptor and no lock stays held.
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

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

[[noreturn]] void fault(const std::string& what) {
  std::fprintf(stderr, "level loader fuzz: %s\n", what.c_str());
  std::abort();
}

std::string inputPath() {
  const char* folder = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
  return std::string(folder) + "/quellor-loader-fuzz-" + std::to_string(getpid()) + ".b2";
}

const std::string& path() {
  static const std::string p = inputPath();
  return p;
}

void removeInput() { unlink(path().c_str()); }

void writeInput(const uint8_t* data, size_t size) {
  const int fd = open(path().c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) fault("cannot write " + path());
  size_t done = 0;
  while (done < size) {
    const ssize_t n = write(fd, data + done, size - done);
    if (n <= 0) fault("cannot write " + path());
    done += size_t(n);
  }
  close(fd);
}

// The lowest free descriptor, the same before and after a load unless the load keeps one
// open; and the file must not be left locked.
// The kernel drops a lock when the last reference to the open file goes, and a process
// that looks into /proc can hold one for a moment after the loader's close; a lock the
// loader really kept stays.
int probeDescriptor() {
  const int fd = open(path().c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0) fault("cannot reopen " + path());
  for (int attempt = 0; flock(fd, LOCK_EX | LOCK_NB) != 0; ++attempt) {
    if (attempt == 100) fault("the loader left the file locked");
    usleep(2000);
  }
  close(fd);
  return fd;
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
  const std::string head = path() + ": ";
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

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  std::atexit(removeInput);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static std::unique_ptr<World> world(new World());
  static std::unique_ptr<World> expected(new World());
  writeInput(data, size);
  const int freeBefore = probeDescriptor();
  *expected = World();
  const ReferenceLevel reference = readReferenceLevel(data, size, *expected);

  // A refused file must not leave an earlier level half in place.
  world->roomCount = MaxRooms;
  const LevelLoadResult result = loadLevel(*world, path().c_str());

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
  }

  if (probeDescriptor() != freeBefore) fault("the loader kept a file descriptor open");
  return 0;
}
