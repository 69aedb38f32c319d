#pragma once
// The window's playback: each shown frame is one pass of the recording (or a pass held,
// or the k-th one on), chosen by the person's commands; the window's own messages do not
// reach the frame pass, only a close ends it. The platform gives, besides a platform's
// members, nextCommand(PlaybackCommand&) and showProgress(const PlaybackControl&), which
// its next present draws on top of the frame.
#include <cstdint>

#include "viewer/main_loop.h"
#include "viewer/playback.h"
#include "viewer/playback_control.h"

enum class PlaybackEnd {
  Closed,    // the window was closed (or a stop signal came)
  Quit,      // Q, Escape, or maxFrames frames shown
  TakeOver,  // the viewer holds the state after the pass shown last: go live from there
};

template <class Platform>
PlaybackEnd runPlaybackLoop(Viewer& viewer, Platform& platform, Playback& playback, PlaybackControl& control,
                            int64_t maxFrames = -1) {
  for (int64_t frame = 0; maxFrames < 0 || frame < maxFrames; ++frame) {
    Message message;
    while (platform.nextMessage(message)) {
      if (message.kind == MessageKind::Close) return PlaybackEnd::Closed;
    }
    PlaybackCommand command;
    while (platform.nextCommand(command)) {
      if (command == PlaybackCommand::TakeOver) return PlaybackEnd::TakeOver;
      if (command == PlaybackCommand::Quit) return PlaybackEnd::Quit;
      control.apply(command);
    }
    const int64_t pass = control.nextFrame();
    if (pass != playback.shown()) playback.show(viewer, platform, pass);
    platform.showProgress(control);
    platform.present(presentedFrame(viewer));
  }
  return PlaybackEnd::Quit;
}
