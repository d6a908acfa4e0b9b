// Hooks: the table of 256 singly linked lists and the id counter.
#include "system/hook.h"

#include <array>
#include <memory>

#include "runtime/errors.h"

namespace vdl {

namespace {
// One cell of a hook list.
struct THook {
    std::shared_ptr<THook> next;
    int priority = 0;
    HookFunction func = nullptr;
    ObjectRef context;
};

struct HookState {
    std::array<std::shared_ptr<THook>, kHookIdCount> lists;
    // NOTE: starts at -1 and is incremented before use, so the first id is 0.
    int lastId = -1;
};

// Reached through a function so that hook ids taken during static initialisation (the event
// and flip hooks) find the table ready. Never destroyed: hooks may run until the very end.
HookState& State() {
    static HookState* state = new HookState;
    return *state;
}

void CheckId(int id) {
    if (id < 0 || id >= kHookIdCount) throw TArrayBoundsException();
}
}  // namespace

int AllocHookId() {
    HookState& s = State();
    if (s.lastId + 1 >= kHookIdCount) RuntimeError("Too many hook ids");
    return ++s.lastId;
}

void AddHook(int id, HookFunction func, ObjectRef context, int priority) {
    CheckId(id);
    auto hook = std::make_shared<THook>();
    hook->priority = priority;
    hook->func = func;
    hook->context = std::move(context);

    std::shared_ptr<THook>* link = &State().lists[id];
    while (*link && (*link)->priority >= priority)
        link = &(*link)->next;
    hook->next = std::move(*link);
    *link = std::move(hook);
}

ObjectRef RunHooks(int id, ObjectRef data) {
    CheckId(id);
    // NOTE: the walk holds the cell it stands on, and a removed cell keeps its forward link,
    // so a hook may remove itself (or another) while the list runs.
    for (std::shared_ptr<THook> hook = State().lists[id]; hook; hook = hook->next) {
        data = hook->func(id, std::move(data), hook->context);
    }
    return data;
}

void RemoveHook(int id, HookFunction func, const ObjectRef& context) {
    CheckId(id);
    std::shared_ptr<THook>* link = &State().lists[id];
    while (*link) {
        if ((*link)->func == func && (*link)->context == context) {
            *link = (*link)->next;
            return;
        }
        link = &(*link)->next;
    }
}

}  // namespace vdl
