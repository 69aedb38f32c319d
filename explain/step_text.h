#pragma once
// The explainer's words: a step's caption, its line of steps.tsv, a pixel's story and the
// pass's counters, each written into a buffer the caller gives (no allocation).
#include <cstddef>
#include <cstdint>

#include "explain/explainer.h"

constexpr size_t MaxExplainText = 512;

// "step 7 of 29: room 1 at depth 1, polygon 3, portal to room 2: clipped by planes 0, 2 to 5
// vertices; its frustum has 5 planes"
void stepCaption(const PassRecord& record, int32_t k, char* out, size_t size);
// The header of steps.tsv, and step k's line (both end in a newline).
const char* stepTableHeader();
void stepTableLine(const PassRecord& record, int32_t k, char* out, size_t size);
// The story of a pixel; red, green and blue are its colour's, from the platform's palette.
void pixelStoryText(const PassRecord& record, const PixelStory& story, const uint8_t rgb[3], char* out, size_t size);
// "rooms entered 3, polygons tested 36, ..." for the pass.
void passCountersText(const TraversalCounts& counts, char* out, size_t size);
