// Events: kinds and names, the text form and the event hook.
#include "system/event.h"

#include <utility>

#include "system/hook.h"

namespace vdl {

const int EmitEventHook = AllocHookId();

namespace {
struct NamedKind {
    int id;
    const char* name;
};

constexpr NamedKind kEventNames[] = {
    {kEventAppSuspend, "AppSuspend"},
    {kEventAppResume, "AppResume"},
    {kEventAppTerminate, "AppTerminate"},
    {kEventKeyDown, "KeyDown"},
    {kEventKeyUp, "KeyUp"},
    {kEventKeyChar, "KeyChar"},
    {kEventKeyRepeat, "KeyRepeat"},
    {kEventMouseDown, "MouseDown"},
    {kEventMouseUp, "MouseUp"},
    {kEventMouseMove, "MouseMove"},
    {kEventMouseWheel, "MouseWheel"},
    {kEventMouseEnter, "MouseEnter"},
    {kEventMouseLeave, "MouseLeave"},
};
}  // namespace

std::shared_ptr<TEvent> TEvent::Create(int id, ObjectRef source, int data, int mods, int x, int y,
                                       ObjectRef extra) {
    auto event = std::make_shared<TEvent>();
    event->id = id;
    event->source = std::move(source);
    event->data = data;
    event->mods = mods;
    event->x = x;
    event->y = y;
    event->extra = std::move(extra);
    return event;
}

void TEvent::Emit() {
    RunHooks(EmitEventHook, std::static_pointer_cast<Object>(shared_from_this()));
}

std::string EventName(int id) {
    for (const auto& entry : kEventNames) {
        if (entry.id == id) return entry.name;
    }
    return {};
}

std::string TEvent::ToString() const {
    std::string text = EventName(id);
    if (text.empty()) text = "Unknown Event, id=" + std::to_string(id);
    text += ": data=" + std::to_string(data) + ", mods=" + std::to_string(mods) +
            ", x=" + std::to_string(x) + ", y=" + std::to_string(y) + ", extra=\"";
    // NOTE: no object of this engine has a text form of its own, so a non-null extra has
    // none either; events made here always carry null.
    text += "\"";
    return text;
}

void EmitOSEvent(int id, ObjectRef source, int data, int mods, int x, int y, ObjectRef extra) {
    TEvent::Create(id, std::move(source), data, mods, x, y, std::move(extra))->Emit();
}

}  // namespace vdl
