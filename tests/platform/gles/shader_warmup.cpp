// Every shader the fixed-function layer draws with is compiled and linked before the
// first frame: the demo starts through the layer (the native build with the layer
// on), then draws its whole run at a coarse step, and no shader may be compiled nor
// program linked from the first frame on. This program stands in front of the GL
// library for the calls that compile, link and bind programs, so it sees what the
// layer asks of GL whatever the layer's own bookkeeping says. It also reports the
// time the start-up spent in those calls and how many of the linked programs the
// run drew with.
//
//   gles_shader_warmup [STEP_CS]
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
        std::fprintf(stderr, "usage: gles_shader_warmup [STEP_CS]\n");
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
    for (float t = 0.0f; t < EngineTables.EndTime; t += step, ++frames) {
        DrawFrame(t);
        PlatformSwapBuffers();
        if (Compiles != compiles || Links != links) {
            std::printf("FAIL: at %.0f cs, frame %d: %d shaders compiled and %d programs linked since the start-up\n",
                        static_cast<double>(t), frames, Compiles - compiles, Links - links);
            return 1;
        }
    }
    std::printf("%d frames, every %.0f cs: %zu of the %d programs drawn with\n", frames, static_cast<double>(step),
                Programs.size(), links);
    if (compiles == 0 || links == 0) {
        std::printf("FAIL: the start-up compiled no shaders through this program's GL calls\n");
        return 1;
    }
    std::printf("PASS: nothing compiled or linked after the start-up\n");
    return 0;
}
