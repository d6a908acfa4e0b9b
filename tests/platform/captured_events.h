// The input events a device emits, taken from the engine before the rest of it sees them, and
// written out as one line to compare.
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "sim/replay.h"
#include "system/event.h"
#include "system/hook.h"

namespace platformtest {

using Events = std::vector<sim::InputEvent>;

inline Events taken;

inline vdl::ObjectRef Take(int, vdl::ObjectRef data, const vdl::ObjectRef&) {
    auto* e = dynamic_cast<vdl::TEvent*>(data.get());
    if (!e) return data;
    taken.push_back({0, e->id, e->data, e->x, e->y});
    return nullptr;
}

// What is emitted while body runs.
inline Events Captured(const std::function<void()>& body) {
    vdl::AddHook(vdl::EmitEventHook, Take, nullptr, 1000);
    body();
    vdl::RemoveHook(vdl::EmitEventHook, Take, nullptr);
    return std::exchange(taken, {});
}

// "KeyDown 87, MouseDown 1 (0,0)": the button and pointer events say where.
inline std::string Text(const Events& events) {
    std::string text;
    for (const sim::InputEvent& e : events) {
        text += (text.empty() ? "" : ", ") + vdl::EventName(e.id) + " " + std::to_string(e.data);
        if (e.id >= vdl::kEventMouseDown)
            text += " (" + std::to_string(e.x) + "," + std::to_string(e.y) + ")";
    }
    return text;
}

}  // namespace platformtest
