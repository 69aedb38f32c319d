#pragma once
#include <cstdint>
#include <string>

// Numbers read from text strictly, for the command lines and the scripts alike. Apart from
// the command line's parser so that the web page, which has none, reads scripts' numbers too.

// A decimal count from 0 to max, digits only. False for anything else, including values
// too large for any integer type.
bool parseCount(const std::string& text, int64_t max, int64_t& value);

// "WxH" with W and H whole numbers from low to high, nothing else (no sign, no blank).
bool parseSizeText(const std::string& text, int32_t low, int32_t high, int32_t& width, int32_t& height);
