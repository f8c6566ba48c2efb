// The OpenGL 1.1 names of the fixed-function layer's entry points, for the portable
// code only: the layer's own sources call the real OpenGL ES functions and never
// include this header.
#pragma once

#include "platform/gles/fixed_function.h"

#define glMatrixMode FixedMatrixMode
#define glLoadIdentity FixedLoadIdentity
#define glPushMatrix FixedPushMatrix
#define glPopMatrix FixedPopMatrix
#define glRotatef FixedRotatef
#define glTranslatef FixedTranslatef
#define glScalef FixedScalef
#define glFrustum FixedFrustum
#define glGetFloatv FixedGetFloatv
#define glEnable FixedEnable
#define glDisable FixedDisable
#define glIsEnabled FixedIsEnabled
#define glEnableClientState FixedEnableClientState
#define glDisableClientState FixedDisableClientState
#define glShadeModel FixedShadeModel
#define glDepthFunc FixedDepthFunc
#define glDepthMask FixedDepthMask
#define glBlendFunc FixedBlendFunc
#define glClearColor FixedClearColor
#define glClearDepth FixedClearDepth
#define glClear FixedClear
#define glViewport FixedViewport
#define glScissor FixedScissor
#define glFinish FixedFinish
#define glColor4f FixedColor4f
#define glColor4fv FixedColor4fv
#define glColor4ub FixedColor4ub
#define glColor4ubv FixedColor4ubv
#define glVertexPointer FixedVertexPointer
#define glNormalPointer FixedNormalPointer
#define glTexCoordPointer FixedTexCoordPointer
#define glColorPointer FixedColorPointer
#define glDrawElements FixedDrawElements
#define glGenLists FixedGenLists
#define glNewList FixedNewList
#define glEndList FixedEndList
#define glCallList FixedCallList
#define glGenTextures FixedGenTextures
#define glBindTexture FixedBindTexture
#define glTexParameteri FixedTexParameteri
#define glTexEnvi FixedTexEnvi
#define glTexGeni FixedTexGeni
#define glTexImage2D FixedTexImage2D
#define glTexSubImage2D FixedTexSubImage2D
#define glCopyTexImage2D FixedCopyTexImage2D
#define glPixelStorei FixedPixelStorei
#define glReadBuffer FixedReadBuffer
#define glReadPixels FixedReadPixels
