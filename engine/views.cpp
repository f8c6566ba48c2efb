// The view tree: one view per scene under a root that covers the window. A view is
// placed and clipped inside its clip parent and projects onto a rectangle inside its
// frame parent's; applying it sets the scissor box, the projection and the camera.
#include "content/content.h"
#include "engine/engine.h"
#include "platform/gl.h"
#include "textures/textures.h"

#include <algorithm>
#include <cmath>
#include <utility>

int32_t WindowWidth = 0;
int32_t WindowHeight = 0;
bool FontBakeStarted = false;

namespace {

constexpr ViewRect WholeWindow = { 0.0f, 0.0f, 1.0f, 1.0f };
constexpr float NEAR_PLANE = 0.1f;
constexpr float FAR_PLANE = 10000.0f;
constexpr float MIN_EXTENT = 0.00001f;

// outer scaled by inner: inner's 0..1 spans outer.
ViewRect ScaleRect(const ViewRect& outer, const ViewRect& inner)
{
    const float w = outer.x1 - outer.x0;
    const float h = outer.y1 - outer.y0;
    return { outer.x0 + w * inner.x0, outer.y0 + h * inner.y0,
             outer.x0 + w * inner.x1, outer.y0 + h * inner.y1 };
}

// The next links of one of the two child lists.
using ChildLink = View* View::*;

// Visits view and every view below it through one child list, breadth first, so
// that a view always comes after its parent.
template <typename Visit>
void WalkBreadthFirst(View* view, ChildLink firstChild, ChildLink nextSibling, Visit visit)
{
    View* queue[VIEW_COUNT];
    int head = 0;
    int tail = 0;
    queue[tail++] = view;
    while (head < tail) {
        View* u = queue[head++];
        visit(u);
        for (View* child = u->*firstChild; child; child = child->*nextSibling) {
            if (tail < VIEW_COUNT)
                queue[tail++] = child;
        }
    }
}

void PlaceInClipParent(View* u)
{
    const View* parent = u->clipParent;
    if (parent->visible != VIEW_VISIBLE) {
        u->visible = VIEW_HIDDEN;
        return;
    }
    const ViewRect& p = parent->absolute;
    const ViewRect a = ScaleRect(p, u->place);
    // The overlap test is against the parent's unclipped rectangle.
    const bool overlaps = a.x0 < p.x1 && a.x1 > p.x0 && a.y0 < p.y1 && a.y1 > p.y0 &&
                          a.x0 < a.x1 && a.y0 < a.y1;
    if (!overlaps) {
        u->visible = VIEW_HIDDEN;
        return;
    }
    u->absolute = a;
    const ViewRect& c = parent->clip;
    u->clip = { std::max(a.x0, c.x0), std::max(a.y0, c.y0), std::min(a.x1, c.x1), std::min(a.y1, c.y1) };
    u->visible = VIEW_VISIBLE;
}

} // namespace

void BuildViewTree()
{
    View* views = static_cast<View*>(AllocateForever(sizeof(View) * VIEW_COUNT));
    EngineTables.Views = views;

    View* root = &views[0];
    root->visible = VIEW_VISIBLE;
    root->firstView = root;
    root->root = root;
    root->clip = root->frame = root->place = root->absolute = root->framePlace = WholeWindow;
    root->camera.zoom = 1.0f;
    root->near = NEAR_PLANE;
    root->far = FAR_PLANE;

    for (int s = 1; s < VIEW_COUNT; ++s) {
        View* view = &views[s];
        const SceneDefinition& scene = SceneDefinitions[s - 1];
        View* clipParent = &views[scene.clipParent];
        View* frameParent = &views[scene.frameParent];

        view->clipParent = clipParent;
        view->root = clipParent->root;
        view->nextClipSibling = clipParent->firstClipChild;
        clipParent->firstClipChild = view;

        view->frameParent = frameParent;
        view->nextFrameSibling = frameParent->firstFrameChild;
        frameParent->firstFrameChild = view;

        view->nextView = root->firstView;
        root->firstView = view;

        view->camera.zoom = 1.0f;
        view->near = NEAR_PLANE;
        view->far = FAR_PLANE;
        SetViewRect(view, WholeWindow, WholeWindow);
    }
}

void SetViewRect(View* view, const ViewRect& place, const ViewRect& framePlace)
{
    if (view == view->root)
        return;
    ViewRect ordered = place;
    if (ordered.x0 > ordered.x1)
        std::swap(ordered.x0, ordered.x1);
    if (ordered.y0 > ordered.y1)
        std::swap(ordered.y0, ordered.y1);
    view->place = ordered;
    view->framePlace = framePlace;

    WalkBreadthFirst(view, &View::firstClipChild, &View::nextClipSibling, PlaceInClipParent);
    WalkBreadthFirst(view, &View::firstFrameChild, &View::nextFrameSibling, [](View* u) {
        u->frame = ScaleRect(u->frameParent->frame, u->framePlace);
    });
}

void LayoutView(View* view, float sx, float sy)
{
    const View* root = view->root;
    const float d = view->distance > root->near ? view->distance : root->near;
    const float k = root->camera.zoom / d;
    const float cx = 0.5f * (root->frame.x1 - root->frame.x0) + k * view->offsetX;
    const float cy = 0.5f * (root->frame.y1 - root->frame.y0) + k * view->offsetY;
    const ViewRect r = { cx - k * sx, cy - k * sy, cx + k * sx, cy + k * sy };
    SetViewRect(view, r, r);
}

bool ComputeScissorBox(const ViewRect& rect, int width, int height, int32_t box[4])
{
    const float w = static_cast<float>(width);
    const float h = static_cast<float>(height);
    int32_t x0 = static_cast<int32_t>(w * rect.x0);
    int32_t x1 = static_cast<int32_t>(w * rect.x1);
    if (x0 > x1)
        std::swap(x0, x1);
    const int32_t ya = static_cast<int32_t>(h * (1.0f - rect.y1));
    const int32_t yb = static_cast<int32_t>(h * (1.0f - rect.y0));
    const int32_t y0 = std::min(ya, yb);
    const int32_t y1 = std::max(ya, yb);
    box[0] = x0;
    box[1] = y0;
    box[2] = x1 - x0;
    box[3] = y1 - y0;
    return !(x0 >= width || y0 >= height || x1 <= 0 || y1 <= 0 || x0 == x1 || y0 == y1);
}

bool SetScissorFromRect(float x0, float y0, float x1, float y1)
{
    int32_t box[4];
    if (!ComputeScissorBox({ x0, y0, x1, y1 }, WindowWidth, WindowHeight, box))
        return false;
    glScissor(box[0], box[1], box[2], box[3]);
    return true;
}

FrustumBox ComputeFrustum(const View& view, float near, float far, float zoom)
{
    float fw = view.frame.x1 - view.frame.x0;
    float fh = view.frame.y1 - view.frame.y0;
    if (fw == 0.0f)
        fw = MIN_EXTENT;
    if (fh == 0.0f)
        fh = MIN_EXTENT;
    const float l = (0.0f - view.frame.x0) / fw;
    const float r = (1.0f - view.frame.x0) / fw;
    const float b = (view.frame.y1 - 1.0f) / fh;
    const float t = view.frame.y1 / fh;
    const float n = near > MIN_EXTENT ? near : MIN_EXTENT;
    return { 2.0f * n * (l - 0.5f), 2.0f * n * (r - 0.5f), 2.0f * n * (b - 0.5f),
             2.0f * n * (t - 0.5f), n * zoom, far };
}

void SetProjection(View* view, float near, float far, float zoom)
{
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    const FrustumBox f = ComputeFrustum(*view, near, far, zoom);
    EngineTables.CurrentZoom = zoom;
    glFrustum(f.left, f.right, f.bottom, f.top, f.near, f.far);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

bool ApplyView(int s)
{
    View* view = &EngineTables.Views[s];
    LayoutView(view, 1.0f, 1.0f);
    if (view->visible != VIEW_VISIBLE)
        return false;
    glMatrixMode(GL_TEXTURE);
    glLoadIdentity();
    if (!SetScissorFromRect(view->clip.x0, view->clip.y0, view->clip.x1, view->clip.y1))
        return false;
    SetProjection(view, view->near, view->far, view->camera.zoom);
    const Camera& c = view->camera;
    glRotatef(c.roll, 0.0f, 0.0f, -1.0f);
    glRotatef(c.pitch, 1.0f, 0.0f, 0.0f);
    glRotatef(c.yaw, 0.0f, 1.0f, 0.0f);
    // z enters with its own sign, x and y negated.
    glTranslatef(-c.x, -c.y, c.z);
    return true;
}

void BakeFontAtlasOnce()
{
    if (FontBakeStarted || WindowWidth <= CAPTURE_SIDE || WindowHeight <= CAPTURE_SIDE)
        return;
    FontBakeStarted = true;
    if (!FontAtlasBake)
        return;
    // The bake draws through the root view at its rest zoom.
    EngineTables.Views[0].camera.zoom = 1.0f;
    if (ApplyView(0))
        FontAtlasBake(WindowWidth, WindowHeight);
}

void UpdateCamera(int s, float t)
{
    if (s < 1 || s > SCENE_COUNT)
        return;
    const CameraPath* path = SceneDefinitions[s - 1].cameraPath;
    if (!path)
        return;
    EngineTables.Views[s].camera = EvaluateCameraPath(*path, t);
}
