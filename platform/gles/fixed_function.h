// The fixed-function layer: the OpenGL 1.1 calls the demo makes, implemented on
// OpenGL ES 3.0 (WebGL 2 in the browser) with shaders, vertex buffers and one
// framebuffer object of its own. When QV_GL_LAYER is 1, platform/gl.h includes this
// header and gl_names.h instead of the system's <GL/gl.h>: the portable code's gl*
// calls then come here, and that code stays as it is.
//
// Only what the demo uses is there: three matrix stacks (modelview, projection,
// texture); client vertex, normal, texture coordinate and colour arrays drawn with
// glDrawElements; display lists compiled with GL_COMPILE; sphere-map texture
// coordinate generation; GL_MODULATE texturing with GL_CLAMP, luminance copies and
// the texture matrix; blending, depth, culling, scissor; glCopyTexImage2D,
// glTexSubImage2D and glReadPixels on the layer's own back buffer.
#pragma once

#include <GLES3/gl3.h>

typedef double GLdouble;

// ---- The OpenGL 1.1 values that OpenGL ES 3.0 lacks ----------------------------------
#define GL_MODELVIEW 0x1700
#define GL_PROJECTION 0x1701
#define GL_TEXTURE 0x1702
#define GL_MODELVIEW_MATRIX 0x0BA6
#define GL_PROJECTION_MATRIX 0x0BA7
#define GL_TEXTURE_MATRIX 0x0BA8
#define GL_S 0x2000
#define GL_T 0x2001
#define GL_TEXTURE_GEN_MODE 0x2500
#define GL_SPHERE_MAP 0x2402
#define GL_TEXTURE_GEN_S 0x0C60
#define GL_TEXTURE_GEN_T 0x0C61
#define GL_CLAMP 0x2900
#define GL_FLAT 0x1D00
#define GL_SMOOTH 0x1D01
#define GL_MODULATE 0x2100
#define GL_TEXTURE_ENV 0x2300
#define GL_TEXTURE_ENV_MODE 0x2200
#define GL_VERTEX_ARRAY 0x8074
#define GL_NORMAL_ARRAY 0x8075
#define GL_COLOR_ARRAY 0x8076
#define GL_INDEX_ARRAY 0x8077
#define GL_TEXTURE_COORD_ARRAY 0x8078
#define GL_EDGE_FLAG_ARRAY 0x8079
#define GL_COMPILE 0x1300
#define GL_COMPILE_AND_EXECUTE 0x1301

// ---- The layer's own control, called by the platform backends -------------------------

// Starts the layer on the current ES 3.0 context: every shader variant compiled and
// linked (nothing compiles later), its buffers, and a back buffer of width x height
// (RGBA colour whose alpha always reads as 1, as on a window without destination
// alpha, and 16-bit depth). False when the context lacks what the layer needs.
bool FixedStartLayer(int width, int height);
// Gives the back buffer a new size; its contents are undefined afterwards.
void FixedResizeBackBuffer(int width, int height);
// Copies the back buffer to the context's default framebuffer, ready for the swap.
void FixedPresent();
// Releases everything the layer made; the context must still be current.
void FixedStopLayer();

// ---- The OpenGL 1.1 entry points ------------------------------------------------------
void FixedMatrixMode(GLenum mode);
void FixedLoadIdentity();
void FixedPushMatrix();
void FixedPopMatrix();
void FixedRotatef(GLfloat angle, GLfloat x, GLfloat y, GLfloat z);
void FixedTranslatef(GLfloat x, GLfloat y, GLfloat z);
void FixedScalef(GLfloat x, GLfloat y, GLfloat z);
void FixedFrustum(GLdouble left, GLdouble right, GLdouble bottom, GLdouble top, GLdouble zNear,
                  GLdouble zFar);
void FixedGetFloatv(GLenum name, GLfloat* values);

void FixedEnable(GLenum capability);
void FixedDisable(GLenum capability);
GLboolean FixedIsEnabled(GLenum capability);
void FixedEnableClientState(GLenum array);
void FixedDisableClientState(GLenum array);
void FixedShadeModel(GLenum mode);
void FixedDepthFunc(GLenum function);
void FixedDepthMask(GLboolean flag);
void FixedBlendFunc(GLenum source, GLenum destination);
void FixedClearColor(GLfloat red, GLfloat green, GLfloat blue, GLfloat alpha);
void FixedClearDepth(GLdouble depth);
void FixedClear(GLbitfield mask);
void FixedViewport(GLint x, GLint y, GLsizei width, GLsizei height);
void FixedScissor(GLint x, GLint y, GLsizei width, GLsizei height);
void FixedFinish();

void FixedColor4f(GLfloat red, GLfloat green, GLfloat blue, GLfloat alpha);
void FixedColor4fv(const GLfloat* colour);
void FixedColor4ub(GLubyte red, GLubyte green, GLubyte blue, GLubyte alpha);
void FixedColor4ubv(const GLubyte* colour);
void FixedVertexPointer(GLint size, GLenum type, GLsizei stride, const void* pointer);
void FixedNormalPointer(GLenum type, GLsizei stride, const void* pointer);
void FixedTexCoordPointer(GLint size, GLenum type, GLsizei stride, const void* pointer);
void FixedColorPointer(GLint size, GLenum type, GLsizei stride, const void* pointer);
void FixedDrawElements(GLenum mode, GLsizei count, GLenum type, const void* indices);

GLuint FixedGenLists(GLsizei range);
void FixedNewList(GLuint list, GLenum mode);
void FixedEndList();
void FixedCallList(GLuint list);

void FixedGenTextures(GLsizei count, GLuint* names);
void FixedBindTexture(GLenum target, GLuint name);
void FixedTexParameteri(GLenum target, GLenum name, GLint value);
void FixedTexEnvi(GLenum target, GLenum name, GLint value);
void FixedTexGeni(GLenum coordinate, GLenum name, GLint value);
void FixedTexImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei width, GLsizei height,
                     GLint border, GLenum format, GLenum type, const void* pixels);
void FixedTexSubImage2D(GLenum target, GLint level, GLint x, GLint y, GLsizei width, GLsizei height,
                        GLenum format, GLenum type, const void* pixels);
void FixedCopyTexImage2D(GLenum target, GLint level, GLenum internalFormat, GLint x, GLint y,
                         GLsizei width, GLsizei height, GLint border);
void FixedPixelStorei(GLenum name, GLint value);
void FixedReadBuffer(GLenum buffer);
void FixedReadPixels(GLint x, GLint y, GLsizei width, GLsizei height, GLenum format, GLenum type,
                     void* pixels);
