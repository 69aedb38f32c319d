#pragma once
// The frame explainer: a pass recorded step by step, and the pictures and answers made
// from it. The depth view (walls in their portal depth's colour, portal outlines on top),
// the picture of a step (the frame drawn up to it, its polygon and its frustum outlined)
// and a pixel's story. Everything is drawn by running the pass again, never by keeping
// frames; the storage is made once, so a frame of any of them allocates nothing.
#include <cstdint>
#include <memory>

#include "explain/pass_record.h"
#include "render/renderer.h"

// One pass's inputs, as the shell hands them to Renderer::draw.
struct PassScene {
  const World& world;
  const Camera& camera;
  const Viewport& viewport;
  const Frustum& frustum;
};

// The palette indices the explainer draws with (the viewer's palette: 246-255 are the
// bright system colours, 10-225 the colour cube).
constexpr int32_t DepthColourCount = 8;
constexpr uint8_t DepthColours[DepthColourCount] = {254, 253, 251, 250, 252, 208, 147, 236};
constexpr uint8_t StepOutlineColour = 255;     // white: the step's polygon
constexpr uint8_t FrustumOutlineColour = 249;  // red: the frustum it was clipped against
inline uint8_t depthColour(int32_t depth) { return DepthColours[(depth < 0 ? 0 : depth) % DepthColourCount]; }

// Where a pixel came from.
struct PixelStory {
  bool inFrame = false;  // false for a point outside the frame: nothing else is set
  bool painted = false;  // false where no wall covers it (index 0)
  int32_t x = 0, y = 0;
  int32_t step = 0, room = 0, depth = 0, polygon = 0;
  int32_t spanLeft = 0, spanRight = 0;  // its row's span of that wall, right end excluded
  uint8_t colour = 0;                   // the wall's own index
  // The portals from the camera's room to the wall's, first first: each a step of the pass.
  int32_t chain[MaxTraversalDepth];
  int32_t chainLength = 0;
};

struct ExplainOptions {
  bool depthView = false;
};

class Explainer {
 public:
  Explainer();
  Explainer(const Explainer&) = delete;
  Explainer& operator=(const Explainer&) = delete;

  // Draws the whole pass into the scene's frame (the plain frame, or the depth view) and
  // records its steps.
  void recordPass(Renderer& renderer, const PassScene& scene, const ExplainOptions& options);
  const PassRecord& record() const { return *record_; }
  int32_t stepCount() const { return record_->stepCount; }

  // The frame up to step k (clamped to 0..stepCount) with step k's polygon and frustum
  // outlined, from the recorded pass of the same scene.
  void drawStep(Renderer& renderer, const PassScene& scene, const ExplainOptions& options, int32_t k);
  // Only the outlines of drawStep, over whatever the frame holds.
  void drawStepHighlight(const Viewport& viewport, int32_t k) const;

  // The story of pixel (x, y) of the recorded pass's scene. The pass is drawn again to
  // find it, leaving the frame as recordPass leaves it.
  PixelStory pixelStory(Renderer& renderer, const PassScene& scene, const ExplainOptions& options, int32_t x,
                        int32_t y);

 private:
  void drawPortalOutlines(const Viewport& viewport, int32_t upToStep) const;
  std::unique_ptr<PassRecord> record_;
};
