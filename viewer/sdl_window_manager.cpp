#include "viewer/sdl_window_manager.h"

#include <SDL_syswm.h>

const char* fullScreenRefusal(SDL_Window* window) {
#if defined(SDL_VIDEO_DRIVER_X11)
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return nullptr;
  // A window manager that grants full screen (_NET_WM_STATE_FULLSCREEN) names its own
  // window in this property of the root window; older ones do not grant it either.
  Display* display = info.info.x11.display;
  const Atom check = XInternAtom(display, "_NET_SUPPORTING_WM_CHECK", True);
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  const bool named = check != None &&
                     XGetWindowProperty(display, DefaultRootWindow(display), check, 0, 1, False, AnyPropertyType, &type,
                                        &format, &count, &after, &data) == Success &&
                     format == 32 && count == 1;
  if (data) XFree(data);
  if (!named) return "this X display has no window manager to grant it, so the window stays as it is";
#else
  (void)window;
#endif
  return nullptr;
}
