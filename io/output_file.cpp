#include "io/output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "io/input_file.h"
#include "io/path_parts.h"

namespace {

// The permissions a newly created file gets, as open(..., 0666) would give them.
mode_t newFileMode() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

}  // namespace

bool outputPathUsable(const std::string& path, std::string& error) {
  struct stat info;
  if (path.empty()) {
    error = "(empty path): cannot be written";
    return false;
  }
  if (::lstat(path.c_str(), &info) != 0) {
    if (errno == ENOENT) return true;
    error = path + ": cannot be written: " + std::strerror(errno);
    return false;
  }
  if (S_ISREG(info.st_mode) || S_ISLNK(info.st_mode)) return true;
  error = path + ": cannot be written: it is " + fileKindName(info.st_mode) + ", not a regular file";
  return false;
}

OutputFile::~OutputFile() { abandon(); }

bool OutputFile::fail(std::string& error, int code) {
  error = path_ + ": cannot be written: " + std::strerror(code);
  abandon();
  return false;
}

bool OutputFile::open(const std::string& path, std::string& error) {
  abandon();
  path_ = path;
  firstError_ = 0;
  if (!outputPathUsable(path, error)) return false;
  // Hidden, beside the real name, so the rename stays within one file system.
  std::string pattern = folderOf(path) + "/." + fileNameOf(path) + ".XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  const int fd = ::mkostemp(name.data(), O_CLOEXEC);
  if (fd < 0) return fail(error, errno);
  fd_ = fd;
  temporary_ = name.data();
  // mkostemp makes the file private (0600); the real one gets the usual permissions.
  if (::fchmod(fd_, newFileMode()) != 0) return fail(error, errno);
  return true;
}

bool OutputFile::open(const std::string& path, const std::string& temporaryPath, std::string& error) {
  abandon();
  path_ = path;
  firstError_ = 0;
  if (!outputPathUsable(path, error)) return false;
  const int fd = ::open(temporaryPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0666);
  if (fd < 0) {
    error = temporaryPath + ": cannot be written: " + std::strerror(errno);
    return false;
  }
  fd_ = fd;
  temporary_ = temporaryPath;
  return true;
}

bool OutputFile::write(const void* data, size_t size) {
  if (fd_ < 0) return false;
  if (firstError_ != 0) return false;
  const char* p = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t n = ::write(fd_, p, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      firstError_ = errno;
      return false;
    }
    p += n;
    size -= size_t(n);
  }
  return true;
}

bool OutputFile::flush(std::string& error) {
  if (fd_ < 0) {
    error = path_ + ": cannot be written: the file is not open";
    return false;
  }
  if (firstError_ != 0) return fail(error, firstError_);
  return true;  // write() goes straight to the system: nothing is held back here
}

bool OutputFile::commit(std::string& error) {
  if (fd_ < 0) {
    error = path_ + ": cannot be written: the file is not open";
    return false;
  }
  if (firstError_ != 0) return fail(error, firstError_);
  const int fd = fd_;
  fd_ = -1;
  if (::close(fd) != 0) {
    const int code = errno;
    ::unlink(temporary_.c_str());
    temporary_.clear();
    error = path_ + ": cannot be written: " + std::strerror(code);
    return false;
  }
  // The target may have become something else meanwhile; rename would replace a device
  // node or a FIFO as readily as a file.
  if (!outputPathUsable(path_, error)) {
    ::unlink(temporary_.c_str());
    temporary_.clear();
    return false;
  }
  if (::rename(temporary_.c_str(), path_.c_str()) != 0) {
    const int code = errno;
    ::unlink(temporary_.c_str());
    temporary_.clear();
    error = path_ + ": cannot be written: " + std::strerror(code);
    return false;
  }
  temporary_.clear();
  return true;
}

void OutputFile::abandon() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  if (!temporary_.empty()) ::unlink(temporary_.c_str());
  temporary_.clear();
}

bool writeFileAtomically(const std::string& path, const void* data, size_t size, std::string& error) {
  OutputFile file;
  if (!file.open(path, error)) return false;
  file.write(data, size);
  return file.commit(error);
}
