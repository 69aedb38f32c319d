#include "viewer/explain_window.h"

#include <cstdio>

#include "viewer/palette.h"

namespace {
constexpr int32_t FontPixels = 11, Pad = 3;
}

bool ExplainWindow::open() {
  if (tried_) return font_ != nullptr;
  tried_ = true;
  if (TTF_Init() != 0 || !(font_ = TTF_OpenFont(ExplainFontPath, FontPixels))) {
    std::fprintf(stderr, "quellor: the explainer's texts are not shown: %s: %s\n", ExplainFontPath, TTF_GetError());
    std::fflush(stderr);
    return false;
  }
  return true;
}

void ExplainWindow::close() {
  auto drop = [](Text& t) {
    if (t.texture) SDL_DestroyTexture(t.texture);
    t = Text{};
  };
  drop(help_);
  drop(caption_);
  drop(story_);
  drop(status_);
  for (Text& t : legend_) drop(t);
  if (plan_) SDL_DestroyTexture(plan_);
  plan_ = nullptr;
  if (font_) TTF_CloseFont(font_);
  font_ = nullptr;
  if (tried_ && TTF_WasInit()) TTF_Quit();
  tried_ = false;
}

int32_t ExplainWindow::drawText(SDL_Renderer* renderer, Text& slot, const std::string& text, int32_t x, int32_t y,
                                int32_t wrap, int32_t frameHeight) {
  if (text.empty() || !open()) return 0;
  if (wrap < 40) wrap = 40;
  if (!slot.texture || slot.text != text || slot.wrap != wrap) {
    if (slot.texture) SDL_DestroyTexture(slot.texture);
    slot.texture = nullptr;
    slot.text = text;
    slot.wrap = wrap;
    SDL_Surface* surface =
        TTF_RenderUTF8_Blended_Wrapped(font_, text.c_str(), SDL_Color{255, 255, 255, 255}, Uint32(wrap));
    if (!surface) return 0;
    slot.texture = SDL_CreateTextureFromSurface(renderer, surface);
    slot.width = surface->w;
    slot.height = surface->h;
    SDL_FreeSurface(surface);
    if (!slot.texture) return 0;
  }
  const int32_t top = y >= 0 ? y : frameHeight + y + 1 - slot.height - 2 * Pad;
  const SDL_Rect backing{x, top, slot.width + 2 * Pad, slot.height + 2 * Pad};
  SDL_SetRenderDrawBlendMode(renderer, SDL_BLENDMODE_BLEND);
  SDL_SetRenderDrawColor(renderer, 0, 0, 0, 190);
  SDL_RenderFillRect(renderer, &backing);
  SDL_SetRenderDrawColor(renderer, 0, 0, 0, SDL_ALPHA_OPAQUE);
  const SDL_Rect where{x + Pad, top + Pad, slot.width, slot.height};
  SDL_RenderCopy(renderer, slot.texture, nullptr, &where);
  return slot.height + 2 * Pad;
}

// One swatch a depth the pass reached, in its colour, numbered.
void ExplainWindow::drawLegend(SDL_Renderer* renderer, const ExplainViews& views, int32_t width, int32_t top) {
  const int32_t deepest = views.record().counts.deepestLevel;
  const int32_t shown = deepest < 1 ? 1 : deepest > MaxTraversalDepth ? MaxTraversalDepth : deepest;
  int32_t x = width - 4;
  for (int32_t d = shown - 1; d >= 0; --d) {
    char label[24];
    std::snprintf(label, sizeof label, "depth %d", int(d));
    const PaletteEntry& c = viewerPalette()[depthColour(d)];
    Text& slot = legend_[d];
    const int32_t w = slot.texture ? slot.width + 2 * Pad + 12 : 60;
    x -= w + 2;
    const int32_t h = drawText(renderer, slot, label, x + 12, top, 200, 0);
    const SDL_Rect swatch{x, top, 12, h > 0 ? h : 12};
    SDL_SetRenderDrawColor(renderer, c.red, c.green, c.blue, SDL_ALPHA_OPAQUE);
    SDL_RenderFillRect(renderer, &swatch);
    SDL_SetRenderDrawColor(renderer, 0, 0, 0, SDL_ALPHA_OPAQUE);
  }
}

void ExplainWindow::drawPlan(SDL_Renderer* renderer, const ExplainViews& views, const Viewer& viewer, int32_t width,
                             int32_t height) {
  const int32_t w = width / 2 > 120 ? width / 2 : 120, h = height / 2 > 90 ? height / 2 : 90;
  if (!plan_ || planWidth_ != w || planHeight_ != h) {
    if (plan_) SDL_DestroyTexture(plan_);
    plan_ = SDL_CreateTexture(renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING, w, h);
    planWidth_ = w;
    planHeight_ = h;
    if (!plan_) return;
  }
  void* texels = nullptr;
  int pitch = 0;
  if (SDL_LockTexture(plan_, nullptr, &texels, &pitch) != 0) return;
  panel_.paint(viewer.world, levelTitle_, viewer.camera, viewer.viewport, views.record(),
               views.stepping() ? views.step() : 0, static_cast<uint8_t*>(texels), w, h, pitch);
  SDL_UnlockTexture(plan_);
  const SDL_Rect where{width - w, height - h, w, h};
  SDL_RenderCopy(renderer, plan_, nullptr, &where);
}

void ExplainWindow::draw(SDL_Renderer* renderer, const ExplainViews& views, const Viewer& viewer, int32_t width,
                         int32_t height) {
  if (!views.anyOn() && !views.story()[0]) return;
  // The plan first: the texts stay readable over it.
  if (views.plan()) drawPlan(renderer, views, viewer, width, height);
  int32_t top = 0;
  if (views.help()) {
    top += drawText(renderer, help_, std::string(views.helpText()) + "\n" + views.counters(), 0, 0, width - 2 * Pad,
                    height);
  }
  if (views.depthView()) drawLegend(renderer, views, width, top + 2);
  int32_t bottom = -1;
  if (views.stepping()) bottom -= drawText(renderer, caption_, views.caption(), 0, bottom, width - 2 * Pad, height);
  drawText(renderer, story_, views.story(), 0, bottom, width - 2 * Pad, height);
}

int32_t ExplainWindow::drawStatus(SDL_Renderer* renderer, const std::string& text, int32_t x, int32_t bottom) {
  return drawText(renderer, status_, text, x, -1, 1000, bottom);
}
