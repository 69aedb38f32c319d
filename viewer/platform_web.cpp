// quellor in a web page: the HTML5 events of the page become the shell's messages, every
// animation frame runs one pass (requestAnimationFrame paces it as vsync paces the
// desktop), and each frame is shown through one putImageData. The page (web/) supplies
// the hooks under Module.quellorPage that this file calls.
#include <emscripten/emscripten.h>
#include <emscripten/html5.h>

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string>

#include "viewer/explain_views.h"
#include "viewer/frame_digest.h"
#include "viewer/heap_frame.h"
#include "viewer/held_controls.h"
#include "viewer/level_adopt.h"
#include "viewer/main_loop.h"
#include "viewer/palette.h"
#include "viewer/palette_expand.h"
#include "viewer/playback.h"
#include "viewer/playback_control.h"
#include "viewer/recorded_levels.h"
#include "viewer/recording_script.h"
#include "viewer/run_viewer.h"
#include "viewer/script_vocabulary.h"
#include "world/level_source_note.h"

namespace {

const char* const CanvasTarget = "#canvas";
const char* const FirstLevel = "/levels/3rooms.b2";
// Far more than a person types between two animation frames; when a stalled page lets
// more pile up, the newest are dropped rather than the oldest, so the messages that
// arrive still form a prefix of what was typed.
constexpr int32_t QueueCapacity = 1024;
// Not a key the key table knows; it still counts as a message, as on the desktop.
constexpr int32_t UnmappedKey = 0;

// --- The page's side, Module.quellorPage (web/quellor-page.js) -------------------------

EM_JS(void, pageShow, (const uint32_t* pixels, int32_t width, int32_t height),
      { Module.quellorPage.show(pixels, width, height); });
EM_JS(void, pageCanvasSize, (int32_t width, int32_t height), { Module.quellorPage.canvasSize(width, height); });
EM_JS(void, pageDelivered, (int32_t pass, const char* line),
      { Module.quellorPage.delivered(pass, UTF8ToString(line)); });
EM_JS(void, pagePassDone, (int32_t pass, const char* digest),
      { Module.quellorPage.passDone(pass, UTF8ToString(digest)); });
EM_JS(void, pageStopped, (int32_t pass), { Module.quellorPage.stopped(pass); });
EM_JS(void, pageLevel, (const char* path, int32_t ok, const char* message, int32_t pass, int32_t kept),
      { Module.quellorPage.level(UTF8ToString(path), ok != 0, UTF8ToString(message), pass, kept != 0); });
EM_JS(void, pagePlayback, (double pass, double total, int32_t paused, int32_t speed, const char* message),
      { Module.quellorPage.playback(pass, total, paused != 0, speed, UTF8ToString(message)); });
EM_JS(void, pageExplain,
      (int32_t help, int32_t depth, int32_t stepping, int32_t plan, int32_t step, int32_t steps, const char* caption,
       const char* counters, const char* story),
      {
        Module.quellorPage.explain(help != 0, depth != 0, stepping != 0, plan != 0, step, steps, UTF8ToString(caption),
                                   UTF8ToString(counters), UTF8ToString(story));
      });
EM_JS(void, pageBench,
      (int32_t width, int32_t height, int32_t passes, double passMs, double expandMs, double presentMs),
      { Module.quellorPage.bench(width, height, passes, passMs, expandMs, presentMs); });

// The key table's code for a key the browser names (KeyboardEvent.key and .code).
int32_t keyCodeFromWeb(const char* key, const char* code) {
  // The keypad's arrows without Num Lock arrive named as arrows ("Left" in old browsers).
  if (!std::strcmp(key, "ArrowLeft") || !std::strcmp(key, "Left")) return KeyLeft;
  if (!std::strcmp(key, "ArrowRight") || !std::strcmp(key, "Right")) return KeyRight;
  if (!std::strcmp(key, "ArrowUp") || !std::strcmp(key, "Up")) return KeyUp;
  if (!std::strcmp(key, "ArrowDown") || !std::strcmp(key, "Down")) return KeyDown;
  if (!std::strcmp(key, " ") || !std::strcmp(key, "Spacebar")) return KeySpace;
  const unsigned char first = static_cast<unsigned char>(key[0]);
  // Letters act as their upper-case codes whatever Shift and Caps Lock say.
  if (first != 0 && key[1] == 0) {
    if (std::isalpha(first)) return std::toupper(first);
    if (std::isdigit(first)) return first;
  }
  // A letter of a layout that is not Latin (Cyrillic, Greek) goes by its key's position.
  if (first >= 0x80 && std::strncmp(code, "Key", 3) == 0 && code[3] >= 'A' && code[3] <= 'Z' && code[4] == 0) {
    return code[3];
  }
  return UnmappedKey;
}

class WebPlatform {
 public:
  WebPlatform() {
    // The canvas takes bytes R, G, B, A; built once in that order, a look-up is the pixel.
    const PaletteEntry* palette = viewerPalette();
    for (int i = 0; i < PaletteSize; ++i) {
      rgba_[i] =
          0xFF000000u | uint32_t(palette[i].blue) << 16 | uint32_t(palette[i].green) << 8 | uint32_t(palette[i].red);
    }
  }

  bool nextMessage(Message& message) {
    const bool any =
        held_ ? held_->nextMessage(message, [this](Message& raw) { return takeMessage(raw); }) : takeMessage(message);
    // The page records what the desktop records for the same message.
    if (any) pageDelivered(pass, scriptEvent(message).text);
    return any;
  }
  void present(const PresentedFrame& frame);
  // present's first half, the palette expansion, for the timedemo.
  void expand(const PresentedFrame& frame);
  bool allocateFrame(int32_t width, int32_t height, FrameMemory& out);
  void releaseFrame(FrameMemory& frame);
  // The explainer's views, drawn into each frame a pass presents (null: none).
  void explainWith(ExplainViews* views) { views_ = views; }

  void push(const Message& message);
  // A playback's frames take none of the page's messages, and do not record them.
  void dropMessages() {
    head_ = 0;
    count_ = 0;
  }
  // The canvas's size in device pixels (CSS size x devicePixelRatio); when it changed,
  // the canvas takes it and a size message goes to the shell when asked to send one.
  // A canvas of no size (a hidden page) changes nothing.
  bool followCanvas(bool sendMessage);
  // The contract's start-up members: the canvas's pixels (320 x 240 while it has no size),
  // and nothing to show, the page shows the canvas itself.
  PixelSize clientPixels() {
    followCanvas(false);
    return known_.width > 0 ? PixelSize{known_.width, known_.height} : PixelSize{FirstClientWidth, FirstClientHeight};
  }
  void show() {}
  int32_t clientWidth() const { return known_.width; }
  int32_t clientHeight() const { return known_.height; }

  int32_t pass = 0;  // the pass now running or last run, counted from 1
  // Keys that act while held (the page's toggle), or null for the classic controls.
  void holdKeys(bool on) { held_ = on ? &heldKeys_ : nullptr; }
  bool holdingKeys() const { return held_ != nullptr; }
  // The page lost the keyboard: its releases will not come.
  void keyboardLost() {
    if (held_) held_->releaseAll();
  }

 private:
  bool takeMessage(Message& message);
  HeldControls heldKeys_;
  HeldControls* held_ = nullptr;
  ExplainViews* views_ = nullptr;
  struct Size {
    int32_t width, height;
  };
  Message queue_[QueueCapacity];
  int32_t head_ = 0, count_ = 0;
  Size known_{0, 0};
  uint32_t rgba_[PaletteSize];
};

void WebPlatform::push(const Message& message) {
  if (count_ == QueueCapacity) return;
  queue_[(head_ + count_) % QueueCapacity] = message;
  ++count_;
}

bool WebPlatform::takeMessage(Message& message) {
  if (count_ == 0) return false;
  message = queue_[head_];
  head_ = (head_ + 1) % QueueCapacity;
  --count_;
  return true;
}

bool WebPlatform::followCanvas(bool sendMessage) {
  double cssWidth = 0, cssHeight = 0;
  if (emscripten_get_element_css_size(CanvasTarget, &cssWidth, &cssHeight) != EMSCRIPTEN_RESULT_SUCCESS) {
    return false;
  }
  const double ratio = emscripten_get_device_pixel_ratio();
  double w = std::floor(cssWidth * ratio + 0.5), h = std::floor(cssHeight * ratio + 0.5);
  if (!(w >= 1 && h >= 1)) return false;
  // The frame stops at MaxClientSize; a canvas larger than that shows its top-left part.
  if (w > MaxClientSize) w = MaxClientSize;
  if (h > MaxClientSize) h = MaxClientSize;
  const Size size{int32_t(w), int32_t(h)};
  if (size.width == known_.width && size.height == known_.height) return false;
  known_ = size;
  pageCanvasSize(size.width, size.height);
  if (sendMessage) push(Message{MessageKind::Size, 0, size.width, size.height});
  return true;
}

void WebPlatform::expand(const PresentedFrame& frame) {
  expandPalette(frame.rowOrigin, frame.pitch, frame.width, frame.height, static_cast<uint32_t*>(frame.platformHandle),
                frame.width, rgba_);
}

void WebPlatform::present(const PresentedFrame& frame) {
  if (!frame.rowOrigin) return;
  // Step mode shows its own pictures; otherwise the views draw over the pass's frame.
  if (views_ && !views_->stepping()) views_->afterPass();
  expand(frame);
  // Up to three columns beyond the canvas (the width rounded up to 4) are cut off.
  pageShow(static_cast<const uint32_t*>(frame.platformHandle), frame.width, frame.height);
}

bool WebPlatform::allocateFrame(int32_t width, int32_t height, FrameMemory& out) {
  FrameMemory frame;
  if (!allocateHeapFrame(width, height, RowOrder::BottomUp, frame)) return false;
  void* image = std::aligned_alloc(64, (size_t(width) * size_t(height) * 4 + 63) / 64 * 64);
  if (!image) {
    releaseHeapFrame(frame);
    return false;
  }
  frame.platformHandle = image;
  out = frame;
  return true;
}

void WebPlatform::releaseFrame(FrameMemory& frame) {
  std::free(frame.platformHandle);
  releaseHeapFrame(frame);
}

// Everything the page runs, made once at start and kept for the page's life: the
// browser calls back into it between passes.
struct WebViewer {
  WebPlatform platform;
  Viewer viewer;
  World candidate;  // a level being opened is loaded here first, so a refused one changes nothing
  bool stopped = false;
  // A recording being played: each animation frame shows the pass the control picks,
  // and the page's messages do not reach the frame pass.
  std::unique_ptr<Playback> playback;
  std::unique_ptr<PlaybackControl> control;
  // F1 to F4 and clicks. F3 takes effect after the pass its key came in, as on the desktop.
  std::unique_ptr<ExplainViews> views;
  bool stepWanted = false;
};

void reportPlayback(WebViewer& web, const char* message = "") {
  const PlaybackControl* c = web.control.get();
  pagePlayback(c ? double(c->pass()) : 0, c ? double(c->total()) : 0, c && c->paused() ? 1 : 0, c ? c->speed() : 0,
               message);
}

// One shown frame of the playback.
void playFrame(WebViewer& web) {
  web.platform.dropMessages();
  const int64_t pass = web.control->nextFrame();
  if (pass != web.playback->shown()) web.playback->show(web.viewer, web.platform, pass);
  const PresentedFrame frame = presentedFrame(web.viewer);
  // The canvas takes the recorded frame's size while it plays.
  if (frame.width != web.platform.clientWidth() || frame.height != web.platform.clientHeight()) {
    pageCanvasSize(frame.width, frame.height);
  }
  web.platform.present(frame);
  reportPlayback(web);
}

WebViewer* page = nullptr;

// --- The explainer's views ---------------------------------------------------------------

void reportExplain(WebViewer& web) {
  const ExplainViews& v = *web.views;
  pageExplain(v.help() ? 1 : 0, v.depthView() ? 1 : 0, v.stepping() ? 1 : 0, v.plan() ? 1 : 0, v.step(),
              v.stepping() ? v.stepCount() : 0, v.caption(), v.anyOn() ? v.counters() : "", v.story());
}

// The frame as step mode shows it, onto the canvas again.
void showStep(WebViewer& web) {
  web.platform.present(presentedFrame(web.viewer));
  reportExplain(web);
}

// The F-key (1 to 4) a browser's key name is, or 0.
int32_t explainKeyOf(const char* key) {
  if (key[0] != 'F' || key[1] < '1' || key[1] > '4' || key[2] != 0) return 0;
  return key[1] - '0';
}

// A key-down the views take; true when it is theirs. While step mode holds the passes,
// every key is taken (nothing reaches the frame pass or the record) but Q, which ends it
// and goes to the next pass.
bool explainKeyDown(WebViewer& web, const char* key, bool repeat) {
  ExplainViews& views = *web.views;
  const int32_t f = explainKeyOf(key);
  if (!views.stepping()) {
    if (web.playback || repeat) return false;
    if (f == 1) views.toggleHelp();
    if (f == 2) views.toggleDepthView();
    if (f == 3) web.stepWanted = true;
    if (f == 4) views.togglePlan();
    if (f != 0) reportExplain(web);
    return false;  // the F-keys still reach the frame pass, which ignores them
  }
  const int32_t last = views.stepCount();
  if (!std::strcmp(key, "ArrowRight") || !std::strcmp(key, "PageDown")) {
    views.stepBy(1);
  } else if (!std::strcmp(key, "ArrowLeft") || !std::strcmp(key, "PageUp")) {
    views.stepBy(-1);
  } else if (!std::strcmp(key, "Home")) {
    views.stepTo(0);
  } else if (!std::strcmp(key, "End")) {
    views.stepTo(last);
  } else if (repeat) {
    return true;
  } else if (f == 3 || !std::strcmp(key, "Escape") || !std::strcmp(key, "q") || !std::strcmp(key, "Q")) {
    views.leaveStepMode();
    if (f != 3 && key[0] != 'E') web.platform.push(Message{MessageKind::KeyDown, KeyQ, 0, 0});
  } else if (f == 1) {
    views.toggleHelp();
  } else if (f == 2) {
    views.toggleDepthView();
  } else if (f == 4) {
    views.togglePlan();
  }
  showStep(web);
  return true;
}

EM_BOOL onKey(int eventType, const EmscriptenKeyboardEvent* event, void* data) {
  auto& platform = *static_cast<WebPlatform*>(data);
  const int32_t key = keyCodeFromWeb(event->key, event->code);
  const bool fKey = explainKeyOf(event->key) != 0;
  if (page->views->stepping()) {
    if (eventType == EMSCRIPTEN_EVENT_KEYDOWN) explainKeyDown(*page, event->key, event->repeat != 0);
    return EM_TRUE;
  }
  if (eventType == EMSCRIPTEN_EVENT_KEYDOWN) explainKeyDown(*page, event->key, event->repeat != 0);
  // Repeats are key-downs as on the desktop; releases count as messages and do nothing.
  if (eventType == EMSCRIPTEN_EVENT_KEYDOWN) {
    platform.push(Message{MessageKind::KeyDown, key, 0, 0});
  } else {
    platform.push(Message{MessageKind::Other, key, 0, 0, OtherKind::KeyRelease});
  }
  // The browser keeps what the viewer does not use (reload, tab switching, shortcuts);
  // the table's keys would otherwise scroll the page or change the level chooser.
  const bool modified = event->ctrlKey || event->altKey || event->metaKey;
  return (isTableKey(key) || fKey) && !modified ? EM_TRUE : EM_FALSE;
}

EM_BOOL onBlur(int, const EmscriptenFocusEvent*, void* data) {
  static_cast<WebPlatform*>(data)->keyboardLost();
  return EM_FALSE;
}

EM_BOOL onResize(int, const EmscriptenUiEvent*, void* data) {
  static_cast<WebPlatform*>(data)->followCanvas(true);
  // The canvas took its new size (and lost its picture); step mode's frame keeps its own
  // until the passes go on, with the size message kept for the first of them.
  if (page->views->stepping()) showStep(*page);
  return EM_FALSE;
}

// One pass; false once the loop has ended.
bool step(WebViewer& web) {
  if (web.stopped) return false;
  if (web.playback) {
    playFrame(web);
    return true;
  }
  if (web.views->stepping()) return true;  // the passes wait
  ++web.platform.pass;
  const bool goOn = runPass(web.viewer, web.platform);
  // The frame's digest, as quellor-replay --digests writes it ("-": the pass drew none).
  char digest[17] = "-";
  if (goOn && web.viewer.frameExists) writeDigestHex(frameDigest(presentedFrame(web.viewer)), digest);
  pagePassDone(web.platform.pass, digest);
  if (web.views->anyOn()) reportExplain(web);
  if (web.stepWanted && goOn && web.viewer.quitRequested == 0) {
    web.stepWanted = false;
    web.views->enterStepMode();
    showStep(web);
  }
  if (!goOn || web.viewer.quitRequested != 0) {
    web.stopped = true;
    // Nothing takes messages any more; the browser keeps the keys from now on.
    emscripten_set_keydown_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, EM_FALSE, nullptr);
    emscripten_set_keyup_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, EM_FALSE, nullptr);
    emscripten_set_resize_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, EM_FALSE, nullptr);
    emscripten_set_blur_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, EM_FALSE, nullptr);
    pageStopped(web.platform.pass);
    return false;
  }
  return true;
}

EM_BOOL onAnimationFrame(double, void* data) { return step(*static_cast<WebViewer*>(data)) ? EM_TRUE : EM_FALSE; }

}  // namespace

extern "C" {

// Runs up to count passes at once (the page's step mode); returns how many ran.
EMSCRIPTEN_KEEPALIVE int32_t quellor_step(int32_t count) {
  int32_t ran = 0;
  while (page && ran < count && step(*page)) ++ran;
  return ran;
}

// Opens a level file's bytes, which the page read (a file opened or dropped, a level of
// the chooser, a link's), in place of the current level, as the viewer starts: camera at
// (5, 0, 0) looking along +z, room 0, standing, overview off; with keepCamera, as a new
// version of the level shown, under the camera as it is (an edit in the page's editor, as
// the desktop follows its level file). Bytes the loader refuses leave the current level
// and camera as they were. name stands for the file in the loader's message, which goes
// to the page either way.
EMSCRIPTEN_KEEPALIVE int32_t quellor_show_level(const char* name, const uint8_t* bytes, int32_t size,
                                                int32_t keepCamera) {
  if (!page || size < 0) return 0;
  // A level opened in step mode ends it: the passes go on with the new level.
  if (page->views->stepping()) page->views->leaveStepMode();
  const LevelLoadResult result = parseLevel(page->candidate, name, bytes, size_t(size));
  Viewer& viewer = page->viewer;
  if (result.ok && keepCamera) {
    adoptLevel(viewer.world, page->candidate, viewer.camera.position);
  } else if (result.ok) {
    viewer.world = page->candidate;
    viewer.camera.setPosition(5.0f, 0.0f, 0.0f);
    viewer.camera.resetOrientation(0, 0, 0);
    viewer.world.overviewEnabled = 0;
    beginMainLoop(viewer);
  }
  // A level source given as a level file (a link's bytes that are JSON) says so and how to build it.
  const std::string message = result.note.empty() ? result.message : result.message + "\n" + result.note;
  pageLevel(name, result.ok ? 1 : 0, message.c_str(), page->platform.pass, result.ok && keepCamera ? 1 : 0);
  return result.ok ? 1 : 0;
}

EMSCRIPTEN_KEEPALIVE int32_t quellor_open_level(const char* name, const uint8_t* bytes, int32_t size) {
  return quellor_show_level(name, bytes, size, 0);
}

// Whether the bytes are a level source (JSON) rather than a level file: the page builds
// those, as quellor-level build does, instead of handing them to the loader.
EMSCRIPTEN_KEEPALIVE int32_t quellor_looks_like_source(const uint8_t* bytes, int32_t size) {
  return size > 0 && looksLikeLevelSource(bytes, size_t(size)) ? 1 : 0;
}

// A key of the page's own controls (the on-screen ones): a key-down, repeats included, or
// a release, the messages the keyboard gives for the same key.
EMSCRIPTEN_KEEPALIVE void quellor_key(int32_t key, int32_t down) {
  if (!page || page->stopped) return;
  page->platform.push(down ? Message{MessageKind::KeyDown, key, 0, 0}
                           : Message{MessageKind::Other, key, 0, 0, OtherKind::KeyRelease});
}

// The page's toggle between the classic controls (0) and keys that act while held (1).
EMSCRIPTEN_KEEPALIVE void quellor_hold_keys(int32_t on) {
  if (page) page->platform.holdKeys(on != 0);
}

// Timedemo: passes frames of width x height drawn from where the camera stands, then as
// many palette expansions alone, then as many presents (expansion and putImageData), each
// loop timed as a whole (the page's clock is coarse). The passes walk and turn the camera
// as it was set, unrecorded: the page's record no longer replays afterwards. The canvas
// follows the page again at the next pass.
EMSCRIPTEN_KEEPALIVE int32_t quellor_bench(int32_t passes, int32_t width, int32_t height) {
  if (!page || passes <= 0) return 0;
  WebPlatform& platform = page->platform;
  Viewer& viewer = page->viewer;
  resizeFrame(viewer, platform, width, height);
  if (viewer.viewport.width != ((width + 3) & ~3) || viewer.viewport.height != height) return 0;
  pageCanvasSize(width, height);
  const double start = emscripten_get_now();
  for (int32_t i = 0; i < passes; ++i) drawFrame(viewer);
  const double drawn = emscripten_get_now();
  for (int32_t i = 0; i < passes; ++i) platform.expand(presentedFrame(viewer));
  const double expanded = emscripten_get_now();
  for (int32_t i = 0; i < passes; ++i) platform.present(presentedFrame(viewer));
  const double shown = emscripten_get_now();
  pageBench(width, height, passes, (drawn - start) / passes, (expanded - drawn) / passes, (shown - expanded) / passes);
  // Back to the page's own size, as a size message of the next pass.
  const int32_t w = platform.clientWidth(), h = platform.clientHeight();
  pageCanvasSize(w, h);
  platform.push(Message{MessageKind::Size, 0, w, h});
  return 1;
}

// A button of the bar for F1 to F4: what the key does, its key-down and release reaching
// the frame pass as the keyboard's do (not while step mode holds the passes).
EMSCRIPTEN_KEEPALIVE void quellor_explain_key(const char* key) {
  if (!page || page->stopped) return;
  const bool holding = page->views->stepping();
  explainKeyDown(*page, key, false);
  if (holding || page->playback || explainKeyOf(key) == 0) return;
  page->platform.push(Message{MessageKind::KeyDown, UnmappedKey, 0, 0});
  page->platform.push(Message{MessageKind::Other, UnmappedKey, 0, 0, OtherKind::KeyRelease});
}

// The slider of step mode: step k of the paused pass.
EMSCRIPTEN_KEEPALIVE void quellor_explain_step(int32_t k) {
  if (!page || !page->views->stepping()) return;
  page->views->stepTo(k);
  showStep(*page);
}

// A click at frame pixel (x, y): its story, and the mouse message the frame pass has
// always been given for a click (not while step mode holds the passes).
EMSCRIPTEN_KEEPALIVE void quellor_explain_click(int32_t x, int32_t y) {
  if (!page || page->stopped || page->playback) return;
  ExplainViews& views = *page->views;
  if (!views.stepping()) page->platform.push(Message{MessageKind::Other, 0, 0, 0, OtherKind::Mouse});
  views.click(x, y);
  if (views.stepping()) {
    showStep(*page);
  } else {
    // The click drew the pass again as the views show it.
    page->platform.present(presentedFrame(page->viewer));
    reportExplain(*page);
  }
}

// The plan's part of the views: the camera (its eye and the two side planes' normals,
// seen from above) and this pass's steps, as JSON for web/explain.js.
EMSCRIPTEN_KEEPALIVE const char* quellor_explain_plan() {
  static std::string text;
  text.clear();
  if (!page) return "{}";
  const Camera& c = page->viewer.camera;
  const PassRecord& r = page->views->record();
  char item[256];
  std::snprintf(item, sizeof item,
                "{\"eye\":[%g,%g],\"forward\":[%g,%g],\"sides\":[[%g,%g],[%g,%g]],\"startRoom\":%d,"
                "\"step\":%d,\"steps\":[",
                c.position.x, c.position.z, c.orientation.rows[2].x, c.orientation.rows[2].z, c.worldPlanes[0].normal.x,
                c.worldPlanes[0].normal.z, c.worldPlanes[1].normal.x, c.worldPlanes[1].normal.z, int(r.startRoom),
                page->views->stepping() ? int(page->views->step()) : 0);
  text += item;
  for (int32_t k = 1; k <= r.stepCount; ++k) {
    const StepRecord& s = r.step(k);
    std::snprintf(item, sizeof item,
                  "%s{\"kind\":%d,\"room\":%d,\"depth\":%d,\"target\":%d,\"culled\":%d,"
                  "\"left\":[%g,%g],\"right\":[%g,%g]}",
                  k > 1 ? "," : "", int(s.kind), int(s.room), int(s.depth), int(s.targetRoom),
                  s.result == ClipCulled ? 1 : 0, s.planLeft.x, s.planLeft.z, s.planRight.x, s.planRight.z);
    text += item;
  }
  text += "]}";
  return text.c_str();
}

// The frame's digest as shown now (step mode's picture included), as quellor-replay writes it.
EMSCRIPTEN_KEEPALIVE const char* quellor_frame_digest() {
  static char digest[17];
  std::strcpy(digest, "-");
  if (page && page->viewer.frameExists) writeDigestHex(frameDigest(presentedFrame(page->viewer)), digest);
  return digest;
}

// Plays a recording (its text, as quellor --record writes it) in place of the live
// session: its level versions (or, for one that only names its level, the page's level of
// that name), its first client size, every pass exactly as quellor-replay draws it.
// Returns its number of passes, or 0 with the reason said to the page.
EMSCRIPTEN_KEEPALIVE double quellor_play(const char* name, const char* text, int32_t size) {
  if (!page || page->stopped || size < 0) return 0;
  WebViewer& web = *page;
  if (web.views->stepping()) {
    web.views->leaveStepMode();
    reportExplain(web);
  }
  Recording recording;
  std::string error;
  if (!parseRecording(std::string(text, size_t(size)), name, recording, error)) {
    reportPlayback(web, error.c_str());
    return 0;
  }
  const RecordedLevel* start = startingLevel(recording);
  std::string level = recording.hasHeader ? recording.header.level : std::string("3rooms.b2");
  const size_t slash = level.find_last_of('/');
  level = std::string("/levels/") + (slash == std::string::npos ? level : level.substr(slash + 1));
  const LevelLoadResult loaded =
      start ? parseLevel(web.candidate, start->name.c_str(), start->bytes.data(), start->bytes.size())
            : loadLevel(web.candidate, level.c_str());
  if (!loaded.ok && !start) {
    reportPlayback(web, (std::string(name) + ": its level cannot be loaded: " + loaded.message).c_str());
    return 0;
  }
  Viewer& viewer = web.viewer;
  viewer.world = web.candidate;
  viewer.camera.setPosition(5.0f, 0.0f, 0.0f);
  viewer.camera.resetOrientation(0, 0, 0);
  viewer.world.overviewEnabled = 0;
  if (recording.hasHeader) resizeFrame(viewer, web.platform, recording.header.width, recording.header.height);
  beginMainLoop(viewer);
  web.playback = playbackOf(recording);
  web.playback->open(viewer);
  if (web.playback->total() < 1) {
    web.playback.reset();
    reportPlayback(web, (std::string(name) + ": there is no pass to show").c_str());
    return 0;
  }
  web.control = std::make_unique<PlaybackControl>(web.playback->total(), 1, false);
  reportPlayback(web);
  return double(web.playback->total());
}

// A command of the page's buttons or keys (PlaybackCommand's values). Take over ends the
// playback: the viewer goes on live from the pass shown.
EMSCRIPTEN_KEEPALIVE void quellor_playback_command(int32_t command) {
  if (!page || !page->playback || command < 0 || command > int32_t(PlaybackCommand::Quit)) return;
  WebViewer& web = *page;
  const auto c = PlaybackCommand(command);
  if (c == PlaybackCommand::TakeOver || c == PlaybackCommand::Quit) {
    web.playback.reset();
    web.control.reset();
    // The canvas follows the page again, as a size message of the next pass.
    web.platform.push(Message{MessageKind::Size, 0, web.platform.clientWidth(), web.platform.clientHeight()});
    pageCanvasSize(web.platform.clientWidth(), web.platform.clientHeight());
    reportPlayback(web);
    return;
  }
  web.control->apply(c);
}

// The slider: the pass to show next (paused there when paused).
EMSCRIPTEN_KEEPALIVE void quellor_playback_seek(double pass) {
  if (page && page->control) page->control->seek(int64_t(pass));
}

}  // extern "C"

// argv[1]: the level to start with (the page checks the name); "--step" in argv[2]: no
// animation-frame loop, the page runs passes with quellor_step.
int main(int argc, char** argv) {
  page = new (std::nothrow) WebViewer;
  if (!page) {
    std::fprintf(stderr, "quellor: not enough memory for the viewer\n");
    return 1;
  }
  WebPlatform& platform = page->platform;
  Viewer& viewer = page->viewer;
  page->views = std::make_unique<ExplainViews>(viewer);
  platform.explainWith(page->views.get());
  // The frame follows the canvas from the start, as the desktop's follows the window.
  const char* level = argc > 1 ? argv[1] : FirstLevel;
  ViewerOptions options;
  options.levelFileName = level;
  options.reportLevelFailure = false;  // the page shows the loader's message itself
  std::string error;
  LevelLoadResult loaded{false, {}};
  if (startViewerRun(viewer, platform, options, error, &loaded) != ViewerEnd::Finished) {
    std::fprintf(stderr, "quellor: %s\n", error.empty() ? "cannot make the 320x240 frame buffer" : error.c_str());
    return 1;
  }
  pageLevel(level, loaded.ok ? 1 : 0, loaded.message.c_str(), 0, 0);

  emscripten_set_keydown_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, &platform, EM_FALSE, onKey);
  emscripten_set_keyup_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, &platform, EM_FALSE, onKey);
  emscripten_set_resize_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, &platform, EM_FALSE, onResize);
  emscripten_set_blur_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, &platform, EM_FALSE, onBlur);

  beginMainLoop(viewer);
  const bool stepMode = argc > 2 && std::strcmp(argv[2], "--step") == 0;
  if (!stepMode) emscripten_request_animation_frame_loop(onAnimationFrame, page);
  return 0;
}
