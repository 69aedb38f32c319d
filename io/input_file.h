#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

// The tools' inputs (level sources, scripts, level files printed by dump) are read whole,
// once, and bounded: a path that is not a regular file (a folder, a FIFO, a device) is
// refused without waiting on it, and so is a file larger than the caller's limit, before
// it is read. Failures are worded "PATH: REASON", REASON the system's own where it has one.

constexpr size_t MiB = size_t(1) << 20;

// Reads the whole regular file at path into bytes, refusing one of more than maxBytes
// (limitName says what the limit is for: "a level source").
bool readInputFile(const std::string& path, size_t maxBytes, const char* limitName, std::string& bytes,
                   std::string& error);

// "PATH: is SIZE bytes, too large: the limit for LIMITNAME is 4 MiB": the refusal of an input
// over its limit, the same whether it came from a file or was handed over as bytes.
std::string inputTooLarge(const std::string& path, uint64_t size, size_t maxBytes, const char* limitName);

// "a folder", "a FIFO", "a character device"...: what a file of this st_mode is, for messages.
const char* fileKindName(unsigned mode);
