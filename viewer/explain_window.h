#pragma once
// The explainer's texts in the SDL window, drawn over the frame with SDL_ttf and DejaVu
// Sans: the help and counters (F1), the depth legend (F2), the step's caption (F3), a
// pixel's story (a click) and the plan panel (F4). Each text is rendered again only when
// it changes.
#include <SDL.h>
#include <SDL_ttf.h>

#include <string>

#include "viewer/explain_views.h"

// Where the font comes from: Debian's fonts-dejavu-core.
constexpr const char* ExplainFontPath = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

class ExplainWindow {
 public:
  ExplainWindow() = default;
  ExplainWindow(const ExplainWindow&) = delete;
  ExplainWindow& operator=(const ExplainWindow&) = delete;
  ~ExplainWindow() { close(); }

  void draw(SDL_Renderer* renderer, const ExplainViews& views, const Viewer& viewer, int32_t width, int32_t height);
  void close();

 private:
  struct Text {
    std::string text;
    int32_t wrap = 0;
    SDL_Texture* texture = nullptr;
    int32_t width = 0, height = 0;
  };
  bool open();
  // Draws text with a dark backing at (x, y); from the bottom up when y is negative
  // (-1: its bottom at the frame's bottom). Gives the height it took.
  int32_t drawText(SDL_Renderer* renderer, Text& slot, const std::string& text, int32_t x, int32_t y, int32_t wrap,
                   int32_t frameHeight);
  void drawLegend(SDL_Renderer* renderer, const ExplainViews& views, int32_t width, int32_t top);
  void drawPlan(SDL_Renderer* renderer, const ExplainViews& views, const Viewer& viewer, int32_t width, int32_t height);

  bool tried_ = false;
  TTF_Font* font_ = nullptr;
  Text help_, caption_, story_, legend_[MaxTraversalDepth];
  SDL_Texture* plan_ = nullptr;
  int32_t planWidth_ = 0, planHeight_ = 0;
};
