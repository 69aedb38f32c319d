#include "render/row_writer.h"

#include <cstring>

namespace {

#if defined(__x86_64__) || defined(__i386__)
bool avx2Runs() {
  static const bool runs = __builtin_cpu_supports("avx2");
  return runs;
}

bool avx512Runs() {
  static const bool runs =
      __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("bmi2");
  return runs;
}
#else
// WebAssembly and other processors: only the SSE2 writer, whose fills emscripten maps.
bool avx2Runs() { return false; }
bool avx512Runs() { return false; }
#endif

}  // namespace

bool rowWriterRuns(RowWriter writer) {
  switch (writer) {
    case RowWriter::Sse2:
      return true;  // part of x86-64 itself
    case RowWriter::Avx2:
      return avx2Runs();
    case RowWriter::Avx512:
      return avx512Runs();
  }
  return false;
}

RowWriter fastestRowWriter() {
  if (avx512Runs()) return RowWriter::Avx512;
  return avx2Runs() ? RowWriter::Avx2 : RowWriter::Sse2;
}

const char* rowWriterName(RowWriter writer) {
  switch (writer) {
    case RowWriter::Sse2:
      return "sse2";
    case RowWriter::Avx2:
      return "avx2";
    case RowWriter::Avx512:
      return "avx512";
  }
  return "?";
}

bool rowWriterNamed(const char* name, RowWriter& writer) {
  for (const RowWriter candidate : AllRowWriters) {
    if (name && std::strcmp(name, rowWriterName(candidate)) == 0) {
      writer = candidate;
      return true;
    }
  }
  return false;
}
