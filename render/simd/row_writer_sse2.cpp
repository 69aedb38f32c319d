// The row writer every x86-64 processor runs: one fillRow per span and per gap.
#include "render/kept_frame.h"
#include "render/row_fill.h"
#include "render/row_writer.h"
#include "render/simd/row_writer_loop.h"

namespace {

struct Sse2Fill {
  void operator()(uint8_t* p, uint8_t colour, size_t count) const { fillRow(p, colour, count); }
};

}  // namespace

void writeKeptRowsSse2(const Viewport& viewport, KeptFrame& frame) {
  writeRows(viewport, frame, FillSpans<Sse2Fill>{});
}
