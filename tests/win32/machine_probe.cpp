// A small program on the hosted backend, configured only by its environment:
// the tests run it to see ZELVAN_* variables take effect in a fresh process.
//   win32_probe LETTER   queries the identity, measures and reads LETTER:,
//                        and asks one confirmation; prints what it got.
#include <cstdio>
#include <string>
#include <vector>

#include "win32/win32.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: win32_probe LETTER\n");
        return 2;
    }
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof version;
    GetVersionExA(&version);
    std::printf("version %u %u\n", unsigned(version.dwPlatformId), unsigned(version.dwBuildNumber & 0xFFFF));

    std::string root = std::string(argv[1]) + ":\\";
    DWORD perCluster = 0, sectorSize = 0, freeClusters = 0, totalClusters = 0;
    BOOL measured = GetDiskFreeSpaceA(root.c_str(), &perCluster, &sectorSize, &freeClusters, &totalClusters);
    std::printf("free %d %u %u %u %u\n", measured, unsigned(perCluster), unsigned(sectorSize), unsigned(freeClusters),
                unsigned(totalClusters));

    std::string device = std::string("\\\\.\\") + argv[1] + ":";
    HANDLE volume = CreateFileA(device.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    std::vector<unsigned char> sector(512);
    for (int attempt = 0; attempt < 2; ++attempt) {
        DWORD got = 0;
        BOOL read = ReadFile(volume, sector.data(), 512, &got, nullptr);
        std::printf("read %d %u %u\n", read, unsigned(got), unsigned(read ? 0 : GetLastError()));
    }
    if (volume != INVALID_HANDLE_VALUE) CloseHandle(volume);
    std::printf("answer %d\n", MessageBoxA(nullptr, "Proceed?", "Probe", MB_YESNO));
    return 0;
}
