// The OpenGL 2D renderer: GL state, primitives, pixel transfer and textures.
//
// Every primitive is one glBegin/glEnd in immediate mode. Local points are transformed on
// the CPU as shape_geometry.h says; points and lines get half a pixel so they land on pixel
// centres. The projection is one unit per arena pixel over the arena's box in the drawable,
// so everything scales with it; points and lines are made as wide as an arena pixel is.
#include "graphics/gl_renderer.h"

#include <GL/gl.h>

// Windows' own header stops at OpenGL 1.1; every driver since takes the 1.2 edge clamp.
#ifndef GL_CLAMP_TO_EDGE
#define GL_CLAMP_TO_EDGE 0x812F
#endif

#include <algorithm>

#include "graphics/gl_graphics.h"
#include "graphics/image_font.h"
#include "graphics/shape_geometry.h"
#include "graphics/texture_layout.h"
#include "runtime/errors.h"
#include "runtime/program.h"

namespace vdl {

namespace {

struct RendererState {
    GLubyte color[4] = {0, 0, 0, 0};  // sent with every colour or alpha change
    int blendCache = 0;               // last blend mode set; 0 after every SetGraphics
    GLuint boundTexture = 0;          // last texture bound; 0 after every SetGraphics
    bool texturing = false;           // GL_TEXTURE_2D enabled
    ShapeTransform transform;
    Letterbox view;                  // the current surface's arena in its drawable
    PixelRect viewport{0, 0, 1, 1};  // the viewport last set, in arena pixels
    float lineWidth = 1.0f;          // in arena pixels
    GLfloat clearColor[4] = {0, 0, 0, 1};
    bool started = false;
    // Set when the program ends: textures then go with the process instead of being
    // deleted in a context that may already be gone.
    bool exiting = false;
} gl;

void Vertex(float x, float y, float tx, float ty) {
    glVertex2f(gl.transform.X(x, y, tx), gl.transform.Y(x, y, ty));
}

void BindTexture(GLuint name) {
    if (name == gl.boundTexture) return;
    glBindTexture(GL_TEXTURE_2D, name);
    gl.boundTexture = name;
}

void EnableTexturing(GLuint name) {
    BindTexture(name);
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
    GLint maxSize = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
    return width <= maxSize && height <= maxSize;
#endif
    glTexImage2D(GL_PROXY_TEXTURE_2D, 0, 4, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    GLint accepted = 0;
    glGetTexLevelParameteriv(GL_PROXY_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &accepted);
    return accepted != 0;
}

int Clamp255(int v) {
    return std::clamp(v, 0, 255);
}

// The scissor test for the viewport last set, under the current letterbox.
void ApplyScissor() {
    const PixelRect& v = gl.viewport;
    GLWindowBox box;
    if (!ScissorBox(gl.view, v.x, v.y, v.width, v.height, box)) {
        glDisable(GL_SCISSOR_TEST);
        return;
    }
    glEnable(GL_SCISSOR_TEST);
    glScissor(box.x, box.y, box.width, box.height);
}

// One unit per arena pixel with y down, over the arena's box; points and lines as wide as
// arena pixels are; the viewport's scissor box mapped again.
void ApplyLetterbox() {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, gl.view.ArenaWidth(), gl.view.ArenaHeight(), 0, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    const GLWindowBox box = ToGLWindow(gl.view, gl.view.Box());
    glViewport(box.x, box.y, box.width, box.height);
    glPointSize(std::max(gl.view.Scale(), 1.0f));
    glLineWidth(gl.lineWidth * gl.view.Scale());
    ApplyScissor();
}

// Clears the bars around the arena black, whatever the clear colour; the back buffer's
// contents after a swap are undefined, so this runs before every one.
void ClearBars() {
    if (gl.view.FillsDrawable()) return;
    glEnable(GL_SCISSOR_TEST);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    for (const PixelRect& bar : gl.view.Bars()) {
        if (bar.Empty()) continue;
        const GLWindowBox box = ToGLWindow(gl.view, bar);
        glScissor(box.x, box.y, box.width, box.height);
        glClear(GL_COLOR_BUFFER_BIT);
    }
    glClearColor(gl.clearColor[0], gl.clearColor[1], gl.clearColor[2], gl.clearColor[3]);
    ApplyScissor();
}

}  // namespace

TGLImageFrame::~TGLImageFrame() {
    if (seq == 0 || gl.exiting) return;
    {
        SharedContextScope shared(GLContextApi::Desktop);
        glDeleteTextures(1, &name);
    }
    // NOTE: GL may hand the same name to the next texture; a cache still naming it would
    // then skip binding the new one.
    if (gl.boundTexture == name) gl.boundTexture = 0;
    seq = 0;
}

void TGLImageFrame::Draw(float x0, float y0, float x1, float y1, float tx, float ty) {
    EnableTexturing(name);
    glBegin(GL_QUADS);
    glTexCoord2f(uLeft, vTop);
    Vertex(x0, y0, tx, ty);
    glTexCoord2f(uRight, vTop);
    Vertex(x1, y0, tx, ty);
    glTexCoord2f(uRight, vBottom);
    Vertex(x1, y1, tx, ty);
    glTexCoord2f(uLeft, vBottom);
    Vertex(x0, y1, tx, ty);
    glEnd();
}

std::shared_ptr<TGLImageFrame> TGLImageFrame::CreateFromPixmap(const PixmapRef& source, int flags) {
    const TextureLayout layout = LayOutTexture(source, ProxyTakes);
    auto frame = std::make_shared<TGLImageFrame>();
    frame->name = CreateTexture(layout.pixels->width, layout.pixels->height, flags);
    UploadTexture(layout.pixels, flags);
    frame->uRight = layout.uRight;
    frame->vBottom = layout.vBottom;
    frame->seq = graphicsSeq;
    return frame;
}

void TGLVex2DDriver::SetGraphics(const std::shared_ptr<TGraphics>& g) {
    const auto surface = std::dynamic_pointer_cast<TVex2DGraphics>(g);
    if (!surface) {
        GLContextDriver()->SetGraphics(nullptr);
        TVex2DGraphics::ClearCurrent();
        return;
    }
    GLContextDriver()->SetGraphics(surface->graphics);

    gl.blendCache = 0;
    gl.boundTexture = 0;
    gl.texturing = false;
    glDisable(GL_TEXTURE_2D);

    gl.view = SurfaceLetterbox(*surface);
    gl.viewport = {0, 0, gl.view.ArenaWidth(), gl.view.ArenaHeight()};
    ApplyLetterbox();

    surface->MakeCurrent();
    surface->ApplyState();
}

void TGLVex2DDriver::Flip(int sync) {
    ClearBars();
    GLContextDriver()->Flip(sync);

    // The window may have been resized or gone full screen since the last frame.
    const std::shared_ptr<TVex2DGraphics> surface = TVex2DGraphics::Current();
    if (!surface || surface->driver.get() != this) return;
    const Letterbox now = SurfaceLetterbox(*surface);
    if (now == gl.view) return;
    gl.view = now;
    ApplyLetterbox();
}

std::shared_ptr<TImageFrame> TGLVex2DDriver::CreateFrameFromPixmap(const PixmapRef& pixmap,
                                                                   int flags) {
    if (!pixmap) return nullptr;
    SharedContextScope shared(GLContextApi::Desktop);
    return TGLImageFrame::CreateFromPixmap(pixmap, flags);
}

void TGLVex2DDriver::SetBlend(int mode) {
    if (mode == gl.blendCache) return;
    gl.blendCache = mode;
    switch (mode) {
        case MASKBLEND:
            glDisable(GL_BLEND);
            glEnable(GL_ALPHA_TEST);
            glAlphaFunc(GL_GEQUAL, 0.5f);
            break;
        case ALPHABLEND:
            glEnable(GL_BLEND);
            glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
            glDisable(GL_ALPHA_TEST);
            break;
        case LIGHTBLEND:
            glEnable(GL_BLEND);
            glBlendFunc(GL_SRC_ALPHA, GL_ONE);
            glDisable(GL_ALPHA_TEST);
            break;
        case SHADEBLEND:
            glEnable(GL_BLEND);
            glBlendFunc(GL_DST_COLOR, GL_ZERO);
            glDisable(GL_ALPHA_TEST);
            break;
        default:  // SOLIDBLEND and anything unknown
            glDisable(GL_BLEND);
            glDisable(GL_ALPHA_TEST);
            break;
    }
}

void TGLVex2DDriver::SetAlpha(float alpha) {
    alpha = std::clamp(alpha, 0.0f, 1.0f);
    gl.color[3] = static_cast<GLubyte>(alpha * 255.0f);
    glColor4ubv(gl.color);
}

void TGLVex2DDriver::SetColor(int r, int g, int b) {
    gl.color[0] = static_cast<GLubyte>(Clamp255(r));
    gl.color[1] = static_cast<GLubyte>(Clamp255(g));
    gl.color[2] = static_cast<GLubyte>(Clamp255(b));
    glColor4ubv(gl.color);
}

void TGLVex2DDriver::SetClsColor(int r, int g, int b) {
    gl.clearColor[0] = Clamp255(r) / 255.0f;
    gl.clearColor[1] = Clamp255(g) / 255.0f;
    gl.clearColor[2] = Clamp255(b) / 255.0f;
    glClearColor(gl.clearColor[0], gl.clearColor[1], gl.clearColor[2], gl.clearColor[3]);
}

void TGLVex2DDriver::SetViewport(int x, int y, int width, int height) {
    gl.viewport = {x, y, width, height};
    ApplyScissor();
}

void TGLVex2DDriver::SetTransform(float ix, float iy, float jx, float jy) {
    gl.transform = {ix, iy, jx, jy};
}

void TGLVex2DDriver::SetLineWidth(float width) {
    gl.lineWidth = width;
    glLineWidth(width * gl.view.Scale());
}

void TGLVex2DDriver::Cls() {
    glClear(GL_COLOR_BUFFER_BIT);
}

void TGLVex2DDriver::Plot(float x, float y) {
    DisableTexturing();
    glBegin(GL_POINTS);
    glVertex2f(x + 0.5f, y + 0.5f);
    glEnd();
}

void TGLVex2DDriver::DrawLine(float x0, float y0, float x1, float y1, float tx, float ty) {
    DisableTexturing();
    glBegin(GL_LINES);
    Vertex(x0, y0, tx + 0.5f, ty + 0.5f);
    Vertex(x1, y1, tx + 0.5f, ty + 0.5f);
    glEnd();
}

void TGLVex2DDriver::DrawRect(float x0, float y0, float x1, float y1, float tx, float ty) {
    DisableTexturing();
    glBegin(GL_QUADS);
    Vertex(x0, y0, tx, ty);
    Vertex(x1, y0, tx, ty);
    Vertex(x1, y1, tx, ty);
    Vertex(x0, y1, tx, ty);
    glEnd();
}

void TGLVex2DDriver::DrawOval(float x0, float y0, float x1, float y1, float tx, float ty) {
    DisableTexturing();
    glBegin(GL_POLYGON);
    ForEachOvalVertex(x0, y0, x1, y1, [tx, ty](float x, float y) { Vertex(x, y, tx, ty); });
    glEnd();
}

void TGLVex2DDriver::DrawPoly(const std::vector<float>& points, float handleX, float handleY,
                              float originX, float originY) {
    if (points.size() < 6 || points.size() % 2 != 0) return;
    DisableTexturing();
    glBegin(GL_POLYGON);
    for (size_t i = 0; i < points.size(); i += 2) {
        Vertex(handleX + points[i], handleY + points[i + 1], originX, originY);
    }
    glEnd();
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

PixmapRef TGLVex2DDriver::GrabPixmap(int x, int y, int width, int height) {
    const int blend = gl.blendCache;
    SetBlend(SOLIDBLEND);
    // The drawable pixels under the rectangle, shrunk to arena pixels when scaled.
    const PixelRect arena{x, y, width, height};
    const PixelRect mapped = gl.view.Map(arena);
    const GLWindowBox box = ToGLWindow(gl.view, mapped);
    PixmapRef pixmap = TPixmap::Create(mapped.width, mapped.height, PF_RGBA8888, 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(box.x, box.y, box.width, box.height, GL_RGBA, GL_UNSIGNED_BYTE, pixmap->pixels);
    SetBlend(blend);
    PixmapRef grab = FlipPixmapY(pixmap);
    if (mapped.width == width && mapped.height == height) return grab;
    return gl.view.ShrinkGrab(grab, arena);
}

std::shared_ptr<TGLVex2DDriver> GLDriver2D() {
    static const auto driver = std::make_shared<TGLVex2DDriver>();
    return driver;
}

void StartGLRenderer() {
    if (gl.started) return;
    gl.started = true;
    // Every surface gets the built-in font, so the font module starts first.
    StartImageFonts();
    std::fill(std::begin(gl.color), std::end(gl.color), 0);
    AddExitRoutine([] { gl.exiting = true; });
    SelectGraphicsDriver(GLDriver2D(), kGraphicsBackBuffer);
}

unsigned CreateTexture(int width, int height, int flags) {
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    const bool mipmapped = (flags & MIPMAPPED_IMAGE) != 0;
    if (flags & FILTERED_IMAGE) {
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER,
                        mipmapped ? GL_LINEAR_MIPMAP_LINEAR : GL_LINEAR);
    } else {
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER,
                        mipmapped ? GL_NEAREST_MIPMAP_NEAREST : GL_NEAREST);
    }
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
