// quellor.exe: the viewer on the Windows USER and GDI interface. The window procedure hands
// the window's messages to the shell; the frame pass, the key table and the size handling
// are the shell's, shared with the other platforms. The frame buffer is an 8-bit DIB
// section, shown with one BitBlt a frame.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

#include <string>

#include "viewer/explain_views.h"
#include "viewer/main_loop.h"
#include "viewer/palette.h"
#include "viewer/platform.h"
#include "viewer/run_viewer.h"

namespace {

const char* const ClassName = "Ambrelle";
const char* const WindowTitle = "Ambrelle";
const char* const ResourceName = "Ambrelle";  // icon, menu and accelerators: none exist
const char* const LevelFileName = "3rooms.b2";
constexpr int GapAboveScreenBottom = 40;
constexpr BYTE ProgramEntryFlags = PC_RESERVED | PC_NOCOLLAPSE;
constexpr WORD FreeEntryCount = 236;  // the system palette less its 20 reserved colours
constexpr int FirstFreeEntry = 10;
constexpr int LastFreeEntry = 245;

// With a palette display the colour table holds 256 indices into the device context's
// palette; without one it holds the viewer's 256 colours, so pixel k shows as entry k.
constexpr size_t PaletteHeaderSize = sizeof(BITMAPINFOHEADER) + PaletteSize * sizeof(WORD);
constexpr size_t ColourHeaderSize = sizeof(BITMAPINFOHEADER) + PaletteSize * sizeof(RGBQUAD);
static_assert(PaletteHeaderSize == 552 && ColourHeaderSize == 1064, "bitmap header layout");

// Everything the Windows layer keeps: the window, its palette, the bitmap header the frame
// buffers are made from, and the messages the window procedure has made for the shell.
class Win32Platform {
 public:
  explicit Win32Platform(Viewer& viewer) : viewer_(viewer), views_(viewer) {}

  // The shell's side.
  bool nextMessage(Message& message);
  void present(const PresentedFrame& frame);
  bool allocateFrame(int32_t width, int32_t height, FrameMemory& out);
  void releaseFrame(FrameMemory& frame);
  // The window is shown when it is made; its client area is reckoned in real pixels.
  PixelSize clientPixels() const { return {FirstClientWidth, FirstClientHeight}; }
  void show() {}

  // The Application's side: the window with its palette and bitmap header, made by
  // createMainWindow (the frame buffer follows in runViewer); false, with startFailure()
  // saying why, at the first step that fails.
  bool createMainWindow(HINSTANCE instance, int showCommand);
  void loadAccelerators(HINSTANCE instance) { acceleratorTable = LoadAcceleratorsA(instance, ResourceName); }
  HWND mainWindow() const { return mainWindow_; }
  const char* startFailure() const { return startFailure_; }

  // The window procedure's side.
  LRESULT windowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

 private:
  // A message for the shell, taken in arrival order.
  void deliver(MessageKind kind, int32_t key = 0, int32_t width = 0, int32_t height = 0);
  bool buildPalette(HDC dc);
  void blit(const PresentedFrame& frame);
  // Step mode (F3): the passes wait here, inside the present of the pass F3 came in.
  void holdPasses();
  void holdKey(WPARAM key);
  void fillHeader(BITMAPINFO& bitmapInfo, bool paletteDisplay) const;
  bool fails(const char* what) {
    startFailure_ = what;
    return false;
  }

  // Several messages can reach the window procedure within one dispatch (sent messages,
  // a modal loop); they wait here for the shell.
  static constexpr int QueueCapacity = 64;
  Viewer& viewer_;
  // The explainer's depth view (F2) and step mode (F3), drawn into the frame.
  ExplainViews views_;
  bool stepWanted_ = false, holding_ = false;
  HWND mainWindow_ = nullptr;
  HPALETTE programPalette = nullptr;  // stays null on a display without palettes
  HPALETTE priorPalette = nullptr;
  HACCEL acceleratorTable = nullptr;  // null: no such table exists, nothing is translated
  BITMAPINFO* header = nullptr;
  UINT headerUsage = DIB_PAL_COLORS;
  const char* startFailure_ = "";
  Message queue_[QueueCapacity];
  int queueHead_ = 0;
  int queueCount_ = 0;
};

void Win32Platform::deliver(MessageKind kind, int32_t key, int32_t width, int32_t height) {
  const Message message{kind, key, width, height};
  if (queueCount_ == QueueCapacity) {
    // Only a drag of the window's border within one dispatch sends this many: the newest
    // size replaces the newest queued one, and the last size is the one that counts.
    queue_[(queueHead_ + queueCount_ - 1) % QueueCapacity] = message;
    return;
  }
  queue_[(queueHead_ + queueCount_) % QueueCapacity] = message;
  ++queueCount_;
}

// One waiting message at a time: peeked, offered to the accelerators, translated and
// dispatched to windowProc, which hands the shell what it made of it. A message that the
// window procedure passes on to nothing still counts, as Other.
bool Win32Platform::nextMessage(Message& message) {
  while (queueCount_ == 0) {
    MSG msg;
    // Sent messages reach windowProc inside PeekMessageA, even when nothing was posted.
    if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (queueCount_ == 0) return false;
      break;
    }
    if (msg.message == WM_QUIT) {
      message = {MessageKind::Close, 0, 0, 0};
      return true;
    }
    if (!TranslateAcceleratorA(msg.hwnd, acceleratorTable, &msg)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    if (queueCount_ == 0) {
      message = {MessageKind::Other, 0, 0, 0};
      return true;
    }
  }
  message = queue_[queueHead_];
  queueHead_ = (queueHead_ + 1) % QueueCapacity;
  --queueCount_;
  return true;
}

void Win32Platform::present(const PresentedFrame& frame) {
  if (!frame.rowOrigin) return;
  views_.afterPass();
  blit(frame);
  if (stepWanted_) holdPasses();
}

// While step mode holds the passes nothing reaches the frame pass but what ends it: Q and
// a close are queued for the pass after it, as is a size, which the frame takes then.
void Win32Platform::holdPasses() {
  stepWanted_ = false;
  holding_ = true;
  views_.enterStepMode();
  blit(presentedFrame(viewer_));
  while (holding_) {
    MSG msg;
    if (GetMessageA(&msg, nullptr, 0, 0) <= 0) {
      deliver(MessageKind::Close);
      break;
    }
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
    if (holding_ && viewer_.frameExists) blit(presentedFrame(viewer_));
  }
  holding_ = false;
  views_.leaveStepMode();
  if (viewer_.frameExists) blit(presentedFrame(viewer_));
}

void Win32Platform::holdKey(WPARAM key) {
  switch (key) {
    case VK_RIGHT:
    case VK_NEXT:
      views_.stepBy(1);
      break;
    case VK_LEFT:
    case VK_PRIOR:
      views_.stepBy(-1);
      break;
    case VK_HOME:
      views_.stepTo(0);
      break;
    case VK_END:
      views_.stepTo(views_.stepCount());
      break;
    case VK_F2:
      views_.toggleDepthView();
      break;
    case VK_F3:
    case VK_ESCAPE:
      holding_ = false;
      break;
    case 'Q':
      deliver(MessageKind::KeyDown, KeyQ);
      holding_ = false;
      break;
    default:
      break;
  }
}

void Win32Platform::blit(const PresentedFrame& frame) {
  if (!frame.rowOrigin) return;
  const HDC windowContext = GetDC(mainWindow_);
  HPALETTE previousPalette = nullptr;
  if (programPalette) {
    previousPalette = SelectPalette(windowContext, programPalette, FALSE);
    RealizePalette(windowContext);
  }
  const HDC memoryContext = CreateCompatibleDC(windowContext);
  const HGDIOBJ replaced = SelectObject(memoryContext, static_cast<HBITMAP>(frame.platformHandle));
  BitBlt(windowContext, 0, 0, frame.width, frame.height, memoryContext, 0, 0, SRCCOPY);
  if (programPalette) SelectPalette(windowContext, previousPalette, FALSE);
  ReleaseDC(mainWindow_, windowContext);
  SelectObject(memoryContext, replaced);
  DeleteDC(memoryContext);
}

bool Win32Platform::allocateFrame(int32_t width, int32_t height, FrameMemory& out) {
  if (!header) return false;  // the window has been destroyed
  BITMAPINFOHEADER& info = header->bmiHeader;
  const LONG oldWidth = info.biWidth, oldHeight = info.biHeight;
  info.biWidth = width;
  info.biHeight = height;
  const HDC dc = GetDC(mainWindow_);
  // The colour table's indices are resolved against the context's palette as the bitmap is
  // made: with the default palette there, pixel 11 would show the default's entry 11, not
  // the program's. So the program's palette is in the context while the bitmap is made.
  const HPALETTE previousPalette = programPalette ? SelectPalette(dc, programPalette, FALSE) : nullptr;
  void* pixels = nullptr;
  const HBITMAP bitmap = CreateDIBSection(dc, header, headerUsage, &pixels, nullptr, 0);
  if (previousPalette) SelectPalette(dc, previousPalette, FALSE);
  ReleaseDC(mainWindow_, dc);
  if (!bitmap || !pixels) {
    if (bitmap) DeleteObject(bitmap);
    info.biWidth = oldWidth;
    info.biHeight = oldHeight;
    return false;
  }
  out.pixels = static_cast<uint8_t*>(pixels);
  out.platformHandle = bitmap;
  // A positive height in the header stores the rows bottom-up.
  layRows(out, width, height, info.biHeight > 0 ? RowOrder::BottomUp : RowOrder::TopDown);
  return true;
}

void Win32Platform::releaseFrame(FrameMemory& frame) {
  if (frame.platformHandle) DeleteObject(static_cast<HBITMAP>(frame.platformHandle));
  frame = FrameMemory{};
}

LRESULT Win32Platform::windowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_DESTROY:
      // The bitmap goes with the frame on the shell's close path, which this message
      // leads to before another frame is drawn.
      std::free(header);
      header = nullptr;
      DeleteObject(programPalette);
      programPalette = nullptr;
      PostQuitMessage(0);
      deliver(MessageKind::Close);
      holding_ = false;
      break;
    case WM_SIZE:
      if (wParam == SIZE_MINIMIZED) {
        deliver(MessageKind::Minimize);
      } else if (viewer_.frameExists) {  // sizes sent during creation find no frame
        deliver(MessageKind::Size, 0, LOWORD(lParam), HIWORD(lParam));
      }
      break;
    case WM_KEYDOWN: {
      const bool repeat = (lParam & (LPARAM(1) << 30)) != 0;
      if (holding_) {
        if (!repeat || wParam == VK_RIGHT || wParam == VK_LEFT || wParam == VK_NEXT || wParam == VK_PRIOR) {
          holdKey(wParam);
        }
        break;
      }
      // F2 and F3 still reach the frame pass as keys it ignores.
      deliver(MessageKind::KeyDown, int32_t(wParam));
      if (wParam == VK_F2 && !repeat) views_.toggleDepthView();
      if (wParam == VK_F3 && !repeat) stepWanted_ = true;
      break;
    }
    default:
      break;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

// The platform rides with the window: handed over at creation, kept in its user data.
LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* creation = reinterpret_cast<const CREATESTRUCTA*>(lParam);
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(creation->lpCreateParams));
  }
  auto* platform = reinterpret_cast<Win32Platform*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (!platform) return DefWindowProcA(window, message, wParam, lParam);  // before WM_NCCREATE
  return platform->windowMessage(window, message, wParam, lParam);
}

ATOM registerWindowClass(HINSTANCE instance) {
  WNDCLASSA windowClass{};
  windowClass.style = CS_VREDRAW | CS_HREDRAW;
  windowClass.lpfnWndProc = windowProc;
  windowClass.cbClsExtra = 0;
  windowClass.cbWndExtra = 0;
  windowClass.hInstance = instance;
  windowClass.hIcon = LoadIconA(instance, ResourceName);
  windowClass.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  windowClass.lpszMenuName = ResourceName;
  windowClass.lpszClassName = ClassName;
  return RegisterClassA(&windowClass);
}

// Makes the program's logical palette equal to the system palette, entry for entry, with
// the colour cube and the grey ramp in the platform's free entries.
bool Win32Platform::buildPalette(HDC dc) {
  const size_t bufferSize = sizeof(LOGPALETTE) + PaletteSize * sizeof(PALETTEENTRY);
  std::unique_ptr<unsigned char, decltype(&std::free)> buffer(static_cast<unsigned char*>(std::calloc(1, bufferSize)),
                                                              &std::free);
  if (!buffer) return fails("no memory for the palette");
  auto* logPalette = reinterpret_cast<LOGPALETTE*>(buffer.get());
  PALETTEENTRY* entries = reinterpret_cast<PALETTEENTRY*>(buffer.get() + offsetof(LOGPALETTE, palPalEntry));
  logPalette->palVersion = 0x300;

  // Stage 1: fill the free entries of the system palette, so that stage 2's colours all
  // land in them afresh.
  logPalette->palNumEntries = FreeEntryCount;
  for (int i = 0; i < FreeEntryCount; ++i) entries[i] = {BYTE(i), 0, 0, ProgramEntryFlags};
  const HPALETTE clearing = CreatePalette(logPalette);
  if (!clearing) return fails("cannot create the clearing palette");
  priorPalette = SelectPalette(dc, clearing, FALSE);
  if (!priorPalette) return fails("cannot select the clearing palette");
  if (RealizePalette(dc) != FreeEntryCount) return fails("cannot realize the clearing palette");
  if (!SelectPalette(dc, priorPalette, FALSE)) return fails("cannot restore the palette");
  if (!DeleteObject(clearing)) return fails("cannot delete the clearing palette");

  // Stage 2: the viewer's colours of the free entries, the colour cube and the grey ramp.
  const PaletteEntry* colours = viewerPalette();
  for (int i = 0; i < FreeEntryCount; ++i) {
    const PaletteEntry& c = colours[FirstFreeEntry + i];
    entries[i] = {c.red, c.green, c.blue, ProgramEntryFlags};
  }
  const HPALETTE colourPalette = CreatePalette(logPalette);
  if (!colourPalette) return fails("cannot create the colour palette");
  if (!SelectPalette(dc, colourPalette, FALSE)) return fails("cannot select the colour palette");
  if (RealizePalette(dc) != FreeEntryCount) return fails("cannot realize the colour palette");

  // Stage 3: the system palette as it now stands becomes the program's palette.
  if (GetSystemPaletteEntries(dc, 0, PaletteSize, entries) != PaletteSize) {
    return fails("cannot read the system palette");
  }
  for (int i = FirstFreeEntry; i <= LastFreeEntry; ++i) entries[i].peFlags = ProgramEntryFlags;
  logPalette->palNumEntries = PaletteSize;
  programPalette = CreatePalette(logPalette);
  if (!programPalette) return fails("cannot create the program's palette");
  if (!SelectPalette(dc, programPalette, FALSE)) {
    return fails("cannot select the program's palette");
  }
  DeleteObject(colourPalette);
  if (RealizePalette(dc) != PaletteSize) return fails("cannot realize the program's palette");
  if (!SelectPalette(dc, priorPalette, FALSE)) return fails("cannot restore the palette");
  return true;
}

void Win32Platform::fillHeader(BITMAPINFO& bitmapInfo, bool paletteDisplay) const {
  BITMAPINFOHEADER& info = bitmapInfo.bmiHeader;
  info.biSize = sizeof(BITMAPINFOHEADER);
  info.biWidth = FirstClientWidth;
  info.biHeight = FirstClientHeight;  // positive: rows stored bottom-up
  info.biPlanes = 1;
  info.biBitCount = 8;
  info.biCompression = BI_RGB;
  info.biSizeImage = 0;
  info.biXPelsPerMeter = 0;
  info.biYPelsPerMeter = 0;
  info.biClrUsed = PaletteSize;
  info.biClrImportant = PaletteSize;
  auto* table = reinterpret_cast<unsigned char*>(&bitmapInfo) + sizeof(BITMAPINFOHEADER);
  if (paletteDisplay) {
    for (int i = 0; i < PaletteSize; ++i) {
      const WORD index = WORD(i);
      std::memcpy(table + i * sizeof(WORD), &index, sizeof index);
    }
  } else {
    const PaletteEntry* colours = viewerPalette();
    for (int i = 0; i < PaletteSize; ++i) {
      const RGBQUAD quad{colours[i].blue, colours[i].green, colours[i].red, 0};
      std::memcpy(table + i * sizeof(RGBQUAD), &quad, sizeof quad);
    }
  }
}

// The window, the palette and the bitmap header; what was made before a failing step stays.
bool Win32Platform::createMainWindow(HINSTANCE instance, int showCommand) {
  // The outer size is reckoned as if the window had a menu bar. It has none, so the first
  // client area is taller than the frame by that bar.
  RECT outer{0, 0, FirstClientWidth, FirstClientHeight};
  AdjustWindowRect(&outer, WS_OVERLAPPEDWINDOW, TRUE);
  const int outerWidth = outer.right - outer.left;
  const int outerHeight = outer.bottom - outer.top;
  const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
  const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
  const HWND window = CreateWindowExA(0, ClassName, WindowTitle, WS_OVERLAPPEDWINDOW, screenWidth - outerWidth,
                                      screenHeight - outerHeight - GapAboveScreenBottom, outerWidth, outerHeight,
                                      nullptr, nullptr, instance, this);
  if (!window) return fails("cannot create the window");
  mainWindow_ = window;
  ShowWindow(window, showCommand);
  UpdateWindow(window);

  const HDC dc = GetDC(window);
  const bool paletteDisplay = (GetDeviceCaps(dc, RASTERCAPS) & RC_PALETTE) != 0;
  const bool paletteMade = !paletteDisplay || buildPalette(dc);
  ReleaseDC(window, dc);
  if (!paletteMade) return false;

  header = static_cast<BITMAPINFO*>(std::malloc(paletteDisplay ? PaletteHeaderSize : ColourHeaderSize));
  if (!header) return fails("no memory for the bitmap header");
  fillHeader(*header, paletteDisplay);
  headerUsage = paletteDisplay ? DIB_PAL_COLORS : DIB_RGB_COLORS;
  return true;
}

// Owns the main window: makes it (with the palette and the bitmap header) and destroys it
// at the end if it still exists.
class Application {
 public:
  Application(HINSTANCE instance, HINSTANCE previousInstance, int showCommand, Win32Platform& platform) {
    if (!previousInstance) registerWindowClass(instance);
    created_ = platform.createMainWindow(instance, showCommand);
    window_ = platform.mainWindow();
    platform.loadAccelerators(instance);
  }
  ~Application() {
    if (window_ && IsWindow(window_)) DestroyWindow(window_);
  }
  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;

  bool created() const { return created_; }

 private:
  HWND window_ = nullptr;
  bool created_ = false;
};

int startFailed(const char* what) {
  char text[256];
  std::snprintf(text, sizeof text, "Ambrelle cannot start: %s.", what);
  std::fprintf(stderr, "quellor: %s\n", text);
  std::fflush(stderr);
  MessageBoxA(nullptr, text, "Ambrelle - start-up failure", MB_OK | MB_ICONERROR | MB_TASKMODAL);
  return 1;
}

}  // namespace

static_assert(isPlatform<Win32Platform>, "Win32Platform is a whole platform");

// The command line is ignored.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE previousInstance, LPSTR, int showCommand) {
  std::unique_ptr<Viewer> viewer(new (std::nothrow) Viewer);
  if (!viewer) return startFailed("no memory for the viewer");
  Win32Platform platform(*viewer);
  Application application(instance, previousInstance, showCommand, platform);
  // Nothing may be drawn into a frame buffer that does not exist.
  if (!application.created()) return startFailed(platform.startFailure());
  ViewerOptions options;
  options.levelFileName = LevelFileName;
  options.rowWriter = std::getenv(RowWriterVariable);
  std::string error;
  switch (runViewer(*viewer, platform, options, error)) {
    case ViewerEnd::BadRowWriter:
      return startFailed(error.c_str());
    case ViewerEnd::NoFrame:
      return startFailed("cannot create the 320 x 240 frame buffer");
    case ViewerEnd::Finished:
      break;
  }
  return 0;
}
