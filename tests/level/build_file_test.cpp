// build's files: the source read once and bounded, the output never the source, never a
// special file, and replaced only by a whole level that passes its check.
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "level_test_support.h"
#include "support/temp_folder.h"
#include "tools/level/json_document.h"
#include "tools/level/level_build_file.h"
#include "tools/level/level_build_text.h"
#include "tools/level/level_inputs.h"

namespace {

const char* const BoxSource =
    R"({"rooms": [{"outline": [[0, 0], [4, 0], [4, 4], [0, 4]], "floor": -1, "ceiling": 2}]})";

class BuildFile : public TempFolderTest {
 protected:
  void SetUp() override {
    TempFolderTest::SetUp();
    put(path("box.json"), BoxSource);
  }
  static std::string errors(const BuildFileOutcome& o) {
    std::string all;
    for (const std::string& e : o.errors) all += e + "\n";
    return all;
  }
};

TEST_F(BuildFile, WritesACheckedLevelAndNothingElse) {
  const BuildFileOutcome built = buildLevelFile(path("box.json"), path("box.b2"));
  ASSERT_TRUE(built.ok) << errors(built);
  EXPECT_EQ(built.rooms, 1u);
  EXPECT_EQ(built.polygons, 6u);
  EXPECT_TRUE(checkFile(path("box.b2")).problems.empty());
  EXPECT_EQ(names(), (std::vector<std::string>{"box.b2", "box.json"}));
}

// The page builds a source's text with buildLevelText: the bytes build writes, and build's
// lines (warnings, then errors) for the same text under the same names.
TEST_F(BuildFile, TheTextBuilderGivesTheBytesAndLinesOfBuild) {
  const BuildFileOutcome file = buildLevelFile(path("box.json"), path("box.b2"));
  const BuiltLevelBytes text = buildLevelText(BoxSource, path("box.json"), path("box.b2"));
  ASSERT_TRUE(file.ok && text.ok) << errors(file);
  const std::string written = contents(path("box.b2"));
  EXPECT_EQ(std::string(text.bytes.begin(), text.bytes.end()), written);
  EXPECT_EQ(text.warnings, file.warnings);
  EXPECT_FALSE(text.warnings.empty());  // the start point is outside the box
  EXPECT_EQ(text.rooms, file.rooms);
  EXPECT_EQ(text.polygons, file.polygons);

  const std::string broken = R"({"rooms": [{"outline": [[0, 0], [4, 0]], "floor": -1, "ceiling": 2}]})";
  put(path("broken.json"), broken);
  const BuildFileOutcome refusedFile = buildLevelFile(path("broken.json"), path("broken.b2"));
  const BuiltLevelBytes refusedText = buildLevelText(broken, path("broken.json"), path("broken.b2"));
  EXPECT_FALSE(refusedText.ok);
  EXPECT_TRUE(refusedText.bytes.empty());
  EXPECT_EQ(refusedText.errors, refusedFile.errors);
  EXPECT_FALSE(refusedText.errors.empty());

  const BuiltLevelBytes strict = buildLevelText(BoxSource, "box.json", "box.b2", true);
  EXPECT_FALSE(strict.ok);
  EXPECT_EQ(strict.errors.back(), "box.b2: not written: --strict makes warnings errors; box.b2 is left as it was");
}

TEST_F(BuildFile, RefusesToWriteOverItsSourceUnderAnyName) {
  ASSERT_EQ(::symlink(path("box.json").c_str(), path("soft.b2").c_str()), 0);
  ASSERT_EQ(::link(path("box.json").c_str(), path("hard.b2").c_str()), 0);
  for (const std::string& out : {path("box.json"), path("soft.b2"), path("hard.b2"), dir_ + "/./box.json"}) {
    const BuildFileOutcome built = buildLevelFile(path("box.json"), out);
    EXPECT_FALSE(built.ok);
    EXPECT_EQ(errors(built),
              out + ": is the source itself (" + path("box.json") + "); the level must go to another file\n");
    EXPECT_EQ(contents(path("box.json")), BoxSource);
  }
  EXPECT_EQ(names(), (std::vector<std::string>{"box.json", "hard.b2", "soft.b2"}));
}

TEST_F(BuildFile, RefusesSpecialOutputsAndSourcesBeforeWriting) {
  ASSERT_EQ(::mkfifo(path("pipe").c_str(), 0644), 0);
  ASSERT_EQ(::mkdir(path("folder").c_str(), 0755), 0);
  const struct {
    std::string source, out, message;
  } cases[] = {
      {path("box.json"), path("pipe"), path("pipe") + ": cannot be written: it is a FIFO, not a regular file"},
      {path("box.json"), path("folder"), path("folder") + ": cannot be written: it is a folder, not a regular file"},
      {path("box.json"), "/dev/null", "/dev/null: cannot be written: it is a character device, not a regular file"},
      {path("box.json"), "/dev/full", "/dev/full: cannot be written: it is a character device, not a regular file"},
      {path("pipe"), path("out.b2"), path("pipe") + ": cannot be read: it is a FIFO, not a regular file"},
      {path("folder"), path("out.b2"), path("folder") + ": cannot be read: it is a folder, not a regular file"},
      {"/dev/zero", path("out.b2"), "/dev/zero: cannot be read: it is a character device, not a regular file"},
  };
  for (const auto& c : cases) {
    const BuildFileOutcome built = buildLevelFile(c.source, c.out);
    EXPECT_FALSE(built.ok);
    EXPECT_EQ(errors(built), c.message + "\n");
  }
  struct stat info;
  ASSERT_EQ(::lstat(path("pipe").c_str(), &info), 0);
  EXPECT_TRUE(S_ISFIFO(info.st_mode));
  EXPECT_EQ(names(), (std::vector<std::string>{"box.json", "folder", "pipe"}));
}

TEST_F(BuildFile, RefusesOversizedAndOverDeepSources) {
  put(path("out.b2"), "earlier");
  put(path("huge.json"), std::string(MaxLevelSourceBytes + 1, '\n'));
  BuildFileOutcome built = buildLevelFile(path("huge.json"), path("out.b2"));
  EXPECT_EQ(errors(built),
            path("huge.json") + ": is 4194305 bytes, too large: the limit for a level source is 4 MiB\n");
  // 100,000 brackets: refused at the 65th, not parsed to the end.
  put(path("deep.json"), std::string(100000, '[') + std::string(100000, ']'));
  built = buildLevelFile(path("deep.json"), path("out.b2"));
  EXPECT_EQ(errors(built), path("deep.json") + ":1: brackets nest more than 64 deep, the limit for a level source\n");
  EXPECT_EQ(contents(path("out.b2")), "earlier");
  // Handed over in memory, as the page will hand them, the same texts meet the same bounds
  // and the same words.
  LevelSource source;
  std::vector<std::string> said;
  EXPECT_FALSE(readLevelSource(std::string(MaxLevelSourceBytes + 1, '\n'), "huge.json", source, said));
  EXPECT_EQ(
      said,
      (std::vector<std::string>{"huge.json: is 4194305 bytes, too large: the limit for a level source is 4 MiB"}));
  said.clear();
  EXPECT_FALSE(readLevelSource(std::string(100000, '[') + std::string(100000, ']'), "deep.json", source, said));
  EXPECT_EQ(said,
            (std::vector<std::string>{"deep.json:1: brackets nest more than 64 deep, the limit for a level source"}));
  // At the size limit itself, the text is read as JSON.
  said.clear();
  const std::string object = "{\"rooms\": 5}";
  EXPECT_FALSE(
      readLevelSource(object + std::string(MaxLevelSourceBytes - object.size(), ' '), "full.json", source, said));
  ASSERT_EQ(said.size(), 1u);
  EXPECT_EQ(said[0].find("too large"), std::string::npos) << said[0];
  // The limit itself: 64 levels parse, 65 do not.
  JsonDocument document;
  int line = 0;
  std::string error;
  EXPECT_TRUE(parseJsonDocument(std::string(64, '[') + std::string(64, ']'), document, line, error)) << error;
  EXPECT_FALSE(
      parseJsonDocument("{\"a\":\n" + std::string(64, '[') + std::string(64, ']') + "}", document, line, error));
  EXPECT_EQ(line, 2);
  EXPECT_EQ(error, "brackets nest more than 64 deep, the limit for a level source");
}

TEST_F(BuildFile, SymlinkInTheWayIsReplacedAndALockedOutputStillBuilt) {
  put(path("elsewhere"), "keep me");
  ASSERT_EQ(::symlink(path("elsewhere").c_str(), path("box.b2").c_str()), 0);
  BuildFileOutcome built = buildLevelFile(path("box.json"), path("box.b2"));
  ASSERT_TRUE(built.ok) << errors(built);
  EXPECT_EQ(contents(path("elsewhere")), "keep me");
  struct stat info;
  ASSERT_EQ(::lstat(path("box.b2").c_str(), &info), 0);
  EXPECT_TRUE(S_ISREG(info.st_mode));
  // A viewer holding the old level (its reader takes an exclusive lock) does not stop the
  // build: the check reads the new bytes, not the locked file.
  const int held = ::open(path("box.b2").c_str(), O_RDWR);
  ASSERT_GE(held, 0);
  ASSERT_EQ(::flock(held, LOCK_EX | LOCK_NB), 0);
  built = buildLevelFile(path("box.json"), path("box.b2"));
  ::close(held);
  ASSERT_TRUE(built.ok) << errors(built);
  EXPECT_TRUE(checkFile(path("box.b2")).problems.empty());
  EXPECT_EQ(names(), (std::vector<std::string>{"box.b2", "box.json", "elsewhere"}));
}

// A write that fails part-way (past the file size limit, as on a full disk) says why and
// leaves the earlier file whole, with no temporary file beside it.
TEST_F(BuildFile, FailedWriteKeepsTheEarlierLevel) {
  put(path("box.b2"), "earlier level");
  struct rlimit before;
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &before), 0);
  const auto previous = std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = before;
  small.rlim_cur = 64;  // the box level takes several hundred bytes
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  const BuildFileOutcome built = buildLevelFile(path("box.json"), path("box.b2"));
  ::setrlimit(RLIMIT_FSIZE, &before);
  std::signal(SIGXFSZ, previous);
  EXPECT_FALSE(built.ok);
  EXPECT_EQ(errors(built), path("box.b2") + ": cannot be written: File too large\n");
  EXPECT_EQ(contents(path("box.b2")), "earlier level");
  EXPECT_EQ(names(), (std::vector<std::string>{"box.b2", "box.json"}));
}

// The program itself: exit status 1 and the message on standard error, under a file size
// limit set by the shell (the tool must not be killed by SIGXFSZ half-way).
TEST_F(BuildFile, TheToolReportsRefusalsWithExitStatusOne) {
  const std::string tool = QUELLOR_BINARY_DIR "/quellor-level";
  if (!std::ifstream(tool)) GTEST_SKIP() << tool << " is not built";
  put(path("box.b2"), "earlier level");
  auto run = [&](const std::string& command) {
    const int raw = std::system((command + " > '" + path("said.txt") + "' 2>&1").c_str());
    const std::string said = contents(path("said.txt"));
    ::unlink(path("said.txt").c_str());
    return std::pair<int, std::string>{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, said};
  };
  auto [status, said] = run(tool + " build " + path("box.json") + " " + path("box.json"));
  EXPECT_EQ(status, 1);
  EXPECT_EQ(said, path("box.json") + ": is the source itself (" + path("box.json") +
                      "); the level must go to another file\n");
  // No byte may be written to a file; the message goes through a pipe, which the limit
  // does not cover, and the status after it.
  std::tie(status, said) = run("(ulimit -f 0; " + tool + " build " + path("box.json") + " " + path("box.b2") +
                               " 2>&1; echo \"status $?\") | cat");
  EXPECT_EQ(status, 0);
  EXPECT_EQ(said, path("box.b2") + ": cannot be written: File too large\nstatus 1\n");
  EXPECT_EQ(contents(path("box.b2")), "earlier level");
  EXPECT_EQ(contents(path("box.json")), BoxSource);
  EXPECT_EQ(names(), (std::vector<std::string>{"box.b2", "box.json"}));
}

}  // namespace
