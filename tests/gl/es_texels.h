// Test helpers on the ES side: a texture's texels read back through an OpenGL ES context,
// which has no glGetTexImage, and a stand-in for a lost context.
#pragma once

#include <cstdint>
#include <vector>

namespace glfix {

// The RGBA texels of level of texture name, with its size, read in the current ES context
// through a framebuffer. NOTE: the level's size comes from glGetTexLevelParameteriv, an ES 3.1
// call: Mesa answers a request for ES 2.0 with an ES 3.2 context.
std::vector<uint32_t> ESTexels(unsigned name, int level, int& width, int& height);

// What losing the ES context does to what was made in it: every texture, buffer and program
// with a name below 4096 is deleted, and the state the renderer sets is back at a new
// context's defaults.
void ESLoseEveryObject();

}  // namespace glfix
