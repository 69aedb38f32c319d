#include "viewer/explain_views.h"

#include "viewer/palette.h"

ExplainViews::ExplainViews(Viewer& viewer) : viewer_(viewer), explainer_(std::make_unique<Explainer>()) {}

PassScene ExplainViews::scene() const {
  return PassScene{viewer_.world, viewer_.camera, viewer_.viewport, viewer_.initialFrustum};
}

void ExplainViews::toggleHelp() { help_ = !help_; }
void ExplainViews::toggleDepthView() {
  options_.depthView = !options_.depthView;
  if (stepping_) drawShown();
}
void ExplainViews::togglePlan() { plan_ = !plan_; }

void ExplainViews::afterPass() {
  if ((!anyOn() && !drawnOver_) || !viewer_.frameExists) return;
  explainer_->recordPass(viewer_.renderer, scene(), options_);
  drawnOver_ = options_.depthView;
  updateTexts();
}

void ExplainViews::enterStepMode() {
  if (!viewer_.frameExists) return;
  stepping_ = true;
  explainer_->recordPass(viewer_.renderer, scene(), options_);
  step_ = explainer_->stepCount();
  drawnOver_ = true;
  drawShown();
}

void ExplainViews::leaveStepMode() {
  stepping_ = false;
  if (!viewer_.frameExists) return;
  explainer_->recordPass(viewer_.renderer, scene(), options_);
  drawnOver_ = options_.depthView;
  updateTexts();
}

void ExplainViews::stepTo(int32_t k) {
  step_ = k < 0 ? 0 : k > stepCount() ? stepCount() : k;
  drawShown();
}

void ExplainViews::restep() {
  if (!viewer_.frameExists) return;
  // The frustum of the new screen planes, as the frame pass builds it.
  Camera& camera = viewer_.camera;
  camera.buildWorldPlanes();
  for (int i = 0; i < 4; ++i) viewer_.initialFrustum.planes[i] = camera.worldPlanes[i];
  viewer_.initialFrustum.planeCount = 4;
  explainer_->recordPass(viewer_.renderer, scene(), options_);
  if (stepping_) stepTo(step_);
  updateTexts();
}

void ExplainViews::click(int32_t x, int32_t y) {
  if (!viewer_.frameExists) return;
  const PixelStory story = explainer_->pixelStory(viewer_.renderer, scene(), options_, x, y);
  const PaletteEntry& e = viewerPalette()[story.painted ? story.colour : 0];
  const uint8_t rgb[3] = {e.red, e.green, e.blue};
  pixelStoryText(explainer_->record(), story, rgb, story_, sizeof story_);
  if (stepping_) drawShown();
}

// The frame as the views show it: the step picture in step mode, else the recorded pass.
void ExplainViews::drawShown() {
  if (!viewer_.frameExists) return;
  if (stepping_) {
    explainer_->drawStep(viewer_.renderer, scene(), options_, step_);
  } else {
    explainer_->recordPass(viewer_.renderer, scene(), options_);
  }
  updateTexts();
}

void ExplainViews::updateTexts() {
  stepCaption(explainer_->record(), step_, caption_, sizeof caption_);
  passCountersText(explainer_->record().counts, counters_, sizeof counters_);
}

const char* ExplainViews::helpText() const {
  if (playback_) {
    return "Playback: Space pause/resume, Right/Left a pass, PageDown/PageUp 100, Home/End first/last\n"
           "+/- speed, T take over, Q/Escape quit\n"
           "F1 this help and the pass's counters   F2 depth view   F3 step mode (pauses)   F4 plan\n"
           "Step mode: Right/PageDown next step, Left/PageUp previous, Home first, End last, F3/Escape leave\n"
           "Click: where the pixel came from   F11 full screen   F12 screenshot";
  }
  return "Arrows turn and walk, Space stops, Z overview, X back, Q quits\n"
         "F1 this help and the pass's counters   F2 depth view   F3 step mode   F4 plan\n"
         "Step mode: Right/PageDown next step, Left/PageUp previous, Home first, End last, F3/Escape leave\n"
         "Click: where the pixel came from   F11 full screen   F12 screenshot";
}
