// Client arrays and current attributes of the fixed-function layer: where the next
// glDrawElements reads its vertices (geometry.cpp copies them from there), and the
// values that apply where no array feeds an attribute.
#include "platform/gles/layer.h"

#include <cstring>

namespace {

int ArrayForName(GLenum array)
{
    switch (array) {
    case GL_VERTEX_ARRAY: return FIXED_POSITION;
    case GL_NORMAL_ARRAY: return FIXED_NORMAL;
    case GL_TEXTURE_COORD_ARRAY: return FIXED_TEXCOORD;
    case GL_COLOR_ARRAY: return FIXED_COLOUR;
    default: return -1;   // index and edge-flag arrays mean nothing here
    }
}

void SetPointer(int attribute, GLint size, GLenum type, GLsizei stride, const void* pointer)
{
    ClientArray& array = Fixed.arrays[attribute];
    array.size = size;
    array.type = type;
    array.stride = stride;
    array.pointer = static_cast<const uint8_t*>(pointer);
}

} // namespace

void FixedEnableClientState(GLenum array)
{
    const int a = ArrayForName(array);
    if (a >= 0)
        Fixed.arrays[a].enabled = true;
}

void FixedDisableClientState(GLenum array)
{
    const int a = ArrayForName(array);
    if (a >= 0)
        Fixed.arrays[a].enabled = false;
}

void FixedVertexPointer(GLint size, GLenum type, GLsizei stride, const void* pointer)
{
    SetPointer(FIXED_POSITION, size, type, stride, pointer);
}

void FixedNormalPointer(GLenum type, GLsizei stride, const void* pointer)
{
    SetPointer(FIXED_NORMAL, 3, type, stride, pointer);
}

void FixedTexCoordPointer(GLint size, GLenum type, GLsizei stride, const void* pointer)
{
    SetPointer(FIXED_TEXCOORD, size, type, stride, pointer);
}

void FixedColorPointer(GLint size, GLenum type, GLsizei stride, const void* pointer)
{
    SetPointer(FIXED_COLOUR, size, type, stride, pointer);
}

void ApplyColour(const float colour[4])
{
    std::memcpy(Fixed.current[FIXED_COLOUR], colour, sizeof(float) * 4);
}

void FixedColor4f(GLfloat red, GLfloat green, GLfloat blue, GLfloat alpha)
{
    ListCommand command{ LIST_COLOUR };
    command.values[0] = red;
    command.values[1] = green;
    command.values[2] = blue;
    command.values[3] = alpha;
    SubmitCommand(command);
}

void FixedColor4fv(const GLfloat* colour)
{
    FixedColor4f(colour[0], colour[1], colour[2], colour[3]);
}

void FixedColor4ub(GLubyte red, GLubyte green, GLubyte blue, GLubyte alpha)
{
    FixedColor4f(red / 255.0f, green / 255.0f, blue / 255.0f, alpha / 255.0f);
}

void FixedColor4ubv(const GLubyte* colour)
{
    FixedColor4ub(colour[0], colour[1], colour[2], colour[3]);
}
