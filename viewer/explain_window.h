#pragma once
// The texts over the frame in the SDL window, drawn with SDL_ttf and DejaVu Sans: the
// explainer's help and counters (F1), depth legend (F2), step caption (F3), a pixel's story
// (a click) and plan panel (F4), and a playback's status line. Each text is rendered again
// only when it changes.
#include <SDL.h>
#include <SDL_ttf.h>

#include <string>

#include "io/path_parts.h"
#include "viewer/explain_views.h"
#include "viewer/plan_panel.h"

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
  // The level's name, which the plan panel's heading shows.
  void nameLevel(const std::string& name) { levelTitle_ = fileNameOf(name); }
  // One line of text on its dark backing, its bottom at row bottom - 1: a playback's pass,
  // speed and pause. Gives the rows it took (0 without the font).
  int32_t drawStatus(SDL_Renderer* renderer, const std::string& text, int32_t x, int32_t bottom);

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
  Text help_, caption_, story_, status_, legend_[MaxTraversalDepth];
  SDL_Texture* plan_ = nullptr;
  int32_t planWidth_ = 0, planHeight_ = 0;
  PlanPanel panel_;
  std::string levelTitle_;
};
