#pragma once
// The explainer's views in a viewer: F1 help and the pass's counters, F2 the depth view,
// F3 step mode, F4 the plan, a click a pixel's story. What is drawn into the frame (depth
// colours, outlines) is done here for every platform; the platform draws the texts and the
// plan on top. With every view off nothing here touches the frame.
#include <cstdint>
#include <memory>

#include "explain/explainer.h"
#include "explain/step_text.h"
#include "viewer/viewer_state.h"

class ExplainViews {
 public:
  explicit ExplainViews(Viewer& viewer);

  bool help() const { return help_; }
  bool depthView() const { return options_.depthView; }
  bool plan() const { return plan_; }
  bool stepping() const { return stepping_; }
  // Any view that needs the pass recorded or the frame drawn again.
  bool anyOn() const { return help_ || options_.depthView || plan_ || stepping_; }

  void toggleHelp();
  void toggleDepthView();
  void togglePlan();

  // The frame pass has drawn its frame and it is about to be shown: the depth view drawn in
  // its place, the pass recorded for the counters and the plan. Nothing when every view is off.
  void afterPass();

  // Step mode over the pass just drawn: it starts at its last step (the whole frame).
  void enterStepMode();
  // Back to the frame as the other views show it.
  void leaveStepMode();
  int32_t step() const { return step_; }
  int32_t stepCount() const { return explainer_->stepCount(); }
  void stepTo(int32_t k);
  void stepBy(int32_t delta) { stepTo(step_ + delta); }
  // The same camera's pass drawn again after the frame or the level changed under step mode
  // (a resize, a reload): recorded anew and the step kept where the new pass has it.
  void restep();

  // A click at frame pixel (x, y): its story (outside the frame, says so). The frame is
  // drawn again as the views show it.
  void click(int32_t x, int32_t y);
  void clearStory() { story_[0] = 0; }

  const PassRecord& record() const { return explainer_->record(); }
  // The texts the platform shows; empty when there is none.
  const char* caption() const { return stepping_ ? caption_ : ""; }
  const char* story() const { return story_; }
  const char* counters() const { return counters_; }
  // The keys: a playback's (its keys instead of the frame pass's) or the live viewer's.
  void setPlayback(bool on) { playback_ = on; }
  const char* helpText() const;

 private:
  PassScene scene() const;
  void drawShown();
  void updateTexts();

  Viewer& viewer_;
  std::unique_ptr<Explainer> explainer_;
  ExplainOptions options_;
  bool help_ = false, plan_ = false, stepping_ = false, playback_ = false;
  // The frame holds more than the plain pass (depth colours): drawn plain again once the
  // views are off, for a paused playback draws no new pass.
  bool drawnOver_ = false;
  int32_t step_ = 0;
  char caption_[MaxExplainText] = {};
  char story_[MaxExplainText] = {};
  char counters_[MaxExplainText] = {};
};
