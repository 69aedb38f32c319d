#pragma once
#include <SDL.h>

// Why the window cannot go to desktop full screen, or null when nothing says it cannot.
// On X11 full screen is the window manager's to grant: without one (a bare X server, Xvfb)
// SDL reports the desktop's size while the window stays as it was.
const char* fullScreenRefusal(SDL_Window* window);
