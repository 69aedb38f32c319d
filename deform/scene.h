#pragma once
// The demo's OpenGL side: the program-wide scene and the toolkit callbacks.
#include "deform/demo_state.h"

namespace deform {

// Lighting, projection and client state, then the sphere, regions and the first
// animation step. Ends the process with status 1 and a message when memory runs out.
void initScene();

// Idle function: the three region matrices built on the GL matrix stack and read
// back, each cap's motion advanced, then a redraw request.
void stepAnimation();

// Display function: moves the vertices, recomputes normals, draws the triangles
// facing the eye one by one with their own normal, and swaps.
void drawFrame();

void reshapeWindow(int width, int height);

// Escape (27) ends the program with status 0; other keys are ignored.
void handleKey(unsigned char key, int x, int y);

// Exit handler: releases every array of the scene.
void releaseScene();

// Read access for the matrix check run.
const DemoState& sceneState();

}  // namespace deform
