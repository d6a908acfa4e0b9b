// Events: one input or application happening, sent through the event hook.
//
// Every event the system driver makes (keys, mouse, focus, close requests) is a TEvent passed
// through the hooks of EmitEventHook; the polled input is one such hook, and scripted input
// enters the same way through EmitOSEvent.
#pragma once

#include <memory>
#include <string>

#include "runtime/object.h"

namespace vdl {

// Event kinds: the application, key and mouse happenings the system driver reports.
constexpr int kEventAppSuspend = 0x101;
constexpr int kEventAppResume = 0x102;
constexpr int kEventAppTerminate = 0x103;
constexpr int kEventKeyDown = 0x201;
constexpr int kEventKeyUp = 0x202;
constexpr int kEventKeyChar = 0x203;
constexpr int kEventKeyRepeat = 0x204;
constexpr int kEventMouseDown = 0x401;
constexpr int kEventMouseUp = 0x402;
constexpr int kEventMouseMove = 0x403;
constexpr int kEventMouseWheel = 0x404;
constexpr int kEventMouseEnter = 0x405;
constexpr int kEventMouseLeave = 0x406;

// Modifier flags of an event.
constexpr int kModShift = 1;
constexpr int kModControl = 2;
constexpr int kModAlt = 4;
constexpr int kModSystem = 8;

// The hook every event is passed through; allocated when the event module starts.
extern const int EmitEventHook;

// One happening: its kind, where it came from, its data, the modifiers and the pointer.
class TEvent : public Object, public std::enable_shared_from_this<TEvent> {
public:
    // A new event with these fields.
    static std::shared_ptr<TEvent> Create(int id, ObjectRef source, int data, int mods, int x,
                                          int y, ObjectRef extra);

    virtual ~TEvent() = default;

    // Passes this event through the hooks of EmitEventHook. The event must be held by a
    // shared_ptr (Create makes it so).
    virtual void Emit();

    // "KeyDown: data=65, mods=0, x=0, y=0, extra=\"\"".
    virtual std::string ToString() const;

    int id = 0;
    ObjectRef source;
    int data = 0;
    int mods = 0;
    int x = 0;
    int y = 0;
    ObjectRef extra;
};

// The name of an event kind ("KeyDown"), or an empty text for an unknown kind.
std::string EventName(int id);

// Creates an event and emits it.
void EmitOSEvent(int id, ObjectRef source, int data, int mods, int x, int y, ObjectRef extra);

}  // namespace vdl
