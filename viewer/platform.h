#pragma once
// What a platform provides to the shell. A platform is any type with these members; the
// shell's templates check them when they are compiled, so a platform that lacks one, or
// has it with another shape, fails to build with the message below.
//
// For every pass of the main loop:
//   bool nextMessage(Message&)    takes the next waiting event, in arrival order, without
//                                 blocking; false when none is waiting
//   void present(const PresentedFrame&)
//                                 shows the frame (no pixels: there is no frame)
//   bool allocateFrame(int32_t width, int32_t height, FrameMemory&)
//                                 makes frame memory of width x height pixels; false
//                                 when it cannot
//   void releaseFrame(FrameMemory&)
//                                 releases memory allocateFrame made
// For start-up (runViewer, viewer/run_viewer.h):
//   PixelSize clientPixels()      the client area in real pixels once the window exists
//                                 (larger than 320 x 240 on a HiDPI display)
//   void show()                   shows the window (nothing, where it is shown already or
//                                 there is no window)
#include <cstdint>
#include <type_traits>
#include <utility>

#include "viewer/messages.h"
#include "viewer/viewer_state.h"

namespace platform_contract {

template <class P, class = void>
struct RunsPasses : std::false_type {};
template <class P>
struct RunsPasses<
    P, std::void_t<
           std::enable_if_t<std::is_same_v<decltype(std::declval<P&>().nextMessage(std::declval<Message&>())), bool>>,
           decltype(std::declval<P&>().present(std::declval<const PresentedFrame&>())),
           std::enable_if_t<std::is_same_v<
               decltype(std::declval<P&>().allocateFrame(int32_t{}, int32_t{}, std::declval<FrameMemory&>())), bool>>,
           decltype(std::declval<P&>().releaseFrame(std::declval<FrameMemory&>()))>> : std::true_type {};

template <class P, class = void>
struct StartsUp : std::false_type {};
template <class P>
struct StartsUp<P, std::void_t<std::enable_if_t<std::is_same_v<decltype(std::declval<P&>().clientPixels()), PixelSize>>,
                               decltype(std::declval<P&>().show())>> : std::true_type {};

}  // namespace platform_contract

// Whether P has the members the main loop calls.
template <class P>
constexpr bool runsPasses = platform_contract::RunsPasses<P>::value;
// Whether P is a whole platform: the main loop's members and start-up's.
template <class P>
constexpr bool isPlatform = platform_contract::RunsPasses<P>::value&& platform_contract::StartsUp<P>::value;

// Stops the build of a shell template instantiated with a type that is not a platform.
template <class P>
constexpr void requirePassMembers() {
  static_assert(runsPasses<P>,
                "a platform needs bool nextMessage(Message&), void present(const PresentedFrame&), "
                "bool allocateFrame(int32_t, int32_t, FrameMemory&) and void releaseFrame(FrameMemory&): "
                "see viewer/platform.h");
}
template <class P>
constexpr void requirePlatform() {
  requirePassMembers<P>();
  static_assert(platform_contract::StartsUp<P>::value,
                "a platform needs PixelSize clientPixels() and void show() to start: see viewer/platform.h");
}
