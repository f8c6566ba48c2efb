// The functions behind the callback names of the scene data. A null entry leaves
// the items of that name without a callback: they are drawn as their flags say,
// with their start-up placement.
#include "content/content.h"
#include "engine/engine.h"

#include <iterator>

const ItemCallback ItemCallbacks[] = {
    nullptr,   // CALLBACK_NONE
    nullptr,   // CALLBACK_ANIMATE_PICTURE: AnimatePicture, the four picture layers
    nullptr,   // CALLBACK_TEXT_ITEM: TextItemCallback, the twelve texts
    nullptr,   // CALLBACK_ANIMATE_SURFACE: AnimateSurface
    nullptr,   // CALLBACK_TUNNEL: TunnelCallback
    nullptr,   // CALLBACK_FIXED_LAYER: FixedLayerCallback
    nullptr,   // CALLBACK_ANIMATE_SHADED_SURFACE: AnimateShadedSurface
    nullptr,   // CALLBACK_SPIRAL_DISC: SpiralDiscCallback
    nullptr,   // CALLBACK_PARTICLE_ITEM: ParticleItemCallback
    nullptr,   // CALLBACK_SHATTER: ShatterCallback
    nullptr,   // CALLBACK_FAN: FanCallback
    nullptr,   // CALLBACK_ANIMATE_TRAIL: AnimateTrail
    nullptr,   // CALLBACK_ROPE: RopeCallback
    nullptr,   // CALLBACK_WARP_LAYER: WarpLayerCallback
    nullptr,   // CALLBACK_FLOWER_GRID: FlowerGridCallback
    nullptr,   // CALLBACK_SPIRAL_ARM: SpiralArmCallback
    nullptr,   // CALLBACK_FLASH_LAYER: FlashLayerCallback
    nullptr,   // CALLBACK_FLASH_LAYER_B: FlashLayerBCallback
};
static_assert(std::size(ItemCallbacks) == CALLBACK_COUNT);

// BakeFontAtlas, run once by the first scissor set-up in a window larger than
// 128 x 128.
const FontBakeFn FontAtlasBake = nullptr;
