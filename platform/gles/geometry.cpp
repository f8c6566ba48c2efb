// Geometry of the fixed-function layer in GL buffers: the one path by which a
// glDrawElements's vertices and indices reach GL, whether it is drawn at once (into
// the stream buffer) or compiled into a display list (into the list buffers), and
// the draw from there.
//
// The client arrays live in the program's memory and may change between draws
// (animated meshes rewrite theirs every frame), so each draw copies the vertices
// [low, high] its indices reach. Arrays that interleave in one record per vertex (the
// demo's do) are copied as one block and keep their layout; others are packed into
// one record per vertex. All vertices of a buffer share its layout, so the buffer's
// vertex array points its attributes once, and the indices are rebased onto the
// vertices' places in the whole buffer.
#include "platform/gles/layer.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr size_t STREAM_VERTEX_BYTES = size_t{ 4 } << 20;
constexpr size_t STREAM_INDEX_BYTES = size_t{ 1 } << 20;
constexpr uint32_t STREAM = UINT32_MAX;   // GeometryDraw::buffer of an immediate draw

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

size_t AttributeBytes(const ClientArray& array)
{
    return static_cast<size_t>(array.size) * TypeBytes(array.type);
}

size_t AttributeStride(const ClientArray& array)
{
    return array.stride ? static_cast<size_t>(array.stride) : AttributeBytes(array);
}

bool Has(uint8_t present, int attribute)
{
    return (present >> attribute) & 1u;
}

// Whether vertices laid out as `b` can go into a buffer laid out as `a`: one stride,
// and every attribute both have in the same place, size and type. An empty buffer
// takes any, and no vertices go anywhere.
bool Agrees(const VertexLayout& a, const VertexLayout& b)
{
    if (a.present == 0 || b.present == 0)
        return true;
    if (a.stride != b.stride)
        return false;
    for (int i = 0; i < FIXED_ATTRIBUTE_COUNT; ++i) {
        if (Has(a.present, i) && Has(b.present, i) &&
            (a.size[i] != b.size[i] || a.type[i] != b.type[i] || a.offset[i] != b.offset[i]))
            return false;
    }
    return true;
}

// Adds b's attributes to a, which agrees with it.
void Merge(VertexLayout& a, const VertexLayout& b)
{
    a.stride = b.stride;
    for (int i = 0; i < FIXED_ATTRIBUTE_COUNT; ++i) {
        if (Has(b.present, i) && !Has(a.present, i)) {
            a.size[i] = b.size[i];
            a.type[i] = b.type[i];
            a.offset[i] = b.offset[i];
        }
    }
    a.present |= b.present;
}

// The lowest address among the enabled arrays' first vertex: where an interleaved
// record starts.
const uint8_t* RecordStart(const VertexLayout& layout)
{
    const uint8_t* start = nullptr;
    for (int a = 0; a < FIXED_ATTRIBUTE_COUNT; ++a)
        if (Has(layout.present, a))
            start = start ? std::min(start, Fixed.arrays[a].pointer) : Fixed.arrays[a].pointer;
    return start;
}

template <typename Index>
void FindRange(const Index* indices, GLsizei count, uint32_t* low, uint32_t* high)
{
    Index lo = indices[0], hi = indices[0];
    for (GLsizei i = 1; i < count; ++i) {
        lo = std::min(lo, indices[i]);
        hi = std::max(hi, indices[i]);
    }
    *low = lo;
    *high = hi;
}

template <typename Index, typename Out>
void Rebase(const Index* indices, GLsizei count, uint32_t shift, int64_t low, Out* out)
{
    for (GLsizei i = 0; i < count; ++i)
        out[i] = static_cast<Out>(static_cast<int64_t>(indices[i]) - low + shift);
}

// indices rebased from low to first, into Fixed.scratch, as 16-bit values where
// they fit, else 32-bit ones; the type.
template <typename Index>
GLenum RebaseIndices(const Index* indices, GLsizei count, uint32_t low, uint32_t first, uint32_t last)
{
    const bool narrow = last <= UINT16_MAX;
    Fixed.scratch.resize(static_cast<size_t>(count) * (narrow ? 2 : 4));
    if (narrow)
        Rebase(indices, count, first, low, reinterpret_cast<uint16_t*>(Fixed.scratch.data()));
    else
        Rebase(indices, count, first, low, reinterpret_cast<uint32_t*>(Fixed.scratch.data()));
    return narrow ? GL_UNSIGNED_SHORT : GL_UNSIGNED_INT;
}

// Calls visit with the indices as the pointer their type says (GL_UNSIGNED_BYTE,
// _SHORT or _INT).
template <typename Visit>
auto VisitIndices(GLenum type, const void* indices, Visit visit)
{
    if (type == GL_UNSIGNED_INT)
        return visit(static_cast<const uint32_t*>(indices));
    if (type == GL_UNSIGNED_SHORT)
        return visit(static_cast<const uint16_t*>(indices));
    return visit(static_cast<const uint8_t*>(indices));
}

void StartBuffer(GeometryBuffer& b, bool streaming)
{
    b = GeometryBuffer{};
    b.streaming = streaming;
    glGenVertexArrays(1, &b.vertexArray);
    glGenBuffers(1, &b.vertexBuffer);
    glGenBuffers(1, &b.indexBuffer);
    BindVertexArray(b.vertexArray);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, b.indexBuffer);
    if (streaming) {
        BindArrayBuffer(b.vertexBuffer);
        glBufferData(GL_ARRAY_BUFFER, STREAM_VERTEX_BYTES, nullptr, GL_STREAM_DRAW);
        glBufferData(GL_ELEMENT_ARRAY_BUFFER, STREAM_INDEX_BYTES, nullptr, GL_STREAM_DRAW);
    }
}

void StopBuffer(GeometryBuffer& b)
{
    ForgetVertexArray(b.vertexArray);
    glDeleteVertexArrays(1, &b.vertexArray);
    glDeleteBuffers(1, &b.vertexBuffer);
    glDeleteBuffers(1, &b.indexBuffer);
    ForgetArrayBuffer(b.vertexBuffer);
    b = GeometryBuffer{};
}

// Room for `bytes` at a multiple of `alignment` after what a buffer's vertices or
// indices hold. A stream buffer that is full starts again from 0 on fresh storage,
// so that draws still reading the old contents are not waited for.
size_t Reserve(GeometryBuffer& b, GLenum target, size_t bytes, size_t alignment)
{
    const bool vertices = target == GL_ARRAY_BUFFER;
    size_t& used = vertices ? b.vertexBytes : b.indexBytes;
    size_t at = (used + alignment - 1) / alignment * alignment;
    if (b.streaming) {
        const size_t capacity = vertices ? STREAM_VERTEX_BYTES : STREAM_INDEX_BYTES;
        if (at + bytes > capacity) {
            glBufferData(target, static_cast<GLsizeiptr>(std::max(capacity, bytes)), nullptr, GL_STREAM_DRAW);
            at = 0;
        }
    } else {
        (vertices ? b.vertices : b.indices).resize(at + bytes);
    }
    used = at + bytes;
    return at;
}

// Puts bytes at `at` in a buffer's vertices or indices: into a list buffer's copy, or
// into the stream buffer's storage (its vertex array and buffer are bound).
void Write(GeometryBuffer& b, GLenum target, size_t at, const void* bytes, size_t size)
{
    if (b.streaming)
        glBufferSubData(target, static_cast<GLintptr>(at), static_cast<GLsizeiptr>(size), bytes);
    else
        std::memcpy((target == GL_ARRAY_BUFFER ? b.vertices : b.indices).data() + at, bytes, size);
}

// Packs vertices [low, low + n) of the enabled arrays into Fixed.scratch, laid out as
// `layout`.
void PackVertices(const VertexLayout& layout, uint32_t low, uint32_t n)
{
    Fixed.scratch.assign(static_cast<size_t>(n) * layout.stride, 0);
    for (int a = 0; a < FIXED_ATTRIBUTE_COUNT; ++a) {
        if (!Has(layout.present, a))
            continue;
        const ClientArray& array = Fixed.arrays[a];
        const size_t bytes = AttributeBytes(array), stride = AttributeStride(array);
        const uint8_t* from = array.pointer + stride * low;
        uint8_t* to = Fixed.scratch.data() + layout.offset[a];
        for (uint32_t v = 0; v < n; ++v, from += stride, to += layout.stride)
            std::memcpy(to, from, bytes);
    }
}

// Sends a list buffer's contents where GL does not have them all yet.
void SendListGeometry(GeometryBuffer& b)
{
    if (b.sentVertexBytes != b.vertices.size()) {
        BindArrayBuffer(b.vertexBuffer);
        glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(b.vertices.size()), b.vertices.data(), GL_STATIC_DRAW);
        b.sentVertexBytes = b.vertices.size();
    }
    if (b.sentIndexBytes != b.indices.size()) {
        BindVertexArray(b.vertexArray);
        glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(b.indices.size()), b.indices.data(),
                     GL_STATIC_DRAW);
        b.sentIndexBytes = b.indices.size();
    }
}

// The layout the enabled client arrays are copied in: their own where they
// interleave (then *interleavedArrays is true), else packed.
VertexLayout ClientLayout(bool* interleavedArrays = nullptr)
{
    VertexLayout layout;
    for (int a = 0; a < FIXED_ATTRIBUTE_COUNT; ++a) {
        const ClientArray& array = Fixed.arrays[a];
        if (!array.enabled || !array.pointer)
            continue;
        layout.present |= static_cast<uint8_t>(1u << a);
        layout.size[a] = static_cast<uint8_t>(array.size);
        layout.type[a] = array.type;
    }
    // Interleaved: one stride, every attribute inside one record of it, and all of
    // it aligned as GL asks of buffer offsets and strides.
    const uint8_t* start = RecordStart(layout);
    size_t stride = 0;
    bool interleaved = true;
    for (int a = 0; a < FIXED_ATTRIBUTE_COUNT && interleaved; ++a) {
        if (!Has(layout.present, a))
            continue;
        const ClientArray& array = Fixed.arrays[a];
        const size_t offset = static_cast<size_t>(array.pointer - start);
        stride = stride ? stride : AttributeStride(array);
        interleaved = AttributeStride(array) == stride && offset + AttributeBytes(array) <= stride &&
                      offset % 4 == 0 && stride % 4 == 0;
        layout.offset[a] = static_cast<uint32_t>(offset);
    }
    if (interleavedArrays)
        *interleavedArrays = interleaved;
    if (interleaved) {
        layout.stride = static_cast<uint32_t>(stride);
        return layout;
    }
    // Packed: each attribute after the last, at a multiple of 4 bytes.
    uint32_t offset = 0;
    for (int a = 0; a < FIXED_ATTRIBUTE_COUNT; ++a) {
        if (!Has(layout.present, a))
            continue;
        layout.offset[a] = offset;
        offset += static_cast<uint32_t>((AttributeBytes(Fixed.arrays[a]) + 3) & ~size_t{ 3 });
    }
    layout.stride = offset;
    return layout;
}

// The list buffer that takes draws of this layout: one whose layout agrees on every
// attribute both have, else a new one. Its index in Fixed.listGeometry.
uint32_t ListGeometryFor(const VertexLayout& layout)
{
    for (size_t i = 0; i < Fixed.listGeometry.size(); ++i)
        if (Agrees(Fixed.listGeometry[i].layout, layout))
            return static_cast<uint32_t>(i);
    Fixed.listGeometry.emplace_back();
    StartBuffer(Fixed.listGeometry.back(), false);
    return static_cast<uint32_t>(Fixed.listGeometry.size() - 1);
}

// Copies what glDrawElements(mode, count, type, indices) reaches of the enabled
// client arrays into `into` (its vertices [low, high] and its indices rebased onto
// them) and describes the draw. False when nothing would be drawn.
bool UploadDraw(GeometryBuffer& into, GLenum mode, GLsizei count, GLenum type, const void* indices,
                GeometryDraw* draw)
{
    const bool indexType = type == GL_UNSIGNED_BYTE || type == GL_UNSIGNED_SHORT || type == GL_UNSIGNED_INT;
    if (count <= 0 || !indexType || !indices || !Fixed.arrays[FIXED_POSITION].enabled ||
        !Fixed.arrays[FIXED_POSITION].pointer)
        return false;
    uint32_t low = 0, high = 0;
    VisitIndices(type, indices, [&](const auto* typed) { FindRange(typed, count, &low, &high); });
    const uint32_t n = high - low + 1;

    bool interleaved = false;
    const VertexLayout layout = ClientLayout(&interleaved);
    if (!Agrees(into.layout, layout)) {
        // Only the stream buffer changes layout: what it holds has been drawn.
        into.layout = VertexLayout{};
        into.pointed = 0;
    }
    Merge(into.layout, layout);
    if (into.streaming) {
        BindVertexArray(into.vertexArray);
        BindArrayBuffer(into.vertexBuffer);
    }

    const size_t stride = layout.stride;
    const size_t vertexAt = Reserve(into, GL_ARRAY_BUFFER, stride * n, stride);
    if (!interleaved) {
        PackVertices(layout, low, n);
        Write(into, GL_ARRAY_BUFFER, vertexAt, Fixed.scratch.data(), Fixed.scratch.size());
    } else {
        // The block from the first vertex's record to the last vertex's last byte.
        size_t span = 0;
        for (int a = 0; a < FIXED_ATTRIBUTE_COUNT; ++a)
            if (Has(layout.present, a))
                span = std::max(span, layout.offset[a] + AttributeBytes(Fixed.arrays[a]));
        Write(into, GL_ARRAY_BUFFER, vertexAt, RecordStart(layout) + stride * low, stride * (n - 1) + span);
    }

    const auto first = static_cast<uint32_t>(vertexAt / stride);
    draw->mode = mode;
    draw->count = count;
    draw->first = first;
    draw->last = first + n - 1;
    draw->indexType = VisitIndices(type, indices, [&](const auto* typed) {
        return RebaseIndices(typed, count, low, first, draw->last);
    });
    draw->indexOffset = Reserve(into, GL_ELEMENT_ARRAY_BUFFER, Fixed.scratch.size(), 4);
    Write(into, GL_ELEMENT_ARRAY_BUFFER, draw->indexOffset, Fixed.scratch.data(), Fixed.scratch.size());
    draw->present = layout.present;
    draw->buffer = into.streaming ? STREAM : static_cast<uint32_t>(&into - Fixed.listGeometry.data());
    return true;
}

} // namespace

void DrawGeometry(const GeometryDraw& draw)
{
    GeometryBuffer& b = draw.buffer == STREAM ? Fixed.stream : Fixed.listGeometry[draw.buffer];
    if (!b.streaming)
        SendListGeometry(b);
    BindVertexArray(b.vertexArray);
    const auto unpointed = static_cast<uint8_t>(b.layout.present & ~b.pointed);
    if (unpointed) {
        BindArrayBuffer(b.vertexBuffer);
        for (int a = 0; a < FIXED_ATTRIBUTE_COUNT; ++a) {
            if (!Has(unpointed, a))
                continue;
            // Colours and normals of integer types are fractions of their range in GL 1.1.
            const GLboolean normalised =
                b.layout.type[a] != GL_FLOAT && (a == FIXED_COLOUR || a == FIXED_NORMAL) ? GL_TRUE : GL_FALSE;
            glVertexAttribPointer(static_cast<GLuint>(a), b.layout.size[a], b.layout.type[a], normalised,
                                  static_cast<GLsizei>(b.layout.stride),
                                  reinterpret_cast<const void*>(static_cast<uintptr_t>(b.layout.offset[a])));
        }
        b.pointed = b.layout.present;
    }
    EnableArrays(draw.present);
    if (!PrepareProgram(draw.present))
        return;
    SyncRenderState();
    // With the range, GL need not look for it in the indices.
    glDrawRangeElements(draw.mode, draw.first, draw.last, draw.count, draw.indexType,
                        reinterpret_cast<const void*>(static_cast<uintptr_t>(draw.indexOffset)));
}

void StartGeometry()
{
    StartBuffer(Fixed.stream, true);
}

void StopGeometry()
{
    StopBuffer(Fixed.stream);
    for (GeometryBuffer& b : Fixed.listGeometry)
        StopBuffer(b);
    Fixed.listGeometry.clear();
}

// Each glDrawElements copies what it reaches: into the list buffers while a list is
// being compiled, else into the stream buffer; then it is recorded, drawn, or both.
void FixedDrawElements(GLenum mode, GLsizei count, GLenum type, const void* indices)
{
    GeometryDraw draw;
    GeometryBuffer& into = Fixed.compiling ? Fixed.listGeometry[ListGeometryFor(ClientLayout())] : Fixed.stream;
    if (UploadDraw(into, mode, count, type, indices, &draw))
        SubmitCommand({ LIST_DRAW }, nullptr, &draw);
}
