#include "viewer/number_text.h"

bool parseCount(const std::string& text, int64_t max, int64_t& value) {
  if (text.empty()) return false;
  int64_t v = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    // Checked before each step, so no value of any length can wrap.
    const int64_t digit = c - '0';
    if (digit > max || v > (max - digit) / 10) return false;
    v = v * 10 + digit;
  }
  value = v;
  return true;
}

bool parseSizeText(const std::string& text, int32_t low, int32_t high, int32_t& width, int32_t& height) {
  const size_t x = text.find('x');
  if (x == std::string::npos) return false;
  int64_t w = 0, h = 0;
  if (!parseCount(text.substr(0, x), high, w) || !parseCount(text.substr(x + 1), high, h) || w < low || h < low) {
    return false;
  }
  width = int32_t(w);
  height = int32_t(h);
  return true;
}
