#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Base64 (the standard alphabet, '=' padding), so that binary bytes can ride in a text
// file a person can read and a script can write.

// The characters size bytes take: four for every three, the last group padded.
constexpr size_t base64Length(size_t size) { return (size + 2) / 3 * 4; }

// Appends the base64 of bytes to out.
void appendBase64(const uint8_t* bytes, size_t size, std::string& out);

// True when c belongs to the alphabet or is the padding '='.
bool isBase64Char(char c);

// Decodes text (a whole number of four-character groups, padding only at the end) into
// bytes. False when it is not such text.
bool decodeBase64(const std::string& text, std::vector<uint8_t>& bytes);
