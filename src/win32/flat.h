// VWIN32 requests carry 32-bit flat addresses. On 32-bit Windows that is the
// pointer itself. On a 64-bit host a pointer does not fit, so a region is
// registered for the duration of a request and named by a 32-bit address
// that the hosted device resolves back, checking bounds on use.
#pragma once

#include <cstddef>
#include <cstdint>

#include "win32/win32.h"

namespace win32 {

class FlatRegion {
public:
    FlatRegion(const void* base, std::size_t length);
    ~FlatRegion();
    FlatRegion(const FlatRegion&) = delete;
    FlatRegion& operator=(const FlatRegion&) = delete;

    // 0 when the region could not be given an address.
    DWORD Address() const { return address_; }

private:
    DWORD address_;
};

#ifdef _WIN32
// A 64-bit Windows has no VWIN32 device; there is nothing to address.
inline FlatRegion::FlatRegion(const void* base, std::size_t)
    : address_(sizeof(void*) == 4 ? static_cast<DWORD>(reinterpret_cast<UINT_PTR>(base)) : 0) {}
inline FlatRegion::~FlatRegion() = default;
#endif

} // namespace win32
