// deform: a sphere split into three regions that lift and swing apart, lit face by
// face through GLUT and OpenGL 1.1. Escape ends it.
#include <GL/freeglut.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "quellor/version.h"

#include "deform/scene.h"

namespace {

// The toolkit ends the process on a fatal error (most often: no X display to open);
// say what happened and how to run the demo without a desktop.
void reportToolkitFailure(const char* format, va_list arguments) {
  std::fprintf(stderr, "deform: cannot open the OpenGL window: ");
  std::vfprintf(stderr, format, arguments);
  std::fprintf(stderr,
               "\ndeform: it needs an X display with OpenGL; without one, run it under Xvfb:"
               " xvfb-run -a build/deform\n");
  std::exit(EXIT_FAILURE);
}

}  // namespace

int main(int argc, char** argv) {
  // Its only options of its own; anything else goes to the toolkit, as it always has.
  if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
    std::printf("deform %s\n", QuellorVersion);
    return EXIT_SUCCESS;
  }
  if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
    std::printf(
        "Usage: deform [GLUT options]\n"
        "A lit sphere whose top and bottom caps lift and swing apart. Escape quits.\n"
        "Options are handed to GLUT (for example -display :1); --version prints the version.\n");
    return EXIT_SUCCESS;
  }
  std::atexit(deform::releaseScene);
  glutInitErrorFunc(reportToolkitFailure);
  glutInit(&argc, argv);
  glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
  glutCreateWindow("Deform");
  glutReshapeWindow(640, 480);
  deform::initScene();
  glutKeyboardFunc(deform::handleKey);
  glutDisplayFunc(deform::drawFrame);
  glutReshapeFunc(deform::reshapeWindow);
  glutIdleFunc(deform::stepAnimation);
  glutMainLoop();
  return EXIT_SUCCESS;
}
