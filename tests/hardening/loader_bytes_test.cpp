// The loader reads a file and parses its bytes; the parse alone is what everything that
// holds bytes uses. Both must give the same world, record and words for the same bytes:
// over the kept corpus, the generated levels, the shipped levels and the level sources.
// The file's reading must also give the file back: no descriptor and no lock stays held.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstring>
#include <memory>

#include "byte_choices.h"
#include "generated_level.h"
#include "hardening_files.h"
#include "world/level_loader.h"

namespace {

using namespace hardening_test;

// The lowest free descriptor: the same before and after a load unless the load keeps one.
int lowestFreeDescriptor() {
  const int fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
  ::close(fd);
  return fd;
}

// The kernel drops a lock when the last reference to the open file goes; a process that
// looks into /proc can hold one for a moment after the loader's close, but a lock the
// loader really kept stays.
bool lockedAfterwards(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  bool locked = true;
  for (int attempt = 0; attempt < 100 && locked; ++attempt) {
    locked = ::flock(fd, LOCK_EX | LOCK_NB) != 0;
    if (locked) ::usleep(2000);
  }
  ::close(fd);
  return locked;
}

struct Reading {
  LevelLoadResult result{false, {}};
  std::unique_ptr<World> world = std::make_unique<World>();
  std::unique_ptr<LevelFileRecord> record = std::make_unique<LevelFileRecord>();
  std::string reports;  // what the file reader reported
};

bool sameRecord(const LevelFileRecord& a, const LevelFileRecord& b) {
  return a.vertexCount == b.vertexCount && a.secondWord == b.secondWord && a.roomCount == b.roomCount &&
         a.vertices.size() == b.vertices.size() &&
         (a.vertices.empty() ||  // an empty vector's data() may be null, which memcmp must not see
          std::memcmp(a.vertices.data(), b.vertices.data(), a.vertices.size() * sizeof(Vec3)) == 0) &&
         std::memcmp(a.wallCount, b.wallCount, sizeof a.wallCount) == 0 &&
         std::memcmp(a.portalCount, b.portalCount, sizeof a.portalCount) == 0 &&
         std::memcmp(a.vertexIndices, b.vertexIndices, sizeof a.vertexIndices) == 0;
}

// Loads path and parses bytes (its contents) under the same name, and compares everything.
// Returns whether the level loaded.
bool expectSameReading(const std::string& path, const std::vector<uint8_t>& bytes, const std::string& what) {
  Reading file, memory;
  const int freeBefore = lowestFreeDescriptor();
  ::testing::internal::CaptureStderr();
  file.result = loadLevel(*file.world, path.c_str(), file.record.get());
  file.reports = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(lowestFreeDescriptor(), freeBefore) << what << ": the loader kept a descriptor open";
  EXPECT_FALSE(lockedAfterwards(path)) << what << ": the loader left the file locked";
  ::testing::internal::CaptureStderr();
  memory.result = parseLevel(*memory.world, path.c_str(), bytes.data(), bytes.size(), memory.record.get());
  memory.reports = ::testing::internal::GetCapturedStderr();

  EXPECT_EQ(file.result.ok, memory.result.ok) << what;
  EXPECT_EQ(file.result.message, memory.result.message) << what;
  EXPECT_EQ(file.result.note, memory.result.note) << what;
  EXPECT_EQ(file.reports, "") << what;
  EXPECT_EQ(memory.reports, "") << what;
  EXPECT_EQ(std::memcmp(file.world.get(), memory.world.get(), sizeof(World)), 0) << what << ": the worlds differ";
  EXPECT_TRUE(sameRecord(*file.record, *memory.record)) << what << ": the records differ";
  return file.result.ok;
}

std::vector<std::string> filesIn(const std::string& folder, const std::string& ending) {
  std::vector<std::string> found;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    if (entry.path().extension() == ending) found.push_back(entry.path().string());
  }
  std::sort(found.begin(), found.end());
  return found;
}

TEST(LoaderBytes, TheCorpusReadsTheSameFromAFileAndFromItsBytes) {
  int loads = 0, refusals = 0;
  for (const std::string& path : filesIn(std::string(QUELLOR_SOURCE_DIR) + "/fuzz/corpus/loader", ".b2")) {
    (expectSameReading(path, readBytes(path), path) ? loads : refusals) += 1;
  }
  // Both outcomes are exercised, not only one.
  EXPECT_GE(loads, 5);
  EXPECT_GE(refusals, 30);
}

TEST(LoaderBytes, GeneratedAndShippedLevelsReadTheSameFromAFileAndFromTheirBytes) {
  const std::string path = privatePath("differential.b2");
  for (uint32_t seed = 1; seed <= 200; ++seed) {
    const std::vector<uint8_t> choiceBytes = seededBytes(seed, 256);
    ByteChoices choices(choiceBytes.data(), choiceBytes.size());
    const std::vector<uint8_t> bytes = generateLevel(choices);
    ASSERT_TRUE(writeFile(path, bytes));
    EXPECT_TRUE(expectSameReading(path, bytes, "seed " + std::to_string(seed)));
  }
  std::filesystem::remove(path);
  const std::vector<std::string> shipped = shippedLevels();
  EXPECT_FALSE(shipped.empty());
  for (const std::string& file : shipped) EXPECT_TRUE(expectSameReading(file, readBytes(file), file));
}

// A source given as a level file: refused alike, and with the same note, either way.
TEST(LoaderBytes, LevelSourcesAreRefusedAlikeWithTheSameNote) {
  const std::vector<std::string> sources = filesIn(std::string(QUELLOR_SOURCE_DIR) + "/levels", ".json");
  ASSERT_FALSE(sources.empty());
  for (const std::string& source : sources) {
    EXPECT_FALSE(expectSameReading(source, readBytes(source), source));
    auto world = std::make_unique<World>();
    EXPECT_EQ(
        loadLevel(*world, source.c_str())
            .note.rfind(
                source + ": this is a level source (JSON), not a level file: build one with quellor-level build ", 0),
        0u)
        << source;
  }
}

}  // namespace
