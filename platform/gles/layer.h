// The fixed-function layer's state, shared by its sources; internal to platform/gles.
// One record, Fixed, holds everything OpenGL 1.1 would keep in its context that
// OpenGL ES does not (the matrix stacks, the client arrays and current attributes,
// texture generation and texture-object details, the display lists), the state the
// demo asked for, and, in Fixed.gl, what the ES context holds now. The GL 1.1 calls
// change only the first two; a draw, a clear or a copy brings the context to what it
// needs through the cache (state_cache.cpp), so that no ES call leaves the context's
// state as it was.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "platform/gles/fixed_function.h"
#include "platform/gles/matrix.h"

constexpr int FIXED_STACK_DEPTH = 32;      // per stack, as in common drivers
constexpr int FIXED_LIST_NESTING = 64;     // glCallList depth inside lists

// Vertex attributes, also the shaders' attribute locations.
enum FixedAttribute : int {
    FIXED_POSITION,
    FIXED_NORMAL,
    FIXED_TEXCOORD,
    FIXED_COLOUR,
    FIXED_ATTRIBUTE_COUNT,
};

enum FixedStack : int { FIXED_MODELVIEW, FIXED_PROJECTION, FIXED_TEXTURE_STACK, FIXED_STACK_COUNT };

// Each entry's generation changes whenever its value does, so that a uniform sent
// from it is known to be current by comparing one number. Generation 0 is the
// identity; the others come from FixedLayerState::nextGeneration and never repeat.
struct MatrixStack {
    Matrix4 entries[FIXED_STACK_DEPTH];
    uint64_t generations[FIXED_STACK_DEPTH] = {};
    int top = 0;
};

struct ClientArray {
    bool enabled = false;
    GLint size = 4;
    GLenum type = GL_FLOAT;
    GLsizei stride = 0;      // as given; 0 means tightly packed
    const uint8_t* pointer = nullptr;
};

// What OpenGL 1.1 knows about a texture object and OpenGL ES does not.
struct TextureInfo {
    bool defined = false;      // level 0 has an image
    bool luminance = false;    // stored as RGBA, sampled as (R, R, R, 1)
    GLenum wrapS = GL_REPEAT;  // GL_CLAMP is kept here; ES gets GL_CLAMP_TO_EDGE
    GLenum wrapT = GL_REPEAT;
    GLenum minFilter = GL_NEAREST_MIPMAP_LINEAR;
    GLenum magFilter = GL_LINEAR;
};

// ---- Geometry in GL buffers (geometry.cpp) --------------------------------------------

// How vertices lie in a geometry buffer: one record of `stride` bytes per vertex, each
// attribute at its offset in it, in the client array's size and type.
struct VertexLayout {
    uint32_t stride = 0;
    uint8_t present = 0;                         // bit per FixedAttribute
    uint8_t size[FIXED_ATTRIBUTE_COUNT] = {};
    GLenum type[FIXED_ATTRIBUTE_COUNT] = {};
    uint32_t offset[FIXED_ATTRIBUTE_COUNT] = {};
};

// Vertex and index buffers read through one vertex array object. The list buffers
// keep every list's geometry, appended, in a copy here that is sent whole when it
// has grown; the stream buffer takes each immediate draw's geometry after the last,
// from its start again (on fresh storage) when full.
struct GeometryBuffer {
    bool streaming = false;
    GLuint vertexArray = 0;
    GLuint vertexBuffer = 0;
    GLuint indexBuffer = 0;
    VertexLayout layout;                   // what the vertex array's attributes point at
    uint8_t pointed = 0;                   // attributes whose pointer is set
    size_t vertexBytes = 0;                // used, always a whole number of vertices
    size_t indexBytes = 0;
    std::vector<uint8_t> vertices;         // list buffers: the contents
    std::vector<uint8_t> indices;
    size_t sentVertexBytes = 0;            // list buffers: how much of it GL has
    size_t sentIndexBytes = 0;
};

// One glDrawElements as it lies in a geometry buffer: what a list records of it.
struct GeometryDraw {
    GLenum mode = GL_TRIANGLES;
    GLsizei count = 0;
    GLenum indexType = GL_UNSIGNED_INT;
    size_t indexOffset = 0;                // bytes into the index buffer
    uint32_t first = 0;                    // the vertices the indices reach, in the buffer
    uint32_t last = 0;
    uint8_t present = 0;                   // attributes fed by the buffer; others current
    uint32_t buffer = 0;                   // index into FixedLayerState::listGeometry
};

// ---- Display lists (display_lists.cpp) --------------------------------------------------

enum ListOperation : uint8_t {
    LIST_ENABLE,
    LIST_DISABLE,
    LIST_BIND_TEXTURE,
    LIST_DEPTH_MASK,
    LIST_DEPTH_FUNC,
    LIST_BLEND_FUNC,
    LIST_COLOUR,
    LIST_MATRIX_MODE,
    LIST_LOAD_IDENTITY,
    LIST_PUSH_MATRIX,
    LIST_POP_MATRIX,
    LIST_MULTIPLY_MATRIX,
    LIST_DRAW,
    LIST_CALL_LIST,
};

struct ListCommand {
    ListOperation operation;
    uint32_t a = 0;
    uint32_t b = 0;
    float values[4] = {};
    uint32_t item = 0;      // in a list: LIST_MULTIPLY_MATRIX's matrix, LIST_DRAW's draw
};

struct DisplayList {
    bool exists = false;
    std::vector<ListCommand> commands;
    std::vector<GeometryDraw> draws;
    std::vector<Matrix4> matrices;
};

// ---- Shaders (programs.cpp) -------------------------------------------------------------

constexpr int VARIANT_TEXTURE = 1;      // GL_TEXTURE_2D on with a complete texture bound
constexpr int VARIANT_LUMINANCE = 2;    // the texture is a luminance copy
constexpr int VARIANT_BORDER = 4;       // linear filtering with GL_CLAMP on some axis
constexpr int VARIANT_SPHERE_MAP = 8;   // s or t generated
constexpr int VARIANT_COUNT = 16;

// uDraw, the vertex shader's per-draw array of vec4s, by slot: the shader's source
// is given these as #defines (programs.cpp), so both sides name the same slots.
enum DrawSlot : int {
    DRAW_PROJECTED = 0,         // 4: the modelview-projection matrix's columns
    DRAW_COLOUR = 4,            // 1: added to aColour (the current colour, or 0)
    DRAW_PLAIN_LENGTH = 5,      // the array without sphere mapping
    DRAW_EYE = 5,               // 4: the modelview matrix's columns
    DRAW_NORMAL = 9,            // 3: the normal matrix's columns
    DRAW_SPHERE_LENGTH = 12,    // the array with sphere mapping
};

// What uDraw was made from: the generations of the two matrices, and the colour.
struct DrawSource {
    uint64_t modelView = 0;
    uint64_t projection = 0;
    std::array<float, 4> colour = {};
    bool operator==(const DrawSource&) const = default;
};

// A linked program for one combination of the variant bits, with what its uniforms
// were last sent: the generations of the matrices they came from, and values.
struct FixedProgram {
    GLuint program = 0;
    GLint draw = -1;                       // uDraw
    GLint textureMatrix = -1;
    GLint generate = -1;
    GLint wrap = -1;
    GLint opaque = -1;
    DrawSource sentDraw;
    uint64_t sentTexture = 0;
    std::array<float, 2> sentGenerate = {};   // as every uniform starts
    std::array<int, 2> sentWrap = {};
    float sentOpaque = 0.0f;
};

// ---- The ES context's state, as last set (state_cache.cpp) ------------------------------

// The capabilities the demo switches that ES has, as bits (state_cache.cpp's table
// gives each its GL name).
enum FixedCapability : uint8_t {
    CAP_DEPTH_TEST = 1,
    CAP_CULL_FACE = 2,
    CAP_BLEND = 4,
    CAP_DITHER = 8,
    CAP_SCISSOR_TEST = 16,
};
constexpr int FIXED_CAPABILITY_COUNT = 5;

// The render state a draw or a clear uses: what the demo asked for (Fixed.wanted) and
// what the context has (Fixed.gl.render) are both this.
struct RenderState {
    uint8_t capabilities = CAP_DITHER;     // ES starts with dithering on
    GLboolean depthMask = GL_TRUE;
    GLenum depthFunc = GL_LESS;
    std::array<GLenum, 2> blend = { GL_ONE, GL_ZERO };   // source and destination factors
    std::array<GLint, 4> viewport = {};
    std::array<GLint, 4> scissor = {};
    std::array<GLfloat, 4> clearColour = {};
    GLfloat clearDepth = 1.0f;
};

struct GlState {
    bool unknown = false;                  // while starting: every Set makes its call
    RenderState render;
    GLuint program = 0;
    GLuint texture = 0;                    // bound to GL_TEXTURE_2D on unit 0
    GLuint vertexArray = 0;
    GLuint arrayBuffer = 0;
    std::optional<std::array<float, 4>> currentValue[FIXED_ATTRIBUTE_COUNT];   // once sent
    int packAlignment = 4;
    int unpackAlignment = 4;
};

// ---- The layer's one record -------------------------------------------------------------

struct FixedLayerState {
    bool started = false;
    MatrixStack stacks[FIXED_STACK_COUNT];
    int matrixMode = FIXED_MODELVIEW;
    uint64_t nextGeneration = 1;

    ClientArray arrays[FIXED_ATTRIBUTE_COUNT];
    // Current values where no array feeds an attribute.
    float current[FIXED_ATTRIBUTE_COUNT][4] = {
        { 0, 0, 0, 1 }, { 0, 0, 1, 0 }, { 0, 0, 0, 1 }, { 1, 1, 1, 1 },
    };

    RenderState wanted;                    // as the demo set it
    bool renderChanged = true;             // wanted may differ from Fixed.gl.render
    bool texture2d = false;
    bool generateS = false;
    bool generateT = false;
    bool sphereMapS = false;               // the generation mode is GL_SPHERE_MAP
    bool sphereMapT = false;
    GLuint boundTexture = 0;
    std::vector<TextureInfo> textures;     // indexed by texture name
    int packAlignment = 4;                 // as the demo set them
    int unpackAlignment = 4;

    std::vector<DisplayList> lists;        // indexed by list name
    GLuint compiling = 0;                  // the list being compiled, 0 when none
    bool executeWhileCompiling = false;
    int listDepth = 0;

    // The back buffer every draw goes to.
    GLuint framebuffer = 0;
    GLuint colourBuffer = 0;
    GLuint depthBuffer = 0;
    int width = 0;
    int height = 0;

    GeometryBuffer stream;                   // immediate draws
    std::vector<GeometryBuffer> listGeometry;   // display lists, one per vertex layout
    std::vector<uint8_t> scratch;            // vertices or indices on their way to GL

    FixedProgram programs[VARIANT_COUNT];
    GlState gl;
    // The enabled attribute arrays, a vertex array object's state: per object, by its
    // name, a bit per attribute.
    std::vector<uint8_t> enabledArrays;
};

extern FixedLayerState Fixed;

// The one way a field of the layer's state records changes: when `value` differs from
// what `held` records (or while Fixed.gl.unknown), `change` is made with it (the GL
// call for the context's state, a note for the state the demo asked for) and `held`
// records it. True when it changed.
template <typename T, typename V, typename Change>
bool Set(T& held, const V& value, Change change)
{
    if (held == value && !Fixed.gl.unknown)
        return false;
    change(value);
    held = value;
    return true;
}

// A field of Fixed.wanted: a change is left for SyncRenderState.
template <typename T>
void Want(T& field, const T& value)
{
    Set(field, value, [](const T&) { Fixed.renderChanged = true; });
}

// ---- Shared between the layer's sources ---------------------------------------------

// The stack glMatrixMode chose.
MatrixStack& CurrentStack();
// Replaces the current stack's top (generation 0 for the identity, else a fresh one).
void ReplaceCurrentMatrix(const Matrix4& m, bool identity);
void ApplyMatrixMode(GLenum mode);
void ApplyPushMatrix();
void ApplyPopMatrix();

void ApplyEnable(GLenum capability, bool on);
void ApplyDepthMask(GLboolean flag);
void ApplyDepthFunc(GLenum function);
void ApplyBlendFunc(GLenum source, GLenum destination);
void ApplyBindTexture(GLuint name);
void ApplyColour(const float colour[4]);

// A GL 1.1 call that a list may record: run now, recorded into the list being
// compiled, or both (GL_COMPILE_AND_EXECUTE). `matrix` goes with
// LIST_MULTIPLY_MATRIX and `draw` with LIST_DRAW.
void SubmitCommand(ListCommand command, const Matrix4* matrix = nullptr, const GeometryDraw* draw = nullptr);
// Runs one command, as the call would have run outside a list.
void RunCommand(const ListCommand& command, const Matrix4* matrix, const GeometryDraw* draw);

// The entry of the bound texture, or null for name 0 and names never bound.
const TextureInfo* BoundTextureInfo();

// geometry.cpp: draws a GeometryDraw from its buffer in the current state; makes the
// stream buffer, and releases every geometry buffer.
void DrawGeometry(const GeometryDraw& draw);
void StartGeometry();
void StopGeometry();

// programs.cpp: compiles and links every variant; false when one fails.
bool StartPrograms();
void StopPrograms();
// Chooses and binds the program for the current state and brings its uniforms and
// the current values of the attributes that `present` does not feed up to date.
bool PrepareProgram(uint8_t present);

// state_cache.cpp: the one way the layer changes the ES context's state.
void StartStateCache();
// Brings the render state to what the demo asked for (before draws and clears).
void SyncRenderState();
// The FixedCapability bit of a GL capability, 0 for one ES has not.
uint8_t CapabilityBit(GLenum capability);
void SetCapability(uint8_t capability, bool on);
void SetClearColour(const std::array<GLfloat, 4>& colour);
void UseProgram(GLuint program);
void BindTexture(GLuint name);
void BindVertexArray(GLuint name);
void BindArrayBuffer(GLuint name);
// The attribute arrays enabled in the bound vertex array: those in `present`.
void EnableArrays(uint8_t present);
void SendCurrentValue(int attribute, const float value[4]);
void SetPackAlignment(int alignment);
void SetUnpackAlignment(int alignment);
// The cache's record of a vertex array or buffer that is being deleted.
void ForgetVertexArray(GLuint name);
void ForgetArrayBuffer(GLuint name);
