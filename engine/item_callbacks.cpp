// The functions behind the callback names of the scene data. A null entry leaves
// the items of that name without a callback: they are drawn as their flags say,
// with their start-up placement.
#include "content/content.h"
#include "effects/effects.h"
#include "engine/engine.h"

#include <iterator>

const ItemCallback ItemCallbacks[] = {
    nullptr,   // CALLBACK_NONE
    AnimatePicture,   // CALLBACK_ANIMATE_PICTURE: AnimatePicture, the four picture layers
    TextItemCallback,   // CALLBACK_TEXT_ITEM: TextItemCallback, the twelve texts
    AnimateSurface,   // CALLBACK_ANIMATE_SURFACE: AnimateSurface
    TunnelCallback,   // CALLBACK_TUNNEL: TunnelCallback
    FixedLayerCallback,   // CALLBACK_FIXED_LAYER: FixedLayerCallback
    AnimateShadedSurface,   // CALLBACK_ANIMATE_SHADED_SURFACE: AnimateShadedSurface
    SpiralDiscCallback,   // CALLBACK_SPIRAL_DISC: SpiralDiscCallback
    ParticleItemCallback,   // CALLBACK_PARTICLE_ITEM: ParticleItemCallback
    ShatterCallback,   // CALLBACK_SHATTER: ShatterCallback
    FanCallback,   // CALLBACK_FAN: FanCallback
    AnimateTrail,   // CALLBACK_ANIMATE_TRAIL: AnimateTrail
    RopeCallback,   // CALLBACK_ROPE: RopeCallback
    WarpLayerCallback,   // CALLBACK_WARP_LAYER: WarpLayerCallback
    FlowerGridCallback,   // CALLBACK_FLOWER_GRID: FlowerGridCallback
    SpiralArmCallback,   // CALLBACK_SPIRAL_ARM: SpiralArmCallback
    FlashLayerCallback,   // CALLBACK_FLASH_LAYER: FlashLayerCallback
    FlashLayerBCallback,   // CALLBACK_FLASH_LAYER_B: FlashLayerBCallback
};
static_assert(std::size(ItemCallbacks) == CALLBACK_COUNT);

// BakeFontAtlas, run once by BakeFontAtlasOnce on the first frame of a window
// larger than the capture square.
const FontBakeFn FontAtlasBake = BakeFontAtlas;
