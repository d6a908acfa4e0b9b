// Root object of the engine and the game.
//
// Every engine and game class derives from Object. References are std::shared_ptr; the
// identity comparison is what lists use to find a value unless a class compares otherwise.
#pragma once

#include <memory>

namespace vdl {

class Object {
public:
    Object() = default;
    Object(const Object&) = default;
    Object& operator=(const Object&) = default;
    virtual ~Object() = default;

    // Orders this object against another: 0 when equal. By default, identity.
    virtual int Compare(const Object& other) const;
};

using ObjectRef = std::shared_ptr<Object>;

}  // namespace vdl
