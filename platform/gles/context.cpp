// The fixed-function layer's context: start and stop, the back buffer it draws into
// and presents, and the capabilities, blending, depth and clearing state.
//
// The back buffer is a framebuffer object with RGBA colour and 16-bit depth, like the
// window the demo asks for natively. Alpha is written once, as 1, and then masked:
// a window without destination alpha reads back and copies alpha as 1, and the
// captures into textures rely on that.
#include "platform/gles/layer.h"

FixedLayerState Fixed;

namespace {

bool MakeBackBuffer(int width, int height)
{
    Fixed.width = width;
    Fixed.height = height;
    if (!Fixed.framebuffer) {
        glGenFramebuffers(1, &Fixed.framebuffer);
        glGenRenderbuffers(1, &Fixed.colourBuffer);
        glGenRenderbuffers(1, &Fixed.depthBuffer);
    }
    glBindRenderbuffer(GL_RENDERBUFFER, Fixed.colourBuffer);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width, height);
    glBindRenderbuffer(GL_RENDERBUFFER, Fixed.depthBuffer);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT16, width, height);
    glBindFramebuffer(GL_FRAMEBUFFER, Fixed.framebuffer);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, Fixed.colourBuffer);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, Fixed.depthBuffer);
    if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE)
        return false;

    // Opaque black with alpha 1, then alpha stays out of every write.
    GLboolean scissor = glIsEnabled(GL_SCISSOR_TEST);
    GLfloat clear[4];
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    glDisable(GL_SCISSOR_TEST);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_FALSE);
    glClearColor(clear[0], clear[1], clear[2], clear[3]);
    if (scissor)
        glEnable(GL_SCISSOR_TEST);
    return true;
}

} // namespace

bool FixedStartLayer(int width, int height)
{
    Fixed = {};
    for (MatrixStack& stack : Fixed.stacks)
        stack.entries[0] = IdentityMatrix();
    Fixed.lists.resize(1);      // name 0 is never a list
    Fixed.textures.resize(1);   // nor a texture of ours
    if (!StartPrograms())
        return false;
    glGenVertexArrays(1, &Fixed.streamVertexArray);
    glGenBuffers(1, &Fixed.streamVertexBuffer);
    glGenBuffers(1, &Fixed.streamIndexBuffer);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    if (!MakeBackBuffer(width, height))
        return false;
    glViewport(0, 0, width, height);
    glScissor(0, 0, width, height);
    Fixed.started = true;
    return true;
}

void FixedResizeBackBuffer(int width, int height)
{
    if (!Fixed.started || width <= 0 || height <= 0 || (width == Fixed.width && height == Fixed.height))
        return;
    MakeBackBuffer(width, height);
}

void FixedPresent()
{
    if (!Fixed.started)
        return;
    // The copy obeys the scissor box and, on some drivers, the colour mask.
    const GLboolean scissor = glIsEnabled(GL_SCISSOR_TEST);
    glDisable(GL_SCISSOR_TEST);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, Fixed.framebuffer);
    glBlitFramebuffer(0, 0, Fixed.width, Fixed.height, 0, 0, Fixed.width, Fixed.height, GL_COLOR_BUFFER_BIT,
                      GL_NEAREST);
    glBindFramebuffer(GL_FRAMEBUFFER, Fixed.framebuffer);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_FALSE);
    if (scissor)
        glEnable(GL_SCISSOR_TEST);
}

void FixedStopLayer()
{
    if (!Fixed.started)
        return;
    for (DisplayList& list : Fixed.lists) {
        for (ListDraw& draw : list.draws) {
            glDeleteVertexArrays(1, &draw.vertexArray);
            glDeleteBuffers(1, &draw.vertexBuffer);
            glDeleteBuffers(1, &draw.indexBuffer);
        }
    }
    StopPrograms();
    glDeleteVertexArrays(1, &Fixed.streamVertexArray);
    glDeleteBuffers(1, &Fixed.streamVertexBuffer);
    glDeleteBuffers(1, &Fixed.streamIndexBuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glDeleteFramebuffers(1, &Fixed.framebuffer);
    glDeleteRenderbuffers(1, &Fixed.colourBuffer);
    glDeleteRenderbuffers(1, &Fixed.depthBuffer);
    Fixed = {};
}

// ---- Capabilities ----------------------------------------------------------------------

void ApplyEnable(GLenum capability, bool on)
{
    switch (capability) {
    case GL_TEXTURE_2D: Fixed.texture2d = on; return;
    case GL_TEXTURE_GEN_S: Fixed.generateS = on; return;
    case GL_TEXTURE_GEN_T: Fixed.generateT = on; return;
    case GL_DEPTH_TEST:
    case GL_CULL_FACE:
    case GL_BLEND:
    case GL_DITHER:
    case GL_SCISSOR_TEST:
        if (on)
            glEnable(capability);
        else
            glDisable(capability);
        return;
    default:
        return;   // nothing else the demo switches has an effect here
    }
}

void FixedEnable(GLenum capability)
{
    if (RecordCommand({ LIST_ENABLE, capability }))
        return;
    ApplyEnable(capability, true);
}

void FixedDisable(GLenum capability)
{
    if (RecordCommand({ LIST_DISABLE, capability }))
        return;
    ApplyEnable(capability, false);
}

GLboolean FixedIsEnabled(GLenum capability)
{
    switch (capability) {
    case GL_TEXTURE_2D: return Fixed.texture2d;
    case GL_TEXTURE_GEN_S: return Fixed.generateS;
    case GL_TEXTURE_GEN_T: return Fixed.generateT;
    case GL_VERTEX_ARRAY: return Fixed.arrays[FIXED_POSITION].enabled;
    case GL_NORMAL_ARRAY: return Fixed.arrays[FIXED_NORMAL].enabled;
    case GL_TEXTURE_COORD_ARRAY: return Fixed.arrays[FIXED_TEXCOORD].enabled;
    case GL_COLOR_ARRAY: return Fixed.arrays[FIXED_COLOUR].enabled;
    default: return glIsEnabled(capability);
    }
}

void FixedShadeModel(GLenum mode)
{
    // Only smooth shading is drawn; the demo never asks for flat.
    Fixed.shadeModel = mode;
}

void ApplyDepthMask(GLboolean flag)
{
    glDepthMask(flag);
}

void FixedDepthMask(GLboolean flag)
{
    if (RecordCommand({ LIST_DEPTH_MASK, flag }))
        return;
    ApplyDepthMask(flag);
}

void ApplyDepthFunc(GLenum function)
{
    glDepthFunc(function);
}

void FixedDepthFunc(GLenum function)
{
    if (RecordCommand({ LIST_DEPTH_FUNC, function }))
        return;
    ApplyDepthFunc(function);
}

void ApplyBlendFunc(GLenum source, GLenum destination)
{
    glBlendFunc(source, destination);
}

void FixedBlendFunc(GLenum source, GLenum destination)
{
    if (RecordCommand({ LIST_BLEND_FUNC, source, destination }))
        return;
    ApplyBlendFunc(source, destination);
}

void FixedClearColor(GLfloat red, GLfloat green, GLfloat blue, GLfloat alpha)
{
    glClearColor(red, green, blue, alpha);
}

void FixedClearDepth(GLdouble depth)
{
    glClearDepthf(static_cast<GLfloat>(depth));
}

void FixedClear(GLbitfield mask)
{
    glClear(mask);
}

void FixedViewport(GLint x, GLint y, GLsizei width, GLsizei height)
{
    glViewport(x, y, width, height);
}

void FixedScissor(GLint x, GLint y, GLsizei width, GLsizei height)
{
    glScissor(x, y, width, height);
}

void FixedFinish()
{
    glFinish();
}
