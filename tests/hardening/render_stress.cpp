#include "render_stress.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "generated_level.h"
#include "render/kept_frame.h"
#include "render/portal_traversal.h"
#include "support/heap_counter.h"
#include "viewer/heap_frame.h"
#include "viewer/main_loop.h"
#include "world/level_loader.h"

namespace {

constexpr size_t GuardBytes = 4096;
constexpr int32_t SidePad = 16;  // bytes and rows around the second drawing of a frame
// Never a wall's colour (1 to 15) nor the cleared frame's 0.
constexpr uint8_t GuardValue = 0xA5;

// Frame memory from the heap with guard bytes right before and after the pixels, where a
// write above the top row or below the bottom row of the frame would land.
class GuardedPlatform {
 public:
  explicit GuardedPlatform(RowOrder order) : order_(order) {}
  ~GuardedPlatform() {
    for (Block& b : blocks_) std::free(b.base);
  }

  std::vector<Message> batch;
  int64_t frameAllocations = 0;
  std::string fault;

  bool nextMessage(Message& m) {
    if (next_ >= batch.size()) return false;
    m = batch[next_++];
    return true;
  }
  void present(const PresentedFrame&) { next_ = 0, batch.clear(); }

  bool allocateFrame(int32_t width, int32_t height, FrameMemory& out) {
    ++frameAllocations;
    if (width <= 0 || height <= 0) return false;
    Block* slot = nullptr;
    for (Block& b : blocks_) {
      if (!b.base) slot = &b;
    }
    if (!slot) {
      fault = "more frames alive at once than the shell ever needs";
      return false;
    }
    const size_t bytes = size_t(width) * size_t(height);
    auto* base = static_cast<uint8_t*>(std::malloc(bytes + 2 * GuardBytes));
    if (!base) return false;
    std::memset(base, GuardValue, GuardBytes);
    std::memset(base + GuardBytes + bytes, GuardValue, GuardBytes);
    *slot = {base, bytes};
    out.pixels = base + GuardBytes;
    out.platformHandle = base;
    layRows(out, width, height, order_);
    return true;
  }

  void releaseFrame(FrameMemory& frame) {
    for (Block& b : blocks_) {
      if (b.base && b.base == frame.platformHandle) {
        checkGuards(b);
        std::free(b.base);
        b = Block{};
      }
    }
    frame = FrameMemory{};
  }

  void checkAllGuards() {
    for (Block& b : blocks_) {
      if (b.base) checkGuards(b);
    }
  }

  bool owns(const uint8_t* p, size_t bytes) const {
    for (const Block& b : blocks_) {
      if (b.base && p >= b.base + GuardBytes && p + bytes <= b.base + GuardBytes + b.bytes) return true;
    }
    return false;
  }

 private:
  struct Block {
    uint8_t* base = nullptr;
    size_t bytes = 0;
  };

  void checkGuards(const Block& b) {
    const uint8_t* after = b.base + GuardBytes + b.bytes;
    for (size_t i = 0; i < GuardBytes; ++i) {
      if (b.base[i] != GuardValue || after[i] != GuardValue) {
        if (fault.empty()) fault = "a guard byte around the frame buffer was overwritten";
        return;
      }
    }
  }

  RowOrder order_;
  Block blocks_[4];
  size_t next_ = 0;
};

// A second frame, padded on every side, into which the same view is drawn again through
// the traversal's counting overload, its spans written the other way from the viewer's
// (kept and written row by row, or painted at once).
struct PaddedFrame {
  std::vector<uint8_t> memory;
  std::vector<Span> spanRows;
  std::unique_ptr<KeptFrame> kept = std::make_unique<KeptFrame>();
  Viewport viewport{};
  int32_t stride = 0, rows = 0;

  void shape(const Viewport& like, bool bottomUp) {
    viewport = like;
    stride = like.width + 2 * SidePad;
    rows = like.height + 2 * SidePad;
    memory.assign(size_t(stride) * size_t(rows), GuardValue);
    spanRows.resize(size_t(like.height));
    uint8_t* top = memory.data() + size_t(SidePad) * size_t(stride) + size_t(SidePad);
    if (bottomUp) {
      viewport.rowOrigin = top + std::ptrdiff_t(like.height - 1) * stride;
      viewport.pitch = -stride;
    } else {
      viewport.rowOrigin = top;
      viewport.pitch = stride;
    }
    for (int32_t y = 0; y < like.height; ++y) std::memset(pixelRow(viewport, y), 0, size_t(like.width));
  }

  bool guardIntact() const {
    const uint8_t* m = memory.data();
    for (int32_t r = 0; r < rows; ++r) {
      const uint8_t* row = m + size_t(r) * size_t(stride);
      const bool padRow = r < SidePad || r >= rows - SidePad;
      const int32_t span = padRow ? stride : SidePad;
      for (int32_t c = 0; c < span; ++c) {
        if (row[c] != GuardValue) return false;
      }
      if (!padRow) {
        for (int32_t c = stride - SidePad; c < stride; ++c) {
          if (row[c] != GuardValue) return false;
        }
      }
    }
    return true;
  }
};

// Mostly small frames, which are quick; now and then one as large as the shell makes.
int32_t sizeChoice(ByteChoices& c) {
  const uint32_t kind = c.below(32);
  if (kind < 12) return c.between(10, 64);
  if (kind < 16) return c.between(0, 20);
  if (kind < 22) return c.between(10, 1024);
  if (kind < 28) return c.between(200, 800);
  if (kind < 30) return c.between(10, 4096);
  if (kind == 30) return c.flag() ? 8192 : c.between(8100, 8200);
  return int32_t(c.below(65536));
}

Message messageChoice(ByteChoices& c) {
  const uint8_t k = c.byte();
  Message m{MessageKind::Other, 0, 0, 0};
  if (k < 30)
    m = {MessageKind::KeyDown, KeyLeft, 0, 0};
  else if (k < 60)
    m = {MessageKind::KeyDown, KeyRight, 0, 0};
  else if (k < 90)
    m = {MessageKind::KeyDown, KeyUp, 0, 0};
  else if (k < 110)
    m = {MessageKind::KeyDown, KeyDown, 0, 0};
  else if (k < 120)
    m = {MessageKind::KeyDown, KeySpace, 0, 0};
  else if (k < 130)
    m = {MessageKind::KeyDown, KeyZ, 0, 0};
  else if (k < 140)
    m = {MessageKind::KeyDown, KeyX, 0, 0};
  else if (k < 160)
    m = {MessageKind::KeyDown, int32_t(c.bits32()), 0, 0};
  else if (k < 200) {
    m.kind = MessageKind::Size;
    m.width = sizeChoice(c);
    m.height = sizeChoice(c);
  } else if (k < 210)
    m.kind = MessageKind::Minimize;
  else if (k == 254)
    m = {MessageKind::KeyDown, KeyQ, 0, 0};
  else if (k == 255)
    m.kind = MessageKind::Close;
  return m;
}

int32_t rateChoice(ByteChoices& c) {
  switch (c.below(4)) {
    case 0:
      return 0;
    case 1:
      return TurnRightRate;
    case 2:
      return TurnLeftRate;
    default:
      return int32_t(c.bits32());
  }
}

// Positive weights over count points, summing to 1.
void weights(ByteChoices& c, int count, double* w) {
  double sum = 0;
  for (int i = 0; i < count; ++i) sum += w[i] = 1.0 + c.byte();
  for (int i = 0; i < count; ++i) w[i] /= sum;
}

Vec3 combination(ByteChoices& c, const Vec3* points, int count) {
  double w[MaxRoomPolygons * MaxPolygonVertices];
  weights(c, count, w);
  double x = 0, y = 0, z = 0;
  for (int i = 0; i < count; ++i) {
    x += w[i] * points[i].x;
    y += w[i] * points[i].y;
    z += w[i] * points[i].z;
  }
  return {float(x), float(y), float(z)};
}

Vec3 positionChoice(ByteChoices& c, const World& world) {
  const Room& room = world.rooms[c.below(uint32_t(world.roomCount))];
  const int polygons = room.polygonCount;
  const ClipPolygon* outline = polygons ? &room.polygons[c.below(uint32_t(polygons))].outline : nullptr;
  switch (c.below(9)) {
    case 0:
      return {5, 0, 0};
    case 1: {  // inside a room: a weighted mean of all its corners
      Vec3 corners[MaxRoomPolygons * MaxPolygonVertices];
      int n = 0;
      for (int p = 0; p < polygons; ++p)
        for (int k = 0; k < room.polygons[p].outline.vertexCount; ++k)
          corners[n++] = room.polygons[p].outline.vertices[k];
      if (n) return combination(c, corners, n);
      return {0, 0, 0};
    }
    case 2:
      return outline ? outline->vertices[c.below(uint32_t(outline->vertexCount))] : Vec3{0, 0, 0};
    case 3:
      return outline ? combination(c, outline->vertices, outline->vertexCount) : Vec3{0, 0, 0};
    case 4: {  // the middle of an edge
      if (!outline) return {0, 0, 0};
      const int i = int(c.below(uint32_t(outline->vertexCount)));
      const Vec3& a = outline->vertices[i];
      const Vec3& b = outline->vertices[(i + 1) % outline->vertexCount];
      return {float((double(a.x) + b.x) / 2), float((double(a.y) + b.y) / 2), float((double(a.z) + b.z) / 2)};
    }
    case 5: {  // anywhere around the level, mostly outside its rooms
      float lo[3] = {1e30f, 1e30f, 1e30f}, hi[3] = {-1e30f, -1e30f, -1e30f};
      for (int r = 0; r < world.roomCount; ++r)
        for (int p = 0; p < world.rooms[r].polygonCount; ++p)
          for (int k = 0; k < world.rooms[r].polygons[p].outline.vertexCount; ++k) {
            const Vec3& v = world.rooms[r].polygons[p].outline.vertices[k];
            const float xyz[3] = {v.x, v.y, v.z};
            for (int a = 0; a < 3; ++a) lo[a] = std::min(lo[a], xyz[a]), hi[a] = std::max(hi[a], xyz[a]);
          }
      float out[3];
      for (int a = 0; a < 3; ++a) {
        const double size = std::max(1.0, double(hi[a]) - lo[a]);
        out[a] = float(lo[a] - 2 * size + c.unit() * 5 * size);
      }
      return {out[0], out[1], out[2]};
    }
    case 6: {  // far away
      float out[3];
      for (float& v : out) v = float((c.flag() ? -1 : 1) * std::pow(10.0, c.between(2, 30)) * (1 + c.unit()));
      return {out[0], out[1], out[2]};
    }
    case 7: {  // a hair away from a corner, about the side test's tolerance
      Vec3 v = outline ? outline->vertices[c.below(uint32_t(outline->vertexCount))] : Vec3{0, 0, 0};
      static const float offsets[] = {0, 1e-4f, -1e-4f, 1e-3f, -1e-3f, 1.1e-3f, -1.1e-3f, 0.1f};
      v.x += offsets[c.below(8)];
      v.y += offsets[c.below(8)];
      v.z += offsets[c.below(8)];
      return v;
    }
    default:
      return {c.anyFloat(), c.anyFloat(), c.anyFloat()};
  }
}

void orientationChoice(ByteChoices& c, Camera& camera) {
  camera.resetOrientation(0, 0, 0);
  switch (c.below(5)) {
    case 0:
      break;
    case 1: {  // built by many turns, so rounding has drifted it away from a rotation
      const int turns = c.between(1, 5000);
      camera.turnRateX = rateChoice(c);
      camera.turnRateY = rateChoice(c);
      camera.turnRateZ = rateChoice(c);
      for (int i = 0; i < turns; ++i) camera.turn();
      break;
    }
    case 2:  // any rows at all, not even at right angles
      for (Vec3& row : camera.orientation.rows)
        row = {float(c.unit() * 2 - 1), float(c.unit() * 2 - 1), float(c.unit() * 2 - 1)};
      break;
    case 3: {  // along the axes: straight up, down, sideways
      static const Matrix3 views[] = {{{{1, 0, 0}, {0, 0, -1}, {0, 1, 0}}},
                                      {{{1, 0, 0}, {0, 0, 1}, {0, -1, 0}}},
                                      {{{0, 0, 1}, {0, 1, 0}, {-1, 0, 0}}},
                                      {{{-1, 0, 0}, {0, 1, 0}, {0, 0, -1}}}};
      camera.orientation = views[c.below(4)];
      break;
    }
    default:
      for (Vec3& row : camera.orientation.rows) row = {c.anyFloat(), c.anyFloat(), c.anyFloat()};
      break;
  }
}

bool roomHoldsEye(const Room& room, const Vec3& eye) {
  for (int p = 0; p < room.polygonCount; ++p) {
    if (classifyPoint(room.polygons[p].plane, eye) == SideBehind) return false;
  }
  return true;
}

std::string passText(int64_t pass) { return "pass " + std::to_string(pass) + ": "; }

}  // namespace

StressReport runStressCase(const StressLevels& levels, ByteChoices& c, StressStart start) {
  StressReport report;
  auto viewer = std::make_unique<Viewer>();
  const bool shipped = !levels.shipped.empty() && (levels.hostile || c.flag());
  if (shipped) {
    viewer->world = *levels.shipped[c.below(uint32_t(levels.shipped.size()))];
  } else {
    const std::vector<uint8_t> bytes = generateLevel(c);
    const LevelLoadResult loaded = parseLevel(viewer->world, "generated.b2", bytes.data(), bytes.size());
    if (!loaded.ok) {
      report.fault = "a generated level was refused: " + loaded.message;
      return report;
    }
  }
  if (viewer->world.roomCount <= 0) return report;

  const bool bottomUp = c.flag();
  GuardedPlatform platform(bottomUp ? RowOrder::BottomUp : RowOrder::TopDown);
  if (!createFrame(*viewer, platform)) {
    report.fault = "no first frame";
    return report;
  }
  viewer->camera.setPosition(5, 0, 0);
  viewer->camera.resetOrientation(0, 0, 0);
  beginMainLoop(*viewer);
  if (start.width > 0)
    resizeFrame(*viewer, platform, start.width, start.height);
  else if (c.flag())
    resizeFrame(*viewer, platform, sizeChoice(c), sizeChoice(c));

  report.startFrame = int64_t(viewer->viewport.width) * viewer->viewport.height;
  Camera& camera = viewer->camera;
  World& world = viewer->world;
  const Vec3 eye = positionChoice(c, world);
  camera.setPosition(eye.x, eye.y, eye.z);
  orientationChoice(c, camera);
  camera.turnRateX = rateChoice(c);
  camera.turnRateY = rateChoice(c);
  camera.turnRateZ = rateChoice(c);
  static const float speeds[] = {0.0f, WalkStep, -WalkStep, 1.0f, -25.0f};
  viewer->walkSpeed = speeds[c.below(5)];
  world.overviewEnabled = c.flag();
  world.currentRoom = int32_t(c.below(uint32_t(world.roomCount)));

  // Kept from case to case: its memory is reused rather than made afresh.
  static PaddedFrame side;
  const int32_t passes = c.between(1, 6);
  for (int32_t pass = 1; pass <= passes && report.fault.empty(); ++pass) {
    const int32_t count = int32_t(c.below(5));
    platform.batch.clear();
    bool resized = false;
    for (int32_t i = 0; i < count; ++i) {
      platform.batch.push_back(messageChoice(c));
      resized = resized || platform.batch.back().kind == MessageKind::Size;
    }
    const int64_t heapBefore = heapAllocationCount();
    const int64_t framesBefore = platform.frameAllocations;
    const bool open = runPass(*viewer, platform);
    const int64_t heapUsed = heapAllocationCount() - heapBefore;
    ++report.passes;
    platform.checkAllGuards();
    if (!platform.fault.empty()) {
      report.fault = passText(pass) + platform.fault;
      break;
    }
    if (!resized && (heapUsed != 0 || platform.frameAllocations != framesBefore)) {
      report.fault = passText(pass) + "a pass without a size change allocated " + std::to_string(heapUsed) +
                     " times from the heap";
      break;
    }
    if (!open) break;

    const Viewport& v = viewer->viewport;
    if (v.width % 4 != 0 || v.width < MinClientSize || v.height < MinClientSize || v.width > MaxClientSize ||
        v.height > MaxClientSize || (v.pitch != v.width && v.pitch != -v.width) ||
        !platform.owns(std::min(pixelRow(v, 0), pixelRow(v, v.height - 1)), size_t(v.width) * size_t(v.height))) {
      report.fault = passText(pass) + "the viewport does not describe the frame the platform made";
      break;
    }
    report.largestFrame = std::max(report.largestFrame, int64_t(v.width) * v.height);

    // The same frame again, into padded memory stored the other way up, counting what the
    // traversal does.
    side.shape(v, !bottomUp);
    TraversalCounts counts{};
    const int64_t heapBeforeSide = heapAllocationCount();
    const bool viewerKept = size_t(v.width) * size_t(v.height) >= viewer->renderer.keepFromBytes;
    // Every other pass writes the kept polygons the SSE2 way, so both writers meet
    // the frames the painted spans make; every third keeps only a few, so the frame is
    // written when they fill and the rest painted over it.
    side.kept->writer = pass % 2 == 0 ? RowWriter::Sse2 : fastestRowWriter();
    side.kept->capacity = pass % 3 == 2 ? 3 : MaxKeptStretches;
    FillTarget spans{side.spanRows.data(), v.height, viewerKept ? nullptr : side.kept.get()};
    renderRoom(world, camera, side.viewport, spans, world.currentRoom, viewer->initialFrustum, counts);
    if (!viewerKept) writeKeptFrame(side.viewport, *side.kept);
    if (heapAllocationCount() != heapBeforeSide) {
      report.fault = passText(pass) + "drawing a frame allocated from the heap";
      break;
    }
    if (!side.guardIntact()) {
      report.fault = passText(pass) + "the renderer wrote outside a padded frame";
      break;
    }
    for (int32_t y = 0; y < v.height; ++y) {
      if (std::memcmp(pixelRow(v, y), pixelRow(side.viewport, y), size_t(v.width)) != 0) {
        report.fault = passText(pass) + "the frame differs when drawn again at another pitch" +
                       (viewerKept ? " with its spans painted at once" : " with its spans kept") + ", row " +
                       std::to_string(y);
        break;
      }
    }
    if (!report.fault.empty()) break;

    report.deepestLevel = std::max(report.deepestLevel, counts.deepestLevel);
    if (counts.deepestLevel > MaxTraversalDepth) {
      report.fault = passText(pass) + "the traversal went deeper than its cap";
      break;
    }
    if (counts.work > MaxTraversalWork || counts.work != counts.roomVisits + counts.polygonsClipped) {
      report.fault = passText(pass) + "the traversal did " + std::to_string(counts.work) +
                     " units of work, beyond its budget or not what it counted";
      break;
    }
    report.budgetExhausted += counts.budgetExhausted;
    const bool inside = roomHoldsEye(world.rooms[world.currentRoom], camera.position);
    report.eyeLeftItsRoom = report.eyeLeftItsRoom || !inside;
    // In a valid level with the eye in its room every chain of portals enters each room
    // at most once, and the work stays far below the budget.
    if (inside && !levels.hostile) report.mostWork = std::max(report.mostWork, counts.work);
    if (inside && !levels.hostile &&
        (counts.cappedVisits != 0 || counts.budgetExhausted != 0 || counts.deepestLevel > world.roomCount)) {
      report.fault = passText(pass) + "with the eye in its room the traversal went " +
                     std::to_string(counts.deepestLevel) + " rooms deep (" + std::to_string(counts.work) +
                     " units of work) in a level of " + std::to_string(world.roomCount);
      break;
    }
    if (viewer->quitRequested) break;
  }

  if (viewer->frameExists) platform.releaseFrame(viewer->frame);
  if (report.fault.empty() && !platform.fault.empty()) report.fault = "at release: " + platform.fault;
  return report;
}
