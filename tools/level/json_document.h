#pragma once
#include <map>
#include <string>

#include <nlohmann/json.hpp>

// A parsed JSON text together with the source line of every value in it, so that
// messages about a level can point at the line a designer has to change.
struct JsonDocument {
  nlohmann::json root;
  std::map<std::string, int> lines;  // JSON pointer ("/rooms/0/floor") -> 1-based line

  // The line of the value at pointer, or of the nearest enclosing value that has one.
  int lineOf(const std::string& pointer) const;
};

// Brackets nested deeper than this are refused as they are read (a level source needs 5):
// the parser would otherwise spend time and memory that grow with the depth's square.
constexpr int MaxJsonDepth = 64;

// Parses text (comments allowed). On a syntax error, or nesting deeper than MaxJsonDepth,
// returns false with the line and the fault.
bool parseJsonDocument(const std::string& text, JsonDocument& document, int& errorLine, std::string& error);

// "/rooms/3/outline" from its parts, with the pointer escapes for keys.
std::string jsonPointer(const std::string& parent, const std::string& key);
std::string jsonPointer(const std::string& parent, size_t index);
