// Client arrays, current attributes and immediate glDrawElements of the
// fixed-function layer. The arrays live in the program's memory and may change
// between draws (animated meshes rewrite theirs every frame), so each draw copies
// the vertices its indices reach into a streaming buffer and draws from there.
#include "platform/gles/layer.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

constexpr size_t STREAM_VERTEX_BYTES = size_t{ 4 } << 20;
constexpr size_t STREAM_INDEX_BYTES = size_t{ 1 } << 20;

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

size_t TypeBytes(GLenum type)
{
    switch (type) {
    case GL_BYTE:
    case GL_UNSIGNED_BYTE: return 1;
    case GL_SHORT:
    case GL_UNSIGNED_SHORT: return 2;
    default: return 4;
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

// Room for `bytes` in a streaming buffer, from its start again (with fresh storage,
// so that draws still reading the old contents are not waited for) when full.
size_t Reserve(GLenum target, size_t* used, size_t capacity, size_t bytes)
{
    const size_t aligned = (*used + 15) & ~size_t{ 15 };
    if (*used == 0 || aligned + bytes > capacity) {
        glBufferData(target, static_cast<GLsizeiptr>(std::max(capacity, bytes)), nullptr, GL_STREAM_DRAW);
        *used = bytes;
        return 0;
    }
    *used = aligned + bytes;
    return aligned;
}

} // namespace

size_t AttributeBytes(const ClientArray& array)
{
    return static_cast<size_t>(array.size) * TypeBytes(array.type);
}

size_t AttributeStride(const ClientArray& array)
{
    return array.stride ? static_cast<size_t>(array.stride) : AttributeBytes(array);
}

void PointAttribute(int attribute, const ClientArray& array, size_t offset)
{
    // Colours and normals of integer types are fractions of their range in GL 1.1.
    const bool integer = array.type != GL_FLOAT;
    const GLboolean normalised = integer && (attribute == FIXED_COLOUR || attribute == FIXED_NORMAL);
    glEnableVertexAttribArray(static_cast<GLuint>(attribute));
    glVertexAttribPointer(static_cast<GLuint>(attribute), array.size, array.type, normalised,
                          static_cast<GLsizei>(AttributeStride(array)), reinterpret_cast<const void*>(offset));
}

uint32_t IndexAt(GLenum type, const void* indices, GLsizei i)
{
    if (type == GL_UNSIGNED_INT)
        return static_cast<const uint32_t*>(indices)[i];
    if (type == GL_UNSIGNED_SHORT)
        return static_cast<const uint16_t*>(indices)[i];
    return static_cast<const uint8_t*>(indices)[i];
}

void IndexRange(GLenum type, GLsizei count, const void* indices, uint32_t* low, uint32_t* high)
{
    uint32_t lo = UINT32_MAX, hi = 0;
    for (GLsizei i = 0; i < count; ++i) {
        const uint32_t index = IndexAt(type, indices, i);
        lo = std::min(lo, index);
        hi = std::max(hi, index);
    }
    *low = lo;
    *high = hi;
}

void RebaseIndices(GLenum type, GLsizei count, const void* indices, uint32_t low, bool narrow,
                   std::vector<uint8_t>* out)
{
    out->resize(static_cast<size_t>(count) * (narrow ? 2 : 4));
    for (GLsizei i = 0; i < count; ++i) {
        const uint32_t index = IndexAt(type, indices, i) - low;
        if (narrow) {
            const auto v = static_cast<uint16_t>(index);
            std::memcpy(&(*out)[2 * static_cast<size_t>(i)], &v, 2);
        } else {
            std::memcpy(&(*out)[4 * static_cast<size_t>(i)], &index, 4);
        }
    }
}

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

void ApplyColour(float red, float green, float blue, float alpha)
{
    float* c = Fixed.current[FIXED_COLOUR];
    c[0] = red;
    c[1] = green;
    c[2] = blue;
    c[3] = alpha;
}

void FixedColor4f(GLfloat red, GLfloat green, GLfloat blue, GLfloat alpha)
{
    ListCommand command{ LIST_COLOUR };
    command.values[0] = red;
    command.values[1] = green;
    command.values[2] = blue;
    command.values[3] = alpha;
    if (RecordCommand(command))
        return;
    ApplyColour(red, green, blue, alpha);
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

VertexPieces FindVertexPieces(uint32_t low, uint32_t high)
{
    VertexPieces v;
    const uint8_t* blockStart = nullptr;
    const uint8_t* blockEnd = nullptr;
    size_t separateBytes = 0;
    const uint8_t* first[FIXED_ATTRIBUTE_COUNT] = {};
    const uint8_t* end[FIXED_ATTRIBUTE_COUNT] = {};
    for (int a = 0; a < FIXED_ATTRIBUTE_COUNT; ++a) {
        const ClientArray& array = Fixed.arrays[a];
        if (!array.enabled || !array.pointer)
            continue;
        v.present[a] = true;
        first[a] = array.pointer + AttributeStride(array) * low;
        end[a] = array.pointer + AttributeStride(array) * high + AttributeBytes(array);
        blockStart = blockStart ? std::min(blockStart, first[a]) : first[a];
        blockEnd = blockEnd ? std::max(blockEnd, end[a]) : end[a];
        separateBytes += static_cast<size_t>(end[a] - first[a]);
    }
    // Interleaved arrays share one block no larger than their pieces together.
    const bool oneBlock = blockStart && static_cast<size_t>(blockEnd - blockStart) <= separateBytes;
    if (oneBlock)
        v.pieces[v.pieceCount++] = { blockStart, static_cast<size_t>(blockEnd - blockStart) };
    for (int a = 0; a < FIXED_ATTRIBUTE_COUNT; ++a) {
        if (!v.present[a])
            continue;
        if (!oneBlock)
            v.pieces[v.pieceCount++] = { first[a], static_cast<size_t>(end[a] - first[a]) };
        v.pieceOf[a] = v.pieceCount - 1;
        v.offsetInPiece[a] = static_cast<size_t>(first[a] - v.pieces[v.pieceCount - 1].start);
    }
    return v;
}

// Each draw copies the vertices [low, high] its indices reach into the streaming
// buffer and draws them with its indices rebased to start at 0.
void FixedDrawElements(GLenum mode, GLsizei count, GLenum type, const void* indices)
{
    if (Fixed.compiling != 0) {
        RecordDraw(mode, count, type, indices);
        if (!Fixed.executeWhileCompiling)
            return;
    }
    if (count <= 0 || !Fixed.arrays[FIXED_POSITION].enabled)
        return;
    uint32_t low, high;
    IndexRange(type, count, indices, &low, &high);
    const VertexPieces v = FindVertexPieces(low, high);

    glBindVertexArray(Fixed.streamVertexArray);
    glBindBuffer(GL_ARRAY_BUFFER, Fixed.streamVertexBuffer);
    size_t pieceAt[FIXED_ATTRIBUTE_COUNT] = {};
    for (int i = 0; i < v.pieceCount; ++i) {
        pieceAt[i] = Reserve(GL_ARRAY_BUFFER, &Fixed.streamVertexUsed, STREAM_VERTEX_BYTES, v.pieces[i].bytes);
        glBufferSubData(GL_ARRAY_BUFFER, static_cast<GLintptr>(pieceAt[i]),
                        static_cast<GLsizeiptr>(v.pieces[i].bytes), v.pieces[i].start);
    }
    for (int a = 0; a < FIXED_ATTRIBUTE_COUNT; ++a) {
        if (v.present[a])
            PointAttribute(a, Fixed.arrays[a], pieceAt[v.pieceOf[a]] + v.offsetInPiece[a]);
        else
            glDisableVertexAttribArray(static_cast<GLuint>(a));
    }

    // Rebased indices, 16-bit where they fit.
    const bool narrow = high - low < 65536;
    static std::vector<uint8_t> rebased;
    RebaseIndices(type, count, indices, low, narrow, &rebased);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, Fixed.streamIndexBuffer);
    const size_t at = Reserve(GL_ELEMENT_ARRAY_BUFFER, &Fixed.streamIndexUsed, STREAM_INDEX_BYTES, rebased.size());
    glBufferSubData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLintptr>(at), static_cast<GLsizeiptr>(rebased.size()),
                    rebased.data());

    PrepareDraw(v.present);
    glDrawElements(mode, count, narrow ? GL_UNSIGNED_SHORT : GL_UNSIGNED_INT, reinterpret_cast<const void*>(at));
}
