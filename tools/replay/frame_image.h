#pragma once
// The frame encoder lives with the viewer, whose screenshots use it too.
#include "viewer/frame_image.h"
