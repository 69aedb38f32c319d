// quellor: the desktop viewer. SDL2 supplies the window, the events and the copy of the
// frame to the screen; everything else is the shell's frame pass, shared with quellor-replay.
#include <SDL.h>
#include <SDL_ttf.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "io/input_file.h"
#include "viewer/command_line.h"
#include "viewer/desktop_loop.h"
#include "viewer/explain_views.h"
#include "viewer/explain_window.h"
#include "viewer/frame_image.h"
#include "viewer/headless_platform.h"
#include "viewer/heap_frame.h"
#include "viewer/held_controls.h"
#include "viewer/level_advice.h"
#include "viewer/main_loop.h"
#include "viewer/palette.h"
#include "viewer/palette_expand.h"
#include "viewer/pass_timing.h"
#include "viewer/platform.h"
#include "viewer/playback_loop.h"
#include "viewer/recorded_levels.h"
#include "viewer/recording_script.h"
#include "viewer/run_viewer.h"
#include "viewer/screenshot.h"
#include "viewer/sdl_events.h"
#include "viewer/sdl_window_manager.h"
#include "viewer/stop_signals.h"

namespace {

const char* const WindowTitle = "Ambrelle";
// The progress bar of a playback covers this many rows at the bottom of the frame.
constexpr int PlaybackBarHeight = 6;
// A recording is read whole, as quellor-replay reads a script.
constexpr size_t MaxRecordingBytes = 4 * MiB;
constexpr int32_t GapAboveScreenBottom = 40;
// While minimised the loop sleeps on events; it wakes this often to see a stop request.
constexpr Uint32 MinimisedWaitMs = 100;

// Our own handlers for SIGTERM and SIGINT (viewer/stop_signals.h), from the first
// instruction on, rather than SDL's (which it installs only at SDL_Init, and only over the
// default action): a stop during start-up or loading is then kept for the first pass too,
// which takes a close message, and the viewer ends with status 0.
void catchViewerStopSignals() {
  catchStopSignals();
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
}

class SdlPlatform {
 public:
  SdlPlatform() { buildArgbTable(viewerPalette(), argb_); }
  ~SdlPlatform() { close(); }
  SdlPlatform(const SdlPlatform&) = delete;
  SdlPlatform& operator=(const SdlPlatform&) = delete;

  // Starts SDL and makes the hidden window, its client area width x height (or the desktop's
  // full screen), and its renderer. On failure, error says why.
  bool open(int32_t width, int32_t height, bool fullscreen, std::string& error);
  // Shows the window at its place: its frame touching the right edge of the display's
  // usable area, its bottom edge 40 pixels above the usable area's bottom.
  void show();
  void close();
  PixelSize drawableSize() const;
  PixelSize clientPixels() const { return reportedClient_.width > 0 ? reportedClient_ : drawableSize(); }
  // A playback starts its frame at the recording's first client size, whatever the display
  // made of the window.
  void reportClientPixels(PixelSize pixels) { reportedClient_ = pixels; }

  // While a recording plays, keys are its commands (and their messages are dropped by the
  // playback loop); the next presents draw the progress bar.
  void takePlaybackKeys(bool on) {
    playbackKeys_ = on;
    commandCount_ = 0;
    if (!on) progressTotal_ = 0;
  }
  bool nextCommand(PlaybackCommand& command) {
    if (commandCount_ == 0) return false;
    command = commands_[commandFirst_];
    commandFirst_ = (commandFirst_ + 1) % CommandCapacity;
    --commandCount_;
    return true;
  }
  void showProgress(const PlaybackControl& control) {
    progressPass_ = control.pass();
    progressTotal_ = control.total();
    progressPaused_ = control.paused();
    progressSpeed_ = control.speed();
  }

  bool nextMessage(Message& message) {
    if (!held_) return pollMessage(message);
    return held_->nextMessage(message, [this](Message& raw) { return pollMessage(raw); });
  }
  void present(const PresentedFrame& frame);
  // How long the last present waited for the display (vertical sync, or a minimised sleep).
  double lastWaitSeconds() const { return waitSeconds_; }
  bool allocateFrame(int32_t width, int32_t height, FrameMemory& out);
  void releaseFrame(FrameMemory& frame);
  // Keys that act while held (--controls held): the held keys add their key-downs to
  // every pass's messages. SDL itself releases every key when the window loses the
  // keyboard, so none stays held.
  void holdKeys(HeldControls* held) { held_ = held; }
  // The explainer's views (F1 to F4, clicks) over viewer's passes; the level watch, when
  // the file is followed, is looked at while step mode holds the passes.
  void explainWith(Viewer* viewer, ExplainViews* views, LevelWatch* watch, const std::string& levelName) {
    overlay_.nameLevel(levelName);
    viewer_ = viewer;
    views_ = views;
    watch_ = watch;
  }

 private:
  bool pollMessage(Message& message);
  void playbackKey(const SDL_KeyboardEvent& key);
  void queueCommand(PlaybackCommand command);
  // Draws the bar and its status line; gives the rows over the frame's bottom they cover.
  int32_t drawProgress(const PresentedFrame& frame);
  // A playback shows the recorded frame whole: the window takes its size.
  void followFrameSize(const PresentedFrame& frame);
  static constexpr size_t CommandCapacity = 64;
  PlaybackCommand commands_[CommandCapacity]{};
  size_t commandFirst_ = 0, commandCount_ = 0;
  bool playbackKeys_ = false;
  int64_t progressPass_ = 0, progressTotal_ = 0;  // total 0: no bar
  bool progressPaused_ = false;
  int32_t progressSpeed_ = 0;
  PixelSize reportedClient_{0, 0};
  HeldControls* held_ = nullptr;
  bool sdlStarted_ = false;
  SDL_Window* window_ = nullptr;
  SDL_Renderer* renderer_ = nullptr;
  SDL_Rect usable_{0, 0, 0, 0};
  PixelSize known_{0, 0};  // the client size in pixels the shell was last told of
  int32_t firstWidth_ = FirstClientWidth, firstHeight_ = FirstClientHeight;
  uint32_t argb_[PaletteSize];
  double waitSeconds_ = 0;
  bool screenshotWanted_ = false;  // F12 came in this pass's messages
  bool sizeUncertain_ = false;     // full screen was toggled: the size may change unannounced
  FrameImage shot_;                // made on the first screenshot, reused after
  std::vector<uint8_t> shotBytes_;

  Viewer* viewer_ = nullptr;
  ExplainViews* views_ = nullptr;
  LevelWatch* watch_ = nullptr;
  ExplainWindow overlay_;
  bool stepWanted_ = false;  // F3 came in this pass's messages
  // F3 ends the pass's messages: the events after it are step mode's.
  bool messagesEnd_ = false;
  // Messages that came while step mode held the passes, for the pass after it.
  Message pending_[4];
  int32_t pendingCount_ = 0, pendingNext_ = 0;

  // The keys beyond the key table's: seen here, and still delivered as any key is.
  void viewerKey(const SDL_KeyboardEvent& key);
  void clickAt(int32_t windowX, int32_t windowY);
  bool showFrame(const PresentedFrame& frame);
  void holdPasses(const PresentedFrame& frame);
  void keep(const Message& message);
  void toggleFullscreen();
  void writeShot(const PresentedFrame& frame);
};

std::string sdlError(const char* what) { return std::string(what) + ": " + SDL_GetError(); }

bool noDisplayConfigured() {
  const char* x11 = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  return (!x11 || !*x11) && (!wayland || !*wayland);
}

const char* const NoDisplayAdvice =
    "no display to open a window on. Start it from a desktop session, or without one under "
    "a virtual X server: xvfb-run -a ./quellor";

bool SdlPlatform::open(int32_t width, int32_t height, bool fullscreen, std::string& error) {
  firstWidth_ = width;
  firstHeight_ = height;
  // With no display named, every driver SDL probes fails anyway, some of them noisily.
  if (noDisplayConfigured() && !std::getenv("SDL_VIDEODRIVER")) {
    error = NoDisplayAdvice;
    return false;
  }
  // A small window on the desktop, not a full-screen game: let the compositor keep working.
  SDL_SetHint(SDL_HINT_VIDEO_X11_NET_WM_BYPASS_COMPOSITOR, "0");
  const char* x11 = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  if (x11 && *x11 && !(wayland && *wayland) && !std::getenv("SDL_VIDEODRIVER")) {
    // Only an X display is named: when it cannot be reached, no other driver is worth trying.
    SDL_SetHint(SDL_HINT_VIDEODRIVER, "x11");
  }
  if (SDL_Init(SDL_INIT_VIDEO) != 0) {
    // Most often a display that is named but cannot be reached (a stale DISPLAY over ssh).
    error = sdlError("cannot open a display for the window") +
            (x11 && *x11 ? std::string(" (DISPLAY=") + x11 + ")" : std::string()) +
            ". Without a desktop session it runs under a virtual X server: xvfb-run -a ./quellor";
    return false;
  }
  sdlStarted_ = true;
  // Without a display SDL may settle for a driver that shows nothing; only take one of those
  // when asked for it by name.
  const char* driver = SDL_GetCurrentVideoDriver();
  const char* asked = std::getenv("SDL_VIDEODRIVER");
  if (driver && (SDL_strcmp(driver, "offscreen") == 0 || SDL_strcmp(driver, "dummy") == 0) &&
      !(asked && SDL_strcasecmp(asked, driver) == 0)) {
    error = NoDisplayAdvice;
    return false;
  }
  // Nothing reads typed text; left on, it would only add events and, on some desktops, an
  // input-method window.
  SDL_StopTextInput();

  // The primary display's usable area: the screen without task bars and docks.
  if (SDL_GetDisplayUsableBounds(0, &usable_) != 0) {
    error = sdlError("cannot read the display's usable area");
    return false;
  }
  // Positions are the client area's; show() adds the frame's borders once they are known.
  const Uint32 windowFlags = SDL_WINDOW_HIDDEN | SDL_WINDOW_RESIZABLE | SDL_WINDOW_ALLOW_HIGHDPI |
                             (fullscreen ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0);
  window_ = SDL_CreateWindow(WindowTitle, usable_.x + usable_.w - firstWidth_,
                             usable_.y + usable_.h - GapAboveScreenBottom - firstHeight_, firstWidth_, firstHeight_,
                             windowFlags);
  if (!window_) {
    error = sdlError("cannot create the window");
    return false;
  }
  if (const char* refusal = fullscreen ? fullScreenRefusal(window_) : nullptr) {
    std::fprintf(stderr, "quellor: --fullscreen: %s\n", refusal);
    SDL_SetWindowFullscreen(window_, 0);
  }
  // Synchronised presentation keeps per-frame motion at a speed a person can steer; where
  // it cannot be had (dummy drivers, some remote displays), run unsynchronised, and where
  // no accelerated renderer exists, in software.
  const Uint32 attempts[] = {SDL_RENDERER_PRESENTVSYNC, 0, SDL_RENDERER_SOFTWARE};
  for (Uint32 flags : attempts) {
    renderer_ = SDL_CreateRenderer(window_, -1, flags);
    if (renderer_) break;
  }
  if (!renderer_) {
    error = sdlError("cannot create a renderer for the window");
    return false;
  }
  if (SDL_SetRenderDrawColor(renderer_, 0, 0, 0, SDL_ALPHA_OPAQUE) != 0) {
    error = sdlError("cannot set the renderer's colour");
    return false;
  }
  known_ = drawableSize();
  if (known_.width <= 0 || known_.height <= 0) {
    error = sdlError("cannot read the window's size in pixels");
    return false;
  }
  return true;
}

void SdlPlatform::show() {
  SDL_ShowWindow(window_);
  // A window manager reports the frame's borders once the window is shown (or never: then
  // the borders count as 0 and the window stays where it was made).
  int top = 0, left = 0, bottom = 0, right = 0;
  if ((SDL_GetWindowFlags(window_) & SDL_WINDOW_FULLSCREEN_DESKTOP) == 0 &&
      SDL_GetWindowBordersSize(window_, &top, &left, &bottom, &right) == 0 && (bottom || right)) {
    SDL_SetWindowPosition(window_, usable_.x + usable_.w - right - firstWidth_,
                          usable_.y + usable_.h - GapAboveScreenBottom - bottom - firstHeight_);
  }
}

void SdlPlatform::close() {
  overlay_.close();
  if (renderer_) SDL_DestroyRenderer(renderer_);
  renderer_ = nullptr;
  if (window_) SDL_DestroyWindow(window_);
  window_ = nullptr;
  if (sdlStarted_) SDL_Quit();
  sdlStarted_ = false;
}

PixelSize SdlPlatform::drawableSize() const {
  int w = 0, h = 0;
  if (SDL_GetRendererOutputSize(renderer_, &w, &h) != 0) return {0, 0};
  return {w, h};
}

bool SdlPlatform::pollMessage(Message& message) {
  if (pendingNext_ < pendingCount_) {
    message = pending_[pendingNext_++];
    if (pendingNext_ == pendingCount_) pendingNext_ = pendingCount_ = 0;
    return true;
  }
  if (stopSignal != 0) {
    message = {MessageKind::Close, 0, 0, 0};
    return true;
  }
  if (messagesEnd_) {
    messagesEnd_ = false;
    return false;
  }
  SDL_Event event;
  if (!SDL_PollEvent(&event)) {
    // Without a window manager SDL may change its size for full screen and not say so
    // (leaving it, notably): the drawable size itself is what the frame follows.
    if (!sizeUncertain_) return false;
    sizeUncertain_ = false;
    const PixelSize now = drawableSize();
    if (now.width <= 0 || now.height <= 0 || (now.width == known_.width && now.height == known_.height)) return false;
    known_ = now;
    message = {MessageKind::Size, 0, now.width, now.height};
    return true;
  }
  if (event.type == SDL_KEYDOWN) viewerKey(event.key);
  if (event.type == SDL_MOUSEBUTTONDOWN && event.button.button == SDL_BUTTON_LEFT)
    clickAt(event.button.x, event.button.y);
  const PixelSize drawable = event.type == SDL_WINDOWEVENT ? drawableSize() : known_;
  message = messageFromSdlEvent(event, drawable, known_);
  return true;
}

void SdlPlatform::playbackKey(const SDL_KeyboardEvent& key) {
  PlaybackCommand command;
  bool repeats = false;  // stepping keys act on every repeat
  switch (key.keysym.sym) {
    case SDLK_SPACE:
      command = PlaybackCommand::PauseResume;
      break;
    case SDLK_RIGHT:
      command = PlaybackCommand::Forward;
      repeats = true;
      break;
    case SDLK_LEFT:
      command = PlaybackCommand::Back;
      repeats = true;
      break;
    case SDLK_PAGEDOWN:
      command = PlaybackCommand::PageForward;
      repeats = true;
      break;
    case SDLK_PAGEUP:
      command = PlaybackCommand::PageBack;
      repeats = true;
      break;
    case SDLK_HOME:
      command = PlaybackCommand::First;
      break;
    case SDLK_END:
      command = PlaybackCommand::Last;
      break;
    case SDLK_PLUS:
    case SDLK_EQUALS:  // + without Shift on most layouts
    case SDLK_KP_PLUS:
      command = PlaybackCommand::Faster;
      break;
    case SDLK_MINUS:
    case SDLK_KP_MINUS:
      command = PlaybackCommand::Slower;
      break;
    case SDLK_t:
      command = PlaybackCommand::TakeOver;
      break;
    case SDLK_q:
    case SDLK_ESCAPE:
      command = PlaybackCommand::Quit;
      break;
    default:
      return;
  }
  if (!key.repeat || repeats) queueCommand(command);
}

void SdlPlatform::queueCommand(PlaybackCommand command) {
  if (commandCount_ == CommandCapacity) return;
  commands_[(commandFirst_ + commandCount_) % CommandCapacity] = command;
  ++commandCount_;
}

void SdlPlatform::viewerKey(const SDL_KeyboardEvent& key) {
  if (playbackKeys_) playbackKey(key);
  if (key.repeat) return;  // one screenshot or toggle a press, however long it is held
  const SDL_Keycode sym = key.keysym.sym;
  if (sym == SDLK_F12) screenshotWanted_ = true;
  const bool altEnter = (sym == SDLK_RETURN || sym == SDLK_KP_ENTER) && (key.keysym.mod & KMOD_ALT) != 0;
  if (sym == SDLK_F11 || altEnter) toggleFullscreen();
  if (!views_) return;
  if (sym == SDLK_F1) views_->toggleHelp();
  if (sym == SDLK_F2) views_->toggleDepthView();
  if (sym == SDLK_F3) {
    stepWanted_ = messagesEnd_ = true;
    // A playback pauses on the pass shown, and stays paused when step mode ends.
    if (playbackKeys_) queueCommand(PlaybackCommand::Pause);
  }
  if (sym == SDLK_F4) views_->togglePlan();
  if (sym == SDLK_ESCAPE) views_->clearStory();
}

// Window coordinates to the frame's pixels (HiDPI makes them differ).
void SdlPlatform::clickAt(int32_t windowX, int32_t windowY) {
  if (!views_) return;
  int w = 0, h = 0;
  SDL_GetWindowSize(window_, &w, &h);
  const PixelSize drawable = drawableSize();
  const int32_t x = w > 0 ? int32_t(int64_t(windowX) * drawable.width / w) : windowX;
  const int32_t y = h > 0 ? int32_t(int64_t(windowY) * drawable.height / h) : windowY;
  views_->click(x, y);
  // Also on standard output, where a terminal (or a test) can keep it.
  std::printf("%s\n", views_->story());
  std::fflush(stdout);
}

void SdlPlatform::keep(const Message& message) {
  if (pendingCount_ < int32_t(sizeof pending_ / sizeof pending_[0])) pending_[pendingCount_++] = message;
}

// Step mode: the passes wait here, inside the present of the pass F3 came in, and nothing
// reaches the frame pass (nor a recording) until it ends. A resize is made at once and a
// size message kept for the next pass, as are Q and a close, which end step mode.
void SdlPlatform::holdPasses(const PresentedFrame& frame) {
  stepWanted_ = false;
  views_->enterStepMode();
  PresentedFrame shown = frame;
  showFrame(shown);
  bool holding = true;
  while (holding) {
    if (stopSignal != 0) {
      keep({MessageKind::Close, 0, 0, 0});
      break;
    }
    SDL_Event event;
    if (!SDL_WaitEventTimeout(&event, MinimisedWaitMs)) {
      if (watch_ &&
          pollLevelWatch(*watch_, viewer_->world, viewer_->camera, levelWatchClockMs()) == LevelWatchResult::Reloaded) {
        views_->restep();
        showFrame(shown);
      }
      continue;
    }
    switch (event.type) {
      case SDL_KEYDOWN:
        switch (event.key.keysym.sym) {
          case SDLK_RIGHT:
          case SDLK_PAGEDOWN:
            views_->stepBy(1);
            break;
          case SDLK_LEFT:
          case SDLK_PAGEUP:
            views_->stepBy(-1);
            break;
          case SDLK_HOME:
            views_->stepTo(0);
            break;
          case SDLK_END:
            views_->stepTo(views_->stepCount());
            break;
          case SDLK_F3:
          case SDLK_ESCAPE:
            if (!event.key.repeat) holding = false;
            break;
          case SDLK_q:
            keep({MessageKind::KeyDown, KeyQ, 0, 0});
            if (playbackKeys_) queueCommand(PlaybackCommand::Quit);
            holding = false;
            break;
          case SDLK_F1:
            if (!event.key.repeat) views_->toggleHelp();
            break;
          case SDLK_F2:
            if (!event.key.repeat) views_->toggleDepthView();
            break;
          case SDLK_F4:
            if (!event.key.repeat) views_->togglePlan();
            break;
          case SDLK_F12:
            if (!event.key.repeat) writeShot(shown);
            break;
          default:
            break;
        }
        break;
      case SDL_MOUSEBUTTONDOWN:
        if (event.button.button == SDL_BUTTON_LEFT) clickAt(event.button.x, event.button.y);
        break;
      case SDL_QUIT:
        keep({MessageKind::Close, 0, 0, 0});
        holding = false;
        break;
      case SDL_WINDOWEVENT: {
        const Message message = messageFromSdlEvent(event, drawableSize(), known_);
        if (message.kind == MessageKind::Close) {
          keep(message);
          holding = false;
        } else if (message.kind == MessageKind::Size && playbackKeys_) {
          // A playback's frame is the recording's size: the window goes back to it.
          followFrameSize(shown);
          showFrame(shown);
        } else if (message.kind == MessageKind::Size) {
          resizeFrame(*viewer_, *this, message.width, message.height);
          keep(message);
          views_->restep();
          shown = presentedFrame(*viewer_);
        }
        break;
      }
      default:
        break;
    }
    if (holding) showFrame(shown);
  }
  views_->leaveStepMode();
}

void SdlPlatform::toggleFullscreen() {
  const bool full = (SDL_GetWindowFlags(window_) & SDL_WINDOW_FULLSCREEN_DESKTOP) != 0;
  // Asked where it can have no effect, SDL would still report the desktop's size, and the
  // frame would follow a size the window never takes.
  const char* refusal = full ? nullptr : fullScreenRefusal(window_);
  if (refusal) {
    std::fprintf(stderr, "quellor: cannot go to full screen: %s\n", refusal);
    std::fflush(stderr);
    return;
  }
  // The new size comes back as window events, and so to the frame as any resize does.
  sizeUncertain_ = true;
  if (SDL_SetWindowFullscreen(window_, full ? 0 : SDL_WINDOW_FULLSCREEN_DESKTOP) != 0) {
    std::fprintf(stderr, "quellor: %s\n",
                 sdlError(full ? "cannot leave full screen" : "cannot go to full screen").c_str());
    std::fflush(stderr);
  }
}

void SdlPlatform::writeShot(const PresentedFrame& frame) {
  screenshotWanted_ = false;
  if (!frame.rowOrigin) return;
  captureFrame(frame, shot_);
  std::string path, error;
  if (writeScreenshot(".", "quellor", shot_, shotBytes_, path, error)) {
    std::printf("%s\n", path.c_str());
    std::fflush(stdout);
  } else {
    std::fprintf(stderr, "quellor: %s\n", error.c_str());
    std::fflush(stderr);
  }
}

void SdlPlatform::present(const PresentedFrame& frame) {
  waitSeconds_ = 0;
  if (views_) views_->afterPass();
  // The frame of the pass whose messages held F12, as this present shows it.
  if (screenshotWanted_) writeShot(frame);
  if (SDL_GetWindowFlags(window_) & SDL_WINDOW_MINIMIZED) {
    // Nothing can be seen: sleep until the next event instead of drawing for no one.
    const double start = monotonicSeconds();
    if (stopSignal == 0) SDL_WaitEventTimeout(nullptr, MinimisedWaitMs);
    waitSeconds_ = monotonicSeconds() - start;
    return;
  }
  if (!frame.rowOrigin) return;
  if (playbackKeys_) followFrameSize(frame);
  if (!showFrame(frame)) return;
  if (stepWanted_ && views_) holdPasses(frame);
}

// False when the frame could not be copied to the window.
bool SdlPlatform::showFrame(const PresentedFrame& frame) {
  if (!frame.rowOrigin) return false;
  auto* texture = static_cast<SDL_Texture*>(frame.platformHandle);
  void* texels = nullptr;
  int texturePitch = 0;
  if (SDL_LockTexture(texture, nullptr, &texels, &texturePitch) != 0) return false;
  expandPalette(frame.rowOrigin, frame.pitch, frame.width, frame.height, static_cast<uint32_t*>(texels),
                texturePitch / int32_t(sizeof(uint32_t)), argb_);
  SDL_UnlockTexture(texture);
  // A failed copy shows nothing for this frame; the next pass tries again.
  const SDL_Rect target{0, 0, frame.width, frame.height};  // 1:1 at the top left, never scaled
  if (SDL_RenderClear(renderer_) != 0) return false;
  if (SDL_RenderCopy(renderer_, texture, nullptr, &target) != 0) return false;
  // The explainer's texts stay above a playback's bar.
  const int32_t barRows = progressTotal_ > 0 ? drawProgress(frame) : 0;
  if (views_) overlay_.draw(renderer_, *views_, *viewer_, frame.width, frame.height - barRows);
  // Where presentation is synchronised, this is where the display makes the pass wait.
  const double start = monotonicSeconds();
  SDL_RenderPresent(renderer_);
  waitSeconds_ = monotonicSeconds() - start;
  return true;
}

void SdlPlatform::followFrameSize(const PresentedFrame& frame) {
  if ((SDL_GetWindowFlags(window_) & SDL_WINDOW_FULLSCREEN_DESKTOP) != 0) return;
  int width = 0, height = 0;
  SDL_GetWindowSize(window_, &width, &height);
  if (width != frame.width || height != frame.height) SDL_SetWindowSize(window_, frame.width, frame.height);
}

// A bar over the bottom rows of the frame as shown: the part played in white (grey while
// paused) on a dark ground, and above it the pass, the total, the speed and "paused". The
// frame's own pixels, and so its screenshots, stay as drawn.
int32_t SdlPlatform::drawProgress(const PresentedFrame& frame) {
  const PixelSize window = drawableSize();
  const int width = frame.width < window.width ? frame.width : window.width;
  const int height = frame.height < window.height ? frame.height : window.height;
  const int barHeight = height < PlaybackBarHeight ? height : PlaybackBarHeight;
  const SDL_Rect ground{0, height - barHeight, width, barHeight};
  const int played = progressTotal_ > 1 ? int((progressPass_ - 1) * (width - 1) / (progressTotal_ - 1)) + 1 : width;
  const SDL_Rect done{0, height - barHeight, played, barHeight};
  const Uint8 bright = progressPaused_ ? 160 : 255;
  SDL_SetRenderDrawColor(renderer_, 48, 48, 48, SDL_ALPHA_OPAQUE);
  SDL_RenderFillRect(renderer_, &ground);
  SDL_SetRenderDrawColor(renderer_, bright, bright, bright, SDL_ALPHA_OPAQUE);
  SDL_RenderFillRect(renderer_, &done);
  SDL_SetRenderDrawColor(renderer_, 0, 0, 0, SDL_ALPHA_OPAQUE);
  char speed[8];
  if (progressSpeed_ >= 0) {
    std::snprintf(speed, sizeof speed, "%dx", 1 << progressSpeed_);
  } else {
    std::snprintf(speed, sizeof speed, "1/%dx", 1 << -progressSpeed_);
  }
  char status[96];
  std::snprintf(status, sizeof status, "pass %lld of %lld   %s%s", static_cast<long long>(progressPass_),
                static_cast<long long>(progressTotal_), speed, progressPaused_ ? "   paused" : "");
  return barHeight + overlay_.drawStatus(renderer_, status, 0, height - barHeight);
}

bool SdlPlatform::allocateFrame(int32_t width, int32_t height, FrameMemory& out) {
  FrameMemory frame;
  if (!allocateHeapFrame(width, height, RowOrder::BottomUp, frame)) {
    SDL_OutOfMemory();
    return false;
  }
  SDL_Texture* texture =
      SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING, width, height);
  if (!texture) {
    releaseHeapFrame(frame);
    return false;
  }
  frame.platformHandle = texture;
  out = frame;
  return true;
}

void SdlPlatform::releaseFrame(FrameMemory& frame) {
  if (frame.platformHandle) SDL_DestroyTexture(static_cast<SDL_Texture*>(frame.platformHandle));
  releaseHeapFrame(frame);
}

int fail(const std::string& message) {
  std::fprintf(stderr, "quellor: %s\n", message.c_str());
  return 1;
}

}  // namespace

static_assert(isPlatform<SdlPlatform>, "SdlPlatform is a whole platform");

// After the loader's report: where the installed levels are, or where the level is.
void adviseLevel(const CommandLine& command, const char* invokedAs) {
  std::fputs(levelAdvice(runningProgram("quellor", invokedAs, command.level, command.levelGiven, "")).c_str(), stderr);
  std::fflush(stderr);
}

// What --play needs before a window opens: the recording read, its level loaded, its
// passes counted and its key points kept, by playing it through once without a window.
struct PreparedPlayback {
  Recording recording;
  std::string level;                       // the level's name: the file, or the carried version's
  const RecordedLevel* carried = nullptr;  // the version started on, when the recording carries it
  PixelSize first{320, 240};
  std::unique_ptr<Playback> playback;
};

// False, with the reason in error, for a recording that cannot be played.
bool preparePlayback(const CommandLine& command, PreparedPlayback& out, std::string& error) {
  std::string text;
  if (!readInputFile(command.play, MaxRecordingBytes, "a recording", text, error) ||
      !parseRecording(text, command.play, out.recording, error)) {
    return false;
  }
  const Recording& recording = out.recording;
  out.level = command.level;
  out.first = {command.width, command.height};
  if (recording.hasHeader) {
    if (!command.levelGiven) out.level = recording.header.level;
    out.first = {recording.header.width, recording.header.height};
  }
  if (command.levelGiven && !recording.levels.empty()) {
    std::fprintf(stderr, "quellor: --play: %s plays instead of the %zu level version(s) %s carries\n",
                 command.level.c_str(), recording.levels.size(), command.play.c_str());
    out.recording.levels.clear();
  }
  out.carried = startingLevel(out.recording);
  if (out.carried) out.level = out.carried->name;
  auto viewer = std::make_unique<Viewer>();
  HeadlessPlatform headless;
  headless.client = out.first;
  ViewerOptions options;
  options.levelFileName = out.level.c_str();
  options.levelBytes = out.carried ? &out.carried->bytes : nullptr;
  options.reportLevelFailure = false;
  LevelLoadResult loaded{true, {}};
  if (startViewerRun(*viewer, headless, options, error, &loaded) != ViewerEnd::Finished) return false;
  // A version the recording carries plays even when refused (empty, as the window showed
  // it); a file named by an old recording must load.
  if (!loaded.ok && !out.carried) {
    error = command.play + ": its level cannot be loaded: " + loaded.message;
    finishViewerRun(*viewer, headless);
    return false;
  }
  beginMainLoop(*viewer);
  out.playback = playbackOf(recording);
  out.playback->open(*viewer);
  finishViewerRun(*viewer, headless);
  // As quellor-replay says them, once, before the window opens.
  for (const Playback::Refusal& refusal : out.playback->refusals()) {
    std::fprintf(stderr, "quellor: %s:%lld: %s (the level shown stays)\n", command.play.c_str(),
                 static_cast<long long>(refusal.line), refusal.message.c_str());
  }
  if (out.playback->total() < 1) {
    error = command.play + ": there is no pass to show (the window closes in the first)";
    return false;
  }
  if (command.at > out.playback->total()) {
    error = "--at " + std::to_string(command.at) + ": " + command.play + " has passes 1 to " +
            std::to_string(out.playback->total());
    return false;
  }
  return true;
}

// The prefix of a take-over: every level version and message of the passes played, under
// their own numbers.
// levelRead: the file's bytes, for a recording that names its level without carrying it.
void recordPrefix(MessageRecorder& recorder, const Recording& recording, const Playback& playback,
                  const std::string& levelName, const std::vector<uint8_t>& levelRead) {
  if (!startingLevel(recording)) recorder.recordLevel(0, levelName, levelRead);
  size_t level = 0;
  const auto levelsUpTo = [&](int64_t pass) {
    for (; level < recording.levels.size() && recording.levels[level].pass <= pass; ++level) {
      const RecordedLevel& version = recording.levels[level];
      recorder.recordLevel(version.pass, version.name, version.bytes);
    }
  };
  levelsUpTo(0);
  RecordedMessages::Cursor cursor;
  Message message;
  for (int64_t pass = 1; pass <= playback.shown(); ++pass) {
    levelsUpTo(pass);
    while (playback.messages().next(cursor, pass, message)) recorder.record(pass, message);
  }
}

int playRecording(const CommandLine& command) {
  std::string error;
  PreparedPlayback prepared;
  if (!preparePlayback(command, prepared, error)) {
    std::fprintf(stderr, "quellor: --play: %s\n", error.c_str());
    return 2;
  }
  MessageRecorder recorder;
  if (!command.record.empty() &&
      !recorder.open(command.record, prepared.level, prepared.first.width, prepared.first.height, error)) {
    std::fprintf(stderr, "quellor: --record: %s\n", error.c_str());
    return 2;
  }
  SdlPlatform platform;
  if (!platform.open(prepared.first.width, prepared.first.height, command.fullscreen, error)) return fail(error);
  platform.reportClientPixels(prepared.first);
  auto viewer = std::make_unique<Viewer>();
  ViewerOptions options;
  options.levelFileName = prepared.level.c_str();
  std::vector<uint8_t> levelRead;  // for a take-over's recording
  if (!prepared.carried && !command.record.empty()) options.levelBytesRead = &levelRead;
  options.levelBytes = prepared.carried ? &prepared.carried->bytes : nullptr;
  options.rowWriter = std::getenv(RowWriterVariable);
  LevelLoadResult loaded{true, {}};
  switch (startViewerRun(*viewer, platform, options, error, &loaded)) {
    case ViewerEnd::BadRowWriter:
      return fail(error);
    case ViewerEnd::NoFrame:
      return fail(sdlError("cannot make the 320x240 frame buffer"));
    case ViewerEnd::Finished:
      break;
  }
  beginMainLoop(*viewer);
  platform.reportClientPixels({0, 0});  // from here on the window's own size
  platform.takePlaybackKeys(true);
  // The explainer's views over the pass shown; step mode holds the playback paused.
  ExplainViews views(*viewer);
  views.setPlayback(true);
  platform.explainWith(viewer.get(), &views, nullptr, prepared.level);
  Playback& playback = *prepared.playback;
  PlaybackControl control(playback.total(), command.at > 0 ? command.at : 1, command.paused);
  const PlaybackEnd end = runPlaybackLoop(*viewer, platform, playback, control);
  platform.takePlaybackKeys(false);
  views.setPlayback(false);
  if (end == PlaybackEnd::TakeOver) {
    // Live from the state after the pass shown, as if the session had gone on from there.
    DesktopExtras extras;
    extras.continuing = true;
    if (!command.record.empty()) {
      recordPrefix(recorder, prepared.recording, playback, prepared.level, levelRead);
      extras.recorder = &recorder;
    }
    DesktopPlatform<SdlPlatform> desktop(platform, extras, playback.shown() + 1);
    LevelWatch watch;
    if (!prepared.carried && startLevelWatch(watch, prepared.level, levelWatchClockMs())) extras.watch = &watch;
    platform.explainWith(viewer.get(), &views, extras.watch, prepared.level);
    runDesktopLoop(*viewer, desktop, extras);
    stopLevelWatch(watch);
    finishViewerRun(*viewer, desktop);
  } else {
    finishViewerRun(*viewer, platform);
  }
  platform.close();
  if (!recorder.finish(error)) return fail(error);
  return 0;
}

int main(int argc, char** argv) {
  catchViewerStopSignals();
  CommandLine command;
  int exitCode = 0;
  if (!parseCommandLine(argc, argv, command, exitCode)) return exitCode;
  if (!command.play.empty()) return playRecording(command);

  std::string error;
  // Before any window: a recording that cannot be made is a bad option.
  MessageRecorder recorder;
  if (!command.record.empty() && !recorder.open(command.record, command.level, command.width, command.height, error)) {
    std::fprintf(stderr, "quellor: --record: %s\n", error.c_str());
    return 2;
  }

  SdlPlatform platform;
  if (!platform.open(command.width, command.height, command.fullscreen, error)) return fail(error);
  HeldControls held;
  if (command.heldControls) platform.holdKeys(&held);

  auto viewer = std::make_unique<Viewer>();
  ViewerOptions options;
  options.levelFileName = command.level.c_str();
  options.rowWriter = std::getenv(RowWriterVariable);
  std::vector<uint8_t> startBytes;
  if (!command.record.empty()) options.levelBytesRead = &startBytes;
  DesktopExtras extras;
  extras.recorder = command.record.empty() ? nullptr : &recorder;
  std::unique_ptr<PassTiming> timing;
  if (command.fps) {
    timing = std::make_unique<PassTiming>();
    extras.timing = timing.get();
  }
  DesktopPlatform<SdlPlatform> desktop(platform, extras);
  LevelLoadResult loaded{true, {}};
  switch (startViewerRun(*viewer, desktop, options, error, &loaded)) {
    case ViewerEnd::BadRowWriter:
      return fail(error);
    case ViewerEnd::NoFrame:
      return fail(sdlError("cannot make the 320x240 frame buffer"));
    case ViewerEnd::Finished:
      break;
  }
  if (!loaded.ok) adviseLevel(command, argc > 0 ? argv[0] : nullptr);
  // The recording carries the level as shown: a file that did not open is an empty level.
  recorder.recordLevel(0, command.level, startBytes);
  // The level file is followed from the version just loaded (or refused) on.
  LevelWatch watch;
  if (startLevelWatch(watch, command.level, levelWatchClockMs())) extras.watch = &watch;
  ExplainViews views(*viewer);
  platform.explainWith(viewer.get(), &views, extras.watch, command.level);
  runDesktopLoop(*viewer, desktop, extras);
  stopLevelWatch(watch);
  finishViewerRun(*viewer, desktop);
  platform.close();
  if (!recorder.finish(error)) return fail(error);
  return 0;
}
