#include <cstdio>

#include "io/error_report.h"

int reportError(const char* message) {
  std::fprintf(stderr, "%s\n", message);
  std::fflush(stderr);
  return 0;
}
