// What the backends do alike, defined once (backend_common.cpp) and called by each
// at its own steps; internal to platform/.
//
// The fixed-function layer: in builds with QV_GL_LAYER every draw goes to the layer's
// own back buffer on an OpenGL ES 3.0 context (WebGL 2 in the browser), and a backend
// that can make such a context (SDL2, the browser) calls these at the matching steps
// of its window. Without the layer they do nothing and the start succeeds.
#pragma once

// Whether the context must be OpenGL ES 3.0 for the layer.
constexpr bool DRAWS_THROUGH_GL_LAYER = QV_GL_LAYER != 0;

// Once the context is current, with the drawable's size in pixels; false when the
// layer cannot run on it (the step then fails as a context that cannot be made
// current).
bool StartGlLayer(int width, int height);
// The drawable has a new size.
void ResizeGlLayer(int width, int height);
// Just before the frame is swapped or handed to the browser.
void PresentGlLayer();
// While the context is still current, before it is released.
void StopGlLayer();
