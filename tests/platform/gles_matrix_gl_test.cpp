// The fixed-function layer's matrix arithmetic against the driver's own: random
// sequences of the matrix calls the demo makes, run on both, must leave the same
// matrices; and the normal matrix must undo the modelview's upper 3 x 3.
#include "platform/gl.h"
#include "platform/gles/matrix.h"
#include "tests/gl_fixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace {

using LayerMatrices = DemoGlTest;

void ExpectSameMatrix(const Matrix4& layer, GLenum driverMatrix, int step)
{
    float driver[16];
    glGetFloatv(driverMatrix, driver);
    for (int i = 0; i < 16; ++i) {
        const float tolerance = 2e-5f * (1.0f + std::abs(driver[i]));
        ASSERT_NEAR(layer.m[i], driver[i], tolerance) << "element " << i << " after step " << step;
    }
}

TEST_F(LayerMatrices, CallSequencesLeaveTheDriversMatrices)
{
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    std::mt19937 random(12345);
    std::uniform_real_distribution<float> value(-3.0f, 3.0f);
    std::uniform_real_distribution<float> angle(-720.0f, 720.0f);
    std::uniform_int_distribution<int> pick(0, 7);
    for (int sequence = 0; sequence < 200; ++sequence) {
        Matrix4 layer[4] = { IdentityMatrix() };
        int depth = 0;
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        for (int step = 0; step < 12; ++step) {
            const float x = value(random), y = value(random), z = value(random);
            switch (pick(random)) {
            case 0:
            case 1: {
                // Axis-aligned as the demo's rotations are, or any axis.
                const float a = angle(random);
                const bool aligned = pick(random) < 4;
                const float ax = aligned ? 0.0f : x, ay = aligned ? -1.0f : y, az = aligned ? 0.0f : z;
                glRotatef(a, ax, ay, az);
                layer[depth] = MultiplyMatrices(layer[depth], RotationMatrix(a, ax, ay, az));
                break;
            }
            case 2:
                glTranslatef(x, y, z);
                layer[depth] = MultiplyMatrices(layer[depth], TranslationMatrix(x, y, z));
                break;
            case 3:
                glScalef(x, y, z);
                layer[depth] = MultiplyMatrices(layer[depth], ScaleMatrix(x, y, z));
                break;
            case 4:
                if (depth < 3) {
                    glPushMatrix();
                    layer[depth + 1] = layer[depth];
                    ++depth;
                }
                break;
            case 5:
                if (depth > 0) {
                    glPopMatrix();
                    --depth;
                }
                break;
            case 6: {
                const float n = 0.05f + std::abs(x) * 0.1f;
                glFrustum(-std::abs(y) - 0.1f, std::abs(z) + 0.1f, -0.1, 0.2, n, 100.0);
                layer[depth] = MultiplyMatrices(layer[depth], FrustumMatrix(-std::abs(y) - 0.1f,
                                                                            std::abs(z) + 0.1f, -0.1f,
                                                                            0.2f, n, 100.0f));
                break;
            }
            default:
                glLoadIdentity();
                layer[depth] = IdentityMatrix();
                break;
            }
            ExpectSameMatrix(layer[depth], GL_MODELVIEW_MATRIX, step);
            if (HasFatalFailure())
                return;
        }
        while (depth-- > 0)
            glPopMatrix();
    }
    glLoadIdentity();
    glPopMatrix();
}

TEST(LayerNormalMatrix, UndoesTheUpperBlockAndIsIdentityWhenSingular)
{
    std::mt19937 random(7);
    std::uniform_real_distribution<float> value(-2.0f, 2.0f);
    for (int trial = 0; trial < 500; ++trial) {
        Matrix4 m = MultiplyMatrices(RotationMatrix(value(random) * 180.0f, value(random), value(random), 1.0f),
                                     ScaleMatrix(value(random) + 2.5f, 0.5f + std::abs(value(random)), 1.2f));
        m = MultiplyMatrices(TranslationMatrix(value(random), value(random), value(random)), m);
        float n[9];
        NormalMatrix(m, n);
        // transpose(N) x M3 = I, N column-major: N(row, col) = n[col * 3 + row].
        for (int row = 0; row < 3; ++row) {
            for (int column = 0; column < 3; ++column) {
                float sum = 0.0f;
                for (int k = 0; k < 3; ++k)
                    sum += n[row * 3 + k] * m.m[column * 4 + k];
                ASSERT_NEAR(sum, row == column ? 1.0f : 0.0f, 1e-4f) << "trial " << trial;
            }
        }
    }
    float n[9];
    NormalMatrix(ScaleMatrix(1.0f, 0.0f, 1.0f), n);
    const float identity[9] = { 1, 0, 0, 0, 1, 0, 0, 0, 1 };
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(n[i], identity[i]);
}

} // namespace
