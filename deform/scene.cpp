#include "deform/scene.h"

#include <GL/freeglut.h>

#include <cstdio>
#include <cstdlib>

namespace deform {

namespace {

DemoState scene;

constexpr unsigned char EscapeKey = 27;

void reportOutOfMemory() {
  std::fprintf(stderr, "deform: not enough memory for the sphere and its work arrays\n");
  std::exit(EXIT_FAILURE);
}

}  // namespace

void initScene() {
  const GLfloat lightDirection[4] = {2.0f, 2.0f, 1.0f, 0.0f};
  const GLfloat lightAmbient[4] = {1.0f, 1.0f, 1.0f, 1.0f};
  // The model-view matrix is still the identity, so the direction is in eye space.
  glLightfv(GL_LIGHT0, GL_POSITION, lightDirection);
  glLightfv(GL_LIGHT0, GL_AMBIENT, lightAmbient);
  glEnable(GL_LIGHTING);
  glEnable(GL_LIGHT0);
  glEnable(GL_DEPTH_TEST);

  // Left 1 and right -1 mirror the picture left to right.
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glFrustum(1.0, -1.0, -1.0, 1.0, 1.0, 10.0);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glEnableClientState(GL_VERTEX_ARRAY);

  if (!buildDemoGeometry(scene)) reportOutOfMemory();
  stepAnimation();
}

void stepAnimation() {
  RegionMotion& top = scene.topMotion;
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glLoadIdentity();
  glTranslatef(0.0f, top.lift, 0.0f);
  glTranslatef(0.0f, 0.0f, -SceneDepth);
  glRotatef(top.angle, 0.0f, 1.0f, 0.0f);
  glRotatef(top.angle, 0.0f, 0.0f, 1.0f);
  glGetFloatv(GL_MODELVIEW_MATRIX, scene.regionMatrices[TopCapRegion]);
  glPopMatrix();
  advanceMotion(top);

  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glLoadIdentity();
  glTranslatef(0.0f, 0.0f, -SceneDepth);
  glGetFloatv(GL_MODELVIEW_MATRIX, scene.regionMatrices[MiddleBandRegion]);
  glPopMatrix();

  RegionMotion& bottom = scene.bottomMotion;
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glLoadIdentity();
  glTranslatef(0.0f, -bottom.lift, 0.0f);
  glTranslatef(0.0f, 0.0f, -SceneDepth);
  glRotatef(bottom.angle, 0.0f, 1.0f, 0.0f);
  glRotatef(-bottom.angle, 0.0f, 0.0f, 1.0f);
  glGetFloatv(GL_MODELVIEW_MATRIX, scene.regionMatrices[BottomCapRegion]);
  glPopMatrix();
  advanceMotion(bottom);

  glutPostRedisplay();
}

void drawFrame() {
  prepareFrame(scene);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glVertexPointer(3, GL_FLOAT, sizeof(Vec3), scene.movedVertices);
  const std::uint16_t* indices = scene.mesh.indices;
  for (std::int32_t t = scene.mesh.triangleCount - 1; t >= 0; --t) {
    if (scene.facing[t]) {
      glNormal3fv(&scene.movedNormals[t].x);
      glDrawElements(GL_TRIANGLES, 3, GL_UNSIGNED_SHORT, indices + 3 * t);
    }
  }
  glFlush();
  glutSwapBuffers();
}

void reshapeWindow(int width, int height) { glViewport(0, 0, width, height); }

void handleKey(unsigned char key, int, int) {
  if (key == EscapeKey) std::exit(EXIT_SUCCESS);
}

void releaseScene() { releaseDemoArrays(scene); }

const DemoState& sceneState() { return scene; }

}  // namespace deform
