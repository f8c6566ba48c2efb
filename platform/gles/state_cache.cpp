// The fixed-function layer's cache in front of the ES context: every state change the
// layer makes goes through here, and a call that would leave the context's state as
// it is, is not made. Fixed.gl is what the context holds; the render state the demo
// asked for (Fixed.wanted) reaches it only when a draw or a clear needs it, so that
// state set and set back between two draws costs nothing.
//
// The back buffer's alpha stays 1, as on a window without destination alpha: clears
// write alpha 1, blending keeps the destination's alpha (its alpha factors are zero
// and one), and a draw without blending writes alpha 1 from its shader.
#include "platform/gles/layer.h"

#include <cstring>

namespace {

constexpr struct {
    uint8_t bit;
    GLenum capability;
} Capabilities[] = {
    { CAP_DEPTH_TEST, GL_DEPTH_TEST }, { CAP_CULL_FACE, GL_CULL_FACE },       { CAP_BLEND, GL_BLEND },
    { CAP_DITHER, GL_DITHER },         { CAP_SCISSOR_TEST, GL_SCISSOR_TEST },
};

// Makes the call that sets `value` and records it, unless the context holds it already.
template <typename T, typename Call>
void Set(T& held, T value, Call call)
{
    if (held == value)
        return;
    call(value);
    held = value;
}

bool SameBox(const GLint a[4], const GLint b[4])
{
    return a[0] == b[0] && a[1] == b[1] && a[2] == b[2] && a[3] == b[3];
}

} // namespace

void StartStateCache()
{
    // The context is given the state the cache starts from (ES's initial state, but
    // for the boxes, which are read), whatever it held, so that the cache is true.
    Fixed.gl = GlState{};
    const RenderState& gl = Fixed.gl.render;
    for (const auto& c : Capabilities) {
        if (gl.capabilities & c.bit)
            glEnable(c.capability);
        else
            glDisable(c.capability);
    }
    glDepthMask(gl.depthMask);
    glDepthFunc(gl.depthFunc);
    glBlendFuncSeparate(gl.blendSource, gl.blendDestination, GL_ZERO, GL_ONE);
    glClearColor(gl.clearColour[0], gl.clearColour[1], gl.clearColour[2], gl.clearColour[3]);
    glClearDepthf(gl.clearDepth);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glUseProgram(0);
    glBindTexture(GL_TEXTURE_2D, 0);
    glBindVertexArray(0);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glPixelStorei(GL_PACK_ALIGNMENT, Fixed.gl.packAlignment);
    glPixelStorei(GL_UNPACK_ALIGNMENT, Fixed.gl.unpackAlignment);
    glGetIntegerv(GL_VIEWPORT, Fixed.gl.render.viewport);
    glGetIntegerv(GL_SCISSOR_BOX, Fixed.gl.render.scissor);
    Fixed.renderChanged = true;
}

void SetCapability(uint8_t bit, bool on)
{
    RenderState& gl = Fixed.gl.render;
    if (((gl.capabilities & bit) != 0) == on)
        return;
    for (const auto& c : Capabilities) {
        if (c.bit == bit) {
            if (on)
                glEnable(c.capability);
            else
                glDisable(c.capability);
        }
    }
    gl.capabilities = static_cast<uint8_t>(on ? gl.capabilities | bit : gl.capabilities & ~bit);
    // Set from outside SyncRenderState, it may differ from what the demo asked for.
    Fixed.renderChanged = true;
}

void SyncRenderState()
{
    if (!Fixed.renderChanged)
        return;
    const RenderState& want = Fixed.wanted;
    RenderState& gl = Fixed.gl.render;
    if (want.capabilities != gl.capabilities) {
        for (const auto& c : Capabilities)
            SetCapability(c.bit, (want.capabilities & c.bit) != 0);
    }
    if (want.depthMask != gl.depthMask) {
        glDepthMask(want.depthMask);
        gl.depthMask = want.depthMask;
    }
    if (want.depthFunc != gl.depthFunc) {
        glDepthFunc(want.depthFunc);
        gl.depthFunc = want.depthFunc;
    }
    if (want.blendSource != gl.blendSource || want.blendDestination != gl.blendDestination) {
        glBlendFuncSeparate(want.blendSource, want.blendDestination, GL_ZERO, GL_ONE);
        gl.blendSource = want.blendSource;
        gl.blendDestination = want.blendDestination;
    }
    if (!SameBox(want.viewport, gl.viewport)) {
        glViewport(want.viewport[0], want.viewport[1], want.viewport[2], want.viewport[3]);
        std::memcpy(gl.viewport, want.viewport, sizeof gl.viewport);
    }
    if (!SameBox(want.scissor, gl.scissor)) {
        glScissor(want.scissor[0], want.scissor[1], want.scissor[2], want.scissor[3]);
        std::memcpy(gl.scissor, want.scissor, sizeof gl.scissor);
    }
    const GLfloat clearColour[4] = { want.clearColour[0], want.clearColour[1], want.clearColour[2], 1.0f };
    SetClearColour(clearColour);
    if (want.clearDepth != gl.clearDepth) {
        glClearDepthf(want.clearDepth);
        gl.clearDepth = want.clearDepth;
    }
    Fixed.renderChanged = false;
}

void SetClearColour(const GLfloat colour[4])
{
    GLfloat* gl = Fixed.gl.render.clearColour;
    if (std::memcmp(colour, gl, sizeof(GLfloat) * 4) == 0)
        return;
    glClearColor(colour[0], colour[1], colour[2], colour[3]);
    std::memcpy(gl, colour, sizeof(GLfloat) * 4);
    Fixed.renderChanged = true;
}

void UseProgram(GLuint program)
{
    Set(Fixed.gl.program, program, [](GLuint p) { glUseProgram(p); });
}

void BindTexture(GLuint name)
{
    Set(Fixed.gl.texture, name, [](GLuint n) { glBindTexture(GL_TEXTURE_2D, n); });
}

void BindVertexArray(GLuint name)
{
    Set(Fixed.gl.vertexArray, name, [](GLuint n) { glBindVertexArray(n); });
}

void BindArrayBuffer(GLuint name)
{
    Set(Fixed.gl.arrayBuffer, name, [](GLuint n) { glBindBuffer(GL_ARRAY_BUFFER, n); });
}

void EnableArrays(uint8_t present)
{
    const GLuint name = Fixed.gl.vertexArray;
    if (name >= Fixed.enabledArrays.size())
        Fixed.enabledArrays.resize(name + 1, 0);
    uint8_t& enabled = Fixed.enabledArrays[name];
    const uint8_t change = enabled ^ present;
    for (int a = 0; a < FIXED_ATTRIBUTE_COUNT; ++a) {
        if (!(change & (1u << a)))
            continue;
        if (present & (1u << a))
            glEnableVertexAttribArray(static_cast<GLuint>(a));
        else
            glDisableVertexAttribArray(static_cast<GLuint>(a));
    }
    enabled = present;
}

void SendCurrentValue(int attribute, const float value[4])
{
    const auto bit = static_cast<uint8_t>(1u << attribute);
    float* sent = Fixed.gl.currentValue[attribute];
    if ((Fixed.gl.attributeSent & bit) && std::memcmp(sent, value, sizeof(float) * 4) == 0)
        return;
    glVertexAttrib4fv(static_cast<GLuint>(attribute), value);
    std::memcpy(sent, value, sizeof(float) * 4);
    Fixed.gl.attributeSent |= bit;
}

void SetPackAlignment(int alignment)
{
    Set(Fixed.gl.packAlignment, alignment, [](int a) { glPixelStorei(GL_PACK_ALIGNMENT, a); });
}

void SetUnpackAlignment(int alignment)
{
    Set(Fixed.gl.unpackAlignment, alignment, [](int a) { glPixelStorei(GL_UNPACK_ALIGNMENT, a); });
}

void ForgetVertexArray(GLuint name)
{
    if (name < Fixed.enabledArrays.size())
        Fixed.enabledArrays[name] = 0;
    if (Fixed.gl.vertexArray == name)
        Fixed.gl.vertexArray = 0;
}
