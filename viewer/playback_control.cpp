#include "viewer/playback_control.h"

PlaybackControl::PlaybackControl(int64_t total, int64_t start, bool paused)
    : total_(total < 1 ? 1 : total), pass_(1), paused_(paused) {
  moveTo(start);
}

void PlaybackControl::moveTo(int64_t pass) {
  pass_ = pass < 1 ? 1 : pass > total_ ? total_ : pass;
  held_ = 0;
  moved_ = true;
}

void PlaybackControl::apply(PlaybackCommand command) {
  switch (command) {
    case PlaybackCommand::PauseResume:
      // Resumed at the end, it plays from the start again.
      if (paused_ && pass_ == total_) moveTo(1);
      paused_ = !paused_;
      break;
    case PlaybackCommand::Pause:
      paused_ = true;
      break;
    case PlaybackCommand::Forward:
      if (paused_) moveTo(pass_ + 1);
      break;
    case PlaybackCommand::Back:
      if (paused_) moveTo(pass_ - 1);
      break;
    case PlaybackCommand::PageForward:
      moveTo(pass_ + PlaybackPage);
      break;
    case PlaybackCommand::PageBack:
      moveTo(pass_ - PlaybackPage);
      break;
    case PlaybackCommand::First:
      moveTo(1);
      break;
    case PlaybackCommand::Last:
      moveTo(total_);
      break;
    case PlaybackCommand::Faster:
      if (speed_ < FastestSpeed) ++speed_;
      held_ = 0;
      break;
    case PlaybackCommand::Slower:
      if (speed_ > SlowestSpeed) --speed_;
      held_ = 0;
      break;
    case PlaybackCommand::TakeOver:
    case PlaybackCommand::Quit:
      break;  // the loop's to act on
  }
}

int64_t PlaybackControl::nextFrame() {
  if (moved_ || paused_) {
    moved_ = false;
  } else if (speed_ >= 0) {
    moveTo(pass_ + (int64_t(1) << speed_));
    moved_ = false;
  } else if (++held_ >= (1 << -speed_)) {
    moveTo(pass_ + 1);
    moved_ = false;
  }
  if (!paused_ && pass_ == total_) paused_ = true;
  return pass_;
}
