// Shelf packing with reuse of released areas.
#include "graphics/atlas_packer.h"

#include <algorithm>

namespace vdl {

TAtlasPacker::TAtlasPacker(int size, int reserved) : size_(size) {
    if (reserved > 0) shelves_.push_back({0, reserved, reserved});
    nextShelfY_ = std::max(reserved, 0);
}

bool TAtlasPacker::Place(int width, int height, AtlasRect& place) {
    if (width <= 0 || height <= 0 || width > size_ || height > size_) return false;

    // The smallest released area that holds it, so large ones stay for large sprites.
    auto best = released_.end();
    for (auto it = released_.begin(); it != released_.end(); ++it) {
        if (it->width < width || it->height < height) continue;
        if (best == released_.end() || it->width * it->height < best->width * best->height) {
            best = it;
        }
    }
    if (best != released_.end()) {
        place = *best;
        released_.erase(best);
        return true;
    }

    // NOTE: a shelf takes sprites up to a third shorter than itself, so a shelf of tall
    // sprites is not filled with short ones and the page's rows stay close to full.
    for (Shelf& shelf : shelves_) {
        if (height > shelf.height || height * 3 < shelf.height * 2) continue;
        if (size_ - shelf.used < width) continue;
        place = {shelf.used, shelf.y, width, shelf.height};
        shelf.used += width;
        return true;
    }
    if (size_ - nextShelfY_ < height) return false;
    shelves_.push_back({nextShelfY_, height, width});
    place = {0, nextShelfY_, width, height};
    nextShelfY_ += height;
    return true;
}

void TAtlasPacker::Release(const AtlasRect& place) {
    released_.push_back(place);
}

}  // namespace vdl
