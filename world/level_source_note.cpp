#include "world/level_source_note.h"

#include <cstring>

namespace {

// The first byte at or after at that is neither a blank nor inside a comment (the level
// tool's JSON allows both kinds); size when there is none.
size_t skipBlanks(const uint8_t* bytes, size_t size, size_t at) {
  while (at < size) {
    const uint8_t c = bytes[at];
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
      ++at;
    } else if (c == '/' && at + 1 < size && bytes[at + 1] == '/') {
      while (at < size && bytes[at] != '\n') ++at;
    } else if (c == '/' && at + 1 < size && bytes[at + 1] == '*') {
      at += 2;
      while (at + 1 < size && !(bytes[at] == '*' && bytes[at + 1] == '/')) ++at;
      at += 2;
    } else {
      break;
    }
  }
  return at < size ? at : size;
}

// Quoted for a shell when it holds anything but the characters file names are usually made of.
std::string shellWord(const std::string& word) {
  const char* plain = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789._-+/,:@%=";
  if (!word.empty() && word.find_first_not_of(plain) == std::string::npos) return word;
  std::string quoted = "'";
  for (char c : word) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

bool endsWith(const std::string& text, const char* end) {
  const size_t n = std::strlen(end);
  return text.size() >= n && text.compare(text.size() - n, n, end) == 0;
}

// The level file to suggest: the source's name without its folder and ".json", with ".b2",
// and never the source's own name.
std::string levelFileFor(const std::string& source) {
  const size_t slash = source.find_last_of("/\\");
  std::string stem = slash == std::string::npos ? source : source.substr(slash + 1);
  if (endsWith(stem, ".json")) stem.resize(stem.size() - 5);
  if (endsWith(stem, ".b2")) stem.resize(stem.size() - 3);
  if (stem.empty()) stem = "level";
  const std::string file = stem + ".b2";
  return file == source ? stem + "-built.b2" : file;
}

}  // namespace

bool looksLikeLevelSource(const uint8_t* bytes, size_t size) {
  size_t at = size >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF ? 3 : 0;
  at = skipBlanks(bytes, size, at);
  if (at == size || bytes[at] != '{') return false;
  at = skipBlanks(bytes, size, at + 1);
  if (at < size && bytes[at] == '}') return skipBlanks(bytes, size, at + 1) == size;
  if (at == size || bytes[at] != '"') return false;
  // The key: text, no control bytes, up to its closing quote.
  for (++at; at < size && bytes[at] != '"'; ++at) {
    if (bytes[at] < 0x20 || bytes[at] == 0x7F) return false;
  }
  return at < size;
}

std::string levelSourceNote(const char* name, const uint8_t* bytes, size_t size) {
  if (!looksLikeLevelSource(bytes, size)) return {};
  const std::string source(name);
  return source + ": this is a level source (JSON), not a level file: build one with quellor-level build " +
         shellWord(source) + " " + shellWord(levelFileFor(source));
}
