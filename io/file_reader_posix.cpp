#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

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
bool isRegular(int fd) {
  struct stat info;
  return ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
}
}  // namespace

FileReader::~FileReader() {
  if (!isClosed()) close();
}

void FileReader::open(const char* fileName) {
  // Without blocking: a FIFO with no writer, or a device, must not hold up the viewer. For
  // a regular file the flag changes nothing, so it stays on.
  int fd = ::open(fileName, O_RDWR | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  // Exclusive use: a file that another opener holds does not open.
  if (fd >= 0 && (!isRegular(fd) || ::flock(fd, LOCK_EX | LOCK_NB) != 0)) {
    ::close(fd);
    fd = -1;
  }
  handle_ = fd >= 0 ? fd : FailedHandle;
  if (handle_ == FailedHandle) report("Couldn't open file");
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
