#pragma once
// The cases of build/quellor-bench and their names, for the summary.
#include <cstdint>
#include <string>
#include <vector>

#include "bench/camera_path.h"
#include "tests/hardening/portal_topology.h"

struct FrameSize {
  int32_t width, height;
};
constexpr FrameSize FrameSizes[] = {{320, 240}, {640, 480}, {1280, 960}, {1920, 1080}, {2048, 2048}};

std::string framePassCase(const std::string& level, int32_t width, int32_t height);
std::string traversalCase(const std::string& level);
std::string paletteExpandCase(int32_t width, int32_t height, bool noise = false);
std::string levelLoadCase(const std::string& level);
std::string hostileTraversalCase(PortalTopology kind);
std::string playbackSeekCase();
std::string playbackOpenCase();
std::string explainCase(bool depthView);

// Paths must outlive the run.
void registerFramePassCases(const std::vector<CameraPath>& paths);
void registerPaletteExpandCases(const CameraPath& framePath);
std::string frameDigestCase(int32_t width, int32_t height);
void registerFrameDigestCases(const CameraPath& framePath);
void registerLevelLoadCase(const std::string& level);
void registerHostileTraversalCases();
void registerPlaybackCases();
void registerExplainCases(const CameraPath& path);
