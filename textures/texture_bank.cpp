// The GL half of the texture generator: one texture object per texture record, with
// the wrap and filter its flags ask for, and the bank that drawing binds from.
#include "textures/textures.h"

#include "core/engine_tables.h"
#include "platform/gl.h"
#include "platform/platform.h"

void UploadTextures()
{
    TextureBankEntry* bank =
        static_cast<TextureBankEntry*>(AllocateForever(TEXTURE_COUNT * sizeof(TextureBankEntry)));
    EngineTables.TextureBank = bank;

    for (int i = 0; i < TEXTURE_COUNT; ++i) {
        const TextureRecord& record = TextureProgram[i];
        GLuint name = 0;
        glGenTextures(1, &name);
        if (name == 0)
            PlatformFailStartUp("Can't Create A Texture.", EXIT_NO_TEXTURE_NAME);
        bank[i].name = name;
        bank[i].flags = record.flags;

        glBindTexture(GL_TEXTURE_2D, name);
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
        const GLint wrap = (record.flags & TEX_CLAMP) ? GL_CLAMP : GL_REPEAT;
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, wrap);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, wrap);
        const int size = TextureSize(i);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, size, size, 0, GL_RGBA, GL_UNSIGNED_BYTE, TextureImage(i));
        // No mipmaps are made, so minification must not ask for them.
        const GLint filter = (record.flags & TEX_NEAREST) ? GL_NEAREST : GL_LINEAR;
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
    }
}

void BuildTextures()
{
    BuildTextureImages();
    UploadTextures();
}
