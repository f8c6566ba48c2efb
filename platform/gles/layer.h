// The fixed-function layer's state, shared by its sources; internal to platform/gles.
// One record, Fixed, holds everything OpenGL 1.1 would keep in its context that
// OpenGL ES does not: the matrix stacks, the client arrays and current attributes,
// the texture generation and texture-object details, the display lists.
#pragma once

#include <cstddef>
#include <cstdint>
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

struct MatrixStack {
    Matrix4 entries[FIXED_STACK_DEPTH];
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
    GLint width = 0;
    GLint height = 0;
    GLenum wrapS = GL_REPEAT;  // GL_CLAMP is kept here; ES gets GL_CLAMP_TO_EDGE
    GLenum wrapT = GL_REPEAT;
    GLenum minFilter = GL_NEAREST_MIPMAP_LINEAR;
    GLenum magFilter = GL_LINEAR;
};

// One glDrawElements compiled into a list: the vertices it referenced, copied, and
// its indices rebased onto them.
struct ListDraw {
    GLuint vertexArray = 0;
    GLuint vertexBuffer = 0;
    GLuint indexBuffer = 0;
    GLenum mode = GL_TRIANGLES;
    GLsizei count = 0;
    GLenum indexType = GL_UNSIGNED_SHORT;
    bool present[FIXED_ATTRIBUTE_COUNT] = {};
};

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
    uint32_t matrix = 0;      // LIST_MULTIPLY_MATRIX: index into DisplayList::matrices
};

struct DisplayList {
    bool exists = false;
    std::vector<ListCommand> commands;
    std::vector<ListDraw> draws;
    std::vector<Matrix4> matrices;
};

// A linked shader program for one combination of the variant bits.
struct FixedProgram {
    GLuint program = 0;
    GLint modelViewProjection = -1;
    GLint modelView = -1;
    GLint normalMatrix = -1;
    GLint textureMatrix = -1;
    GLint generate = -1;
    GLint wrap = -1;
    // What was last uploaded, so that unchanged uniforms are not sent again.
    float sent[16 + 16 + 9 + 16 + 2] = {};
    int sentWrap[2] = { -1, -1 };
    bool anySent = false;
};

constexpr int VARIANT_TEXTURE = 1;      // GL_TEXTURE_2D on with a complete texture bound
constexpr int VARIANT_LUMINANCE = 2;    // the texture is a luminance copy
constexpr int VARIANT_BORDER = 4;       // linear filtering with GL_CLAMP on some axis
constexpr int VARIANT_SPHERE_MAP = 8;   // s or t generated
constexpr int VARIANT_COUNT = 16;

struct FixedLayerState {
    bool started = false;
    MatrixStack stacks[FIXED_STACK_COUNT];
    int matrixMode = FIXED_MODELVIEW;

    ClientArray arrays[FIXED_ATTRIBUTE_COUNT];
    // Current values where no array feeds an attribute.
    float current[FIXED_ATTRIBUTE_COUNT][4] = {
        { 0, 0, 0, 1 }, { 0, 0, 1, 0 }, { 0, 0, 0, 1 }, { 1, 1, 1, 1 },
    };

    bool texture2d = false;
    bool generateS = false;
    bool generateT = false;
    bool sphereMapS = false;    // the generation mode is GL_SPHERE_MAP
    bool sphereMapT = false;
    GLenum shadeModel = GL_SMOOTH;
    GLenum textureEnvMode = GL_MODULATE;
    GLuint boundTexture = 0;
    std::vector<TextureInfo> textures;   // indexed by texture name
    int packAlignment = 4;

    std::vector<DisplayList> lists;      // indexed by list name
    GLuint compiling = 0;                // the list being compiled, 0 when none
    bool executeWhileCompiling = false;
    int listDepth = 0;

    // The back buffer every draw goes to.
    GLuint framebuffer = 0;
    GLuint colourBuffer = 0;
    GLuint depthBuffer = 0;
    int width = 0;
    int height = 0;

    // Immediate draws copy what they use into these.
    GLuint streamVertexArray = 0;
    GLuint streamVertexBuffer = 0;
    GLuint streamIndexBuffer = 0;
    size_t streamVertexUsed = 0;
    size_t streamIndexUsed = 0;

    FixedProgram programs[VARIANT_COUNT];
    int currentProgram = -1;
};

extern FixedLayerState Fixed;

// ---- Shared between the layer's sources ---------------------------------------------

// The stack glMatrixMode chose, and its top.
Matrix4& CurrentMatrix();
// Multiplies the current stack's top by m on the right (recorded inside a list).
void MultiplyCurrentMatrix(const Matrix4& m);
void ApplyMatrixMode(GLenum mode);
void ApplyLoadIdentity();
void ApplyPushMatrix();
void ApplyPopMatrix();

void ApplyEnable(GLenum capability, bool on);
void ApplyDepthMask(GLboolean flag);
void ApplyDepthFunc(GLenum function);
void ApplyBlendFunc(GLenum source, GLenum destination);
void ApplyBindTexture(GLuint name);
void ApplyColour(float red, float green, float blue, float alpha);

// The entry of the bound texture, or null for name 0 and names never bound.
const TextureInfo* BoundTextureInfo();

// Chooses and binds the program for the current state and sends its uniforms and
// the current values of the attributes that no array feeds.
void PrepareDraw(const bool present[FIXED_ATTRIBUTE_COUNT]);
// Bytes one element of an array takes, and the step from one element to the next.
size_t AttributeBytes(const ClientArray& array);
size_t AttributeStride(const ClientArray& array);
// Sets a bound vertex array's attribute to read `array`'s layout at `offset` in the
// bound GL_ARRAY_BUFFER.
void PointAttribute(int attribute, const ClientArray& array, size_t offset);
// Where the vertices [low, high] of the enabled client arrays lie: one block of
// memory where the arrays interleave, else one piece per array.
struct VertexPieces {
    struct Piece {
        const uint8_t* start;
        size_t bytes;
    };
    bool present[FIXED_ATTRIBUTE_COUNT] = {};
    int pieceCount = 0;
    Piece pieces[FIXED_ATTRIBUTE_COUNT] = {};
    int pieceOf[FIXED_ATTRIBUTE_COUNT] = {};
    size_t offsetInPiece[FIXED_ATTRIBUTE_COUNT] = {};
};
VertexPieces FindVertexPieces(uint32_t low, uint32_t high);
// Index i of an index array of the given type, and the smallest and largest of count.
uint32_t IndexAt(GLenum type, const void* indices, GLsizei i);
void IndexRange(GLenum type, GLsizei count, const void* indices, uint32_t* low, uint32_t* high);
// count indices minus low, as 16-bit values when narrow, else 32-bit ones.
void RebaseIndices(GLenum type, GLsizei count, const void* indices, uint32_t low, bool narrow,
                   std::vector<uint8_t>* out);

// Appends a command to the list being compiled. True when the call must not also
// run now (GL_COMPILE).
bool RecordCommand(const ListCommand& command);
// Compiles one glDrawElements into the list being compiled.
void RecordDraw(GLenum mode, GLsizei count, GLenum type, const void* indices);

bool StartPrograms();
void StopPrograms();
