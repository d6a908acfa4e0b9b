// The font loader list: newest first, first font wins, no loader linked twice.
#include <gtest/gtest.h>

#include <vector>

#include "graphics/font.h"

namespace vdl {
namespace {

class StubFont : public TFont {
public:
    explicit StubFont(int h) : h_(h) {}
    int Style() override { return 0; }
    int Height() override { return h_; }
    int CountGlyphs() override { return 0; }
    int CharToGlyph(int) override { return -1; }
    GlyphRef LoadGlyph(int) override { return nullptr; }

private:
    int h_;
};

// Answers for one source only and records every question.
class StubLoader : public TFontLoader {
public:
    StubLoader(std::string accepts, int height, std::vector<int>* asked, int name)
        : accepts_(std::move(accepts)), height_(height), asked_(asked), name_(name) {}
    FontRef LoadFont(const std::string& source, int, int) override {
        asked_->push_back(name_);
        return source == accepts_ ? std::make_shared<StubFont>(height_) : nullptr;
    }

private:
    std::string accepts_;
    int height_;
    std::vector<int>* asked_;
    int name_;
};

TEST(FontLoaders, NewestIsAskedFirstAndTheFirstFontWins) {
    std::vector<int> asked;
    auto older = std::make_shared<StubLoader>("both", 10, &asked, 1);
    auto newer = std::make_shared<StubLoader>("both", 20, &asked, 2);
    AddFontLoader(older);
    AddFontLoader(newer);
    AddFontLoader(older);  // already linked: the order stays

    const FontRef font = LoadFont("both", 12, 0);
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(font->Height(), 20);
    EXPECT_EQ(asked, std::vector<int>({2}));

    asked.clear();
    EXPECT_EQ(LoadFont("neither", 12, 0), nullptr);
    // Both stubs were asked once each, newest first, then any loader registered before them.
    ASSERT_GE(asked.size(), 2u);
    EXPECT_EQ(asked[0], 2);
    EXPECT_EQ(asked[1], 1);
}

}  // namespace
}  // namespace vdl
