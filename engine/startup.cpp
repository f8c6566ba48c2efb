// StartEngine: everything the demo shows is built here, once, before time zero.
#include "content/content.h"
#include "engine/engine.h"
#include "geometry/geometry.h"
#include "platform/gl.h"
#include "platform/platform.h"
#include "textures/textures.h"

namespace {

// The fixed GL state the run starts from, then a black frame on screen while the
// rest is built.
void SetFixedGlState()
{
    glDepthFunc(GL_LEQUAL);
    glShadeModel(GL_SMOOTH);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_CULL_FACE);
    glEnable(GL_BLEND);
    glEnable(GL_DITHER);
    glEnable(GL_TEXTURE_2D);
    // Configured once here; the effects that want sphere mapping only switch it on.
    glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
    glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
    glDepthMask(GL_TRUE);
    glClearDepth(1.0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    PlatformSwapBuffers();
}

} // namespace

float ComputeEndTime(const TimelineEntry* track)
{
    float endTime = 0.0f;
    for (const TimelineEntry* entry = track; !(entry->flags & TIMELINE_END);) {
        ++entry;
        endTime = 4.0f * entry->start;
    }
    return endTime;
}

void StartEngine()
{
    SetFixedGlState();
    BuildViewTree();
    BuildTextureLayers();
    BuildTextures();
    BuildGeometry();
    EngineTables.EndTime = ComputeEndTime(TimelineTracks[0]);
    BuildSceneItems();
}
