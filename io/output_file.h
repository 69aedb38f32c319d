#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// A file the tools write, made so that no reader ever sees it half-written and a failure
// never costs the file that was there before: the bytes go to a temporary file in the same
// folder, which is renamed over the real name only once every byte is written and the file
// closed. A symbolic link in the way is replaced, not followed; anything else that is not
// a regular file (a folder, a device, a pipe) is refused before a byte is written.
//
// Every failure is worded "PATH: cannot be written: REASON", REASON the system's own
// ("No space left on device", "Permission denied").
class OutputFile {
 public:
  OutputFile() = default;
  ~OutputFile();  // abandons a file that was not committed
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // Starts the temporary file for path. False, with error set, when it cannot be made.
  bool open(const std::string& path, std::string& error);
  // The same with a temporary file of the caller's choosing, for files worth keeping after a
  // crash (a recording flushed every pass): temporaryPath is created or emptied (a
  // symbolic link there is refused, not followed).
  bool open(const std::string& path, const std::string& temporaryPath, std::string& error);
  // Appends bytes. A failure is remembered and reported by flush or commit.
  bool write(const void* data, size_t size);
  bool write(const std::string& text) { return write(text.data(), text.size()); }
  // Hands what was written so far to the system (the temporary file keeps it if the
  // program is killed). False, with error set, when writing has failed.
  bool flush(std::string& error);
  // Closes the temporary file and renames it over path. False, with error set, when any
  // write failed or the rename did; the temporary file is then removed and path left as
  // it was.
  bool commit(std::string& error);
  // Removes the temporary file; path is left as it was.
  void abandon();

  bool isOpen() const { return fd_ >= 0; }
  const std::string& path() const { return path_; }
  const std::string& temporaryPath() const { return temporary_; }

 private:
  bool fail(std::string& error, int code);

  int fd_ = -1;
  int firstError_ = 0;  // errno of the first failed write
  std::string path_;
  std::string temporary_;
};

// The whole of bytes to path through an OutputFile.
bool writeFileAtomically(const std::string& path, const void* data, size_t size, std::string& error);
inline bool writeFileAtomically(const std::string& path, const std::vector<uint8_t>& bytes, std::string& error) {
  return writeFileAtomically(path, bytes.data(), bytes.size(), error);
}

// Whether path may be written through an OutputFile: it does not exist, or it is a regular
// file or a symbolic link. Otherwise false with "PATH: cannot be written: it is a folder"
// (a FIFO, a device...).
bool outputPathUsable(const std::string& path, std::string& error);
