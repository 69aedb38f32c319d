#pragma once
// The fixed-function matrix operations the animation uses, in the same float
// arithmetic as the OpenGL implementation (Mesa) computes them, so the matrices the
// program reads back from the GL stack can be predicted without a GL context.
// Matrices are column-major: element (row, column) is m[column * 4 + row].

namespace deform {

void loadIdentityMatrix(float m[16]);

// m = m * T(x, y, z), as glTranslatef.
void translateMatrix(float m[16], float x, float y, float z);

// m = m * R(angle degrees about (x, y, z)), as glRotatef. A zero angle leaves m as it is.
void rotateMatrix(float m[16], float angleDegrees, float x, float y, float z);

}  // namespace deform
