#pragma once
#include <cstdint>

// The linear congruential generator behind the level's wall colours: the classic C
// library rand() from its initial state, so a level gets the same colours on every
// platform and every run.
struct LevelRandom {
  uint32_t state = 1;
  int32_t next() {
    state = state * 214013u + 2531011u;
    return int32_t((state >> 16) & 32767u);
  }
};
