// The hosted PC as the conformance cases' machine: a fresh machine for each
// case, with mkfs.fat images made on first use, as the stage makes its own.
#include <map>
#include <memory>

#include "conformance.h"
#include "support.h"
#include "win32/hosted/hosted_pc.h"

namespace conformance {

namespace {

struct CaseMachine {
    testsupport::TempDir dir;
    std::map<char, TestDrive> drives;
};
std::unique_ptr<CaseMachine> machine;

TestDrive Made(char letter, unsigned kib, const std::string& options, hosted::DriveKind kind) {
    auto found = machine->drives.find(letter);
    if (found != machine->drives.end()) return found->second;
    const TestDrive drive{letter, testsupport::MakeFatImage(machine->dir, std::string(1, letter) + ".img", kib, options)};
    hosted::MapDrive(letter, {drive.image.string(), kind});
    return machine->drives[letter] = drive;
}

} // namespace

void Win32Test::SetUp() {
    hosted::ResetMachine();
    machine = std::make_unique<CaseMachine>();
}

void Win32Test::TearDown() {
    hosted::ResetMachine();
    machine.reset();
}

TestDrive FatDrive(int bits) {
    switch (bits) {
    case 12: return Made('D', 4096, "-F 12", hosted::DriveKind::Fixed);
    case 16: return Made('E', 16384, "-F 16", hosted::DriveKind::Fixed);
    default: return Made('F', 34000, "-F 32", hosted::DriveKind::Fixed);
    }
}

TestDrive FloppyDrive() { return Made('A', 1440, "", hosted::DriveKind::Removable); }

// The machine's default identity, Windows NT 4.0.
Reported ReportedWindows() { return {VER_PLATFORM_WIN32_NT, 1381}; }

bool RunningOnWine() { return false; }

} // namespace conformance
