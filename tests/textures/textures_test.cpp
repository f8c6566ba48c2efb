// The texture generator on the CPU: the random generator, colour conversion, curves
// and layer operations at their edges, the texture images, repeatability, and golden
// hashes of every curve, layer and texture.
#include "core/engine_tables.h"
#include "textures/textures.h"
#include "tools/common/fnv1a.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <set>
#include <vector>

namespace {

// FNV-1a 64 of the raw bytes, as quorvantile-inspect's manifest.tsv lists them.
// Written from the generator after each formula was checked by hand and against a
// second, independent implementation.
constexpr uint64_t CurveHashes[] = {
    0x3cb54f39d635eb6dull,   // curve 1
    0x28ab59976e3112d2ull,   // curve 2
    0x99e32f084781a7fbull,   // curve 3
    0x80d187fe58a15b25ull,   // curve 4
    0x1b3a91762cf5bb62ull,   // curve 5
    0x937e0061c9983b4eull,   // curve 6
    0xc2c88fcbe9eb1d7bull,   // curve 7
    0x42424d5249c24328ull,   // curve 8
    0xf9e6995a0a4122a8ull,   // curve 9
    0xa189326e00397e28ull,   // curve 10
    0x02a06ff442d86525ull,   // curve 11
    0x93aa58077eed5945ull,   // curve 12
    0xf707d1e2a1a6b0edull,   // curve 13
    0x630e0ef68403e06dull,   // curve 14
    0x739b0fdcbb45a30full,   // curve 15
    0x3c374ea59c55a9d4ull,   // curve 16
    0xadd9ad87c96ef221ull,   // curve 17
    0x9e318c0bfa845316ull,   // curve 18
    0x8b44671bea92bfc1ull,   // curve 19
    0x0319e3452ffb34a2ull,   // curve 20
    0x2ace4bc8ecf4a720ull,   // curve 21
    0x5b1ae72730c35c8eull,   // curve 22
    0x12eb319b378f8adcull,   // curve 23
    0x682fff020136c66dull,   // curve 24
    0x2b57a8ba0138ad76ull,   // curve 25
    0xb04fb98d192cd050ull,   // curve 26
    0xef8d09ef26ca8d89ull,   // curve 27
    0x80d187fe58a15b25ull,   // curve 28
};
constexpr uint64_t LayerHashes[] = {
    0x713fad1ce29d8908ull,   // layer 0
    0xe2d64c70fbe8a4f2ull,   // layer 1
    0xc49523f20eab3e8cull,   // layer 2
    0x6bdb6bfc1545097bull,   // layer 3
    0xe2d64c70fbe8a4f2ull,   // layer 4
    0x1af8e6fc0c4c799bull,   // layer 5
    0x7a2190f9316b9b2aull,   // layer 6
    0x70f3c509af777ed2ull,   // layer 7
    0xbe237c301cd6bd13ull,   // layer 8
    0xf74ba9ee947f15c9ull,   // layer 9
    0xb17fb2faaa8e944bull,   // layer 10
    0x5eeaeefe0693d8adull,   // layer 11
    0x7497c4dd940e082dull,   // layer 12
    0x63b9a21986427312ull,   // layer 13
    0x1a9d3576aed893c9ull,   // layer 14
    0xbd1625fa275f10f6ull,   // layer 15
    0x3f9adc7bc7165cfbull,   // layer 16
    0xecedbe61fa113152ull,   // layer 17
    0x3ec202f9b506fdffull,   // layer 18
    0xbc668a8be54ea7bdull,   // layer 19
    0xeac5a4b8690480b1ull,   // layer 20
    0x936fd2c7bffcdaadull,   // layer 21
    0xbf775de2338f245full,   // layer 22
    0x3a1dd032f8e85f05ull,   // layer 23
    0x21dd326fb259fa61ull,   // layer 24
    0x45b071fda4f0fee5ull,   // layer 25
    0x51478e63b337ece0ull,   // layer 26
    0x58703dfc3f032db8ull,   // layer 27
    0xf43a3b74afad989dull,   // layer 28
};
constexpr uint64_t TextureHashes[] = {
    0xfda03651e101332dull,   // texture 0
    0x4f4f280a40f93b85ull,   // texture 1
    0xd15906a0552344a3ull,   // texture 2
    0xe2942c7036dec3c5ull,   // texture 3
    0x5429f3a3e9e10245ull,   // texture 4
    0xa61081e17420358aull,   // texture 5
    0x9b3bdf8916c94cc8ull,   // texture 6
    0xf317c92ed4988b9full,   // texture 7
    0x7fac043791874ad8ull,   // texture 8
    0x518fd5c3e7eedf6dull,   // texture 9
    0xdb765ad3680f9ea5ull,   // texture 10
    0xb8a226566ad399deull,   // texture 11
    0xda64933867788f6aull,   // texture 12
    0x080f959a9836ddd5ull,   // texture 13
    0x78ad3eeed1b3a426ull,   // texture 14
    0x57171157f76141b8ull,   // texture 15
    0xe8096f86db4ed882ull,   // texture 16
    0x10d3051a0cdc71b6ull,   // texture 17
    0x4b8fa0e22473420full,   // texture 18
    0x6268299408926772ull,   // texture 19
    0x8c0e6ac14526d0bcull,   // texture 20
    0x10fb5a418b9f6e96ull,   // texture 21
    0x6b91b5d30f7dd160ull,   // texture 22
    0x15f29131376fe975ull,   // texture 23
    0x08e97d909986c473ull,   // texture 24
    0xaa8aa85dd73c9cb6ull,   // texture 25
    0x4d25077f9dcd5758ull,   // texture 26
    0x994f76653e2a3951ull,   // texture 27
    0x9d868bad2b3b13d8ull,   // texture 28
    0x829be89778d284afull,   // texture 29
    0x9bbf2aa5a9e993e1ull,   // texture 30
    0x080f959a9836ddd5ull,   // texture 31
    0xf317c92ed4988b9full,   // texture 32
};
static_assert(std::size(CurveHashes) == CURVE_COUNT);
static_assert(std::size(LayerHashes) == LAYER_COUNT);
static_assert(std::size(TextureHashes) == TEXTURE_COUNT);

// The generator's stores are process-wide; build them once for the whole binary.
void BuildOnce()
{
    static bool built = false;
    if (!built) {
        BuildTextureLayers();
        BuildTextureImages();
        built = true;
    }
}

const uint8_t* Curve(int n) { return EngineTables.CurveTable + (n - 1) * CURVE_SIZE; }
const uint8_t* Layer(int i) { return EngineTables.LayerStore[i]; }
int LayerSide(int i) { return 1 << LayerProgram[i].sizeLog2; }
std::size_t TextureBytes(int t) { return static_cast<std::size_t>(TextureSize(t)) * TextureSize(t) * 4; }

uint64_t HashCurve(int n) { return HashFnv1a64(Curve(n), CURVE_SIZE); }
uint64_t HashLayer(int i) { return HashFnv1a64(Layer(i), static_cast<std::size_t>(LayerSide(i)) * LayerSide(i)); }
uint64_t HashTexture(int t) { return HashFnv1a64(TextureImage(t), TextureBytes(t)); }

TEST(DemoRandom, StepsFromZeroAsDocumented)
{
    DemoRandomState = 0;
    EXPECT_EQ(DemoRandom(), 6641);
    EXPECT_EQ(DemoRandomState, 435233605u);
    EXPECT_EQ(DemoRandom(), 20785);
    EXPECT_EQ(DemoRandomState, 1362206770u);
    EXPECT_EQ(DemoRandom(), 6929);
    EXPECT_EQ(DemoRandomState, 454131719u);
    // The fourth state has its top bit set: the shift is arithmetic.
    EXPECT_EQ(DemoRandom(), -29180);
    // The fractal's random byte after seeding with 0: bits 16..23 of the first state.
    EXPECT_EQ((435233605u >> 16) & 255, 241u);
}

TEST(HsvToRgb, KnownColours)
{
    struct Case {
        int h, s, v;
        std::array<uint8_t, 3> rgb;
    };
    const Case cases[] = {
        {0, 0, 77, {77, 77, 77}},        // no saturation: grey v, whatever the hue
        {200, 0, 255, {255, 255, 255}},
        {0, 255, 255, {255, 0, 0}},      // red
        {43, 255, 255, {253, 255, 0}},   // sector 1, f = 2: just past yellow
        {128, 255, 255, {0, 255, 255}},  // sector 3, f = 0: cyan
        {255, 255, 255, {255, 0, 5}},    // sector 5, f = 250: back towards red
        {0, 128, 200, {200, 99, 99}},    // half saturation: p = t = 200 * 127 / 255
        {85, 255, 0, {0, 0, 0}},         // black at any hue
    };
    for (const Case& c : cases) {
        uint8_t out[3] = {1, 2, 3};
        HsvToRgb(c.h, c.s, c.v, out);
        EXPECT_EQ((std::array<uint8_t, 3>{out[0], out[1], out[2]}), c.rgb) << "h " << c.h << " s " << c.s << " v " << c.v;
    }
}

TEST(Curves, EdgeValues)
{
    BuildOnce();
    for (int i = 0; i < 256; ++i) {
        ASSERT_EQ(Curve(4)[i], (4 * i) % 256) << "curve 4 is 4i mod 256, input " << i;
        ASSERT_EQ(Curve(11)[i], 255 - i) << "curve 11 inverts, input " << i;
        ASSERT_EQ(Curve(28)[i], Curve(4)[i]) << "curves 4 and 28 have the same record";
    }
    // Curve 16 is a steep descending ramp: truncation toward zero sets each step.
    for (int i = 0; i <= 122; ++i)
        EXPECT_EQ(Curve(16)[i], 255) << i;
    EXPECT_EQ(Curve(16)[123], 192);
    EXPECT_EQ(Curve(16)[124], 128);
    EXPECT_EQ(Curve(16)[125], 64);
    for (int i = 126; i < 256; ++i)
        EXPECT_EQ(Curve(16)[i], 0) << i;
    // Curve 1 holds its levels outside 96..140: 48 before, 200 from x1 on.
    EXPECT_EQ(Curve(1)[95], 48);
    EXPECT_EQ(Curve(1)[96], 48);
    EXPECT_EQ(Curve(1)[140], 200);
    EXPECT_EQ(Curve(1)[255], 200);
    // Sine curves start at their offset b (sin 0 = 0) and stay within b +- a.
    EXPECT_EQ(Curve(5)[0], 128);
    EXPECT_EQ(Curve(24)[0], 64);
    for (int i = 0; i < 256; ++i) {
        EXPECT_GE(Curve(5)[i], 128 - 126);
        EXPECT_LE(Curve(5)[i], 128 + 126);
    }
}

TEST(LayerSineTable, OnePeriodFromZero)
{
    BuildOnce();
    const float* table = EngineTables.LayerSineTable;
    EXPECT_EQ(table[0], 0.0f);
    EXPECT_EQ(table[512], 1.0f);
    EXPECT_NEAR(table[1024], 0.0f, 1e-5f);
    EXPECT_NEAR(table[1536], -1.0f, 1e-6f);
    // The angle is a single-precision running sum, and its drift shows at the end:
    // sin(2047 * 2pi / 2048) would be -0.0030680.
    EXPECT_NEAR(table[2047], -0.0030511f, 2e-7f);
}

TEST(Fractal, SeedAndLevelDecideTheLayer)
{
    BuildOnce();
    EXPECT_EQ(Layer(0)[0], 128);
    // Layers 1 and 4 share a record, so they are equal byte for byte.
    EXPECT_EQ(0, std::memcmp(Layer(1), Layer(4), 128 * 128));
    EXPECT_NE(0, std::memcmp(Layer(1), Layer(2), 128 * 128));

    // From level 8 on the layer is a plain interpolation of the first texel: flat
    // 128, and the seed is left in the generator untouched.
    std::vector<uint8_t> flat(64 * 64, 7);
    LayerOperations[LAYER_FRACTAL](flat.data(), 64, LayerRecord{6, LAYER_FRACTAL, 99, 8});
    EXPECT_EQ(DemoRandomState, 99u);
    for (uint8_t texel : flat)
        ASSERT_EQ(texel, 128);

    uint8_t single = 0;
    LayerOperations[LAYER_FRACTAL](&single, 1, LayerRecord{0, LAYER_FRACTAL, 5, 1});
    EXPECT_EQ(single, 128);
    EXPECT_EQ(DemoRandomState, 5u) << "a 1 x 1 layer draws nothing";

    // Below level 8 each computed point draws once: starting at 6, a 4 x 4 layer
    // has two passes below 8, so all of its 15 points draw.
    std::vector<uint8_t> small(16);
    LayerOperations[LAYER_FRACTAL](small.data(), 4, LayerRecord{2, LAYER_FRACTAL, 0, 6});
    uint32_t expected = 0;
    for (int i = 0; i < 15; ++i)
        expected = 435233605u - expected * 1720354423u;
    EXPECT_EQ(DemoRandomState, expected);
    // The first point drawn is the centre (2, 2), from r = 241 and four corners of
    // 128 at level 6: (241 * 2 + 128 * 6) >> 3.
    EXPECT_EQ(small[2 * 4 + 2], (241 * 2 + 128 * 6) >> 3);
}

TEST(SineLayer, OneBump)
{
    BuildOnce();
    const uint8_t* bump = Layer(6);
    for (int i = 0; i < 128; ++i) {
        ASSERT_EQ(bump[i], 0) << "row 0, column " << i;
        ASSERT_EQ(bump[i * 128], 0) << "column 0, row " << i;
    }
    EXPECT_EQ(bump[64 * 128 + 64], 255);
    EXPECT_EQ(*std::max_element(bump, bump + 128 * 128), 255);
}

TEST(RemapAndMultiply, MasksAndProducts)
{
    BuildOnce();
    // Layer 10 is layer 8 through curve 11: every texel inverted, the last included.
    for (int k = 0; k < 128 * 128; ++k)
        ASSERT_EQ(Layer(10)[k], 255 - Layer(8)[k]) << "texel " << k;
    EXPECT_EQ(Layer(10)[128 * 128 - 1], 255 - Layer(8)[128 * 128 - 1]);
    // The four products of two masks and their inverses add up to about 255: each
    // product is (a * b) >> 8, and 255 * 255 / 256 is 254 before truncation.
    for (int k = 0; k < 128 * 128; ++k) {
        const int sum = Layer(12)[k] + Layer(13)[k] + Layer(14)[k] + Layer(15)[k];
        ASSERT_GE(sum, 250) << "texel " << k;
        ASSERT_LE(sum, 254) << "texel " << k;
    }
}

TEST(Cells, DistanceMode)
{
    // A 16 x 16 layer of 16-texel cells has one cell, whose origin hashes to 0
    // whatever the seed: its point, and every neighbour's, sits on a cell corner.
    std::vector<uint8_t> layer(16 * 16);
    LayerOperations[LAYER_CELLS](layer.data(), 16, LayerRecord{4, LAYER_CELLS, 17, 4});
    EXPECT_EQ(layer[0], 0);                  // on the point
    EXPECT_EQ(layer[1], 16);                 // distance 1 times the cell size
    EXPECT_EQ(layer[2], 32);
    EXPECT_EQ(layer[15 * 16 + 15], 16);      // sqrt 2 from (16, 16), truncated to 1
    EXPECT_EQ(layer[8 * 16 + 8], 11 * 16);   // sqrt 128 = 11.3
    EXPECT_EQ(layer[3 * 16 + 4], 80);        // 3-4-5
    EXPECT_EQ(DemoRandomState, 435233605u - 17u * 1720354423u);

    // In the demo's layer 25 the points are the only zeros, one per cell, and every
    // texel 16 or more texels from its nearest point is 255.
    BuildOnce();
    int zeros = 0;
    for (int k = 0; k < 128 * 128; ++k) {
        const int v = Layer(25)[k];
        zeros += v == 0;
        ASSERT_TRUE(v == 255 || v % 16 == 0) << "texel " << k << " is " << v;
    }
    EXPECT_LE(zeros, 64);
    EXPECT_GE(zeros, 60);
}

TEST(Cells, ShadeModeIsFlatPerRegion)
{
    BuildOnce();
    // The shade is one byte per winning cell: at most 64 shades in a layer of 64 cells.
    for (int layer : {23, 28}) {
        std::set<int> shades(Layer(layer), Layer(layer) + 128 * 128);
        EXPECT_LE(shades.size(), 64u) << "layer " << layer;
        EXPECT_GE(shades.size(), 16u) << "layer " << layer;
    }
}

TEST(TextureImages, SmallAndConstantTextures)
{
    BuildOnce();
    const uint8_t black[4] = {0, 0, 0, 255}, white[4] = {255, 255, 255, 255}, grey[4] = {128, 128, 128, 255};
    EXPECT_EQ(0, std::memcmp(TextureImage(26), black, 4));
    EXPECT_EQ(0, std::memcmp(TextureImage(27), white, 4));
    EXPECT_EQ(0, std::memcmp(TextureImage(28), grey, 4));
    // 1 x 1 textures take no space: their pointers all mark where texture 29 begins.
    uint8_t** images = EngineTables.TexturePixels;
    EXPECT_EQ(images[26], images[25] + TextureBytes(25));
    EXPECT_EQ(images[26], images[27]);
    EXPECT_EQ(images[28], images[29]);
    EXPECT_EQ(images[30], images[29] + TextureBytes(29));
    EXPECT_EQ(images[1], images[0] + TextureBytes(0));

    // Without TEX_ALPHA_LAYER every texel has the record's constant alpha.
    for (int k = 0; k < 128 * 128; ++k) {
        ASSERT_EQ(TextureImage(11)[4 * k + 3], 255);
        ASSERT_EQ(TextureImage(12)[4 * k + 3], 208);
    }
    for (int k = 0; k < 256 * 256; ++k)
        ASSERT_EQ(TextureImage(29)[4 * k + 3], 128);

    // Texture 30 (16 x 16, direct RGB) reads the first 256 texels of layers 1, 3, 2.
    for (int k = 0; k < 256; ++k) {
        const uint8_t texel[4] = {Layer(1)[k], Layer(3)[k], Layer(2)[k], 255};
        ASSERT_EQ(0, std::memcmp(TextureImage(30) + 4 * k, texel, 4)) << "texel " << k;
    }
}

TEST(TextureImages, DirectRgbHsvAndAlphaLayer)
{
    BuildOnce();
    // Texture 0: TEX_RGB_DIRECT | TEX_ALPHA_LAYER; red, green, blue from layers 17,
    // 18, 16 without curves, alpha from layer 18 through curve 6.
    const uint8_t* direct = TextureImage(0);
    for (int k = 0; k < 128 * 128; ++k) {
        const uint8_t texel[4] = {Layer(17)[k], Layer(18)[k], Layer(16)[k], Curve(6)[Layer(18)[k]]};
        ASSERT_EQ(0, std::memcmp(direct + 4 * k, texel, 4)) << "texel " << k;
    }
    // Texture 7: HSV from layers 6, 0 and 16, the value through curve 13; alpha
    // from layer 16 as it is (no alpha curve).
    const uint8_t* hsv = TextureImage(7);
    for (int k = 0; k < 128 * 128; ++k) {
        uint8_t texel[4];
        HsvToRgb(Layer(6)[k], Layer(0)[k], Curve(13)[Layer(16)[k]], texel);
        texel[3] = Layer(16)[k];
        ASSERT_EQ(0, std::memcmp(hsv + 4 * k, texel, 4)) << "texel " << k;
    }
    // Textures 13 and 31, 7 and 32 share records and so images.
    EXPECT_EQ(0, std::memcmp(TextureImage(13), TextureImage(31), TextureBytes(13)));
    EXPECT_EQ(0, std::memcmp(TextureImage(7), TextureImage(32), TextureBytes(7)));
}

TEST(Generation, RepeatsExactlyAndLeavesTheRandomState)
{
    BuildOnce();
    auto snapshot = [] {
        std::vector<uint64_t> hashes;
        for (int n = 1; n <= CURVE_COUNT; ++n)
            hashes.push_back(HashCurve(n));
        for (int i = 0; i < LAYER_COUNT; ++i)
            hashes.push_back(HashLayer(i));
        for (int t = 0; t < TEXTURE_COUNT; ++t)
            hashes.push_back(HashTexture(t));
        return hashes;
    };
    const std::vector<uint64_t> first = snapshot();
    DemoRandomState = 12345;   // whatever the effects left must not matter
    GenerateTextureLayers();
    // The last layer (cells, seed 167 & 127 = 39) leaves its hash multiplier.
    EXPECT_EQ(DemoRandomState, 435233605u - 39u * 1720354423u);
    GenerateTextureImages();
    EXPECT_EQ(snapshot(), first);
}

TEST(Generation, GoldenHashes)
{
    BuildOnce();
    for (int n = 1; n <= CURVE_COUNT; ++n)
        EXPECT_EQ(HashCurve(n), CurveHashes[n - 1]) << "curve " << n;
    for (int i = 0; i < LAYER_COUNT; ++i)
        EXPECT_EQ(HashLayer(i), LayerHashes[i]) << "layer " << i << " (quorvantile-inspect textures DIR shows it)";
    for (int t = 0; t < TEXTURE_COUNT; ++t)
        EXPECT_EQ(HashTexture(t), TextureHashes[t]) << "texture " << t << " (quorvantile-inspect textures DIR shows it)";
}

} // namespace
