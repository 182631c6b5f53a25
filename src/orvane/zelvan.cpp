// The component's model: construction, drive selection and measurement, the
// sector range it accepts, and the unit-level handles.
#include "orvane/orvane.h"
#include "orvane/rules.h"
#include "orvane/unit.h"

namespace Orvane {

vcl::AnsiString AttentionText = "Dangerous!\rDo you want to write to the drive ";

HANDLE DeviceHandle = INVALID_HANDLE_VALUE;
HANDLE DiskHandle = INVALID_HANDLE_VALUE;
bool HandleOpened = false;
DIOC_REGISTERS Registers{};
DWORD BytesReturned = 0;
DISKIO DiskIo{};

// The properties start at their defaults; DriveName by its setter, which
// measures the drive.
TZelvan::TZelvan(vcl::TComponent* AOwner) : vcl::TComponent(AOwner) {
    FWinPlatform = GetWinPlatform();
    SetDisk(DefaultDriveName);
}

// Handles belong to the transfers, which close them before they return.
TZelvan::~TZelvan() = default;

std::uint8_t TZelvan::GetWinPlatform() {
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof(info);
    GetVersionExA(&info);
    FBuildNumber = BuildNumberOf(info.dwBuildNumber);
    return static_cast<std::uint8_t>(info.dwPlatformId);
}

void TZelvan::SetDisk(char Value) {
    if (!IsDriveLetter(Value)) {
        FDriveValid = false;
        return;
    }
    const char letter = UpperLetter(Value);
    if (GetDiskInfo(letter)) {
        FDriveName = letter;
        FDriveValid = true;
    } else {
        // Keep the geometry fields describing the drive that stays selected.
        GetDiskInfo(FDriveName);
        FDriveValid = false;
    }
}

bool TZelvan::GetDiskInfo(char Drive) {
    return MeasureDisk(UpperLetter(Drive), FSectorsPerCluster, FBytesPerSector, FFreeClusters, FTotalClusters);
}

int TZelvan::GetDriveNo(char Drive) const { return static_cast<unsigned char>(Drive) - 65; }

Cardinal TZelvan::SizeBound() const { return SizeBoundOf(FTotalClusters, FSectorsPerCluster); }

void TZelvan::SetFirstSector(Cardinal Value) {
    if (Value == FFirstSector) return;
    if (Value < SizeBound()) FFirstSector = Value;
}

void TZelvan::SetSectors(Cardinal Value) {
    if (Value == FSectors) return;
    if (vcl::WrappingAdd(FFirstSector, Value) < SizeBound()) FSectors = Value;
}

void TZelvan::FreeHandle() {
    if (DiskHandle != INVALID_HANDLE_VALUE) CloseHandle(DiskHandle);
    if (DeviceHandle != INVALID_HANDLE_VALUE) CloseHandle(DeviceHandle);
    HandleOpened = false;
    DiskHandle = INVALID_HANDLE_VALUE;
    DeviceHandle = INVALID_HANDLE_VALUE;
}

TZelvan::THandleRelease::~THandleRelease() {
    if (!FArmed) return;
    switch (FWhat) {
    case Opened:
        if (HandleOpened) FOwner.FreeHandle();
        break;
    case Both:
        FOwner.FreeHandle();
        break;
    case Device:
        if (DeviceHandle != INVALID_HANDLE_VALUE) CloseHandle(DeviceHandle);
        DeviceHandle = INVALID_HANDLE_VALUE;
        break;
    }
}

} // namespace Orvane
