#include "viewer/run_viewer.h"

bool chooseRowWriter(Renderer& renderer, const char* name, std::string& error) {
  RowWriter writer = fastestRowWriter();
  if (name && *name) {  // set but empty counts as not set
    if (!rowWriterNamed(name, writer)) {
      error = std::string(RowWriterVariable) + "=" + name + ": not a row writer (sse2, avx2 or avx512)";
      return false;
    }
    if (!rowWriterRuns(writer)) {
      error = std::string(RowWriterVariable) + "=" + name + ": this processor cannot run that row writer";
      return false;
    }
  }
  renderer.setWriter(writer);
  return true;
}
