// Screenshots: the first free name, never one that exists, the frame's indices and the
// viewer's palette in the PNG, and a refused folder that leaves nothing behind.
#include <dirent.h>
#include <gtest/gtest.h>
#include <png.h>
#include <sys/stat.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include "test_platform.h"
#include "viewer/palette.h"
#include "viewer/run_viewer.h"
#include "viewer/screenshot.h"

namespace {

std::string makeFolder() {
  char pattern[] = "/tmp/quellor-shot-XXXXXX";
  if (!::mkdtemp(pattern)) return {};
  return pattern;
}

std::vector<std::string> entries(const std::string& folder) {
  std::vector<std::string> names;
  DIR* dir = ::opendir(folder.c_str());
  while (dirent* e = dir ? ::readdir(dir) : nullptr) {
    if (std::string(e->d_name) != "." && std::string(e->d_name) != "..") names.push_back(e->d_name);
  }
  if (dir) ::closedir(dir);
  std::sort(names.begin(), names.end());
  return names;
}

FrameImage drawnFrame() {
  TestPlatform platform;
  platform.batches = {{key(KeyLeft)}, {}};
  auto viewer = std::make_unique<Viewer>();
  ViewerOptions options;
  options.levelFileName = "none.b2";
  options.reportLevelFailure = false;
  std::string error;
  startViewerRun(*viewer, platform, options, error);
  beginMainLoop(*viewer);
  resizeFrame(*viewer, platform, 37, 21);  // made 40 wide, as quellor-replay's frame of it is
  viewer->world.overviewEnabled = true;
  runPass(*viewer, platform);
  FrameImage image;
  captureFrame(presentedFrame(*viewer), image);
  finishViewerRun(*viewer, platform);
  return image;
}

TEST(Screenshot, TakesTheFirstFreeNameAndNeverReplacesAFile) {
  const std::string folder = makeFolder();
  ASSERT_FALSE(folder.empty());
  std::ofstream(folder + "/quellor-0002.png") << "kept";
  FrameImage image;
  image.width = 3;
  image.height = 2;
  image.pixels = {0, 1, 2, 3, 4, 5};
  std::vector<uint8_t> bytes;
  std::string path, error;
  std::vector<std::string> written;
  for (int i = 0; i < 3; ++i) {
    ASSERT_TRUE(writeScreenshot(folder, "quellor", image, bytes, path, error)) << error;
    written.push_back(path);
  }
  EXPECT_EQ(written, (std::vector<std::string>{folder + "/quellor-0001.png", folder + "/quellor-0003.png",
                                               folder + "/quellor-0004.png"}));
  std::stringstream kept;
  kept << std::ifstream(folder + "/quellor-0002.png").rdbuf();
  EXPECT_EQ(kept.str(), "kept");
  // No temporary file stays behind.
  EXPECT_EQ(entries(folder),
            (std::vector<std::string>{"quellor-0001.png", "quellor-0002.png", "quellor-0003.png", "quellor-0004.png"}));
  (void)std::system(("rm -rf " + folder).c_str());
}

TEST(Screenshot, HoldsTheShownFrameInTheViewersPalette) {
  const FrameImage image = drawnFrame();
  ASSERT_EQ(image.width, 40);
  ASSERT_EQ(image.height, 21);
  const std::string folder = makeFolder();
  std::vector<uint8_t> bytes;
  std::string path, error;
  ASSERT_TRUE(writeScreenshot(folder, "quellor", image, bytes, path, error)) << error;

  png_image png;
  std::memset(&png, 0, sizeof png);
  png.version = PNG_IMAGE_VERSION;
  ASSERT_TRUE(png_image_begin_read_from_file(&png, path.c_str()));
  ASSERT_EQ(png.width, 40u);
  ASSERT_EQ(png.height, 21u);
  png.format = PNG_FORMAT_RGB;
  std::vector<uint8_t> rgb(PNG_IMAGE_SIZE(png));
  ASSERT_TRUE(png_image_finish_read(&png, nullptr, rgb.data(), 0, nullptr));
  const PaletteEntry* palette = viewerPalette();
  bool allPalette = true;
  for (size_t i = 0; i < image.pixels.size(); ++i) {
    const PaletteEntry& c = palette[image.pixels[i]];
    allPalette = allPalette && rgb[3 * i] == c.red && rgb[3 * i + 1] == c.green && rgb[3 * i + 2] == c.blue;
  }
  EXPECT_TRUE(allPalette);
  (void)std::system(("rm -rf " + folder).c_str());
}

TEST(Screenshot, AFolderThatRefusesSaysWhyAndLeavesNothing) {
  const std::string folder = makeFolder();
  FrameImage image;
  image.width = image.height = 1;
  image.pixels = {7};
  std::vector<uint8_t> bytes;
  std::string path, error;
  EXPECT_FALSE(writeScreenshot(folder + "/missing", "quellor", image, bytes, path, error));
  EXPECT_NE(error.find("No such file or directory"), std::string::npos) << error;
  if (::geteuid() != 0) {  // root writes anywhere
    ::chmod(folder.c_str(), 0555);
    EXPECT_FALSE(writeScreenshot(folder, "quellor", image, bytes, path, error));
    EXPECT_NE(error.find("Permission denied"), std::string::npos) << error;
    ::chmod(folder.c_str(), 0755);
  }
  // Every name taken: refused, and the temporary file removed.
  for (int n = 1; n <= MaxScreenshotNumber; ++n) {
    char name[32];
    std::snprintf(name, sizeof name, "/q-%04d.png", n);
    std::ofstream(folder + name).put('x');
  }
  EXPECT_FALSE(writeScreenshot(folder, "q", image, bytes, path, error));
  EXPECT_NE(error.find("all exist"), std::string::npos) << error;
  EXPECT_EQ(entries(folder).size(), size_t(MaxScreenshotNumber));
  (void)std::system(("rm -rf " + folder).c_str());
}

}  // namespace
