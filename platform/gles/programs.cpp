// The shaders of the fixed-function layer: one vertex and one fragment shader,
// compiled per combination of the variant bits the current state needs, and the
// upload of their uniforms.
//
// Per vertex: position by projection x modelview; colour clamped to [0, 1] as GL
// clamps vertex colours; with sphere mapping, s and t from the eye-space position u
// (unit length) and the eye-space normal n (the normal matrix's product, not
// renormalised, as GL leaves it without GL_NORMALIZE): r = u - 2 (n.u) n,
// m = 2 sqrt(rx^2 + ry^2 + (rz + 1)^2), (s, t) = (rx / m + 1/2, ry / m + 1/2);
// then the texture matrix, and s / q, t / q per fragment.
// Per fragment: GL_MODULATE, the texel times the colour. GL_CLAMP with linear
// filtering clamps the coordinate to [0, 1] and blends the texels outside the image
// as the border colour, transparent black; ES has no such wrap, so that variant
// filters by hand.
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
uniform mat4 uModelViewProjection;
uniform mat4 uTextureMatrix;
#if SPHERE_MAP
uniform mat4 uModelView;
uniform mat3 uNormalMatrix;
uniform vec2 uGenerate;
#endif
out vec4 vColour;
out vec3 vTexCoord;
void main()
{
    gl_Position = uModelViewProjection * aPosition;
    vColour = clamp(aColour, 0.0, 1.0);
    vec4 coordinate = aTexCoord;
#if SPHERE_MAP
    vec3 u = normalize((uModelView * aPosition).xyz);
    vec3 n = uNormalMatrix * aNormal;
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
vec4 Texel(ivec2 i, ivec2 size)
{
    for (int axis = 0; axis < 2; ++axis) {
        if (uWrap[axis] == 0)
            i[axis] = ((i[axis] % size[axis]) + size[axis]) % size[axis];
        else if (uWrap[axis] == 1)
            i[axis] = clamp(i[axis], 0, size[axis] - 1);
        else if (i[axis] < 0 || i[axis] >= size[axis])
            return vec4(0.0);
    }
    return texelFetch(uTexture, i, 0);
}
vec4 Sample(vec2 st)
{
    ivec2 size = textureSize(uTexture, 0);
    if (uWrap.x == 2)
        st.x = clamp(st.x, 0.0, 1.0);
    if (uWrap.y == 2)
        st.y = clamp(st.y, 0.0, 1.0);
    vec2 u = st * vec2(size) - 0.5;
    ivec2 i = ivec2(floor(u));
    vec2 f = u - floor(u);
    vec4 a = mix(Texel(i, size), Texel(i + ivec2(1, 0), size), f.x);
    vec4 b = mix(Texel(i + ivec2(0, 1), size), Texel(i + ivec2(1, 1), size), f.x);
    return mix(a, b, f.y);
}
#else
vec4 Sample(vec2 st)
{
    return texture(uTexture, st);
}
#endif
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
    fragColour = colour;
}
)";

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
    GLint ok = GL_FALSE;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (!ok) {
        char log[1024] = {};
        glGetShaderInfoLog(shader, sizeof log, nullptr, log);
        std::fprintf(stderr, "quorvantile: shader variant %d: %s\n", variant, log);
    }
    return shader;
}

// Texture bits mean nothing without a texture.
int Normalise(int variant)
{
    if (!(variant & VARIANT_TEXTURE))
        variant &= ~(VARIANT_LUMINANCE | VARIANT_BORDER);
    return variant;
}

FixedProgram* ProgramFor(int variant)
{
    FixedProgram& p = Fixed.programs[variant];
    if (p.program)
        return &p;
    const GLuint vertex = Compile(GL_VERTEX_SHADER, variant, VERTEX_SHADER);
    const GLuint fragment = Compile(GL_FRAGMENT_SHADER, variant, FRAGMENT_SHADER);
    p.program = glCreateProgram();
    glAttachShader(p.program, vertex);
    glAttachShader(p.program, fragment);
    glLinkProgram(p.program);
    glDeleteShader(vertex);
    glDeleteShader(fragment);
    GLint ok = GL_FALSE;
    glGetProgramiv(p.program, GL_LINK_STATUS, &ok);
    if (!ok) {
        char log[1024] = {};
        glGetProgramInfoLog(p.program, sizeof log, nullptr, log);
        std::fprintf(stderr, "quorvantile: shader variant %d does not link: %s\n", variant, log);
        glDeleteProgram(p.program);
        p.program = 0;
        return nullptr;
    }
    p.modelViewProjection = glGetUniformLocation(p.program, "uModelViewProjection");
    p.modelView = glGetUniformLocation(p.program, "uModelView");
    p.normalMatrix = glGetUniformLocation(p.program, "uNormalMatrix");
    p.textureMatrix = glGetUniformLocation(p.program, "uTextureMatrix");
    p.generate = glGetUniformLocation(p.program, "uGenerate");
    p.wrap = glGetUniformLocation(p.program, "uWrap");
    glUseProgram(p.program);
    glUniform1i(glGetUniformLocation(p.program, "uTexture"), 0);
    Fixed.currentProgram = variant;
    return &p;
}

// Uploads `count` floats at `offset` in the program's record of sent values when
// they differ from what it holds.
bool Changed(FixedProgram& p, int offset, const float* values, int count)
{
    if (p.anySent && std::memcmp(p.sent + offset, values, sizeof(float) * count) == 0)
        return false;
    std::memcpy(p.sent + offset, values, sizeof(float) * count);
    return true;
}

int WrapMode(GLenum wrap)
{
    if (wrap == GL_REPEAT)
        return 0;
    return wrap == GL_CLAMP ? 2 : 1;
}

} // namespace

bool StartPrograms()
{
    // The variant of untextured drawing proves the shaders compile on this context.
    return ProgramFor(0) != nullptr;
}

void StopPrograms()
{
    for (FixedProgram& p : Fixed.programs) {
        if (p.program)
            glDeleteProgram(p.program);
        p = FixedProgram{};
    }
    Fixed.currentProgram = -1;
}

void PrepareDraw(const bool present[FIXED_ATTRIBUTE_COUNT])
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
    variant = Normalise(variant);

    FixedProgram* p = ProgramFor(variant);
    if (!p)
        return;
    if (Fixed.currentProgram != variant) {
        glUseProgram(p->program);
        Fixed.currentProgram = variant;
    }

    const Matrix4& modelView = Fixed.stacks[FIXED_MODELVIEW].entries[Fixed.stacks[FIXED_MODELVIEW].top];
    const Matrix4& projection = Fixed.stacks[FIXED_PROJECTION].entries[Fixed.stacks[FIXED_PROJECTION].top];
    const Matrix4& textureMatrix =
        Fixed.stacks[FIXED_TEXTURE_STACK].entries[Fixed.stacks[FIXED_TEXTURE_STACK].top];
    const Matrix4 mvp = MultiplyMatrices(projection, modelView);
    if (Changed(*p, 0, mvp.m, 16))
        glUniformMatrix4fv(p->modelViewProjection, 1, GL_FALSE, mvp.m);
    if (Changed(*p, 16 + 16 + 9, textureMatrix.m, 16))
        glUniformMatrix4fv(p->textureMatrix, 1, GL_FALSE, textureMatrix.m);
    if (variant & VARIANT_SPHERE_MAP) {
        if (Changed(*p, 16, modelView.m, 16))
            glUniformMatrix4fv(p->modelView, 1, GL_FALSE, modelView.m);
        float normal[9];
        NormalMatrix(modelView, normal);
        if (Changed(*p, 32, normal, 9))
            glUniformMatrix3fv(p->normalMatrix, 1, GL_FALSE, normal);
        const float generate[2] = { generateS ? 1.0f : 0.0f, generateT ? 1.0f : 0.0f };
        if (Changed(*p, 16 + 16 + 9 + 16, generate, 2))
            glUniform2fv(p->generate, 1, generate);
    }
    if (variant & VARIANT_BORDER) {
        const int wrap[2] = { WrapMode(texture->wrapS), WrapMode(texture->wrapT) };
        if (wrap[0] != p->sentWrap[0] || wrap[1] != p->sentWrap[1]) {
            glUniform2i(p->wrap, wrap[0], wrap[1]);
            p->sentWrap[0] = wrap[0];
            p->sentWrap[1] = wrap[1];
        }
    }
    p->anySent = true;

    for (int a = 0; a < FIXED_ATTRIBUTE_COUNT; ++a)
        if (!present[a])
            glVertexAttrib4fv(static_cast<GLuint>(a), Fixed.current[a]);
}
