// Small scenes, each built on one behaviour of OpenGL 1.1 that the fixed-function
// layer must reproduce and that the demo's frames show only in passing. The same
// source is built twice: against the driver's fixed-function pipeline and against
// the layer (GL_CASES_ON_DRIVER 0), and each build writes one PPM per case into
// OUT_DIR for the test to compare.
//
//   gl_cases OUT_DIR
#if GL_CASES_ON_DRIVER
#include <GL/gl.h>
#else
#include "platform/gl.h"   // this build has the layer on
#include "platform/gles/fixed_function.h"
#endif

#include <SDL.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr int SIDE = 96;   // every case draws into a SIDE x SIDE square at the origin

struct Vertex {
    float texCoord[2];
    float normal[3];
    float position[3];
    uint8_t colour[4];
};

// A grid of n x n quads over [-1, 1]^2 bulging towards the viewer, with normals of
// length 1.7 (the demo's are not unit length) and colours from the corners.
struct Grid {
    std::vector<Vertex> vertices;
    std::vector<uint32_t> indices;
};

Grid MakeGrid(int n, float bulge)
{
    Grid g;
    for (int j = 0; j <= n; ++j) {
        for (int i = 0; i <= n; ++i) {
            const float x = -1.0f + 2.0f * i / n, y = -1.0f + 2.0f * j / n;
            const float z = bulge * (1.0f - 0.5f * (x * x + y * y));
            float nx = bulge * x, ny = bulge * y, nz = 1.0f;
            const float k = 1.7f / std::sqrt(nx * nx + ny * ny + nz * nz);
            Vertex v = { { 1.5f * i / n - 0.25f, 1.5f * j / n - 0.25f }, { nx * k, ny * k, nz * k }, { x, y, z },
                         { static_cast<uint8_t>(255 * i / n), static_cast<uint8_t>(255 * j / n), 160,
                           static_cast<uint8_t>(128 + 127 * i / n) } };
            g.vertices.push_back(v);
        }
    }
    for (int j = 0; j < n; ++j) {
        for (int i = 0; i < n; ++i) {
            const uint32_t a = j * (n + 1) + i, b = a + 1, c = a + n + 1, d = c + 1;
            g.indices.insert(g.indices.end(), { a, b, d, a, d, c });
        }
    }
    return g;
}

void PointArrays(const Grid& g)
{
    constexpr GLsizei stride = sizeof(Vertex);
    glVertexPointer(3, GL_FLOAT, stride, g.vertices[0].position);
    glNormalPointer(GL_FLOAT, stride, g.vertices[0].normal);
    glTexCoordPointer(2, GL_FLOAT, stride, g.vertices[0].texCoord);
    glColorPointer(4, GL_UNSIGNED_BYTE, stride, g.vertices[0].colour);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glEnableClientState(GL_COLOR_ARRAY);
}

void Draw(const Grid& g)
{
    glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(g.indices.size()), GL_UNSIGNED_INT, g.indices.data());
}

// A texture of size x size: stripes in red, a ramp in green, checks in blue, and
// alpha falling off towards one corner.
GLuint MakeTexture(int size, GLint wrap, GLint filter)
{
    std::vector<uint8_t> texels(static_cast<size_t>(size) * size * 4);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            uint8_t* t = &texels[(static_cast<size_t>(y) * size + x) * 4];
            t[0] = (x / 2) % 2 ? 240 : 40;
            t[1] = static_cast<uint8_t>(255 * y / (size - 1));
            t[2] = ((x / 4 + y / 4) % 2) ? 220 : 30;
            t[3] = static_cast<uint8_t>(255 - 160 * (x + y) / (2 * size - 2));
        }
    }
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, wrap);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, wrap);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, size, size, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
    return name;
}

// What the cases draw with.
struct Scene {
    Grid bulge = MakeGrid(12, 0.6f);
    Grid flat = MakeGrid(4, 0.0f);
    GLuint clamped = MakeTexture(8, GL_CLAMP, GL_LINEAR);
    GLuint repeated = MakeTexture(16, GL_REPEAT, GL_NEAREST);
    GLuint smooth = MakeTexture(32, GL_REPEAT, GL_LINEAR);
    GLuint target = MakeTexture(4, GL_CLAMP, GL_LINEAR);
};

// The state each case starts from: the demo's fixed state, a perspective view of the
// square, identity texture matrix, no texture generation.
void BeginCase()
{
    glViewport(0, 0, SIDE, SIDE);
    glDisable(GL_SCISSOR_TEST);
    glClearColor(0.1f, 0.2f, 0.3f, 1.0f);
    glDepthMask(GL_TRUE);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glDepthFunc(GL_LEQUAL);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_CULL_FACE);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_TEXTURE_2D);
    glDisable(GL_TEXTURE_GEN_S);
    glDisable(GL_TEXTURE_GEN_T);
    glMatrixMode(GL_TEXTURE);
    glLoadIdentity();
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glFrustum(-0.1, 0.1, -0.1, 0.1, 0.1, 100.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(0.0f, 0.0f, -2.6f);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
}

bool WriteCase(const std::string& dir, const char* name)
{
    std::vector<uint8_t> rgba(SIDE * SIDE * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(0, 0, SIDE, SIDE, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    const std::string path = dir + "/" + name + ".ppm";
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    std::fprintf(file, "P6\n%d %d\n255\n", SIDE, SIDE);
    for (int y = SIDE - 1; y >= 0; --y)
        for (int x = 0; x < SIDE; ++x)
            std::fwrite(&rgba[(static_cast<size_t>(y) * SIDE + x) * 4], 1, 3, file);
    return std::fclose(file) == 0;
}

// Sphere mapping from eye-space positions and non-unit normals, under a non-uniform
// scale and a texture matrix that moves and turns the generated coordinates.
void SphereMapCase(Scene& s)
{
    PointArrays(s.bulge);
    glBindTexture(GL_TEXTURE_2D, s.smooth);
    glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
    glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
    glEnable(GL_TEXTURE_GEN_S);
    glEnable(GL_TEXTURE_GEN_T);
    glMatrixMode(GL_TEXTURE);
    glTranslatef(0.1f, -0.2f, 0.0f);
    glRotatef(25.0f, 0.0f, 0.0f, 1.0f);
    glMatrixMode(GL_MODELVIEW);
    glRotatef(35.0f, 1.0f, 0.0f, 0.0f);
    glRotatef(-20.0f, 0.0f, 1.0f, 0.0f);
    glScalef(1.0f, 0.7f, 1.3f);
    glDisableClientState(GL_COLOR_ARRAY);
    glColor4f(1.0f, 0.9f, 0.8f, 1.0f);
    Draw(s.bulge);
    glEnableClientState(GL_COLOR_ARRAY);
}

// GL_CLAMP with linear filtering: coordinates from -0.25 to 1.25 show the edge texels
// blended half-way with the transparent black border, then the border.
void ClampCase(Scene& s)
{
    PointArrays(s.flat);
    glBindTexture(GL_TEXTURE_2D, s.clamped);
    glScalef(1.1f, 1.1f, 1.0f);
    Draw(s.flat);
}

// GL_REPEAT with nearest filtering, coordinates scaled up by the texture matrix.
void RepeatCase(Scene& s)
{
    PointArrays(s.flat);
    glBindTexture(GL_TEXTURE_2D, s.repeated);
    glMatrixMode(GL_TEXTURE);
    glScalef(2.5f, 1.5f, 1.0f);
    glMatrixMode(GL_MODELVIEW);
    glRotatef(15.0f, 0.0f, 0.0f, 1.0f);
    Draw(s.flat);
}

// The back buffer copied into a luminance texture (red becomes luminance, alpha 1),
// then drawn tinted.
void LuminanceCase(Scene& s)
{
    PointArrays(s.flat);
    glBindTexture(GL_TEXTURE_2D, s.smooth);
    glDisable(GL_BLEND);
    Draw(s.flat);
    glBindTexture(GL_TEXTURE_2D, s.target);
    glCopyTexImage2D(GL_TEXTURE_2D, 0, GL_LUMINANCE, 16, 16, 32, 32, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glEnable(GL_BLEND);
    glDisableClientState(GL_COLOR_ARRAY);
    glColor4f(1.0f, 0.6f, 0.3f, 0.8f);
    glRotatef(10.0f, 0.0f, 0.0f, 1.0f);
    Draw(s.flat);
    glEnableClientState(GL_COLOR_ARRAY);
}

// Two lists of one mesh: compiled with the colour array (colours recorded, and the
// last vertex's colour current afterwards) and without (the current colour at call
// time applies). The lists also record their texture, blending and depth state. The
// arrays change after compiling; the lists keep what they recorded.
void ListCase(Scene& s)
{
    Grid* flat = &s.flat;
    const GLuint texture = s.repeated;
    PointArrays(*flat);
    const GLuint lists = glGenLists(2);
    glNewList(lists, GL_COMPILE);
    glBindTexture(GL_TEXTURE_2D, texture);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    Draw(*flat);
    glEndList();
    glDisableClientState(GL_COLOR_ARRAY);
    glNewList(lists + 1, GL_COMPILE);
    glDepthFunc(GL_ALWAYS);
    Draw(*flat);
    glEndList();
    glEnableClientState(GL_COLOR_ARRAY);
    for (Vertex& v : flat->vertices)
        v.position[2] += 5.0f;   // would put the mesh behind the eye

    glBindTexture(GL_TEXTURE_2D, 0);
    glPushMatrix();
    glTranslatef(-0.5f, 0.5f, 0.0f);
    glScalef(0.45f, 0.45f, 1.0f);
    glColor4f(0.2f, 1.0f, 0.2f, 1.0f);
    glCallList(lists);
    glPopMatrix();

    // The colour the first list left current, on an untextured quad.
    glPushMatrix();
    glTranslatef(0.5f, 0.5f, 0.0f);
    glScalef(0.45f, 0.45f, 1.0f);
    glDisable(GL_TEXTURE_2D);
    glDisableClientState(GL_COLOR_ARRAY);
    glCallList(lists + 1);
    glEnable(GL_TEXTURE_2D);
    glPopMatrix();

    glPushMatrix();
    glTranslatef(0.0f, -0.5f, 0.0f);
    glScalef(0.45f, 0.45f, 1.0f);
    glColor4f(1.0f, 0.3f, 0.9f, 0.7f);
    glCallList(lists + 1);   // in the list's texture and blending, with this colour
    glEnableClientState(GL_COLOR_ARRAY);
    glPopMatrix();
    for (Vertex& v : flat->vertices)
        v.position[2] -= 5.0f;
}

// A texture whose minification filter asks for mipmaps that do not exist is
// incomplete: GL 1.1 draws as if texturing were off.
void IncompleteCase(Scene& s)
{
    PointArrays(s.flat);
    const std::vector<uint8_t> texels(8 * 8 * 4, 40);
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 8, 8, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
    Draw(s.flat);
}

// glReadPixels as GL_RGB with rows packed to 1 and to 4 bytes, of a 13-pixel-wide
// block, drawn back into the square as the bytes say. An alignment GL refuses (0)
// leaves the one set before.
void ReadRgbCase(Scene& s)
{
    PointArrays(s.flat);
    glBindTexture(GL_TEXTURE_2D, s.smooth);
    Draw(s.flat);
    constexpr int W = 13, H = 16;
    std::vector<uint8_t> packed1(W * 3 * H), packed4(((W * 3 + 3) & ~3) * H);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glPixelStorei(GL_PACK_ALIGNMENT, 0);
    glReadPixels(40, 40, W, H, GL_RGB, GL_UNSIGNED_BYTE, packed1.data());
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(40, 40, W, H, GL_RGB, GL_UNSIGNED_BYTE, packed4.data());
    // Rows of both layouts side by side at the bottom left, as RGBA texels.
    std::vector<uint8_t> out(2 * W * H * 4, 255);
    for (int y = 0; y < H; ++y) {
        for (int x = 0; x < W; ++x) {
            for (int c = 0; c < 3; ++c) {
                out[(y * 2 * W + x) * 4 + c] = packed1[y * W * 3 + x * 3 + c];
                out[(y * 2 * W + W + x) * 4 + c] = packed4[y * ((W * 3 + 3) & ~3) + x * 3 + c];
            }
        }
    }
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 2 * W, H, 0, GL_RGBA, GL_UNSIGNED_BYTE, out.data());
    glDisableClientState(GL_COLOR_ARRAY);
    glDisable(GL_DEPTH_TEST);
    glLoadIdentity();
    glTranslatef(0.0f, 0.0f, -2.6f);
    glScalef(0.5f, 0.3f, 1.0f);
    Draw(s.flat);
    glEnableClientState(GL_COLOR_ARRAY);
}

// What the demo's frames take only in part, one quarter each. Top left: arrays that
// do not interleave, colours as floats, and a texture with GL_CLAMP on s only, under
// a texture matrix. Top right: a list compiled and run at once (its blending and
// depth mask with it); bottom left: the same list again once that state is set back,
// beside a scissored clear in another colour. Bottom right: one grid drawn blended,
// then at another matrix, then again at the first after a pop, which must show the
// first twice over.
void MixedCase(Scene& s)
{
    const Grid& g = s.flat;
    std::vector<float> positions, texCoords, colours;
    for (const Vertex& v : g.vertices) {
        positions.insert(positions.end(), v.position, v.position + 3);
        texCoords.insert(texCoords.end(), v.texCoord, v.texCoord + 2);
        for (const uint8_t c : v.colour)
            colours.push_back(c / 255.0f);
    }
    glVertexPointer(3, GL_FLOAT, 0, positions.data());
    glTexCoordPointer(2, GL_FLOAT, 0, texCoords.data());
    glColorPointer(4, GL_FLOAT, 0, colours.data());
    glEnableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_NORMAL_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glEnableClientState(GL_COLOR_ARRAY);
    MakeTexture(8, GL_REPEAT, GL_LINEAR);   // and bound
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP);
    glPushMatrix();
    glTranslatef(-0.5f, 0.5f, 0.0f);
    glScalef(0.45f, 0.45f, 1.0f);
    glMatrixMode(GL_TEXTURE);
    glScalef(1.5f, 2.5f, 1.0f);
    glTranslatef(-0.2f, -0.3f, 0.0f);
    glMatrixMode(GL_MODELVIEW);
    Draw(g);
    glMatrixMode(GL_TEXTURE);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();

    const GLuint list = glGenLists(1);
    glBindTexture(GL_TEXTURE_2D, s.smooth);
    glPushMatrix();
    glTranslatef(0.5f, 0.5f, 0.0f);
    glScalef(0.45f, 0.45f, 1.0f);
    glNewList(list, GL_COMPILE_AND_EXECUTE);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    glDepthMask(GL_FALSE);
    Draw(g);
    glEndList();
    glPopMatrix();

    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glDepthMask(GL_TRUE);
    glEnable(GL_SCISSOR_TEST);
    glScissor(4, 4, 20, 20);
    glClearColor(0.8f, 0.1f, 0.1f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glDisable(GL_SCISSOR_TEST);
    glPushMatrix();
    glTranslatef(-0.5f, -0.5f, 0.0f);
    glScalef(0.45f, 0.45f, 1.0f);
    glCallList(list);
    glPopMatrix();

    PointArrays(s.flat);
    glDisable(GL_DEPTH_TEST);
    glPushMatrix();
    glTranslatef(0.5f, -0.5f, 0.0f);
    glScalef(0.45f, 0.45f, 1.0f);
    Draw(g);
    glPushMatrix();
    glRotatef(40.0f, 0.0f, 0.0f, 1.0f);
    glScalef(0.5f, 0.5f, 1.0f);
    Draw(g);
    glPopMatrix();
    Draw(g);
    glPopMatrix();
}

bool StartContext(SDL_Window** window)
{
    SDL_setenv("SDL_VIDEODRIVER", "offscreen", 0);
    if (SDL_Init(SDL_INIT_VIDEO) != 0)
        return false;
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
#if !GL_CASES_ON_DRIVER
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_ES);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 0);
#endif
    *window = SDL_CreateWindow("gl cases", 0, 0, SIDE, SIDE, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (!*window || !SDL_GL_CreateContext(*window))
        return false;
#if !GL_CASES_ON_DRIVER
    return FixedStartLayer(SIDE, SIDE);
#else
    return true;
#endif
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: gl_cases OUT_DIR\n");
        return 2;
    }
    SDL_Window* window = nullptr;
    if (!StartContext(&window)) {
        std::fprintf(stderr, "gl_cases: no GL context: %s\n", SDL_GetError());
        return 1;
    }
    const std::string dir = argv[1];
    Scene scene;
    struct Case {
        const char* name;
        void (*draw)(Scene& scene);
    };
    const Case cases[] = {
        { "sphere_map", SphereMapCase },         { "clamp_border", ClampCase },
        { "repeat_nearest", RepeatCase },        { "luminance_copy", LuminanceCase },
        { "display_lists", ListCase },           { "incomplete_texture", IncompleteCase },
        { "read_rgb", ReadRgbCase },             { "mixed_paths", MixedCase },
    };
    bool ok = true;
    for (const Case& c : cases) {
        BeginCase();
        c.draw(scene);
        ok = WriteCase(dir, c.name) && ok;
    }
    return ok ? 0 : 1;
}
