#include <windows.h>

#include "io/error_report.h"
#include "io/file_reader.h"

namespace {
// Breaks into a debugger when the one who reads the report asks for it.
void report(const char* message) {
  if (reportError(message) == 1) DebugBreak();
}

// The system's words for an open's failure, without the trailing full stop and line end.
void describeFailure(DWORD error, char* out, DWORD size) {
  if (error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION) {
    lstrcpynA(out, "another program holds the file", int(size));
    return;
  }
  DWORD n =
      FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0, out, size, nullptr);
  while (n > 0 && (out[n - 1] == '\n' || out[n - 1] == '\r' || out[n - 1] == ' ' || out[n - 1] == '.')) --n;
  if (n == 0) {
    wsprintfA(out, "system error %lu", error);
    return;
  }
  out[n] = '\0';
}
}  // namespace

// The handle is kept as the integer FileReader holds: a closed reader stands for the
// null handle, a failed open holds INVALID_HANDLE_VALUE (all bits set, the same -1).
static HANDLE platformHandle(intptr_t handle, intptr_t noHandle) {
  return handle == noHandle ? nullptr : reinterpret_cast<HANDLE>(handle);
}

FileReader::~FileReader() {
  if (!isClosed()) close();
}

void FileReader::open(const char* fileName) {
  openFailure_[0] = '\0';
  // Shared with other readers, so any number of programs read one level at once. Each of
  // them asks for write access too (the flush at close needs it), so the sharing must admit
  // it; a program that holds the file without sharing it (a writer) still keeps readers out.
  // Where write access is refused (a read-only file or medium), read access alone.
  constexpr DWORD sharing = FILE_SHARE_READ | FILE_SHARE_WRITE;
  HANDLE file = CreateFileA(fileName, GENERIC_READ | GENERIC_WRITE, sharing, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE && GetLastError() == ERROR_ACCESS_DENIED) {
    file = CreateFileA(fileName, GENERIC_READ, sharing, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  }
  handle_ = reinterpret_cast<intptr_t>(file);
  if (file == INVALID_HANDLE_VALUE) {
    describeFailure(GetLastError(), openFailure_, sizeof openFailure_);
    report("Couldn't open file");
  }
}

void FileReader::read(void* buffer, int32_t byteCount, uint32_t& bytesRead) {
  DWORD count = 0;
  // A negative count cannot be read; asked of the platform it would become a huge one.
  const BOOL ok =
      byteCount >= 0 && ReadFile(platformHandle(handle_, NoHandle), buffer, DWORD(byteCount), &count, nullptr);
  bytesRead = ok ? uint32_t(count) : 0;
  if (!ok) report("Peux pas lire du fichier");
}

void FileReader::seek(int32_t distance, SeekMethod method) {
  if (SetFilePointer(platformHandle(handle_, NoHandle), LONG(distance), nullptr, DWORD(method)) ==
      INVALID_SET_FILE_POINTER) {
    report("file pos invalide.");
  }
}

void FileReader::close() {
  const HANDLE file = platformHandle(handle_, NoHandle);
  if (!FlushFileBuffers(file)) report("couldn't flush file buffers");
  if (!CloseHandle(file)) report("couldn't close file");
  handle_ = NoHandle;
}
