// The tests' way into TZelvan's private roads and fields.
#pragma once

#include "orvane/orvane.h"
#include "orvane/unit.h"

namespace Orvane {

struct TZelvanTestPeer {
    TZelvan& z;

    bool DriveValid() const { return z.FDriveValid; }
    std::uint8_t WinPlatform() const { return z.FWinPlatform; }
    std::uint16_t& BuildNumber() { return z.FBuildNumber; }
    std::uint32_t SectorsPerCluster() const { return z.FSectorsPerCluster; }
    std::uint32_t BytesPerSector() const { return z.FBytesPerSector; }
    std::uint32_t FreeClusters() const { return z.FFreeClusters; }
    std::uint32_t TotalClusters() const { return z.FTotalClusters; }
    // A drive's figures as no FAT volume can have them.
    void SetMeasured(std::uint32_t SectorsPerCluster, std::uint32_t TotalClusters) {
        z.FSectorsPerCluster = SectorsPerCluster;
        z.FTotalClusters = TotalClusters;
    }
    int GetDriveNo(char Drive) const { return z.GetDriveNo(Drive); }
    void FreeHandle() { z.FreeHandle(); }

    bool GetDeviceHandle() { return z.GetDeviceHandle(); }
    bool RS95(int Drive, int First, int Count, void* Buffer) { return z.RS95(Drive, First, Count, Buffer); }
    bool WS95(int Drive, int First, int Count, void* Buffer) { return z.WS95(Drive, First, Count, Buffer); }

    bool GetDiskHandle(char Drive) { return z.GetDiskHandle(Drive); }
    bool RSNT(char Drive, int Offset, int Count, unsigned char* Buffer, int High) {
        return z.RSNT(Drive, Offset, Count, Buffer, High);
    }
    bool WSNT(char Drive, int Offset, int Count, const unsigned char* Buffer, int High) {
        return z.WSNT(Drive, Offset, Count, Buffer, High);
    }
    // The NT road's transfer at a 64-bit byte offset, as the logical and floppy roads call it.
    bool ReadAt(char Drive, std::uint64_t ByteOffset, std::uint32_t Count, unsigned char* Buffer) {
        return z.TransferNT(Drive, ByteOffset, Count, Buffer, nullptr, false);
    }

    int RF95(std::uint8_t Drive, std::uint8_t Head, std::uint8_t Cylinder, std::uint8_t Sector, void* Buffer) {
        return z.RF95(Drive, Head, Cylinder, Sector, Buffer);
    }
    int WF95(std::uint8_t Drive, std::uint8_t Head, std::uint8_t Cylinder, std::uint8_t Sector, void* Buffer) {
        return z.WF95(Drive, Head, Cylinder, Sector, Buffer);
    }
};

} // namespace Orvane
