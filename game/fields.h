// Field by field: how each of the game's classes describes the state it keeps between frames.
//
// Every class of the world lists its fields once, beside its data, in a Fields(visitor)
// member: the state hash, the replay diff and anything else that lists the world's state walk
// those lists and nothing else. A field added to a class goes into its Fields too; a test
// changes every listed field in turn and expects the hash to change.
#pragma once

#include <memory>
#include <string>

namespace game {

class TEnemy;

// Receives an object's fields by name; the values can be read, and changed (for tests).
class FieldVisitor {
public:
    virtual ~FieldVisitor() = default;
    virtual void Field(const char* name, int& value) = 0;
    virtual void Field(const char* name, float& value) = 0;
    virtual void Field(const char* name, std::string& value) = 0;
    // Another object of the world (a homing bullet's target), null for none.
    virtual void Field(const char* name, std::shared_ptr<TEnemy>& value) = 0;
};

}  // namespace game
