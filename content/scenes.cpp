// The 14 scenes: each one's camera path and its item definitions. Camera keys are
// (time, x, y, z, yaw, pitch, roll, zoom): time in units of 4 centiseconds,
// position and zoom in 1/256, angles in 1/256 of a half turn.
#include "content/content.h"

#include <iterator>

namespace {

// ---- Camera paths -------------------------------------------------------------------

constexpr CameraKey Scene1Keys[] = {
    {   0,    0,  200,  -32,    0,    0,    0, 380 },
    { 250,    0,    0, -208,    0,   -8,    0, 264 },
    { 275,    0,    0, -208,    0,   -8,    0, 256 },
    { 350,   88,   64, -120,  -24,    8,    0, 216 },
    { 450,  256,  136, -120,  -24,    8,    0, 648 },
    { 451,  256,  136, -120,  -24,    8,    0, 256 },
    { 452, -184,  -72, -576,  104,  -48,    0, 256 },
    { 453,    8, -216, -688,   72,  -72,    0, 332 },
    { 513, -240, -112, -160,   -8,  -32,   16, 360 },
};

// The key times do not rise monotonically; the key search takes them as they are.
constexpr CameraKey Scene2Keys[] = {
    {   0,  800, -700, -896,   28,   24,    0, 256 },
    { 400,  800, -700, -896,   28,   -8,    0, 256 },
    { 350,  800, -700, -896,  -32,    8,    0, 256 },
    { 450,  800, -700, -896,    0,    0,    0, 256 },
};

constexpr CameraKey Scene3Keys[] = {
    {   0,    0,    0, -288,    0,    0,    0, 256 },
    {  50,    0,  512,-1024,    0,    0,    0,  64 },
    { 100,    0, -256, -512,    0,    0,   64,  96 },
    { 200,    0,  256, -288,    0,   64,    0, 320 },
};

constexpr CameraKey Scene4Keys[] = {
    {   0,    0, -200,-1224,    0,   56,    0, 256 },
    {  50,    8,   16, -656,    0,   16,    0, 276 },
    { 100,  -96,  232,  -88,   64,   72,    0, 184 },
    { 138,  240,  352,  312,  328,   96,  -16, 276 },
    { 183,  104,  304, -104,  448,   80,    0, 220 },
    { 201,  -27,  119,  -29,  572,   54,    0, 180 },
    { 225, -317, -212,  222,  671,  -38,    0, 273 },
    { 300, -327, -223,  176,  648,  -32,    0, 244 },
    { 390, -289,  123,  247,  661,   35,    0, 210 },
    { 600,  240,  112,  104,  888,   32,    0, 248 },
    { 750,  271,  145, -169,  926,   49,    0, 242 },
    { 850,   79,  233, -169,  990,  105,    0,  92 },
    { 917,   15,  201,  191, 1270,   73,    0, 208 },
};

// Ends where scene 4's path begins, at the moment scene 4 takes over.
constexpr CameraKey Scene5Keys[] = {
    {-275,    0,  400,    0,    0,  512,    0, 256 },
    {   0,    0, -200,-1224,    0,   56,    0, 256 },
};

constexpr CameraKey Scene6Keys[] = {
    {   0,   64,  -40, -560,    0,   80,    0,  84 },
    {  75,    0,   56, -408,    0,    0,    0, 192 },
    { 100, -384,    0,    0,  128,  -40,    0, 192 },
    { 125,    0,  136,  368,  288,   16,    0, 192 },
    { 150,  280,    0,    0,  448,   -8,    0, 132 },
    { 200,    0,  280, -320,  512,   56,    0, 256 },
    { 250, -136,  256,  128,  704,   72,    0, 132 },
    { 300, -280,    0,  128,  704,    0,    0, 132 },
    { 400, -136,  -48,  352,  744,   -8,    0, 256 },
    { 475,  424,  288,  216,  848,   48,    0, 356 },
    { 500,   40,    0, -352, 1016,   -8,    0, 204 },
    { 550, -336, -208, -192, 1120,  -48,  -56, 344 },
    { 575,   32,    0,  600, 1280,    0,    0, 344 },
    { 600,  336,  112,   16, 1408,   32,    0, 172 },
    { 630,  112,    0, -560, 1536,   32, -136,  32 },
    { 750,    0,    0,-1872, 1536,   32, -296,  32 },
};

constexpr CameraKey Scene7Keys[] = {
    {   0,  736,  584,-1448,   24,  -16,    0, 288 },
    {  75,  296,   -8, -168,  -40,    0,    0, 148 },
    { 113,  376,  256,  168, -208,   56,    0, 156 },
    { 125,  -88,  488,  288, -320,   72,  -48, 284 },
    { 150, -128,  408, -384, -448,   56,    0, 292 },
    { 187,   32,  -88, -408, -520,  -16,   24, 320 },
    { 225,  368,  -80, -248, -592,  -56,   40, 216 },
    { 300,  824,    0,-1336, -544,    0,   72, 556 },
    { 331,  750,    0, -327, -607,    7,   43, 438 },
    { 363,  408,  376,  320, -728,   48,    0, 204 },
    { 475,  168,  160, -512,-1024,   16,   56, 340 },
    { 525,  272,    0, -328,-1064,   -8,   64, 288 },
    { 575,  288, -136,  280,-1224,  -64,   16, 180 },
    { 600, -296,  360,  512,-1320,   32,   16, 236 },
    { 650, -120,  520, -432,-1496,   56,   16, 244 },
    { 836, -256,  384,  552,-1584,  -24,   16, 444 },
};

constexpr CameraKey Scene8Keys[] = {
    {   0,  -32,   24, -320, -128,    0,    0, 268 },
    {  37, -184,   56, -216,   40,   32,    0, 204 },
    {  50,   33,  184, -255,   -9,   64,    0, 256 },
    {  63,  256,    0, -176,  -96,   -8,    0, 204 },
    { 100,  184,  128,  176, -216,   40,   40, 208 },
    { 125,  -96,  -32,  176, -304,  -24,    0, 152 },
    { 150,  -56,  256,   56, -344,   96,    0, 152 },
    { 175,  -24,   16,  240, -264,    0,    0, 240 },
    { 200,  184,  104,  168, -168,   40,    0, 140 },
    { 225,  176,  -56,  328, -200,  -16,    0, 332 },
    { 250,  552,   80,  328, -176,   -8,    0, 388 },
    { 300,   80,  856,  328, -176,  200,    0,  88 },
};

constexpr CameraKey Scene9Keys[] = {
    {   0,-3728, 1248, -976,  112,   64,   40, 180 },
    { 250, 3712,  920,-1088, -112,   80,  -48, 132 },
    { 500,-3728, 1248, -976,  112,   64,   40, 180 },
};

constexpr CameraKey Scene10Keys[] = {
    {   0,-1192,  528, -632,   80,    0,    0, 256 },
    { 100, -536,  544,  928,  192,   64,    0, 256 },
    { 195,-1160,  232,  920,  208,    0,    0, 192 },
    { 250,  264,  664,   64,  392,  104,    0, 228 },
    { 375,  664,  592,   64,  352,   80,    0, 252 },
};

// Shared by scenes 11 to 14.
constexpr CameraKey FixedCameraKeys[] = {
    {   0,    0, -128,-1512,    0,    0,    0, 256 },
};

template <std::size_t N>
constexpr CameraPath MakePath(const CameraKey (&keys)[N])
{
    static_assert(N >= 1 && N <= 255);
    return { keys, static_cast<uint8_t>(N) };
}

constexpr CameraPath Scene1Path = MakePath(Scene1Keys);
constexpr CameraPath Scene2Path = MakePath(Scene2Keys);
constexpr CameraPath Scene3Path = MakePath(Scene3Keys);
constexpr CameraPath Scene4Path = MakePath(Scene4Keys);
constexpr CameraPath Scene5Path = MakePath(Scene5Keys);
constexpr CameraPath Scene6Path = MakePath(Scene6Keys);
constexpr CameraPath Scene7Path = MakePath(Scene7Keys);
constexpr CameraPath Scene8Path = MakePath(Scene8Keys);
constexpr CameraPath Scene9Path = MakePath(Scene9Keys);
constexpr CameraPath Scene10Path = MakePath(Scene10Keys);
constexpr CameraPath FixedCameraPath = MakePath(FixedCameraKeys);

// ---- Item definitions ---------------------------------------------------------------
// count, mesh, flags (ITEM_* bits, callback parameter in the high byte), callback.

constexpr ItemDefinition Scene1Items[] = {
    {  1, 27, 0x0001, CALLBACK_ANIMATE_PICTURE },
    {  0,  0, 0x0000, CALLBACK_NONE },
};

constexpr ItemDefinition Scene2Items[] = {
    {  1,  0, 0x0000, CALLBACK_TEXT_ITEM },
    {  0,  0, 0x0000, CALLBACK_NONE },
};

constexpr ItemDefinition Scene3Items[] = {
    {  1, 20, 0x0118, CALLBACK_ANIMATE_SURFACE },        // into texture 30
    {  1,  0, 0x0000, CALLBACK_TUNNEL },
    {  1, 20, 0x000C, CALLBACK_NONE },
    {  1, 11, 0x0002, CALLBACK_FIXED_LAYER },
    {  0,  0, 0x0000, CALLBACK_NONE },
};

constexpr ItemDefinition Scene4Items[] = {
    {  1, 21, 0x0304, CALLBACK_ANIMATE_SHADED_SURFACE },
    {  5, 10, 0x0004, CALLBACK_SPIRAL_DISC },
    {  1, 20, 0x020C, CALLBACK_ANIMATE_SURFACE },
    { 64,  1, 0x0203, CALLBACK_PARTICLE_ITEM },
    {  0,  0, 0x0000, CALLBACK_NONE },
};

constexpr ItemDefinition Scene5Items[] = {
    {  1, 21, 0x0370, CALLBACK_ANIMATE_SHADED_SURFACE }, // into texture 13, then split
    {  1, 16, 0x0008, CALLBACK_SHATTER },
    {  5, 10, 0x0004, CALLBACK_SPIRAL_DISC },
    {  0,  0, 0x0000, CALLBACK_NONE },
};

constexpr ItemDefinition Scene6Items[] = {
    {  4, 23, 0x0002, CALLBACK_FAN },
    {  1, 21, 0x000C, CALLBACK_ANIMATE_TRAIL },
    { 12,  1, 0x0003, CALLBACK_PARTICLE_ITEM },
    {  0,  0, 0x0000, CALLBACK_NONE },
};

constexpr ItemDefinition Scene7Items[] = {
    {  3, 25, 0x0030, CALLBACK_FAN },                    // into texture 13
    {  3, 25, 0x0002, CALLBACK_FAN },
    {  1, 20, 0x000C, CALLBACK_ANIMATE_SURFACE },
    {  4,  1, 0x0203, CALLBACK_PARTICLE_ITEM },
    {  0,  0, 0x0000, CALLBACK_NONE },
};

constexpr ItemDefinition Scene8Items[] = {
    {  3, 23, 0x0002, CALLBACK_FAN },
    {  1, 21, 0x010C, CALLBACK_ANIMATE_TRAIL },
    {  0,  0, 0x0000, CALLBACK_NONE },
};

constexpr ItemDefinition Scene9Items[] = {
    {  4, 24, 0x0102, CALLBACK_FAN },
    { 24, 19, 0x0002, CALLBACK_ROPE },
    { 24, 26, 0x0102, CALLBACK_ROPE },
    { 24, 26, 0x0202, CALLBACK_ROPE },
    { 24, 19, 0x0302, CALLBACK_ROPE },
    {  0,  0, 0x0000, CALLBACK_NONE },
};

constexpr ItemDefinition Scene10Items[] = {
    {  1, 13, 0x0002, CALLBACK_WARP_LAYER },
    {  1, 20, 0x0404, CALLBACK_ANIMATE_SHADED_SURFACE },
    {  1, 23, 0x0002, CALLBACK_FAN },
    {  1, 19, 0x0000, CALLBACK_FLOWER_GRID },
    {  0,  0, 0x0000, CALLBACK_NONE },
};

constexpr ItemDefinition Scene11Items[] = {
    {  1,  5, 0x000C, CALLBACK_WARP_LAYER },
    {  3,  4, 0x010C, CALLBACK_WARP_LAYER },
    {  1, 19, 0x0000, CALLBACK_SPIRAL_ARM },
    {  1,  4, 0x020C, CALLBACK_WARP_LAYER },
    {  0,  0, 0x0000, CALLBACK_NONE },
};

constexpr ItemDefinition Scene12Items[] = {
    {  1, 17, 0x000C, CALLBACK_FLASH_LAYER },
    {  0,  0, 0x0000, CALLBACK_NONE },
};

constexpr ItemDefinition Scene13Items[] = {
    {  1, 13, 0x000C, CALLBACK_FLASH_LAYER },
    {  8,  1, 0x0003, CALLBACK_PARTICLE_ITEM },
    {  0,  0, 0x0000, CALLBACK_NONE },
};

constexpr ItemDefinition Scene14Items[] = {
    {  1, 13, 0x000C, CALLBACK_FLASH_LAYER_B },
    {  8,  1, 0x0003, CALLBACK_PARTICLE_ITEM },
    {  0,  0, 0x0000, CALLBACK_NONE },
};

} // namespace

const SceneDefinition SceneDefinitions[SCENE_COUNT] = {
    //  camera path        items         clip parent  frame parent
    { &Scene1Path,       Scene1Items,  0, 0 },
    { &Scene2Path,       Scene2Items,  0, 0 },
    { &Scene3Path,       Scene3Items,  0, 0 },
    { &Scene4Path,       Scene4Items,  0, 0 },
    { &Scene5Path,       Scene5Items,  0, 0 },
    { &Scene6Path,       Scene6Items,  0, 0 },
    { &Scene7Path,       Scene7Items,  0, 0 },
    { &Scene8Path,       Scene8Items,  0, 0 },
    { &Scene9Path,       Scene9Items,  0, 0 },
    { &Scene10Path,      Scene10Items, 0, 0 },
    { &FixedCameraPath,  Scene11Items, 0, 0 },
    { &FixedCameraPath,  Scene12Items, 0, 0 },
    { &FixedCameraPath,  Scene13Items, 0, 0 },
    { &FixedCameraPath,  Scene14Items, 0, 0 },
};
static_assert(std::size(SceneDefinitions) == SCENE_COUNT);
