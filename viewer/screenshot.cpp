#include "viewer/screenshot.h"

#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "geometry/viewport.h"

namespace {

std::string reason(const std::string& path, int code) { return path + ": cannot be written: " + std::strerror(code); }

// Writes every byte to a new temporary file in folder; its path in temporary.
bool writeTemporary(const std::string& folder, const std::vector<uint8_t>& bytes, std::string& temporary,
                    std::string& error) {
  std::string pattern = folder + "/.quellor-shot-XXXXXX";
  const int fd = mkstemp(pattern.data());
  if (fd < 0) {
    error = reason(folder, errno);
    return false;
  }
  temporary = pattern;
  size_t done = 0;
  int code = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      code = n < 0 ? errno : ENOSPC;
      break;
    }
    done += size_t(n);
  }
  // A full disk may show itself only when the data reaches it.
  if (code == 0 && fsync(fd) != 0 && errno != EINVAL) code = errno;
  if (::close(fd) != 0 && code == 0) code = errno;
  if (code != 0) {
    ::unlink(temporary.c_str());
    error = reason(folder, code);
    return false;
  }
  return true;
}

// Gives from its name to, only if to does not exist. EEXIST when it does.
int renameNoReplace(const std::string& from, const std::string& to) {
  if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
  const int code = errno;
  // File systems without the flag: a hard link fails on an existing name just the same.
  if (code != EINVAL && code != ENOSYS) return code;
  if (::link(from.c_str(), to.c_str()) != 0) return errno;
  ::unlink(from.c_str());
  return 0;
}

}  // namespace

void captureFrame(const PresentedFrame& frame, FrameImage& image) {
  image.width = frame.width;
  image.height = frame.height;
  image.pixels.resize(size_t(frame.width) * size_t(frame.height));
  for (int32_t y = 0; y < frame.height; ++y) {
    std::memcpy(&image.pixels[size_t(y) * size_t(frame.width)], frame.rowOrigin + std::ptrdiff_t(y) * frame.pitch,
                size_t(frame.width));
  }
}

bool writeScreenshot(const std::string& folder, const char* name, const FrameImage& image, std::vector<uint8_t>& bytes,
                     std::string& path, std::string& error) {
  if (!encodePng(image, bytes)) {
    error = folder + ": the screenshot cannot be written: the PNG encoder failed";
    return false;
  }
  std::string temporary;
  if (!writeTemporary(folder, bytes, temporary, error)) return false;
  for (int32_t number = 1; number <= MaxScreenshotNumber; ++number) {
    char file[64];
    std::snprintf(file, sizeof file, "%s-%04d.png", name, int(number));
    const std::string candidate = folder == "." ? std::string(file) : folder + "/" + file;
    const int code = renameNoReplace(temporary, candidate);
    if (code == EEXIST) continue;
    if (code != 0) {
      ::unlink(temporary.c_str());
      error = reason(candidate, code);
      return false;
    }
    path = candidate;
    return true;
  }
  ::unlink(temporary.c_str());
  error = folder + ": the screenshot cannot be written: " + name + "-0001.png to " + name + "-" +
          std::to_string(MaxScreenshotNumber) + ".png all exist";
  return false;
}
