// Test helper: a texture's texels read back through an OpenGL ES context, which has no
// glGetTexImage.
#pragma once

#include <cstdint>
#include <vector>

namespace glfix {

// The RGBA texels of level of texture name, with its size, read in the current ES context
// through a framebuffer. NOTE: the level's size comes from glGetTexLevelParameteriv, an ES 3.1
// call: Mesa answers a request for ES 2.0 with an ES 3.2 context.
std::vector<uint32_t> ESTexels(unsigned name, int level, int& width, int& height);

}  // namespace glfix
