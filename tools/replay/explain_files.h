#pragma once
// quellor-replay --explain: one pass written out step by step. DIR/steps.tsv (a line a
// step), DIR/step-NNNN.png (the frame drawn up to each step with the step outlined) and
// DIR/plan.svg (the plan with the pass's traversal). Step pictures are PGM (step-NNNN.pgm)
// when the run writes PGM frames. Each file is written under a
// temporary name and renamed when whole.
#include <string>

#include "explain/explainer.h"
#include "viewer/viewer_state.h"

// The viewer has just drawn the pass; its frame is left as recordPass leaves it (the
// plain frame, or the depth view). False with the reason when a file cannot be written.
bool writeExplainFiles(Viewer& viewer, Explainer& explainer, const ExplainOptions& options, const std::string& title,
                       const std::string& folder, bool pgm, std::string& error);
