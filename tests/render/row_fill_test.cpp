// The byte fill of a span takes a different way for short, middling and long runs, each
// with stores that may overlap at its ends: every count must set exactly its bytes, as the
// plain fill does.
#include "render/row_fill.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

template <class Fill>
void expectExactBytes(Fill fill, const char* name) {
  constexpr size_t Pad = 80;
  for (size_t count = 0; count <= 1100; ++count) {
    for (size_t offset = 0; offset < 16; offset += 5) {
      std::vector<uint8_t> memory(Pad + offset + count + Pad, 0xEE);
      fill(memory.data() + Pad + offset, uint8_t(count % 251 + 1), count);
      for (size_t i = 0; i < memory.size(); ++i) {
        const bool inside = i >= Pad + offset && i < Pad + offset + count;
        ASSERT_EQ(memory[i], inside ? uint8_t(count % 251 + 1) : 0xEE) << name << ", count " << count << ", byte " << i;
      }
    }
  }
}

TEST(RowFill, EveryCountSetsExactlyItsBytesAtAnyAlignment) {
  expectExactBytes(fillRowPlain, "plain");
  expectExactBytes(fillRow, "the chosen fill");
}

}  // namespace
