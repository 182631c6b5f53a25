#include "fuzz_forms.h"

#include <cstdlib>
#include <memory>

#include "floppy_probe.h"
#include "orvane/orvane.h"
#include "vcl/datamodule.h"
#include "vcl/formbinary.h"
#include "vcl/formtext.h"
#include "vcl/registry.h"
#include "win32/hosted/hosted_pc.h"

namespace fuzzforms {

namespace {
void Check(bool condition) {
    if (!condition) std::abort();
}

void RoundTrip(const vcl::TFormObject& form, vcl::TFormEncoding encoding) {
    vcl::TBytes written;
    try {
        written = vcl::WriteFormTree(form, encoding);
    } catch (const vcl::EWriteError&) {
        return;
    }
    Check(vcl::DetectFormEncoding(written) == encoding);
    Check(vcl::ReadFormTree(written, "round trip") == form);
}
} // namespace

void RegisterClasses() {
    vcl::RegisterClass(Orvane::TZelvan::StaticClassInfo());
    vcl::RegisterClass(TFloppyProbe::StaticClassInfo());
}

void Exercise(std::span<const std::uint8_t> data, vcl::TFormEncoding encoding) {
    vcl::TFormObject form;
    try {
        form = encoding == vcl::TFormEncoding::Binary ? vcl::ReadBinaryForm(data, "fuzz") : vcl::ReadTextForm(data, "fuzz");
    } catch (const vcl::EReadError&) {
        return;
    }
    RoundTrip(form, vcl::TFormEncoding::Binary);
    RoundTrip(form, vcl::TFormEncoding::Text);
    try {
        std::unique_ptr<vcl::TComponent> root = vcl::FormToComponent(form, "fuzz");
    } catch (const vcl::EReadError&) {
    }
    hosted::ClearJournal(); // the journal would otherwise grow with every run
}

std::vector<vcl::TBytes> SeedForms(vcl::TFormEncoding encoding) {
    hosted::ClearDrives(); // no drive C: every TZelvan starts at DriveName #0
    vcl::TDataModule module(nullptr);
    module.SetName("Module");
    std::vector<vcl::TBytes> seeds{vcl::WriteComponent(module, encoding)};

    auto* zelvan = new Orvane::TZelvan(&module);
    zelvan->SetName("Zelvan1");
    seeds.push_back(vcl::WriteComponent(module, encoding));
    zelvan->SetNeedDiskLock(true);
    zelvan->SetNeedWriteWarn(false);
    zelvan->SetRetries(0);
    auto* floppy = new TFloppyProbe(&module);
    floppy->SetName("Floppy");
    floppy->FloppyType = Orvane::D1440;
    seeds.push_back(vcl::WriteComponent(module, encoding));

    // Integers of every tag, strings long and short, and nesting.
    vcl::TFormObject mixed{"TZelvan", "Mixed", {}, {}, {}};
    for (std::int64_t value : {std::int64_t{-1}, std::int64_t{300}, std::int64_t{70000}, std::int64_t{3000000000}})
        mixed.Properties.push_back({"FirstSector", vcl::TFormValue::OfInteger(value), {}});
    mixed.Properties.push_back({"DriveName", vcl::TFormValue::OfString("it's\r\n"), {}});
    mixed.Properties.push_back({"DriveName", vcl::TFormValue::OfString(std::string(300, 'x')), {}});
    mixed.Children.push_back({"TFloppyProbe", "Inner", {{"FloppyType", vcl::TFormValue::OfIdent("D720"), {}}}, {}, {}});
    seeds.push_back(vcl::WriteFormTree(mixed, encoding));
    return seeds;
}

} // namespace fuzzforms
