// Unit Orvane: TZelvan, raw access to the logical sectors of a drive and to
// the physical sectors of a standard floppy disk.
#pragma once

#include <cstdint>

#include "vcl/classes.h"
#include "vcl/system.h"
#include "vcl/typinfo.h"
#include "win32/win32.h"

namespace Orvane {

using vcl::Cardinal;

enum TFloppyType : std::uint8_t { DUnknown = 0, D360 = 1, D1200 = 2, D720 = 3, D1440 = 4 };

// A retry count, 1 to 25 by its type information; the component never tests
// the bounds, and a run-time 0 makes every logical transfer fail.
using TRetries = std::uint8_t;

// Type information of the unit (zelvan_typeinfo.cpp).
extern const vcl::TTypeInfo TypeInfo_TFloppyType;
extern const vcl::TTypeInfo TypeInfo_TRetries;

// The start of the write-confirmation message; the application may assign it.
extern vcl::AnsiString AttentionText;

struct TFloppyFormat;

class TZelvan : public vcl::TComponent {
public:
    explicit TZelvan(vcl::TComponent* AOwner);
    ~TZelvan() override;

    // The published properties below, described for form files and design tools.
    static const vcl::TClassInfo& StaticClassInfo();
    const vcl::TClassInfo& ClassInfo() const override;

    bool ReadSectors(unsigned char* Buffer, const int High);
    bool WriteSectors(const unsigned char* Buffer, const int High);
    bool ReadFloppySectors(char Drive, unsigned char* Buffer, const int High, TFloppyType FloppyType);
    // IgnoredFlag is accepted for the callers that pass it and changes nothing.
    bool WriteFloppySectors(char Drive, const unsigned char* Buffer, const int High,
                            TFloppyType FloppyType, bool IgnoredFlag);

    // The published properties' defaults: what a new component holds (drive
    // C when it can be measured) and what a stored form leaves out.
    static constexpr char DefaultDriveName = 'C';
    static constexpr Cardinal DefaultFirstSector = 0;
    static constexpr Cardinal DefaultSectors = 1;
    static constexpr bool DefaultNeedDiskLock = false;
    static constexpr bool DefaultNeedWriteWarn = true;
    static constexpr TRetries DefaultRetries = 2;

    // Published properties, in declaration order.
    char DriveName() const { return FDriveName; }
    void SetDisk(char Value);
    Cardinal FirstSector() const { return FFirstSector; }
    void SetFirstSector(Cardinal Value);
    Cardinal Sectors() const { return FSectors; }
    void SetSectors(Cardinal Value);
    bool NeedDiskLock() const { return FNeedDiskLock; }
    void SetNeedDiskLock(bool Value) { FNeedDiskLock = Value; }
    bool NeedWriteWarn() const { return FNeedWriteWarn; }
    void SetNeedWriteWarn(bool Value) { FNeedWriteWarn = Value; }
    TRetries Retries() const { return FRetries; }
    void SetRetries(TRetries Value) { FRetries = Value; }

    // Read-only and not published: whether the selected drive may be used,
    // and its figures as its last measurement left them, so that a program
    // shows them without measuring the drive again.
    bool DriveValid() const { return FDriveValid; }
    DWORD SectorsPerCluster() const { return FSectorsPerCluster; }
    DWORD BytesPerSector() const { return FBytesPerSector; }
    DWORD FreeClusters() const { return FFreeClusters; }
    DWORD TotalClusters() const { return FTotalClusters; }

private:
    friend struct TZelvanTestPeer;

    std::uint8_t FWinPlatform = 0;
    std::uint16_t FBuildNumber = 0;
    char FDriveName = 0; // until a letter is selected
    Cardinal FFirstSector = DefaultFirstSector;
    Cardinal FSectors = DefaultSectors;
    DWORD FSectorsPerCluster = 0;
    DWORD FBytesPerSector = 0;
    DWORD FFreeClusters = 0;
    DWORD FTotalClusters = 0;
    bool FNeedDiskLock = DefaultNeedDiskLock;
    bool FNeedWriteWarn = DefaultNeedWriteWarn;
    bool FDriveValid = false;
    TRetries FRetries = DefaultRetries;

    // Model and drive selection.
    std::uint8_t GetWinPlatform();
    bool GetDiskInfo(char Drive);
    int GetDriveNo(char Drive) const;
    Cardinal SizeBound() const;
    void FreeHandle();
    // How every road lets go of the unit's handles on every way out (unit.h).
    class THandleRelease;

    // The road a logical transfer takes on the running platform.
    bool MoveRun(unsigned char* Data, std::uint32_t Bytes, bool Write);

    // Windows 95/98, through the VWIN32 device.
    bool GetDeviceHandle();
    bool RS95(int Drive, int FirstSector, int Count, void* Buffer);
    bool WS95(int Drive, int FirstSector, int Count, void* Buffer);
    bool Run95(bool Write, bool Lock, int Drive, int FirstSector, int Count, void* Buffer);

    // Windows NT, through the raw volume.
    bool GetDiskHandle(char Drive);
    bool RSNT(char Drive, int Offset, int Count, unsigned char* Buffer, const int High);
    bool WSNT(char Drive, int Offset, int Count, const unsigned char* Buffer, const int High);
    // The transfer of both, at a byte offset of 64 bits, which the logical and
    // floppy roads hand over whole, so that every sector of a volume is reached.
    bool TransferNT(char Drive, std::uint64_t ByteOffset, std::uint32_t Count, unsigned char* ReadInto,
                    const unsigned char* WriteFrom, bool Write);

    // Physical floppy sectors on Windows 95/98, through interrupt 13h.
    int RF95(std::uint8_t Drive, std::uint8_t Head, std::uint8_t Cylinder, std::uint8_t Sector, void* Buffer);
    int WF95(std::uint8_t Drive, std::uint8_t Head, std::uint8_t Cylinder, std::uint8_t Sector, void* Buffer);
    int Int13Sector(std::uint8_t Function, std::uint8_t Drive, std::uint8_t Head, std::uint8_t Cylinder,
                    std::uint8_t Sector, void* Buffer);
    bool FloppyTransfer(char Drive, unsigned char* Data, std::uint64_t Length, TFloppyType FloppyType, bool Write);
    bool FloppySectorLoop(char Drive, unsigned char* Data, const TFloppyFormat& Format, bool Write);
};

} // namespace Orvane
