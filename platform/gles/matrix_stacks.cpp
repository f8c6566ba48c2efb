// The three matrix stacks of the fixed-function layer and the calls that change them.
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

void RecordOrApplyMatrix(const Matrix4& m)
{
    ListCommand command{ LIST_MULTIPLY_MATRIX };
    if (Fixed.compiling != 0) {
        DisplayList& list = Fixed.lists[Fixed.compiling];
        command.matrix = static_cast<uint32_t>(list.matrices.size());
        list.matrices.push_back(m);
        if (RecordCommand(command))
            return;
    }
    MultiplyCurrentMatrix(m);
}

} // namespace

Matrix4& CurrentMatrix()
{
    MatrixStack& stack = Fixed.stacks[Fixed.matrixMode];
    return stack.entries[stack.top];
}

void MultiplyCurrentMatrix(const Matrix4& m)
{
    Matrix4& top = CurrentMatrix();
    top = MultiplyMatrices(top, m);
}

void ApplyMatrixMode(GLenum mode)
{
    const int stack = StackForMode(mode);
    if (stack >= 0)
        Fixed.matrixMode = stack;
}

void ApplyLoadIdentity()
{
    CurrentMatrix() = IdentityMatrix();
}

// A push on a full stack or a pop of the last entry is ignored, as GL ignores the
// call that raises a stack error.
void ApplyPushMatrix()
{
    MatrixStack& stack = Fixed.stacks[Fixed.matrixMode];
    if (stack.top + 1 >= FIXED_STACK_DEPTH)
        return;
    stack.entries[stack.top + 1] = stack.entries[stack.top];
    ++stack.top;
}

void ApplyPopMatrix()
{
    MatrixStack& stack = Fixed.stacks[Fixed.matrixMode];
    if (stack.top > 0)
        --stack.top;
}

void FixedMatrixMode(GLenum mode)
{
    if (RecordCommand({ LIST_MATRIX_MODE, mode }))
        return;
    ApplyMatrixMode(mode);
}

void FixedLoadIdentity()
{
    if (RecordCommand({ LIST_LOAD_IDENTITY }))
        return;
    ApplyLoadIdentity();
}

void FixedPushMatrix()
{
    if (RecordCommand({ LIST_PUSH_MATRIX }))
        return;
    ApplyPushMatrix();
}

void FixedPopMatrix()
{
    if (RecordCommand({ LIST_POP_MATRIX }))
        return;
    ApplyPopMatrix();
}

void FixedRotatef(GLfloat angle, GLfloat x, GLfloat y, GLfloat z)
{
    RecordOrApplyMatrix(RotationMatrix(angle, x, y, z));
}

void FixedTranslatef(GLfloat x, GLfloat y, GLfloat z)
{
    RecordOrApplyMatrix(TranslationMatrix(x, y, z));
}

void FixedScalef(GLfloat x, GLfloat y, GLfloat z)
{
    RecordOrApplyMatrix(ScaleMatrix(x, y, z));
}

void FixedFrustum(GLdouble left, GLdouble right, GLdouble bottom, GLdouble top, GLdouble zNear,
                  GLdouble zFar)
{
    RecordOrApplyMatrix(FrustumMatrix(static_cast<float>(left), static_cast<float>(right),
                                      static_cast<float>(bottom), static_cast<float>(top),
                                      static_cast<float>(zNear), static_cast<float>(zFar)));
}

void FixedGetFloatv(GLenum name, GLfloat* values)
{
    int stack = -1;
    switch (name) {
    case GL_MODELVIEW_MATRIX: stack = FIXED_MODELVIEW; break;
    case GL_PROJECTION_MATRIX: stack = FIXED_PROJECTION; break;
    case GL_TEXTURE_MATRIX: stack = FIXED_TEXTURE_STACK; break;
    default: glGetFloatv(name, values); return;
    }
    const MatrixStack& s = Fixed.stacks[stack];
    std::memcpy(values, s.entries[s.top].m, sizeof s.entries[s.top].m);
}
