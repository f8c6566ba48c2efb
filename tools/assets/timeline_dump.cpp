// quorvantile-inspect timeline: the three tracks as a chart, or, for chosen frame
// times, what each track shows and where its views lie, computed as the demo does
// but without a window.
#include "tools/assets/assets.h"

#include "content/content.h"
#include "engine/engine.h"
#include "tools/common/command_line.h"
#include "tools/common/label.h"
#include "tools/common/output_file.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int CHART_END = 17312;       // centiseconds shown on the chart
constexpr int CHART_WIDTH = 1800;
constexpr int MARGIN = 60;
constexpr int TRACK_HEIGHT = 56;
constexpr int TRACK_GAP = 24;
constexpr int PIXELS_PER_SECOND_DIV = 100;
constexpr int REPORT_WIDTH = 640;      // the window the scissor boxes are given for
constexpr int REPORT_HEIGHT = 480;

constexpr uint8_t SceneColours[SCENE_COUNT + 1][3] = {
    { 50, 50, 56 },                                          // gap
    { 220, 90, 80 }, { 230, 160, 60 }, { 200, 200, 70 }, { 120, 200, 80 }, { 60, 170, 120 },
    { 60, 170, 200 }, { 80, 120, 220 }, { 140, 100, 220 }, { 200, 90, 200 }, { 220, 100, 150 },
    { 150, 120, 90 }, { 110, 150, 150 }, { 170, 170, 170 }, { 120, 110, 170 },
};

const char* TransitionName(uint8_t flags)
{
    if (flags & TIMELINE_SLIDE_RIGHT)
        return "slide right";
    if (flags & TIMELINE_SLIDE_DOWN)
        return "slide down";
    if (flags & TIMELINE_SLIDE_UP)
        return "slide up";
    if (flags & TIMELINE_SWING_IN)
        return "swing in";
    return "";
}

int ChartX(double t)
{
    return MARGIN + static_cast<int>(t * (CHART_WIDTH - 2 * MARGIN) / CHART_END);
}

// One bar per entry over its span; the span before the first entry and after the end
// entry, where the track keeps showing its last real entry, is drawn dimmed.
void DrawTrackRow(Canvas& chart, const TimelineEntry* track, int y)
{
    const uint8_t ink[3] = { 255, 255, 255 };
    const uint8_t dark[3] = { 0, 0, 0 };
    const uint8_t mark[3] = { 255, 240, 120 };
    if (track->flags & TIMELINE_END)
        return;
    const TimelineEntry* last = track;
    while (!((last + 1)->flags & TIMELINE_END))
        ++last;
    // Bars first, then their numbers, so that a narrow bar's number is not covered.
    bool labelPass = false;
    const auto bar = [&](const TimelineEntry* entry, double from, double to, bool dimmed) {
        const int x0 = ChartX(std::max(0.0, from));
        const int x1 = ChartX(std::min<double>(CHART_END, to));
        if (x1 <= x0)
            return;
        uint8_t colour[3];
        for (int c = 0; c < 3; ++c)
            colour[c] = static_cast<uint8_t>(dimmed ? SceneColours[entry->scene][c] / 3 : SceneColours[entry->scene][c]);
        if (!labelPass) {
            FillBox(chart, x0, y, x1 - x0, TRACK_HEIGHT, colour);
            FillBox(chart, x0, y, 1, TRACK_HEIGHT, dark);
            return;
        }
        // Narrow bars get their number too; it runs over into the gap beside them.
        const uint8_t grey[3] = { 150, 150, 150 };
        if (entry->scene != 0)
            DrawLabel(chart, x0 + 3, y + 4, std::to_string(entry->scene), dimmed ? grey : ink, 3);
    };
    for (int pass = 0; pass < 2; ++pass) {
        labelPass = pass == 1;
        if (4.0 * track->start > 0.0)
            bar(last, 0.0, 4.0 * track->start, true);
        for (const TimelineEntry* entry = track; !(entry->flags & TIMELINE_END); ++entry) {
            const double from = 4.0 * entry->start;
            bar(entry, from, 4.0 * (entry + 1)->start, false);
            if (entry->flags != 0 && labelPass) {
                // The transition runs while the local time is below 255.
                const double length = 255.0 * 256.0 / std::max<int>(1, entry->speed);
                const int x0 = ChartX(from);
                const int x1 = std::max(x0 + 2, ChartX(from + length));
                FillBox(chart, x0, y + TRACK_HEIGHT - 12, x1 - x0, 12, mark);
                DrawLabel(chart, x0 + 2, y + TRACK_HEIGHT - 26, TransitionName(entry->flags), mark, 2);
            }
        }
        bar(last, 4.0 * (last + 1)->start, CHART_END, true);
    }
}

int WriteChart(const std::string& path)
{
    const uint8_t background[3] = { 24, 24, 30 };
    const uint8_t ink[3] = { 230, 230, 230 };
    const uint8_t grid[3] = { 70, 70, 80 };
    const int height = 40 + TIMELINE_TRACK_COUNT * (TRACK_HEIGHT + TRACK_GAP) + 20;
    Canvas chart = MakeCanvas(CHART_WIDTH, height, background);
    const int top = 40;
    for (int seconds = 0; seconds * PIXELS_PER_SECOND_DIV <= CHART_END; seconds += 10) {
        const int x = ChartX(seconds * 100.0);
        FillBox(chart, x, top - 6, 1, height - top, grid);
        DrawLabel(chart, x + 2, top - 16, std::to_string(seconds) + "s", ink, 2);
    }
    DrawLabel(chart, MARGIN, 6, "timeline: tracks 1 2 3  (scene numbers; dim: shown outside its own span)", ink, 2);
    for (int n = 0; n < TIMELINE_TRACK_COUNT; ++n) {
        const int y = top + n * (TRACK_HEIGHT + TRACK_GAP);
        // Appended, not `"t" + string`: see TemporaryName in tools/common/output_file.cpp.
        std::string label = "t";
        label += std::to_string(n + 1);
        DrawLabel(chart, 8, y + TRACK_HEIGHT / 2 - 5, label, ink, 2);
        DrawTrackRow(chart, TimelineTracks[n], y);
    }
    std::string error;
    if (!WriteCanvas(path, chart, &error))
        return Failure(InspectTool, error);
    return 0;
}

void PrintScene(const char* role, int scene, float sceneTime)
{
    if (scene < 1 || scene > SCENE_COUNT) {
        std::printf("  %-8s gap  time %.2f\n", role, sceneTime);
        return;
    }
    View* view = &EngineTables.Views[scene];
    UpdateCamera(scene, sceneTime);
    LayoutView(view, 1.0f, 1.0f);
    const Camera& c = view->camera;
    std::printf("  %-8s scene %d  time %.2f\n", role, scene, sceneTime);
    std::printf("           offsetX %.6g  offsetY %.6g  distance %.6g\n", view->offsetX, view->offsetY,
                view->distance);
    std::printf("           clip (%.6g, %.6g, %.6g, %.6g)  %s\n", view->clip.x0, view->clip.y0, view->clip.x1,
                view->clip.y1, view->visible == VIEW_VISIBLE ? "visible" : "hidden");
    int32_t box[4];
    const bool drawable = ComputeScissorBox(view->clip, REPORT_WIDTH, REPORT_HEIGHT, box);
    if (view->visible == VIEW_VISIBLE && drawable)
        std::printf("           scissor %d %d %d %d\n", box[0], box[1], box[2], box[3]);
    else
        std::printf("           scissor none\n");
    std::printf("           camera x %.6g  y %.6g  z %.6g  yaw %.6g  pitch %.6g  roll %.6g  zoom %.6g\n", c.x, c.y,
                c.z, c.yaw, c.pitch, c.roll, c.zoom);
}

void PrintAt(float t)
{
    std::printf("t = %.2f cs\n", t);
    for (int n = 0; n < TIMELINE_TRACK_COUNT; ++n) {
        const TrackPosition p = FindTrackPosition(TimelineTracks[n], t);
        std::printf(" track %d\n", n + 1);
        if (!p.current) {
            std::printf("  nothing\n");
            continue;
        }
        LayOutTrackViews(p);
        if (p.transition) {
            std::printf("  transition %s  local %.2f  curve %.6g\n", TransitionName(p.current->flags), p.local,
                        p.curve);
            PrintScene("outgoing", p.previous->scene, p.previousTime);
        }
        PrintScene("current", p.current->scene, p.sceneTime);
    }
}

} // namespace

int InspectTimeline(int argc, char** argv)
{
    const ToolInfo tool = { InspectTool.name,
                            "usage: quorvantile-inspect timeline OUT.png\n"
                            "       quorvantile-inspect timeline --at T [--at T]...\n"
                            "  T: a frame time in whole centiseconds, from 0 to before the end (17312)\n" };
    constexpr OptionDefinition Options[] = { { "--at", OptionKind::Repeated } };
    ParsedCommandLine parsed;
    if (const int code = ParseCommandLine(tool, argc, argv, 0, Options, &parsed); code >= 0)
        return code;
    if (parsed.operands.size() > 1 || (parsed.operands.empty() && !parsed.Has("--at")))
        return UsageError(tool, "timeline takes OUT.png or --at T (--help)");
    std::vector<int> times;
    if (const int code = ParseFrameTimes(tool, parsed, &times); code >= 0)
        return code;
    const std::string chart = parsed.operands.empty() ? "" : parsed.operands[0];
    std::string error;
    if (!chart.empty() && !CheckOutputFile(chart, &error))
        return Failure(tool, error);
    if (!times.empty()) {
        EngineTables = {};
        BuildViewTree();
        for (const int t : times)
            PrintAt(static_cast<float>(t));
    }
    return chart.empty() ? 0 : WriteChart(chart);
}
