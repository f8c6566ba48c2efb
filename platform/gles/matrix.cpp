// Matrix arithmetic of the fixed-function layer, in single precision like a driver's.
#include "platform/gles/matrix.h"

#include <cmath>

Matrix4 IdentityMatrix()
{
    return { { 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1 } };
}

Matrix4 MultiplyMatrices(const Matrix4& a, const Matrix4& b)
{
    Matrix4 product;
    for (int column = 0; column < 4; ++column) {
        for (int row = 0; row < 4; ++row) {
            float sum = 0.0f;
            for (int k = 0; k < 4; ++k)
                sum += a.m[k * 4 + row] * b.m[column * 4 + k];
            product.m[column * 4 + row] = sum;
        }
    }
    return product;
}

Matrix4 RotationMatrix(float angle, float x, float y, float z)
{
    const float length = std::sqrt(x * x + y * y + z * z);
    if (length == 0.0f)
        return IdentityMatrix();
    x /= length;
    y /= length;
    z /= length;
    const double radians = static_cast<double>(angle) * (3.14159265358979323846 / 180.0);
    const float s = static_cast<float>(std::sin(radians));
    const float c = static_cast<float>(std::cos(radians));
    const float k = 1.0f - c;
    Matrix4 r = IdentityMatrix();
    r.m[0] = x * x * k + c;
    r.m[1] = y * x * k + z * s;
    r.m[2] = x * z * k - y * s;
    r.m[4] = x * y * k - z * s;
    r.m[5] = y * y * k + c;
    r.m[6] = y * z * k + x * s;
    r.m[8] = x * z * k + y * s;
    r.m[9] = y * z * k - x * s;
    r.m[10] = z * z * k + c;
    return r;
}

namespace {

// The identity with the entries at `at` set to x, y and z.
Matrix4 IdentityWith(const int (&at)[3], float x, float y, float z)
{
    Matrix4 r = IdentityMatrix();
    r.m[at[0]] = x;
    r.m[at[1]] = y;
    r.m[at[2]] = z;
    return r;
}

} // namespace

Matrix4 TranslationMatrix(float x, float y, float z)
{
    return IdentityWith({ 12, 13, 14 }, x, y, z);
}

Matrix4 ScaleMatrix(float x, float y, float z)
{
    return IdentityWith({ 0, 5, 10 }, x, y, z);
}

Matrix4 FrustumMatrix(float left, float right, float bottom, float top, float zNear, float zFar)
{
    Matrix4 f = {};
    f.m[0] = 2.0f * zNear / (right - left);
    f.m[5] = 2.0f * zNear / (top - bottom);
    f.m[8] = (right + left) / (right - left);
    f.m[9] = (top + bottom) / (top - bottom);
    f.m[10] = -(zFar + zNear) / (zFar - zNear);
    f.m[11] = -1.0f;
    f.m[14] = -(2.0f * zFar * zNear) / (zFar - zNear);
    return f;
}

void NormalMatrix(const Matrix4& a, float normal[9])
{
    // a's upper-left block, element (row, column).
    const auto e = [&a](int row, int column) { return a.m[column * 4 + row]; };
    const float c00 = e(1, 1) * e(2, 2) - e(1, 2) * e(2, 1);
    const float c01 = e(1, 2) * e(2, 0) - e(1, 0) * e(2, 2);
    const float c02 = e(1, 0) * e(2, 1) - e(1, 1) * e(2, 0);
    const float determinant = e(0, 0) * c00 + e(0, 1) * c01 + e(0, 2) * c02;
    if (determinant == 0.0f || !std::isfinite(determinant)) {
        const float identity[9] = { 1, 0, 0, 0, 1, 0, 0, 0, 1 };
        for (int i = 0; i < 9; ++i)
            normal[i] = identity[i];
        return;
    }
    const float r = 1.0f / determinant;
    // The inverse's transpose is the cofactor matrix over the determinant; stored
    // column-major, element (row, column) goes to normal[column * 3 + row].
    const float cofactor[3][3] = {
        { c00, c01, c02 },
        { e(0, 2) * e(2, 1) - e(0, 1) * e(2, 2), e(0, 0) * e(2, 2) - e(0, 2) * e(2, 0),
          e(0, 1) * e(2, 0) - e(0, 0) * e(2, 1) },
        { e(0, 1) * e(1, 2) - e(0, 2) * e(1, 1), e(0, 2) * e(1, 0) - e(0, 0) * e(1, 2),
          e(0, 0) * e(1, 1) - e(0, 1) * e(1, 0) },
    };
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 3; ++column)
            normal[column * 3 + row] = cofactor[row][column] * r;
}
