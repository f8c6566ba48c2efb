// `meshes OUT_DIR [--at T]...`: runs the demo's start-up on a headless GL window and
// writes what the mesh builders made: meshes.tsv (per mesh: number, builder,
// firstVertex, vertexCount, indices made, indexCount drawn, bounding box of the drawn
// vertices), mesh_NNN.obj, and PNGs of the glyphs, the picture and the surfaces drawn
// with GL. With --at, also the meshes that the animations rebuild every frame, as each
// rebuilds its mesh at scene time T: animated.tsv and animated_T_NAME_PARAMETER.obj.
#include "tools/assets/assets.h"

#include "content/content.h"
#include "effects/effects.h"
#include "engine/engine.h"
#include "geometry/geometry.h"
#include "platform/gl.h"
#include "shell/shell.h"
#include "tools/common/command_line.h"
#include "tools/common/offscreen.h"
#include "tools/common/output_file.h"
#include "tools/common/png.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace {

constexpr int WINDOW_WIDTH = 640;
constexpr int WINDOW_HEIGHT = 480;

const char* BuilderName(int mesh)
{
    if (mesh < GRID_DEFINITION_COUNT)
        return "grid";
    if (mesh < FIRST_PICTURE_MESH)
        return "implicit";
    if (mesh < FIRST_GLYPH_SOLID_MESH)
        return "picture";
    if (mesh < FIRST_GLYPH_QUAD_MESH)
        return "glyph_solid";
    return "glyph_quad";
}

struct Bounds {
    float min[3] = { 1e30f, 1e30f, 1e30f };
    float max[3] = { -1e30f, -1e30f, -1e30f };
};

Bounds DrawnBounds(const MeshSlot& slot)
{
    Bounds b;
    for (int i = 0; i < slot.indexCount; ++i) {
        const float* p = EngineTables.VertexArray[slot.indices[i]].position;
        for (int c = 0; c < 3; ++c) {
            b.min[c] = std::min(b.min[c], p[c]);
            b.max[c] = std::max(b.max[c], p[c]);
        }
    }
    if (slot.indexCount == 0)
        b = Bounds{ { 0, 0, 0 }, { 0, 0, 0 } };
    return b;
}

constexpr const char* MESH_COLUMNS = "\tfirstVertex\tvertexCount\tindicesMade\tindexCount"
                                     "\tminX\tminY\tminZ\tmaxX\tmaxY\tmaxZ";

// The columns of MESH_COLUMNS for one mesh, and the end of the line.
void PrintMeshColumns(OutputFile& out, int mesh)
{
    const MeshSlot& slot = EngineTables.MeshTable[mesh];
    const Bounds b = DrawnBounds(slot);
    out.Print("\t%d\t%d\t%d\t%d\t%.6f\t%.6f\t%.6f\t%.6f\t%.6f\t%.6f\n", slot.firstVertex, slot.vertexCount,
              slot.indexCapacity, slot.indexCount, b.min[0], b.min[1], b.min[2], b.max[0], b.max[1], b.max[2]);
}

bool WriteTable(const std::string& path, std::string* error)
{
    OutputFile out(path);
    if (!out.Open()) {
        *error = out.Error();
        return false;
    }
    out.Print("mesh\tbuilder%s\n", MESH_COLUMNS);
    for (int m = 0; m < MESH_TABLE_SIZE; ++m) {
        out.Print("%d\t%s", m, BuilderName(m));
        PrintMeshColumns(out, m);
    }
    if (out.Commit())
        return true;
    *error = out.Error();
    return false;
}

// The mesh's drawn triangles, over its vertices up to the last one they use.
bool WriteObj(const std::string& path, int mesh, std::string* error)
{
    const MeshSlot& slot = EngineTables.MeshTable[mesh];
    OutputFile out(path);
    if (!out.Open()) {
        *error = out.Error();
        return false;
    }
    int32_t used = 0;
    for (int i = 0; i < slot.indexCount; ++i)
        used = std::max<int32_t>(used, static_cast<int32_t>(slot.indices[i]) - slot.firstVertex + 1);
    out.Print("# mesh %d (%s): %d vertices, %d triangles\n", mesh, BuilderName(mesh), used,
                 slot.indexCount / 3);
    for (int32_t v = 0; v < used; ++v) {
        const Vertex& vertex = EngineTables.VertexArray[slot.firstVertex + v];
        out.Print("v %.6f %.6f %.6f\nvt %.6f %.6f\nvn %.6f %.6f %.6f\n", vertex.position[0],
                     vertex.position[1], vertex.position[2], vertex.texCoord[0], vertex.texCoord[1],
                     vertex.normal[0], vertex.normal[1], vertex.normal[2]);
    }
    for (int i = 0; i < slot.indexCount; i += 3) {
        out.Print("f");
        for (int c = 0; c < 3; ++c) {
            const int n = static_cast<int>(slot.indices[i + c]) - slot.firstVertex + 1;
            out.Print(" %d/%d/%d", n, n, n);
        }
        out.Print("\n");
    }
    if (out.Commit())
        return true;
    *error = out.Error();
    return false;
}

// The back buffer, rows top to bottom.
std::vector<uint8_t> ReadBackBuffer(int width, int height)
{
    std::vector<uint8_t> bottomUp(static_cast<size_t>(width) * height * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, bottomUp.data());
    std::vector<uint8_t> topDown(bottomUp.size());
    const size_t row = static_cast<size_t>(width) * 3;
    for (int y = 0; y < height; ++y)
        std::memcpy(&topDown[y * row], &bottomUp[(height - 1 - y) * row], row);
    return topDown;
}

// A window-sized frame with a pixel-exact orthographic projection: one unit of the
// model-view is one pixel, y upwards from the bottom edge.
void StartFrame(float red, float green, float blue)
{
    glViewport(0, 0, WINDOW_WIDTH, WINDOW_HEIGHT);
    glDisable(GL_SCISSOR_TEST);
    glClearColor(red, green, blue, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, WINDOW_WIDTH, 0, WINDOW_HEIGHT, -10, 10);
    glMatrixMode(GL_TEXTURE);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisableClientState(GL_COLOR_ARRAY);
    glDisable(GL_TEXTURE_GEN_S);
    glDisable(GL_TEXTURE_GEN_T);
}

// Solid white glyphs, untextured; the glyphs are wound clockwise, so no culling.
void StartGlyphDrawing()
{
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_CULL_FACE);
    glDisable(GL_DEPTH_TEST);
    glColor4f(1, 1, 1, 1);
}

void EndGlyphDrawing()
{
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_CULL_FACE);
    glEnable(GL_DEPTH_TEST);
}

void DrawGlyph(int g)
{
    DrawMesh(EngineTables.MeshTable[FIRST_GLYPH_SOLID_MESH + g]);
}

// glyphs.png: the 42 glyphs large, with baseline and x-height, then lines of text at
// the sizes the texts reach on a 640 x 480 screen.
bool WriteGlyphSheet(const std::string& path, std::string* error)
{
    StartFrame(0.08f, 0.08f, 0.14f);
    const float cell = 64.0f, scale = 120.0f;
    glDisable(GL_TEXTURE_2D);
    for (int g = 0; g < GLYPH_COUNT; ++g) {
        const float x = 8.0f + static_cast<float>(g % 8) * cell;
        const float y = WINDOW_HEIGHT - cell - static_cast<float>(g / 8) * cell + 4.0f;
        glColor4f(0.25f, 0.25f, 0.4f, 1.0f);
        for (float line : { 23.0f, 89.0f }) {
            const float ly = y + line / 255.0f * scale;
            glRectf(x - 4.0f, ly - 0.5f, x + cell - 12.0f, ly + 0.5f);
        }
        StartGlyphDrawing();
        glPushMatrix();
        glTranslatef(x, y, 0.0f);
        glScalef(scale, scale, 1.0f);
        DrawGlyph(g);
        glPopMatrix();
        EndGlyphDrawing();
        glDisable(GL_TEXTURE_2D);
    }
    // Lines of text laid out like the text effect: pen advance = box right + 0.025,
    // 0.2 for characters outside the set.
    const char* lines[] = { "another world is possible...", "science is not a merchandise!",
                            "0123456789 @ / : . - quorvantile" };
    const float sizes[] = { 70.0f, 46.0f, 34.0f };
    float y = 18.0f;
    StartGlyphDrawing();
    for (int l = 2; l >= 0; --l) {
        float penX = 0.0f;
        for (const char* c = lines[l]; *c; ++c) {
            const int index = EngineTables.GlyphIndex[static_cast<uint8_t>(*c)];
            if (index == 0) {
                penX += 0.2f;
                continue;
            }
            glPushMatrix();
            glTranslatef(8.0f + penX * sizes[l], y, 0.0f);
            glScalef(sizes[l], sizes[l], 1.0f);
            DrawGlyph(index - 1);
            glPopMatrix();
            penX += EngineTables.GlyphBoxes[index - 1].right + 0.025f;
        }
        y += sizes[l] * 0.5f + 4.0f;
    }
    EndGlyphDrawing();
    const std::vector<uint8_t> pixels = ReadBackBuffer(WINDOW_WIDTH, WINDOW_HEIGHT);
    return WritePng(path, pixels.data(), WINDOW_WIDTH, WINDOW_HEIGHT, 3, error);
}

// glyph_cells.png: every glyph stretched over its box into 128 x 128 pixels and
// reduced to a 32 x 32 cell by 4 x 4 coverage, as the atlas holds it (the cell's
// 180-degree turn left out), shown four times enlarged.
bool WriteGlyphCells(const std::string& path, std::string* error)
{
    constexpr int CELL = 32, ZOOM = 4, COLUMNS = 8, ROWS = 6, GAP = 4;
    const int width = COLUMNS * (CELL * ZOOM + GAP), height = ROWS * (CELL * ZOOM + GAP);
    std::vector<uint8_t> sheet(static_cast<size_t>(width) * height * 3, 40);
    for (int g = 0; g < GLYPH_COUNT; ++g) {
        StartFrame(0, 0, 0);
        glViewport(0, 0, 128, 128);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        const GlyphBox& box = EngineTables.GlyphBoxes[g];
        glOrtho(box.left, box.right, box.bottom, box.top, -10, 10);
        glMatrixMode(GL_MODELVIEW);
        StartGlyphDrawing();
        DrawGlyph(g);
        EndGlyphDrawing();
        std::vector<uint8_t> capture(128 * 128 * 3);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadBuffer(GL_BACK);
        glReadPixels(0, 0, 128, 128, GL_RGB, GL_UNSIGNED_BYTE, capture.data());
        const int ox = (g % COLUMNS) * (CELL * ZOOM + GAP), oy = (g / COLUMNS) * (CELL * ZOOM + GAP);
        for (int ty = 0; ty < CELL; ++ty) {
            for (int tx = 0; tx < CELL; ++tx) {
                int covered = 0;
                for (int j = 0; j < 4; ++j)
                    for (int i = 0; i < 4; ++i)
                        covered += capture[((4 * ty + j) * 128 + 4 * tx + i) * 3] > 127;
                const uint8_t level = static_cast<uint8_t>((255 * covered) >> 4);
                for (int zy = 0; zy < ZOOM; ++zy)
                    for (int zx = 0; zx < ZOOM; ++zx) {
                        const int px = ox + tx * ZOOM + zx, py = oy + (CELL - 1 - ty) * ZOOM + zy;
                        uint8_t* p = &sheet[(static_cast<size_t>(py) * width + px) * 3];
                        p[0] = p[1] = p[2] = level;
                    }
            }
        }
    }
    return WritePng(path, sheet.data(), width, height, 3, error);
}

// picture.png: the four layers with their textures, over one another, as the opening
// scene stretches them (by 1.4 upwards), at coarseness 0, 0.2, 0.45 and 0.7; then
// each layer alone.
bool WritePicture(const std::string& path, std::string* error)
{
    const float stages[] = { 0.0f, 0.2f, 0.45f, 0.7f };
    const float width = 150.0f, height = 210.0f;
    StartFrame(0.05f, 0.05f, 0.05f);
    glDisable(GL_CULL_FACE);
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_TEXTURE_2D);
    glColor4f(1, 1, 1, 1);
    const MeshSlot* layers = EngineTables.MeshTable + FIRST_PICTURE_MESH;
    const uint8_t* points = PicturePoints + 1;
    const int pointCount = PicturePoints[0];
    for (int s = 0; s < 4; ++s) {
        glPushMatrix();
        glTranslatef(8.0f + s * (width + 8.0f) + width * 0.5f, WINDOW_HEIGHT - 8.0f - height * 0.5f, 0.0f);
        glScalef(width, height, 1.0f);
        for (int l = 0; l < PICTURE_LAYER_COUNT; ++l) {
            PlacePicturePoints(EngineTables.VertexArray + layers[l].firstVertex, points, pointCount, stages[s]);
            DrawMesh(layers[l]);
        }
        glPopMatrix();
    }
    for (int l = 0; l < PICTURE_LAYER_COUNT; ++l)
        PlacePicturePoints(EngineTables.VertexArray + layers[l].firstVertex, points, pointCount, 0.0f);
    for (int l = 0; l < PICTURE_LAYER_COUNT; ++l) {
        glPushMatrix();
        glTranslatef(8.0f + l * (width + 8.0f) + width * 0.5f, 12.0f + height * 0.5f * 0.8f, 0.0f);
        glScalef(width * 0.8f, height * 0.8f, 1.0f);
        DrawMesh(layers[l]);
        glPopMatrix();
    }
    glEnable(GL_CULL_FACE);
    glEnable(GL_DEPTH_TEST);
    const std::vector<uint8_t> pixels = ReadBackBuffer(WINDOW_WIDTH, WINDOW_HEIGHT);
    return WritePng(path, pixels.data(), WINDOW_WIDTH, WINDOW_HEIGHT, 3, error);
}

// surfaces.png: the nine implicit surfaces, lit from the upper left, each fitted into
// its cell and turned a little so that its depth shows.
bool WriteSurfaces(const std::string& path, std::string* error)
{
    StartFrame(0.1f, 0.1f, 0.12f);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, WINDOW_WIDTH, 0, WINDOW_HEIGHT, -1000, 1000);
    glMatrixMode(GL_MODELVIEW);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
    glDisable(GL_CULL_FACE);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glDepthMask(GL_TRUE);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glEnable(GL_NORMALIZE);
    glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, GL_TRUE);
    const GLfloat direction[4] = { -0.5f, 0.6f, 1.0f, 0.0f };
    glLightfv(GL_LIGHT0, GL_POSITION, direction);
    glEnable(GL_COLOR_MATERIAL);
    glColor4f(0.85f, 0.8f, 0.7f, 1.0f);
    const float cellWidth = WINDOW_WIDTH / 3.0f, cellHeight = WINDOW_HEIGHT / 3.0f;
    for (int n = 0; n < 9; ++n) {
        const MeshSlot& slot = EngineTables.MeshTable[18 + n];
        const Bounds b = DrawnBounds(slot);
        float extent = 1e-6f;
        for (int c = 0; c < 3; ++c)
            extent = std::max(extent, b.max[c] - b.min[c]);
        glPushMatrix();
        glTranslatef((n % 3 + 0.5f) * cellWidth, WINDOW_HEIGHT - (n / 3 + 0.5f) * cellHeight, 0.0f);
        const float fit = 0.9f * cellHeight / extent;
        glScalef(fit, fit, fit);
        glRotatef(25.0f, 1, 0, 0);
        glRotatef(-30.0f, 0, 1, 0);
        glTranslatef(-(b.min[0] + b.max[0]) * 0.5f, -(b.min[1] + b.max[1]) * 0.5f, -(b.min[2] + b.max[2]) * 0.5f);
        glDrawElements(GL_TRIANGLES, slot.indexCount, GL_UNSIGNED_INT, slot.indices);
        glPopMatrix();
    }
    glDisable(GL_COLOR_MATERIAL);
    glDisable(GL_LIGHTING);
    glDisable(GL_NORMALIZE);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glEnable(GL_CULL_FACE);
    const std::vector<uint8_t> pixels = ReadBackBuffer(WINDOW_WIDTH, WINDOW_HEIGHT);
    return WritePng(path, pixels.data(), WINDOW_WIDTH, WINDOW_HEIGHT, 3, error);
}

// An animation that rebuilds a mesh every frame: a scene item's callback with its
// parameter and the mesh it rebuilds, as the scenes name them.
struct MeshAnimation {
    ItemCallbackId callback;
    int parameter;
    int mesh;

    auto operator<=>(const MeshAnimation&) const = default;
};

const char* AnimationName(ItemCallbackId callback)
{
    switch (callback) {
    case CALLBACK_ANIMATE_SURFACE: return "surface";
    case CALLBACK_ANIMATE_SHADED_SURFACE: return "shaded_surface";
    default: return "trail";
    }
}

std::vector<MeshAnimation> FindMeshAnimations()
{
    std::vector<MeshAnimation> found;
    for (const SceneDefinition& scene : SceneDefinitions) {
        for (const ItemDefinition* d = scene.items; d && d->count; ++d) {
            if (d->callback != CALLBACK_ANIMATE_SURFACE && d->callback != CALLBACK_ANIMATE_SHADED_SURFACE &&
                d->callback != CALLBACK_ANIMATE_TRAIL)
                continue;
            const MeshAnimation a = { d->callback, d->flags >> 8, d->mesh };
            if (std::find(found.begin(), found.end(), a) == found.end())
                found.push_back(a);
        }
    }
    std::sort(found.begin(), found.end());
    return found;
}

// A trail is the field its calls left behind: at T it is rebuilt by TRAIL_CALLS calls
// on the capture's default step, ending at T, into an emptied field.
constexpr int TRAIL_CALLS = 100;
constexpr int TRAIL_STEP = 2;

void RebuildAt(const MeshAnimation& animation, int t)
{
    SceneItem item = {};
    item.mesh = static_cast<uint16_t>(animation.mesh);
    const ItemCallback callback = ItemCallbacks[animation.callback];
    if (animation.callback != CALLBACK_ANIMATE_TRAIL) {
        callback(&item, animation.parameter, static_cast<float>(t));
        return;
    }
    const SampleGrid* grid = EngineTables.IsoGrids[TRAIL_GRID];
    const int sampled = (grid->nx + 1) * (grid->ny + 1) * (grid->nz + 1);
    for (int n = 0; n < sampled; ++n)
        grid->points[n].value = 0.0f;
    for (int n = TRAIL_CALLS - 1; n >= 0; --n)
        callback(&item, animation.parameter, static_cast<float>(t - TRAIL_STEP * n));
}

// animated.tsv and one OBJ per animation and time.
bool WriteAnimatedMeshes(const std::string& dir, const std::vector<int>& times, std::string* error)
{
    OutputFile table(dir + "/animated.tsv");
    if (!table.Open()) {
        *error = table.Error();
        return false;
    }
    table.Print("time\tanimation\tparameter\tmesh%s\n", MESH_COLUMNS);
    for (int t : times) {
        for (const MeshAnimation& a : FindMeshAnimations()) {
            RebuildAt(a, t);
            table.Print("%d\t%s\t%d\t%d", t, AnimationName(a.callback), a.parameter, a.mesh);
            PrintMeshColumns(table, a.mesh);
            char name[96];
            std::snprintf(name, sizeof name, "/animated_%d_%s_%d.obj", t, AnimationName(a.callback), a.parameter);
            if (!WriteObj(dir + name, a.mesh, error))
                return false;
        }
    }
    if (table.Commit())
        return true;
    *error = table.Error();
    return false;
}

} // namespace

int InspectMeshes(int argc, char** argv)
{
    const char* usage =
        "usage: quorvantile-inspect meshes OUT_DIR [--at T]...\n"
        "  --at T   also each animated mesh as its animation rebuilds it at scene time T, in\n"
        "           whole centiseconds from 0 to before the end (17312); a trail as 100 calls\n"
        "           2 centiseconds apart, ending at T, leave it\n";
    constexpr OptionDefinition Options[] = { { "--at", OptionKind::Repeated } };
    ParsedCommandLine parsed;
    std::string dir;
    if (const int code = ParseOutputFolder(argc, argv, usage, &dir, Options, &parsed); code >= 0)
        return code;
    std::vector<int> times;
    if (const int code = ParseFrameTimes(InspectTool, parsed, &times); code >= 0)
        return code;
    std::string error;

    // Headless: the offscreen video driver gives a GL context without a screen.
    const bool haveGl = StartDemoOffscreen(WINDOW_WIDTH, WINDOW_HEIGHT);
    if (!haveGl) {
        std::fprintf(stderr, "quorvantile-inspect: no GL window; writing tables without pictures\n");
        BuildGeometryWithoutGl();
    }

    bool ok = WriteTable(dir + "/meshes.tsv", &error);
    for (int m = 0; m < MESH_TABLE_SIZE && ok; ++m) {
        char name[32];
        std::snprintf(name, sizeof name, "/mesh_%03d.obj", m);
        ok = WriteObj(dir + name, m, &error);
    }
    if (haveGl) {
        ok = ok && WriteGlyphSheet(dir + "/glyphs.png", &error) && WriteGlyphCells(dir + "/glyph_cells.png", &error) &&
             WritePicture(dir + "/picture.png", &error) && WriteSurfaces(dir + "/surfaces.png", &error);
    }
    ok = ok && (times.empty() || WriteAnimatedMeshes(dir, times, &error));
    if (!ok)
        return Failure(InspectTool, error);
    return 0;
}
