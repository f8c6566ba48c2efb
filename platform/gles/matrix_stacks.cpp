// The three matrix stacks of the fixed-function layer and the calls that change them.
// Every change of an entry's value gives it a new generation (the identity has 0),
// which is all the shaders' uniforms need to compare to know they are current.
#include "platform/gles/layer.h"

#include <cstring>

namespace {

int StackForMode(GLenum mode)
{
    switch (mode) {
    case GL_MODELVIEW: return FIXED_MODELVIEW;
    case GL_PROJECTION: return FIXED_PROJECTION;
    case GL_TEXTURE: return FIXED_TEXTURE_STACK;
    default: return -1;
    }
}

void SubmitMatrix(const Matrix4& m)
{
    SubmitCommand({ LIST_MULTIPLY_MATRIX }, &m);
}

} // namespace

MatrixStack& CurrentStack()
{
    return Fixed.stacks[Fixed.matrixMode];
}

void ReplaceCurrentMatrix(const Matrix4& m, bool identity)
{
    MatrixStack& stack = CurrentStack();
    stack.entries[stack.top] = m;
    stack.generations[stack.top] = identity ? 0 : Fixed.nextGeneration++;
}

void ApplyMatrixMode(GLenum mode)
{
    const int stack = StackForMode(mode);
    if (stack >= 0)
        Fixed.matrixMode = stack;
}

// A push on a full stack or a pop of the last entry is ignored, as GL ignores the
// call that raises a stack error. The entry a push makes is a copy of the one below:
// the same value, so the same generation.
void ApplyPushMatrix()
{
    MatrixStack& stack = CurrentStack();
    if (stack.top + 1 >= FIXED_STACK_DEPTH)
        return;
    stack.entries[stack.top + 1] = stack.entries[stack.top];
    stack.generations[stack.top + 1] = stack.generations[stack.top];
    ++stack.top;
}

void ApplyPopMatrix()
{
    MatrixStack& stack = CurrentStack();
    if (stack.top > 0)
        --stack.top;
}

void FixedMatrixMode(GLenum mode)
{
    SubmitCommand({ LIST_MATRIX_MODE, mode });
}

void FixedLoadIdentity()
{
    SubmitCommand({ LIST_LOAD_IDENTITY });
}

void FixedPushMatrix()
{
    SubmitCommand({ LIST_PUSH_MATRIX });
}

void FixedPopMatrix()
{
    SubmitCommand({ LIST_POP_MATRIX });
}

void FixedRotatef(GLfloat angle, GLfloat x, GLfloat y, GLfloat z)
{
    SubmitMatrix(RotationMatrix(angle, x, y, z));
}

void FixedTranslatef(GLfloat x, GLfloat y, GLfloat z)
{
    SubmitMatrix(TranslationMatrix(x, y, z));
}

void FixedScalef(GLfloat x, GLfloat y, GLfloat z)
{
    SubmitMatrix(ScaleMatrix(x, y, z));
}

void FixedFrustum(GLdouble left, GLdouble right, GLdouble bottom, GLdouble top, GLdouble zNear,
                  GLdouble zFar)
{
    SubmitMatrix(FrustumMatrix(static_cast<float>(left), static_cast<float>(right), static_cast<float>(bottom),
                               static_cast<float>(top), static_cast<float>(zNear), static_cast<float>(zFar)));
}

void FixedGetFloatv(GLenum name, GLfloat* values)
{
    int stack = -1;
    switch (name) {
    case GL_MODELVIEW_MATRIX: stack = FIXED_MODELVIEW; break;
    case GL_PROJECTION_MATRIX: stack = FIXED_PROJECTION; break;
    case GL_TEXTURE_MATRIX: stack = FIXED_TEXTURE_STACK; break;
    default:
        // The context's own answer, once it holds what the demo set.
        SyncRenderState();
        glGetFloatv(name, values);
        return;
    }
    const MatrixStack& s = Fixed.stacks[stack];
    std::memcpy(values, s.entries[s.top].m, sizeof s.entries[s.top].m);
}
