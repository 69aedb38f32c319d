#pragma once
// A scripted platform for shell tests: batches of messages per pass, frames from the heap,
// and a count of every allocation and present.
#include <string>
#include <vector>

#include "viewer/heap_frame.h"
#include "viewer/main_loop.h"

struct TestPlatform {
  std::vector<std::vector<Message>> batches;  // batch i is delivered in pass i + 1
  RowOrder order = RowOrder::BottomUp;
  int presents = 0;
  int allocations = 0;
  int releases = 0;
  bool failAllocations = false;
  std::vector<uint8_t> lastFrame;  // rows top to bottom
  size_t delivered = 0;
  PixelSize client{320, 240};  // what clientPixels reports
  // With logCalls set (it allocates), every platform call in order: allocate WxH,
  // release, show, present.
  bool logCalls = false;
  std::vector<std::string> calls;

  bool nextMessage(Message& m) {
    const size_t pass = size_t(presents);
    if (pass >= batches.size() || delivered >= batches[pass].size()) return false;
    m = batches[pass][delivered++];
    return true;
  }
  void present(const PresentedFrame& frame) {
    lastFrame.resize(size_t(frame.width) * size_t(frame.height));
    for (int32_t y = 0; y < frame.height; ++y) {
      const uint8_t* row = frame.rowOrigin + std::ptrdiff_t(y) * frame.pitch;
      std::copy(row, row + frame.width, &lastFrame[size_t(y) * size_t(frame.width)]);
    }
    ++presents;
    delivered = 0;
    log("present");
  }
  bool allocateFrame(int32_t width, int32_t height, FrameMemory& out) {
    if (failAllocations) return false;
    ++allocations;
    log("allocate " + std::to_string(width) + "x" + std::to_string(height));
    return allocateHeapFrame(width, height, order, out);
  }
  void releaseFrame(FrameMemory& frame) {
    ++releases;
    log("release");
    releaseHeapFrame(frame);
  }
  PixelSize clientPixels() const { return client; }
  void log(const std::string& call) {
    if (logCalls) calls.push_back(call);
  }
  void show() { log("show"); }
};

inline Message key(int32_t code) { return {MessageKind::KeyDown, code, 0, 0}; }
inline Message other() { return {MessageKind::Other, 0, 0, 0}; }
inline Message size(int32_t w, int32_t h) { return {MessageKind::Size, 0, w, h}; }
