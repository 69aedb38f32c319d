// Plan pictures read back: the SVG as XML, the PNG decoded, both checked for the rooms,
// their labels and the start marker; and the plan command's refusals.
#include <cairo.h>
#include <gtest/gtest.h>
#include <libxml/parser.h>
#include <libxml/tree.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <set>
#include <sstream>

#include "level_test_support.h"
#include "plan/level_plan.h"
#include "tools/level/level_warnings.h"
#include "tools/level/plan_input.h"

namespace {

const std::string Source = QUELLOR_SOURCE_DIR "/levels/3rooms.json";

std::string percentColour(const double rgb[3]) {
  char text[64];
  std::snprintf(text, sizeof text, "rgb(%g%%,%g%%,%g%%)", std::round(rgb[0] * 100), std::round(rgb[1] * 100),
                std::round(rgb[2] * 100));
  return text;
}

void collectFills(xmlNode* node, std::multiset<std::string>& fills, int& elements) {
  for (xmlNode* n = node; n; n = n->next) {
    if (n->type != XML_ELEMENT_NODE) continue;
    ++elements;
    if (xmlChar* style = xmlGetProp(n, BAD_CAST "style")) {
      const std::string s(reinterpret_cast<const char*>(style));
      const size_t at = s.find("fill:rgb(");
      if (at != std::string::npos) fills.insert(s.substr(at + 5, s.find(')', at) - at - 4));
      xmlFree(style);
    }
    collectFills(n->children, fills, elements);
  }
}

struct Plan {
  PlanLevel level;
  PlanLayout layout;
  std::string bytes;
};

Plan draw(const std::string& path, PlanFormat format) {
  Plan plan;
  std::vector<std::string> errors;
  EXPECT_TRUE(readPlanLevel(path, plan.level, errors)) << (errors.empty() ? "" : errors[0]);
  std::string error;
  EXPECT_TRUE(drawPlan(plan.level, format, plan.bytes, plan.layout, error)) << error;
  return plan;
}

TEST(LevelPlan, TheSvgIsXmlWithEveryRoomsTintAndTheStartMarker) {
  const Plan plan = draw(Source, PlanFormat::Svg);
  xmlDoc* doc = xmlReadMemory(plan.bytes.data(), int(plan.bytes.size()), "plan.svg", nullptr, XML_PARSE_NONET);
  ASSERT_NE(doc, nullptr);
  xmlNode* root = xmlDocGetRootElement(doc);
  EXPECT_STREQ(reinterpret_cast<const char*>(root->name), "svg");
  xmlChar* width = xmlGetProp(root, BAD_CAST "width");
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(width)), std::to_string(plan.layout.width) + "pt");
  xmlFree(width);
  std::multiset<std::string> fills;
  int elements = 0;
  collectFills(root, fills, elements);
  xmlFreeDoc(doc);
  for (int r = 0; r < 3; ++r) {
    double tint[3];
    roomTint(r, tint);
    EXPECT_EQ(fills.count(percentColour(tint)), 1u) << "room " << r;
  }
  EXPECT_GE(fills.count(percentColour(StartMarkerRgb)), 2u);  // the dot and the arrow head
  EXPECT_EQ(plan.layout.roomLabels, (std::vector<std::string>{"0 hall", "1 ramp", "2 gallery"}));
}

struct Pixels {
  cairo_surface_t* surface = nullptr;
  ~Pixels() {
    if (surface) cairo_surface_destroy(surface);
  }
  uint32_t at(double x, double y) const {
    const unsigned char* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    return *reinterpret_cast<const uint32_t*>(data + int(y) * stride + int(x) * 4) & 0xffffffu;
  }
};

struct ByteReader {
  const std::string* bytes;
  size_t at = 0;
};

cairo_status_t readBytes(void* closure, unsigned char* data, unsigned int length) {
  ByteReader& r = *static_cast<ByteReader*>(closure);
  if (r.at + length > r.bytes->size()) return CAIRO_STATUS_READ_ERROR;
  std::copy(r.bytes->data() + r.at, r.bytes->data() + r.at + length, data);
  r.at += length;
  return CAIRO_STATUS_SUCCESS;
}

uint32_t packed(const double rgb[3]) {
  return uint32_t(std::lround(rgb[0] * 255)) << 16 | uint32_t(std::lround(rgb[1] * 255)) << 8 |
         uint32_t(std::lround(rgb[2] * 255));
}

// Cairo rounds colour channels its own way: one step either side is the same colour.
::testing::AssertionResult sameColour(uint32_t got, uint32_t want) {
  for (int shift = 0; shift < 24; shift += 8) {
    if (std::abs(int((got >> shift) & 0xff) - int((want >> shift) & 0xff)) > 2) {
      return ::testing::AssertionFailure() << std::hex << got << " is not " << want;
    }
  }
  return ::testing::AssertionSuccess();
}

TEST(LevelPlan, ThePngShowsRoomsToScaleTheStartAndTheLabels) {
  const Plan plan = draw(Source, PlanFormat::Png);
  ByteReader reader{&plan.bytes};
  Pixels png;
  png.surface = cairo_image_surface_create_from_png_stream(readBytes, &reader);
  ASSERT_EQ(cairo_surface_status(png.surface), CAIRO_STATUS_SUCCESS);
  const PlanLayout& l = plan.layout;
  EXPECT_EQ(cairo_image_surface_get_width(png.surface), l.width);
  // Inside the gallery, away from labels and lines: its tint.
  double tint[3];
  roomTint(2, tint);
  EXPECT_TRUE(sameColour(png.at(l.pageX(13.5), l.pageY(17.5)), packed(tint)));
  roomTint(0, tint);
  EXPECT_TRUE(sameColour(png.at(l.pageX(2), l.pageY(-2)), packed(tint)));
  // Outside every room: paper (or grid).
  const uint32_t outside = png.at(l.pageX(15.5), l.pageY(-2.5));
  EXPECT_FALSE(sameColour(outside, packed(tint)));
  // The start point (5, 0) is the red dot.
  EXPECT_TRUE(sameColour(png.at(l.pageX(5), l.pageY(0)), packed(StartMarkerRgb)));
  // The ramp is drawn to scale: its outline corners (3, 5) to (7, 9) sit 4 units apart.
  EXPECT_NEAR(l.pageX(7) - l.pageX(3), 4 * l.scale, 1e-9);
  // Dark label text near the middle of the gallery's plan.
  int dark = 0;
  const double cx = l.pageX(8.75), cy = l.pageY(14);
  for (double y = cy - 30; y < cy + 30; ++y) {
    for (double x = cx - 60; x < cx + 60; ++x) dark += (png.at(x, y) & 0xff) < 0x40;
  }
  EXPECT_GT(dark, 50);
}

TEST(LevelPlan, AFileAndItsSourceGiveTheSamePlanBesideTheNames) {
  const Plan fromSource = draw(Source, PlanFormat::Png);
  const Plan fromFile = draw(QUELLOR_BINARY_DIR "/3rooms.b2", PlanFormat::Png);
  EXPECT_EQ(fromFile.layout.width, fromSource.layout.width);
  EXPECT_EQ(fromFile.layout.scale, fromSource.layout.scale);
  EXPECT_EQ(fromFile.layout.roomLabels, (std::vector<std::string>{"0", "1", "2"}));
  ASSERT_EQ(fromFile.level.world->roomCount, 3);
  for (int r = 0; r < 3; ++r) {
    EXPECT_EQ(fromFile.level.world->rooms[r].polygonCount, fromSource.level.world->rooms[r].polygonCount);
  }
}

TEST(LevelPlan, FormatsByTheOutputsEnding) {
  PlanFormat f;
  EXPECT_TRUE(planFormatOf("a/b.svg", f) && f == PlanFormat::Svg);
  EXPECT_TRUE(planFormatOf("b.PNG", f) && f == PlanFormat::Png);
  EXPECT_TRUE(planFormatOf("b.pdf", f) && f == PlanFormat::Pdf);
  EXPECT_FALSE(planFormatOf("b.jpg", f));
  EXPECT_FALSE(planFormatOf("dir.svg/b", f));
  const Plan pdf = draw(Source, PlanFormat::Pdf);
  EXPECT_EQ(pdf.bytes.compare(0, 5, "%PDF-"), 0);
}

TEST(LevelPlan, StackedRoomsGetTheirLabelsApart) {
  // A room right over another, joined through the lower one's ceiling.
  const std::string path = tempPath("plan-stacked.json");
  std::ofstream(path) << R"({"rooms": [
    {"name": "low", "outline": [[0, -4], [10, -4], [10, 6], [0, 6]], "floor": -4, "ceiling": 4},
    {"name": "high", "outline": [[0, -4], [10, -4], [10, 6], [0, 6]], "floor": 4, "ceiling": 9}]})";
  const Plan plan = draw(path, PlanFormat::Png);
  ByteReader reader{&plan.bytes};
  Pixels png;
  png.surface = cairo_image_surface_create_from_png_stream(readBytes, &reader);
  const PlanLayout& l = plan.layout;
  // Two label blocks, one under the other: text on both rows of the middle.
  auto darkRow = [&](double y) {
    int n = 0;
    for (double x = l.pageX(3); x < l.pageX(7); ++x) n += (png.at(x, y) & 0xff) < 0x40;
    return n;
  };
  int rowsWithText = 0;
  for (double y = l.pageY(1) - 40; y < l.pageY(1) + 60; ++y) rowsWithText += darkRow(y) > 3;
  EXPECT_GT(rowsWithText, 30);
}

// The command itself.
int tool(const std::string& arguments, std::string& output) {
  const ToolRun ran = runTool(arguments);
  output = ran.output;
  return ran.status;
}

bool exists(const std::string& path) {
  struct stat info;
  return ::stat(path.c_str(), &info) == 0;
}

TEST(LevelPlanCommand, WritesBesideTheLevelOrWhereToldAndRefusesCleanly) {
  std::string out;
  const std::string source = tempPath("plan-cmd.json");
  std::ofstream(source)
      << R"({"rooms": [{"outline": [[0, -4], [10, -4], [10, 6], [0, 6]], "floor": -4, "ceiling": 4}]})";
  std::remove(tempPath("plan-cmd.svg").c_str());
  EXPECT_EQ(tool("plan " + source, out), 0) << out;
  EXPECT_TRUE(exists(tempPath("plan-cmd.svg")));
  EXPECT_EQ(tool("plan " + source + " -o " + tempPath("plan-cmd.png"), out), 0) << out;
  EXPECT_TRUE(exists(tempPath("plan-cmd.png")));

  // A refused level file: the loader's message, no picture.
  const std::string broken = tempPath("plan-broken.b2");
  std::ofstream(broken) << "abc";
  std::remove(tempPath("plan-broken.svg").c_str());
  EXPECT_EQ(tool("plan " + broken, out), 1);
  EXPECT_NE(out.find(broken + ": "), std::string::npos) << out;
  EXPECT_FALSE(exists(tempPath("plan-broken.svg")));

  // Unwritable place, unknown format.
  EXPECT_EQ(tool("plan " + source + " -o " + tempPath("no-such-folder/p.svg"), out), 1);
  EXPECT_NE(out.find("cannot be written"), std::string::npos) << out;
  EXPECT_EQ(tool("plan " + source + " -o " + tempPath("p.gif"), out), 1);
  EXPECT_NE(out.find("a plan is written as .svg, .png or .pdf"), std::string::npos) << out;
  EXPECT_FALSE(exists(tempPath("p.gif")));
}

TEST(LevelNewCommand, TheStarterBuildsAndChecksCleanAndIsNeverWrittenOver) {
  std::string out;
  const std::string path = tempPath("starter.json");
  std::remove(path.c_str());
  EXPECT_EQ(tool("new " + path, out), 0) << out;
  std::ifstream file(path);
  std::stringstream text;
  text << file.rdbuf();
  CheckedLevel level = buildAndCheck(text.str(), "starter-built");
  EXPECT_TRUE(level.problems.empty()) << level.report();
  EXPECT_EQ(level.world->roomCount, 2);
  EXPECT_TRUE(findLevelWarnings(*level.world).empty());
  EXPECT_NE(text.str().find("//"), std::string::npos);  // commented

  std::ofstream(path) << "mine";
  EXPECT_EQ(tool("new " + path, out), 1);
  EXPECT_NE(out.find("already exists, not overwritten"), std::string::npos) << out;
  std::ifstream again(path);
  std::string kept;
  std::getline(again, kept);
  EXPECT_EQ(kept, "mine");
}

TEST(LevelWarningCommands, BuildAndCheckWarnAndStrictRefuses) {
  std::string out;
  const std::string source = tempPath("warned.json");
  std::ofstream(source)
      << "{\"rooms\": [\n"
         "{\"name\": \"a\", \"outline\": [[0, -4], [10, -4], [10, 6], [0, 6]], \"floor\": -4, \"ceiling\": 4},\n"
         "{\"name\": \"b\", \"outline\": [[0, 7], [10, 7], [10, 12], [0, 12]], \"floor\": -4, \"ceiling\": 4}]}";
  const std::string level = tempPath("warned.b2");
  std::remove(level.c_str());
  EXPECT_EQ(tool("build " + source + " " + level, out), 0) << out;
  EXPECT_NE(out.find(source + ":3: warning: room 'b' (room 1): cannot be reached from room 0"), std::string::npos)
      << out;
  EXPECT_EQ(tool("check " + level, out), 0) << out;
  EXPECT_NE(out.find(level + ": warning: room 1: cannot be reached"), std::string::npos) << out;
  EXPECT_EQ(tool("check --strict " + level, out), 1) << out;
  std::remove(level.c_str());
  EXPECT_EQ(tool("build --strict " + source + " " + level, out), 1) << out;
  EXPECT_FALSE(exists(level));
}

}  // namespace
