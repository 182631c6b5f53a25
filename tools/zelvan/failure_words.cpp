#include "zelvan/failure_words.h"

#include <cstdio>

#include "orvane/rules.h"
#include "win32/service_status.h"
#include "win32/win_errors.h"

namespace zelvan_cli {

namespace {

// The services of the VWIN32 device by the names the machine gives them.
struct ServiceName {
    std::string_view service;
    std::string_view label;
    std::string_view what;
};
constexpr ServiceName serviceNames[] = {
    {"INT25", "INT 25h", "absolute read"},
    {"INT26", "INT 26h", "absolute write"},
    {"INT21-440D", "INT 21h 440Dh", "lock volume"},
    {"INT21-7305", "INT 21h 7305h", "extended absolute read/write"},
    {"INT13", "INT 13h", "BIOS disk"},
};

const ServiceName* FindServiceName(std::string_view service) {
    for (const ServiceName& name : serviceNames)
        if (name.service == service) return &name;
    return nullptr;
}

std::string Hex(const char* name, DWORD value, int digits) {
    char text[24];
    std::snprintf(text, sizeof text, "%s=0x%0*X", name, digits, static_cast<unsigned>(value));
    return text;
}

} // namespace

FaultWords WindowsErrorWords(DWORD error) {
    // The NT road fails without a failed call when ReadFile or WriteFile
    // moved fewer bytes than the run, or when the component found its drive
    // invalid (a measurement that failed when it was selected).
    if (error == ERROR_SUCCESS)
        return {"no Win32 call failed: a transfer moved fewer bytes than the run (the medium ends inside it), or the "
                "drive's last measurement failed"};
    const win32::Win32Error* meaning = win32::FindWin32Error(error);
    if (!meaning) return {"Windows error " + std::to_string(error)};
    return {std::string(meaning->words) + " (" + std::string(meaning->name) + ")",
            meaning->moved == win32::Moved::Nothing};
}

std::string WindowsErrorName(DWORD error) {
    const win32::Win32Error* meaning = win32::FindWin32Error(error);
    return meaning ? std::string(meaning->name) : "Windows error " + std::to_string(error);
}

std::string ServiceLabel(std::string_view service) {
    const ServiceName* name = FindServiceName(service);
    return std::string(name ? name->label : service);
}

FaultWords DeviceRefusalWords(std::string_view service, DWORD eax, bool fat32) {
    const ServiceName* name = FindServiceName(service);
    if (!name) return {std::string(service) + " refused (" + Hex("EAX", eax, 8) + ")"};
    const std::string refused = std::string(name->label) + " (" + std::string(name->what) + ") refused: ";
    const WORD ax = static_cast<WORD>(eax);
    const BYTE al = static_cast<BYTE>(ax), ah = static_cast<BYTE>(ax >> 8);
    auto words = [](win32::StatusFamily family, WORD code) {
        const win32::ServiceStatus* status = win32::FindServiceStatus(family, code);
        return status ? std::string(status->words) : "status " + std::to_string(code);
    };
    if (service == "INT25" || service == "INT26") {
        std::string text = refused + words(win32::StatusFamily::Critical, al) + " (" + Hex("AX", ax, 4) + ")";
        if (al == win32::CriticalError("UNKNOWN_MEDIA") && fat32)
            text += "; INT 25h/26h do not reach a FAT32 volume, which the extended road (builds above " +
                    std::to_string(Orvane::LastClassicBuild) + ", --platform 98) does";
        return {text};
    }
    if (service == "INT21-440D") {
        std::string text = refused + words(win32::StatusFamily::Dos, ax) + " (" + Hex("AX", ax, 4) + ")";
        if (ax == win32::DosError("ERROR_ACCESS_DENIED")) text += ": the volume is locked by another program";
        return {text};
    }
    if (service == "INT21-7305")
        return {refused + words(win32::StatusFamily::Dos, ax) + " (" + Hex("AX", ax, 4) + ")"};
    return {refused + words(win32::StatusFamily::Bios, ah) + " (" + Hex("AH", ah, 2) + ")"};
}

} // namespace zelvan_cli
