// Meshes on a real GL context (SDL's offscreen driver): the display lists and client
// arrays of start-up, material state, and the passes DrawMesh makes along the bank.
#include "content/content.h"
#include "engine/engine.h"
#include "geometry/geometry.h"
#include "platform/gl.h"
#include "shell/shell.h"
#include "tests/gl_fixture.h"
#include "textures/textures.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <set>
#include <vector>

namespace {

class GeometryGl : public DemoGlTest {
protected:
    void SetUp() override
    {
        DemoGlTest::SetUp();
        if (IsSkipped())
            return;
        bank = EngineTables.TextureBank;
        for (int i = 0; i < TEXTURE_COUNT; ++i)
            savedFlags[i] = bank[i].flags;
    }

    void TearDown() override
    {
        if (!Ready())
            return;
        for (int i = 0; i < TEXTURE_COUNT; ++i)
            bank[i].flags = savedFlags[i];
        ApplyMaterial(nullptr);
    }

    // The number of passes DrawMesh makes over mesh 0 (two triangles in view).
    static int CountPasses(const MeshSlot& mesh)
    {
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        std::vector<GLfloat> feedback(4096);
        glFeedbackBuffer(static_cast<GLsizei>(feedback.size()), GL_2D, feedback.data());
        glRenderMode(GL_FEEDBACK);
        DrawMesh(mesh);
        const GLint values = glRenderMode(GL_RENDER);
        return values / (2 * 8);   // per triangle: token, count, three (x, y)
    }

    static GLint Integer(GLenum what)
    {
        GLint value = 0;
        glGetIntegerv(what, &value);
        return value;
    }

    TextureBankEntry* bank = nullptr;
    uint32_t savedFlags[TEXTURE_COUNT] = {};
};

TEST_F(GeometryGl, StartUpCompilesOneListPerMeshAndPointsTheArrays)
{
    std::set<uint32_t> names;
    for (int m = 0; m < MESH_TABLE_SIZE; ++m) {
        const uint32_t list = EngineTables.MeshTable[m].displayList;
        EXPECT_NE(list, 0u) << "mesh " << m;
        EXPECT_TRUE(glIsList(list)) << "mesh " << m;
        names.insert(list);
    }
    EXPECT_EQ(names.size(), static_cast<size_t>(MESH_TABLE_SIZE));

    GLvoid* pointer = nullptr;
    glGetPointerv(GL_VERTEX_ARRAY_POINTER, &pointer);
    EXPECT_EQ(pointer, EngineTables.VertexArray[0].position);
    glGetPointerv(GL_COLOR_ARRAY_POINTER, &pointer);
    EXPECT_EQ(pointer, EngineTables.VertexArray[0].colour);
    EXPECT_EQ(Integer(GL_VERTEX_ARRAY_STRIDE), 36);
    EXPECT_EQ(Integer(GL_TEXTURE_COORD_ARRAY_STRIDE), 36);
    EXPECT_TRUE(glIsEnabled(GL_VERTEX_ARRAY));
    EXPECT_TRUE(glIsEnabled(GL_NORMAL_ARRAY));
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_COORD_ARRAY));
    EXPECT_EQ(EngineTables.MeshTable[FIRST_GLYPH_QUAD_MESH].material, &bank[29]);
}

TEST_F(GeometryGl, MaterialFlagsSetDepthTexGenAndBlending)
{
    struct Case {
        uint32_t flags;
        GLint depthWrite, depthFunc, sphereMap, blendSource, blendDestination;
    };
    const Case cases[] = {
        { 0, GL_TRUE, GL_LEQUAL, GL_FALSE, GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA },
        { TEX_NO_DEPTH_WRITE | TEX_DEPTH_ALWAYS, GL_FALSE, GL_ALWAYS, GL_FALSE, GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA },
        { TEX_SPHERE_MAP | TEX_ADDITIVE, GL_TRUE, GL_LEQUAL, GL_TRUE, GL_SRC_ALPHA, GL_ONE },
        { TEX_DARKEN, GL_TRUE, GL_LEQUAL, GL_FALSE, GL_ZERO, GL_ONE_MINUS_SRC_ALPHA },
        { TEX_DARKEN | TEX_ADDITIVE, GL_TRUE, GL_LEQUAL, GL_FALSE, GL_SRC_ALPHA, GL_ONE },
    };
    for (const Case& c : cases) {
        bank[3].flags = c.flags;
        ApplyMaterial(&bank[3]);
        EXPECT_EQ(Integer(GL_TEXTURE_BINDING_2D), static_cast<GLint>(bank[3].name));
        EXPECT_EQ(Integer(GL_DEPTH_WRITEMASK), c.depthWrite) << c.flags;
        EXPECT_EQ(Integer(GL_DEPTH_FUNC), c.depthFunc) << c.flags;
        EXPECT_EQ(glIsEnabled(GL_TEXTURE_GEN_S), c.sphereMap) << c.flags;
        EXPECT_EQ(glIsEnabled(GL_TEXTURE_GEN_T), c.sphereMap) << c.flags;
        EXPECT_EQ(Integer(GL_BLEND_SRC), c.blendSource) << c.flags;
        EXPECT_EQ(Integer(GL_BLEND_DST), c.blendDestination) << c.flags;
    }
    // Null changes nothing.
    glBindTexture(GL_TEXTURE_2D, bank[4].name);
    ApplyMaterial(nullptr);
    EXPECT_EQ(Integer(GL_TEXTURE_BINDING_2D), static_cast<GLint>(bank[4].name));
}

TEST_F(GeometryGl, MultipassWalksAlongTheBank)
{
    MeshSlot mesh = EngineTables.MeshTable[0];
    mesh.material = nullptr;
    EXPECT_EQ(CountPasses(mesh), 1);

    mesh.material = &bank[5];
    bank[5].flags = 0;
    EXPECT_EQ(CountPasses(mesh), 1);
    EXPECT_EQ(Integer(GL_TEXTURE_BINDING_2D), static_cast<GLint>(bank[5].name));

    bank[5].flags = TEX_MULTIPASS;
    bank[6].flags = TEX_MULTIPASS | TEX_ADDITIVE;
    bank[7].flags = 0;
    EXPECT_EQ(CountPasses(mesh), 3);
    EXPECT_EQ(Integer(GL_TEXTURE_BINDING_2D), static_cast<GLint>(bank[7].name));

    // A direct-RGB entry's second pass binds entry 32, whatever follows it.
    bank[5].flags = TEX_MULTIPASS | TEX_RGB_DIRECT;
    bank[TEXTURE_DIRECT_SECOND_PASS].flags = 0;
    EXPECT_EQ(CountPasses(mesh), 2);
    EXPECT_EQ(Integer(GL_TEXTURE_BINDING_2D), static_cast<GLint>(bank[TEXTURE_DIRECT_SECOND_PASS].name));

    // The last entry asking for more passes does not lead past the bank.
    mesh.material = &bank[TEXTURE_COUNT - 2];
    bank[TEXTURE_COUNT - 2].flags = TEX_MULTIPASS;
    bank[TEXTURE_COUNT - 1].flags = TEX_MULTIPASS;
    EXPECT_EQ(CountPasses(mesh), 2);

    mesh.indexCount = 0;
    EXPECT_EQ(CountPasses(mesh), 0);
}

} // namespace
