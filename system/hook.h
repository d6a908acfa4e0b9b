// Hooks: numbered lists of callbacks that a value is passed through.
//
// There are 256 hook ids, handed out by AllocHookId. Each id has its own list, ordered from
// the highest priority down; among equal priorities a hook runs after those added before it.
// RunHooks passes a value through every hook of a list in turn. The event hook and the flip
// hook are built on this.
#pragma once

#include "runtime/object.h"

namespace vdl {

// A hook callback: takes the hook id, the data and the context given to AddHook, and returns
// the data for the next hook.
using HookFunction = ObjectRef (*)(int id, ObjectRef data, const ObjectRef& context);

// Number of hook ids.
constexpr int kHookIdCount = 256;

// A new hook id; raises "Too many hook ids" after the 256th.
int AllocHookId();

// Adds func with its context to list id, after every hook of greater or equal priority.
void AddHook(int id, HookFunction func, ObjectRef context, int priority);

// Passes data through every hook of list id in order; returns what the last one returned
// (data itself when the list is empty).
ObjectRef RunHooks(int id, ObjectRef data);

// Removes the first hook of list id with this func and context; nothing if there is none.
void RemoveHook(int id, HookFunction func, const ObjectRef& context);

}  // namespace vdl
