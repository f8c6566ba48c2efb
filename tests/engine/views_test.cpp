// The view tree's layout: rest, offsets, distances, hiding and clipping through
// nested views, and the scissor boxes and frusta that follow from it.
#include "content/content.h"
#include "engine/engine.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

class Views : public ::testing::Test {
protected:
    void SetUp() override
    {
        EngineTables = {};
        BuildViewTree();
        views = EngineTables.Views;
    }

    // Lays view s out as the timeline leaves it, then moves it.
    View* Place(int s, float offsetX, float offsetY, float distance)
    {
        View* view = &views[s];
        view->offsetX = offsetX;
        view->offsetY = offsetY;
        view->distance = distance;
        LayoutView(view, 1.0f, 1.0f);
        return view;
    }

    View* views = nullptr;
};

void ExpectRect(const ViewRect& r, float x0, float y0, float x1, float y1)
{
    EXPECT_FLOAT_EQ(r.x0, x0);
    EXPECT_FLOAT_EQ(r.y0, y0);
    EXPECT_FLOAT_EQ(r.x1, x1);
    EXPECT_FLOAT_EQ(r.y1, y1);
}

TEST_F(Views, TreeHangsEverySceneViewUnderTheRoot)
{
    View* root = &views[0];
    EXPECT_EQ(root->root, root);
    EXPECT_EQ(root->visible, VIEW_VISIBLE);
    int listed = 0;
    bool seen[VIEW_COUNT] = {};
    for (View* v = root->firstView; v != root; v = v->nextView) {
        ASSERT_LT(listed, VIEW_COUNT) << "the list of views does not end at the root";
        seen[v - views] = true;
        ++listed;
    }
    EXPECT_EQ(listed, VIEW_COUNT - 1);
    for (int s = 1; s < VIEW_COUNT; ++s) {
        EXPECT_TRUE(seen[s]) << "view " << s;
        EXPECT_EQ(views[s].clipParent, root);
        EXPECT_EQ(views[s].frameParent, root);
        EXPECT_EQ(views[s].root, root);
        EXPECT_EQ(views[s].camera.zoom, 1.0f);
        EXPECT_EQ(views[s].near, 0.1f);
        EXPECT_EQ(views[s].far, 10000.0f);
        EXPECT_EQ(views[s].visible, VIEW_VISIBLE);
        ExpectRect(views[s].clip, 0, 0, 1, 1);
    }
    // Pushed at the front: the last attached view heads each list.
    EXPECT_EQ(root->firstView, &views[14]);
    EXPECT_EQ(root->firstClipChild, &views[14]);
    EXPECT_EQ(views[1].nextClipSibling, nullptr);
}

TEST_F(Views, RestFillsTheParentAndOffsetsSlideByHalfTheWindow)
{
    View* view = Place(3, 0.0f, 0.0f, 2.0f);
    ExpectRect(view->absolute, 0, 0, 1, 1);
    ExpectRect(view->clip, 0, 0, 1, 1);
    ExpectRect(view->frame, 0, 0, 1, 1);

    // Entirely left of the window: A.x1 = 0 fails A.x1 > 0.
    view = Place(3, -2.0f, 0.0f, 2.0f);
    EXPECT_EQ(view->visible, VIEW_HIDDEN);

    // Half on screen: clipped, while its frame keeps the whole rectangle.
    view = Place(4, -1.0f, 0.0f, 2.0f);
    EXPECT_EQ(view->visible, VIEW_VISIBLE);
    ExpectRect(view->absolute, -0.5f, 0, 0.5f, 1);
    ExpectRect(view->clip, 0, 0, 0.5f, 1);
    ExpectRect(view->frame, -0.5f, 0, 0.5f, 1);

    view = Place(5, 0.0f, 0.0f, 10.0f);
    ExpectRect(view->clip, 0.4f, 0.4f, 0.6f, 0.6f);

    // Distances up to the near plane count as the near plane: half size 10 windows.
    view = Place(6, 0.0f, 0.0f, 0.05f);
    ExpectRect(view->absolute, -9.5f, -9.5f, 10.5f, 10.5f);
    ExpectRect(view->clip, 0, 0, 1, 1);
    view = Place(6, 0.0f, 0.0f, -3.0f);
    ExpectRect(view->absolute, -9.5f, -9.5f, 10.5f, 10.5f);
}

TEST_F(Views, HiddenViewKeepsItsLastRectangles)
{
    View* view = Place(2, -1.0f, 0.0f, 2.0f);
    const ViewRect clip = view->clip;
    view = Place(2, 0.0f, 2.5f, 2.0f);
    EXPECT_EQ(view->visible, VIEW_HIDDEN);
    ExpectRect(view->clip, clip.x0, clip.y0, clip.x1, clip.y1);
    // And comes back when moved on screen again.
    view = Place(2, 0.0f, 0.0f, 2.0f);
    EXPECT_EQ(view->visible, VIEW_VISIBLE);
}

TEST_F(Views, PlaceIsOrderedAndFramePlaceIsNot)
{
    View* view = &views[7];
    SetViewRect(view, { 0.75f, 0.5f, 0.25f, 0.0f }, { 1.0f, 0.0f, 0.0f, 1.0f });
    ExpectRect(view->place, 0.25f, 0.0f, 0.75f, 0.5f);
    ExpectRect(view->framePlace, 1.0f, 0.0f, 0.0f, 1.0f);
    ExpectRect(view->frame, 1.0f, 0.0f, 0.0f, 1.0f);
    // The root never moves.
    SetViewRect(&views[0], { 0.2f, 0.2f, 0.4f, 0.4f }, { 0.2f, 0.2f, 0.4f, 0.4f });
    ExpectRect(views[0].place, 0, 0, 1, 1);
}

// Views 2 and 3 re-hung below view 1, and view 3 below view 2: placement, clipping
// and hiding pass down the tree, each view relative to its own parent.
TEST_F(Views, NestedViewsFollowAndClipToTheirParents)
{
    View* root = &views[0];
    View* a = &views[1];
    View* b = &views[2];
    View* c = &views[3];
    root->firstClipChild = a;
    root->firstFrameChild = a;
    a->nextClipSibling = a->nextFrameSibling = nullptr;
    a->firstClipChild = a->firstFrameChild = b;
    b->clipParent = b->frameParent = a;
    b->nextClipSibling = b->nextFrameSibling = nullptr;
    b->firstClipChild = b->firstFrameChild = c;
    c->clipParent = c->frameParent = b;
    c->firstClipChild = c->firstFrameChild = nullptr;
    c->nextClipSibling = c->nextFrameSibling = nullptr;

    SetViewRect(b, { 0.5f, 0.0f, 1.5f, 1.0f }, { 0.5f, 0.0f, 1.5f, 1.0f });
    SetViewRect(c, { 0.0f, 0.0f, 1.0f, 0.5f }, { 0.0f, 0.0f, 1.0f, 0.5f });
    SetViewRect(a, { 0.0f, 0.0f, 0.5f, 0.5f }, { 0.0f, 0.0f, 0.5f, 0.5f });
    ExpectRect(a->clip, 0, 0, 0.5f, 0.5f);
    ExpectRect(b->absolute, 0.25f, 0, 0.75f, 0.5f);
    ExpectRect(b->clip, 0.25f, 0, 0.5f, 0.5f);
    ExpectRect(c->absolute, 0.25f, 0, 0.75f, 0.25f);
    ExpectRect(c->clip, 0.25f, 0, 0.5f, 0.25f);
    ExpectRect(c->frame, 0.25f, 0, 0.75f, 0.25f);

    // Moving the top view off the window hides everything below it.
    SetViewRect(a, { 1.0f, 0.0f, 2.0f, 1.0f }, { 1.0f, 0.0f, 2.0f, 1.0f });
    EXPECT_EQ(a->visible, VIEW_HIDDEN);
    EXPECT_EQ(b->visible, VIEW_HIDDEN);
    EXPECT_EQ(c->visible, VIEW_HIDDEN);
    // The frames follow regardless of visibility.
    ExpectRect(c->frame, 1.5f, 0, 2.5f, 0.5f);
}

TEST(ScissorBox, FollowsTheClipInWindowPixelsWithYUpwards)
{
    struct Case {
        ViewRect clip;
        bool drawable;
        int32_t x, y, w, h;
    };
    const Case cases[] = {
        { { 0, 0, 1, 1 },             true,    0,   0, 640, 480 },
        { { 0, 0, 0.5f, 1 },          true,    0,   0, 320, 480 },
        { { 0.5f, 0, 1, 0.25f },      true,  320, 360, 320, 120 },   // top right
        { { -0.5f, 0, 0.5f, 1 },      true, -320,   0, 640, 480 },   // passed as it is
        { { 0.5f, 0, 0.5005f, 1 },    false, 320,   0,   0, 480 },   // narrower than a pixel
        { { 1.0f, 0, 1.5f, 1 },       false, 640,   0, 320, 480 },   // right of the window
        { { 0, 1.0f, 1, 2.0f },       false,   0,-480, 640, 480 },   // below the window
        { { 0.75f, 0, 0.25f, 1 },     true,  160,   0, 320, 480 },   // x swapped
    };
    for (const Case& c : cases) {
        int32_t box[4] = {};
        EXPECT_EQ(ComputeScissorBox(c.clip, 640, 480, box), c.drawable) << c.clip.x0 << " " << c.clip.x1;
        EXPECT_EQ(box[0], c.x);
        EXPECT_EQ(box[1], c.y);
        EXPECT_EQ(box[2], c.w);
        EXPECT_EQ(box[3], c.h);
    }
}

TEST(Frustum, MapsTheViewsSymmetricFrustumOntoItsFrame)
{
    View view = {};
    view.frame = { 0, 0, 1, 1 };
    FrustumBox f = ComputeFrustum(view, 0.1f, 10000.0f, 1.5f);
    EXPECT_FLOAT_EQ(f.left, -0.1f);
    EXPECT_FLOAT_EQ(f.right, 0.1f);
    EXPECT_FLOAT_EQ(f.bottom, -0.1f);
    EXPECT_FLOAT_EQ(f.top, 0.1f);
    EXPECT_FLOAT_EQ(f.near, 0.15f);
    EXPECT_EQ(f.far, 10000.0f);

    // Half off to the left: the window shows the right half of the frustum.
    view.frame = { -0.5f, 0, 0.5f, 1 };
    f = ComputeFrustum(view, 0.1f, 10000.0f, 1.0f);
    EXPECT_FLOAT_EQ(f.left, 0.0f);
    EXPECT_FLOAT_EQ(f.right, 0.2f);
    EXPECT_FLOAT_EQ(f.bottom, -0.1f);
    EXPECT_FLOAT_EQ(f.top, 0.1f);

    // A fifth of the window in the middle: the window spans five frustum widths.
    view.frame = { 0.4f, 0.4f, 0.6f, 0.6f };
    f = ComputeFrustum(view, 0.1f, 10000.0f, 1.0f);
    EXPECT_NEAR(f.left, -0.5f, 1e-5f);
    EXPECT_NEAR(f.right, 0.5f, 1e-5f);
    EXPECT_NEAR(f.bottom, -0.5f, 1e-5f);
    EXPECT_NEAR(f.top, 0.5f, 1e-5f);

    // Degenerate frames and near planes stay finite.
    view.frame = { 0.5f, 0.5f, 0.5f, 0.5f };
    f = ComputeFrustum(view, 0.0f, 100.0f, 1.0f);
    EXPECT_TRUE(std::isfinite(f.left) && std::isfinite(f.top));
    EXPECT_FLOAT_EQ(f.near, 0.00001f);
}

TEST(UpdateCamera, WritesTheScenesPathIntoItsViewAndLeavesOthersAlone)
{
    EngineTables = {};
    BuildViewTree();
    UpdateCamera(5, 0.0f);
    UpdateCamera(4, 0.0f);
    const Camera& a = EngineTables.Views[5].camera;
    const Camera& b = EngineTables.Views[4].camera;
    const Camera expected = EvaluateCameraPath(*SceneDefinitions[3].cameraPath, 0.0f);
    EXPECT_EQ(b.pitch, expected.pitch);
    EXPECT_EQ(b.z, expected.z);
    // Scene 5 ends where scene 4 begins.
    for (const auto field : { &Camera::x, &Camera::y, &Camera::z, &Camera::yaw, &Camera::pitch,
                              &Camera::roll, &Camera::zoom })
        EXPECT_FLOAT_EQ(a.*field, b.*field);
    // Scene 0 is no scene: nothing is written, nothing breaks.
    EngineTables.Views[0].camera.zoom = 1.0f;
    UpdateCamera(0, 10.0f);
    EXPECT_EQ(EngineTables.Views[0].camera.zoom, 1.0f);
}

} // namespace
