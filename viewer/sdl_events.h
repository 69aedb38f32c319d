#pragma once
#include <SDL.h>

#include <cstdint>

#include "viewer/messages.h"

// The key table's code for a key-down: Space, the arrows and the letters by the key's
// meaning in the current layout (as the virtual-key codes go), so Shift and Caps Lock make
// no difference. A letter key of a non-Latin layout counts by its position. Every other
// key gets a code that the key table ignores.
int32_t keyCodeFromSdl(SDL_Keycode sym, SDL_Scancode scancode, uint16_t modifiers);

// The shell's message for one SDL event. drawable is the client size in real pixels as the
// window reports it now (read only for window events); known is the size the shell was last
// told of, updated when a Size message is made. A window event that leaves the drawable size
// as known is an Other message, so each real change yields one Size however many SDL window
// events announce it. A key-up or a mouse event is an Other message that says which it was
// (a key-up with its key's code), for the recording.
Message messageFromSdlEvent(const SDL_Event& event, PixelSize drawable, PixelSize& known);
