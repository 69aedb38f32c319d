#include "viewer/pass_timing.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

void PassTiming::add(double passSeconds, double presentSeconds, double waitSeconds) {
  if (count_ < Capacity) {
    pass_[count_] = passSeconds;
    present_[count_] = presentSeconds;
    wait_[count_] = waitSeconds;
  }
  ++count_;
  totalPass_ += passSeconds;
  totalPresent_ += presentSeconds;
  worstPass_ = std::max(worstPass_, passSeconds);
}

void PassTiming::clear() {
  count_ = 0;
  totalPass_ = totalPresent_ = worstPass_ = 0;
}

double PassTiming::median(const double* samples) const {
  const int32_t n = int32_t(std::min<int64_t>(count_, Capacity));
  if (n == 0) return 0;
  double sorted[Capacity];
  std::copy(samples, samples + n, sorted);
  std::nth_element(sorted, sorted + n / 2, sorted + n);
  const double upper = sorted[n / 2];
  if (n % 2 == 1) return upper;
  const double lower = *std::max_element(sorted, sorted + n / 2);
  return (lower + upper) / 2;
}

std::string fpsLine(const PassTiming& timing, double elapsedSeconds) {
  char line[160];
  std::snprintf(line, sizeof line, "%.1f fps, medians: pass %.3f ms, present %.3f ms, vsync wait %.3f ms",
                elapsedSeconds > 0 ? double(timing.count()) / elapsedSeconds : 0.0, timing.medianPassSeconds() * 1e3,
                timing.medianPresentSeconds() * 1e3, timing.medianWaitSeconds() * 1e3);
  return line;
}

double monotonicSeconds() {
  using Clock = std::chrono::steady_clock;
  return std::chrono::duration<double>(Clock::now().time_since_epoch()).count();
}
