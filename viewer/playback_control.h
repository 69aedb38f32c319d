#pragma once
#include <cstdint>

// What a person asks of a playback, whatever the platform's keys or buttons for it.
enum class PlaybackCommand : int32_t {
  PauseResume,
  Forward,      // one pass, while paused
  Back,         // one pass, while paused
  PageForward,  // PlaybackPage passes
  PageBack,
  First,
  Last,
  Faster,  // up to 8 passes a frame
  Slower,  // down to a pass every 8 frames
  TakeOver,
  Quit,
  Pause,  // pause, whether or not playing (step mode of the explainer starts so)
};

constexpr int64_t PlaybackPage = 100;
constexpr int32_t SlowestSpeed = -3, FastestSpeed = 3;  // 1/8x to 8x, as powers of two

// Which pass each shown frame shows: one pass a frame at 1x, every k-th pass when faster,
// each pass held for k frames when slower; pausing holds the pass, and the end of the
// recording pauses.
class PlaybackControl {
 public:
  PlaybackControl(int64_t total, int64_t start, bool paused);

  void apply(PlaybackCommand command);
  // Shows pass next (bounded to the recording), as a slider asks.
  void seek(int64_t pass) { moveTo(pass); }
  // Once a shown frame: the pass it shows.
  int64_t nextFrame();

  int64_t pass() const { return pass_; }
  int64_t total() const { return total_; }
  bool paused() const { return paused_; }
  int32_t speed() const { return speed_; }  // 0 is 1x, 1 is 2x, -1 is 1/2x...

 private:
  void moveTo(int64_t pass);
  int64_t total_;
  int64_t pass_;
  bool paused_;
  int32_t speed_ = 0;
  int32_t held_ = 0;   // frames the pass has been shown for, when slower than 1x
  bool moved_ = true;  // the pass was chosen by a command (or the start): show it as it is
};
