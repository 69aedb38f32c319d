#include "tools/level/starter_level.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>
#include <vector>

#include "geometry/start_view.h"
#include "io/output_file.h"
#include "plan/number_text.h"
#include "tools/level/plan_input.h"

namespace {

// The path as a comment may hold it: a line break would end the comment.
std::string commentSafe(std::string text) {
  for (char& c : text) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = '?';
  }
  return text;
}

// The template with each {name} replaced by its value, in one pass, so a value (a path)
// that looks like a name stays as it is.
std::string filledIn(const std::string& form, const std::vector<std::pair<std::string, std::string>>& values) {
  std::string text;
  for (size_t at = 0; at < form.size();) {
    bool filled = false;
    for (const auto& [name, value] : values) {
      if (form.compare(at, name.size(), name) == 0) {
        text += value;
        at += name.size();
        filled = true;
        break;
      }
    }
    if (!filled) text += form[at++];
  }
  return text;
}

}  // namespace

std::string starterLevelText(const std::string& path) {
  const std::string form = R"(// A starter level: two rooms joined by a door. Build it and look at it with
//   quellor-level plan {json}   (writes {svg} beside it)
//   quellor-level build --watch {json} {level}
// All values are world units: x to the right, y up, z forward. Outline corners are
// [x, z], in either winding, convex, 3 to 16 of them. Comments like these are allowed.
{
  "description": "Two rooms and a door",
  "rooms": [
    {
      // Room 0. The viewer starts at {eye} looking along +z, so room 0 must hold
      // that point, and its floor and ceiling should stay well clear of the eye's height
      // y = {eye y} (the eye never moves up or down).
      "name": "start",
      "outline": [[0, -4], [10, -4], [10, 6], [0, 6]],
      "floor": -4,
      "ceiling": 4
    },
    {
      // Room 1 touches room 0 along z = 6. A floor or ceiling can slope:
      // height + slope[0] * (x - at[0]) + slope[1] * (z - at[1]).
      "name": "next",
      "outline": [[1, 6], [9, 6], [9, 14], [1, 14]],
      "floor": -4,
      "ceiling": {"height": 4, "at": [5, 6], "slope": [0, 0.1]}
    }
  ],
  "doors": [
    // Without a door the whole shared side is open. The door opens only the part of it
    // inside this box: 2 wide, from the floor up to y = 2.
    {"between": ["start", "next"], "min": [4, -4, 6], "max": [6, 2, 6]}
  ]
}
)";
  return filledIn(form, {{"{json}", commentSafe(path)},
                         {"{svg}", commentSafe(defaultPlanPath(path))},
                         {"{level}", commentSafe(withEnding(path, ".b2"))},
                         {"{eye}", pointText(StartEye, 6)},
                         {"{eye y}", numberText(StartEye.y, 6)}});
}

bool writeStarterLevel(const std::string& path, std::string& error) {
  // Claim the name first, so a file that appears meanwhile is not replaced either.
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd < 0) {
    error = path + (errno == EEXIST ? std::string(": already exists, not overwritten")
                                    : ": cannot be written: " + std::string(std::strerror(errno)));
    return false;
  }
  ::close(fd);
  const std::string text = starterLevelText(path);
  if (!writeFileAtomically(path, text.data(), text.size(), error)) {
    ::unlink(path.c_str());
    return false;
  }
  return true;
}
