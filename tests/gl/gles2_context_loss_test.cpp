// The ES 2 renderer through a lost GL context that comes back. A desktop driver has no call
// that loses a context on purpose (the browser test loses the page's with WebGL's
// WEBGL_lose_context), so this does to the context what a loss does: every object in it goes,
// its state is a new context's, and names are handed out again from the start.
#if CCA_HAVE_GLES2
#include <gtest/gtest.h>

#include <cstdint>

#include "graphics/drawing.h"
#include "graphics/gles2_renderer.h"
#include "graphics/graphics.h"
#include "graphics/image.h"
#include "graphics/pixmap.h"
#include "tests/gl/es_texels.h"
#include "tests/gl/renderer_fixture.h"

namespace {

using namespace vdl;
using glfix::Rgb;

class GLES2ContextLoss : public glfix::RendererTest {};
INSTANTIATE_TEST_SUITE_P(Renderers, GLES2ContextLoss, testing::Values(glfix::Renderer::GLES2),
                         glfix::RendererName);

ImageRef Solid(int width, int height, uint32_t argb, int flags) {
    PixmapRef p = TPixmap::Create(width, height, PF_RGBA8888, 4);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x)
            p->WritePixel(x, y, argb);
    }
    return LoadImageFrom(p, flags);
}

// A sprite from the sharp page, one from the filtered page, a mipmapped one (its own texture
// and a copy in the page, drawn scaled), one too large for the page, a shape, and half-alpha
// white over all, in the drawing state left set.
void DrawScene(const ImageRef& sharp, const ImageRef& filtered, const ImageRef& mipmapped,
               const ImageRef& large) {
    ClearScreen();
    DrawImageFrame(sharp, 0, 0);
    DrawImageFrame(filtered, 10, 0);
    SetDrawScale(2, 2);
    DrawImageFrame(mipmapped, 20, 0);
    SetDrawScale(1, 1);
    DrawImageFrame(large, 0, 20);
    FillRect(40, 0, 4, 4);
    FillRect(0, 30, 100, 4);
}

TEST_P(GLES2ContextLoss, EverythingDrawsAsBeforeAndNoOldFrameFreesANewTexture) {
    const ImageRef sharp = Solid(4, 4, 0xFFFF0000u, 0);
    const ImageRef filtered = Solid(4, 4, 0xFF00FF00u, FILTERED_IMAGE);
    const ImageRef mipmapped = Solid(4, 4, 0xFF0000FFu, FILTERED_IMAGE | MIPMAPPED_IMAGE);
    const ImageRef large = Solid(200, 4, 0xFFFFFF00u, 0);
    SetClearColor(20, 40, 60);
    SetBlendMode(ALPHABLEND);
    SetDrawAlpha(0.5f);
    DrawScene(sharp, filtered, mipmapped, large);
    const PixmapRef before = GrabScreenPixmap(0, 0, 200, 40);
    const int seq = graphicsSeq;

    glfix::ESLoseEveryObject();
    GLES2Driver2D()->RestoreLostContext();
    EXPECT_NE(graphicsSeq, seq) << "every frame made before is stale";

    // The first draw makes each image's frame again, and the stale frame goes: with the names
    // handed out again, it holds a name of the new context, which it must leave alone.
    DrawScene(sharp, filtered, mipmapped, large);
    DrawScene(sharp, filtered, mipmapped, large);
    const PixmapRef after = GrabScreenPixmap(0, 0, 200, 40);
    int differing = 0;
    for (int y = 0; y < 40; ++y) {
        for (int x = 0; x < 200; ++x)
            differing += before->ReadPixel(x, y) != after->ReadPixel(x, y);
    }
    EXPECT_EQ(differing, 0) << "the clear colour, blend, alpha and every texture as before";
    EXPECT_EQ(Pixel(1, 1), (Rgb{137, 20, 30}));

    // A new sprite takes a free place in the page: none was given back by a stale frame.
    const ImageRef added = Solid(4, 4, 0xFFFFFFFFu, 0);
    DrawScene(sharp, filtered, mipmapped, large);
    DrawImageFrame(added, 50, 0);
    EXPECT_EQ(Pixel(1, 1), (Rgb{137, 20, 30}));
    EXPECT_EQ(Pixel(51, 1), (Rgb{137, 147, 157}));
}

}  // namespace
#endif
