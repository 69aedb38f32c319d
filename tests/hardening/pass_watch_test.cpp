// A watched pass must draw the plain pass's frame, and report it completely: painting the
// rows its walls report, step by step in their colours, gives the frame again, and a pass
// stopped after k steps draws exactly the rows of its first k steps. Over the shipped
// levels, generated valid levels and hostile portal topologies, in both frame modes.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "generated_level.h"
#include "hardening_files.h"
#include "portal_topology.h"
#include "render/render_fixtures.h"
#include "render/renderer.h"
#include "support/heap_counter.h"
#include "world/level_loader.h"

namespace {

using render_test::Frame;
using render_test::placeCamera;
using render_test::screenFrustum;

struct Row {
  int32_t step, row, left, right;
};

// Keeps every report of a pass, in bounded storage made before the pass.
class Recorder : public PassObserver {
 public:
  Recorder() {
    rows.reserve(1 << 18);
    walls.reserve(MaxTraversalWork);
  }
  bool rowsWanted() const override { return true; }
  void roomEntered(const RoomEntry& room) override {
    EXPECT_EQ(room.step, steps + 1) << "steps are numbered in order from 1";
    steps = room.step;
    ++rooms;
    deepest = std::max(deepest, room.depth);
  }
  void polygonClipped(const PolygonClip& polygon) override {
    if (polygon.step == 0) return;
    EXPECT_EQ(polygon.step, steps + 1);
    steps = polygon.step;
    EXPECT_EQ(polygon.outline != nullptr, polygon.result == ClipVisible);
    EXPECT_LE(polygon.cutCount, polygon.frustum->planeCount);
  }
  void wallRow(int32_t row, int32_t left, int32_t right) override {
    if (rows.size() < rows.capacity()) rows.push_back(Row{steps, row, left, right});
  }
  void wallFilled(const WallFill& wall) override {
    EXPECT_EQ(wall.step, steps);
    walls.push_back(wall);
    pixels += wall.pixels;
  }
  void budgetSpent(int32_t) override { ++budgetReports; }
  void passEnded(const TraversalCounts& counts) override { ended = counts; }

  void clear() {
    rows.clear();
    walls.clear();
    steps = rooms = deepest = budgetReports = 0;
    pixels = 0;
  }

  std::vector<Row> rows;
  std::vector<WallFill> walls;
  int32_t steps = 0, rooms = 0, deepest = 0, budgetReports = 0;
  int64_t pixels = 0;
  TraversalCounts ended{};
};

std::vector<uint8_t> pixelsOf(const Frame& frame) {
  std::vector<uint8_t> out;
  for (int32_t y = 0; y < frame.height(); ++y)
    for (int32_t x = 0; x < frame.width(); ++x) out.push_back(frame.at(x, y));
  return out;
}

// The frame the reported rows of the first `steps` steps paint into a cleared frame.
std::vector<uint8_t> paintedRows(const Recorder& recorded, int32_t width, int32_t height, int32_t steps) {
  std::vector<uint8_t> frame(size_t(width) * size_t(height), 0);
  size_t wall = 0;
  for (const Row& r : recorded.rows) {
    if (r.step > steps) break;
    while (recorded.walls[wall].step < r.step) ++wall;
    for (int32_t x = r.left; x < r.right; ++x)
      frame[size_t(r.row) * size_t(width) + size_t(x)] = recorded.walls[wall].colour;
  }
  return frame;
}

// Checks one view of world: the watched pass against the plain one, the rows against the
// frame, and the frame stopped after every k steps (a sample of them for long passes).
void checkView(const World& world, const Camera& camera, Frame& frame, Renderer& renderer, Recorder& recorder,
               const char* what) {
  SCOPED_TRACE(what);
  const Frustum frustum = screenFrustum(camera);
  const int32_t w = frame.width(), h = frame.height();
  renderer.draw(world, camera, frame.viewport, frustum);
  const std::vector<uint8_t> plain = pixelsOf(frame);

  recorder.clear();
  TraversalCounts counts{};
  PassWatch watch;
  watch.observer = &recorder;
  watch.counts = &counts;
  frame.clear(0x33);
  const int64_t heapBefore = heapAllocationCount();
  renderer.draw(world, camera, frame.viewport, frustum, &watch);
  EXPECT_EQ(heapAllocationCount(), heapBefore) << "a watched pass allocates nothing";
  ASSERT_EQ(pixelsOf(frame), plain) << "a watched pass draws the plain pass's frame";
  ASSERT_LT(recorder.rows.size(), recorder.rows.capacity());
  EXPECT_EQ(paintedRows(recorder, w, h, recorder.steps), plain) << "the reported rows are the frame";
  EXPECT_EQ(recorder.steps, counts.work) << "every unit of work is a step";
  EXPECT_LE(recorder.steps, MaxTraversalWork);
  EXPECT_EQ(recorder.budgetReports, counts.budgetExhausted);
  EXPECT_EQ(recorder.ended.work, counts.work);
  EXPECT_EQ(recorder.pixels, counts.pixelsFilled);
  EXPECT_EQ(int32_t(recorder.walls.size()), counts.wallsDrawn);
  EXPECT_EQ(recorder.rooms, counts.roomVisits);
  EXPECT_EQ(recorder.deepest + 1, counts.deepestLevel);
  EXPECT_TRUE(frame.guardIntact());

  const int32_t total = recorder.steps;
  const Recorder whole = recorder;
  const int32_t stride = total > 60 ? total / 23 : 1;
  for (int32_t k = 0; k <= total + 1; k += (k < 3 || k + stride > total ? 1 : stride)) {
    PassWatch stopped;
    stopped.stopAfterSteps = k;
    TraversalCounts partial{};
    stopped.counts = &partial;
    frame.clear(0x44);
    renderer.draw(world, camera, frame.viewport, frustum, &stopped);
    ASSERT_EQ(pixelsOf(frame), paintedRows(whole, w, h, k)) << "the frame up to step " << k;
    EXPECT_EQ(partial.work, std::min(k, total));
    EXPECT_EQ(partial.budgetExhausted, k >= MaxTraversalWork ? counts.budgetExhausted : 0);
  }

  // Walls coloured by depth cover the same pixels.
  uint8_t byDepth[MaxTraversalDepth];
  for (int32_t d = 0; d < MaxTraversalDepth; ++d) byDepth[d] = uint8_t(200 + d);
  PassWatch coloured;
  coloured.wallColourByDepth = byDepth;
  frame.clear(0x55);
  renderer.draw(world, camera, frame.viewport, frustum, &coloured);
  const std::vector<uint8_t> depthFrame = pixelsOf(frame);
  for (size_t i = 0; i < plain.size(); ++i) {
    ASSERT_EQ(plain[i] != 0, depthFrame[i] != 0) << "pixel " << i;
    if (depthFrame[i] != 0) {
      ASSERT_GE(depthFrame[i], 200);
    }
  }
}

// The rows (right, up, forward) of a camera turned by yaw about y and then pitched.
Matrix3 turned(double yaw, double pitch) {
  const Vec3 forward{float(std::sin(yaw) * std::cos(pitch)), float(std::sin(pitch)),
                     float(std::cos(yaw) * std::cos(pitch))};
  const Vec3 right{float(std::cos(yaw)), 0, float(-std::sin(yaw))};
  const Vec3 up{forward.y * right.z - forward.z * right.y, forward.z * right.x - forward.x * right.z,
                forward.x * right.y - forward.y * right.x};
  return {{right, up, forward}};
}

// In both modes of the renderer: painted spans at 96 x 64, kept stretches at 160 x 120.
struct Modes {
  Frame small{96, 64, true}, large{160, 120, false};
  Renderer painting, keeping;
  Recorder recorder;
  Modes() {
    painting.fitRows(64);
    keeping.fitRows(120);
    keeping.keepFromBytes = 0;
  }
  void check(const World& world, Vec3 eye, double yaw, double pitch, const char* what) {
    Camera camera;
    placeCamera(camera, small.viewport, eye, turned(yaw, pitch));
    checkView(world, camera, small, painting, recorder, what);
    placeCamera(camera, large.viewport, eye, turned(yaw, pitch));
    checkView(world, camera, large, keeping, recorder, what);
  }
};

TEST(PassWatch, ShippedLevelsFromTheirStartAndTurned) {
  const std::vector<std::string> levels = hardening_test::shippedLevels();
  ASSERT_FALSE(levels.empty());
  auto world = std::make_unique<World>();
  auto modes = std::make_unique<Modes>();
  for (const std::string& path : levels) {
    ASSERT_TRUE(loadLevel(*world, path.c_str()).ok) << path;
    world->currentRoom = 0;
    for (int turn = 0; turn < 4; ++turn) modes->check(*world, {5, 0, 0}, turn * 1.57, 0, path.c_str());
  }
}

TEST(PassWatch, GeneratedLevels) {
  auto world = std::make_unique<World>();
  auto modes = std::make_unique<Modes>();
  for (uint32_t seed = 1; seed <= 12; ++seed) {
    const std::vector<uint8_t> bytes = seededBytes(seed, 256);
    ByteChoices choices(bytes.data(), bytes.size());
    ASSERT_TRUE(hardening_test::parseBytes(*world, "pass-watch.b2", generateLevel(choices)).ok);
    world->currentRoom = 0;
    modes->check(*world, {5, 0, 0}, seed * 0.7, 0.1 * (seed % 3), ("seed " + std::to_string(seed)).c_str());
  }
}

TEST(PassWatch, HostileTopologiesStopAtTheBudget) {
  auto world = std::make_unique<World>();
  auto modes = std::make_unique<Modes>();
  for (PortalTopology kind : PortalTopologies) {
    buildPortalTopology(*world, kind);
    modes->check(*world, pointInRoom(0, false, 0.5f, 0.5f, 0.5f), 0.61, 0.3, topologyName(kind));
  }
}

}  // namespace
