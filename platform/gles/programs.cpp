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
// What changes from draw to draw, in one array sent by one call: [0..3] the
// modelview-projection matrix's columns; [4] what is added to aColour (0 with a
// colour array, else the current colour: aColour is then 0); with sphere mapping,
// [5..8] the modelview matrix's columns and [9..11] the normal matrix's.
#if SPHERE_MAP
uniform vec4 uDraw[12];
uniform vec2 uGenerate;
#else
uniform vec4 uDraw[5];
#endif
uniform mat4 uTextureMatrix;
out vec4 vColour;
out vec3 vTexCoord;
void main()
{
    gl_Position = mat4(uDraw[0], uDraw[1], uDraw[2], uDraw[3]) * aPosition;
    vColour = clamp(aColour + uDraw[4], 0.0, 1.0);
    vec4 coordinate = aTexCoord;
#if SPHERE_MAP
    vec3 u = normalize((mat4(uDraw[5], uDraw[6], uDraw[7], uDraw[8]) * aPosition).xyz);
    vec3 n = mat3(uDraw[9].xyz, uDraw[10].xyz, uDraw[11].xyz) * aNormal;
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
    p.sentModelView = p.sentProjection = p.sentTexture = NEVER_SENT;
    return true;
}

int WrapMode(GLenum wrap)
{
    if (wrap == GL_REPEAT)
        return 0;
    return wrap == GL_CLAMP ? 2 : 1;
}

// Sends a vec2 uniform where it differs from what the program has.
void SendPair(GLint location, float* sent, float x, float y)
{
    if (sent[0] == x && sent[1] == y)
        return;
    glUniform2f(location, x, y);
    sent[0] = x;
    sent[1] = y;
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
    int variant = 0;
    const TextureInfo* texture = BoundTextureInfo();
    // GL 1.1 draws without texturing when the bound texture is incomplete: no image,
    // or a minification filter that asks for mipmaps nobody made.
    const bool complete = texture && texture->defined &&
                          (texture->minFilter == GL_NEAREST || texture->minFilter == GL_LINEAR);
    if (Fixed.texture2d && complete) {
        variant |= VARIANT_TEXTURE;
        if (texture->luminance)
            variant |= VARIANT_LUMINANCE;
        if (texture->magFilter == GL_LINEAR && (texture->wrapS == GL_CLAMP || texture->wrapT == GL_CLAMP))
            variant |= VARIANT_BORDER;
    }
    const bool generateS = Fixed.generateS && Fixed.sphereMapS;
    const bool generateT = Fixed.generateT && Fixed.sphereMapT;
    if (generateS || generateT)
        variant |= VARIANT_SPHERE_MAP;

    FixedProgram& p = Fixed.programs[variant];
    if (!p.program)
        return false;
    UseProgram(p.program);
    if (variant & VARIANT_TEXTURE)
        BindTexture(Fixed.boundTexture);

    const MatrixStack& modelView = Fixed.stacks[FIXED_MODELVIEW];
    const MatrixStack& projection = Fixed.stacks[FIXED_PROJECTION];
    const MatrixStack& textureStack = Fixed.stacks[FIXED_TEXTURE_STACK];
    const uint64_t modelViewGeneration = modelView.generations[modelView.top];
    const uint64_t projectionGeneration = projection.generations[projection.top];
    const uint64_t textureGeneration = textureStack.generations[textureStack.top];
    // With a colour array the colour is the array's; without, the current colour
    // reaches the shader here, as aColour is then 0.
    const bool colourArray = present & (1u << FIXED_COLOUR);
    const float* colour = colourArray ? NO_COLOUR : Fixed.current[FIXED_COLOUR];
    if (p.sentModelView != modelViewGeneration || p.sentProjection != projectionGeneration ||
        std::memcmp(p.sentColour, colour, sizeof p.sentColour) != 0) {
        float block[12][4];
        const Matrix4& eye = modelView.entries[modelView.top];
        const Matrix4 product = MultiplyMatrices(projection.entries[projection.top], eye);
        std::memcpy(block[0], product.m, sizeof product.m);
        std::memcpy(block[4], colour, sizeof block[4]);
        int vectors = 5;
        if (variant & VARIANT_SPHERE_MAP) {
            std::memcpy(block[5], eye.m, sizeof eye.m);
            float normal[9];
            NormalMatrix(eye, normal);
            for (int column = 0; column < 3; ++column) {
                std::memcpy(block[9 + column], normal + 3 * column, sizeof(float) * 3);
                block[9 + column][3] = 0.0f;
            }
            vectors = 12;
        }
        glUniform4fv(p.draw, vectors, block[0]);
        p.sentModelView = modelViewGeneration;
        p.sentProjection = projectionGeneration;
        std::memcpy(p.sentColour, colour, sizeof p.sentColour);
    }
    if (p.sentTexture != textureGeneration) {
        glUniformMatrix4fv(p.textureMatrix, 1, GL_FALSE, textureStack.entries[textureStack.top].m);
        p.sentTexture = textureGeneration;
    }
    const float opaque = (Fixed.wanted.capabilities & CAP_BLEND) ? 0.0f : 1.0f;
    if (p.sentOpaque != opaque) {
        glUniform1f(p.opaque, opaque);
        p.sentOpaque = opaque;
    }
    if (variant & VARIANT_SPHERE_MAP)
        SendPair(p.generate, p.sentGenerate, generateS ? 1.0f : 0.0f, generateT ? 1.0f : 0.0f);
    if (variant & VARIANT_BORDER) {
        const int wrap[2] = { WrapMode(texture->wrapS), WrapMode(texture->wrapT) };
        if (wrap[0] != p.sentWrap[0] || wrap[1] != p.sentWrap[1]) {
            glUniform2i(p.wrap, wrap[0], wrap[1]);
            p.sentWrap[0] = wrap[0];
            p.sentWrap[1] = wrap[1];
        }
    }

    // The current normal and texture coordinates where no array feeds them and the
    // variant reads them; the colour's value for aColour without an array is 0.
    if (!(present & (1u << FIXED_NORMAL)) && (variant & VARIANT_SPHERE_MAP))
        SendCurrentValue(FIXED_NORMAL, Fixed.current[FIXED_NORMAL]);
    if (!(present & (1u << FIXED_TEXCOORD)) && (variant & VARIANT_TEXTURE))
        SendCurrentValue(FIXED_TEXCOORD, Fixed.current[FIXED_TEXCOORD]);
    SendCurrentValue(FIXED_COLOUR, NO_COLOUR);
    return true;
}
