#pragma once
#include <cstdint>

// What a platform delivers to the shell, one waiting event at a time.
enum class MessageKind : int32_t {
  KeyDown,   // key holds a KeyCode (or any other code, which the key table ignores)
  Size,      // a new client size in width, height
  Minimize,  // a size change of the minimised kind
  Close,     // the window is being destroyed: the loop ends without drawing
  Other,     // key-up, mouse, focus, expose...: counts as a message, does nothing
};

// What an Other message was. The frame pass treats them all alike; a recording names them,
// so that the desktop and the page write the same line for the same event.
enum class OtherKind : int32_t {
  Unnamed,     // focus, expose, a window event that changes no size...
  KeyRelease,  // key holds the released key's code, as a key-down of that key would
  Mouse,       // motion, a button, the wheel
};

// Key codes as the key table names them (the Windows virtual-key values; letters are
// their upper-case ASCII codes, so Shift and Caps Lock make no difference).
enum KeyCode : int32_t {
  KeySpace = 0x20,
  KeyLeft = 0x25,
  KeyUp = 0x26,
  KeyRight = 0x27,
  KeyDown = 0x28,
  KeyQ = 0x51,
  KeyX = 0x58,
  KeyZ = 0x5A,
};

// The keys the key table acts on (handleKey); it ignores every other code.
inline bool isTableKey(int32_t code) {
  return code == KeySpace || (code >= KeyLeft && code <= KeyDown) || code == KeyQ || code == KeyX || code == KeyZ;
}

struct Message {
  MessageKind kind;
  int32_t key;
  int32_t width, height;
  OtherKind other = OtherKind::Unnamed;  // read only for Other messages
};

// The client area in real pixels (the drawable size, which HiDPI scaling can make larger
// than the window's size in screen coordinates).
struct PixelSize {
  int32_t width, height;
};
