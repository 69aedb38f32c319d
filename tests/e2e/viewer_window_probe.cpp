// What the viewer's end-to-end test needs from X and from images, beyond xdotool:
//   viewer_window_probe close WINDOW        asks the window to close as a window manager
//                                            does: a WM_DELETE_WINDOW client message
//   viewer_window_probe minimise WINDOW     marks the window hidden (_NET_WM_STATE_HIDDEN)
//   viewer_window_probe restore WINDOW      and shown again, as a window manager does when
//                                            it iconifies and restores a window
//   viewer_window_probe shot WINDOW OUT.ppm  the window's client area as a binary PPM
//   viewer_window_probe compare SHOT.ppm FRAME.pgm
//       every pixel of the shot is a colour of the viewer's palette, and equals the
//       palette colour of the replay frame's index at the same place (the shot may be
//       narrower than the frame: its width is rounded up to a multiple of 4)
//   viewer_window_probe compare SHOT.ppm FRAME.pgm ROWS
//       the same, but the bottom ROWS rows of the shot are only counted, not compared
//       (a playback's progress bar covers them)
//   viewer_window_probe same A.ppm B.ppm    the two shots are equal
// Exit status 0 when the action worked or the images agree, 1 otherwise.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "viewer/palette.h"

namespace {

struct Image {
  int width = 0, height = 0, channels = 0;  // 3 for PPM (RGB), 1 for PGM
  std::vector<uint8_t> data;
};

bool readPnm(const std::string& path, Image& image) {
  std::ifstream in(path, std::ios::binary);
  std::string magic;
  int maxval = 0;
  if (!(in >> magic >> image.width >> image.height >> maxval) || maxval != 255) return false;
  if (magic == "P6")
    image.channels = 3;
  else if (magic == "P5")
    image.channels = 1;
  else
    return false;
  in.get();  // the one whitespace byte before the samples
  image.data.resize(size_t(image.width) * size_t(image.height) * size_t(image.channels));
  return bool(in.read(reinterpret_cast<char*>(image.data.data()), std::streamsize(image.data.size())));
}

Window parseWindow(const char* text) { return Window(std::strtoul(text, nullptr, 0)); }

int closeWindow(Display* display, Window window) {
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = window;
  event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = long(XInternAtom(display, "WM_DELETE_WINDOW", False));
  event.xclient.data.l[1] = CurrentTime;
  if (!XSendEvent(display, window, False, NoEventMask, &event)) return 1;
  XSync(display, False);
  return 0;
}

int setHidden(Display* display, Window window, bool hidden) {
  const Atom state = XInternAtom(display, "_NET_WM_STATE", False);
  const Atom hiddenState = XInternAtom(display, "_NET_WM_STATE_HIDDEN", False);
  XChangeProperty(display, window, state, XA_ATOM, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(&hiddenState), hidden ? 1 : 0);
  XSync(display, False);
  return 0;
}

int shiftOf(unsigned long mask) {
  int shift = 0;
  while (mask && !(mask & 1)) {
    mask >>= 1;
    ++shift;
  }
  return shift;
}

int shotWindow(Display* display, Window window, const char* path) {
  XWindowAttributes attributes;
  if (!XGetWindowAttributes(display, window, &attributes)) return 1;
  XImage* image =
      XGetImage(display, window, 0, 0, unsigned(attributes.width), unsigned(attributes.height), AllPlanes, ZPixmap);
  if (!image) return 1;
  std::FILE* out = std::fopen(path, "wb");
  if (!out) return 1;
  std::fprintf(out, "P6\n%d %d\n255\n", image->width, image->height);
  const int shifts[3] = {shiftOf(image->red_mask), shiftOf(image->green_mask), shiftOf(image->blue_mask)};
  const unsigned long masks[3] = {image->red_mask, image->green_mask, image->blue_mask};
  for (int y = 0; y < image->height; ++y) {
    for (int x = 0; x < image->width; ++x) {
      const unsigned long pixel = XGetPixel(image, x, y);
      uint8_t rgb[3];
      for (int c = 0; c < 3; ++c) {
        const unsigned long top = masks[c] >> shifts[c];
        rgb[c] = uint8_t(((pixel & masks[c]) >> shifts[c]) * 255 / (top ? top : 1));
      }
      std::fwrite(rgb, 1, 3, out);
    }
  }
  XDestroyImage(image);
  return std::fclose(out) == 0 ? 0 : 1;
}

uint32_t rgbAt(const Image& image, size_t i) {
  return uint32_t(image.data[i * 3]) << 16 | uint32_t(image.data[i * 3 + 1]) << 8 | image.data[i * 3 + 2];
}

int compareWithFrame(const char* shotPath, const char* framePath, int skipBottom = 0) {
  Image shot, frame;
  if (!readPnm(shotPath, shot) || shot.channels != 3 || !readPnm(framePath, frame) || frame.channels != 1) {
    std::printf("cannot read %s as PPM or %s as PGM\n", shotPath, framePath);
    return 1;
  }
  if (shot.height != frame.height || shot.width > frame.width || frame.width - shot.width > 3) {
    std::printf("shot is %dx%d, frame %dx%d\n", shot.width, shot.height, frame.width, frame.height);
    return 1;
  }
  const PaletteEntry* palette = viewerPalette();
  std::set<uint32_t> colours;
  for (int i = 0; i < PaletteSize; ++i) {
    colours.insert(uint32_t(palette[i].red) << 16 | uint32_t(palette[i].green) << 8 | palette[i].blue);
  }
  long foreign = 0, different = 0;
  std::set<uint32_t> seen;
  for (int y = 0; y < shot.height - skipBottom; ++y) {
    for (int x = 0; x < shot.width; ++x) {
      const uint32_t got = rgbAt(shot, size_t(y) * size_t(shot.width) + size_t(x));
      const PaletteEntry& e = palette[frame.data[size_t(y) * size_t(frame.width) + size_t(x)]];
      const uint32_t want = uint32_t(e.red) << 16 | uint32_t(e.green) << 8 | e.blue;
      seen.insert(got);
      if (!colours.count(got)) ++foreign;
      if (got != want) {
        if (different == 0) std::printf("first difference at (%d, %d): %06x, frame %06x\n", x, y, got, want);
        ++different;
      }
    }
  }
  std::printf("%dx%d shot, %zu colours, %ld pixels not in the palette, %ld differ from the frame\n", shot.width,
              shot.height, seen.size(), foreign, different);
  return foreign == 0 && different == 0 ? 0 : 1;
}

int sameShots(const char* a, const char* b) {
  Image first, second;
  if (!readPnm(a, first) || !readPnm(b, second)) return 1;
  return first.width == second.width && first.height == second.height && first.data == second.data ? 0 : 1;
}

int usage() {
  std::fprintf(stderr,
               "usage: viewer_window_probe close|minimise|restore WINDOW | shot WINDOW OUT.ppm | "
               "compare SHOT.ppm FRAME.pgm | same A.ppm B.ppm\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return usage();
  const std::string action = argv[1];
  if (action == "compare" && argc == 4) return compareWithFrame(argv[2], argv[3]);
  if (action == "compare" && argc == 5) return compareWithFrame(argv[2], argv[3], std::atoi(argv[4]));
  if (action == "same" && argc == 4) return sameShots(argv[2], argv[3]);
  const bool windowAction = action == "close" || action == "minimise" || action == "restore";
  if ((windowAction && argc == 3) || (action == "shot" && argc == 4)) {
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
      std::fprintf(stderr, "viewer_window_probe: cannot open the display\n");
      return 1;
    }
    const Window window = parseWindow(argv[2]);
    const int status = action == "close"      ? closeWindow(display, window)
                       : action == "minimise" ? setHidden(display, window, true)
                       : action == "restore"  ? setHidden(display, window, false)
                                              : shotWindow(display, window, argv[3]);
    XCloseDisplay(display);
    return status;
  }
  return usage();
}
