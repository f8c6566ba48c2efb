// Scene items: the per-instance records expanded from the scene definitions at
// start-up, and the renderer that runs their callbacks and draws their meshes.
#include "content/content.h"
#include "engine/engine.h"
#include "geometry/geometry.h"
#include "platform/gl.h"
#include "textures/textures.h"

SceneItemList* SceneItemLists = nullptr;

namespace {

void FillItem(SceneItem* item, const ItemDefinition& definition, int instance, float fraction)
{
    item->callback = ItemCallbacks[definition.callback];
    item->mesh = definition.mesh;
    item->flags = definition.flags;
    for (uint8_t& channel : item->colour)
        channel = 255;
    for (float& axis : item->scale)
        axis = 1.0f;
    item->fraction = fraction;
    item->instance = static_cast<uint16_t>(instance);
}

} // namespace

void BuildSceneItems()
{
    int itemCount = 0;
    for (const SceneDefinition& scene : SceneDefinitions) {
        for (const ItemDefinition* d = scene.items; d->count != 0; ++d)
            itemCount += d->count;
    }
    // One block: the scenes' lists, then every item, scene by scene, definition by
    // definition, instance by instance.
    const std::size_t bytes = sizeof(SceneItemList) * SCENE_COUNT + sizeof(SceneItem) * itemCount;
    auto* block = static_cast<uint8_t*>(AllocateForever(bytes));
    SceneItemLists = reinterpret_cast<SceneItemList*>(block);
    SceneItem* next = reinterpret_cast<SceneItem*>(block + sizeof(SceneItemList) * SCENE_COUNT);

    for (int s = 0; s < SCENE_COUNT; ++s) {
        SceneItemList& list = SceneItemLists[s];
        list.first = next;
        for (const ItemDefinition* d = SceneDefinitions[s].items; d->count != 0; ++d) {
            const int n = d->count;
            const float step = 1.0f / static_cast<float>(n - 1);
            float fraction = 0.0f;
            for (int j = 0; j < n; ++j) {
                // The running sum falls short of 1.0 for long runs; the last instance
                // is exactly at the end, so callbacks can recognise it.
                const float value = (n > 1 && j == n - 1) ? 1.0f : fraction;
                FillItem(next++, *d, j, value);
                fraction += step;
            }
        }
        list.count = static_cast<int32_t>(next - list.first);
    }
}

void DrawScene(int s, float t)
{
    if (!ApplyView(s))
        return;
    const Camera& camera = EngineTables.Views[s].camera;
    const SceneItemList& list = SceneItemLists[s - 1];
    for (SceneItem* item = list.first; item != list.first + list.count; ++item) {
        glMatrixMode(GL_TEXTURE);
        glLoadIdentity();
        glMatrixMode(GL_MODELVIEW);
        glPushMatrix();

        // Read once: a callback's change to the flags shows from the next frame.
        const uint16_t flags = item->flags;
        if (flags & ITEM_OWN_COLOUR)
            glDisableClientState(GL_COLOR_ARRAY);
        else
            glEnableClientState(GL_COLOR_ARRAY);
        if (item->callback)
            item->callback(item, flags >> 8, t);

        // Everything below is read after the callback, which may have changed it.
        float yaw = item->rotation[0];
        float pitch = item->rotation[1];
        if (flags & ITEM_BILLBOARD) {
            yaw += camera.yaw;
            pitch += camera.pitch;
        }
        glColor4ubv(item->colour);
        glTranslatef(item->position[0], item->position[1], item->position[2]);
        glRotatef(yaw, 0.0f, -1.0f, 0.0f);
        glRotatef(pitch, -1.0f, 0.0f, 0.0f);
        glRotatef(item->rotation[2], 0.0f, 0.0f, 1.0f);
        glScalef(item->scale[0], item->scale[1], item->scale[2]);

        if (item->mesh < MESH_TABLE_SIZE) {
            const MeshSlot& mesh = EngineTables.MeshTable[item->mesh];
            if (flags & ITEM_RENDER_TO_TEXTURE)
                RenderItemToTexture(flags, item->mesh);
            if (flags & ITEM_DISPLAY_LIST)
                glCallList(mesh.displayList);
            else if (flags & ITEM_DRAW_MESH)
                DrawMesh(mesh);
        }
        glPopMatrix();
    }
}
