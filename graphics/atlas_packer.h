// Where small textures sit in a shared texture page: rows of shelves, filled left to right,
// opened top to bottom, and areas given back reused by later ones that fit them.
//
// A renderer that draws many small sprites from one page needs no texture switch between
// them, so they share one draw call. Nothing here calls GL: the renderer uploads what it
// places and keeps the page.
#pragma once

#include <vector>

namespace vdl {

// An area of the page, in texels.
struct AtlasRect {
    int x = 0, y = 0, width = 0, height = 0;
};

class TAtlasPacker {
public:
    // A square page of size x size texels whose top left reserved x reserved texels are
    // taken from the start (0: none).
    TAtlasPacker(int size, int reserved);

    // Takes a free area of at least width x height texels into place; false when the page
    // has no room for it. A reused area may be larger than asked for: place holds what was
    // taken, which is what Release gives back.
    bool Place(int width, int height, AtlasRect& place);

    // Gives back an area Place took, for later ones that fit inside it.
    void Release(const AtlasRect& place);

    int Size() const { return size_; }

private:
    struct Shelf {
        int y, height, used;
    };
    int size_;
    int nextShelfY_ = 0;
    std::vector<Shelf> shelves_;
    std::vector<AtlasRect> released_;
};

}  // namespace vdl
