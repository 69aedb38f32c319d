#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "test_platform.h"
#include "viewer/sdl_events.h"

namespace {

constexpr uint16_t NoMods = KMOD_NONE;
const int32_t TableCodes[] = {KeySpace, KeyLeft, KeyUp, KeyRight, KeyDown, KeyQ, KeyX, KeyZ};

bool inTable(int32_t code) {
  for (int32_t c : TableCodes) {
    if (c == code) return true;
  }
  return false;
}

SDL_Event keyEvent(Uint32 type, SDL_Keycode sym, SDL_Scancode scancode, uint16_t mod = NoMods, Uint8 repeat = 0) {
  SDL_Event e{};
  e.type = type;
  e.key.type = type;
  e.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
  e.key.repeat = repeat;
  e.key.keysym.sym = sym;
  e.key.keysym.scancode = scancode;
  e.key.keysym.mod = mod;
  return e;
}

SDL_Event windowEvent(Uint8 kind, Sint32 data1 = 0, Sint32 data2 = 0) {
  SDL_Event e{};
  e.type = SDL_WINDOWEVENT;
  e.window.type = SDL_WINDOWEVENT;
  e.window.event = kind;
  e.window.data1 = data1;
  e.window.data2 = data2;
  return e;
}

SDL_Event plainEvent(Uint32 type) {
  SDL_Event e{};
  e.type = type;
  return e;
}

// --- Keys ------------------------------------------------------------------------------

TEST(SdlKeys, SpaceAndArrowsGiveTheirTableCodes) {
  EXPECT_EQ(keyCodeFromSdl(SDLK_SPACE, SDL_SCANCODE_SPACE, NoMods), KeySpace);
  EXPECT_EQ(keyCodeFromSdl(SDLK_LEFT, SDL_SCANCODE_LEFT, NoMods), KeyLeft);
  EXPECT_EQ(keyCodeFromSdl(SDLK_UP, SDL_SCANCODE_UP, NoMods), KeyUp);
  EXPECT_EQ(keyCodeFromSdl(SDLK_RIGHT, SDL_SCANCODE_RIGHT, NoMods), KeyRight);
  EXPECT_EQ(keyCodeFromSdl(SDLK_DOWN, SDL_SCANCODE_DOWN, NoMods), KeyDown);
}

TEST(SdlKeys, LettersIgnoreShiftAndCapsLock) {
  const uint16_t modSets[] = {
      NoMods, KMOD_LSHIFT, KMOD_RSHIFT, KMOD_CAPS, KMOD_CAPS | KMOD_LSHIFT, KMOD_NUM | KMOD_CAPS};
  for (uint16_t mods : modSets) {
    SCOPED_TRACE(mods);
    EXPECT_EQ(keyCodeFromSdl(SDLK_q, SDL_SCANCODE_Q, mods), KeyQ);
    EXPECT_EQ(keyCodeFromSdl(SDLK_x, SDL_SCANCODE_X, mods), KeyX);
    EXPECT_EQ(keyCodeFromSdl(SDLK_z, SDL_SCANCODE_Z, mods), KeyZ);
    EXPECT_EQ(keyCodeFromSdl(SDLK_SPACE, SDL_SCANCODE_SPACE, mods), KeySpace);
    EXPECT_EQ(keyCodeFromSdl(SDLK_UP, SDL_SCANCODE_UP, mods), KeyUp);
  }
}

TEST(SdlKeys, LettersFollowTheLayoutLikeVirtualKeys) {
  // AZERTY: the key in the Q position types 'a', the key in the A position types 'q'.
  EXPECT_EQ(keyCodeFromSdl(SDLK_a, SDL_SCANCODE_Q, NoMods), 'A');
  EXPECT_EQ(keyCodeFromSdl(SDLK_q, SDL_SCANCODE_A, NoMods), KeyQ);
  // QWERTZ: Z sits where QWERTY has Y.
  EXPECT_EQ(keyCodeFromSdl(SDLK_z, SDL_SCANCODE_Y, NoMods), KeyZ);
  EXPECT_EQ(keyCodeFromSdl(SDLK_y, SDL_SCANCODE_Z, NoMods), 'Y');
}

TEST(SdlKeys, NonLatinLetterKeysCountByPosition) {
  // Russian layout: the Q, X and Z positions type й, ч and я.
  EXPECT_EQ(keyCodeFromSdl(0x439, SDL_SCANCODE_Q, NoMods), KeyQ);
  EXPECT_EQ(keyCodeFromSdl(0x447, SDL_SCANCODE_X, NoMods), KeyX);
  EXPECT_EQ(keyCodeFromSdl(0x44F, SDL_SCANCODE_Z, NoMods), KeyZ);
  // A non-Latin character on a key that is not a letter position is no table key.
  EXPECT_FALSE(inTable(keyCodeFromSdl(0x44E, SDL_SCANCODE_PERIOD, NoMods)));
}

TEST(SdlKeys, KeypadArrowsWithoutNumLockAreArrows) {
  EXPECT_EQ(keyCodeFromSdl(SDLK_KP_4, SDL_SCANCODE_KP_4, NoMods), KeyLeft);
  EXPECT_EQ(keyCodeFromSdl(SDLK_KP_8, SDL_SCANCODE_KP_8, NoMods), KeyUp);
  EXPECT_EQ(keyCodeFromSdl(SDLK_KP_6, SDL_SCANCODE_KP_6, NoMods), KeyRight);
  EXPECT_EQ(keyCodeFromSdl(SDLK_KP_2, SDL_SCANCODE_KP_2, NoMods), KeyDown);
  EXPECT_FALSE(inTable(keyCodeFromSdl(SDLK_KP_4, SDL_SCANCODE_KP_4, KMOD_NUM)));
  EXPECT_FALSE(inTable(keyCodeFromSdl(SDLK_KP_8, SDL_SCANCODE_KP_8, KMOD_NUM)));
}

TEST(SdlKeys, CharactersThatShareAnArrowsNumberAreNotArrows) {
  // SDL names these keys by their characters, 0x25 to 0x28: the arrows' key-table codes.
  EXPECT_FALSE(inTable(keyCodeFromSdl(SDLK_PERCENT, SDL_SCANCODE_5, KMOD_LSHIFT)));
  EXPECT_FALSE(inTable(keyCodeFromSdl(SDLK_AMPERSAND, SDL_SCANCODE_1, NoMods)));
  EXPECT_FALSE(inTable(keyCodeFromSdl(SDLK_QUOTE, SDL_SCANCODE_APOSTROPHE, NoMods)));
  EXPECT_FALSE(inTable(keyCodeFromSdl(SDLK_LEFTPAREN, SDL_SCANCODE_5, NoMods)));
}

TEST(SdlKeys, OnlyTheEightKeysReachTheTable) {
  std::vector<SDL_Keycode> keys;
  for (SDL_Keycode c = 1; c < 0x80; ++c) keys.push_back(c);
  for (int s = SDL_SCANCODE_CAPSLOCK; s < SDL_NUM_SCANCODES; ++s) {
    keys.push_back(SDL_SCANCODE_TO_KEYCODE(SDL_Scancode(s)));
  }
  const SDL_Keycode mapped[] = {SDLK_SPACE, SDLK_LEFT, SDLK_UP,   SDLK_RIGHT, SDLK_DOWN, SDLK_q,
                                SDLK_x,     SDLK_z,    SDLK_KP_4, SDLK_KP_8,  SDLK_KP_6, SDLK_KP_2};
  for (SDL_Keycode sym : keys) {
    bool expected = false;
    for (SDL_Keycode m : mapped) expected = expected || m == sym;
    EXPECT_EQ(inTable(keyCodeFromSdl(sym, SDL_SCANCODE_UNKNOWN, NoMods)), expected) << "keycode 0x" << std::hex << sym;
  }
}

// --- Events ----------------------------------------------------------------------------

struct SdlMessages : ::testing::Test {
  PixelSize known{320, 240};
  Message map(const SDL_Event& e, PixelSize drawable) { return messageFromSdlEvent(e, drawable, known); }
  Message map(const SDL_Event& e) { return map(e, known); }
};

TEST_F(SdlMessages, KeyDownsAndTheirRepeatsAreKeyMessages) {
  for (Uint8 repeat : {0, 1}) {
    const Message m = map(keyEvent(SDL_KEYDOWN, SDLK_LEFT, SDL_SCANCODE_LEFT, NoMods, repeat));
    EXPECT_EQ(m.kind, MessageKind::KeyDown);
    EXPECT_EQ(m.key, KeyLeft);
  }
  const Message shiftedQ = map(keyEvent(SDL_KEYDOWN, SDLK_q, SDL_SCANCODE_Q, KMOD_LSHIFT | KMOD_CAPS));
  EXPECT_EQ(shiftedQ.kind, MessageKind::KeyDown);
  EXPECT_EQ(shiftedQ.key, KeyQ);
}

TEST_F(SdlMessages, OtherKeyDownsAreKeyMessagesTheTableIgnores) {
  const Message m = map(keyEvent(SDL_KEYDOWN, SDLK_F1, SDL_SCANCODE_F1));
  EXPECT_EQ(m.kind, MessageKind::KeyDown);
  EXPECT_FALSE(inTable(m.key));
}

TEST_F(SdlMessages, KeyUpsMouseFocusAndExposeAreOtherMessages) {
  EXPECT_EQ(map(keyEvent(SDL_KEYUP, SDLK_LEFT, SDL_SCANCODE_LEFT)).kind, MessageKind::Other);
  EXPECT_EQ(map(plainEvent(SDL_MOUSEMOTION)).kind, MessageKind::Other);
  EXPECT_EQ(map(plainEvent(SDL_MOUSEBUTTONDOWN)).kind, MessageKind::Other);
  EXPECT_EQ(map(plainEvent(SDL_MOUSEWHEEL)).kind, MessageKind::Other);
  EXPECT_EQ(map(plainEvent(SDL_TEXTINPUT)).kind, MessageKind::Other);
  EXPECT_EQ(map(windowEvent(SDL_WINDOWEVENT_FOCUS_GAINED)).kind, MessageKind::Other);
  EXPECT_EQ(map(windowEvent(SDL_WINDOWEVENT_EXPOSED)).kind, MessageKind::Other);
  EXPECT_EQ(map(windowEvent(SDL_WINDOWEVENT_ENTER)).kind, MessageKind::Other);
  EXPECT_EQ(map(windowEvent(SDL_WINDOWEVENT_SHOWN)).kind, MessageKind::Other);
}

// Each says what it was, so a recording names it as the page names the same event.
TEST_F(SdlMessages, KeyUpsAndMouseEventsSayWhatTheyWere) {
  const Message up = map(keyEvent(SDL_KEYUP, SDLK_LEFT, SDL_SCANCODE_LEFT));
  EXPECT_TRUE(up.other == OtherKind::KeyRelease && up.key == KeyLeft);
  const Message letter = map(keyEvent(SDL_KEYUP, SDLK_a, SDL_SCANCODE_A, KMOD_LSHIFT));
  EXPECT_TRUE(letter.other == OtherKind::KeyRelease && letter.key == 'A');
  const Message unmapped = map(keyEvent(SDL_KEYUP, SDLK_F1, SDL_SCANCODE_F1));
  EXPECT_TRUE(unmapped.other == OtherKind::KeyRelease && !inTable(unmapped.key));
  for (Uint32 type : {SDL_MOUSEMOTION, SDL_MOUSEBUTTONDOWN, SDL_MOUSEBUTTONUP, SDL_MOUSEWHEEL}) {
    EXPECT_EQ(map(plainEvent(type)).other, OtherKind::Mouse) << type;
  }
  EXPECT_EQ(map(plainEvent(SDL_TEXTINPUT)).other, OtherKind::Unnamed);
  EXPECT_EQ(map(windowEvent(SDL_WINDOWEVENT_FOCUS_GAINED)).other, OtherKind::Unnamed);
  EXPECT_EQ(map(keyEvent(SDL_KEYDOWN, SDLK_LEFT, SDL_SCANCODE_LEFT)).other, OtherKind::Unnamed);
}

TEST_F(SdlMessages, ClosingTheWindowOrQuittingIsTheCloseMessage) {
  EXPECT_EQ(map(windowEvent(SDL_WINDOWEVENT_CLOSE)).kind, MessageKind::Close);
  EXPECT_EQ(map(plainEvent(SDL_QUIT)).kind, MessageKind::Close);
}

TEST_F(SdlMessages, MinimisingIsTheMinimisedMessage) {
  EXPECT_EQ(map(windowEvent(SDL_WINDOWEVENT_MINIMIZED)).kind, MessageKind::Minimize);
}

TEST_F(SdlMessages, ASizeChangeCarriesTheClientSizeInPixels) {
  const Message m = map(windowEvent(SDL_WINDOWEVENT_SIZE_CHANGED, 321, 200), {321, 200});
  EXPECT_EQ(m.kind, MessageKind::Size);
  EXPECT_EQ(m.width, 321);
  EXPECT_EQ(m.height, 200);
  EXPECT_EQ(known.width, 321);
  EXPECT_EQ(known.height, 200);
}

TEST_F(SdlMessages, OnAScaledDisplayTheSizeIsInRealPixelsNotWindowUnits) {
  const Message m = map(windowEvent(SDL_WINDOWEVENT_SIZE_CHANGED, 400, 300), {800, 600});
  EXPECT_EQ(m.kind, MessageKind::Size);
  EXPECT_EQ(m.width, 800);
  EXPECT_EQ(m.height, 600);
}

TEST_F(SdlMessages, OneRealChangeAnnouncedTwiceGivesOneSizeMessage) {
  // A user's resize comes as RESIZED and then SIZE_CHANGED; both see the new drawable size.
  const PixelSize now{500, 400};
  const Message first = map(windowEvent(SDL_WINDOWEVENT_RESIZED, 500, 400), now);
  const Message second = map(windowEvent(SDL_WINDOWEVENT_SIZE_CHANGED, 500, 400), now);
  EXPECT_EQ(first.kind, MessageKind::Size);
  EXPECT_EQ(second.kind, MessageKind::Other);
}

TEST_F(SdlMessages, AMoveToADisplayOfAnotherScaleIsASizeChange) {
  const Message m = map(windowEvent(SDL_WINDOWEVENT_DISPLAY_CHANGED, 1), {640, 480});
  EXPECT_EQ(m.kind, MessageKind::Size);
  EXPECT_EQ(m.width, 640);
}

TEST_F(SdlMessages, RestoringAtTheSameSizeIsNoSizeChange) {
  EXPECT_EQ(map(windowEvent(SDL_WINDOWEVENT_MINIMIZED)).kind, MessageKind::Minimize);
  EXPECT_EQ(map(windowEvent(SDL_WINDOWEVENT_RESTORED), {320, 240}).kind, MessageKind::Other);
}

TEST_F(SdlMessages, AnUnreadableDrawableSizeIsNoSizeChange) {
  EXPECT_EQ(map(windowEvent(SDL_WINDOWEVENT_SIZE_CHANGED, 10, 10), {0, 0}).kind, MessageKind::Other);
  EXPECT_EQ(known.width, 320);
}

// --- Through the frame pass ------------------------------------------------------------

// SDL events of each pass go through the mapping into the shell's batches.
struct SdlThroughTheShell : ::testing::Test {
  std::unique_ptr<Viewer> viewer = std::make_unique<Viewer>();
  TestPlatform platform;
  PixelSize known{320, 240};

  void SetUp() override {
    ASSERT_TRUE(createFrame(*viewer, platform));
    viewer->camera.setPosition(5, 0, 0);
    viewer->camera.resetOrientation(0, 0, 0);
  }
  void TearDown() override {
    if (viewer->frameExists) platform.releaseFrame(viewer->frame);
  }
  void pass(std::initializer_list<SDL_Event> events, PixelSize drawable = {320, 240}) {
    std::vector<Message> batch;
    for (const SDL_Event& e : events) batch.push_back(messageFromSdlEvent(e, drawable, known));
    platform.batches.push_back(batch);
  }
};

TEST_F(SdlThroughTheShell, HeldLeftArrowTurnsUntilTheReleaseArrives) {
  const SDL_Event down = keyEvent(SDL_KEYDOWN, SDLK_LEFT, SDL_SCANCODE_LEFT);
  const SDL_Event repeat = keyEvent(SDL_KEYDOWN, SDLK_LEFT, SDL_SCANCODE_LEFT, KMOD_CAPS, 1);
  const SDL_Event up = keyEvent(SDL_KEYUP, SDLK_LEFT, SDL_SCANCODE_LEFT);
  pass({down});
  pass({});
  pass({repeat});
  pass({up});
  runMainLoop(*viewer, platform, 1);
  EXPECT_EQ(viewer->camera.turnRateY, TurnLeftRate);
  runPass(*viewer, platform);
  EXPECT_EQ(viewer->camera.turnRateY, TurnLeftRate);  // no message: the turn goes on
  runPass(*viewer, platform);
  EXPECT_EQ(viewer->camera.turnRateY, TurnLeftRate);
  runPass(*viewer, platform);
  EXPECT_EQ(viewer->camera.turnRateY, 0);  // the key-up's batch stops it
}

TEST_F(SdlThroughTheShell, ShiftedQEndsTheLoopAfterOneMoreFrame) {
  pass({keyEvent(SDL_KEYDOWN, SDLK_q, SDL_SCANCODE_Q, KMOD_LSHIFT)});
  runMainLoop(*viewer, platform, 10);
  EXPECT_EQ(viewer->quitRequested, 1);
  EXPECT_EQ(platform.presents, 1);
}

TEST_F(SdlThroughTheShell, TheWindowsCloseEndsTheLoopWithoutDrawing) {
  pass({plainEvent(SDL_MOUSEMOTION)});
  pass({windowEvent(SDL_WINDOWEVENT_CLOSE), plainEvent(SDL_QUIT)});
  runMainLoop(*viewer, platform, 10);
  EXPECT_EQ(platform.presents, 1);
  EXPECT_FALSE(viewer->frameExists);
}

TEST_F(SdlThroughTheShell, AResizeRebuildsTheFrameOnceAtTheRoundedPixelSize) {
  const int before = platform.allocations;
  pass({windowEvent(SDL_WINDOWEVENT_RESIZED, 321, 200), windowEvent(SDL_WINDOWEVENT_SIZE_CHANGED, 321, 200)},
       {321, 200});
  runMainLoop(*viewer, platform, 1);
  EXPECT_EQ(platform.allocations, before + 1);
  EXPECT_EQ(viewer->viewport.width, 324);
  EXPECT_EQ(viewer->viewport.height, 200);
  EXPECT_EQ(viewer->viewport.pitch, -324);
}

TEST_F(SdlThroughTheShell, MinimisingKeepsTheFrame) {
  const int before = platform.allocations;
  pass({windowEvent(SDL_WINDOWEVENT_MINIMIZED)});
  runMainLoop(*viewer, platform, 1);
  EXPECT_EQ(platform.allocations, before);
  EXPECT_EQ(viewer->viewport.width, 320);
}

}  // namespace
