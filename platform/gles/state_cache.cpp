// The fixed-function layer's cache in front of the ES context: every state change the
// layer makes goes through Set (layer.h), and a call that would leave the context's
// state as it is, is not made. Fixed.gl is what the context holds; the render state
// the demo asked for (Fixed.wanted) reaches it only when a draw or a clear needs it, so
// that state set and set back between two draws costs nothing.
//
// The back buffer's alpha stays 1, as on a window without destination alpha: clears
// write alpha 1, blending keeps the destination's alpha (its alpha factors are zero
// and one), and a draw without blending writes alpha 1 from its shader.
#include "platform/gles/layer.h"

#include <iterator>

namespace {

constexpr struct {
    uint8_t bit;
    GLenum capability;
} Capabilities[] = {
    { CAP_DEPTH_TEST, GL_DEPTH_TEST }, { CAP_CULL_FACE, GL_CULL_FACE },       { CAP_BLEND, GL_BLEND },
    { CAP_DITHER, GL_DITHER },         { CAP_SCISSOR_TEST, GL_SCISSOR_TEST },
};
static_assert(std::size(Capabilities) == FIXED_CAPABILITY_COUNT);

// Every field of the context's render state that differs from `want`, in one order.
void WriteRenderState(const RenderState& want)
{
    RenderState& gl = Fixed.gl.render;
    for (const auto& c : Capabilities)
        SetCapability(c.bit, (want.capabilities & c.bit) != 0);
    Set(gl.depthMask, want.depthMask, [](GLboolean mask) { glDepthMask(mask); });
    Set(gl.depthFunc, want.depthFunc, [](GLenum function) { glDepthFunc(function); });
    Set(gl.blend, want.blend, [](const auto& f) { glBlendFuncSeparate(f[0], f[1], GL_ZERO, GL_ONE); });
    Set(gl.viewport, want.viewport, [](const auto& box) { glViewport(box[0], box[1], box[2], box[3]); });
    Set(gl.scissor, want.scissor, [](const auto& box) { glScissor(box[0], box[1], box[2], box[3]); });
    SetClearColour(want.clearColour);
    Set(gl.clearDepth, want.clearDepth, [](GLfloat depth) { glClearDepthf(depth); });
}

} // namespace

void StartStateCache()
{
    // The context may hold anything: the cache starts from ES's initial state (but for
    // the boxes, which are read) and every call is made once, whatever it records.
    Fixed.gl = GlState{};
    RenderState start = Fixed.gl.render;
    glGetIntegerv(GL_VIEWPORT, start.viewport.data());
    glGetIntegerv(GL_SCISSOR_BOX, start.scissor.data());
    Fixed.gl.unknown = true;
    WriteRenderState(start);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    UseProgram(0);
    BindTexture(0);
    BindVertexArray(0);
    BindArrayBuffer(0);
    SetPackAlignment(4);
    SetUnpackAlignment(4);
    Fixed.gl.unknown = false;
    Fixed.renderChanged = true;
}

uint8_t CapabilityBit(GLenum capability)
{
    for (const auto& c : Capabilities)
        if (c.capability == capability)
            return c.bit;
    return 0;
}

void SetCapability(uint8_t bit, bool on)
{
    uint8_t& held = Fixed.gl.render.capabilities;
    const auto capabilities = static_cast<uint8_t>(on ? held | bit : held & ~bit);
    const bool changed = Set(held, capabilities, [bit, on](uint8_t) {
        for (const auto& c : Capabilities)
            if (c.bit == bit)
                on ? glEnable(c.capability) : glDisable(c.capability);
    });
    // Set from outside SyncRenderState, it may differ from what the demo asked for.
    if (changed)
        Fixed.renderChanged = true;
}

void SyncRenderState()
{
    if (!Fixed.renderChanged)
        return;
    RenderState want = Fixed.wanted;
    want.clearColour[3] = 1.0f;
    WriteRenderState(want);
    Fixed.renderChanged = false;
}

void SetClearColour(const std::array<GLfloat, 4>& colour)
{
    const bool changed = Set(Fixed.gl.render.clearColour, colour,
                             [](const auto& c) { glClearColor(c[0], c[1], c[2], c[3]); });
    if (changed)
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
    Set(enabled, present, [change](uint8_t arrays) {
        for (int a = 0; a < FIXED_ATTRIBUTE_COUNT; ++a) {
            if (!(change & (1u << a)))
                continue;
            if (arrays & (1u << a))
                glEnableVertexAttribArray(static_cast<GLuint>(a));
            else
                glDisableVertexAttribArray(static_cast<GLuint>(a));
        }
    });
}

void SendCurrentValue(int attribute, const float value[4])
{
    const std::array<float, 4> v = { value[0], value[1], value[2], value[3] };
    Set(Fixed.gl.currentValue[attribute], v,
        [attribute](const auto& sent) { glVertexAttrib4fv(static_cast<GLuint>(attribute), sent.data()); });
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

void ForgetArrayBuffer(GLuint name)
{
    if (Fixed.gl.arrayBuffer == name)
        Fixed.gl.arrayBuffer = 0;
}
