// What the loader hands a tool besides the world: the header words, the vertex table and
// the vertex indices, from the same bytes it read, and the vertex table's cap.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "level_file.h"
#include "world/level_loader.h"

namespace {

struct Loaded {
  LevelLoadResult result;
  std::unique_ptr<World> world = std::make_unique<World>();
  std::unique_ptr<LevelFileRecord> record = std::make_unique<LevelFileRecord>();
};

Loaded load(const LevelBytes& bytes, const std::string& name) {
  Loaded loaded;
  loaded.result = bytes.parse(*loaded.world, name, SIZE_MAX, loaded.record.get());
  return loaded;
}

TEST(LevelFileRecord, HoldsTheHeaderTableAndIndicesTheLoaderRead) {
  LevelBytes l;
  l.i32(16).i32(-12345).i32(2);
  cubeVertices(l);
  cubeVertices(l, 1);
  cubeFaces(l, 0, 1, 1);
  cubeFaces(l, 8, 0, 0);
  const Loaded loaded = load(l, "record-two.b2");
  ASSERT_TRUE(loaded.result.ok) << loaded.result.message;
  const LevelFileRecord& r = *loaded.record;
  EXPECT_EQ(r.vertexCount, 16);
  EXPECT_EQ(r.secondWord, -12345);
  EXPECT_EQ(r.roomCount, 2);
  ASSERT_EQ(r.vertices.size(), 16u);
  // Vertex 15 is corner 7 of the second cube: (1 + 1, 1, 1) level units.
  EXPECT_EQ(r.vertices[15].x, 20.0f);
  EXPECT_EQ(r.vertices[15].y, 10.0f);
  EXPECT_EQ(r.vertices[15].z, 10.0f);
  EXPECT_EQ(r.wallCount[0], 5);
  EXPECT_EQ(r.portalCount[0], 1);
  EXPECT_EQ(r.wallCount[1], 5);
  EXPECT_EQ(r.portalCount[1], 1);
  // Room 1's walls start with face 1 (face 0 is its portal), shifted by 8.
  const int32_t firstWall[4] = {13, 9, 11, 15};
  const int32_t portal[4] = {10, 8, 12, 14};
  for (int k = 0; k < 4; ++k) {
    EXPECT_EQ(r.vertexIndices[1][0][k], firstWall[k]) << k;
    EXPECT_EQ(r.vertexIndices[1][5][k], portal[k]) << k;
  }
  // Every index leads to the corner the world holds.
  for (int room = 0; room < 2; ++room) {
    for (int p = 0; p < loaded.world->rooms[room].polygonCount; ++p) {
      const ClipPolygon& outline = loaded.world->rooms[room].polygons[p].outline;
      for (int k = 0; k < outline.vertexCount; ++k) {
        const Vec3& v = r.vertices[size_t(r.vertexIndices[room][p][k])];
        EXPECT_EQ(v.x, outline.vertices[k].x);
        EXPECT_EQ(v.y, outline.vertices[k].y);
        EXPECT_EQ(v.z, outline.vertices[k].z);
      }
    }
  }
}

TEST(LevelFileRecord, IsEmptyWhenTheFileIsRefusedAndTheWorldTheSameWithOrWithout) {
  LevelBytes good;
  good.i32(8).i32(7).i32(1);
  cubeVertices(good);
  cubeFaces(good);
  Loaded first = load(good, "record-good.b2");
  ASSERT_TRUE(first.result.ok);
  auto plain = std::make_unique<World>();
  ASSERT_TRUE(good.parse(*plain, "record-good.b2").ok);
  // The record changes nothing in the world, colours and planes included.
  EXPECT_EQ(std::memcmp(plain->rooms, first.world->rooms, sizeof(Room)), 0);

  LevelBytes bad;
  bad.i32(8).i32(7).i32(1);
  cubeVertices(bad);
  bad.i32(1).i32(0).wall({0, 1, 99});
  // A record that held an earlier level is emptied, not left half-filled.
  const LevelLoadResult refused = bad.parse(*first.world, "record-bad.b2", SIZE_MAX, first.record.get());
  EXPECT_FALSE(refused.ok);
  EXPECT_EQ(first.record->vertexCount, 0);
  EXPECT_EQ(first.record->roomCount, 0);
  EXPECT_TRUE(first.record->vertices.empty());
  EXPECT_EQ(first.record->wallCount[0], 0);
}

TEST(LevelFileRecord, VertexTableIsCappedBeforeAnyRecordIsRead) {
  LevelBytes over;
  over.i32(MaxLevelVertices + 1).i32(0).i32(1);
  cubeVertices(over);
  Loaded refused = load(over, "record-over-cap.b2");
  EXPECT_FALSE(refused.result.ok);
  EXPECT_EQ(refused.result.message,
            "record-over-cap.b2: vertex count 65537 is more than 65536, the most a level file may hold");
  // The cap itself is allowed: a level with exactly 65,536 vertices loads.
  LevelBytes at;
  at.i32(MaxLevelVertices).i32(0).i32(1);
  cubeVertices(at);
  for (int i = 8; i < MaxLevelVertices; ++i) at.vertex(0.5f, 0.5f, 0.5f);
  cubeFaces(at);
  Loaded loaded = load(at, "record-at-cap.b2");
  ASSERT_TRUE(loaded.result.ok) << loaded.result.message;
  EXPECT_EQ(loaded.record->vertices.size(), size_t(MaxLevelVertices));
}

}  // namespace
