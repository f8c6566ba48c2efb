// OpenGL 1.1 declarations for the portable code: the system's <GL/gl.h>, or, in
// builds with QV_GL_LAYER (the browser, and the native build that checks the layer
// against the driver), the same calls implemented by platform/gles on OpenGL ES 3.0.
#pragma once

#if QV_GL_LAYER
#include "platform/gles/gl_names.h"
#else

// The system's <GL/gl.h> on Windows expects two macros from <windows.h>; defining
// them here keeps that header out of everything outside platform/.
#if defined(_WIN32)
#include <cstddef>
#ifndef APIENTRY
#define APIENTRY __stdcall
#endif
#ifndef WINGDIAPI
#define WINGDIAPI __declspec(dllimport)
#endif
#endif

#include <GL/gl.h>
#endif
