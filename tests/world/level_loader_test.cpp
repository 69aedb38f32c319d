#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <memory>

#include "io/file_reader.h"
#include "level_file.h"
#include "world/level_loader.h"
#include "world/level_random.h"

namespace {

// The bytes parsed as a file's would be; nothing may be reported (no file is involved).
std::unique_ptr<World> load(const LevelBytes& bytes, LevelLoadResult& result) {
  auto world = std::make_unique<World>();
  testing::internal::CaptureStderr();
  result = bytes.parse(*world, "test.b2");
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  return world;
}

LevelBytes cubeLevel(int32_t unusedWord = 0) {
  LevelBytes l;
  l.i32(8).i32(unusedWord).i32(1);
  cubeVertices(l);
  cubeFaces(l);
  return l;
}

TEST(LevelLoader, ReadsVerticesAsZXYScaledByTen) {
  LevelBytes l;
  l.i32(3).i32(0).i32(1).f32(1).f32(2).f32(3).f32(1).f32(0).f32(0).f32(1).f32(2).f32(0);
  l.i32(1).i32(0).wall({0, 1, 2});
  LevelLoadResult r;
  auto world = load(l, r);
  ASSERT_TRUE(r.ok) << r.message;
  const Vec3& v = world->rooms[0].polygons[0].outline.vertices[0];
  EXPECT_EQ(v.x, 20.0f);
  EXPECT_EQ(v.y, 30.0f);
  EXPECT_EQ(v.z, 10.0f);
}

TEST(LevelLoader, PutsWallsBeforePortalsAndComputesInwardPlanes) {
  LevelBytes l;
  l.i32(16).i32(0).i32(2);
  cubeVertices(l);
  cubeVertices(l, 1);
  cubeFaces(l, 0, 1, 1);  // room 0's +x face opens into room 1
  cubeFaces(l, 8, 0, 0);  // room 1's -x face opens back
  LevelLoadResult r;
  auto world = load(l, r);
  ASSERT_TRUE(r.ok) << r.message;
  ASSERT_EQ(world->roomCount, 2);
  const Room& room = world->rooms[0];
  EXPECT_EQ(room.polygonCount, 6);
  for (int p = 0; p < 5; ++p) EXPECT_EQ(room.polygons[p].targetRoom, -1);
  EXPECT_EQ(room.polygons[5].targetRoom, 1);
  // Every plane faces the room's centre.
  const Vec3 centre{5, 5, 5};
  for (int p = 0; p < 6; ++p) {
    const Plane& plane = room.polygons[p].plane;
    EXPECT_NEAR(dot(plane.normal, centre) + plane.d, 5.0, 1e-5) << p;
  }
  const Plane& portal = room.polygons[5].plane;
  EXPECT_EQ(portal.normal.x, -1.0f);
  EXPECT_EQ(portal.d, 10.0f);
}

TEST(LevelLoader, PlaneOfTheDocumentedTriangle) {
  WorldPolygon polygon{};
  polygon.outline.vertexCount = 3;
  polygon.outline.vertices[0] = {10, 0, 5};
  polygon.outline.vertices[1] = {0, 0, 5};
  polygon.outline.vertices[2] = {0, 10, 5};
  ASSERT_TRUE(computePlane(polygon));
  EXPECT_EQ(polygon.plane.normal.x, 0.0f);
  EXPECT_EQ(polygon.plane.normal.y, 0.0f);
  EXPECT_EQ(polygon.plane.normal.z, 1.0f);
  EXPECT_EQ(polygon.plane.d, -5.0f);
  polygon.outline.vertices[2] = {20, 0, 5};
  EXPECT_FALSE(computePlane(polygon));
}

TEST(LevelLoader, ColoursFollowTheGeneratorAndStayInRange) {
  LevelLoadResult r;
  auto world = load(cubeLevel(), r);
  ASSERT_TRUE(r.ok) << r.message;
  LevelRandom random;
  EXPECT_EQ(random.next(), 41);  // the classic first value of rand()
  random = LevelRandom{};
  for (int p = 0; p < 6; ++p) {
    const ClipPolygon& outline = world->rooms[0].polygons[p].outline;
    const float red = 256.0f * float(random.next()) / 32767.0f;
    const float green = 256.0f * float(random.next()) / 32767.0f;
    const float blue = 256.0f * float(random.next()) / 32767.0f;
    const int32_t index = random.next() % 15 + 1;
    for (int k = 0; k < outline.vertexCount; ++k) {
      EXPECT_EQ(outline.colours[k].x, red);
      EXPECT_EQ(outline.colours[k].y, green);
      EXPECT_EQ(outline.colours[k].z, blue);
      EXPECT_GE(outline.colours[k].x, 0.0f);
      EXPECT_LE(outline.colours[k].x, 256.0f);
    }
    EXPECT_EQ(outline.colourIndex, index);
    EXPECT_GE(outline.colourIndex, 1);
    EXPECT_LE(outline.colourIndex, 15);
  }
}

TEST(LevelLoader, SecondHeaderWordAndTrailingBytesChangeNothing) {
  LevelLoadResult r1, r2;
  LevelBytes other = cubeLevel(-12345);
  other.i32(99).i32(-7);
  auto a = load(cubeLevel(), r1);
  auto b = load(other, r2);
  ASSERT_TRUE(r1.ok && r2.ok);
  EXPECT_EQ(std::memcmp(&a->rooms[0], &b->rooms[0], sizeof(Room)), 0);
}

struct BadFile {
  const char* name;
  LevelBytes bytes;
  size_t keep;
  const char* message;
};

LevelBytes header(int32_t vertices, int32_t rooms) {
  LevelBytes l;
  l.i32(vertices).i32(0).i32(rooms);
  return l;
}

TEST(LevelLoader, RefusesBadFilesWholeWithAMessageNamingThePlace) {
  std::vector<BadFile> cases;
  const LevelBytes cube = cubeLevel();
  cases.push_back({"empty", cube, 0, "the file ends early, at the vertex count"});
  cases.push_back({"short", cube, cube.size() - 2, "room 0, polygon 5: the file ends early, at a vertex index"});
  cases.push_back({"negverts", header(-1, 0), SIZE_MAX, "vertex count -1 is negative"});
  cases.push_back({"rooms", header(0, 9), SIZE_MAX, "room count 9 is outside 0..8"});
  cases.push_back({"negrooms", header(0, -2), SIZE_MAX, "room count -2 is outside 0..8"});
  {
    LevelBytes l = header(8, 1);
    cubeVertices(l).i32(21).i32(0);
    cases.push_back({"polys", l, SIZE_MAX, "room 0: 21 walls and 0 portals, more than 20 polygons"});
  }
  {
    LevelBytes l = header(8, 1);
    cubeVertices(l).i32(1).i32(-1);
    cases.push_back({"negportals", l, SIZE_MAX, "room 0: negative wall or portal count (1 walls, -1 portals)"});
  }
  {
    LevelBytes l = header(8, 1);
    cubeVertices(l).i32(1).i32(0).i32(17);
    cases.push_back({"corners", l, SIZE_MAX, "room 0, polygon 0: 17 vertices, more than 16"});
  }
  {
    LevelBytes l = header(8, 1);
    cubeVertices(l).i32(1).i32(0).wall({0, 1});
    cases.push_back({"two", l, SIZE_MAX, "room 0, polygon 0: 2 vertices, fewer than 3"});
  }
  {
    LevelBytes l = header(8, 1);
    cubeVertices(l).i32(1).i32(0).wall({0, 1, 8});
    cases.push_back(
        {"index", l, SIZE_MAX, "room 0, polygon 0: vertex index 8 is outside the vertex table (8 vertices)"});
  }
  {
    LevelBytes l = header(8, 1);
    cubeVertices(l).i32(0).i32(1).portal(1, {0, 1, 2});
    cases.push_back(
        {"target", l, SIZE_MAX, "room 0, polygon 0: portal target room 1 is outside the level's rooms (1 rooms)"});
  }
  {
    LevelBytes l = header(8, 1);
    cubeVertices(l).i32(1).i32(0).wall({0, 1, 1});
    cases.push_back({"flat", l, SIZE_MAX, "room 0, polygon 0: its first three vertices give no plane"});
  }
  {
    LevelBytes l = header(1, 0);
    l.vertex(1, std::nanf(""), 0);
    cases.push_back({"nan", l, SIZE_MAX, "vertex 0 has a coordinate that is not finite"});
  }
  {
    LevelBytes l = header(1, 0);
    l.vertex(3.5e37f, 0, 0);  // finite in the file, infinite once scaled
    cases.push_back({"huge", l, SIZE_MAX, "vertex 0 has a coordinate that is not finite"});
  }
  {
    LevelBytes l = header(0x7fffffff, 0);
    cases.push_back(
        {"bigcount", l, SIZE_MAX, "vertex count 2147483647 is more than 65536, the most a level file may hold"});
  }
  for (const BadFile& c : cases) {
    const std::string name = std::string("bad-") + c.name + ".b2";
    auto world = std::make_unique<World>();
    world->roomCount = 5;
    testing::internal::CaptureStderr();
    const LevelLoadResult r = c.bytes.parse(*world, name, c.keep);
    const std::string reports = testing::internal::GetCapturedStderr();
    EXPECT_FALSE(r.ok) << c.name;
    EXPECT_EQ(r.message, name + ": " + c.message) << c.name;
    EXPECT_EQ(r.note, "") << c.name;  // none of them looks like a level source
    EXPECT_EQ(world->roomCount, 0) << c.name;
    EXPECT_EQ(reports, "") << c.name;
  }
  // From a file, the same: a short file is not a failed read.
  const BadFile& shortFile = cases[1];
  const std::string path = shortFile.bytes.write("bad-short.b2", shortFile.keep);
  auto world = std::make_unique<World>();
  testing::internal::CaptureStderr();
  const LevelLoadResult r = loadLevel(*world, path.c_str());
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  EXPECT_EQ(r.message, path + ": " + shortFile.message);
}

TEST(LevelLoader, MissingFileReportsThroughTheReaderAndLeavesNoRooms) {
  auto world = std::make_unique<World>();
  testing::internal::CaptureStderr();
  const LevelLoadResult r = loadLevel(*world, "/nonexistent/3rooms.b2");
  const std::string reports = testing::internal::GetCapturedStderr();
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.message, "/nonexistent/3rooms.b2: cannot be opened: No such file or directory");
  EXPECT_EQ(reports, "Couldn't open file\ncouldn't flush file buffers\n");
  EXPECT_EQ(world->roomCount, 0);
}

// A file that does not open: the reader's two reports, then the loader's one line with why.
TEST(LevelLoader, AFileThatDoesNotOpenSaysWhy) {
  const std::string folder = ::testing::TempDir() + "loader-folder.b2";
  ::rmdir(folder.c_str());
  ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
  const std::string held = LevelBytes().i32(0).i32(0).i32(0).write("loader-held.b2");
  // A writer holding the file exclusively keeps the loader out.
  const int holder = ::open(held.c_str(), O_RDWR);
  ASSERT_EQ(::flock(holder, LOCK_EX | LOCK_NB), 0);
  testing::internal::CaptureStderr();
  const struct {
    std::string path, why;
  } cases[] = {{folder, "Is a directory"},
               {"/dev/null", "it is a character device, not a regular file"},
               {held, "another program holds the file"}};
  for (const auto& c : cases) {
    auto world = std::make_unique<World>();
    world->roomCount = 3;
    const LevelLoadResult r = loadLevel(*world, c.path.c_str());
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.message, c.path + ": cannot be opened: " + c.why);
    EXPECT_EQ(world->roomCount, 0);
  }
  ::close(holder);
  testing::internal::GetCapturedStderr();
  auto world = std::make_unique<World>();
  EXPECT_TRUE(loadLevel(*world, held.c_str()).ok);  // released, it loads
  ::rmdir(folder.c_str());
}

// Readers keep no one out: while one reader holds the level open, another loads it.
TEST(LevelLoader, AReaderHoldingTheFileLetsAnotherLoadIt) {
  const std::string path = cubeLevel().write("loader-shared.b2");
  FileReader first;
  first.open(path.c_str());
  ASSERT_TRUE(first.isOpen());
  auto world = std::make_unique<World>();
  testing::internal::CaptureStderr();
  const LevelLoadResult r = loadLevel(*world, path.c_str());
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  EXPECT_TRUE(r.ok) << r.message;
  EXPECT_EQ(world->roomCount, 1);
  first.close();
}

// The most the loader accepts, every limit at once: a full vertex table and eight rooms
// of twenty portals of sixteen corners, exactly MaxLevelFileBytes long.
LevelBytes largestLevel() {
  LevelBytes l;
  l.i32(MaxLevelVertices).i32(0).i32(MaxRooms);
  // Sixteen corners on a circle in the plane z = 1, then filler.
  for (int k = 0; k < MaxPolygonVertices; ++k) {
    const double a = 6.283185307179586 * k / MaxPolygonVertices;
    l.vertex(float(std::cos(a)), float(std::sin(a)), 1.0f);
  }
  for (int i = MaxPolygonVertices; i < MaxLevelVertices; ++i) l.vertex(0.5f, 0.5f, 0.5f);
  for (int r = 0; r < MaxRooms; ++r) {
    l.i32(0).i32(MaxRoomPolygons);
    for (int p = 0; p < MaxRoomPolygons; ++p) {
      l.i32((r + 1) % MaxRooms).i32(MaxPolygonVertices);
      for (int k = 0; k < MaxPolygonVertices; ++k) l.i32(k);
    }
  }
  return l;
}

// No level the loader accepts is longer than the bound the file reading keeps to; what
// lies past the last room, however much, changes nothing; one byte short is refused.
TEST(LevelLoader, TheLargestLevelIsTheReadBoundAndWhatFollowsItIsIgnored) {
  LevelBytes largest = largestLevel();
  ASSERT_EQ(largest.size(), MaxLevelFileBytes);
  auto fromBytes = std::make_unique<World>();
  LevelLoadResult parsed = largest.parse(*fromBytes, "largest.b2");
  ASSERT_TRUE(parsed.ok) << parsed.message;
  EXPECT_EQ(fromBytes->roomCount, MaxRooms);
  EXPECT_EQ(fromBytes->rooms[MaxRooms - 1].polygonCount, MaxRoomPolygons);

  LevelBytes longer = largest;
  for (int i = 0; i < 300000; ++i) longer.i32(-1);  // far past the bound
  auto fromFile = std::make_unique<World>();
  testing::internal::CaptureStderr();
  const LevelLoadResult loaded = loadLevel(*fromFile, longer.write("largest-and-more.b2").c_str());
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  ASSERT_TRUE(loaded.ok) << loaded.message;
  EXPECT_EQ(std::memcmp(fromFile->rooms, fromBytes->rooms, sizeof(Room) * MaxRooms), 0);

  const std::string cut = largest.write("largest-cut.b2", MaxLevelFileBytes - 1);
  const LevelLoadResult refused = loadLevel(*fromFile, cut.c_str());
  EXPECT_EQ(refused.message, cut + ": room 7, polygon 19: the file ends early, at a vertex index");
  EXPECT_EQ(largest.parse(*fromBytes, cut, MaxLevelFileBytes - 1).message, refused.message);
}

}  // namespace
