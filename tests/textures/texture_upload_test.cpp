// The GL half of the texture generator, on a real context (a hidden window on the
// X server the test runs under): every bank entry has its own name, its record's
// flags, the wrap and filter those flags ask for, and the generated image.
#include "core/engine_tables.h"
#include "platform/gl.h"
#include "platform/platform.h"
#include "textures/textures.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <vector>

namespace {

bool OpenContext()
{
    return PlatformRegisterWindowClass() && PlatformCreateWindow("texture upload", 64, 64, false) &&
           PlatformGetDeviceContext() && PlatformChoosePixelFormat(32) && PlatformSetPixelFormat() &&
           PlatformCreateContext() && PlatformMakeContextCurrent();
}

// Without a current context GL hands out no names; start-up must then say so and
// end with exit code 3 rather than carry on with texture 0. Without a display the
// message goes to stderr instead of a box that waits for a click.
TEST(TextureUploadDeathTest, NameZeroEndsWithItsMessageAndCodeThree)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            unsetenv("DISPLAY");
            BuildTextureLayers();
            BuildTextures();
        },
        ::testing::ExitedWithCode(EXIT_NO_TEXTURE_NAME), "ERROR: Can't Create A Texture.");
}

TEST(TextureUpload, BankMatchesTheProgram)
{
    if (!OpenContext())
        GTEST_SKIP() << "no GL context here (run under xvfb-run)";
    BuildTextureLayers();
    BuildTextures();
    ASSERT_NE(EngineTables.TextureBank, nullptr);
    ASSERT_NE(EngineTables.TexturePixels, nullptr);

    GLint envMode = 0;
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &envMode);
    EXPECT_EQ(envMode, GL_MODULATE);

    std::set<uint32_t> names;
    for (int t = 0; t < TEXTURE_COUNT; ++t) {
        const TextureBankEntry& entry = EngineTables.TextureBank[t];
        const uint32_t flags = TextureProgram[t].flags;
        EXPECT_NE(entry.name, 0u) << "texture " << t;
        names.insert(entry.name);
        EXPECT_EQ(entry.flags, flags) << "texture " << t;

        glBindTexture(GL_TEXTURE_2D, entry.name);
        GLint wrapS = 0, wrapT = 0, minFilter = 0, magFilter = 0, width = 0, height = 0;
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &wrapS);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, &wrapT);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &magFilter);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
        const GLint wrap = (flags & TEX_CLAMP) ? GL_CLAMP : GL_REPEAT;
        const GLint filter = (flags & TEX_NEAREST) ? GL_NEAREST : GL_LINEAR;
        EXPECT_EQ(wrapS, wrap) << "texture " << t;
        EXPECT_EQ(wrapT, wrap) << "texture " << t;
        EXPECT_EQ(minFilter, filter) << "texture " << t << ": no mipmaps, so no mipmap filter";
        EXPECT_EQ(magFilter, filter) << "texture " << t;
        EXPECT_EQ(width, TextureSize(t)) << "texture " << t;
        EXPECT_EQ(height, TextureSize(t)) << "texture " << t;

        const std::size_t bytes = static_cast<std::size_t>(TextureSize(t)) * TextureSize(t) * 4;
        std::vector<uint8_t> uploaded(bytes);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, uploaded.data());
        EXPECT_EQ(0, std::memcmp(uploaded.data(), TextureImage(t), bytes)) << "texture " << t;
    }
    EXPECT_EQ(names.size(), static_cast<std::size_t>(TEXTURE_COUNT));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

} // namespace
