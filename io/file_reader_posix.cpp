#include <fcntl.h>
#include <sys/file.h>
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
}  // namespace

FileReader::~FileReader() {
  if (!isClosed()) close();
}

void FileReader::open(const char* fileName) {
  int fd = ::open(fileName, O_RDWR | O_CLOEXEC);
  // Exclusive use: a file that another opener holds does not open.
  if (fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
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
