// ReadSectors and WriteSectors: the checks every logical transfer passes, the
// write confirmation, and the choice of road.
#include <string>
#include <vector>

#include "orvane/orvane.h"
#include "orvane/rules.h"
#include "orvane/unit.h"
#include "vcl/sysutils.h"

namespace Orvane {

namespace {
// The run's length in bytes, or nothing when it does not fit in 32 bits: a
// wrapped product would be a shorter run that could pass for the whole one.
bool RunFits(Cardinal Sectors, std::uint32_t BytesPerSector, int High, std::uint32_t& Bytes) {
    const std::uint64_t bytes = std::uint64_t{static_cast<std::uint32_t>(Sectors)} * BytesPerSector;
    if (bytes > UINT32_MAX || vcl::OpenArrayLength(High) < bytes) return false;
    Bytes = static_cast<std::uint32_t>(bytes);
    return true;
}
} // namespace

bool ConfirmWrite(char Drive) {
    std::string text(AttentionText.View());
    text += Drive;
    text += ": really?";
    return MessageBoxA(nullptr, text.c_str(), "Attention", MB_YESNO | MB_ICONEXCLAMATION) == IDYES;
}

bool TZelvan::ReadSectors(unsigned char* Buffer, const int High) {
    std::uint32_t bytes = 0;
    if (!RunFits(FSectors, FBytesPerSector, High, bytes)) return false;
    if (!FDriveValid) return false;
    return MoveRun(Buffer, bytes, false);
}

bool TZelvan::WriteSectors(const unsigned char* Buffer, const int High) {
    // The path works on a copy taken now: what the dialog lets the application
    // change meanwhile is not what gets written.
    std::vector<unsigned char> copy(Buffer, Buffer + vcl::OpenArrayLength(High));
    std::uint32_t bytes = 0;
    if (!RunFits(FSectors, FBytesPerSector, High, bytes)) return false;
    if (!FDriveValid) return false;
    if (FNeedWriteWarn && !ConfirmWrite(FDriveName)) return false;
    return MoveRun(copy.data(), bytes, true);
}

bool TZelvan::MoveRun(unsigned char* Data, std::uint32_t Bytes, bool Write) {
    const unsigned retries = FRetries;
    if (TakesWin95Road(vcl::Win32Platform)) {
        const int drive = GetDriveNo(FDriveName);
        const int first = static_cast<int>(FFirstSector);
        const int count = static_cast<int>(FSectors);
        return Attempt(retries, [&] {
            return Write ? WS95(drive, first, count, Data) : RS95(drive, first, count, Data);
        });
    }
    if (vcl::Win32Platform == WinNT) {
        const std::uint64_t offset = NtByteOffset(FFirstSector, FBytesPerSector);
        return Attempt(retries, [&] {
            return Write ? TransferNT(FDriveName, offset, Bytes, nullptr, Data, true)
                         : TransferNT(FDriveName, offset, Bytes, Data, nullptr, false);
        });
    }
    return false;
}

} // namespace Orvane
