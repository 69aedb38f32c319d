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

struct Message {
  MessageKind kind;
  int32_t key;
  int32_t width, height;
};

// The client area in real pixels (the drawable size, which HiDPI scaling can make larger
// than the window's size in screen coordinates).
struct PixelSize {
  int32_t width, height;
};
