// The OpenGL 2D renderer: GL state, primitives, pixel transfer and textures.
//
// Every primitive is one glBegin/glEnd in immediate mode, at the vertices the core gives
// (shape_geometry.h). The projection is one unit per arena pixel over the arena's box in the
// drawable, so everything scales with it; points and lines are made as wide as an arena pixel
// is.
#include "graphics/gl_renderer.h"

#include <GL/gl.h>

#include <algorithm>

#include "graphics/texture_layout.h"

namespace vdl {

namespace {

struct RendererState : GLRendererCore {
    bool texturing = false;  // GL_TEXTURE_2D enabled
} gl;

void EnableTexturing(GLuint name) {
    gl.BindTexture(name);
    if (gl.texturing) return;
    glEnable(GL_TEXTURE_2D);
    gl.texturing = true;
}

void DisableTexturing() {
    if (!gl.texturing) return;
    glDisable(GL_TEXTURE_2D);
    gl.texturing = false;
}

// Whether GL takes an RGBA texture of this size, asked through the proxy texture. The
// browser's emulation of OpenGL 1.1 (which only the benchmark builds on) has no proxy: there
// the largest size WebGL names is the answer.
bool ProxyTakes(int width, int height) {
#ifdef __EMSCRIPTEN__
    const int maxSize = MaxTextureSize();
    return width <= maxSize && height <= maxSize;
#endif
    glTexImage2D(GL_PROXY_TEXTURE_2D, 0, 4, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    GLint accepted = 0;
    glGetTexLevelParameteriv(GL_PROXY_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &accepted);
    return accepted != 0;
}

void TexturedVertex(float u, float v, float x, float y, float tx, float ty) {
    glTexCoord2f(u, v);
    glVertex2f(gl.transform.X(x, y, tx), gl.transform.Y(x, y, ty));
}

}  // namespace

TGLImageFrame::~TGLImageFrame() {
    if (seq == 0 || gl.exiting) return;
    gl.DeleteTexture(name, GLContextApi::Desktop);
    seq = 0;
}

void TGLImageFrame::Draw(float x0, float y0, float x1, float y1, float tx, float ty) {
    EnableTexturing(name);
    glBegin(GL_QUADS);
    TexturedVertex(uLeft, vTop, x0, y0, tx, ty);
    TexturedVertex(uRight, vTop, x1, y0, tx, ty);
    TexturedVertex(uRight, vBottom, x1, y1, tx, ty);
    TexturedVertex(uLeft, vBottom, x0, y1, tx, ty);
    glEnd();
}

TGLVex2DDriver::TGLVex2DDriver() : TGLVex2DDriverBase(GLContextApi::Desktop, gl) {}

void TGLVex2DDriver::SetUpContext() {
    gl.texturing = false;
    glDisable(GL_TEXTURE_2D);
}

void TGLVex2DDriver::ApplyProjection() {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, gl.view.ArenaWidth(), gl.view.ArenaHeight(), 0, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glPointSize(std::max(gl.view.Scale(), 1.0f));
    ApplyLineWidth();
}

void TGLVex2DDriver::SetAlphaTest(bool on) {
    if (!on) {
        glDisable(GL_ALPHA_TEST);
        return;
    }
    glEnable(GL_ALPHA_TEST);
    glAlphaFunc(GL_GEQUAL, 0.5f);
}

void TGLVex2DDriver::ApplyColor() {
    glColor4ubv(gl.color);
}

void TGLVex2DDriver::ApplyLineWidth() {
    glLineWidth(gl.lineWidth * gl.view.Scale());
}

void TGLVex2DDriver::DrawPoint(float x, float y) {
    DisableTexturing();
    glBegin(GL_POINTS);
    glVertex2f(x, y);
    glEnd();
}

void TGLVex2DDriver::DrawSegment(float x0, float y0, float x1, float y1) {
    DisableTexturing();
    glBegin(GL_LINES);
    glVertex2f(x0, y0);
    glVertex2f(x1, y1);
    glEnd();
}

void TGLVex2DDriver::DrawPolygon(const float* corners, int count, bool quad) {
    DisableTexturing();
    glBegin(quad ? GL_QUADS : GL_POLYGON);
    for (int i = 0; i < count; ++i)
        glVertex2f(corners[2 * i], corners[2 * i + 1]);
    glEnd();
}

std::shared_ptr<TImageFrame> TGLVex2DDriver::CreateFrameFromPixmap(const PixmapRef& pixmap,
                                                                   int flags) {
    if (!pixmap) return nullptr;
    SharedContextScope shared(GLContextApi::Desktop);
    const TextureLayout layout = LayOutTexture(pixmap, ProxyTakes);
    auto frame = std::make_shared<TGLImageFrame>();
    frame->name = CreateTexture(layout.pixels->width, layout.pixels->height, flags);
    UploadTexture(layout.pixels, flags);
    frame->uRight = layout.uRight;
    frame->vBottom = layout.vBottom;
    frame->seq = graphicsSeq;
    return frame;
}

void TGLVex2DDriver::DrawPixmap(const PixmapRef& pixmap, int x, int y) {
    const int blend = gl.blendCache;
    DisableTexturing();
    SetBlend(SOLIDBLEND);
    PixmapRef flipped = FlipPixmapY(pixmap);
    if (flipped->format != PF_RGBA8888) flipped = flipped->Convert(PF_RGBA8888);

    // The raster position starts at the arena's top-left corner and moves in drawable pixels
    // (y up); each arena pixel is zoomed to the drawable pixels it covers.
    const PixelRect& box = gl.view.Box();
    const float zoomX = static_cast<float>(box.width) / static_cast<float>(gl.view.ArenaWidth());
    const float zoomY = static_cast<float>(box.height) / static_cast<float>(gl.view.ArenaHeight());
    glRasterPos2i(0, 0);
    glBitmap(0, 0, 0, 0, static_cast<float>(x) * zoomX,
             static_cast<float>(-y - pixmap->height) * zoomY, nullptr);
    glPixelZoom(zoomX, zoomY);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, flipped->pitch / 4);
    glDrawPixels(flipped->width, flipped->height, GL_RGBA, GL_UNSIGNED_BYTE, flipped->pixels);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelZoom(1.0f, 1.0f);
    SetBlend(blend);
}

std::shared_ptr<TGLVex2DDriver> GLDriver2D() {
    static const auto driver = std::make_shared<TGLVex2DDriver>();
    return driver;
}

void StartGLRenderer() {
    GLDriver2D()->Start();
}

unsigned CreateTexture(int width, int height, int flags) {
    const bool mipmapped = (flags & MIPMAPPED_IMAGE) != 0;
    const GLuint name = GenTexture((flags & FILTERED_IMAGE) != 0, mipmapped);
    for (int level = 0;; ++level) {
        glTexImage2D(GL_TEXTURE_2D, level, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                     nullptr);
        if (!mipmapped || (width == 1 && height == 1)) break;
        if (width > 1) width /= 2;
        if (height > 1) height /= 2;
    }
    return name;
}

void UploadTexture(const PixmapRef& pixmap, int flags) {
    int n = 0;
    for (PixmapRef level = pixmap; level; level = NextMipLevel(level), ++n) {
        glPixelStorei(GL_UNPACK_ROW_LENGTH, level->pitch / BytesPerPixel(level->format));
        glTexSubImage2D(GL_TEXTURE_2D, n, 0, 0, level->width, level->height, GL_RGBA,
                        GL_UNSIGNED_BYTE, level->pixels);
        if (!(flags & MIPMAPPED_IMAGE)) break;
    }
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
}

}  // namespace vdl
