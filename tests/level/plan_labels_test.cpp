// The plan's texts never cover each other, on every shipped and sample level: checked on
// the boxes the painter reports, not on pictures.
#include <gtest/gtest.h>

#include <dirent.h>

#include <algorithm>
#include <string>
#include <vector>

#include "level_test_support.h"
#include "plan/level_plan.h"
#include "plan/plan_labels.h"
#include "tools/level/plan_input.h"

namespace {

std::vector<std::string> levelSources() {
  std::vector<std::string> paths;
  const std::string folder = QUELLOR_SOURCE_DIR "/levels/";
  if (DIR* dir = ::opendir(folder.c_str())) {
    while (const dirent* entry = ::readdir(dir)) {
      const std::string name = entry->d_name;
      if (name.size() > 5 && name.compare(name.size() - 5, 5, ".json") == 0) paths.push_back(folder + name);
    }
    ::closedir(dir);
  }
  std::sort(paths.begin(), paths.end());
  return paths;
}

std::string describe(const PlanText& t) {
  return "'" + t.text + "' at " + std::to_string(t.box.left) + ", " + std::to_string(t.box.top) + " to " +
         std::to_string(t.box.right) + ", " + std::to_string(t.box.bottom);
}

// Every pair of texts apart, for each format (their fonts' metrics differ a little).
void expectNoTextCovered(const std::string& path) {
  for (const PlanFormat format : {PlanFormat::Svg, PlanFormat::Png, PlanFormat::Pdf}) {
    PlanLevel level;
    std::vector<std::string> errors;
    ASSERT_TRUE(readPlanLevel(path, level, errors)) << path;
    PlanLayout layout;
    std::string bytes, error;
    ASSERT_TRUE(drawPlan(level, format, bytes, layout, error)) << error;
    const std::vector<PlanText>& texts = layout.texts;
    for (size_t a = 0; a < texts.size(); ++a) {
      for (size_t b = a + 1; b < texts.size(); ++b) {
        EXPECT_FALSE(boxesOverlap(texts[a].box, texts[b].box))
            << path << ": " << describe(texts[a]) << " covers " << describe(texts[b]);
      }
    }
    // Every room keeps its label.
    for (const std::string& room : layout.roomLabels) {
      EXPECT_TRUE(std::any_of(texts.begin(), texts.end(),
                              [&](const PlanText& t) { return t.text.compare(0, room.size() + 1, room + "\n") == 0; }))
          << path << ": room '" << room << "' has no label";
    }
  }
}

TEST(PlanLabels, NoTextCoversAnotherOnAnyShippedOrSampleLevel) {
  const std::vector<std::string> sources = levelSources();
  ASSERT_GE(sources.size(), 4u);
  for (const std::string& path : sources) expectNoTextCovered(path);
}

TEST(PlanLabels, TheCornerOfTheGridShowsOneNumber) {
  // The shipped level's lowest z line and leftmost x line meet at the drawing's bottom
  // left corner, where both numbers were once written over each other.
  PlanLevel level;
  std::vector<std::string> errors;
  ASSERT_TRUE(readPlanLevel(QUELLOR_SOURCE_DIR "/levels/3rooms.json", level, errors));
  PlanLayout layout;
  std::string bytes, error;
  ASSERT_TRUE(drawPlan(level, PlanFormat::Png, bytes, layout, error)) << error;
  int corner = 0;
  for (const PlanText& t : layout.texts) corner += t.text == "-5" && t.box.left < layout.left + 20;
  EXPECT_EQ(corner, 1);
}

}  // namespace
