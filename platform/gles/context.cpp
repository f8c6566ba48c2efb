// The fixed-function layer's context: start and stop, the back buffer it draws into
// and presents, and the capabilities, blending, depth, viewport and clearing state
// the demo sets (kept in Fixed.wanted until a draw or a clear needs it).
//
// The back buffer is a framebuffer object with RGBA colour and 16-bit depth, like the
// window the demo asks for natively. Its alpha is always 1 (state_cache.cpp): a
// window without destination alpha reads back and copies alpha as 1, and the
// captures into textures rely on that.
#include "platform/gles/layer.h"

FixedLayerState Fixed;

namespace {

// Opaque black with alpha 1 in the whole back buffer.
void ClearToOpaque()
{
    SetCapability(CAP_SCISSOR_TEST, false);
    SetClearColour({ 0.0f, 0.0f, 0.0f, 1.0f });
    glClear(GL_COLOR_BUFFER_BIT);
}

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
    ClearToOpaque();
    return true;
}

void SetWantedCapability(uint8_t bit, bool on)
{
    uint8_t& wanted = Fixed.wanted.capabilities;
    Want(wanted, static_cast<uint8_t>(on ? wanted | bit : wanted & ~bit));
}

} // namespace

bool FixedStartLayer(int width, int height)
{
    Fixed = {};
    Fixed.lists.resize(1);      // name 0 is never a list
    Fixed.textures.resize(1);   // nor a texture of ours
    for (MatrixStack& stack : Fixed.stacks)
        stack.entries[0] = IdentityMatrix();
    StartStateCache();
    if (!StartPrograms())
        return false;
    StartGeometry();
    if (!MakeBackBuffer(width, height))
        return false;
    Want(Fixed.wanted.viewport, { 0, 0, width, height });
    Want(Fixed.wanted.scissor, { 0, 0, width, height });
    Fixed.started = true;
    return true;
}

void FixedResizeBackBuffer(int width, int height)
{
    if (!Fixed.started || width <= 0 || height <= 0 || (width == Fixed.width && height == Fixed.height))
        return;
    MakeBackBuffer(width, height);
}

// The copy obeys the scissor box, which is set back from Fixed.wanted before the next
// draw or clear.
void FixedPresent()
{
    if (!Fixed.started)
        return;
    SetCapability(CAP_SCISSOR_TEST, false);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
    glBlitFramebuffer(0, 0, Fixed.width, Fixed.height, 0, 0, Fixed.width, Fixed.height, GL_COLOR_BUFFER_BIT,
                      GL_NEAREST);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, Fixed.framebuffer);
}

void FixedStopLayer()
{
    if (!Fixed.started)
        return;
    StopPrograms();
    StopGeometry();
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glDeleteFramebuffers(1, &Fixed.framebuffer);
    glDeleteRenderbuffers(1, &Fixed.colourBuffer);
    glDeleteRenderbuffers(1, &Fixed.depthBuffer);
    Fixed = {};
}

// ---- Capabilities, depth, blending ----------------------------------------------------

void ApplyEnable(GLenum capability, bool on)
{
    switch (capability) {
    case GL_TEXTURE_2D: Fixed.texture2d = on; return;
    case GL_TEXTURE_GEN_S: Fixed.generateS = on; return;
    case GL_TEXTURE_GEN_T: Fixed.generateT = on; return;
    default:
        // Nothing else the demo switches has an effect here.
        if (const uint8_t bit = CapabilityBit(capability))
            SetWantedCapability(bit, on);
        return;
    }
}

void FixedEnable(GLenum capability)
{
    SubmitCommand({ LIST_ENABLE, capability });
}

void FixedDisable(GLenum capability)
{
    SubmitCommand({ LIST_DISABLE, capability });
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
    default:
        if (const uint8_t bit = CapabilityBit(capability))
            return (Fixed.wanted.capabilities & bit) ? GL_TRUE : GL_FALSE;
        return glIsEnabled(capability);
    }
}

void FixedShadeModel(GLenum)
{
    // Only smooth shading is drawn; the demo never asks for flat.
}

void ApplyDepthMask(GLboolean flag)
{
    Want(Fixed.wanted.depthMask, static_cast<GLboolean>(flag ? GL_TRUE : GL_FALSE));
}

void FixedDepthMask(GLboolean flag)
{
    SubmitCommand({ LIST_DEPTH_MASK, flag });
}

void ApplyDepthFunc(GLenum function)
{
    Want(Fixed.wanted.depthFunc, function);
}

void FixedDepthFunc(GLenum function)
{
    SubmitCommand({ LIST_DEPTH_FUNC, function });
}

void ApplyBlendFunc(GLenum source, GLenum destination)
{
    Want(Fixed.wanted.blend, { source, destination });
}

void FixedBlendFunc(GLenum source, GLenum destination)
{
    SubmitCommand({ LIST_BLEND_FUNC, source, destination });
}

// ---- Clearing and the boxes -----------------------------------------------------------

void FixedClearColor(GLfloat red, GLfloat green, GLfloat blue, GLfloat alpha)
{
    Want(Fixed.wanted.clearColour, { red, green, blue, alpha });
}

void FixedClearDepth(GLdouble depth)
{
    Want(Fixed.wanted.clearDepth, static_cast<GLfloat>(depth));
}

void FixedClear(GLbitfield mask)
{
    SyncRenderState();
    glClear(mask);
}

void FixedViewport(GLint x, GLint y, GLsizei width, GLsizei height)
{
    Want(Fixed.wanted.viewport, { x, y, width, height });
}

void FixedScissor(GLint x, GLint y, GLsizei width, GLsizei height)
{
    Want(Fixed.wanted.scissor, { x, y, width, height });
}

void FixedFinish()
{
    glFinish();
}
