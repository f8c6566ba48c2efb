// OpenGL 1.1 declarations for the portable code. The system's <GL/gl.h> on Windows
// expects two macros from <windows.h>; defining them here keeps that header out of
// everything outside platform/.
#pragma once

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
