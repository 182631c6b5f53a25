// Requests to the VWIN32 device as a Windows 95/98 program makes them.
#pragma once

#include <array>
#include <cstdint>

#include "hosted_fixture.h"
#include "win32/flat.h"

namespace hostedtest {

constexpr const char* vwin32Path = "\\\\.\\vwin32";

struct Reply {
    BOOL returned;
    DIOC_REGISTERS registers;
    bool Carry() const { return (registers.reg_Flags & CARRY_FLAG) != 0; }
    WORD Ax() const { return static_cast<WORD>(registers.reg_EAX & 0xFFFF); }
};

class DeviceTest : public HostedTest {
protected:
    // Opens the device as the classic samples do.
    HANDLE OpenDevice() {
        return CreateFileA(vwin32Path, readWrite, 0, nullptr, 0, FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    }

    static Reply Send(HANDLE device, DWORD code, DIOC_REGISTERS registers) {
        registers.reg_Flags = CARRY_FLAG;
        DWORD returned = 0;
        Reply reply{FALSE, registers};
        reply.returned = DeviceIoControl(device, code, &reply.registers, sizeof(DIOC_REGISTERS), &reply.registers,
                                         sizeof(DIOC_REGISTERS), &returned, nullptr);
        return reply;
    }
};

// A DISKIO packet with its own flat address, naming a registered buffer.
class DiskIo {
public:
    DiskIo(DWORD first, WORD count, DWORD buffer)
        : bytes_{static_cast<std::uint8_t>(first), static_cast<std::uint8_t>(first >> 8), static_cast<std::uint8_t>(first >> 16),
                 static_cast<std::uint8_t>(first >> 24), static_cast<std::uint8_t>(count), static_cast<std::uint8_t>(count >> 8),
                 static_cast<std::uint8_t>(buffer), static_cast<std::uint8_t>(buffer >> 8), static_cast<std::uint8_t>(buffer >> 16),
                 static_cast<std::uint8_t>(buffer >> 24)},
          region_(bytes_.data(), bytes_.size()) {}
    DWORD Address() const { return region_.Address(); }

private:
    std::array<std::uint8_t, 10> bytes_;
    win32::FlatRegion region_;
};

} // namespace hostedtest
