// Which scene each track shows at a frame time, at which scene time, and how a
// transition moves the two views; the scene items the scene data expands into.
#include "content/content.h"
#include "engine/engine.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

const TimelineEntry* Track(int n)
{
    return TimelineTracks[n - 1];
}

struct Expected {
    int track;
    float t;
    int scene;
    float sceneTime;
    bool transition;
    int outgoing;          // scene of the outgoing entry when transition
    float outgoingTime;
};

// Worked out by hand from the track tables: start and offset x 4, speed / 256.
TEST(Timeline, EachTrackShowsItsSceneAtItsSceneTime)
{
    const Expected cases[] = {
        { 1, 0.0f,      5, -1100.0f, false, 0, 0 },
        { 1, 1099.0f,   5, -1.0f,    false, 0, 0 },
        { 1, 1100.0f,   4, 0.0f,     false, 0, 0 },
        { 1, 3499.0f,   4, 2998.75f, false, 0, 0 },
        { 1, 3500.0f,   9, 0.0f,     true,  4, 3000.0f },   // slide, local 0
        { 1, 3754.0f,   9, 254.0f,   true,  4, 3317.5f },   // the last transition frame
        { 1, 3755.0f,   9, 255.0f,   false, 0, 0 },         // local 255: over
        { 1, 6000.0f,   0, 244.0f,   false, 0, 0 },         // gap
        { 1, 9000.0f,   8, 0.0f,     true,  7, 1500.0f },
        { 1, 11600.0f, 10, 0.0f,     true,  6, 1600.0f },
        { 1, 17311.0f,  3, 4111.0f,  false, 0, 0 },
        { 1, 20000.0f,  3, 6800.0f,  false, 0, 0 },         // past the end entry
        // Before its first entry, track 2 shows its last real entry: scene 14 at half
        // speed from 17,072 cs, shifted by -64 cs.
        { 2, 0.0f,     14, -8600.0f, false, 0, 0 },
        { 2, 499.0f,   14, -8350.5f, false, 0, 0 },
        { 2, 500.0f,    0, 0.0f,     false, 0, 0 },
        { 2, 3000.0f,   1, 0.0f,     false, 0, 0 },
        { 2, 9936.0f,  13, -64.0f,   false, 0, 0 },
        { 2, 12400.0f,  1, 1812.0f,  false, 0, 0 },
        { 2, 17072.0f, 14, -64.0f,   false, 0, 0 },
        { 2, 95000.0f, 14, 38900.0f, false, 0, 0 },         // past the end entry
        { 3, 0.0f,      2, 0.0f,     false, 0, 0 },
        { 3, 5000.0f,   2, 5000.0f,  false, 0, 0 },         // a single entry always shows
    };
    for (const Expected& e : cases) {
        const TrackPosition p = FindTrackPosition(Track(e.track), e.t);
        SCOPED_TRACE(::testing::Message() << "track " << e.track << " at " << e.t);
        ASSERT_NE(p.current, nullptr);
        EXPECT_EQ(p.current->scene, e.scene);
        EXPECT_FLOAT_EQ(p.sceneTime, e.sceneTime);
        EXPECT_EQ(p.transition, e.transition);
        if (e.transition) {
            EXPECT_EQ(p.previous->scene, e.outgoing);
            EXPECT_FLOAT_EQ(p.previousTime, e.outgoingTime);
        }
    }
}

TEST(Timeline, TracksWithoutARealEntryOrWithOneEntry)
{
    const TimelineEntry onlyEnd[] = { { 0, TIMELINE_END, 0, 0, 0 } };
    EXPECT_EQ(FindTrackPosition(onlyEnd, 100.0f).current, nullptr);

    const TimelineEntry single[] = { { 6, 0, 100, 0, 256 }, { 0, TIMELINE_END, 200, 0, 0 } };
    for (float t : { 0.0f, 500.0f, 1000.0f }) {
        const TrackPosition p = FindTrackPosition(single, t);
        ASSERT_EQ(p.current, &single[0]);
        EXPECT_FLOAT_EQ(p.sceneTime, t - 400.0f);
    }
}

class TrackViews : public ::testing::Test {
protected:
    void SetUp() override
    {
        EngineTables = {};
        BuildViewTree();
        views = EngineTables.Views;
    }

    void LayOut(float t)
    {
        LayOutTrackViews(FindTrackPosition(Track(1), t));
        for (int s : { 4, 6, 7, 8, 9, 10 })
            LayoutView(&views[s], 1.0f, 1.0f);
    }

    View* views = nullptr;
};

TEST_F(TrackViews, SlideStartsWithTheIncomingViewOneWindowLeft)
{
    views[9].offsetX = 5.0f;   // whatever an earlier frame left
    LayOut(3500.0f);
    EXPECT_EQ(views[9].offsetX, -2.0f);
    EXPECT_EQ(views[9].distance, 2.0f);
    EXPECT_EQ(views[9].visible, VIEW_HIDDEN);
    EXPECT_EQ(views[4].offsetX, 0.0f);
    EXPECT_EQ(views[4].visible, VIEW_VISIBLE);

    // Halfway along the curve the two views share the window edge to edge.
    LayOut(3500.0f + 128.0f);
    const float a = EvaluateEnvelope(TransitionEnvelope, 128.0f);
    EXPECT_FLOAT_EQ(a, 0.5f);
    EXPECT_FLOAT_EQ(views[9].clip.x1, a / 2.0f);
    EXPECT_FLOAT_EQ(views[4].clip.x0, a / 2.0f);
    EXPECT_FLOAT_EQ(views[9].clip.x0, 0.0f);
    EXPECT_FLOAT_EQ(views[4].clip.x1, 1.0f);

    // Over: back at rest.
    LayOut(3755.0f);
    EXPECT_EQ(views[9].offsetX, 0.0f);
    EXPECT_EQ(views[9].clip.x0, 0.0f);
    EXPECT_EQ(views[9].clip.x1, 1.0f);
}

TEST_F(TrackViews, SlideDownBringsTheIncomingViewFromAbove)
{
    LayOut(9000.0f + 200.0f);
    const float a = EvaluateEnvelope(TransitionEnvelope, 200.0f);
    EXPECT_FLOAT_EQ(views[8].offsetY, a - 2.0f);
    EXPECT_FLOAT_EQ(views[7].offsetY, a);
    EXPECT_FLOAT_EQ(views[8].clip.y0, 0.0f);
    EXPECT_FLOAT_EQ(views[8].clip.y1, a / 2.0f);
    EXPECT_FLOAT_EQ(views[7].clip.y0, a / 2.0f);
}

TEST_F(TrackViews, SwingStartsSmallAndAboveTheWindow)
{
    LayOut(11600.0f);
    EXPECT_FLOAT_EQ(views[10].distance, 10.0f);
    EXPECT_FLOAT_EQ(views[10].offsetY, -8.0f);
    // Half size 0.1, centred 0.3 window heights above the top edge.
    EXPECT_FLOAT_EQ(views[10].place.y0, -0.4f);
    EXPECT_FLOAT_EQ(views[10].place.y1, -0.2f);
    EXPECT_FLOAT_EQ(views[10].place.x1 - views[10].place.x0, 0.2f);
    EXPECT_EQ(views[10].visible, VIEW_HIDDEN);
    EXPECT_EQ(views[6].visible, VIEW_VISIBLE);
    EXPECT_EQ(views[6].offsetY, 0.0f);

    const float local = 200.0f;
    LayOut(11600.0f + local);
    const float phi = local * 0.0061357422f;
    EXPECT_FLOAT_EQ(views[10].distance, 8.0f * std::cos(phi) + 2.0f);
    EXPECT_FLOAT_EQ(views[10].offsetY, 8.0f * std::sin(phi) - 8.0f);
    EXPECT_EQ(views[10].visible, VIEW_VISIBLE);
}

TEST(TransitionFlags, SlideUpMovesBothViewsUpwards)
{
    EngineTables = {};
    BuildViewTree();
    const TimelineEntry track[] = {
        { 3, 0, 0, 0, 256 },
        { 5, TIMELINE_SLIDE_UP, 100, 0, 256 },
        { 0, TIMELINE_END, 200, 0, 0 },
    };
    const TrackPosition p = FindTrackPosition(track, 400.0f + 128.0f);
    ASSERT_TRUE(p.transition);
    LayOutTrackViews(p);
    EXPECT_FLOAT_EQ(EngineTables.Views[5].offsetY, 2.0f - 0.5f);
    EXPECT_FLOAT_EQ(EngineTables.Views[3].offsetY, -0.5f);
}

// ---- Scene items -------------------------------------------------------------------

class SceneItems : public ::testing::Test {
protected:
    static void SetUpTestSuite() { BuildSceneItems(); }
};

TEST_F(SceneItems, EveryDefinitionExpandsInOrder)
{
    for (int s = 1; s <= SCENE_COUNT; ++s) {
        const SceneItemList& list = SceneItemLists[s - 1];
        const SceneItem* item = list.first;
        int total = 0;
        for (const ItemDefinition* d = SceneDefinitions[s - 1].items; d->count; ++d) {
            for (int j = 0; j < d->count; ++j, ++item, ++total) {
                ASSERT_LT(total, list.count) << "scene " << s;
                EXPECT_EQ(item->mesh, d->mesh);
                EXPECT_EQ(item->flags, d->flags);
                EXPECT_EQ(item->instance, j);
                EXPECT_EQ(item->callback, ItemCallbacks[d->callback]);
                EXPECT_EQ(item->colour[0] & item->colour[1] & item->colour[2] & item->colour[3], 255);
                EXPECT_EQ(item->scale[0] * item->scale[1] * item->scale[2], 1.0f);
                EXPECT_EQ(item->position[0], 0.0f);
                EXPECT_EQ(item->rotation[2], 0.0f);
                EXPECT_EQ(item->workFlag, 0);
                EXPECT_EQ(item->work[3], 0.0f);
            }
        }
        EXPECT_EQ(total, list.count) << "scene " << s;
        // Scenes follow each other in one block.
        if (s < SCENE_COUNT) {
            EXPECT_EQ(list.first + list.count, SceneItemLists[s].first);
        }
    }
    EXPECT_EQ(SceneItemLists[3].count, 71);   // scene 4: 1 + 5 + 1 + 64
    EXPECT_EQ(SceneItemLists[8].count, 100);  // scene 9: 4 + 4 x 24
}

TEST_F(SceneItems, FractionsRunFromZeroToExactlyOne)
{
    // Scene 4's five discs.
    const SceneItem* discs = SceneItemLists[3].first + 1;
    const float expected[] = { 0.0f, 0.25f, 0.5f, 0.75f, 1.0f };
    for (int j = 0; j < 5; ++j)
        EXPECT_EQ(discs[j].fraction, expected[j]) << "disc " << j;
    // A single instance sits at 0.
    EXPECT_EQ(SceneItemLists[0].first->fraction, 0.0f);

    // Scene 9's ropes of 24: the running sum would end short of 1.0, so a rope's last
    // item would take the next rope's first item for its neighbour. Every rope ends
    // at exactly 1.0 and the others keep the accumulated values.
    for (int rope = 0; rope < 4; ++rope) {
        const SceneItem* first = SceneItemLists[8].first + 4 + 24 * rope;
        const float step = 1.0f / 23.0f;
        float sum = 0.0f;
        for (int j = 0; j < 23; ++j) {
            EXPECT_EQ(first[j].fraction, sum) << "rope " << rope << " item " << j;
            EXPECT_LT(first[j].fraction, 1.0f);
            sum += step;
        }
        EXPECT_NE(sum, 1.0f) << "the accumulated sum no longer falls short";
        EXPECT_EQ(first[23].fraction, 1.0f) << "rope " << rope;
        EXPECT_EQ(first[23].instance, 23);
        EXPECT_EQ(first[24].instance, 0);
    }
}

TEST(EndTime, IsTheStartOfTheFirstTracksEndEntry)
{
    EXPECT_EQ(ComputeEndTime(TimelineTracks[0]), 17312.0f);
    EXPECT_EQ(ComputeEndTime(TimelineTracks[2]), 2400.0f);

    const TimelineEntry onlyEnd[] = { { 0, TIMELINE_END, 700, 0, 0 } };
    EXPECT_EQ(ComputeEndTime(onlyEnd), 0.0f);
}

} // namespace
