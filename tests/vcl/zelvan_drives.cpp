#include "zelvan_drives.h"

#include <regex>

#include "vcl/registry.h"
#include "win32/hosted/hosted_pc.h"

namespace zelvantest {

namespace {
std::uint64_t Figure(const std::string& report, const std::string& pattern) {
    std::smatch match;
    if (!std::regex_search(report, match, std::regex(pattern))) throw std::runtime_error("fsck.fat: no " + pattern);
    return std::stoull(match[1]);
}
} // namespace

Drive MakeDrive(const testsupport::TempDir& dir, const std::string& name, unsigned kib) {
    std::filesystem::path image = testsupport::MakeFatImage(dir, name, kib, "-F 16");
    std::string report = testsupport::RunOk("fsck.fat -nv '" + image.string() + "'");
    std::uint64_t perCluster = Figure(report, R"((\d+) bytes per cluster)") /
                               Figure(report, R"((\d+) bytes per logical sector)");
    return {image, Figure(report, R"((\d+) data clusters)") * perCluster};
}

void ZelvanForms::SetUp() {
    hosted::ResetMachine();
    hosted::KeepJournal(true);
    c = MakeDrive(dir, "c.img", 16384);
    d = MakeDrive(dir, "d.img", 65536);
    hosted::MapDrive('C', {c.image.string()});
    hosted::MapDrive('D', {d.image.string()});
    vcl::RegisterClass(Orvane::TZelvan::StaticClassInfo());
    module.SetName("Module");
}

void ZelvanForms::TearDown() {
    module.DestroyComponents();
    hosted::ResetMachine();
}

Orvane::TZelvan& ZelvanForms::AddZelvan(const char* name) {
    auto* zelvan = new Orvane::TZelvan(&module);
    zelvan->SetName(name);
    return *zelvan;
}

} // namespace zelvantest
