// Runs the demo's animation steps against a real GL context and checks that every
// region matrix read back from the GL matrix stack equals deform_core's prediction,
// element for element. Exit status 0 when all agree, 1 otherwise.
#include <GL/freeglut.h>

#include <cstdio>
#include <cstdlib>

#include "deform/demo_state.h"
#include "deform/scene.h"

namespace {

constexpr int CheckedSteps = 400;  // the whole lift and several swings

bool sameMatrices(const deform::DemoState& actual, const deform::DemoState& predicted, int step) {
  bool same = true;
  for (int r = 0; r < deform::RegionCount; ++r) {
    for (int k = 0; k < 16; ++k) {
      const float a = actual.regionMatrices[r][k];
      const float p = predicted.regionMatrices[r][k];
      if (a != p) {
        std::printf("step %d region %d element %d: GL %.9g (%a), predicted %.9g (%a)\n", step, r, k, a, a, p, p);
        same = false;
      }
    }
  }
  return same;
}

}  // namespace

int main(int argc, char** argv) {
  glutInit(&argc, argv);
  glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
  glutCreateWindow("Deform matrix check");
  std::atexit(deform::releaseScene);
  deform::initScene();

  const deform::DemoState& actual = deform::sceneState();
  deform::DemoState predicted;
  deform::stepDemoMotion(predicted);
  bool allSame = sameMatrices(actual, predicted, 0);
  for (int step = 1; step <= CheckedSteps; ++step) {
    deform::stepAnimation();
    deform::stepDemoMotion(predicted);
    allSame = sameMatrices(actual, predicted, step) && allSame;
  }
  const bool motionsSame = actual.topMotion.angle == predicted.topMotion.angle &&
                           actual.topMotion.lift == predicted.topMotion.lift &&
                           actual.bottomMotion.angle == predicted.bottomMotion.angle &&
                           actual.bottomMotion.lift == predicted.bottomMotion.lift;
  std::printf("%s: %d steps, GL: %s\n", allSame && motionsSame ? "matrices agree" : "MISMATCH", CheckedSteps + 1,
              reinterpret_cast<const char*>(glGetString(GL_RENDERER)));
  return allSame && motionsSame ? EXIT_SUCCESS : EXIT_FAILURE;
}
