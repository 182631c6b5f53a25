#include "vwin32.h"

namespace hosted {

BOOL Vwin32Control(Machine&, Call& call, std::uintptr_t, const ControlRequest&) {
    return call.Fail(ERROR_NOT_SUPPORTED);
}

void ReleaseDeviceLocks(Machine& machine, std::uintptr_t owner) {
    std::erase_if(machine.deviceLocks, [owner](const auto& entry) { return entry.second.owner == owner; });
}

} // namespace hosted
