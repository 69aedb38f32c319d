// Where the level is, said after a level that could not be opened: the installed levels
// of an installed program, and the build folder of one started from the repository's root.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <fstream>

#include "viewer/level_advice.h"

namespace {

struct LevelAdvice : ::testing::Test {
  std::string root;  // a repository's root, or an installation's prefix
  void SetUp() override {
    char pattern[] = "/tmp/quellor-advice-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    root = pattern;
  }
  void TearDown() override { (void)std::system(("rm -rf " + root).c_str()); }
  void folder(const std::string& path) { ::mkdir((root + "/" + path).c_str(), 0755); }
  void file(const std::string& path) { std::ofstream(root + "/" + path) << "level"; }

  // build/quellor started from the root, with the default level.
  LevelStart fromTheRoot() {
    LevelStart start;
    start.program = "quellor";
    start.invokedAs = "build/quellor";
    start.executablePath = root + "/build/quellor";
    start.workingFolder = root;
    start.level = "3rooms.b2";
    return start;
  }
};

TEST_F(LevelAdvice, InstalledLevelsBesideTheProgramsFolderOnly) {
  folder("bin");
  EXPECT_EQ(installedLevelsFolder(root + "/bin/quellor"), "");  // a build folder
  folder("share");
  folder("share/quellor");
  folder("share/quellor/levels");
  EXPECT_EQ(installedLevelsFolder(root + "/bin/quellor"), root + "/share/quellor/levels");
  EXPECT_EQ(installedLevelsFolder("quellor"), "");
  EXPECT_FALSE(ownExecutablePath().empty());
  EXPECT_FALSE(workingFolder().empty());

  LevelStart start;
  start.program = "quellor";
  start.invokedAs = "quellor";
  start.executablePath = root + "/bin/quellor";
  start.workingFolder = "/";
  start.level = "3rooms.b2";
  const std::string levels = root + "/share/quellor/levels";
  EXPECT_EQ(levelAdvice(start),
            "quellor: the installed levels are in " + levels + " (quellor " + levels + "/3rooms.b2)\n");
  start.program = "quellor-replay";
  start.levelOption = "--level";
  EXPECT_EQ(levelAdvice(start), "quellor-replay: the installed levels are in " + levels + " (quellor-replay --level " +
                                    levels + "/3rooms.b2)\n");
  start.levelGiven = true;
  EXPECT_EQ(levelAdvice(start), "");
}

TEST_F(LevelAdvice, TheBuildFolderFromTheRepositorysRoot) {
  folder("build");
  file("build/3rooms.b2");
  file("build/mine.b2");
  LevelStart start = fromTheRoot();
  EXPECT_EQ(levelAdvice(start),
            "quellor: 3rooms.b2 is in build/: start it there (cd build && ./quellor) or name it: "
            "build/quellor build/3rooms.b2\n");
  start.level = "mine.b2";
  start.levelGiven = true;
  EXPECT_EQ(levelAdvice(start),
            "quellor: mine.b2 is in build/: start it there (cd build && ./quellor mine.b2) or name it: "
            "build/quellor build/mine.b2\n");
  start.program = "quellor-replay";
  start.invokedAs = "build/quellor-replay";
  start.executablePath = root + "/build/quellor-replay";
  start.levelOption = "--level";
  EXPECT_EQ(levelAdvice(start),
            "quellor-replay: mine.b2 is in build/: start it there (cd build && ./quellor-replay --level mine.b2) "
            "or name it: build/quellor-replay --level build/mine.b2\n");
}

TEST_F(LevelAdvice, TheWorkingFoldersBuildFolderForAProgramFoundOnThePath) {
  folder("build");
  folder("elsewhere");
  file("build/3rooms.b2");
  LevelStart start = fromTheRoot();
  start.invokedAs = "quellor";
  start.executablePath = root + "/elsewhere/quellor";
  EXPECT_EQ(levelAdvice(start),
            "quellor: 3rooms.b2 is in build/: start it there (cd build && quellor) or name it: "
            "quellor build/3rooms.b2\n");
  // Started by a path that means nothing from inside build/: its whole path.
  start.invokedAs = "elsewhere/quellor";
  EXPECT_EQ(levelAdvice(start), "quellor: 3rooms.b2 is in build/: start it there (cd build && " + root +
                                    "/elsewhere/quellor) or name it: elsewhere/quellor build/3rooms.b2\n");
}

TEST_F(LevelAdvice, AProgramFolderOutsideTheWorkingFolderByItsWholePath) {
  folder("build");
  folder("work");
  file("build/3rooms.b2");
  LevelStart start = fromTheRoot();
  start.invokedAs = root + "/build/quellor";
  start.workingFolder = root + "/work";
  EXPECT_EQ(levelAdvice(start), "quellor: 3rooms.b2 is in " + root + "/build/: start it there (cd " + root +
                                    "/build && ./quellor) or name it: " + root + "/build/quellor " + root +
                                    "/build/3rooms.b2\n");
}

TEST_F(LevelAdvice, NothingWhereThereIsNothingToPointAt) {
  folder("build");
  LevelStart start = fromTheRoot();
  EXPECT_EQ(levelAdvice(start), "");  // no copy anywhere
  folder("build/3rooms.b2");
  EXPECT_EQ(levelAdvice(start), "");  // a folder of that name is no level
  ::rmdir((root + "/build/3rooms.b2").c_str());
  file("build/3rooms.b2");
  file("3rooms.b2");
  EXPECT_EQ(levelAdvice(start), "");  // the working folder has one: what was wrong is in the report
  start.level = root + "/none.b2";
  EXPECT_EQ(levelAdvice(start), "");  // a whole path was meant as given
}

}  // namespace
