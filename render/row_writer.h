#pragma once
// The row writers: the ways to write the rows of a kept frame (render/kept_frame.h).
// One interface, three back ends, every one giving the same pixels:
//   Sse2    a byte fill per span and per gap with 16-byte stores (row_writer_sse2.cpp);
//           every x86-64 processor runs it
//   Avx2    the same with 32-byte stores (row_writer_avx2.cpp)
//   Avx512  each row composed in a register, one aligned 64-byte store per cache line
//           (row_writer_avx512.cpp)
// Each back end compiles the shared frame loop (row_writer_loop.h) for its instructions.
#include <cstdint>

#include "geometry/viewport.h"

enum class RowWriter { Sse2, Avx2, Avx512 };
constexpr RowWriter AllRowWriters[] = {RowWriter::Sse2, RowWriter::Avx2, RowWriter::Avx512};

// One row's part of a kept stretch, as the row writers take it.
struct PendingSpan {
  int32_t left, right;  // columns left up to, not including, right; empty only at the row end
  uint8_t colour;
};

// Whether this processor runs the writer.
bool rowWriterRuns(RowWriter writer);
// The quickest this processor runs.
RowWriter fastestRowWriter();
// "sse2", "avx2", "avx512".
const char* rowWriterName(RowWriter writer);
// The writer of that name; false for any other name.
bool rowWriterNamed(const char* name, RowWriter& writer);

struct KeptFrame;
// The back ends: every row of the viewport from frame's stretches, sorted by first row in
// frame.byFirstRow. Only writeKeptFrame calls them, and only those this processor runs.
void writeKeptRowsSse2(const Viewport& viewport, KeptFrame& frame);
void writeKeptRowsAvx2(const Viewport& viewport, KeptFrame& frame);
void writeKeptRowsAvx512(const Viewport& viewport, KeptFrame& frame);
