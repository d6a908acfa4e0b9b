// A system driver with no platform behind it.
//
// Nothing is pumped: events reach the polled input only through EmitOSEvent, which is how
// tests, benchmarks and simulations drive the engine without a display. The pointer's
// visibility is remembered so it can be checked; dialogs answer as if cancelled.
#pragma once

#include <string>

#include "system/system_driver.h"

namespace vdl {

class THeadlessSystemDriver : public TSystemDriver {
public:
    void Poll() override {}
    void Wait() override {}
    void MovePointer(int, int) override {}
    void SetPointerVisible(int visible) override { pointerVisible = visible; }
    void ShowNotice(const std::string&, int) override {}
    int AskConfirm(const std::string&, int) override { return 0; }
    int AskProceed(const std::string&, int) override { return -1; }
    std::string ChooseFile(const std::string&, const std::string&, int,
                           const std::string&) override {
        return {};
    }
    std::string ChooseFolder(const std::string&, const std::string&) override { return {}; }
    int OpenAddress(const std::string&) override { return 0; }

    int pointerVisible = 1;  // what the last SetPointerVisible asked for
};

}  // namespace vdl
