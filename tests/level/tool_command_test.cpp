// The quellor-level program: its exit codes and what it prints.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "level_test_support.h"
#include "world/level_file.h"

namespace {

const std::string Tool = QUELLOR_BINARY_DIR "/quellor-level";

struct ToolRun {
  int status;
  std::string output;
};

ToolRun run(const std::string& arguments) {
  // One output file per test: ctest runs the tests of this suite side by side.
  const std::string outputPath =
      tempPath(std::string("tool-output-") + ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".txt");
  const int raw = std::system((Tool + " " + arguments + " > " + outputPath + " 2>&1").c_str());
  std::ifstream file(outputPath);
  std::stringstream text;
  text << file.rdbuf();
  return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, text.str()};
}

std::string writeText(const std::string& name, const std::string& text) {
  const std::string path = tempPath(name);
  std::ofstream(path) << text;
  return path;
}

class ToolCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::ifstream(Tool)) GTEST_SKIP() << Tool << " is not built";
  }
};

TEST_F(ToolCommand, BuildWritesALevelThatCheckPasses) {
  const std::string source = writeText(
      "cli-box.json", R"({"rooms": [{"outline": [[0, 0], [4, 0], [4, 4], [0, 4]], "floor": -1, "ceiling": 2}]})");
  const std::string out = tempPath("cli-box.b2");
  const ToolRun built = run("build " + source + " " + out);
  EXPECT_EQ(built.status, 0) << built.output;
  const ToolRun checked = run("check " + out);
  EXPECT_EQ(checked.status, 0) << checked.output;
  EXPECT_NE(checked.output.find("valid level, 1 rooms, 6 polygons"), std::string::npos) << checked.output;
}

TEST_F(ToolCommand, RefusedSourceExitsNonZeroAndWritesNothing) {
  const std::string source = writeText(
      "cli-bad.json",
      "{\"rooms\": [\n{\"name\": \"flat\", \"outline\": [[0, 0], [4, 0], [4, 4]],\n \"floor\": 2, \"ceiling\": 2}]}");
  const std::string out = tempPath("cli-bad.b2");
  std::remove(out.c_str());
  const ToolRun built = run("build " + source + " " + out);
  EXPECT_EQ(built.status, 1);
  EXPECT_NE(built.output.find("cli-bad.json:3: room 'flat' (room 0): the ceiling is not above the floor"),
            std::string::npos)
      << built.output;
  EXPECT_FALSE(std::ifstream(out));
}

TEST_F(ToolCommand, CheckListsEveryProblemAndExitsNonZero) {
  LevelBytes l;
  l.i32(8).i32(0).i32(1);
  cubeVertices(l);
  l.i32(5).i32(0);
  const int32_t faces[5][4] = {{2, 0, 4, 6}, {5, 1, 3, 7}, {4, 0, 1, 5}, {3, 2, 6, 7}, {1, 0, 2, 3}};
  for (const auto& f : faces) l.wall({f[0], f[1], f[2], f[3]});
  const std::string path = l.write("cli-open.b2");
  const ToolRun checked = run("check " + path);
  EXPECT_EQ(checked.status, 1);
  EXPECT_NE(checked.output.find("room 0 polygon 0 (wall): edge"), std::string::npos) << checked.output;
  EXPECT_NE(checked.output.find(" problems\n"), std::string::npos) << checked.output;
}

// The path once, then why: a refused file is one line.
TEST_F(ToolCommand, CheckOfAMissingFileFailsNamingThePathOnceAndWhy) {
  const std::string path = tempPath("no-such-level.b2");
  const ToolRun checked = run("check " + path);
  EXPECT_EQ(checked.status, 1);
  EXPECT_NE(checked.output.find(path + ": cannot be opened: No such file or directory\n"), std::string::npos)
      << checked.output;
  EXPECT_EQ(checked.output.find(path + ": " + path), std::string::npos) << checked.output;
  const ToolRun folder = run("check " + tempPath(""));
  EXPECT_EQ(folder.status, 1);
  EXPECT_NE(folder.output.find(tempPath("") + ": cannot be read: it is a folder, not a regular file\n"),
            std::string::npos)
      << folder.output;
}

TEST_F(ToolCommand, DumpShowsWorldUnitsKindsAndPlanes) {
  LevelBytes l;
  l.i32(8).i32(0).i32(1);
  cubeVertices(l);
  cubeFaces(l, 0, 2, 0);
  const ToolRun dumped = run("dump " + l.write("cli-dump.b2"));
  EXPECT_EQ(dumped.status, 0) << dumped.output;
  EXPECT_NE(dumped.output.find("  7: (10, 10, 10)\n"), std::string::npos) << dumped.output;
  EXPECT_NE(dumped.output.find("room 0: 5 walls, 1 portals"), std::string::npos) << dumped.output;
  EXPECT_NE(dumped.output.find("polygon 0: wall, colour index "), std::string::npos) << dumped.output;
  EXPECT_NE(
      dumped.output.find("polygon 5: portal to room 0, plane (0.0000, 1.0000, 0.0000) d 0.0000, vertices 4 0 1 5"),
      std::string::npos)
      << dumped.output;
}

TEST_F(ToolCommand, CheckAndDumpRefuseSpecialFilesAtOnce) {
  const ToolRun dumped = run("dump /dev/zero");
  EXPECT_EQ(dumped.status, 1);
  EXPECT_EQ(dumped.output, "/dev/zero: cannot be read: it is a character device, not a regular file\n");
  const ToolRun checked = run("check /dev/zero");
  EXPECT_EQ(checked.status, 1);
  EXPECT_EQ(checked.output,
            "/dev/zero: cannot be read: it is a character device, not a regular file\n"
            "/dev/zero: 1 problem\n");
  const std::string folder = ::testing::TempDir();
  const ToolRun built = run("build " + folder + " " + tempPath("cli-never.b2"));
  EXPECT_EQ(built.status, 1);
  EXPECT_EQ(built.output, folder + ": cannot be read: it is a folder, not a regular file\n");
  EXPECT_FALSE(std::ifstream(tempPath("cli-never.b2")));
}

TEST_F(ToolCommand, UnknownSubcommandIsAUsageError) {
  const ToolRun ran = run("frobnicate x");
  EXPECT_NE(ran.status, 0);
}

}  // namespace
