// A recording's level versions, played pass by pass, give the rooms a player that jumps
// straight to a pass finds through shownLevelIndex.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <memory>

#include "viewer/recorded_levels.h"
#include "world/level_loader.h"

namespace {

std::vector<uint8_t> levelBytes(const char* name) {
  std::ifstream in(std::string(QUELLOR_BINARY_DIR) + "/" + name, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool sameRooms(const World& a, const World& b) {
  if (a.roomCount != b.roomCount) return false;
  for (int r = 0; r < a.roomCount; ++r) {
    const Room &x = a.rooms[r], &y = b.rooms[r];
    if (x.polygonCount != y.polygonCount) return false;
    for (int p = 0; p < x.polygonCount; ++p) {
      const WorldPolygon &u = x.polygons[p], &v = y.polygons[p];
      if (u.targetRoom != v.targetRoom || u.outline.vertexCount != v.outline.vertexCount) return false;
      if (u.targetRoom < 0 && u.outline.colourIndex != v.outline.colourIndex) return false;
      for (int k = 0; k < u.outline.vertexCount; ++k) {
        const Vec3 &s = u.outline.vertices[k], &t = v.outline.vertices[k];
        if (s.x != t.x || s.y != t.y || s.z != t.z) return false;
      }
    }
  }
  return true;
}

}  // namespace

TEST(RecordedLevels, JumpingToAPassFindsTheRoomsPlayingUpToItShows) {
  const std::vector<uint8_t> three = levelBytes("3rooms.b2"), two = levelBytes("two_rooms.b2"),
                             eight = levelBytes("eight_rooms.b2"), junk = {1, 2, 3};
  ASSERT_FALSE(three.empty() || two.empty() || eight.empty());
  std::string text;
  const struct {
    int64_t pass;
    const std::vector<uint8_t>* bytes;
  } versions[] = {{0, &three}, {3, &two}, {3, &eight}, {5, &junk}, {7, &two}, {8, &junk}};
  for (const auto& v : versions) text += recordedLevelText(v.pass, "l.b2", v.bytes->data(), v.bytes->size());
  text += "9 key up\n";
  Recording recording;
  std::string error;
  ASSERT_TRUE(parseRecording(text, "r.txt", recording, error)) << error;
  const std::vector<bool> loads = recordedLevelsThatLoad(recording);
  EXPECT_EQ(loads, (std::vector<bool>{true, true, true, false, true, false}));

  auto world = std::make_unique<World>(), incoming = std::make_unique<World>(), jumped = std::make_unique<World>();
  ASSERT_TRUE(parseLevel(*world, "l.b2", three.data(), three.size()).ok);
  EXPECT_EQ(shownLevelIndex(recording, loads, 0), 0);
  int refusals = 0;
  for (int64_t pass = 1; pass <= 9; ++pass) {
    if (!adoptRecordedLevels(recording, pass, "r.txt", *world, *incoming, Vec3{5, 0, 0}, error)) {
      ++refusals;
      EXPECT_EQ(error.substr(0, 6), "r.txt:") << error;
    }
    const int64_t shown = shownLevelIndex(recording, loads, pass);
    ASSERT_GE(shown, 0);
    const RecordedLevel& level = recording.levels[size_t(shown)];
    ASSERT_TRUE(parseLevel(*jumped, "l.b2", level.bytes.data(), level.bytes.size()).ok);
    EXPECT_TRUE(sameRooms(*world, *jumped)) << "pass " << pass;
  }
  EXPECT_EQ(refusals, 2);
  EXPECT_EQ(shownLevelIndex(recording, loads, 4), 2);  // the last of pass 3's two
  EXPECT_EQ(shownLevelIndex(recording, loads, 6), 2);  // the refused one at 5 changes nothing
  EXPECT_EQ(shownLevelIndex(recording, loads, 9), 4);
}
