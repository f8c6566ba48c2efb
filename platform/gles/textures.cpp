// Texture objects and pixel transfers of the fixed-function layer: what OpenGL 1.1
// keeps per texture that ES lacks (GL_CLAMP, luminance copies, completeness), and
// reading the back buffer.
#include "platform/gles/layer.h"

#include <cstring>
#include <vector>

namespace {

TextureInfo* BoundInfo()
{
    const GLuint name = Fixed.boundTexture;
    if (name == 0 || name >= Fixed.textures.size())
        return nullptr;
    return &Fixed.textures[name];
}

void Define(TextureInfo* info, bool luminance)
{
    if (!info)
        return;
    info->defined = true;
    info->luminance = luminance;
}

} // namespace

const TextureInfo* BoundTextureInfo()
{
    return BoundInfo();
}

void FixedGenTextures(GLsizei count, GLuint* names)
{
    glGenTextures(count, names);
    for (GLsizei i = 0; i < count; ++i) {
        if (names[i] >= Fixed.textures.size())
            Fixed.textures.resize(names[i] + 1);
        Fixed.textures[names[i]] = TextureInfo{};
    }
}

void ApplyBindTexture(GLuint name)
{
    // A name glGenTextures never gave is made by binding it, as in GL 1.1.
    if (name >= Fixed.textures.size())
        Fixed.textures.resize(name + 1);
    Fixed.boundTexture = name;
}

void FixedBindTexture(GLenum target, GLuint name)
{
    if (target == GL_TEXTURE_2D)
        SubmitCommand({ LIST_BIND_TEXTURE, name });
}

namespace {

// The sampler's wrap for a GL 1.1 one. GL_CLAMP with linear filtering is drawn by
// the BORDER variant, whose shader clamps the coordinate to [0, 1] first: there
// GL_MIRRORED_REPEAT reads as clamping to the edge does, and it keeps the filtering
// off the 8-bit fast path of software samplers, which filter GL_CLAMP in full
// precision. With nearest filtering GL_CLAMP never reaches the border: the edge.
GLint SamplerWrap(GLenum wrap, GLenum magFilter)
{
    if (wrap != GL_CLAMP)
        return static_cast<GLint>(wrap);
    (void)magFilter;
    return GL_CLAMP_TO_EDGE;
}

} // namespace

void FixedTexParameteri(GLenum target, GLenum name, GLint value)
{
    TextureInfo* info = BoundInfo();
    if (target != GL_TEXTURE_2D || !info)
        return;
    BindTexture(Fixed.boundTexture);
    switch (name) {
    case GL_TEXTURE_WRAP_S: info->wrapS = static_cast<GLenum>(value); break;
    case GL_TEXTURE_WRAP_T: info->wrapT = static_cast<GLenum>(value); break;
    case GL_TEXTURE_MIN_FILTER:
        info->minFilter = static_cast<GLenum>(value);
        glTexParameteri(target, name, value);
        return;
    case GL_TEXTURE_MAG_FILTER:
        info->magFilter = static_cast<GLenum>(value);
        glTexParameteri(target, name, value);
        if (info->wrapS != GL_CLAMP && info->wrapT != GL_CLAMP)
            return;
        break;
    default:
        glTexParameteri(target, name, value);
        return;
    }
    // A wrap, or the filter that decides what GL_CLAMP becomes.
    if (name != GL_TEXTURE_WRAP_T)
        glTexParameteri(target, GL_TEXTURE_WRAP_S, SamplerWrap(info->wrapS, info->magFilter));
    if (name != GL_TEXTURE_WRAP_S)
        glTexParameteri(target, GL_TEXTURE_WRAP_T, SamplerWrap(info->wrapT, info->magFilter));
}

void FixedTexEnvi(GLenum, GLenum, GLint)
{
    // GL_MODULATE is the one environment the shaders implement, and the demo's.
}

void FixedTexGeni(GLenum coordinate, GLenum name, GLint value)
{
    if (name != GL_TEXTURE_GEN_MODE)
        return;
    if (coordinate == GL_S)
        Fixed.sphereMapS = value == GL_SPHERE_MAP;
    else if (coordinate == GL_T)
        Fixed.sphereMapT = value == GL_SPHERE_MAP;
}

// Level 0 from RGBA bytes; the internal format 4 of GL 1.0 means RGBA too.
void FixedTexImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei width, GLsizei height,
                     GLint border, GLenum format, GLenum type, const void* pixels)
{
    if (target != GL_TEXTURE_2D || level != 0 || border != 0 || format != GL_RGBA || type != GL_UNSIGNED_BYTE)
        return;
    if (internalFormat != GL_RGBA && internalFormat != 4 && internalFormat != GL_RGBA8)
        return;
    BindTexture(Fixed.boundTexture);
    SetUnpackAlignment(Fixed.unpackAlignment);
    glTexImage2D(target, 0, GL_RGBA, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels);
    Define(BoundInfo(), false);
}

// A luminance texture is kept as RGBA, so RGBA data lands in it as GL 1.1 would
// convert it: its red becomes the luminance.
void FixedTexSubImage2D(GLenum target, GLint level, GLint x, GLint y, GLsizei width, GLsizei height,
                        GLenum format, GLenum type, const void* pixels)
{
    if (target != GL_TEXTURE_2D || level != 0 || format != GL_RGBA || type != GL_UNSIGNED_BYTE)
        return;
    BindTexture(Fixed.boundTexture);
    SetUnpackAlignment(Fixed.unpackAlignment);
    glTexSubImage2D(target, 0, x, y, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels);
}

// From the back buffer, as RGBA; a luminance copy keeps red and is sampled as
// (R, R, R, 1), which is GL 1.1's conversion of RGBA to luminance.
void FixedCopyTexImage2D(GLenum target, GLint level, GLenum internalFormat, GLint x, GLint y, GLsizei width,
                         GLsizei height, GLint border)
{
    if (target != GL_TEXTURE_2D || level != 0 || border != 0)
        return;
    const bool luminance = internalFormat == GL_LUMINANCE || internalFormat == 1;
    BindTexture(Fixed.boundTexture);
    glCopyTexImage2D(target, 0, GL_RGBA, x, y, width, height, 0);
    Define(BoundInfo(), luminance);
}

// Kept until a transfer needs them.
void FixedPixelStorei(GLenum name, GLint value)
{
    if (value != 1 && value != 2 && value != 4 && value != 8)
        return;
    if (name == GL_PACK_ALIGNMENT)
        Fixed.packAlignment = value;
    else if (name == GL_UNPACK_ALIGNMENT)
        Fixed.unpackAlignment = value;
}

void FixedReadBuffer(GLenum)
{
    // There is one colour buffer to read: the layer's back buffer.
}

// RGBA is read as it is; RGB is read as RGBA and packed, with the rows aligned as
// GL_PACK_ALIGNMENT asks.
void FixedReadPixels(GLint x, GLint y, GLsizei width, GLsizei height, GLenum format, GLenum type, void* pixels)
{
    if (type != GL_UNSIGNED_BYTE || width <= 0 || height <= 0)
        return;
    if (format == GL_RGBA) {
        SetPackAlignment(Fixed.packAlignment);
        glReadPixels(x, y, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels);
        return;
    }
    if (format != GL_RGB)
        return;
    std::vector<uint8_t> rgba(static_cast<size_t>(width) * height * 4);
    SetPackAlignment(4);
    glReadPixels(x, y, width, height, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    const size_t alignment = static_cast<size_t>(Fixed.packAlignment);
    const size_t rowBytes = (static_cast<size_t>(width) * 3 + alignment - 1) / alignment * alignment;
    auto* out = static_cast<uint8_t*>(pixels);
    for (GLsizei row = 0; row < height; ++row) {
        const uint8_t* from = &rgba[static_cast<size_t>(row) * width * 4];
        uint8_t* to = out + row * rowBytes;
        for (GLsizei column = 0; column < width; ++column)
            std::memcpy(to + column * 3, from + column * 4, 3);
    }
}
