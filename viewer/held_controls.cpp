#include "viewer/held_controls.h"

namespace {

bool isWalkKey(int32_t key) { return key == KeyUp || key == KeyDown; }
bool isTurnKey(int32_t key) { return key == KeyLeft || key == KeyRight; }

Message keyDown(int32_t key) { return Message{MessageKind::KeyDown, key, 0, 0}; }

}  // namespace

bool HeldControls::held(int32_t key) const {
  for (int i = 0; i < heldCount_; ++i) {
    if (pressed_[i] == key) return true;
  }
  return false;
}

void HeldControls::see(const Message& message) {
  const int32_t key = message.key;
  if (!isWalkKey(key) && !isTurnKey(key)) return;
  if (message.kind == MessageKind::KeyDown) {
    // A repeat keeps the key where it was among the pressed ones.
    if (!held(key) && heldCount_ < MaxHeld) pressed_[heldCount_++] = key;
    if (isTurnKey(key)) turnPressed_ = true;
    return;
  }
  if (message.kind != MessageKind::Other || message.other != OtherKind::KeyRelease) return;
  int kept = 0;
  for (int i = 0; i < heldCount_; ++i) {
    if (pressed_[i] != key) pressed_[kept++] = pressed_[i];
  }
  if (kept != heldCount_ && isWalkKey(key)) walkReleased_ = true;
  if (kept != heldCount_ && isTurnKey(key)) turnReleased_ = true;
  heldCount_ = kept;
}

void HeldControls::releaseAll() {
  for (int i = 0; i < heldCount_; ++i) {
    if (isWalkKey(pressed_[i])) walkReleased_ = true;
  }
  heldCount_ = 0;
}

void HeldControls::planPass() {
  adding_ = true;
  count_ = next_ = 0;
  int32_t walk = 0, turn = 0;
  for (int i = 0; i < heldCount_; ++i) {
    if (isWalkKey(pressed_[i])) walk = pressed_[i];
    if (isTurnKey(pressed_[i])) turn = pressed_[i];
  }
  const bool tapped = turnPressed_ && turnReleased_ && turn == 0;
  if ((walkReleased_ && walk == 0) || tapped) planned_[count_++] = keyDown(KeySpace);
  walkReleased_ = turnPressed_ = turnReleased_ = false;
  if (walk != 0) planned_[count_++] = keyDown(walk);
  if (turn != 0) planned_[count_++] = keyDown(turn);
}
