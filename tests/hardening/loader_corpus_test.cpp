// The kept corpus of level files, hand-made and found by fuzzing: each must load, or be
// refused with exactly the message recorded for it.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>

#include "hardening_files.h"
#include "world/level_loader.h"
#include "world_limits.h"

namespace {

using namespace hardening_test;

const std::string CorpusFolder = std::string(QUELLOR_SOURCE_DIR) + "/fuzz/corpus/loader";
const std::string MessagesFile = std::string(QUELLOR_SOURCE_DIR) + "/fuzz/corpus/loader-messages.tsv";
constexpr const char* Loads = "loads";

// File name -> what loading it gives: "loads" or the refusal after "PATH: ".
std::map<std::string, std::string> recordedOutcomes() {
  std::map<std::string, std::string> outcomes;
  std::ifstream in(MessagesFile);
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] == '#') continue;
    const size_t tab = line.find('\t');
    if (tab == std::string::npos) {
      ADD_FAILURE() << "a line without a tab in " << MessagesFile << ": " << line;
      continue;
    }
    outcomes[line.substr(0, tab)] = line.substr(tab + 1);
  }
  return outcomes;
}

std::vector<std::string> corpusFiles() {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(CorpusFolder)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

TEST(LoaderCorpus, EveryFileHasItsOutcomeRecordedAndEveryRecordAFile) {
  const auto outcomes = recordedOutcomes();
  const auto files = corpusFiles();
  ASSERT_GE(files.size(), 40u);
  for (const std::string& name : files) EXPECT_EQ(outcomes.count(name), 1u) << name << " has no recorded outcome";
  for (const auto& [name, outcome] : outcomes) {
    EXPECT_TRUE(std::find(files.begin(), files.end(), name) != files.end()) << name << " is recorded but missing";
  }
}

TEST(LoaderCorpus, EachFileLoadsOrIsRefusedWithItsExactMessage) {
  auto world = std::make_unique<World>();
  int refused = 0;
  for (const auto& [name, outcome] : recordedOutcomes()) {
    const std::string path = CorpusFolder + "/" + name;
    world->roomCount = MaxRooms;  // as if a level had been loaded before
    ::testing::internal::CaptureStderr();
    const LevelLoadResult result = loadLevel(*world, path.c_str());
    const std::string reported = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(reported, "") << name << ": the file reader reported a failure";
    if (outcome == Loads) {
      EXPECT_TRUE(result.ok) << name << ": " << result.message;
      EXPECT_EQ(worldLimitFault(*world), "") << name;
    } else {
      ++refused;
      EXPECT_FALSE(result.ok) << name;
      EXPECT_EQ(result.message, path + ": " + outcome) << name;
      EXPECT_EQ(world->roomCount, 0) << name << ": a refused file left rooms behind";
    }
  }
  EXPECT_GE(refused, 30);
}

// Each loading file of the corpus cut short at every length: a piece is refused as
// ending early until it holds everything the loader reads, and from there on it loads
// (what follows the last room is never read).
TEST(LoaderCorpus, EveryPrefixOfALoadingFileEndsEarlyOrLoads) {
  auto world = std::make_unique<World>();
  for (const auto& [name, outcome] : recordedOutcomes()) {
    if (outcome != Loads) continue;
    const std::vector<uint8_t> bytes = readBytes(CorpusFolder + "/" + name);
    bool loaded = false;
    for (size_t length = 0; length <= bytes.size(); ++length) {
      world->roomCount = 1;
      const LevelLoadResult result = parseBytes(*world, "prefix.b2", bytes, length);
      if (loaded) {
        EXPECT_TRUE(result.ok) << name << " cut to " << length << ": " << result.message;
      } else if (!result.ok) {
        EXPECT_NE(result.message.find(": the file ends early, at "), std::string::npos)
            << name << " cut to " << length << ": " << result.message;
        EXPECT_EQ(world->roomCount, 0);
      }
      loaded = result.ok;
    }
    EXPECT_TRUE(loaded) << name;
  }
}

}  // namespace
