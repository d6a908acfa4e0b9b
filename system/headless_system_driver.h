// A system driver with no platform behind it.
//
// Nothing is pumped: events reach the polled input only through EmitOSEvent, which is how
// tests, benchmarks and simulations drive the engine without a display. The pointer's
// visibility is remembered so it can be checked. It is the current driver until start-up
// installs the platform's.
#pragma once

#include "system/system_driver.h"

namespace vdl {

class THeadlessSystemDriver : public TSystemDriver {
public:
    void Poll() override {}
    void Wait() override {}
    void MovePointer(int, int) override {}
    void SetPointerVisible(int visible) override { pointerVisible = visible; }

    int pointerVisible = 1;  // what the last SetPointerVisible asked for
};

}  // namespace vdl
