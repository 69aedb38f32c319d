#pragma once
#include <cstdint>
#include <string>

// Times of passes, presents and the waits for the display over a stretch of the run, for
// quellor --fps and quellor-replay --timedemo: fixed storage (no allocation per pass),
// medians and the worst. A pass runs from its first look at input to its finished frame;
// the present is the platform's work to show it; the wait is the time the display kept
// the present waiting (its vertical sync), apart, since it says nothing of the viewer's speed.
class PassTiming {
 public:
  static constexpr int32_t Capacity = 4096;  // samples kept; later ones still count

  void add(double passSeconds, double presentSeconds, double waitSeconds = 0);
  void clear();

  int64_t count() const { return count_; }
  double totalPassSeconds() const { return totalPass_; }
  double totalPresentSeconds() const { return totalPresent_; }
  double worstPassSeconds() const { return worstPass_; }
  // Medians of the first Capacity samples since the last clear (0 with none).
  double medianPassSeconds() const { return median(pass_); }
  double medianPresentSeconds() const { return median(present_); }
  double medianWaitSeconds() const { return median(wait_); }

 private:
  double median(const double* samples) const;

  double pass_[Capacity];
  double present_[Capacity];
  double wait_[Capacity];
  int64_t count_ = 0;
  double totalPass_ = 0, totalPresent_ = 0, worstPass_ = 0;
};

// "59.8 fps, medians: pass 0.012 ms, present 0.118 ms, vsync wait 16.512 ms" over the
// given wall-clock seconds.
std::string fpsLine(const PassTiming& timing, double elapsedSeconds);

// Seconds since an arbitrary start, from a monotonic clock.
double monotonicSeconds();
