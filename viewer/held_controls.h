#pragma once
#include <cstdint>

#include "viewer/messages.h"

// Keys that act while held, as a person expects, built from the frame pass's own key
// table rather than beside it: every message the platform delivers passes through as it
// came, and after a pass's last one the held keys add key-downs of their own, so the
// frame pass, recordings and quellor-replay see nothing but ordinary messages.
//
// Each pass, after the platform's messages:
//   - a Space when the last walking key (Up, Down) was released and none is held, so
//     walking stops on release; also when a turning key was pressed and released within
//     the pass, whose turn would otherwise go on through the passes that bring no message;
//   - a key-down of the walking key held (the later pressed of Up and Down);
//   - a key-down of the turning key held (the later pressed of Left and Right), last,
//     since the key table's Up, Down and Space stop a turn: it goes on whatever else
//     arrived in the pass.
// A pass with nothing held and nothing released gets nothing added.
class HeldControls {
 public:
  // The pass's next message: the platform's own (pull(Message&) -> bool takes one), then
  // those the held keys add. False once the pass has had them all; the next call starts
  // the next pass.
  template <class Pull>
  bool nextMessage(Message& out, Pull&& pull) {
    if (!adding_) {
      if (pull(out)) {
        see(out);
        return true;
      }
      planPass();
    }
    if (next_ < count_) {
      out = planned_[next_++];
      return true;
    }
    adding_ = false;
    count_ = next_ = 0;
    return false;
  }

  // Every key let go, as when the window loses the keyboard and its releases will never
  // come; the next pass adds the Space that a release of a walking key adds.
  void releaseAll();

  // Whether the key is held now (Up, Down, Left or Right).
  bool held(int32_t key) const;

 private:
  void see(const Message& message);
  void planPass();

  // Pressed keys in the order pressed, latest last: the later of two opposite keys wins.
  static constexpr int MaxHeld = 4;
  int32_t pressed_[MaxHeld] = {};
  int heldCount_ = 0;
  bool walkReleased_ = false;  // a walking key was let go since the last pass
  bool turnPressed_ = false;   // a turning key came down in this pass
  bool turnReleased_ = false;  // and one was let go
  Message planned_[3] = {};
  int count_ = 0, next_ = 0;
  bool adding_ = false;
};
