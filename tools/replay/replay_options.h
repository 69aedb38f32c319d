#pragma once
#include <cstdint>
#include <set>
#include <string>

#include "viewer/number_text.h"

// quellor-replay's numeric options, read strictly: digits only (no sign, no blank), and
// values checked against their range before they could wrap around.

// The most passes one run may ask for: far beyond any run worth making (hours of passes
// and tens of gigabytes of trace), and a refusal for counts that only a typo or a wrapped
// number would give.
constexpr int64_t MaxReplayPasses = 100000000;
// The largest client size a --size may name, as the window's size messages carry it.
constexpr int64_t MaxReplaySize = 65535;

struct ShotPlan {
  enum Kind { Last, All, None, Listed } kind = Last;
  std::set<int64_t> passes;
};

// "WxH", W and H from 0 to 65535. On failure, error is the whole message.
bool parseSizeOption(const std::string& text, int32_t& width, int32_t& height, std::string& error);
// A pass count from 0 to MaxReplayPasses.
bool parsePassesOption(const std::string& text, int64_t& passes, std::string& error);
// A --repeat count from 1 to MaxReplayPasses.
bool parseRepeatOption(const std::string& text, int64_t& runs, std::string& error);
// "" (the last pass), "all", "none" or pass numbers "1,5,9", each from 1 to passes: a shot
// that no pass of the run could take is refused rather than quietly missing.
bool parseShotsOption(const std::string& text, int64_t passes, ShotPlan& plan, std::string& error);
