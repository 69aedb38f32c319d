// Sources the builder refuses: every message names the source line and, where one is at
// fault, the room.
#include <gtest/gtest.h>

#include <string>

#include "level_test_support.h"

namespace {

// Expects a refusal with one message that starts "refuse.json:LINE:" and holds every one
// of the words.
void expectRefusal(const std::string& text, int line, std::initializer_list<const char*> words) {
  const BuildRun run = buildText(text, "refuse.json");
  ASSERT_FALSE(run.ok);
  const std::string prefix = "refuse.json:" + std::to_string(line) + ": ";
  for (const std::string& e : run.errors) {
    if (e.rfind(prefix, 0) != 0) continue;
    bool all = true;
    for (const char* w : words) all = all && e.find(w) != std::string::npos;
    if (all) return;
  }
  ADD_FAILURE() << "no message at line " << line << " with the expected words; got:\n" << run.allErrors();
}

std::string boxRoom(const std::string& name, double x0, double z0, double x1, double z1, double floor = -2,
                    double ceiling = 3) {
  auto n = [](double v) { return std::to_string(v); };
  return "{\"name\": \"" + name + "\", \"outline\": [[" + n(x0) + ", " + n(z0) + "], [" + n(x1) + ", " + n(z0) +
         "], [" + n(x1) + ", " + n(z1) + "], [" + n(x0) + ", " + n(z1) + "]], \"floor\": " + n(floor) +
         ", \"ceiling\": " + n(ceiling) + "}";
}

// Two rooms, each on a line of its own (lines 2 and 3), then what follows the room list.
std::string twoRooms(const std::string& first, const std::string& second, const std::string& after = "") {
  return "{\"rooms\": [\n" + first + ",\n" + second + "\n]" + after + "}";
}

TEST(BuildRefusal, ConcaveOutlineNamesTheRoomAndTheCornerLine) {
  expectRefusal(R"({"rooms": [
    {"name": "dent",
     "outline": [[0, 0], [6, 0],
                 [3, 2],
                 [6, 6], [0, 6]],
     "floor": 0, "ceiling": 3}
  ]})",
                4, {"room 'dent' (room 0)", "not convex", "corner 2"});
}

TEST(BuildRefusal, CornerOnAStraightLineIsRefused) {
  expectRefusal(R"({"rooms": [
    {"outline": [[0, 0], [3, 0], [6, 0], [6, 6], [0, 6]], "floor": 0, "ceiling": 3}
  ]})",
                2, {"room 0", "straight line"});
}

TEST(BuildRefusal, SelfCrossingOutlineIsRefused) {
  // A five-pointed star turns the same way at every corner but winds round twice.
  expectRefusal(R"({"rooms": [
    {"name": "star",
     "outline": [[0, 10], [5.878, -8.09], [-9.511, 3.09], [9.511, 3.09], [-5.878, -8.09]],
     "floor": 0, "ceiling": 3}
  ]})",
                3, {"room 'star'", "crosses itself"});
}

TEST(BuildRefusal, CeilingThatMeetsTheFloorIsRefusedAtTheCeilingsLine) {
  expectRefusal(R"({"rooms": [
    {"name": "wedge", "outline": [[0, 0], [10, 0], [10, 4], [0, 4]],
     "floor": 0,
     "ceiling": {"height": 4, "at": [0, 0], "slope": [-0.5, 0]}}
  ]})",
                4, {"room 'wedge'", "ceiling is not above the floor"});
}

TEST(BuildRefusal, OverlappingRoomsNameBothRooms) {
  expectRefusal(twoRooms(boxRoom("left", 0, 0, 6, 6), boxRoom("right", 5, 2, 9, 4)), 3,
                {"room 'right' (room 1)", "overlaps room 'left' (room 0), line 2"});
}

TEST(BuildRefusal, RoomsStackedIntoEachOtherOverlap) {
  expectRefusal(twoRooms(boxRoom("below", 0, 0, 6, 6, -2, 3), boxRoom("above", 1, 1, 5, 5, 2, 6)), 3,
                {"room 'above'", "overlaps room 'below'"});
}

TEST(BuildRefusal, NinthRoomIsBeyondTheLimit) {
  std::string text = "{\"rooms\": [\n";
  for (int r = 0; r < 9; ++r)
    text += boxRoom("r" + std::to_string(r), r * 10, 0, r * 10 + 4, 4) + (r < 8 ? ",\n" : "\n");
  text += "]}";
  expectRefusal(text, 10, {"room 'r8' (room 8)", "9 rooms", "at most 8"});
}

TEST(BuildRefusal, SeventeenCornersWouldMakeTooBigAFloor) {
  std::string outline;
  for (int k = 0; k < 17; ++k) {
    const double a = 6.283185307179586 * k / 17;
    outline += (k ? ", [" : "[") + std::to_string(10 * std::cos(a)) + ", " + std::to_string(10 * std::sin(a)) + "]";
  }
  expectRefusal(
      "{\"rooms\": [\n{\"name\": \"round\",\n \"outline\": [" + outline + "],\n \"floor\": 0, \"ceiling\": 3}]}", 3,
      {"room 'round'", "17 corners", "16"});
}

TEST(BuildRefusal, OpeningsThatAddCornersBeyondSixteenOverfillTheFloor) {
  // Sixteen corners, and a doorway narrower than a side adds two more to the floor.
  std::string outline;
  for (int k = 0; k < 16; ++k) {
    const double a = 6.283185307179586 * (k + 0.5) / 16;
    outline += (k ? ", [" : "[") + std::to_string(10 * std::cos(a)) + ", " + std::to_string(10 * std::sin(a)) + "]";
  }
  // The side between the corners at -11.25 and 11.25 degrees lies at x = 9.81 (rounded).
  const double x = 10 * std::cos(6.283185307179586 * 0.5 / 16);
  const std::string xs = std::to_string(x);
  const std::string text = "{\"rooms\": [\n{\"name\": \"round\", \"outline\": [" + outline +
                           "],\n \"floor\": 0,\n \"ceiling\": 4},\n" + boxRoom("porch", x, -1, x + 4, 1, 0, 4) +
                           "\n], \"doors\": [{\"between\": [\"round\", \"porch\"], \"min\": [" + xs +
                           ", 0, -0.5], \"max\": [" + xs + ", 3, 0.5]}]}";
  expectRefusal(text, 3, {"room 'round'", "the floor needs 18 vertices", "at most 16"});
}

TEST(BuildRefusal, TooManyPolygonsInARoom) {
  // Six doorways in one side: six openings and the pieces between them.
  std::string doors;
  for (int d = 0; d < 6; ++d) {
    const std::string x0 = std::to_string(1 + 3 * d), x1 = std::to_string(2 + 3 * d);
    doors += std::string(d ? ",\n" : "") + "{\"between\": [\"hall\", \"shed\"], \"min\": [" + x0 +
             ", -2, 6], \"max\": [" + x1 + ", 1, 6]}";
  }
  expectRefusal(twoRooms(boxRoom("hall", 0, 0, 19, 6), boxRoom("shed", 0, 6, 19, 9), ", \"doors\": [\n" + doors + "]"),
                2, {"room 'hall' (room 0)", "polygons", "at most 20"});
}

TEST(BuildRefusal, SyntaxErrorNamesItsLine) {
  expectRefusal("{\"rooms\": [\n  {\"outline\": [[0, 0], [1, 0], [1, 1]],\n   \"floor\": 0 \"ceiling\": 3}\n]}", 3,
                {"syntax error"});
}

TEST(BuildRefusal, UnknownKeyIsRefusedRatherThanIgnored) {
  expectRefusal(R"({"rooms": [
    {"name": "a", "outline": [[0, 0], [4, 0], [4, 4]], "floor": 0,
     "cieling": 3}
  ]})",
                3, {"room 'a'", "unknown key \"cieling\""});
}

TEST(BuildRefusal, MissingCeilingIsNamed) {
  expectRefusal(R"({"rooms": [
    {"name": "a", "outline": [[0, 0], [4, 0], [4, 4]], "floor": 0}
  ]})",
                2, {"room 'a'", "needs \"ceiling\""});
}

TEST(BuildRefusal, RepeatedRoomNameIsRefused) {
  expectRefusal(twoRooms(boxRoom("a", 0, 0, 4, 4), boxRoom("a", 4, 0, 8, 4)), 3,
                {"room 'a' (room 1)", "already used by room 0"});
}

TEST(BuildRefusal, DoorNamingNoRoomIsRefused) {
  expectRefusal("{\"rooms\": [\n" + boxRoom("a", 0, 0, 4, 4) +
                    "\n],\n\"doors\": [\n {\"between\": [\"a\", \"b\"], \"closed\": true}\n]}",
                5, {"no room is named \"b\""});
}

TEST(BuildRefusal, DoorBetweenRoomsThatDoNotMeetIsRefused) {
  expectRefusal(twoRooms(boxRoom("a", 0, 0, 4, 4), boxRoom("b", 6, 0, 9, 4),
                         ", \"doors\": [\n{\"between\": [\"a\", \"b\"], \"min\": [4, -2, 1], \"max\": [6, 1, 3]}]"),
                5, {"room 'a' (room 0) and room 'b' (room 1) share no wall"});
}

TEST(BuildRefusal, DoorBoxOffTheSharedWallIsRefused) {
  expectRefusal(twoRooms(boxRoom("a", 0, 0, 4, 4), boxRoom("b", 4, 0, 9, 4),
                         ", \"doors\": [\n{\"between\": [\"a\", \"b\"], \"min\": [1, -2, 1], \"max\": [3, 1, 3]}]"),
                5, {"holds no part of the wall"});
}

TEST(BuildRefusal, OverlappingDoorsAreRefused) {
  expectRefusal(twoRooms(boxRoom("a", 0, 0, 4, 4), boxRoom("b", 4, 0, 9, 4),
                         ", \"doors\": [\n{\"between\": [\"a\", \"b\"], \"min\": [4, -2, 1], \"max\": [4, 1, 3]},\n"
                         "{\"between\": [\"a\", \"b\"], \"min\": [4, -2, 2], \"max\": [4, 1, 3.5]}]"),
                6, {"room 'a' (room 0)", "two doors overlap"});
}

TEST(BuildRefusal, CoordinatesFarOutAreRefused) {
  expectRefusal(R"({"rooms": [
    {"outline": [[0, 0], [4, 0],
      [4, 40000]], "floor": 0, "ceiling": 3}
  ]})",
                3, {"room 0", "-1000..1000"});
}

TEST(BuildRefusal, EveryFaultIsReportedNotJustTheFirst) {
  const BuildRun run = buildText(R"({"rooms": [
    {"name": "a", "outline": [[0, 0], [4, 0]], "floor": 0, "ceiling": 3},
    {"name": "b", "outline": [[10, 0], [14, 0], [14, 4]], "floor": 5, "ceiling": 3}
  ]})",
                                 "refuse.json");
  ASSERT_FALSE(run.ok);
  EXPECT_EQ(run.errors.size(), 2u) << run.allErrors();
}

}  // namespace
