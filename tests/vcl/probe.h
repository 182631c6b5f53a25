// A test-only component with one published property of every kind that
// form files carry, and a record of the setters called on it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "vcl/classes.h"
#include "vcl/typinfo.h"

namespace probe {

enum TProbeKind : std::uint8_t { pkNone, pkSome, pkAll };
extern const vcl::TTypeInfo TypeInfo_TProbeKind;
// A subrange 1..25 in one unsigned byte.
extern const vcl::TTypeInfo TypeInfo_TTries;

class TProbe : public vcl::TComponent {
public:
    explicit TProbe(vcl::TComponent* AOwner) : vcl::TComponent(AOwner) { ++Alive(); }
    ~TProbe() override { --Alive(); }
    // How many probes exist now.
    static int& Alive();

    static const vcl::TClassInfo& StaticClassInfo();
    const vcl::TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

    char Letter() const { return FLetter; }
    void SetLetter(char Value);
    vcl::Cardinal Count() const { return FCount; }
    void SetCount(vcl::Cardinal Value);
    bool Flag = true;
    TProbeKind Kind = pkNone;
    std::uint8_t Tries = 2;

    // Setter calls of every probe, as "Name.Setter(value)".
    static std::vector<std::string>& Calls();

private:
    char FLetter = 'C';
    vcl::Cardinal FCount = 1;
};

// TProbe with one more property, to show that inherited ones come first.
class TWideProbe : public TProbe {
public:
    using TProbe::TProbe;
    static const vcl::TClassInfo& StaticClassInfo();
    const vcl::TClassInfo& ClassInfo() const override { return StaticClassInfo(); }
    bool Extra = false;
};

// Registers both classes (once).
void RegisterProbes();

} // namespace probe
