// TEMPORARY shim until the batching renderer lands.
#pragma once
#include "graphics/gl_renderer.h"
namespace vdl {
inline void StartGLES2Renderer() { StartGLRenderer(); }
inline std::shared_ptr<TGLVex2DDriver> GLES2Driver2D() { return GLDriver2D(); }
}
