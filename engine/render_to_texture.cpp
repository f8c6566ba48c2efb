// Render to texture: an item drawn into the capture square of the back buffer and
// copied into a bank texture, optionally cut into four by CapturePostProcess.
#include "content/content.h"
#include "engine/engine.h"
#include "geometry/geometry.h"
#include "platform/gl.h"
#include "textures/textures.h"

namespace {

constexpr int LARGE_SIDE = CAPTURE_SIDE;
constexpr int SMALL_SIDE = 16;
constexpr int LARGE_TARGET = 13;
constexpr int SMALL_TARGET = 30;

} // namespace

void RenderItemToTexture(uint16_t flags, int mesh)
{
    glDisable(GL_SCISSOR_TEST);
    const bool large = (flags & ITEM_TEXTURE_LARGE) != 0;
    const int side = large ? LARGE_SIDE : SMALL_SIDE;
    const int target = large ? LARGE_TARGET : SMALL_TARGET;
    const GLenum format = large ? GL_RGBA : GL_LUMINANCE;

    glViewport(0, CAPTURE_Y, side, side);
    DrawMesh(EngineTables.MeshTable[mesh]);
    glBindTexture(GL_TEXTURE_2D, EngineTables.TextureBank[target].name);
    glCopyTexImage2D(GL_TEXTURE_2D, 0, format, 0, CAPTURE_Y, side, side, 0);
    // Always a 128-texel square, also after a small capture.
    if (flags & ITEM_TEXTURE_SPLIT)
        CapturePostProcess();
    glViewport(0, 0, WindowWidth, WindowHeight);
    // The scissor test is still off: the whole window is cleared, and whatever the
    // frame held so far is gone.
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glEnable(GL_SCISSOR_TEST);
}
