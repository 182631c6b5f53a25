// Unit Orvane: TZelvan, raw access to the logical sectors of a drive and to
// the physical sectors of a standard floppy disk.
#pragma once

#include <cstdint>
#include <span>

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

// A TZelvan transfers the run of Sectors sectors that begins at FirstSector:
// of the drive DriveName names (ReadSectors, WriteSectors), or of a floppy
// disk named in the call (ReadFloppySectors, WriteFloppySectors).
//
// Buffers are open arrays: the address of the first byte and High, the
// index of the LAST byte, which is the buffer's length minus 1 (-1 for an
// empty one), not its length. ReadSectors(buf.data(), buf.size()) claims a
// byte that buf does not have; the overloads that take a std::span pass
// size() - 1 themselves:
//
//   std::vector<unsigned char> sector(512);
//   ok = zelvan.ReadSectors(sector);  // the same as ReadSectors(sector.data(), 511)
//
// What a caller sees:
// - A transfer returns true when the whole run moved, false otherwise, and
//   gives no reason; it raises no error of its own. A run the buffer cannot
//   hold (High + 1 below Sectors x the drive's bytes per sector), a drive
//   that is not valid (below), Retries 0 and a confirmation answered No fail
//   without touching the disk, and leave GetLastError as it was.
// - On Windows NT (the raw volume) a false after a Win32 call failed leaves
//   that call's error in GetLastError: call SetLastError(0) before the
//   transfer and GetLastError() right after it; ERROR_WRITE_PROTECT for a
//   read-only medium, say, or from Windows Vista on ERROR_ACCESS_DENIED for
//   a write into a mounted file system without NeedDiskLock. On Windows
//   95/98 a refused request comes back from the VWIN32 device with a DOS or
//   BIOS status that stays inside the component: GetLastError changes only
//   when a call itself fails (the device cannot be opened).
// - Both kinds fail at once when the drive is not valid: after a refused
//   DriveName, and after a floppy method refused its drive (one that is
//   not removable, or for a write one from C: on). SetDisk of a drive that
//   can be measured makes the component valid again.
// - On NT a logical transfer that cannot get its temporary block passes the
//   runtime's out-of-memory error on; a floppy transfer turns every error
//   inside it into false.
//
// Setters refuse a value silently and keep the one they had: the next
// transfer moves the old run and may well return true. SetFirstSector
// takes a sector below the drive's size only, SetSectors a count whose run
// ends below it, and SetDisk a letter whose drive can be measured (a
// refused letter also makes the component invalid). Read the property back
// to know whether it was taken:
//
//   zelvan.SetFirstSector(first);
//   if (zelvan.FirstSector() != first) { /* beyond the drive: nothing to read */ }
class TZelvan : public vcl::TComponent {
public:
    explicit TZelvan(vcl::TComponent* AOwner);
    ~TZelvan() override;

    // The published properties below, described for form files and design tools.
    static const vcl::TClassInfo& StaticClassInfo();
    const vcl::TClassInfo& ClassInfo() const override;

    // Reads the run into the first Sectors x bytes-per-sector bytes of
    // Buffer[0..High] and leaves the rest alone; after a false those bytes
    // are unspecified.
    bool ReadSectors(unsigned char* Buffer, const int High);
    bool ReadSectors(std::span<unsigned char> Buffer) { return ReadSectors(Buffer.data(), vcl::OpenArrayHigh(Buffer.size())); }
    // Writes the run from the first bytes of Buffer[0..High], after asking
    // the user when NeedWriteWarn is set.
    bool WriteSectors(const unsigned char* Buffer, const int High);
    bool WriteSectors(std::span<const unsigned char> Buffer) {
        return WriteSectors(Buffer.data(), vcl::OpenArrayHigh(Buffer.size()));
    }
    // The same for the floppy disk in drive Drive, whatever DriveName says,
    // with the geometry of FloppyType; sectors of 512 bytes.
    bool ReadFloppySectors(char Drive, unsigned char* Buffer, const int High, TFloppyType FloppyType);
    bool ReadFloppySectors(char Drive, std::span<unsigned char> Buffer, TFloppyType FloppyType) {
        return ReadFloppySectors(Drive, Buffer.data(), vcl::OpenArrayHigh(Buffer.size()), FloppyType);
    }
    // IgnoredFlag is accepted for the callers that pass it and changes nothing.
    bool WriteFloppySectors(char Drive, const unsigned char* Buffer, const int High,
                            TFloppyType FloppyType, bool IgnoredFlag);
    bool WriteFloppySectors(char Drive, std::span<const unsigned char> Buffer, TFloppyType FloppyType,
                            bool IgnoredFlag = false) {
        return WriteFloppySectors(Drive, Buffer.data(), vcl::OpenArrayHigh(Buffer.size()), FloppyType, IgnoredFlag);
    }

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
