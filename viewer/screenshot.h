#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "viewer/frame_image.h"
#include "viewer/viewer_state.h"

// The viewer's F12: the frame just presented as an 8-bit indexed PNG with the viewer's
// palette, under the first free name quellor-0001.png, quellor-0002.png ... of a folder.

// The shown part of the frame (viewport width x height), rows top to bottom.
void captureFrame(const PresentedFrame& frame, FrameImage& image);

// Encodes image into bytes (reused from call to call) and writes it into folder under the
// first name NAME-NNNN.png that does not exist. An existing file is never replaced, even
// by another program writing the same name meanwhile: the bytes go to a temporary file
// that is then given the name only if the name is still free. On success path is the
// file's path; on failure error says why and no file is left behind.
bool writeScreenshot(const std::string& folder, const char* name, const FrameImage& image, std::vector<uint8_t>& bytes,
                     std::string& path, std::string& error);

// Names tried before giving up (quellor-0001.png to quellor-9999.png).
constexpr int32_t MaxScreenshotNumber = 9999;
