#include "tools/replay/replay_options.h"

bool parseSizeOption(const std::string& text, int32_t& width, int32_t& height, std::string& error) {
  if (!parseSizeText(text, 0, int32_t(MaxReplaySize), width, height)) {
    error = "--size: '" + text + "' is not WxH with W and H from 0 to 65535";
    return false;
  }
  return true;
}

bool parsePassesOption(const std::string& text, int64_t& passes, std::string& error) {
  if (!parseCount(text, MaxReplayPasses, passes)) {
    error = "--passes: '" + text + "' is not a count from 0 to " + std::to_string(MaxReplayPasses);
    return false;
  }
  return true;
}

bool parseRepeatOption(const std::string& text, int64_t& runs, std::string& error) {
  if (!parseCount(text, MaxReplayPasses, runs) || runs == 0) {
    error = "--repeat: '" + text + "' is not a count from 1 to " + std::to_string(MaxReplayPasses);
    return false;
  }
  return true;
}

bool parseShotsOption(const std::string& text, int64_t passes, ShotPlan& plan, std::string& error) {
  plan = ShotPlan{};
  if (text.empty()) return true;
  if (text == "all") {
    plan.kind = ShotPlan::All;
    return true;
  }
  if (text == "none") {
    plan.kind = ShotPlan::None;
    return true;
  }
  plan.kind = ShotPlan::Listed;
  // Every item between commas counts, so "1," and "1,,2" are mistakes, not shorter lists.
  size_t start = 0;
  for (;;) {
    const size_t comma = text.find(',', start);
    const std::string item = text.substr(start, comma == std::string::npos ? comma : comma - start);
    const bool digits = !item.empty() && item.find_first_not_of("0123456789") == std::string::npos;
    int64_t pass = 0;
    const bool withinRun = digits && parseCount(item, passes, pass);
    if (!digits || (withinRun && pass < 1)) {
      error = "--shots: '" + item + "' is not a pass number (1 or more), all or none";
      return false;
    }
    if (!withinRun) {
      error = "--shots: pass " + item + " is beyond the last pass (--passes " + std::to_string(passes) + ")";
      return false;
    }
    plan.passes.insert(pass);
    if (comma == std::string::npos) return true;
    start = comma + 1;
  }
}
