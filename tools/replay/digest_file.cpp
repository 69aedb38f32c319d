#include "tools/replay/digest_file.h"

#include <cstdio>
#include <cstring>

#include "viewer/frame_digest.h"

const char* const DigestFileTitle =
    "# quellor-replay digests: PASS XXH3-64 of the frame (width, height, rows top first)";

bool DigestFile::open(const std::string& path, std::string& error) {
  if (!file_.open(path, error)) return false;
  used_ = size_t(std::snprintf(buffer_, sizeof buffer_, "%s\n", DigestFileTitle));
  return true;
}

void DigestFile::add(int64_t pass, const PresentedFrame& frame) {
  char line[64];
  char hex[17] = "-";
  if (frame.rowOrigin) writeDigestHex(frameDigest(frame), hex);
  const int n = std::snprintf(line, sizeof line, "%lld %s\n", static_cast<long long>(pass), hex);
  if (used_ + size_t(n) > sizeof buffer_) writeBuffer();
  std::memcpy(buffer_ + used_, line, size_t(n));
  used_ += size_t(n);
}

void DigestFile::writeBuffer() {
  file_.write(buffer_, used_);  // a failure is remembered and reported by finish
  used_ = 0;
}

bool DigestFile::finish(std::string& error) {
  writeBuffer();
  return file_.commit(error);
}
