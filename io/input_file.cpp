#include "io/input_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>

const char* fileKindName(unsigned mode) {
  switch (mode & S_IFMT) {
    case S_IFREG:
      return "a regular file";
    case S_IFDIR:
      return "a folder";
    case S_IFIFO:
      return "a FIFO";
    case S_IFCHR:
      return "a character device";
    case S_IFBLK:
      return "a block device";
    case S_IFSOCK:
      return "a socket";
    case S_IFLNK:
      return "a symbolic link";
    default:
      return "not a regular file";
  }
}

namespace {

class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

std::string sizeText(size_t bytes) {
  if (bytes % MiB == 0) return std::to_string(bytes / MiB) + " MiB";
  return std::to_string(bytes) + " bytes";
}

std::string limitText(size_t maxBytes, const char* limitName) {
  return std::string("the limit for ") + limitName + " is " + sizeText(maxBytes);
}

}  // namespace

std::string inputTooLarge(const std::string& path, uint64_t size, size_t maxBytes, const char* limitName) {
  return path + ": is " + std::to_string(size) + " bytes, too large: " + limitText(maxBytes, limitName);
}

bool readInputFile(const std::string& path, size_t maxBytes, const char* limitName, std::string& bytes,
                   std::string& error) {
  bytes.clear();
  // Without blocking: opening a FIFO that no one writes would otherwise wait for ever.
  const Descriptor fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
  if (fd.get() < 0) {
    error = path + ": cannot be read: " + std::strerror(errno);
    return false;
  }
  struct stat info;
  if (::fstat(fd.get(), &info) != 0) {
    error = path + ": cannot be read: " + std::strerror(errno);
    return false;
  }
  if (!S_ISREG(info.st_mode)) {
    error = path + ": cannot be read: it is " + std::string(fileKindName(info.st_mode)) + ", not a regular file";
    return false;
  }
  const std::string limit = limitText(maxBytes, limitName);
  if (uint64_t(info.st_size) > maxBytes) {
    error = inputTooLarge(path, uint64_t(info.st_size), maxBytes, limitName);
    return false;
  }
  // The file may grow while it is read: never take more than the limit and one byte.
  const size_t cap = maxBytes + 1;
  bytes.resize(std::min(cap, size_t(info.st_size) + 1));
  size_t have = 0;
  for (;;) {
    if (have == bytes.size()) {
      if (bytes.size() == cap) break;
      bytes.resize(std::min(cap, bytes.size() + 65536));
    }
    const ssize_t n = ::read(fd.get(), &bytes[have], bytes.size() - have);
    if (n < 0) {
      if (errno == EINTR) continue;
      error = path + ": cannot be read: " + std::strerror(errno);
      bytes.clear();
      return false;
    }
    if (n == 0) break;
    have += size_t(n);
  }
  if (have > maxBytes) {
    error = path + ": grew past its size while it was read, too large: " + limit;
    bytes.clear();
    return false;
  }
  bytes.resize(have);
  return true;
}
