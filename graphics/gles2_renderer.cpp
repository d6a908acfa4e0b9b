// The OpenGL ES 2 renderer: the shaders, the batch, GL state, pixel transfer and textures.
//
// The batch is an array of vertices already in screen pixels, with their texture
// coordinates and colour, and the list of runs that split it by primitive type. Drawing it
// uploads the whole array into the one vertex buffer (WebGL draws from buffers only) and
// makes one call per run. Everything a run needs beside its vertices is GL state that stays
// put while the batch grows: whoever changes it draws the batch first.
//
// The sprite atlas's pages are made in the shared context on first use and kept, as the
// program is; a frame gives its area back when it goes.
#include "graphics/gles2_renderer.h"

#include <GLES2/gl2.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <memory>
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

// Positions arrive in arena pixels, y down; a_scale (2 / width, -2 / height) and the offset
// take them to clip space as glOrtho(0, width, height, 0, -1, 1) does, with the same
// factors, and the GL viewport is the arena's box in the drawable. Points are squares of
// triangles in arena pixels, so they grow with the arena as everything else does.
const char* const kVertexShader = R"(
attribute vec2 a_scale;
attribute vec2 a_position;
attribute vec2 a_texCoord;
attribute vec4 a_color;
varying vec2 v_texCoord;
varying vec4 v_color;
void main() {
    gl_Position = vec4(a_position * a_scale + vec2(-1.0, 1.0), 0.0, 1.0);
    v_texCoord = a_texCoord;
    v_color = a_color;
}
)";

// The texel modulated by the colour, as fixed function's GL_MODULATE; MASKBLEND's alpha
// test keeps what reaches 0.5. Built once per combination of TEXTURED and ALPHA_TEST, so no
// fragment branches: a software GL (the browsers' fallback) pays for a branch, and for a
// discard, in every fragment.
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
varying vec2 v_texCoord;
varying vec4 v_color;
void main() {
    vec4 color = v_color;
#ifdef TEXTURED
    color *= texture2D(u_texture, v_texCoord);
#endif
#ifdef ALPHA_TEST
    if (color.a < 0.5) discard;
#endif
    gl_FragColor = color;
}
)";

// Attribute locations, bound before linking.
constexpr GLuint kPosition = 0;
constexpr GLuint kTexCoord = 1;
constexpr GLuint kColor = 2;
// The projection's scale: no array, one value for every vertex, set in each context.
constexpr GLuint kScale = 3;

struct BatchVertex {
    float x, y;  // screen pixels
    float u, v;
    GLubyte color[4];
};

// Vertices first to first + count of the batch, drawn by one call.
struct Run {
    GLenum mode;  // GL_TRIANGLES or GL_LINES
    GLint first;
    GLsizei count;
};

constexpr GLubyte kOpaqueWhite[4] = {255, 255, 255, 255};

// The sprite atlas: pages of kAtlasPageSize texels a side (or GL's largest texture, when
// smaller), holding images up to kAtlasMaxSprite texels a side, each inside a border one
// texel wide; kWhiteBlock x kWhiteBlock white texels at every page's top left.
constexpr int kAtlasPageSize = 1024;
constexpr int kAtlasMaxSprite = 128;
constexpr int kWhiteBlock = 4;

struct AtlasPage {
    GLuint name = 0;
    TAtlasPacker packer;
};

enum AtlasPageKind { kFilteredPage, kSharpPage, kPageKinds };

// The core's colour is copied into every vertex.
struct RendererState : GLRendererCore {
    bool alphaTest = false;  // MASKBLEND's, set with the blend
    GLuint usedProgram = 0;  // last program used; 0 after every SetGraphics

    // The batch: every run draws with batchTexture (0: untextured).
    std::vector<BatchVertex> vertices;
    std::vector<Run> runs;
    GLuint batchTexture = 0;
    std::vector<BatchVertex> fan;  // corners of the oval or polygon being added

    // The atlas's pages, made when first needed; all of one size.
    std::unique_ptr<AtlasPage> pages[kPageKinds];
    bool atlasOn = true;
    float whiteU = 0.0f, whiteV = 0.0f;  // the white block's middle, where shapes sample

    // Made once in the shared context, used by every window: the programs by
    // [textured][alpha test].
    GLuint programs[2][2] = {};
    GLuint buffer = 0;
    GLuint pixmapTexture = 0;  // DrawPixmap's, refilled by each call

    // Advanced when the context was lost: frames of an earlier one own nothing in GL.
    int contextGen = 0;

    int drawCalls = 0;  // since the last flip
    int lastFrameDrawCalls = 0;
} es;

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

// The shader, compiled; whether it compiled is asked later (RequireBuilt).
GLuint CompileShader(GLenum type, const char* source, const char* defines = "") {
    const GLuint shader = glCreateShader(type);
    const char* const parts[2] = {defines, source};
    glShaderSource(shader, 2, parts, nullptr);
    glCompileShader(shader);
    return shader;
}

// The program of the two shaders, linked; whether it linked is asked later.
GLuint LinkProgram(GLuint vertex, GLuint fragment) {
    const GLuint program = glCreateProgram();
    glAttachShader(program, vertex);
    glAttachShader(program, fragment);
    glBindAttribLocation(program, kPosition, "a_position");
    glBindAttribLocation(program, kTexCoord, "a_texCoord");
    glBindAttribLocation(program, kColor, "a_color");
    glBindAttribLocation(program, kScale, "a_scale");
    glLinkProgram(program);
    return program;
}

// The shaders and programs asked for and not yet asked how they built (0: none).
struct BuildingPrograms {
    GLuint vertex = 0;
    GLuint fragments[2][2] = {};
    GLuint programs[2][2] = {};
} building;

// Compiles the shaders and links the programs in the shared context without waiting for
// them, and makes the vertex buffer and DrawPixmap's texture there, once.
void StartPrograms() {
    if (es.programs[0][0] || building.vertex) return;
    SharedContextScope shared(kApi);
    const char* const defines[2][2] = {
        {"", "#define ALPHA_TEST\n"},
        {"#define TEXTURED\n", "#define TEXTURED\n#define ALPHA_TEST\n"}};
    building.vertex = CompileShader(GL_VERTEX_SHADER, kVertexShader);
    for (int textured = 0; textured < 2; ++textured) {
        for (int test = 0; test < 2; ++test) {
            const GLuint fragment =
                CompileShader(GL_FRAGMENT_SHADER, kFragmentShader, defines[textured][test]);
            building.fragments[textured][test] = fragment;
            building.programs[textured][test] = LinkProgram(building.vertex, fragment);
        }
    }
    glGenBuffers(1, &es.buffer);
    es.pixmapTexture = GenTexture(false, false);
    glBindTexture(GL_TEXTURE_2D, 0);
    glFlush();
}

// Waits for the programs StartPrograms asked for, once, and raises an error when one did not
// build.
// NOTE: every shader is compiled and every program linked before any is asked how it went,
// and nothing asks until the first batch is drawn. A question waits until the GL has done all
// that was asked before it: a GL that runs in another process (a browser's) then has the
// compiles done while the program loads its images, and they are waited for once, if at all.
// Each question is a wait of its own there, so only the programs are asked: a shader that does
// not compile leaves its program unlinked, and only then are its shaders asked which it was.
void EnsureProgram() {
    if (es.programs[0][0]) return;
    StartPrograms();
    SharedContextScope shared(kApi);
    BuildingPrograms built = building;
    building = {};
    for (int textured = 0; textured < 2; ++textured) {
        for (int test = 0; test < 2; ++test) {
            const GLuint program = built.programs[textured][test];
            GLint linked = 0;
            glGetProgramiv(program, GL_LINK_STATUS, &linked);
            if (linked) continue;
            RequireBuilt(built.vertex, GL_COMPILE_STATUS, glGetShaderiv, glGetShaderInfoLog,
                         "a shader does not compile");
            RequireBuilt(built.fragments[textured][test], GL_COMPILE_STATUS, glGetShaderiv,
                         glGetShaderInfoLog, "a shader does not compile");
            RequireBuilt(program, GL_LINK_STATUS, glGetProgramiv, glGetProgramInfoLog,
                         "the shaders do not link");
        }
    }
    // The programs keep what they were linked from.
    glDeleteShader(built.vertex);
    for (const auto& fragments : built.fragments) {
        for (const GLuint fragment : fragments)
            glDeleteShader(fragment);
    }
    std::memcpy(es.programs, built.programs, sizeof built.programs);
}

// Puts the program for a batch in use.
void UseProgram(int textured, int test) {
    EnsureProgram();
    const GLuint program = es.programs[textured][test];
    if (program != es.usedProgram) {
        glUseProgram(program);
        es.usedProgram = program;
    }
}

bool IsAtlasPage(GLuint name) {
    if (name == 0) return false;
    for (const auto& page : es.pages) {
        if (page && page->name == name) return true;
    }
    return false;
}

// The texture untextured shapes are drawn with: the batch's own when it is an atlas page
// (the shape then joins it), else a page if there is one, else none.
GLuint ShapeTexture() {
    if (IsAtlasPage(es.batchTexture)) return es.batchTexture;
    for (const auto& page : es.pages) {
        if (page) return page->name;
    }
    return 0;
}

// Draws the batch and empties it.
void Flush() {
    if (es.vertices.empty()) return;
    const int textured = es.batchTexture != 0 ? 1 : 0;
    UseProgram(textured, es.alphaTest ? 1 : 0);
    if (textured) es.BindTexture(es.batchTexture);
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
    if (texture == 0) texture = ShapeTexture();
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

// Untextured vertices sample the white block, in case they are drawn from an atlas page.
BatchVertex ScreenVertex(float x, float y, float u = es.whiteU, float v = es.whiteV,
                         const GLubyte* color = es.color) {
    BatchVertex vertex{x, y, u, v, {}};
    std::memcpy(vertex.color, color, sizeof vertex.color);
    return vertex;
}

// A local point through the transform, translated by (tx, ty).
BatchVertex LocalVertex(float x, float y, float tx, float ty, float u = es.whiteU,
                        float v = es.whiteV) {
    return ScreenVertex(es.transform.X(x, y, tx), es.transform.Y(x, y, ty), u, v);
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

// The page of one kind, made (in the current context, the shared one) on first use.
AtlasPage& EnsurePage(AtlasPageKind kind) {
    std::unique_ptr<AtlasPage>& page = es.pages[kind];
    if (page) return *page;
    const int size = std::min(kAtlasPageSize, MaxTextureSize());
    page = std::make_unique<AtlasPage>(AtlasPage{0, TAtlasPacker(size, kWhiteBlock)});
    page->name = GenTexture(kind == kFilteredPage, false);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, size, size, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    const std::vector<GLubyte> white(kWhiteBlock * kWhiteBlock * 4, 255);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, kWhiteBlock, kWhiteBlock, GL_RGBA, GL_UNSIGNED_BYTE,
                    white.data());
    es.whiteU = es.whiteV = static_cast<float>(kWhiteBlock / 2) / static_cast<float>(size);
    return *page;
}

// source with a border of its own edge texels around it, one texel wide.
PixmapRef Bordered(const PixmapRef& source) {
    const int w = source->width, h = source->height;
    PixmapRef out = TPixmap::Create(w + 2, h + 2, PF_RGBA8888, 4);
    out->Paste(*source, 1, 1);
    out->Paste(*source->Window(0, 0, 1, h), 0, 1);
    out->Paste(*source->Window(w - 1, 0, 1, h), w + 1, 1);
    out->Paste(*out->Window(0, 1, w + 2, 1), 0, 0);
    out->Paste(*out->Window(0, h, w + 2, 1), 0, h + 1);
    return out;
}

}  // namespace

// Copies source into a page of the atlas; false when it is too large or the page is full.
bool TGLES2ImageFrame::PlaceInAtlas(const PixmapRef& source, bool filtered) {
    const int w = source->width, h = source->height;
    if (w > kAtlasMaxSprite || h > kAtlasMaxSprite || w <= 0 || h <= 0) return false;
    const AtlasPageKind kind = filtered ? kFilteredPage : kSharpPage;
    AtlasPage& page = EnsurePage(kind);
    AtlasRect place;
    if (!page.packer.Place(w + 2, h + 2, place)) return false;

    glBindTexture(GL_TEXTURE_2D, page.name);
    glTexSubImage2D(GL_TEXTURE_2D, 0, place.x, place.y, w + 2, h + 2, GL_RGBA, GL_UNSIGNED_BYTE,
                    Bordered(source)->pixels);
    glBindTexture(GL_TEXTURE_2D, 0);

    const auto size = static_cast<float>(page.packer.Size());
    atlasPage = kind;
    atlasPlace = place;
    atlasU0 = static_cast<float>(place.x + 1) / size;
    atlasV0 = static_cast<float>(place.y + 1) / size;
    atlasU1 = static_cast<float>(place.x + 1 + w) / size;
    atlasV1 = static_cast<float>(place.y + 1 + h) / size;
    return true;
}

TGLES2ImageFrame::~TGLES2ImageFrame() {
    if (seq == 0 || es.exiting || contextGen != es.contextGen) return;
    if (InAtlas()) {
        // The batch may still draw from the area, which the next image may overwrite.
        if (es.batchTexture == es.pages[atlasPage]->name) Flush();
        es.pages[atlasPage]->packer.Release(atlasPlace);
    }
    seq = 0;
    if (!HasOwnTexture()) return;
    // The batch may still draw with this texture: it must reach GL before the name goes.
    if (es.batchTexture == name) {
        Flush();
        es.batchTexture = 0;
    }
    es.DeleteTexture(name, kApi);
}

void TGLES2ImageFrame::Draw(float x0, float y0, float x1, float y1, float tx, float ty) {
    const ShapeTransform& t = es.transform;
    const bool unturned = t.ix == 1.0f && t.iy == 0.0f && t.jx == 0.0f && t.jy == 1.0f;
    if (InAtlas() && (unturned || !HasOwnTexture())) {
        const BatchVertex corners[4] = {
            LocalVertex(x0, y0, tx, ty, atlasU0, atlasV0),
            LocalVertex(x1, y0, tx, ty, atlasU1, atlasV0),
            LocalVertex(x1, y1, tx, ty, atlasU1, atlasV1),
            LocalVertex(x0, y1, tx, ty, atlasU0, atlasV1),
        };
        AddFan(corners, 4, es.pages[atlasPage]->name);
        return;
    }
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
    auto frame = std::make_shared<TGLES2ImageFrame>();
    const bool mipmapped = (flags & MIPMAPPED_IMAGE) != 0;
    const bool filtered = (flags & FILTERED_IMAGE) != 0;
    frame->seq = graphicsSeq;
    frame->contextGen = es.contextGen;
    // A lost context answers 0: the frame draws nothing until the context is back, when the
    // image makes it again.
    const int maxSize = MaxTextureSize();
    if (maxSize <= 0) return frame;
    if (es.atlasOn && frame->PlaceInAtlas(source, filtered) && !mipmapped) {
        glFlush();
        return frame;
    }

    const TextureLayout layout =
        LayOutTexture(source, [maxSize](int w, int h) { return w <= maxSize && h <= maxSize; });
    frame->name = GenTexture(filtered, mipmapped);
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
    return frame;
}

TGLES2Vex2DDriver::TGLES2Vex2DDriver() : TGLVex2DDriverBase(kApi, es) {}

void TGLES2Vex2DDriver::ContextMade() {
    StartPrograms();
}

void TGLES2Vex2DDriver::SetUpContext() {
    StartPrograms();
    es.usedProgram = 0;
    es.batchTexture = 0;

    // The programs are shared; which one is in use, the buffer binding and the attribute
    // arrays belong to each context. The projection is the surface's.
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
    // The sampler's unit is 0, as every uniform starts.
    glActiveTexture(GL_TEXTURE0);
}

// Arena pixels to clip space, for every program: the scale is the context's, not a program's.
void TGLES2Vex2DDriver::ApplyProjection() {
    glVertexAttrib2f(kScale, 2.0f / static_cast<float>(es.view.ArenaWidth()),
                     -2.0f / static_cast<float>(es.view.ArenaHeight()));
}

void TGLES2Vex2DDriver::SetAlphaTest(bool on) {
    es.alphaTest = on;
}

void TGLES2Vex2DDriver::FrameShown() {
    es.lastFrameDrawCalls = es.drawCalls;
    es.drawCalls = 0;
}

std::shared_ptr<TImageFrame> TGLES2Vex2DDriver::CreateFrameFromPixmap(const PixmapRef& pixmap,
                                                                      int flags) {
    if (!pixmap) return nullptr;
    std::shared_ptr<TGLES2ImageFrame> frame;
    {
        SharedContextScope shared(kApi);
        frame = TGLES2ImageFrame::CreateFromPixmap(pixmap, flags);
    }
    // NOTE: in the browser the shared context is the window's own, and making a texture
    // leaves none bound there.
    es.boundTexture = 0;
    return frame;
}

// NOTE: a square over the pixel a GL point at (x + 0.5, y + 0.5) covers, not a GL point, so
// that the outline of a box (lines and their end points) stays in one run of triangles.
void TGLES2Vex2DDriver::DrawPoint(float x, float y) {
    const float left = std::floor(x), top = std::floor(y);
    const BatchVertex corners[4] = {
        ScreenVertex(left, top),
        ScreenVertex(left + 1.0f, top),
        ScreenVertex(left + 1.0f, top + 1.0f),
        ScreenVertex(left, top + 1.0f),
    };
    AddFan(corners, 4, 0);
}

void TGLES2Vex2DDriver::DrawSegment(float x0, float y0, float x1, float y1) {
    const BatchVertex a = ScreenVertex(x0, y0);
    const BatchVertex b = ScreenVertex(x1, y1);
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

void TGLES2Vex2DDriver::DrawPolygon(const float* corners, int count, bool) {
    es.fan.clear();
    for (int i = 0; i < count; ++i)
        es.fan.push_back(ScreenVertex(corners[2 * i], corners[2 * i + 1]));
    AddFan(es.fan.data(), count, 0);
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
    es.BindTexture(es.pixmapTexture);
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

void TGLES2Vex2DDriver::DrawBatch() {
    Flush();
}

int TGLES2Vex2DDriver::FrameDrawCalls() const {
    return es.drawCalls;
}

int TGLES2Vex2DDriver::LastFrameDrawCalls() const {
    return es.lastFrameDrawCalls;
}

void TGLES2Vex2DDriver::SetSpriteAtlas(bool on) {
    es.atlasOn = on;
}

void TGLES2Vex2DDriver::RestoreLostContext() {
    ++es.contextGen;
    es.vertices.clear();
    es.runs.clear();
    es.batchTexture = 0;
    std::memset(es.programs, 0, sizeof es.programs);
    building = {};
    es.buffer = 0;
    es.pixmapTexture = 0;
    for (auto& page : es.pages)
        page.reset();
    AdvanceGraphicsSeq();
    const std::shared_ptr<TVex2DGraphics> surface = TVex2DGraphics::Current();
    if (surface && surface->driver.get() == this) SetGraphics(surface);
}

std::shared_ptr<TGLES2Vex2DDriver> GLES2Driver2D() {
    static const auto driver = std::make_shared<TGLES2Vex2DDriver>();
    return driver;
}

void StartGLES2Renderer() {
    GLES2Driver2D()->Start();
}

}  // namespace vdl
