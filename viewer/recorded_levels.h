#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "geometry/vec3.h"
#include "viewer/recording_script.h"
#include "world/world.h"

// Playing the level versions a recording carries, as the viewer showed them.

// The level the recording started on (the last version of pass 0), or null when it
// carries none: a recording from before levels were carried, or a script by hand, plays
// the level file it names.
const RecordedLevel* startingLevel(const Recording& recording);

// Just before pass `pass` (1 or more) runs: the versions recorded for it take the shown
// level's place under the camera, as the level watch put them in place when it was
// recorded (viewer/level_adopt.h). incoming is scratch room for one level. A version the
// loader refuses leaves the shown level as it was: false, with "FILE:LINE: the loader's
// message (the level shown stays)" in error (the others of the pass are still adopted).
// For a player that jumps to a pass rather than playing up to it: which versions the
// loader takes (loads[i] for levels[i], each parsed once), and the index of the version
// whose rooms are shown during pass `pass` (0 for the start; the versions of that pass
// already in place): the last one that loads at or before it, or -1 when none has (the
// rooms are then those of the level file the viewer started on, or none).
std::vector<bool> recordedLevelsThatLoad(const Recording& recording);
int64_t shownLevelIndex(const Recording& recording, const std::vector<bool>& loads, int64_t pass);

bool adoptRecordedLevels(const Recording& recording, int64_t pass, const std::string& fileName, World& world,
                         World& incoming, const Vec3& eye, std::string& error);
