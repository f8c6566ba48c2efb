// The shaders of the fixed-function layer: one vertex shader and one fragment shader,
// built per combination of the variant bits the state can ask for, all compiled and
// linked when the layer starts; and the upload of their uniforms.
//
// Per vertex: position by projection x modelview; colour clamped to [0, 1] as GL
// clamps vertex colours; with sphere mapping, s and t from the eye-space position u
// (unit length) and the eye-space normal n (the normal matrix's product, not
// renormalised, as GL leaves it without GL_NORMALIZE): r = u - 2 (n.u) n,
// m = 2 sqrt(rx^2 + ry^2 + (rz + 1)^2), (s, t) = (rx / m + 1/2, ry / m + 1/2);
// then the texture matrix, and s / q, t / q per fragment.
// Per fragment: GL_MODULATE, the texel times the colour. GL_CLAMP with linear
// filtering clamps the coordinate to [0, 1] and blends the texels outside the image
// as the border colour, transparent black. ES has no such wrap: the sampler clamps
// to the edge, and the filtered texel is scaled by the share of its footprint that
// lies inside the image (per axis, the weight of the texels not beyond the edge),
// which leaves exactly the edge texels' part of the blend.
#include "platform/gles/layer.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {

const char* const VERTEX_SHADER = R"(
layout(location = 0) in vec4 aPosition;
layout(location = 1) in vec3 aNormal;
layout(location = 2) in vec4 aTexCoord;
layout(location = 3) in vec4 aColour;
// What changes from draw to draw, in one array sent by one call, by the slots of
// DrawSlot (layer.h). DRAW_COLOUR is 0 with a colour array, else the current colour
// (aColour is then 0).
#if SPHERE_MAP
uniform vec4 uDraw[DRAW_SPHERE_LENGTH];
uniform vec2 uGenerate;
#else
uniform vec4 uDraw[DRAW_PLAIN_LENGTH];
#endif
uniform mat4 uTextureMatrix;
out vec4 vColour;
out vec3 vTexCoord;
#define DRAW_MATRIX(at) mat4(uDraw[at], uDraw[at + 1], uDraw[at + 2], uDraw[at + 3])
void main()
{
    gl_Position = DRAW_MATRIX(DRAW_PROJECTED) * aPosition;
    vColour = clamp(aColour + uDraw[DRAW_COLOUR], 0.0, 1.0);
    vec4 coordinate = aTexCoord;
#if SPHERE_MAP
    vec3 u = normalize((DRAW_MATRIX(DRAW_EYE) * aPosition).xyz);
    vec3 n = mat3(uDraw[DRAW_NORMAL].xyz, uDraw[DRAW_NORMAL + 1].xyz, uDraw[DRAW_NORMAL + 2].xyz) * aNormal;
    vec3 r = u - 2.0 * dot(n, u) * n;
    float m = 2.0 * sqrt(r.x * r.x + r.y * r.y + (r.z + 1.0) * (r.z + 1.0));
    coordinate.xy = mix(coordinate.xy, r.xy / m + 0.5, uGenerate);
#endif
    vec4 t = uTextureMatrix * coordinate;
    vTexCoord = vec3(t.xy, t.w);
}
)";

const char* const FRAGMENT_SHADER = R"(
precision highp float;
precision highp int;
in vec4 vColour;
in vec3 vTexCoord;
uniform sampler2D uTexture;
out vec4 fragColour;
#if BORDER
// Per axis: 0 repeat, 1 clamp to the edge texel, 2 GL_CLAMP (border outside).
uniform ivec2 uWrap;
// Linear filtering by hand over the texels i and i + 1 on each axis, wrapped (sizes
// are powers of two, as GL 1.1 has them) or clamped into the image; on a GL_CLAMP
// axis a texel beyond the image is the border colour, transparent black, and weighs 0.
vec4 Sample(vec2 st)
{
    ivec2 size = textureSize(uTexture, 0);
    if (uWrap.x == 2)
        st.x = clamp(st.x, 0.0, 1.0);
    if (uWrap.y == 2)
        st.y = clamp(st.y, 0.0, 1.0);
    vec2 u = st * vec2(size) - 0.5;
    ivec2 i0 = ivec2(floor(u));
    ivec2 i1 = i0 + 1;
    vec2 f = u - floor(u);
    ivec2 last = size - 1;
    bvec2 repeat = equal(uWrap, ivec2(0));
    bvec2 border = equal(uWrap, ivec2(2));
    ivec2 j0 = ivec2(repeat.x ? i0.x & last.x : clamp(i0.x, 0, last.x), repeat.y ? i0.y & last.y : clamp(i0.y, 0, last.y));
    ivec2 j1 = ivec2(repeat.x ? i1.x & last.x : clamp(i1.x, 0, last.x), repeat.y ? i1.y & last.y : clamp(i1.y, 0, last.y));
    vec2 k0 = vec2(border.x && i0.x != j0.x ? 0.0 : 1.0, border.y && i0.y != j0.y ? 0.0 : 1.0);
    vec2 k1 = vec2(border.x && i1.x != j1.x ? 0.0 : 1.0, border.y && i1.y != j1.y ? 0.0 : 1.0);
    vec4 a = mix(texelFetch(uTexture, j0, 0) * (k0.x * k0.y), texelFetch(uTexture, ivec2(j1.x, j0.y), 0) * (k1.x * k0.y), f.x);
    vec4 b = mix(texelFetch(uTexture, ivec2(j0.x, j1.y), 0) * (k0.x * k1.y), texelFetch(uTexture, j1, 0) * (k1.x * k1.y), f.x);
    return mix(a, b, f.y);
}
#else
vec4 Sample(vec2 st)
{
    return texture(uTexture, st);
}
#endif
// 1 while blending is off: the back buffer's alpha stays 1. Else 0.
uniform float uOpaque;
void main()
{
    vec4 colour = vColour;
#if TEXTURE
    vec4 texel = Sample(vTexCoord.xy / vTexCoord.z);
#if LUMINANCE
    texel = vec4(texel.rrr, 1.0);
#endif
    colour *= texel;
#endif
    fragColour = vec4(colour.rgb, max(colour.a, uOpaque));
}
)";

constexpr int FRAGMENT_BITS = VARIANT_TEXTURE | VARIANT_LUMINANCE | VARIANT_BORDER;
constexpr uint64_t NEVER_SENT = UINT64_MAX;   // no matrix has this generation
constexpr float NO_COLOUR[4] = {};

// The names every shader's source is given: the variant's bits and uDraw's slots.
constexpr struct {
    const char* name;
    int value;
} DrawSlotNames[] = {
    { "DRAW_PROJECTED", DRAW_PROJECTED }, { "DRAW_COLOUR", DRAW_COLOUR },
    { "DRAW_PLAIN_LENGTH", DRAW_PLAIN_LENGTH }, { "DRAW_EYE", DRAW_EYE },
    { "DRAW_NORMAL", DRAW_NORMAL }, { "DRAW_SPHERE_LENGTH", DRAW_SPHERE_LENGTH },
};

// Texture bits mean nothing without a texture: such variants are never drawn.
bool Reachable(int variant)
{
    return (variant & VARIANT_TEXTURE) || !(variant & (VARIANT_LUMINANCE | VARIANT_BORDER));
}

// A shader for the variant's bits, compiling; its status is read once all are.
GLuint Compile(GLenum kind, int variant, const char* body)
{
    std::string source = "#version 300 es\n";
    source += "#define TEXTURE " + std::to_string((variant & VARIANT_TEXTURE) ? 1 : 0) + "\n";
    source += "#define LUMINANCE " + std::to_string((variant & VARIANT_LUMINANCE) ? 1 : 0) + "\n";
    source += "#define BORDER " + std::to_string((variant & VARIANT_BORDER) ? 1 : 0) + "\n";
    source += "#define SPHERE_MAP " + std::to_string((variant & VARIANT_SPHERE_MAP) ? 1 : 0) + "\n";
    for (const auto& slot : DrawSlotNames)
        source += std::string("#define ") + slot.name + " " + std::to_string(slot.value) + "\n";
    source += body;
    const char* text = source.c_str();
    const GLuint shader = glCreateShader(kind);
    glShaderSource(shader, 1, &text, nullptr);
    glCompileShader(shader);
    return shader;
}

bool Compiled(GLuint shader, int variant)
{
    GLint ok = GL_FALSE;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (!ok) {
        char log[1024] = {};
        glGetShaderInfoLog(shader, sizeof log, nullptr, log);
        std::fprintf(stderr, "quorvantile: shader variant %d: %s\n", variant, log);
    }
    return ok;
}

bool Linked(FixedProgram& p, int variant)
{
    GLint ok = GL_FALSE;
    glGetProgramiv(p.program, GL_LINK_STATUS, &ok);
    if (!ok) {
        char log[1024] = {};
        glGetProgramInfoLog(p.program, sizeof log, nullptr, log);
        std::fprintf(stderr, "quorvantile: shader variant %d does not link: %s\n", variant, log);
        return false;
    }
    // The sampler reads unit 0, every uniform's initial value.
    p.draw = glGetUniformLocation(p.program, "uDraw");
    p.textureMatrix = glGetUniformLocation(p.program, "uTextureMatrix");
    p.generate = glGetUniformLocation(p.program, "uGenerate");
    p.wrap = glGetUniformLocation(p.program, "uWrap");
    p.opaque = glGetUniformLocation(p.program, "uOpaque");
    p.sentDraw.modelView = p.sentDraw.projection = p.sentTexture = NEVER_SENT;
    return true;
}

int WrapMode(GLenum wrap)
{
    if (wrap == GL_REPEAT)
        return 0;
    return wrap == GL_CLAMP ? 2 : 1;
}

// The variant that draws the current state, and what it samples and generates.
struct ProgramChoice {
    int variant = 0;
    const TextureInfo* texture = nullptr;   // with VARIANT_TEXTURE
    bool generateS = false;
    bool generateT = false;
};

ProgramChoice ChooseVariant()
{
    ProgramChoice choice;
    const TextureInfo* texture = BoundTextureInfo();
    // GL 1.1 draws without texturing when the bound texture is incomplete: no image,
    // or a minification filter that asks for mipmaps nobody made.
    const bool complete = texture && texture->defined &&
                          (texture->minFilter == GL_NEAREST || texture->minFilter == GL_LINEAR);
    if (Fixed.texture2d && complete) {
        choice.texture = texture;
        choice.variant |= VARIANT_TEXTURE;
        if (texture->luminance)
            choice.variant |= VARIANT_LUMINANCE;
        if (texture->magFilter == GL_LINEAR && (texture->wrapS == GL_CLAMP || texture->wrapT == GL_CLAMP))
            choice.variant |= VARIANT_BORDER;
    }
    choice.generateS = Fixed.generateS && Fixed.sphereMapS;
    choice.generateT = Fixed.generateT && Fixed.sphereMapT;
    if (choice.generateS || choice.generateT)
        choice.variant |= VARIANT_SPHERE_MAP;
    return choice;
}

const Matrix4& TopOf(int stack)
{
    const MatrixStack& s = Fixed.stacks[stack];
    return s.entries[s.top];
}

uint64_t TopGeneration(int stack)
{
    const MatrixStack& s = Fixed.stacks[stack];
    return s.generations[s.top];
}

// uDraw, where the matrices or the colour have changed since it was last sent. With
// a colour array the colour is the array's; without, the current colour reaches the
// shader here, as aColour is then 0.
void SendDrawArray(FixedProgram& p, bool sphereMap, uint8_t present)
{
    const float* colour = (present & (1u << FIXED_COLOUR)) ? NO_COLOUR : Fixed.current[FIXED_COLOUR];
    const DrawSource source = { TopGeneration(FIXED_MODELVIEW), TopGeneration(FIXED_PROJECTION),
                                { colour[0], colour[1], colour[2], colour[3] } };
    Set(p.sentDraw, source, [&](const DrawSource&) {
        float draw[DRAW_SPHERE_LENGTH][4];
        const Matrix4& eye = TopOf(FIXED_MODELVIEW);
        const Matrix4 projected = MultiplyMatrices(TopOf(FIXED_PROJECTION), eye);
        std::memcpy(draw[DRAW_PROJECTED], projected.m, sizeof projected.m);
        std::memcpy(draw[DRAW_COLOUR], colour, sizeof draw[DRAW_COLOUR]);
        if (sphereMap) {
            std::memcpy(draw[DRAW_EYE], eye.m, sizeof eye.m);
            float normal[9];
            NormalMatrix(eye, normal);
            for (int column = 0; column < 3; ++column) {
                std::memcpy(draw[DRAW_NORMAL + column], normal + 3 * column, sizeof(float) * 3);
                draw[DRAW_NORMAL + column][3] = 0.0f;
            }
        }
        glUniform4fv(p.draw, sphereMap ? DRAW_SPHERE_LENGTH : DRAW_PLAIN_LENGTH, draw[0]);
    });
}

// The other uniforms the variant reads, where they differ from what it has.
void SendStateUniforms(FixedProgram& p, const ProgramChoice& choice)
{
    Set(p.sentTexture, TopGeneration(FIXED_TEXTURE_STACK),
        [&](uint64_t) { glUniformMatrix4fv(p.textureMatrix, 1, GL_FALSE, TopOf(FIXED_TEXTURE_STACK).m); });
    const float opaque = (Fixed.wanted.capabilities & CAP_BLEND) ? 0.0f : 1.0f;
    Set(p.sentOpaque, opaque, [&](float o) { glUniform1f(p.opaque, o); });
    if (choice.variant & VARIANT_SPHERE_MAP) {
        const std::array<float, 2> generate = { choice.generateS ? 1.0f : 0.0f, choice.generateT ? 1.0f : 0.0f };
        Set(p.sentGenerate, generate, [&](const auto& g) { glUniform2f(p.generate, g[0], g[1]); });
    }
    if (choice.variant & VARIANT_BORDER) {
        const std::array<int, 2> wrap = { WrapMode(choice.texture->wrapS), WrapMode(choice.texture->wrapT) };
        Set(p.sentWrap, wrap, [&](const auto& w) { glUniform2i(p.wrap, w[0], w[1]); });
    }
}

// The current normal and texture coordinates where no array feeds them and the
// variant reads them; the colour's value for aColour without an array is 0.
void SendCurrentValues(int variant, uint8_t present)
{
    if (!(present & (1u << FIXED_NORMAL)) && (variant & VARIANT_SPHERE_MAP))
        SendCurrentValue(FIXED_NORMAL, Fixed.current[FIXED_NORMAL]);
    if (!(present & (1u << FIXED_TEXCOORD)) && (variant & VARIANT_TEXTURE))
        SendCurrentValue(FIXED_TEXCOORD, Fixed.current[FIXED_TEXCOORD]);
    SendCurrentValue(FIXED_COLOUR, NO_COLOUR);
}

} // namespace

// Every shader first, then every program, then their status: the driver may compile
// them side by side, and nothing waits for one before the next is on its way.
bool StartPrograms()
{
    GLuint vertex[2] = {};
    GLuint fragment[FRAGMENT_BITS + 1] = {};
    for (int v = 0; v < 2; ++v)
        vertex[v] = Compile(GL_VERTEX_SHADER, v ? VARIANT_SPHERE_MAP : 0, VERTEX_SHADER);
    for (int f = 0; f <= FRAGMENT_BITS; ++f)
        if (Reachable(f))
            fragment[f] = Compile(GL_FRAGMENT_SHADER, f, FRAGMENT_SHADER);
    for (int variant = 0; variant < VARIANT_COUNT; ++variant) {
        if (!Reachable(variant))
            continue;
        FixedProgram& p = Fixed.programs[variant];
        p.program = glCreateProgram();
        glAttachShader(p.program, vertex[(variant & VARIANT_SPHERE_MAP) ? 1 : 0]);
        glAttachShader(p.program, fragment[variant & FRAGMENT_BITS]);
        glLinkProgram(p.program);
    }
    bool ok = true;
    for (int v = 0; v < 2; ++v)
        ok = Compiled(vertex[v], v ? VARIANT_SPHERE_MAP : 0) && ok;
    for (int f = 0; f <= FRAGMENT_BITS; ++f)
        if (fragment[f])
            ok = Compiled(fragment[f], f) && ok;
    for (int variant = 0; variant < VARIANT_COUNT; ++variant)
        if (Fixed.programs[variant].program)
            ok = Linked(Fixed.programs[variant], variant) && ok;
    for (GLuint shader : vertex)
        glDeleteShader(shader);
    for (GLuint shader : fragment)
        if (shader)
            glDeleteShader(shader);
    if (!ok)
        StopPrograms();
    return ok;
}

void StopPrograms()
{
    for (FixedProgram& p : Fixed.programs) {
        if (p.program)
            glDeleteProgram(p.program);
        p = FixedProgram{};
    }
    UseProgram(0);
}

bool PrepareProgram(uint8_t present)
{
    const ProgramChoice choice = ChooseVariant();
    FixedProgram& p = Fixed.programs[choice.variant];
    if (!p.program)
        return false;
    UseProgram(p.program);
    if (choice.variant & VARIANT_TEXTURE)
        BindTexture(Fixed.boundTexture);
    SendDrawArray(p, (choice.variant & VARIANT_SPHERE_MAP) != 0, present);
    SendStateUniforms(p, choice);
    SendCurrentValues(choice.variant, present);
    return true;
}
