// The twelve on-screen texts, in the order the text item scans them. Every glyph of
// a text is one of FontCharacters; spaces and line feeds only move the pen.
#include "content/content.h"

namespace {

// Greetings: a leading space, then one group name per line.
constexpr char Greetings1[] =
    " quillfrost\nmurkwave\ntesseloop\nvantablip\nohm:squad\npixelmoss\nzerolathe\nglimmerkin";
constexpr char Greetings2[] =
    " drossfield\nkorvid.9\nnullwick\nlumenrot\nfjordbyte\nsprocketmoth\nquadrille-x";
constexpr char Greetings3[] =
    " brinefox\ntapewyrm\nhalvbit\nochrefield\nsyntaxgull\nmothlamp\nferrokoi\nplinth/core";

constexpr char Manifesto[] =
    "never forget consuming has\npolitical consequences\nso support your local farmers\n"
    "instead of big brothers\nand stop eating hamburgers!";

constexpr char Credits[] = "the credits anyway:\n\n\n\n\n\ncode.....sverk\nmusic...tamarind.";

} // namespace

const TextEntry TextEntries[TEXT_ENTRY_COUNT] = {
    //  start width spread trans hold   dx    dy   dz  style
    {   100,   8,    5,   125,   8,  -32,   32, -16, 0x80, {}, " another\n world\n    is\npossible\n    ..." },
    {   750,   8,    4,   200,  12,    0,    0,   0, 0x80, {}, "   non-governmental\n      quorvantile" },
    {   825,  20,    3,   100,   7,   16,  108,  24, 0x01, {}, "-by the vostrel demogroup-" },
    {  2150,   8,    4,   125,   8,    0,    0,   0, 0x81, {}, "science is not a\nmerchandise!" },
    {  1575,   8,    4,   125,   3,    0,    0,   0, 0x00, {}, ".::altergreetings::." },
    {  1625,   8,    2,   125,   4,    0,   32,   0, 0x80, {}, Greetings1 },
    {  1700,   8,    2,   125,   4,  -42,   32,   0, 0x80, {}, Greetings2 },
    {  1775,   8,    2,   125,   4,    0,   32,   0, 0x80, {}, Greetings3 },
    {  3700,  10,    2,   125,   8,   24,   24,  24, 0x00, {}, Manifesto },
    {  3950,   8,    2,   125,   8,   24,   16,  24, 0x02, {}, Credits },
    {  4259,   8,    1,    50,   1,  -40,   32,  80, 0x03, {}, "see ya!" },
    {  2468,   8,    1,    50,   1,  -40,   48,  80, 0x03, {}, "fish!" },
};
