// dump prints what the loader loaded, from the loader's one read, with the colours the
// viewer shows; special files are refused before the loader sees them.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>

#include "level_test_support.h"
#include "tools/level/level_dump.h"
#include "viewer/palette.h"
#include "world/level_file.h"

namespace {

LevelBytes cube(int32_t secondWord = 0) {
  LevelBytes l;
  l.i32(8).i32(secondWord).i32(1);
  cubeVertices(l);
  cubeFaces(l, 0, 2, 0);
  return l;
}

TEST(LevelDump, PrintsFromTheLoadersRecordNotFromTheFile) {
  // A world and record made by hand, matching no file: whatever dump prints of the
  // header, the table and the indices can only have come from the record.
  auto world = std::make_unique<World>();
  auto record = std::make_unique<LevelFileRecord>();
  record->vertexCount = 3;
  record->secondWord = 4242;
  record->roomCount = 1;
  record->vertices = {{1, 2, 3}, {4, 5, 6}, {7, 8, 9.5f}};
  record->wallCount[0] = 1;
  record->portalCount[0] = 0;
  record->vertexIndices[0][0][0] = 2;
  record->vertexIndices[0][0][1] = 0;
  record->vertexIndices[0][0][2] = 1;
  world->roomCount = 1;
  world->rooms[0].polygonCount = 1;
  WorldPolygon& wall = world->rooms[0].polygons[0];
  wall.targetRoom = -1;
  wall.outline.vertexCount = 3;
  wall.outline.colourIndex = 11;
  wall.outline.colours[0] = {0.3f, 144.3f, 49.5f};
  wall.plane = {{0, 0, 1}, -2};
  const std::string text = formatLevelDump("made.b2", *world, *record);
  EXPECT_EQ(text,
            "made.b2: 3 vertices, 1 rooms; second header word 4242 (read and ignored by the viewer)\n"
            "walls: 'colour index' is the palette index the viewer fills the wall with, and the rgb it shows;\n"
            "       'loader colour' is the three draws the loader stores with the wall, never shown\n"
            "vertices, world units (x, y, z):\n"
            "  0: (1, 2, 3)\n"
            "  1: (4, 5, 6)\n"
            "  2: (7, 8, 9.5)\n"
            "room 0: 1 walls, 0 portals\n"
            "  polygon 0: wall, colour index 11 (shown as rgb 0 0 42), loader colour 0.3 144.3 49.5, "
            "plane (0.0000, 0.0000, 1.0000) d -2.0000, vertices 2 0 1\n");
}

TEST(LevelDump, ShowsEachWallsPaletteColourAndTheSecondHeaderWord) {
  const std::string path = cube(-7).write("dump-colours.b2");
  std::string text, error;
  ASSERT_TRUE(dumpLevelFile(path, text, error)) << error;
  EXPECT_NE(text.find("second header word -7 (read and ignored by the viewer)"), std::string::npos) << text;
  auto world = std::make_unique<World>();
  ASSERT_TRUE(loadLevel(*world, path.c_str()).ok);
  for (int p = 0; p < 5; ++p) {
    const int index = world->rooms[0].polygons[p].outline.colourIndex;
    const PaletteEntry& e = viewerPalette()[index];
    const std::string expected = "polygon " + std::to_string(p) + ": wall, colour index " + std::to_string(index) +
                                 " (shown as rgb " + std::to_string(e.red) + " " + std::to_string(e.green) + " " +
                                 std::to_string(e.blue) + "), loader colour ";
    EXPECT_NE(text.find(expected), std::string::npos) << expected << "\n" << text;
  }
  EXPECT_NE(text.find("polygon 5: portal to room 0, plane (0.0000, 1.0000, 0.0000) d 0.0000, vertices 4 0 1 5\n"),
            std::string::npos)
      << text;
}

TEST(LevelDump, RefusesSpecialFilesWithoutOpeningThem) {
  const std::string fifo = tempPath("dump-pipe.b2");
  ::unlink(fifo.c_str());
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
  std::string text, error;
  // No writer: an open would wait for ever; the refusal comes at once.
  EXPECT_FALSE(dumpLevelFile(fifo, text, error));
  EXPECT_EQ(error, fifo + ": cannot be read: it is a FIFO, not a regular file");
  EXPECT_FALSE(dumpLevelFile("/dev/zero", text, error));
  EXPECT_EQ(error, "/dev/zero: cannot be read: it is a character device, not a regular file");
  const std::string folder = ::testing::TempDir();
  EXPECT_FALSE(dumpLevelFile(folder, text, error));
  EXPECT_EQ(error, folder + ": cannot be read: it is a folder, not a regular file");
  // check says the same, as its one problem, and loads nothing.
  for (const std::string& path : {fifo, std::string("/dev/zero")}) {
    const CheckedLevel checked = checkFile(path);
    ASSERT_EQ(checked.problems.size(), 1u) << path;
    // The path is printed before the problem, so the problem does not repeat it.
    EXPECT_EQ(checked.problems[0].text.rfind("cannot be read: it is a", 0), 0u) << checked.report();
    EXPECT_EQ(checked.world->roomCount, 0);
  }
  ::unlink(fifo.c_str());
}

}  // namespace
