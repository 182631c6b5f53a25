// The tests' way into TZelvan's private roads and fields, with nothing in
// the class that the installed orvane.h would carry for them.
#pragma once

#include "orvane/orvane.h"
#include "orvane/unit.h"

namespace Orvane {

namespace peer_detail {

// A private member as a pointer to member, taken in an explicit
// instantiation: the one declaration in which C++ lets code outside a class
// name the class's private members. Each tag gives the pointer's type, and
// Taken(tag) hands the pointer out.
template <typename Tag, typename Tag::Type Member> struct TTaken {
    friend constexpr typename Tag::Type Taken(Tag) { return Member; }
};

#define ZELVAN_TAKE(NAME, TYPE)                                                                                       \
    struct NAME##Tag {                                                                                                \
        using Type = TYPE;                                                                                            \
        friend constexpr Type Taken(NAME##Tag);                                                                       \
    };                                                                                                                \
    template struct TTaken<NAME##Tag, &TZelvan::NAME>;

ZELVAN_TAKE(FDriveValid, bool TZelvan::*)
ZELVAN_TAKE(FWinPlatform, std::uint8_t TZelvan::*)
ZELVAN_TAKE(FBuildNumber, std::uint16_t TZelvan::*)
ZELVAN_TAKE(FSectorsPerCluster, DWORD TZelvan::*)
ZELVAN_TAKE(FBytesPerSector, DWORD TZelvan::*)
ZELVAN_TAKE(FFreeClusters, DWORD TZelvan::*)
ZELVAN_TAKE(FTotalClusters, DWORD TZelvan::*)
ZELVAN_TAKE(GetDriveNo, int (TZelvan::*)(char) const)
ZELVAN_TAKE(FreeHandle, void (TZelvan::*)())
ZELVAN_TAKE(GetDeviceHandle, bool (TZelvan::*)())
ZELVAN_TAKE(RS95, bool (TZelvan::*)(int, int, int, void*))
ZELVAN_TAKE(WS95, bool (TZelvan::*)(int, int, int, void*))
ZELVAN_TAKE(GetDiskHandle, bool (TZelvan::*)(char))
ZELVAN_TAKE(RSNT, bool (TZelvan::*)(char, int, int, unsigned char*, const int))
ZELVAN_TAKE(WSNT, bool (TZelvan::*)(char, int, int, const unsigned char*, const int))
ZELVAN_TAKE(TransferNT, bool (TZelvan::*)(char, std::uint64_t, std::uint32_t, unsigned char*, const unsigned char*, bool))
ZELVAN_TAKE(RF95, int (TZelvan::*)(std::uint8_t, std::uint8_t, std::uint8_t, std::uint8_t, void*))
ZELVAN_TAKE(WF95, int (TZelvan::*)(std::uint8_t, std::uint8_t, std::uint8_t, std::uint8_t, void*))

#undef ZELVAN_TAKE

} // namespace peer_detail

struct TZelvanTestPeer {
    TZelvan& z;

    template <typename Tag> auto& Field() const { return z.*Taken(Tag{}); }
    template <typename Tag, typename... Args> auto Run(Args... args) const { return (z.*Taken(Tag{}))(args...); }

    bool DriveValid() const { return Field<peer_detail::FDriveValidTag>(); }
    std::uint8_t WinPlatform() const { return Field<peer_detail::FWinPlatformTag>(); }
    std::uint16_t& BuildNumber() { return Field<peer_detail::FBuildNumberTag>(); }
    std::uint32_t SectorsPerCluster() const { return Field<peer_detail::FSectorsPerClusterTag>(); }
    std::uint32_t BytesPerSector() const { return Field<peer_detail::FBytesPerSectorTag>(); }
    std::uint32_t FreeClusters() const { return Field<peer_detail::FFreeClustersTag>(); }
    std::uint32_t TotalClusters() const { return Field<peer_detail::FTotalClustersTag>(); }
    // A drive's figures as no FAT volume can have them.
    void SetMeasured(std::uint32_t SectorsPerCluster, std::uint32_t TotalClusters) {
        Field<peer_detail::FSectorsPerClusterTag>() = SectorsPerCluster;
        Field<peer_detail::FTotalClustersTag>() = TotalClusters;
    }
    int GetDriveNo(char Drive) const { return Run<peer_detail::GetDriveNoTag>(Drive); }
    void FreeHandle() { Run<peer_detail::FreeHandleTag>(); }

    bool GetDeviceHandle() { return Run<peer_detail::GetDeviceHandleTag>(); }
    bool RS95(int Drive, int First, int Count, void* Buffer) {
        return Run<peer_detail::RS95Tag>(Drive, First, Count, Buffer);
    }
    bool WS95(int Drive, int First, int Count, void* Buffer) {
        return Run<peer_detail::WS95Tag>(Drive, First, Count, Buffer);
    }

    bool GetDiskHandle(char Drive) { return Run<peer_detail::GetDiskHandleTag>(Drive); }
    bool RSNT(char Drive, int Offset, int Count, unsigned char* Buffer, int High) {
        return Run<peer_detail::RSNTTag>(Drive, Offset, Count, Buffer, High);
    }
    bool WSNT(char Drive, int Offset, int Count, const unsigned char* Buffer, int High) {
        return Run<peer_detail::WSNTTag>(Drive, Offset, Count, Buffer, High);
    }
    // The NT road's transfer at a 64-bit byte offset, as the logical and floppy roads call it.
    bool ReadAt(char Drive, std::uint64_t ByteOffset, std::uint32_t Count, unsigned char* Buffer) {
        return Run<peer_detail::TransferNTTag>(Drive, ByteOffset, Count, Buffer, nullptr, false);
    }

    int RF95(std::uint8_t Drive, std::uint8_t Head, std::uint8_t Cylinder, std::uint8_t Sector, void* Buffer) {
        return Run<peer_detail::RF95Tag>(Drive, Head, Cylinder, Sector, Buffer);
    }
    int WF95(std::uint8_t Drive, std::uint8_t Head, std::uint8_t Cylinder, std::uint8_t Sector, void* Buffer) {
        return Run<peer_detail::WF95Tag>(Drive, Head, Cylinder, Sector, Buffer);
    }
};

} // namespace Orvane
