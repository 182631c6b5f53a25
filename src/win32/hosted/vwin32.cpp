#include "win32/hosted/vwin32.h"

#include <cstring>

#include "win32/hosted/device_services.h"

namespace hosted {

namespace {

using Service = void (*)(ServiceContext&, DIOC_REGISTERS&);

// A control code, checked against hostedServices when the code is compiled.
class ServiceCode {
public:
    consteval ServiceCode(DWORD code) : code_(code) {
        if (ServiceIndexOfCode(code) == noHostedService) throw "a VWIN32 service needs its row in hostedServices";
    }
    DWORD get() const { return code_; }

private:
    DWORD code_;
};

struct ServiceEntry {
    ServiceCode code;
    Service service;
};

constexpr ServiceEntry services[] = {
    {VWIN32_DIOC_DOS_IOCTL, Int21_440D}, {VWIN32_DIOC_DOS_INT25, Int25}, {VWIN32_DIOC_DOS_INT26, Int26},
    {VWIN32_DIOC_DOS_INT13, Int13},      {VWIN32_DIOC_DOS_DRIVEINFO, Int21_7305},
};

// The answer of a planned fault: carry set, and the status where the
// service puts it.
void AnswerPlanned(DIOC_REGISTERS& registers, const HostedService& row, DWORD status) {
    Refuse(registers, static_cast<WORD>(row.statusInAh ? status << 8 : status));
}

std::string RegistersText(const DIOC_REGISTERS& r) {
    return "EAX=" + RegisterArg(r.reg_EAX) + " EBX=" + RegisterArg(r.reg_EBX) + " ECX=" + RegisterArg(r.reg_ECX) +
           " EDX=" + RegisterArg(r.reg_EDX) + " EDI=" + RegisterArg(r.reg_EDI) + " ESI=" + RegisterArg(r.reg_ESI) +
           " Flags=" + RegisterArg(r.reg_Flags);
}

} // namespace

BOOL Vwin32Control(Machine& machine, Call& call, std::uintptr_t owner, DeviceHandle& device,
                   const ControlRequest& request) {
    const ServiceEntry* entry = nullptr;
    for (const ServiceEntry& candidate : services)
        if (candidate.code.get() == request.code) entry = &candidate;
    if (!entry) return call.Fail(ERROR_NOT_SUPPORTED);
    const HostedService& row = *ServiceOfCode(request.code);
    if (!request.in || !request.out || request.inSize < sizeof(DIOC_REGISTERS) || request.outSize < sizeof(DIOC_REGISTERS))
        return call.Fail(ERROR_INVALID_PARAMETER);

    ++machine.requestsMade[ServiceIndexOfCode(request.code)];
    DIOC_REGISTERS registers;
    std::memcpy(&registers, request.in, sizeof registers);
    const DIOC_REGISTERS sent = registers;
    ServiceContext context{machine, owner, device, {}, call.Journalled()};
    if (std::optional<DWORD> status = machine.faults.Strike(row.name, std::nullopt, row.plannedStatus)) {
        AnswerPlanned(registers, row, *status);
        if (call.Journalled()) context.note = "planned fault";
    } else {
        entry->service(context, registers);
    }
    std::memcpy(request.out, &registers, sizeof registers);
    if ((registers.reg_Flags & CARRY_FLAG) && !machine.deviceRefusal)
        machine.deviceRefusal = DeviceRefusal{std::string(row.name), registers.reg_EAX};
    *request.bytesReturned = sizeof registers;

    if (call.Journalled()) {
        std::string line = "VWIN32 " + std::string(row.name) + " in(" + RegistersText(sent) + ") out(" +
                           RegistersText(registers) + ")";
        if (!context.note.empty()) line += " " + context.note;
        call.Follow(std::move(line));
    }
    return call.Succeed();
}

void ReleaseDeviceLocks(Machine& machine, std::uintptr_t owner) {
    std::erase_if(machine.deviceLocks, [owner](const auto& entry) { return entry.second.owner == owner; });
}

} // namespace hosted
