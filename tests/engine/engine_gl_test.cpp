// The engine on a real GL context (SDL's offscreen driver, 640 x 480): the demo's
// start-up, the state a track leaves for its last view, the scene renderer's
// callback contract, and render to texture with its four-way split.
#include "content/content.h"
#include "engine/engine.h"
#include "geometry/geometry.h"
#include "platform/gl.h"
#include "shell/shell.h"
#include "tests/gl_fixture.h"
#include "textures/textures.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdlib>
#include <vector>

namespace {

using EngineGl = DemoGlTest;

std::vector<float> Matrix(GLenum which)
{
    std::vector<float> m(16);
    glGetFloatv(which, m.data());
    return m;
}

TEST_F(EngineGl, StartUpBuildsViewsItemsAndTheEndTime)
{
    ASSERT_NE(EngineTables.Views, nullptr);
    ASSERT_NE(SceneItemLists, nullptr);
    EXPECT_EQ(EngineTables.EndTime, 17312.0f);
    EXPECT_EQ(SceneItemLists[8].count, 100);
}

TEST_F(EngineGl, SlideLeavesTheIncomingViewsScissorAndOffAxisProjection)
{
    // Halfway along the curve (A = 0.5) the incoming scene 9 covers (-0.75, 0.25)
    // across and is drawn last.
    glEnable(GL_SCISSOR_TEST);
    DrawTrack(TimelineTracks[0], 3628.0f);
    GLint box[4] = {};
    glGetIntegerv(GL_SCISSOR_BOX, box);
    EXPECT_EQ(box[0], 0);
    EXPECT_EQ(box[1], 0);
    EXPECT_EQ(box[2], 160);
    EXPECT_EQ(box[3], 480);
    const float zoom = EngineTables.Views[9].camera.zoom;
    EXPECT_EQ(EngineTables.CurrentZoom, zoom);
    // glFrustum(0.05, 0.25, -0.1, 0.1, 0.1 zoom, 10000): 2n / (r - l) = zoom and
    // (r + l) / (r - l) = 1.5; vertically symmetric.
    const std::vector<float> p = Matrix(GL_PROJECTION_MATRIX);
    EXPECT_NEAR(p[0], zoom, 1e-4f);
    EXPECT_NEAR(p[8], 1.5f, 1e-4f);
    EXPECT_NEAR(p[5], zoom, 1e-4f);
    EXPECT_NEAR(p[9], 0.0f, 1e-5f);
    EXPECT_FALSE(OutgoingScene);

    // At local 0 the incoming view is hidden: the outgoing scene 4, at rest, is last.
    DrawTrack(TimelineTracks[0], 3500.0f);
    glGetIntegerv(GL_SCISSOR_BOX, box);
    EXPECT_EQ(box[2], 640);
    EXPECT_EQ(box[3], 480);
    EXPECT_NEAR(Matrix(GL_PROJECTION_MATRIX)[8], 0.0f, 1e-5f);
    EXPECT_EQ(EngineTables.CurrentZoom, EngineTables.Views[4].camera.zoom);
    // The font bake belongs to the frame, not to a view's scissor set-up.
    EXPECT_FALSE(FontBakeStarted);
}

struct CallbackLog {
    int calls = 0;
    int parameter = -1;
    float time = 0.0f;
    bool colourArrayOn = true;
    GLint matrixMode = 0;
};
CallbackLog Log;

void RecordingCallback(SceneItem* item, int parameter, float time)
{
    ++Log.calls;
    Log.parameter = parameter;
    Log.time = time;
    Log.colourArrayOn = glIsEnabled(GL_COLOR_ARRAY);
    glGetIntegerv(GL_MATRIX_MODE, &Log.matrixMode);
    // Changes to the flags show from the next frame; the colour at once.
    item->flags = static_cast<uint16_t>(item->flags & ~ITEM_OWN_COLOUR);
    item->colour[0] = 10;
    item->colour[1] = 20;
    item->colour[2] = 30;
}

TEST_F(EngineGl, SceneRunsItsCallbacksOnlyWhenItsViewCanBeDrawn)
{
    SceneItem item = {};
    item.callback = RecordingCallback;
    item.mesh = 0;
    item.flags = 0x0508;   // own colour, parameter 5, nothing drawn
    item.scale[0] = item.scale[1] = item.scale[2] = 1.0f;
    const SceneItemList saved = SceneItemLists[6];
    SceneItemLists[6] = { 1, &item };
    View& view = EngineTables.Views[7];
    Log = {};

    view.offsetX = -2.0f;   // off the window
    view.distance = 2.0f;
    DrawScene(7, 12.5f);
    EXPECT_EQ(Log.calls, 0);

    // A thousandth of the window wide, centred on pixel column 320: narrower than
    // a pixel, so its scissor box is empty.
    view.distance = 2000.0f;
    view.offsetX = 2000.0f * 0.5f / 640.0f;
    DrawScene(7, 12.5f);
    EXPECT_EQ(Log.calls, 0);

    view.offsetX = 0.0f;
    view.distance = 2.0f;
    DrawScene(7, 12.5f);
    EXPECT_EQ(Log.calls, 1);
    EXPECT_EQ(Log.parameter, 5);
    EXPECT_EQ(Log.time, 12.5f);
    EXPECT_FALSE(Log.colourArrayOn);
    EXPECT_EQ(Log.matrixMode, GL_MODELVIEW);
    GLfloat colour[4] = {};
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_NEAR(colour[0], 10.0f / 255.0f, 1e-3f);
    EXPECT_NEAR(colour[2], 30.0f / 255.0f, 1e-3f);

    DrawScene(7, 13.0f);
    EXPECT_EQ(Log.calls, 2);
    EXPECT_TRUE(Log.colourArrayOn);
    SceneItemLists[6] = saved;
}

// Column-major 4 x 4 matrices, composed here from the definitions of glRotatef,
// glTranslatef and glScalef, independently of the GL's own stack.
using Mat4 = std::array<double, 16>;

Mat4 Multiply(const Mat4& a, const Mat4& b)
{
    Mat4 m = {};
    for (int c = 0; c < 4; ++c)
        for (int r = 0; r < 4; ++r)
            for (int k = 0; k < 4; ++k)
                m[4 * c + r] += a[4 * k + r] * b[4 * c + k];
    return m;
}

Mat4 Rotation(double degrees, double x, double y, double z)
{
    const double len = std::sqrt(x * x + y * y + z * z);
    x /= len, y /= len, z /= len;
    const double a = degrees * M_PI / 180.0;
    const double c = std::cos(a);
    const double s = std::sin(a);
    return { x * x * (1 - c) + c,     y * x * (1 - c) + z * s, x * z * (1 - c) - y * s, 0,
             x * y * (1 - c) - z * s, y * y * (1 - c) + c,     y * z * (1 - c) + x * s, 0,
             x * z * (1 - c) + y * s, y * z * (1 - c) - x * s, z * z * (1 - c) + c,     0,
             0, 0, 0, 1 };
}

Mat4 Translation(double x, double y, double z)
{
    return { 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, x, y, z, 1 };
}

Mat4 Scaling(double x, double y, double z)
{
    return { x, 0, 0, 0, 0, y, 0, 0, 0, 0, z, 0, 0, 0, 0, 1 };
}

std::vector<float> CameraMatrix;

// Keeps the camera transform the item starts from, and clears the projection so
// that feedback returns model-view coordinates.
void ClearProjectionCallback(SceneItem*, int, float)
{
    CameraMatrix = Matrix(GL_MODELVIEW_MATRIX);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
}

TEST_F(EngineGl, CameraAndItemTransformsComposeInTheirOrder)
{
    View& view = EngineTables.Views[7];
    view.offsetX = view.offsetY = 0.0f;
    view.distance = 2.0f;
    const Camera saved = view.camera;
    view.camera = { 0.1f, -0.05f, 0.2f, 30.0f, 20.0f, 10.0f, 1.0f };

    GLuint list = glGenLists(1);
    glNewList(list, GL_COMPILE);
    glBegin(GL_POINTS);
    glVertex3f(0.2f, 0.3f, 0.1f);
    glEnd();
    glEndList();
    MeshSlot& slot = EngineTables.MeshTable[0];
    const uint32_t savedList = slot.displayList;
    slot.displayList = list;

    SceneItem item = {};
    item.callback = ClearProjectionCallback;
    item.flags = ITEM_DISPLAY_LIST | ITEM_BILLBOARD | ITEM_OWN_COLOUR;
    item.position[0] = 0.05f, item.position[1] = 0.1f, item.position[2] = -0.1f;
    item.rotation[0] = 15.0f, item.rotation[1] = -25.0f, item.rotation[2] = 40.0f;
    item.scale[0] = 0.5f, item.scale[1] = 0.25f, item.scale[2] = 2.0f;
    const SceneItemList savedItems = SceneItemLists[6];
    SceneItemLists[6] = { 1, &item };

    // A first view set-up outside feedback mode, so that the one-time atlas bake
    // does not land in the feedback buffer when this test runs alone.
    ASSERT_TRUE(ApplyView(7));
    GLfloat feedback[16] = {};
    glFeedbackBuffer(16, GL_3D, feedback);
    glRenderMode(GL_FEEDBACK);
    DrawScene(7, 0.0f);
    const GLint written = glRenderMode(GL_RENDER);
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);

    SceneItemLists[6] = savedItems;
    slot.displayList = savedList;
    glDeleteLists(list, 1);
    view.camera = saved;

    // Camera: roll about -z, pitch about x, yaw about y, then x and y negated, z as is.
    const Camera c = { 0.1f, -0.05f, 0.2f, 30.0f, 20.0f, 10.0f, 1.0f };
    Mat4 m = Multiply(Rotation(c.roll, 0, 0, -1), Rotation(c.pitch, 1, 0, 0));
    m = Multiply(m, Rotation(c.yaw, 0, 1, 0));
    m = Multiply(m, Translation(-c.x, -c.y, c.z));
    ASSERT_EQ(CameraMatrix.size(), 16u);
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(CameraMatrix[i], m[i], 1e-5) << "camera matrix entry " << i;

    // Item: translation, yaw about -y and pitch about -x (the billboard adds the
    // camera's), roll about z, scaling.
    m = Multiply(m, Translation(0.05, 0.1, -0.1));
    m = Multiply(m, Rotation(15.0 + c.yaw, 0, -1, 0));
    m = Multiply(m, Rotation(-25.0 + c.pitch, -1, 0, 0));
    m = Multiply(m, Rotation(40.0, 0, 0, 1));
    m = Multiply(m, Scaling(0.5, 0.25, 2.0));
    const double p[4] = { 0.2, 0.3, 0.1, 1.0 };
    double q[3] = {};
    for (int r = 0; r < 3; ++r)
        for (int k = 0; k < 4; ++k)
            q[r] += m[4 * k + r] * p[k];

    ASSERT_EQ(written, 4) << "one point in the feedback buffer";
    ASSERT_EQ(feedback[0], GL_POINT_TOKEN);
    const double x = 2.0 * (feedback[1] - viewport[0]) / viewport[2] - 1.0;
    const double y = 2.0 * (feedback[2] - viewport[1]) / viewport[3] - 1.0;
    const double z = 2.0 * feedback[3] - 1.0;
    EXPECT_NEAR(x, q[0], 1e-4);
    EXPECT_NEAR(y, q[1], 1e-4);
    EXPECT_NEAR(z, q[2], 1e-4);
}

// Paints its whole view (glClear stays inside the scissor box) in a colour that
// names its scene, and notes whether it ran as the outgoing scene.
bool PaintedAsOutgoing[SCENE_COUNT + 1];

void PaintViewCallback(SceneItem* item, int, float)
{
    const int scene = item->instance;
    PaintedAsOutgoing[scene] = OutgoingScene;
    glClearColor(scene * 16 / 255.0f, 200 / 255.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
}

// Frames of track 1 with every scene painting its view flat.
class TrackFrames : public EngineGl {
protected:
    void SetUp() override
    {
        EngineGl::SetUp();
        if (IsSkipped())
            return;
        for (int s = 1; s <= SCENE_COUNT; ++s) {
            saved[s - 1] = SceneItemLists[s - 1];
            SceneItem& item = painters[s - 1];
            item = {};
            item.callback = PaintViewCallback;
            item.instance = static_cast<uint16_t>(s);
            SceneItemLists[s - 1] = { 1, &item };
        }
    }

    void TearDown() override
    {
        if (saved[0].first)
            for (int s = 0; s < SCENE_COUNT; ++s)
                SceneItemLists[s] = saved[s];
    }

    // Scene whose colour the pixel (x, y) holds, y downwards; 0 for black.
    int SceneAt(float t, int x, int y)
    {
        for (bool& flag : PaintedAsOutgoing)
            flag = false;
        glDisable(GL_SCISSOR_TEST);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glEnable(GL_SCISSOR_TEST);
        DrawTrack(TimelineTracks[0], t);
        uint8_t pixel[4] = {};
        glReadBuffer(GL_BACK);
        glReadPixels(x, 479 - y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
        if (pixel[1] == 0)
            return 0;
        return (pixel[0] + 8) / 16;
    }

    SceneItemList saved[SCENE_COUNT] = {};
    SceneItem painters[SCENE_COUNT];
};

TEST_F(TrackFrames, TransitionsShareTheWindowAsTheirViewsSay)
{
    // Slide right: at local 0 only the outgoing scene 4; halfway (A = 0.5) scene 9
    // has the left quarter; at local 255 scene 9 alone.
    EXPECT_EQ(SceneAt(3500.0f, 0, 240), 4);
    EXPECT_EQ(SceneAt(3500.0f, 639, 240), 4);
    EXPECT_TRUE(PaintedAsOutgoing[4]);
    EXPECT_EQ(SceneAt(3628.0f, 159, 240), 9);
    EXPECT_FALSE(PaintedAsOutgoing[9]);
    EXPECT_EQ(SceneAt(3628.0f, 160, 240), 4);
    EXPECT_EQ(SceneAt(3755.0f, 639, 240), 9);
    EXPECT_FALSE(PaintedAsOutgoing[4]);

    // Slide down at A = 0.5: scene 8 has the top quarter.
    EXPECT_EQ(SceneAt(9128.0f, 320, 119), 8);
    EXPECT_EQ(SceneAt(9128.0f, 320, 120), 7);

    // Swing: hidden at first, then a growing box that comes down from above.
    EXPECT_EQ(SceneAt(11600.0f, 320, 0), 6);
    const float local = 200.0f;
    const float phi = local * 0.0061357422f;
    const float k = 1.0f / (8.0f * std::cos(phi) + 2.0f);
    const float cy = 0.5f + k * (8.0f * std::sin(phi) - 8.0f);
    EXPECT_EQ(SceneAt(11600.0f + local, 320, static_cast<int>(480.0f * cy)), 10);
    EXPECT_EQ(SceneAt(11600.0f + local, 320, static_cast<int>(480.0f * (cy + k)) + 2), 6);
    EXPECT_EQ(SceneAt(11600.0f + local, static_cast<int>(640.0f * (0.5f - k)) - 2, 240), 6);

    // A gap draws nothing.
    EXPECT_EQ(SceneAt(6000.0f, 320, 240), 0);
}

GLint TextureLevel(int texture, GLenum what)
{
    glBindTexture(GL_TEXTURE_2D, EngineTables.TextureBank[texture].name);
    GLint value = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, what, &value);
    return value;
}

std::vector<uint8_t> TextureTexels(int texture)
{
    const int side = TextureLevel(texture, GL_TEXTURE_WIDTH);
    std::vector<uint8_t> texels(static_cast<std::size_t>(side) * side * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
    return texels;
}

TEST_F(EngineGl, RenderToTextureCapturesSplitsAndClearsTheWindow)
{
    // Something to capture: a coloured back buffer, which the mesh is drawn over.
    glDisable(GL_SCISSOR_TEST);
    glClearColor(0.8f, 0.4f, 0.2f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    ASSERT_TRUE(ApplyView(0));

    RenderItemToTexture(ITEM_RENDER_TO_TEXTURE, 20);
    EXPECT_EQ(TextureLevel(30, GL_TEXTURE_WIDTH), 16);
    const GLint small = TextureLevel(30, GL_TEXTURE_INTERNAL_FORMAT);
    EXPECT_TRUE(small == GL_LUMINANCE || small == GL_LUMINANCE8) << small;

    glClearColor(0.8f, 0.4f, 0.2f, 1.0f);
    glDisable(GL_SCISSOR_TEST);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    ASSERT_TRUE(ApplyView(0));
    RenderItemToTexture(ITEM_RENDER_TO_TEXTURE | ITEM_TEXTURE_LARGE | ITEM_TEXTURE_SPLIT, 20);

    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 640);
    EXPECT_EQ(viewport[3], 480);
    EXPECT_TRUE(glIsEnabled(GL_SCISSOR_TEST));
    uint8_t pixel[4] = { 1, 1, 1, 1 };
    glReadBuffer(GL_BACK);
    glReadPixels(600, 400, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
    EXPECT_EQ(pixel[0] + pixel[1] + pixel[2], 0) << "the window was not cleared";

    EXPECT_EQ(TextureLevel(13, GL_TEXTURE_WIDTH), 128);
    const GLint large = TextureLevel(13, GL_TEXTURE_INTERNAL_FORMAT);
    EXPECT_TRUE(large == GL_RGBA || large == GL_RGBA8) << large;

    // The four parts, from the same captured square as texture 13.
    const std::vector<uint8_t> frame = TextureTexels(13);
    const std::vector<uint8_t> parts[4] = { TextureTexels(32), TextureTexels(8), TextureTexels(9),
                                            TextureTexels(10) };
    const uint8_t* m23 = EngineTables.LayerStore[23];
    const uint8_t* m28 = EngineTables.LayerStore[28];
    int nonBlack = 0;
    for (int k = 0; k < 128 * 128; ++k) {
        const unsigned a = m23[k], b = m28[k];
        for (int c = 0; c < 3; ++c) {
            const unsigned v = frame[4 * k + c];
            nonBlack += v != 0;
            ASSERT_EQ(parts[0][4 * k + c], (b * ((a * v) >> 8)) >> 8) << k;
            ASSERT_EQ(parts[1][4 * k + c], ((255 - b) * ((a * v) >> 8)) >> 8) << k;
            ASSERT_EQ(parts[2][4 * k + c], (b * (((255 - a) * v) >> 8)) >> 8) << k;
            ASSERT_EQ(parts[3][4 * k + c], ((255 - b) * (((255 - a) * v) >> 8)) >> 8) << k;
        }
        for (const std::vector<uint8_t>& part : parts)
            ASSERT_EQ(part[4 * k + 3], 255);
    }
    EXPECT_GT(nonBlack, 0);
}

} // namespace
