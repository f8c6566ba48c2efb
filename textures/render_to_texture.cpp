// Render to texture: an item drawn into a corner of the back buffer and copied into
// a bank texture, optionally cut by two cell masks into four complementary textures.
#include "content/content.h"
#include "engine/engine.h"
#include "geometry/geometry.h"
#include "platform/gl.h"
#include "shell/shell.h"
#include "textures/textures.h"

namespace {

constexpr int CAPTURE_Y = 48;          // window y of the capture square's lower edge
constexpr int LARGE_SIDE = 128;
constexpr int SMALL_SIDE = 16;
constexpr int LARGE_TARGET = 13;
constexpr int SMALL_TARGET = 30;
constexpr int SPLIT_MASK_A = 23;
constexpr int SPLIT_MASK_B = 28;
constexpr int SCRATCH_IMAGE_A = 7;     // overwritten; its uploaded texture keeps its image
constexpr int SCRATCH_IMAGE_B = 8;
constexpr int SPLIT_TARGETS[4] = { 32, 8, 9, 10 };
constexpr int SPLIT_TEXELS = LARGE_SIDE * LARGE_SIDE;

void UploadSquare(int texture, const uint8_t* pixels)
{
    glBindTexture(GL_TEXTURE_2D, EngineTables.TextureBank[texture].name);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, LARGE_SIDE, LARGE_SIDE, GL_RGBA, GL_UNSIGNED_BYTE, pixels);
}

} // namespace

void MaskSplit(uint8_t* a, int maskLayer, uint8_t* b)
{
    const uint8_t* mask = EngineTables.LayerStore[maskLayer];
    for (int k = 0; k < SPLIT_TEXELS; ++k) {
        const uint32_t m = mask[k];
        uint8_t* x = a + 4 * k;
        uint8_t* y = b + 4 * k;
        for (int c = 0; c < 3; ++c) {
            const uint32_t v = x[c];
            y[c] = static_cast<uint8_t>(((255 - m) * v) >> 8);
            x[c] = static_cast<uint8_t>((m * v) >> 8);
        }
        x[3] = 255;
        y[3] = 255;
    }
}

void CapturePostProcess()
{
    uint8_t* frame = EngineTables.ScratchBlock;
    uint8_t* imageA = EngineTables.TexturePixels[SCRATCH_IMAGE_A];
    uint8_t* imageB = EngineTables.TexturePixels[SCRATCH_IMAGE_B];
    glReadPixels(0, CAPTURE_Y, LARGE_SIDE, LARGE_SIDE, GL_RGBA, GL_UNSIGNED_BYTE, frame);
    // frame x m23 stays in frame, frame x (255 - m23) goes to A; each is then cut by m28.
    MaskSplit(frame, SPLIT_MASK_A, imageA);
    MaskSplit(frame, SPLIT_MASK_B, imageB);
    UploadSquare(SPLIT_TARGETS[0], frame);
    UploadSquare(SPLIT_TARGETS[1], imageB);
    MaskSplit(imageA, SPLIT_MASK_B, imageB);
    UploadSquare(SPLIT_TARGETS[2], imageA);
    UploadSquare(SPLIT_TARGETS[3], imageB);
}

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
