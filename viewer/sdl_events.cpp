#include "viewer/sdl_events.h"

namespace {
// Not a key the key table knows: key-downs of unmapped keys still count as messages.
constexpr int32_t UnmappedKey = 0;
}  // namespace

int32_t keyCodeFromSdl(SDL_Keycode sym, SDL_Scancode scancode, uint16_t modifiers) {
  switch (sym) {
    case SDLK_SPACE:
      return KeySpace;
    case SDLK_LEFT:
      return KeyLeft;
    case SDLK_UP:
      return KeyUp;
    case SDLK_RIGHT:
      return KeyRight;
    case SDLK_DOWN:
      return KeyDown;
    default:
      break;
  }
  // The keypad's arrows without Num Lock are arrows, as the platform's own key codes have it.
  if ((modifiers & KMOD_NUM) == 0) {
    switch (sym) {
      case SDLK_KP_4:
        return KeyLeft;
      case SDLK_KP_8:
        return KeyUp;
      case SDLK_KP_6:
        return KeyRight;
      case SDLK_KP_2:
        return KeyDown;
      default:
        break;
    }
  }
  // SDL names a letter key by its lower-case character whatever Shift and Caps Lock say.
  if (sym >= SDLK_a && sym <= SDLK_z) return int32_t('A' + (sym - SDLK_a));
  if (sym >= SDLK_0 && sym <= SDLK_9) return int32_t(sym);
  // A key whose character is not Latin (a Cyrillic or Greek layout) goes by its position.
  if ((sym & SDLK_SCANCODE_MASK) == 0 && sym > 0x7F && scancode >= SDL_SCANCODE_A && scancode <= SDL_SCANCODE_Z) {
    return int32_t('A' + (scancode - SDL_SCANCODE_A));
  }
  // Never pass SDL's own codes through: '%' .. '(' would read as the arrows.
  return UnmappedKey;
}

Message messageFromSdlEvent(const SDL_Event& event, PixelSize drawable, PixelSize& known) {
  Message message{MessageKind::Other, 0, 0, 0};
  switch (event.type) {
    case SDL_KEYDOWN:  // automatic repeats included
      message.kind = MessageKind::KeyDown;
      message.key = keyCodeFromSdl(event.key.keysym.sym, event.key.keysym.scancode, event.key.keysym.mod);
      break;
    case SDL_KEYUP:
      message.other = OtherKind::KeyRelease;
      message.key = keyCodeFromSdl(event.key.keysym.sym, event.key.keysym.scancode, event.key.keysym.mod);
      break;
    case SDL_MOUSEMOTION:
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
    case SDL_MOUSEWHEEL:
      message.other = OtherKind::Mouse;
      break;
    case SDL_QUIT:
      message.kind = MessageKind::Close;
      break;
    case SDL_WINDOWEVENT:
      switch (event.window.event) {
        case SDL_WINDOWEVENT_CLOSE:
          message.kind = MessageKind::Close;
          break;
        case SDL_WINDOWEVENT_MINIMIZED:
          message.kind = MessageKind::Minimize;
          break;
        default:
          // SDL announces one change as RESIZED and SIZE_CHANGED, and a HiDPI move between
          // displays as neither; the drawable size itself tells whether anything changed.
          if (drawable.width > 0 && drawable.height > 0 &&
              (drawable.width != known.width || drawable.height != known.height)) {
            message.kind = MessageKind::Size;
            message.width = drawable.width;
            message.height = drawable.height;
            known = drawable;
          }
          break;
      }
      break;
    default:
      break;
  }
  return message;
}
