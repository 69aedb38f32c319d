// The level tool's builder in the page: a level source (.json) opened, dropped, linked or
// edited is built here as quellor-level build builds it, with its very error and warning
// lines, and the page shows the bytes it gives through the viewer's loader.
#include <emscripten/emscripten.h>

#include <exception>
#include <string>
#include <vector>

#include "tools/level/level_build_text.h"
#include "tools/level/starter_level.h"

namespace {

// ok, then the lines (errors or warnings, "\n" between them) and the level file's bytes.
EM_JS(void, pageBuilt, (int32_t ok, const char* lines, const uint8_t* bytes, int32_t size),
      { Module.quellorPage.built(ok != 0, UTF8ToString(lines), bytes, size); });

std::string joinLines(const std::vector<std::string>& first, const std::vector<std::string>& second) {
  std::string text;
  for (const auto* lines : {&first, &second}) {
    for (const std::string& line : *lines) {
      if (!text.empty()) text += '\n';
      text += line;
    }
  }
  return text;
}

}  // namespace

extern "C" {

// Builds size bytes of source text; sourceName and outName stand for the source and the
// level file in the messages. The page gets the outcome through Module.quellorPage.built
// before this returns 1 (built) or 0 (refused).
EMSCRIPTEN_KEEPALIVE int32_t quellor_build_source(const char* sourceName, const char* outName, const char* text,
                                                  int32_t size) {
  if (size < 0) return 0;
  BuiltLevelBytes built;
  try {
    built = buildLevelText(std::string(text, size_t(size)), sourceName, outName);
  } catch (const std::exception& e) {
    // A fault of the builder, not of the source: said, and the viewer runs on.
    built = BuiltLevelBytes{};
    built.errors.push_back(std::string(sourceName) + ": cannot be built here (" + e.what() + ")");
  }
  // Warnings come first, as build prints them.
  const std::string lines = joinLines(built.warnings, built.errors);
  pageBuilt(built.ok ? 1 : 0, lines.c_str(), built.bytes.data(), int32_t(built.bytes.size()));
  return built.ok ? 1 : 0;
}

// The source quellor-level new writes, for the editor when the level shown has none.
EMSCRIPTEN_KEEPALIVE const char* quellor_starter_source() {
  static const std::string text = starterLevelText("new-level.json");
  return text.c_str();
}

}  // extern "C"
