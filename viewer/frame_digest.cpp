#include "viewer/frame_digest.h"

#include <cstdio>

// Inlined, so that the state lives on the stack and no library is needed where the page
// builds this too.
#define XXH_INLINE_ALL
#include <xxhash.h>

uint64_t frameDigest(const PresentedFrame& frame) {
  XXH3_state_t state;
  XXH3_64bits_reset(&state);
  const uint32_t size[2] = {uint32_t(frame.width), uint32_t(frame.height)};
  uint8_t header[8];
  for (int i = 0; i < 8; ++i) header[i] = uint8_t(size[i / 4] >> (8 * (i % 4)));
  XXH3_64bits_update(&state, header, sizeof header);
  if (frame.rowOrigin) {
    for (int32_t y = 0; y < frame.height; ++y) {
      XXH3_64bits_update(&state, frame.rowOrigin + int64_t(y) * frame.pitch, size_t(frame.width));
    }
  }
  return XXH3_64bits_digest(&state);
}

void writeDigestHex(uint64_t digest, char* out) {
  std::snprintf(out, 17, "%016llx", static_cast<unsigned long long>(digest));
}
