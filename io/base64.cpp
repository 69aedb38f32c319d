#include "io/base64.h"

namespace {

const char Alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// The value of a character of the alphabet, or -1.
int valueOf(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

}  // namespace

void appendBase64(const uint8_t* bytes, size_t size, std::string& out) {
  out.reserve(out.size() + base64Length(size));
  for (size_t i = 0; i < size; i += 3) {
    const size_t left = size - i;
    const uint32_t group = uint32_t(bytes[i]) << 16 | (left > 1 ? uint32_t(bytes[i + 1]) << 8 : 0) |
                           (left > 2 ? uint32_t(bytes[i + 2]) : 0);
    out += Alphabet[group >> 18 & 63];
    out += Alphabet[group >> 12 & 63];
    out += left > 1 ? Alphabet[group >> 6 & 63] : '=';
    out += left > 2 ? Alphabet[group & 63] : '=';
  }
}

bool isBase64Char(char c) { return c == '=' || valueOf(c) >= 0; }

bool decodeBase64(const std::string& text, std::vector<uint8_t>& bytes) {
  bytes.clear();
  if (text.size() % 4 != 0) return false;
  bytes.reserve(text.size() / 4 * 3);
  for (size_t i = 0; i < text.size(); i += 4) {
    const bool last = i + 4 == text.size();
    int v[4];
    int padding = 0;
    for (int k = 0; k < 4; ++k) {
      const char c = text[i + size_t(k)];
      v[k] = valueOf(c);
      if (v[k] >= 0) {
        if (padding > 0) return false;  // data after padding
        continue;
      }
      // Padding only in the last group's last two places.
      if (c != '=' || !last || k < 2) return false;
      v[k] = 0;
      ++padding;
    }
    const uint32_t group = uint32_t(v[0]) << 18 | uint32_t(v[1]) << 12 | uint32_t(v[2]) << 6 | uint32_t(v[3]);
    bytes.push_back(uint8_t(group >> 16));
    if (padding < 2) bytes.push_back(uint8_t(group >> 8 & 255));
    if (padding < 1) bytes.push_back(uint8_t(group & 255));
  }
  return true;
}
