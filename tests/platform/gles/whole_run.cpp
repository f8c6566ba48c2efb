// The whole demo through the fixed-function layer (the native build with the layer
// on), at a coarse step, against what must hold of every frame:
// - every shader the layer draws with is compiled and linked before the first frame:
//   no shader is compiled nor program linked from the first frame on. This program
//   stands in front of the GL library for the calls that compile, link and bind
//   programs, so it sees what the layer asks of GL whatever the layer's own
//   bookkeeping says;
// - the back buffer's alpha is 1 everywhere, as on a window without destination
//   alpha (copies into textures take it).
// It also reports the time the start-up spent in the shader calls and how many of
// the linked programs the run drew with.
//
//   gles_whole_run [STEP_CS]
#include "core/engine_tables.h"
#include "platform/gles/fixed_function.h"
#include "platform/platform.h"
#include "shell/shell.h"
#include "tools/common/offscreen.h"

#include <dlfcn.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

int Compiles = 0;
int Links = 0;
double ShaderSeconds = 0.0;   // inside the compile, link and status calls
std::set<GLuint> Programs;    // bound with glUseProgram

// The GL library's own entry point of that name.
template <typename Function>
Function Next(const char* name)
{
    void* symbol = dlsym(RTLD_NEXT, name);
    if (!symbol) {
        std::fprintf(stderr, "FAIL: no %s in the GL library\n", name);
        std::exit(1);
    }
    return reinterpret_cast<Function>(symbol);
}

// Runs the GL library's call and adds its time to ShaderSeconds.
template <typename Function, typename... Arguments>
void Timed(Function function, Arguments... arguments)
{
    const auto start = Clock::now();
    function(arguments...);
    ShaderSeconds += std::chrono::duration<double>(Clock::now() - start).count();
}

} // namespace

extern "C" {

GL_APICALL void GL_APIENTRY glCompileShader(GLuint shader)
{
    static const auto next = Next<void(GL_APIENTRY*)(GLuint)>("glCompileShader");
    ++Compiles;
    Timed(next, shader);
}

GL_APICALL void GL_APIENTRY glLinkProgram(GLuint program)
{
    static const auto next = Next<void(GL_APIENTRY*)(GLuint)>("glLinkProgram");
    ++Links;
    Timed(next, program);
}

// Where a driver compiles or links in the background, the status query waits for it.
GL_APICALL void GL_APIENTRY glGetShaderiv(GLuint shader, GLenum name, GLint* value)
{
    static const auto next = Next<void(GL_APIENTRY*)(GLuint, GLenum, GLint*)>("glGetShaderiv");
    Timed(next, shader, name, value);
}

GL_APICALL void GL_APIENTRY glGetProgramiv(GLuint program, GLenum name, GLint* value)
{
    static const auto next = Next<void(GL_APIENTRY*)(GLuint, GLenum, GLint*)>("glGetProgramiv");
    Timed(next, program, name, value);
}

GL_APICALL void GL_APIENTRY glUseProgram(GLuint program)
{
    static const auto next = Next<void(GL_APIENTRY*)(GLuint)>("glUseProgram");
    if (program)
        Programs.insert(program);
    next(program);
}

} // extern "C"

int main(int argc, char** argv)
{
    const float step = argc > 1 ? static_cast<float>(std::atof(argv[1])) : 100.0f;
    if (!(step > 0.0f)) {
        std::fprintf(stderr, "usage: gles_whole_run [STEP_CS]\n");
        return 2;
    }
    const auto started = Clock::now();
    if (!StartDemoOffscreen()) {
        std::printf("FAIL: no OpenGL ES 3.0 context for the layer\n");
        return 1;
    }
    const double startSeconds = std::chrono::duration<double>(Clock::now() - started).count();
    const int compiles = Compiles, links = Links;
    std::printf("start-up: %d shaders compiled, %d programs linked, %.1f ms in those calls and their status "
                "(%.0f ms the whole start-up)\n",
                compiles, links, 1000.0 * ShaderSeconds, 1000.0 * startSeconds);

    Programs.clear();
    int frames = 0;
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    std::vector<uint8_t> pixels(static_cast<size_t>(viewport[2]) * viewport[3] * 4);
    for (float t = 0.0f; t < EngineTables.EndTime; t += step, ++frames) {
        DrawFrame(t);
        PlatformSwapBuffers();
        if (Compiles != compiles || Links != links) {
            std::printf("FAIL: at %.0f cs, frame %d: %d shaders compiled and %d programs linked since the start-up\n",
                        static_cast<double>(t), frames, Compiles - compiles, Links - links);
            return 1;
        }
        // The layer's back buffer stays bound for reading.
        glReadPixels(0, 0, viewport[2], viewport[3], GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
        for (size_t i = 3; i < pixels.size(); i += 4) {
            if (pixels[i] != 255) {
                std::printf("FAIL: at %.0f cs the back buffer's alpha is %d at (%zu, %zu)\n", static_cast<double>(t),
                            pixels[i], i / 4 % static_cast<size_t>(viewport[2]), i / 4 / static_cast<size_t>(viewport[2]));
                return 1;
            }
        }
    }
    std::printf("%d frames, every %.0f cs: %zu of the %d programs drawn with\n", frames, static_cast<double>(step),
                Programs.size(), links);

    // The demo draws everything blended; a draw without blending must keep alpha 1 too.
    const float square[] = { -1, -1, 0, 1, -1, 0, 1, 1, 0, -1, 1, 0 };
    const uint8_t corners[] = { 0, 1, 2, 0, 2, 3 };
    FixedDisable(GL_BLEND);
    FixedDisable(GL_DEPTH_TEST);
    FixedDisable(GL_SCISSOR_TEST);
    FixedViewport(0, 0, viewport[2], viewport[3]);
    FixedDisable(GL_TEXTURE_2D);
    FixedDisableClientState(GL_COLOR_ARRAY);
    FixedDisableClientState(GL_NORMAL_ARRAY);
    FixedDisableClientState(GL_TEXTURE_COORD_ARRAY);
    FixedEnableClientState(GL_VERTEX_ARRAY);
    FixedVertexPointer(3, GL_FLOAT, 0, square);
    FixedMatrixMode(GL_PROJECTION);
    FixedLoadIdentity();
    FixedMatrixMode(GL_MODELVIEW);
    FixedLoadIdentity();
    FixedColor4f(0.5f, 0.5f, 0.5f, 0.25f);
    FixedDrawElements(GL_TRIANGLES, 6, GL_UNSIGNED_BYTE, corners);
    uint8_t centre[4] = {};
    glReadPixels(viewport[2] / 2, viewport[3] / 2, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, centre);
    if (centre[0] < 127 || centre[0] > 128 || centre[3] != 255) {
        std::printf("FAIL: a draw without blending left (%d, %d, %d, %d), not (128, 128, 128, 255)\n", centre[0],
                    centre[1], centre[2], centre[3]);
        return 1;
    }
    if (compiles == 0 || links == 0) {
        std::printf("FAIL: the start-up compiled no shaders through this program's GL calls\n");
        return 1;
    }
    std::printf("PASS: nothing compiled or linked after the start-up, and alpha 1 in every frame\n");
    return 0;
}
