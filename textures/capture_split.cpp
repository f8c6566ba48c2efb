// The capture square read back and cut by two cell masks into four complementary
// textures, after an item was rendered into it.
#include "core/engine_tables.h"
#include "platform/gl.h"
#include "textures/textures.h"

namespace {

constexpr int LARGE_SIDE = CAPTURE_SIDE;
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
