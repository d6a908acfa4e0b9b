#include "runtime/object.h"

#include <functional>

namespace vdl {

int Object::Compare(const Object& other) const {
    if (this == &other) return 0;
    return std::less<const Object*>{}(this, &other) ? -1 : 1;
}

}  // namespace vdl
