#pragma once
#include <cstdint>

// One open file. Every operation is one platform call; a failure is reported through
// reportError with a fixed message and the call returns as if it had worked.
// The file is opened for reading and writing, or for reading only where writing is refused
// (no write permission, a read-only medium): reading is all a level needs. It is shared
// with every other reader, so any number of programs read one level at once; a file
// another program holds exclusively (a writer) does not open. Only a regular file opens: a
// folder, a FIFO or a device fails at once, without waiting on it.
class FileReader {
 public:
  enum SeekMethod : int32_t { FromBegin = 0, FromCurrent = 1, FromEnd = 2 };

  FileReader() = default;
  ~FileReader();
  FileReader(const FileReader&) = delete;
  FileReader& operator=(const FileReader&) = delete;

  void open(const char* fileName);
  // Reads up to byteCount bytes; bytesRead tells how many arrived (0 on failure).
  void read(void* buffer, int32_t byteCount, uint32_t& bytesRead);
  void seek(int32_t distance, SeekMethod method);
  // Flushes, closes, and ends closed whatever failed.
  void close();

  bool isOpen() const { return handle_ >= 0; }
  bool failed() const { return handle_ == FailedHandle; }
  bool isClosed() const { return handle_ == NoHandle; }
  // Why the last open failed, in words for a person ("Permission denied", "another
  // program holds the file"); empty when it did not fail.
  const char* openFailure() const { return openFailure_; }

 private:
  // Wide enough for any platform's handle: a POSIX descriptor or a Windows HANDLE.
  static constexpr intptr_t NoHandle = -2;
  static constexpr intptr_t FailedHandle = -1;
  intptr_t handle_ = NoHandle;
  char openFailure_[128] = {};
};
