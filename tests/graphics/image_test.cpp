#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "graphics/graphics.h"
#include "graphics/image.h"
#include "graphics/png_loader.h"
#include "png_fixtures.h"
#include "recording_renderer.h"
#include "runtime/errors.h"
#include "stream/embedded.h"

namespace {

using namespace vdl;

// A sheet whose every pixel tells its cell: ARGB 0xFF, cell column, cell row, 0.
PixmapRef Sheet(int width, int height, int cellWidth, int cellHeight) {
    PixmapRef sheet = TPixmap::Create(width, height, PF_RGB888, 4);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            sheet->WritePixel(x, y,
                              0xFF000000u | ((x / cellWidth) << 16) | ((y / cellHeight) << 8));
        }
    }
    return sheet;
}

// Restores the global image defaults after each test.
class Images : public rec::RecordingTest {
protected:
    void TearDown() override {
        SetAutoImageFlags(MASKED_IMAGE | FILTERED_IMAGE);
        SetAutoCenterAnchor(false);
        SetImageMaskColor(0, 0, 0);
        RecordingTest::TearDown();
    }
};

TEST_F(Images, AnimationCellsRunAcrossThenDownAndTooSmallSheetsFail) {
    const PixmapRef sheet = Sheet(64, 32, 16, 16);
    ImageRef anim = LoadAnimImageFrom(sheet, 16, 16, 2, 6, 0);
    ASSERT_NE(anim, nullptr);
    ASSERT_EQ(anim->pixmaps.size(), 6u);
    const int cells[6][2] = {{2, 0}, {3, 0}, {0, 1}, {1, 1}, {2, 1}, {3, 1}};
    for (int i = 0; i < 6; ++i) {
        const PixmapRef cell = anim->Lock(i, true, false);
        EXPECT_EQ(cell->width, 16);
        EXPECT_EQ(cell->capacity, cell->pitch * 16) << "a copy, not a window";
        EXPECT_EQ(cell->ReadPixel(0, 0), 0xFF000000u | (cells[i][0] << 16) | (cells[i][1] << 8));
        EXPECT_EQ(cell->ReadPixel(15, 15), cell->ReadPixel(0, 0));
    }
    EXPECT_EQ(LoadAnimImageFrom(sheet, 16, 16, 2, 7, 0), nullptr);
    EXPECT_NE(LoadAnimImageFrom(sheet, 16, 16, 0, 8, 0), nullptr);
    EXPECT_EQ(LoadAnimImageFrom(sheet, 0, 16, 0, 1, 0), nullptr);
    EXPECT_EQ(LoadAnimImageFrom(sheet, 16, 16, -1, 2, 0), nullptr);
    EXPECT_EQ(LoadAnimImageFrom(Sheet(60, 32, 20, 16), 20, 16, 0, 6, 0)->width, 20);
    EXPECT_EQ(LoadAnimImageFrom(std::string("incbin::no such sheet"), 16, 16, 0, 1), nullptr);
}

TEST_F(Images, AutomaticFlagsMaskOnlyPixmapsWithoutAlpha) {
    StartPNGLoader();
    pngfix::PngRecipe rgbRecipe = pngfix::RandomPngRecipe(3, 1, PNG_COLOR_TYPE_RGB, 8, 1);
    rgbRecipe.samples = {0, 0, 0, 200, 100, 50, 0, 0, 0};
    static const std::vector<unsigned char> rgb = pngfix::EncodePng(rgbRecipe);
    pngfix::PngRecipe rgbaRecipe = pngfix::RandomPngRecipe(3, 1, PNG_COLOR_TYPE_RGB_ALPHA, 8, 1);
    rgbaRecipe.samples = {0, 0, 0, 255, 200, 100, 50, 128, 0, 0, 0, 0};
    static const std::vector<unsigned char> rgba = pngfix::EncodePng(rgbaRecipe);
    RegisterEmbedded("image_test_rgb.png", rgb.data(), static_cast<int>(rgb.size()));
    RegisterEmbedded("image_test_rgba.png", rgba.data(), static_cast<int>(rgba.size()));

    ImageRef opaque = LoadImageFrom(std::string("incbin::image_test_rgb.png"), -1);
    ASSERT_NE(opaque, nullptr);
    EXPECT_EQ(opaque->flags, MASKED_IMAGE | FILTERED_IMAGE);
    const PixmapRef masked = opaque->Lock(0, true, false);
    EXPECT_EQ(masked->format, PF_RGBA8888);
    EXPECT_EQ(masked->ReadPixel(0, 0), 0x00C86432u) << "black: transparent, neighbour colour";
    EXPECT_EQ(masked->ReadPixel(1, 0), 0xFFC86432u);

    ImageRef translucent = LoadImageFrom(std::string("incbin::image_test_rgba.png"), -1);
    ASSERT_NE(translucent, nullptr);
    EXPECT_EQ(translucent->Lock(0, true, false)->ReadPixel(0, 0), 0xFF000000u) << "not masked";
    EXPECT_EQ(translucent->handleX + translucent->handleY, 0.0f);

    SetImageMaskColor(200, 100, 50);
    ImageRef other = LoadImageFrom(std::string("incbin::image_test_rgb.png"), -1);
    EXPECT_EQ(other->Lock(0, true, false)->ReadPixel(1, 0), 0x00000000u);
    EXPECT_EQ(LoadImageFrom(std::string("incbin::missing.png"), -1), nullptr);
}

TEST_F(Images, AutomaticCentringKeepsHalfPixels) {
    SetAutoCenterAnchor(true);
    ImageRef image = LoadImageFrom(TPixmap::Create(31, 17, PF_RGBA8888, 4), -1);
    EXPECT_EQ(image->handleX, 15.5f);
    EXPECT_EQ(image->handleY, 8.5f);
    EXPECT_EQ(CreateBlankImage(5, 4)->handleX, 2.5f);
    EXPECT_EQ(LoadImageFrom(PixmapRef(), -1), nullptr);

    SetAutoImageFlags(FILTERED_IMAGE);
    SetAutoImageFlags(-1);
    EXPECT_EQ(AutoImageFlags(), FILTERED_IMAGE);
    EXPECT_EQ(CreateBlankImage(2, 2, 3)->flags, FILTERED_IMAGE | DYNAMIC_IMAGE);
    EXPECT_EQ(CreateBlankImage(2, 2, 3, MIPMAPPED_IMAGE)->flags, MIPMAPPED_IMAGE | DYNAMIC_IMAGE);
}

TEST_F(Images, TexturesAreMadeOnFirstDrawOncePerGraphicsGeneration) {
    ImageRef image = LoadImageFrom(TPixmap::Create(8, 4, PF_RGBA8888, 4), FILTERED_IMAGE);
    EXPECT_EQ(driver->Count("CreateFrame"), 0) << "loading makes no texture";

    const std::shared_ptr<TImageFrame> first = image->Frame(0);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(driver->Last("CreateFrame").args, (std::vector<float>{8, 4, FILTERED_IMAGE}));
    EXPECT_EQ(image->Frame(0), first);
    EXPECT_EQ(image->seqs[0], graphicsSeq);

    image->Lock(0, true, false);
    EXPECT_EQ(image->Frame(0), first) << "reading leaves the texture";
    image->Lock(0, true, true);
    EXPECT_NE(image->Frame(0), first) << "writing drops it";
    EXPECT_EQ(driver->Count("CreateFrame"), 2);

    const int saved = graphicsSeq;
    graphicsSeq = saved + 1;  // graphics reopened
    image->Frame(0);
    EXPECT_EQ(driver->Count("CreateFrame"), 3);
    graphicsSeq = saved;

    image->SetPixmap(0, TPixmap::Create(8, 4, PF_RGBA8888, 4));
    EXPECT_EQ(image->seqs[0], 0);
    driver->refuseFrames = true;
    EXPECT_EQ(image->Frame(0), nullptr);
    EXPECT_EQ(image->seqs[0], 0);
}

TEST_F(Images, LockMakesBlankCellsAndIndexesAreChecked) {
    ImageRef image = CreateBlankImage(5, 3, 2, 0);
    const PixmapRef cell = LockImageFrame(image, 1);
    EXPECT_EQ(cell->format, PF_RGBA8888);
    EXPECT_EQ(cell->width * cell->height, 15);
    EXPECT_EQ(cell->ReadPixel(4, 2), 0u) << "blank cells are transparent";
    EXPECT_EQ(LockImageFrame(image, 1), cell);
    UnlockImageFrame(image, 1);

    EXPECT_THROW(image->Lock(2, true, false), TArrayBoundsException);
    EXPECT_THROW(image->Frame(-1), TArrayBoundsException);
    EXPECT_THROW(image->SetPixmap(5, cell), TArrayBoundsException);
    EXPECT_THROW(ImageWidth(nullptr), TNullObjectException);
}

TEST_F(Images, GrabbingTakesTheScreenUnderTheImageSize) {
    ImageRef image = CreateBlankImage(4, 3, 1, MASKED_IMAGE);
    SetImageMaskColor(0, 0, 0);
    GrabImageFrom(image, 7, 9);
    EXPECT_EQ(driver->Last("GrabPixmap").args, (std::vector<float>{7, 9, 4, 3}));
    const PixmapRef grabbed = image->Lock(0, true, false);
    // The recording renderer's pixel (x, y) has green x and blue y; (0, 0) is the mask colour.
    EXPECT_EQ(grabbed->ReadPixel(0, 0) >> 24, 0u);
    EXPECT_EQ(grabbed->ReadPixel(2, 1), 0xFF000201u);
}

}  // namespace
