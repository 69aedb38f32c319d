#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "io/output_file.h"
#include "viewer/viewer_state.h"

// quellor-replay --digests FILE: a line per presented pass, "PASS DIGEST" (viewer/frame_digest.h;
// "-" for a pass without a frame), after one "#" line saying what they are. Written to a
// temporary file and put in place when the run has ended well, as the trace is.
class DigestFile {
 public:
  bool open(const std::string& path, std::string& error);
  bool isOpen() const { return file_.isOpen(); }
  // One pass's line; allocates nothing (lines gather in a fixed buffer).
  void add(int64_t pass, const PresentedFrame& frame);
  // Puts the file in place. False, with error set, when any write failed.
  bool finish(std::string& error);

 private:
  void writeBuffer();
  OutputFile file_;
  char buffer_[65536];
  size_t used_ = 0;
};

// The first line of a digest file.
extern const char* const DigestFileTitle;
