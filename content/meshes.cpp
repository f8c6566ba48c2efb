// Mesh definitions: the flat grids, the implicit surfaces, the picture layers and
// the headers shared by the glyph meshes. Formats in content/content.h.
#include "content/content.h"

// material, flags, columns, rows, s offset, t offset, width, height
const GridDefinition GridDefinitions[GRID_DEFINITION_COUNT] = {
    { {  0, 0 },  2,  2,   0,   0, 128, 128 },   // mesh 0
    { {  8, 1 },  2,  2, 128, 128, 192, 192 },   // mesh 1: particles
    { {  0, 0 },  2,  2, 128, 128, 128, 128 },   // mesh 2
    { { 15, 0 },  2,  2,  64,  64, 128, 128 },   // mesh 3
    { { 16, 1 }, 11,  9, 128, 128, 128, 128 },   // mesh 4: warped layer
    { { 17, 1 }, 11,  9, 128, 128, 128, 128 },   // mesh 5: warped layer
    { { 18, 0 },  2,  2, 128, 128, 128, 128 },   // mesh 6
    { {  9, 1 },  2,  2, 128, 128, 192, 192 },   // mesh 7
    { { 10, 1 },  2,  2, 128, 128, 192, 192 },   // mesh 8
    { { 11, 1 },  2,  2, 128, 128, 192, 192 },   // mesh 9
    { {  1, 0 },  2,  2, 128, 128, 128, 128 },   // mesh 10: spiral disc
    { { 31, 1 },  2,  2, 128, 128, 128, 128 },   // mesh 11: fixed layer
    { { 32, 0 },  2,  2, 128, 128, 128, 128 },   // mesh 12
    { { 27, 1 },  2,  2, 128, 128, 128, 128 },   // mesh 13: warped and flashing layers
    { { 14, 0 },  2,  2, 128, 128, 128, 128 },   // mesh 14
    { {  2, 1 }, 15, 15, 128, 128, 128, 128 },   // mesh 15
    { {  0, 1 }, 15, 15, 128, 128, 128, 128 },   // mesh 16: shattered layer
    { { 28, 1 },  2,  2, 128, 128, 128, 128 },   // mesh 17: flash layer
};

// material, flags, shape, budget exponent, threshold, px, py, pz, scale
const ImplicitDefinition ImplicitDefinitions[IMPLICIT_DEFINITION_COUNT] = {
    { { 21, 0 }, 2, 12, 251,  0.36f, -0.46f, 0.36f,    1.5f },   // mesh 18
    { { 21, 1 }, 1, 14, 180,  0.36f, -0.46f, 0.36f,    2.0f },   // mesh 19: ridged ellipsoid
    { {  0, 0 }, 3, 14, 224,  0.0f,   3.0f,  0.2f,     2.0f },   // mesh 20: animated surface
    { {  0, 0 }, 3, 14, 224,  0.0f,   3.0f,  0.2f,     2.0f },   // mesh 21: animated surface
    { {  0, 0 }, 2, 12, 255,  0.0f,   0.0f,  0.0f,   -14.0f },   // mesh 22
    { { 22, 0 }, 2, 12, 251,  0.1f,  -0.46f, 0.36f,  -14.0f },   // mesh 23: fans, seen from inside
    { {  8, 1 }, 2, 12, 251,  0.0f,   0.0f,  0.0f,  -128.0f },   // mesh 24: fans, seen from inside
    { { 32, 0 }, 2, 12, 251,  0.36f, -0.46f, 0.36f,  -16.0f },   // mesh 25: fans, seen from inside
    { { 21, 1 }, 2, 14, 180, -0.36f, -0.46f, 0.5f,     1.0f },   // mesh 26: rope links
};

// Material numbers of the four layers, drawn in this order over one another.
const PictureDefinition PictureDefinitions[PICTURE_DEFINITION_COUNT] = {
    { { 23, 0 }, { 0, 0 }, PicturePoints, PictureLayer1 },   // mesh 27
    { { 24, 0 }, { 0, 0 }, PicturePoints, PictureLayer2 },   // mesh 28
    { { 26, 0 }, { 0, 0 }, PicturePoints, PictureLayer3 },   // mesh 29
    { { 25, 0 }, { 0, 0 }, PicturePoints, PictureLayer4 },   // mesh 30
};

const MeshHeader GlyphSolidHeader = { 0, 0 };
const MeshHeader GlyphQuadHeader = { 30, MESH_NO_COLOUR_ARRAY };
