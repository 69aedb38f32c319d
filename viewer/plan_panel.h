#pragma once
// The F4 panel: the rooms from above with the pass's traversal and the live camera, painted
// by cairo into 32-bit pixels (a window's texture, the page's canvas).
#include <cstdint>

#include "explain/pass_record.h"
#include "viewer/viewer_state.h"

// highlight: the step shown in step mode, 0 for none. pixels: width x height, pitch bytes a row.
void paintPlanPanel(const World& world, const Camera& camera, const Viewport& viewport, const PassRecord& record,
                    int32_t highlight, uint8_t* pixels, int32_t width, int32_t height, int32_t pitch);
