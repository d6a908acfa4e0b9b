// The OpenGL ES 2 renderer: the shaders, the batch, GL state, pixel transfer and textures.
//
// The batch is an array of vertices already in screen pixels, with their texture
// coordinates and colour, and the list of runs that split it by primitive type. Drawing it
// uploads the whole array into the one vertex buffer (WebGL draws from buffers only) and
// makes one call per run. Everything a run needs beside its vertices is GL state that stays
// put while the batch grows: whoever changes it draws the batch first.
#include "graphics/gles2_renderer.h"

#include <GLES2/gl2.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

#include "graphics/gl_graphics.h"
#include "graphics/image_font.h"
#include "graphics/shape_geometry.h"
#include "graphics/texture_layout.h"
#include "runtime/errors.h"
#include "runtime/program.h"

namespace vdl {

namespace {

constexpr GLContextApi kApi = GLContextApi::ES2;

// Positions arrive in arena pixels, y down; u_scale (2 / width, -2 / height) and the offset
// take them to clip space as glOrtho(0, width, height, 0, -1, 1) does, with the same
// factors, and the GL viewport is the arena's box in the drawable. A point is as wide as an
// arena pixel is (u_pointSize drawable pixels).
const char* const kVertexShader = R"(
uniform vec2 u_scale;
uniform float u_pointSize;
attribute vec2 a_position;
attribute vec2 a_texCoord;
attribute vec4 a_color;
varying vec2 v_texCoord;
varying vec4 v_color;
void main() {
    gl_Position = vec4(a_position * u_scale + vec2(-1.0, 1.0), 0.0, 1.0);
    gl_PointSize = u_pointSize;
    v_texCoord = a_texCoord;
    v_color = a_color;
}
)";

// The texel modulated by the colour, as fixed function's GL_MODULATE; MASKBLEND's alpha
// test keeps what reaches 0.5.
// NOTE: the sampler is made highp too: by default texture2D() gives lowp, which Mesa computes
// in half floats, and a product of two 8-bit values then rounds one step off now and then.
const char* const kFragmentShader = R"(
#ifdef GL_FRAGMENT_PRECISION_HIGH
precision highp float;
precision highp sampler2D;
#else
precision mediump float;
#endif
uniform sampler2D u_texture;
uniform bool u_textured;
uniform bool u_alphaTest;
varying vec2 v_texCoord;
varying vec4 v_color;
void main() {
    vec4 color = v_color;
    if (u_textured) color *= texture2D(u_texture, v_texCoord);
    if (u_alphaTest && color.a < 0.5) discard;
    gl_FragColor = color;
}
)";

// Attribute locations, bound before linking.
constexpr GLuint kPosition = 0;
constexpr GLuint kTexCoord = 1;
constexpr GLuint kColor = 2;

struct BatchVertex {
    float x, y;  // screen pixels
    float u, v;
    GLubyte color[4];
};

// Vertices first to first + count of the batch, drawn by one call.
struct Run {
    GLenum mode;  // GL_TRIANGLES, GL_LINES or GL_POINTS
    GLint first;
    GLsizei count;
};

constexpr GLubyte kOpaqueWhite[4] = {255, 255, 255, 255};

struct RendererState {
    GLubyte color[4] = {0, 0, 0, 0};  // copied into every vertex
    ShapeTransform transform;
    float lineWidth = 1.0f;
    int blendCache = 0;        // last blend mode set; 0 after every SetGraphics
    GLuint boundTexture = 0;   // last texture bound; 0 after every SetGraphics
    int texturedUniform = -1;  // last u_textured sent; -1 after every SetGraphics

    // The batch: every run draws with batchTexture (0: untextured).
    std::vector<BatchVertex> vertices;
    std::vector<Run> runs;
    GLuint batchTexture = 0;
    std::vector<BatchVertex> fan;  // corners of the oval or polygon being added

    // Made once in the shared context, used by every window.
    GLuint program = 0;
    GLuint buffer = 0;
    GLuint pixmapTexture = 0;  // DrawPixmap's, refilled by each call
    GLint uScale = -1, uPointSize = -1, uTexture = -1, uTextured = -1, uAlphaTest = -1;

    Letterbox view;                  // the current surface's arena in its drawable
    PixelRect viewport{0, 0, 1, 1};  // the viewport last set, in arena pixels
    GLfloat clearColor[4] = {0, 0, 0, 1};

    int drawCalls = 0;  // since the last flip
    int lastFrameDrawCalls = 0;
    bool started = false;
    // Set when the program ends: textures then go with the process instead of being
    // deleted in a context that may already be gone.
    bool exiting = false;
} es;

int Clamp255(int v) {
    return std::clamp(v, 0, 255);
}

// Raises an error with GL's log when a shader or the program did not build.
template <typename GetParameter, typename GetLog>
void RequireBuilt(GLuint object, GLenum status, GetParameter getParameter, GetLog getLog,
                  const char* failure) {
    GLint built = 0;
    getParameter(object, status, &built);
    if (built) return;
    char log[1024] = "";
    getLog(object, sizeof log, nullptr, log);
    RuntimeError(std::string("OpenGL ES 2 renderer: ") + failure + ": " + log);
}

GLuint CompileShader(GLenum type, const char* source) {
    const GLuint shader = glCreateShader(type);
    glShaderSource(shader, 1, &source, nullptr);
    glCompileShader(shader);
    RequireBuilt(shader, GL_COMPILE_STATUS, glGetShaderiv, glGetShaderInfoLog,
                 "a shader does not compile");
    return shader;
}

// Makes the program, the vertex buffer and DrawPixmap's texture in the shared context, once.
void EnsureProgram() {
    if (es.program) return;
    SharedContextScope shared(kApi);
    const GLuint vertex = CompileShader(GL_VERTEX_SHADER, kVertexShader);
    const GLuint fragment = CompileShader(GL_FRAGMENT_SHADER, kFragmentShader);
    const GLuint program = glCreateProgram();
    glAttachShader(program, vertex);
    glAttachShader(program, fragment);
    glBindAttribLocation(program, kPosition, "a_position");
    glBindAttribLocation(program, kTexCoord, "a_texCoord");
    glBindAttribLocation(program, kColor, "a_color");
    glLinkProgram(program);
    glDeleteShader(vertex);
    glDeleteShader(fragment);
    RequireBuilt(program, GL_LINK_STATUS, glGetProgramiv, glGetProgramInfoLog,
                 "the shaders do not link");
    es.uScale = glGetUniformLocation(program, "u_scale");
    es.uPointSize = glGetUniformLocation(program, "u_pointSize");
    es.uTexture = glGetUniformLocation(program, "u_texture");
    es.uTextured = glGetUniformLocation(program, "u_textured");
    es.uAlphaTest = glGetUniformLocation(program, "u_alphaTest");

    glGenBuffers(1, &es.buffer);
    glGenTextures(1, &es.pixmapTexture);
    glBindTexture(GL_TEXTURE_2D, es.pixmapTexture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glBindTexture(GL_TEXTURE_2D, 0);
    glFlush();
    es.program = program;
}

void BindTexture(GLuint name) {
    if (name == es.boundTexture) return;
    glBindTexture(GL_TEXTURE_2D, name);
    es.boundTexture = name;
}

// Draws the batch and empties it.
void Flush() {
    if (es.vertices.empty()) return;
    const int textured = es.batchTexture != 0 ? 1 : 0;
    if (textured) BindTexture(es.batchTexture);
    if (textured != es.texturedUniform) {
        glUniform1i(es.uTextured, textured);
        es.texturedUniform = textured;
    }
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(es.vertices.size() * sizeof(BatchVertex)),
                 es.vertices.data(), GL_STREAM_DRAW);
    for (const Run& run : es.runs) {
        glDrawArrays(run.mode, run.first, run.count);
        ++es.drawCalls;
    }
    es.vertices.clear();
    es.runs.clear();
}

// Room for count more vertices of a primitive type drawn with texture (0: none); a batch
// drawn with another texture is drawn first.
BatchVertex* Reserve(GLenum mode, GLuint texture, int count) {
    if (texture != es.batchTexture) {
        Flush();
        es.batchTexture = texture;
    }
    const auto first = static_cast<GLint>(es.vertices.size());
    if (es.runs.empty() || es.runs.back().mode != mode) es.runs.push_back({mode, first, 0});
    es.runs.back().count += count;
    es.vertices.resize(es.vertices.size() + static_cast<std::size_t>(count));
    return &es.vertices[static_cast<std::size_t>(first)];
}

BatchVertex ScreenVertex(float x, float y, float u = 0.0f, float v = 0.0f,
                         const GLubyte* color = es.color) {
    BatchVertex vertex{x, y, u, v, {}};
    std::memcpy(vertex.color, color, sizeof vertex.color);
    return vertex;
}

// A local point through the transform, translated by (tx, ty).
BatchVertex LocalVertex(float x, float y, float tx, float ty, float u = 0.0f, float v = 0.0f) {
    return ScreenVertex(es.transform.X(x, y, tx), es.transform.Y(x, y, ty), u, v);
}

// The scissor test for the viewport last set, under the current letterbox.
void ApplyScissor() {
    const PixelRect& v = es.viewport;
    GLWindowBox box;
    if (!ScissorBox(es.view, v.x, v.y, v.width, v.height, box)) {
        glDisable(GL_SCISSOR_TEST);
        return;
    }
    glEnable(GL_SCISSOR_TEST);
    glScissor(box.x, box.y, box.width, box.height);
}

// Arena pixels to clip space over the arena's box, points as wide as arena pixels are, the
// viewport's scissor box mapped again. The program must be in use.
void ApplyLetterbox() {
    glUniform2f(es.uScale, 2.0f / static_cast<float>(es.view.ArenaWidth()),
                -2.0f / static_cast<float>(es.view.ArenaHeight()));
    glUniform1f(es.uPointSize, std::max(es.view.Scale(), 1.0f));
    const GLWindowBox box = ToGLWindow(es.view, es.view.Box());
    glViewport(box.x, box.y, box.width, box.height);
    ApplyScissor();
}

// Clears the bars around the arena black, whatever the clear colour; the back buffer's
// contents after a swap are undefined, so this runs before every one.
void ClearBars() {
    if (es.view.FillsDrawable()) return;
    glEnable(GL_SCISSOR_TEST);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    for (const PixelRect& bar : es.view.Bars()) {
        if (bar.Empty()) continue;
        const GLWindowBox box = ToGLWindow(es.view, bar);
        glScissor(box.x, box.y, box.width, box.height);
        glClear(GL_COLOR_BUFFER_BIT);
    }
    glClearColor(es.clearColor[0], es.clearColor[1], es.clearColor[2], es.clearColor[3]);
    ApplyScissor();
}

// Adds the polygon through count corners as the triangles fanning out of the first, as GL
// splits GL_POLYGON and GL_QUADS.
void AddFan(const BatchVertex* corners, int count, GLuint texture) {
    if (count < 3) return;
    BatchVertex* out = Reserve(GL_TRIANGLES, texture, 3 * (count - 2));
    for (int i = 1; i + 1 < count; ++i) {
        *out++ = corners[0];
        *out++ = corners[i];
        *out++ = corners[i + 1];
    }
}

}  // namespace

TGLES2ImageFrame::~TGLES2ImageFrame() {
    if (seq == 0 || es.exiting) return;
    // The batch may still draw with this texture: it must reach GL before the name goes.
    if (es.batchTexture == name) {
        Flush();
        es.batchTexture = 0;
    }
    {
        SharedContextScope shared(kApi);
        glDeleteTextures(1, &name);
    }
    // NOTE: GL may hand the same name to the next texture; a cache still naming it would
    // then skip binding the new one.
    if (es.boundTexture == name) es.boundTexture = 0;
    seq = 0;
}

void TGLES2ImageFrame::Draw(float x0, float y0, float x1, float y1, float tx, float ty) {
    const BatchVertex corners[4] = {
        LocalVertex(x0, y0, tx, ty, uLeft, vTop),
        LocalVertex(x1, y0, tx, ty, uRight, vTop),
        LocalVertex(x1, y1, tx, ty, uRight, vBottom),
        LocalVertex(x0, y1, tx, ty, uLeft, vBottom),
    };
    AddFan(corners, 4, name);
}

std::shared_ptr<TGLES2ImageFrame> TGLES2ImageFrame::CreateFromPixmap(const PixmapRef& source,
                                                                     int flags) {
    GLint maxSize = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
    const TextureLayout layout =
        LayOutTexture(source, [maxSize](int w, int h) { return w <= maxSize && h <= maxSize; });

    auto frame = std::make_shared<TGLES2ImageFrame>();
    glGenTextures(1, &frame->name);
    glBindTexture(GL_TEXTURE_2D, frame->name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    const bool mipmapped = (flags & MIPMAPPED_IMAGE) != 0;
    const bool filtered = (flags & FILTERED_IMAGE) != 0;
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filtered ? GL_LINEAR : GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER,
                    filtered ? (mipmapped ? GL_LINEAR_MIPMAP_LINEAR : GL_LINEAR)
                             : (mipmapped ? GL_NEAREST_MIPMAP_NEAREST : GL_NEAREST));
    int n = 0;
    for (PixmapRef level = layout.pixels; level; level = NextMipLevel(level), ++n) {
        glTexImage2D(GL_TEXTURE_2D, n, GL_RGBA, level->width, level->height, 0, GL_RGBA,
                     GL_UNSIGNED_BYTE, level->pixels);
        if (!mipmapped) break;
    }
    glBindTexture(GL_TEXTURE_2D, 0);
    // NOTE: another context may only use what this one made once its commands were flushed.
    glFlush();

    frame->uRight = layout.uRight;
    frame->vBottom = layout.vBottom;
    frame->seq = graphicsSeq;
    return frame;
}

void TGLES2Vex2DDriver::SetGraphics(const std::shared_ptr<TGraphics>& g) {
    Flush();
    const auto surface = std::dynamic_pointer_cast<TVex2DGraphics>(g);
    if (!surface) {
        GLContextDriver(kApi)->SetGraphics(nullptr);
        TVex2DGraphics::ClearCurrent();
        return;
    }
    GLContextDriver(kApi)->SetGraphics(surface->graphics);
    EnsureProgram();

    es.blendCache = 0;
    es.boundTexture = 0;
    es.texturedUniform = -1;
    es.batchTexture = 0;

    // The program is shared; which one is in use, the buffer binding and the attribute
    // arrays belong to each context.
    glUseProgram(es.program);
    glBindBuffer(GL_ARRAY_BUFFER, es.buffer);
    glVertexAttribPointer(kPosition, 2, GL_FLOAT, GL_FALSE, sizeof(BatchVertex),
                          reinterpret_cast<const void*>(offsetof(BatchVertex, x)));
    glVertexAttribPointer(kTexCoord, 2, GL_FLOAT, GL_FALSE, sizeof(BatchVertex),
                          reinterpret_cast<const void*>(offsetof(BatchVertex, u)));
    glVertexAttribPointer(kColor, 4, GL_UNSIGNED_BYTE, GL_TRUE, sizeof(BatchVertex),
                          reinterpret_cast<const void*>(offsetof(BatchVertex, color)));
    glEnableVertexAttribArray(kPosition);
    glEnableVertexAttribArray(kTexCoord);
    glEnableVertexAttribArray(kColor);
    glActiveTexture(GL_TEXTURE0);
    glUniform1i(es.uTexture, 0);
    es.view = SurfaceLetterbox(*surface);
    es.viewport = {0, 0, es.view.ArenaWidth(), es.view.ArenaHeight()};
    ApplyLetterbox();

    surface->MakeCurrent();
    surface->ApplyState();
}

void TGLES2Vex2DDriver::Flip(int sync) {
    Flush();
    ClearBars();
    GLContextDriver(kApi)->Flip(sync);
    es.lastFrameDrawCalls = es.drawCalls;
    es.drawCalls = 0;

    // The window may have been resized or gone full screen since the last frame.
    const std::shared_ptr<TVex2DGraphics> surface = TVex2DGraphics::Current();
    if (!surface || surface->driver.get() != this) return;
    const Letterbox now = SurfaceLetterbox(*surface);
    if (now == es.view) return;
    es.view = now;
    ApplyLetterbox();
}

std::shared_ptr<TImageFrame> TGLES2Vex2DDriver::CreateFrameFromPixmap(const PixmapRef& pixmap,
                                                                      int flags) {
    if (!pixmap) return nullptr;
    SharedContextScope shared(kApi);
    return TGLES2ImageFrame::CreateFromPixmap(pixmap, flags);
}

void TGLES2Vex2DDriver::SetBlend(int mode) {
    if (mode == es.blendCache) return;
    Flush();
    es.blendCache = mode;
    glUniform1i(es.uAlphaTest, mode == MASKBLEND ? 1 : 0);
    switch (mode) {
        case ALPHABLEND:
            glEnable(GL_BLEND);
            glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
            break;
        case LIGHTBLEND:
            glEnable(GL_BLEND);
            glBlendFunc(GL_SRC_ALPHA, GL_ONE);
            break;
        case SHADEBLEND:
            glEnable(GL_BLEND);
            glBlendFunc(GL_DST_COLOR, GL_ZERO);
            break;
        default:  // MASKBLEND, SOLIDBLEND and anything unknown
            glDisable(GL_BLEND);
            break;
    }
}

void TGLES2Vex2DDriver::SetAlpha(float alpha) {
    alpha = std::clamp(alpha, 0.0f, 1.0f);
    es.color[3] = static_cast<GLubyte>(alpha * 255.0f);
}

void TGLES2Vex2DDriver::SetColor(int r, int g, int b) {
    es.color[0] = static_cast<GLubyte>(Clamp255(r));
    es.color[1] = static_cast<GLubyte>(Clamp255(g));
    es.color[2] = static_cast<GLubyte>(Clamp255(b));
}

void TGLES2Vex2DDriver::SetClsColor(int r, int g, int b) {
    es.clearColor[0] = Clamp255(r) / 255.0f;
    es.clearColor[1] = Clamp255(g) / 255.0f;
    es.clearColor[2] = Clamp255(b) / 255.0f;
    glClearColor(es.clearColor[0], es.clearColor[1], es.clearColor[2], es.clearColor[3]);
}

void TGLES2Vex2DDriver::SetViewport(int x, int y, int width, int height) {
    Flush();
    es.viewport = {x, y, width, height};
    ApplyScissor();
}

void TGLES2Vex2DDriver::SetTransform(float ix, float iy, float jx, float jy) {
    es.transform = {ix, iy, jx, jy};
}

void TGLES2Vex2DDriver::SetLineWidth(float width) {
    es.lineWidth = width;
}

void TGLES2Vex2DDriver::Cls() {
    Flush();
    glClear(GL_COLOR_BUFFER_BIT);
}

void TGLES2Vex2DDriver::Plot(float x, float y) {
    *Reserve(GL_POINTS, 0, 1) = ScreenVertex(x + 0.5f, y + 0.5f);
}

void TGLES2Vex2DDriver::DrawLine(float x0, float y0, float x1, float y1, float tx, float ty) {
    const BatchVertex a = LocalVertex(x0, y0, tx + 0.5f, ty + 0.5f);
    const BatchVertex b = LocalVertex(x1, y1, tx + 0.5f, ty + 0.5f);
    if (es.lineWidth * es.view.Scale() <= 1.0f) {
        BatchVertex* out = Reserve(GL_LINES, 0, 2);
        out[0] = a;
        out[1] = b;
        return;
    }
    // NOTE: widened across its major axis, not at right angles to it, as GL widens aliased
    // lines: a diagonal line is a parallelogram with horizontal or vertical ends. Both ends
    // also go back along the line by half a pixel of the major axis, so that they fall between
    // pixel centres and the line covers its first pixel but not its last, as a GL line does.
    const float half = es.lineWidth * 0.5f;
    const float dx = b.x - a.x, dy = b.y - a.y;
    const bool alongX = std::fabs(dx) >= std::fabs(dy);
    const float major = std::max(std::fabs(alongX ? dx : dy), 1e-6f);
    const float backX = -0.5f * dx / major, backY = -0.5f * dy / major;
    const float ax = a.x + backX, ay = a.y + backY, bx = b.x + backX, by = b.y + backY;
    const float ox = alongX ? 0.0f : half, oy = alongX ? half : 0.0f;
    const BatchVertex corners[4] = {
        ScreenVertex(ax - ox, ay - oy),
        ScreenVertex(bx - ox, by - oy),
        ScreenVertex(bx + ox, by + oy),
        ScreenVertex(ax + ox, ay + oy),
    };
    AddFan(corners, 4, 0);
}

void TGLES2Vex2DDriver::DrawRect(float x0, float y0, float x1, float y1, float tx, float ty) {
    const BatchVertex corners[4] = {
        LocalVertex(x0, y0, tx, ty),
        LocalVertex(x1, y0, tx, ty),
        LocalVertex(x1, y1, tx, ty),
        LocalVertex(x0, y1, tx, ty),
    };
    AddFan(corners, 4, 0);
}

void TGLES2Vex2DDriver::DrawOval(float x0, float y0, float x1, float y1, float tx, float ty) {
    es.fan.clear();
    ForEachOvalVertex(x0, y0, x1, y1,
                      [tx, ty](float x, float y) { es.fan.push_back(LocalVertex(x, y, tx, ty)); });
    AddFan(es.fan.data(), static_cast<int>(es.fan.size()), 0);
}

void TGLES2Vex2DDriver::DrawPoly(const std::vector<float>& points, float handleX, float handleY,
                                 float originX, float originY) {
    if (points.size() < 6 || points.size() % 2 != 0) return;
    es.fan.clear();
    for (std::size_t i = 0; i < points.size(); i += 2) {
        es.fan.push_back(
            LocalVertex(handleX + points[i], handleY + points[i + 1], originX, originY));
    }
    AddFan(es.fan.data(), static_cast<int>(es.fan.size()), 0);
}

void TGLES2Vex2DDriver::DrawPixmap(const PixmapRef& pixmap, int x, int y) {
    const int w = pixmap->width, h = pixmap->height;
    if (w <= 0 || h <= 0) return;
    const int blend = es.blendCache;
    SetBlend(SOLIDBLEND);

    // ES 2 reads packed rows only; the texture has the pixmap's own size (WebGL and ES 2
    // take any size without mipmaps and with edge clamping).
    PixmapRef rgba = pixmap;
    if (rgba->format != PF_RGBA8888 || rgba->pitch != w * 4) rgba = rgba->Convert(PF_RGBA8888);
    BindTexture(es.pixmapTexture);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, w, h, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba->pixels);

    const auto left = static_cast<float>(x), top = static_cast<float>(y);
    const auto right = static_cast<float>(x + w), bottom = static_cast<float>(y + h);
    const BatchVertex corners[4] = {
        ScreenVertex(left, top, 0.0f, 0.0f, kOpaqueWhite),
        ScreenVertex(right, top, 1.0f, 0.0f, kOpaqueWhite),
        ScreenVertex(right, bottom, 1.0f, 1.0f, kOpaqueWhite),
        ScreenVertex(left, bottom, 0.0f, 1.0f, kOpaqueWhite),
    };
    AddFan(corners, 4, es.pixmapTexture);
    Flush();
    SetBlend(blend);
}

PixmapRef TGLES2Vex2DDriver::GrabPixmap(int x, int y, int width, int height) {
    Flush();
    // The drawable pixels under the rectangle, shrunk to arena pixels when scaled.
    const PixelRect arena{x, y, width, height};
    const PixelRect mapped = es.view.Map(arena);
    const GLWindowBox box = ToGLWindow(es.view, mapped);
    PixmapRef pixmap = TPixmap::Create(mapped.width, mapped.height, PF_RGBA8888, 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(box.x, box.y, box.width, box.height, GL_RGBA, GL_UNSIGNED_BYTE, pixmap->pixels);
    PixmapRef grab = FlipPixmapY(pixmap);
    if (mapped.width == width && mapped.height == height) return grab;
    return es.view.ShrinkGrab(grab, arena);
}

void TGLES2Vex2DDriver::DrawBatch() {
    Flush();
}

int TGLES2Vex2DDriver::FrameDrawCalls() const {
    return es.drawCalls;
}

int TGLES2Vex2DDriver::LastFrameDrawCalls() const {
    return es.lastFrameDrawCalls;
}

std::shared_ptr<TGLES2Vex2DDriver> GLES2Driver2D() {
    static const auto driver = std::make_shared<TGLES2Vex2DDriver>();
    return driver;
}

void StartGLES2Renderer() {
    if (es.started) return;
    es.started = true;
    // Every surface gets the built-in font, so the font module starts first.
    StartImageFonts();
    std::fill(std::begin(es.color), std::end(es.color), 0);
    AddExitRoutine([] { es.exiting = true; });
    SelectGraphicsDriver(GLES2Driver2D(), kGraphicsBackBuffer);
}

}  // namespace vdl
