// 4 x 4 matrices as OpenGL keeps them (column-major, single precision) and the
// products the matrix calls of OpenGL 1.1 multiply onto a stack's top. Pure
// arithmetic, no GL: the tests compare it with a driver's own matrices.
#pragma once

struct Matrix4 {
    float m[16];   // m[column * 4 + row]
};

Matrix4 IdentityMatrix();
// a x b: b's transform applies first.
Matrix4 MultiplyMatrices(const Matrix4& a, const Matrix4& b);

// The matrices glRotatef, glTranslatef, glScalef and glFrustum multiply by. The
// rotation is by angle degrees, anticlockwise about (x, y, z) seen from its tip;
// an axis of length zero leaves the identity.
Matrix4 RotationMatrix(float angle, float x, float y, float z);
Matrix4 TranslationMatrix(float x, float y, float z);
Matrix4 ScaleMatrix(float x, float y, float z);
Matrix4 FrustumMatrix(float left, float right, float bottom, float top, float zNear, float zFar);

// The transpose of the inverse of a's upper-left 3 x 3, column-major: what carries
// normals into eye space (not renormalised). The identity when that part is singular.
void NormalMatrix(const Matrix4& a, float normal[9]);
