// One pass over a level whose portals break the rules (portals into their own room, a
// mirrored pair, a cycle, portals both ways) at 320 x 240: clear and traversal, from an eye
// whose pass spends the traversal's whole work budget. Each pass is followed by its
// reference, two memsets of the frame, as the frame-pass cases are.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "bench/paired_times.h"
#include "bench/quellor_cases.h"
#include "geometry/vec_math.h"
#include "render/portal_traversal.h"
#include "tests/hardening/portal_topology.h"

namespace {

constexpr int32_t Width = 320, Height = 240;

// A camera in room 0 at fractions f of its box, turned by yaw and pitch.
void placeCamera(Camera& camera, const Viewport& viewport, Vec3 f, double yaw, double pitch) {
  const Vec3 eye = pointInRoom(0, false, f.x, f.y, f.z);
  camera.setPosition(eye.x, eye.y, eye.z);
  camera.resetOrientation(0, 0, 0);
  const Vec3 forward{float(std::sin(yaw) * std::cos(pitch)), float(std::sin(pitch)),
                     float(std::cos(yaw) * std::cos(pitch))};
  const Vec3 right{float(std::cos(yaw)), 0, float(-std::sin(yaw))};
  Vec3 up;
  cross(forward, right, up);
  camera.orientation = {{right, up, forward}};
  camera.buildScreenPlanes(viewport);
  camera.buildWorldPlanes();
}

Frustum screenFrustum(const Camera& camera) {
  Frustum f{};
  f.planeCount = 4;
  for (int i = 0; i < 4; ++i) f.planes[i] = camera.worldPlanes[i];
  return f;
}

void hostileTraversal(benchmark::State& state, PortalTopology kind) {
  auto world = std::make_unique<World>();
  buildPortalTopology(*world, kind);
  std::vector<uint8_t> pixels(size_t(Width) * Height, 0);
  std::vector<Span> spanRows(Height);
  Viewport viewport{};
  viewport.width = Width;
  viewport.height = Height;
  updateViewport(viewport);
  viewport.rowOrigin = pixels.data();
  viewport.pitch = Width;
  FillTarget spans{spanRows.data(), Height, nullptr};

  // The first of a few views whose pass runs out of work: the most a pass can cost.
  Camera camera;
  const Vec3 eyes[] = {{0.5f, 0.5f, 0.5f}, {0.3f, 0.3f, 0.3f}, {0.02f, 0.97f, 0.3f}, {0.97f, 0.02f, 0.02f}};
  TraversalCounts counts{};
  for (const Vec3& f : eyes) {
    placeCamera(camera, viewport, f, 0.61, 0.3);
    counts = TraversalCounts{};
    renderRoom(*world, camera, viewport, spans, 0, screenFrustum(camera), counts);
    if (counts.budgetExhausted) break;
  }
  const Frustum frustum = screenFrustum(camera);

  PairedTimes times(state);
  for (auto _ : state) {
    const auto t0 = PairedTimes::Clock::now();
    std::memset(pixels.data(), 0, pixels.size());
    renderRoom(*world, camera, viewport, spans, 0, frustum);
    benchmark::ClobberMemory();
    const auto t1 = PairedTimes::Clock::now();
    std::memset(pixels.data(), 0, pixels.size());
    benchmark::ClobberMemory();
    std::memset(pixels.data(), 0x2a, pixels.size());
    benchmark::ClobberMemory();
    times.add(t0, t1, PairedTimes::Clock::now());
  }
  times.report(double(pixels.size()));
  state.counters["work"] = counts.work;
  state.counters["rooms"] = counts.roomVisits;
  state.counters["walls"] = counts.wallsDrawn;
}

}  // namespace

std::string hostileTraversalCase(PortalTopology kind) {
  return std::string("hostile_traversal/") + topologyName(kind) + "/320x240";
}

void registerHostileTraversalCases() {
  for (PortalTopology kind : PortalTopologies) {
    benchmark::RegisterBenchmark(hostileTraversalCase(kind).c_str(), hostileTraversal, kind)
        ->UseManualTime()
        ->Unit(benchmark::kMicrosecond)
        ->Iterations(2000);
  }
}
