#include "explain/explainer.h"

#include "explain/frame_marks.h"

namespace {

// The depth colours for every depth a pass can reach.
struct DepthTable {
  uint8_t colours[MaxTraversalDepth];
  DepthTable() {
    for (int32_t d = 0; d < MaxTraversalDepth; ++d) colours[d] = depthColour(d);
  }
};
const DepthTable depthTable;

// Finds the last wall row that paints one pixel.
class PixelFinder : public PassObserver {
 public:
  PixelFinder(int32_t x, int32_t y) : x_(x), y_(y) {}
  bool rowsWanted() const override { return true; }
  void polygonClipped(const PolygonClip& polygon) override {
    if (polygon.step > 0) step_ = polygon.step;
  }
  void wallRow(int32_t row, int32_t left, int32_t right) override {
    if (row == y_ && left <= x_ && x_ < right) {
      hitStep = step_;
      left_ = left;
      right_ = right;
    }
  }
  void wallFilled(const WallFill& wall) override {
    if (wall.step == hitStep && hitStep != 0) {
      colour = wall.colour;
      spanLeft = left_;
      spanRight = right_;
    }
  }

  int32_t hitStep = 0;
  int32_t spanLeft = 0, spanRight = 0;
  uint8_t colour = 0;

 private:
  int32_t x_, y_;
  int32_t step_ = 0;
  int32_t left_ = 0, right_ = 0;
};

void drawPass(Renderer& renderer, const PassScene& scene, const PassWatch& watch) {
  renderer.draw(scene.world, scene.camera, scene.viewport, scene.frustum, &watch);
}

}  // namespace

Explainer::Explainer() : record_(std::make_unique<PassRecord>()) {}

void Explainer::recordPass(Renderer& renderer, const PassScene& scene, const ExplainOptions& options) {
  PassRecorder recorder(*record_, scene.world, scene.camera, scene.viewport);
  PassWatch watch;
  watch.observer = &recorder;
  if (options.depthView) watch.wallColourByDepth = depthTable.colours;
  drawPass(renderer, scene, watch);
  if (options.depthView) drawPortalOutlines(scene.viewport, record_->stepCount);
}

void Explainer::drawPortalOutlines(const Viewport& viewport, int32_t upToStep) const {
  const PassRecord& r = *record_;
  for (int32_t k = 1; k <= upToStep && k <= r.stepCount; ++k) {
    const StepRecord& s = r.steps[k];
    if (s.kind != StepKind::Portal || s.outlineCount == 0) continue;
    drawMarkOutline(viewport, r.points + s.outlineStart, s.outlineCount, depthColour(s.depth), MarkWhere::CoveredOnly);
  }
}

void Explainer::drawStep(Renderer& renderer, const PassScene& scene, const ExplainOptions& options, int32_t k) {
  const PassRecord& r = *record_;
  if (k < 0) k = 0;
  if (k > r.stepCount) k = r.stepCount;
  PassWatch watch;
  watch.stopAfterSteps = k;
  if (options.depthView) watch.wallColourByDepth = depthTable.colours;
  drawPass(renderer, scene, watch);
  if (options.depthView) drawPortalOutlines(scene.viewport, k);
  drawStepHighlight(scene.viewport, k);
}

void Explainer::drawStepHighlight(const Viewport& viewport, int32_t k) const {
  const PassRecord& r = *record_;
  if (k <= 0 || k > r.stepCount) return;
  const int32_t source = r.frustumSource(k);
  if (source == 0) {
    drawMarkBorder(viewport, FrustumOutlineColour);
  } else {
    const StepRecord& portal = r.steps[source];
    drawMarkOutline(viewport, r.points + portal.outlineStart, portal.outlineCount, FrustumOutlineColour,
                    MarkWhere::Anywhere);
  }
  const StepRecord& s = r.steps[k];
  if (s.outlineCount > 0) {
    drawMarkOutline(viewport, r.points + s.outlineStart, s.outlineCount, StepOutlineColour, MarkWhere::Anywhere);
  }
}

PixelStory Explainer::pixelStory(Renderer& renderer, const PassScene& scene, const ExplainOptions& options, int32_t x,
                                 int32_t y) {
  PixelStory story;
  story.x = x;
  story.y = y;
  if (x < 0 || y < 0 || x >= scene.viewport.width || y >= scene.viewport.height) return story;
  story.inFrame = true;
  PixelFinder finder(x, y);
  PassWatch watch;
  watch.observer = &finder;
  drawPass(renderer, scene, watch);
  // The frame as recordPass leaves it.
  recordPass(renderer, scene, options);
  const PassRecord& r = *record_;
  if (finder.hitStep <= 0 || finder.hitStep > r.stepCount) return story;
  const StepRecord& s = r.steps[finder.hitStep];
  story.painted = true;
  story.step = finder.hitStep;
  story.room = s.room;
  story.depth = s.depth;
  story.polygon = s.polygon;
  story.spanLeft = finder.spanLeft;
  story.spanRight = finder.spanRight;
  story.colour = finder.colour;
  // Up the parents: wall -> its room -> the portal into it -> that portal's room ...
  int32_t chain[MaxTraversalDepth];
  int32_t n = 0;
  int32_t roomStep = s.parent;
  while (roomStep > 0 && roomStep <= r.stepCount && n < MaxTraversalDepth) {
    const int32_t portal = r.steps[roomStep].parent;
    if (portal <= 0 || portal > r.stepCount) break;
    chain[n++] = portal;
    roomStep = r.steps[portal].parent;
  }
  for (int32_t i = 0; i < n; ++i) story.chain[i] = chain[n - 1 - i];
  story.chainLength = n;
  return story;
}
