// Texels read through a framebuffer. ES headers and desktop GL headers do not mix in one
// file, so this one has the ES side alone.
#if CCA_HAVE_GLES2
#include "tests/gl/es_texels.h"

#include <GLES3/gl31.h>
#include <gtest/gtest.h>

namespace glfix {

std::vector<uint32_t> ESTexels(unsigned name, int level, int& width, int& height) {
    glBindTexture(GL_TEXTURE_2D, name);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH, &width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_HEIGHT, &height);
    glBindTexture(GL_TEXTURE_2D, 0);

    GLuint framebuffer = 0;
    glGenFramebuffers(1, &framebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, name, level);
    EXPECT_EQ(glCheckFramebufferStatus(GL_FRAMEBUFFER), GLenum(GL_FRAMEBUFFER_COMPLETE))
        << "level " << level << " of texture " << name;
    std::vector<uint32_t> texels(static_cast<size_t>(width) * height);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glDeleteFramebuffers(1, &framebuffer);
    return texels;
}

void ESLoseEveryObject() {
    glUseProgram(0);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glBindTexture(GL_TEXTURE_2D, 0);
    for (GLuint name = 1; name < 4096; ++name) {
        if (glIsTexture(name)) glDeleteTextures(1, &name);
        if (glIsBuffer(name)) glDeleteBuffers(1, &name);
        if (glIsProgram(name)) glDeleteProgram(name);
    }
    for (GLuint attribute = 0; attribute < 3; ++attribute)
        glDisableVertexAttribArray(attribute);
    glDisable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ZERO);
    glDisable(GL_SCISSOR_TEST);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glViewport(0, 0, 1, 1);
}

}  // namespace glfix
#endif
