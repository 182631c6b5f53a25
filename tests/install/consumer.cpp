// Reads the boot sector of the drive C: given by ZELVAN_DRIVES and prints
// its signature bytes.
#include <cstdio>

#include "orvane/orvane.h"

int main() {
    Orvane::TZelvan z(nullptr);
    unsigned char sector[512];
    if (!z.ReadSectors(sector, sizeof sector - 1)) return 1;
    std::printf("%02x%02x\n", sector[510], sector[511]);
    return 0;
}
