#include "tools/level/starter_level.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "io/output_file.h"

const std::string& starterLevelText() {
  static const std::string text = R"(// A starter level: two rooms joined by a door. Build it and look at it with
//   quellor-level plan THIS.json          (writes THIS.svg beside it)
//   quellor-level build --watch THIS.json THIS.b2
// All values are world units: x to the right, y up, z forward. Outline corners are
// [x, z], in either winding, convex, 3 to 16 of them. Comments like these are allowed.
{
  "description": "Two rooms and a door",
  "rooms": [
    {
      // Room 0. The viewer starts at (5, 0, 0) looking along +z, so room 0 must hold
      // that point, and its floor and ceiling should stay well clear of the eye's height
      // y = 0 (the eye never moves up or down).
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
  return text;
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
  if (!writeFileAtomically(path, starterLevelText().data(), starterLevelText().size(), error)) {
    ::unlink(path.c_str());
    return false;
  }
  return true;
}
