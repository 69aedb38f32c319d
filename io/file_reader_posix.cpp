#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "io/error_report.h"
#include "io/file_reader.h"

namespace {
// Breaks into an attached debugger when the report hook asks for it.
void report(const char* message) {
  if (reportError(message) == 1) {
    __builtin_trap();
  }
}

// Only a regular file is a level: a FIFO or a device would block the reads or never end.
// Null for a regular file, otherwise why the file is refused.
const char* notRegular(int fd) {
  struct stat info;
  if (::fstat(fd, &info) != 0) return std::strerror(errno);
  switch (info.st_mode & S_IFMT) {
    case S_IFREG:
      return nullptr;
    case S_IFDIR:
      return "it is a folder, not a regular file";
    case S_IFIFO:
      return "it is a FIFO, not a regular file";
    case S_IFCHR:
      return "it is a character device, not a regular file";
    case S_IFBLK:
      return "it is a block device, not a regular file";
    case S_IFSOCK:
      return "it is a socket, not a regular file";
    default:
      return "it is not a regular file";
  }
}

// Write access refused by permission or by the medium, not for any other fault.
bool writingRefused(int error) { return error == EACCES || error == EROFS || error == EPERM; }
}  // namespace

FileReader::~FileReader() {
  if (!isClosed()) close();
}

void FileReader::open(const char* fileName) {
  openFailure_[0] = '\0';
  // Without blocking: a FIFO with no writer, or a device, must not hold up the viewer. For
  // a regular file the flag changes nothing, so it stays on.
  constexpr int flags = O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
  int fd = ::open(fileName, O_RDWR | flags);
  if (fd < 0 && writingRefused(errno)) fd = ::open(fileName, O_RDONLY | flags);
  // Reading needs no one else kept out: a shared lock lets any number of programs read one
  // level at once, and still keeps out (and is kept out by) a writer holding it exclusively.
  const char* why = nullptr;
  if (fd < 0) {
    why = std::strerror(errno);
  } else if ((why = notRegular(fd)) == nullptr && ::flock(fd, LOCK_SH | LOCK_NB) != 0) {
    why = errno == EWOULDBLOCK ? "another program holds the file" : std::strerror(errno);
  }
  if (why && fd >= 0) {
    ::close(fd);
    fd = -1;
  }
  handle_ = fd >= 0 ? fd : FailedHandle;
  if (handle_ == FailedHandle) {
    std::snprintf(openFailure_, sizeof openFailure_, "%s", why);
    report("Couldn't open file");
  }
}

void FileReader::read(void* buffer, int32_t byteCount, uint32_t& bytesRead) {
  bytesRead = 0;
  if (byteCount < 0) {
    report("Peux pas lire du fichier");
    return;
  }
  ssize_t n;
  do {
    n = ::read(handle_, buffer, size_t(byteCount));
  } while (n < 0 && errno == EINTR);
  if (n < 0) {
    report("Peux pas lire du fichier");
    return;
  }
  bytesRead = uint32_t(n);
}

void FileReader::seek(int32_t distance, SeekMethod method) {
  static const int whence[] = {SEEK_SET, SEEK_CUR, SEEK_END};
  const bool known = method >= FromBegin && method <= FromEnd;
  if (!known || ::lseek(handle_, distance, whence[method]) < 0) {
    report("file pos invalide.");
  }
}

void FileReader::close() {
  if (::fsync(handle_) != 0) report("couldn't flush file buffers");
  // A handle that never opened has nothing to close: its flush failure is the one report.
  if (handle_ >= 0 && ::close(handle_) != 0) report("couldn't close file");
  handle_ = NoHandle;
}
