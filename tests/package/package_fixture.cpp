#include "package_fixture.h"

#include <algorithm>
#include <cstdlib>
#include <deque>
#include <dlfcn.h>

#include "vcl/packages.h"
#include "win32/hosted/hosted_pc.h"
#include "win32/unique_module.h"

namespace packagetest {

namespace fs = std::filesystem;

namespace {
const fs::path& Canonical(const char* file) {
    // A deque keeps the paths handed out where they are as it grows.
    static std::deque<std::pair<const char*, fs::path>> known;
    for (const auto& [name, path] : known)
        if (name == file) return path;
    return known.emplace_back(file, fs::canonical(file)).second;
}
} // namespace

const fs::path& PackageFile() { return Canonical(PACKAGE_FILE); }
const fs::path& OtherPackageFile() { return Canonical(OTHER_PACKAGE_FILE); }
const fs::path& RuntimeFile() { return Canonical(RUNTIME_FILE); }
const fs::path& OtherRuntimeFile() { return Canonical(OTHER_RUNTIME_FILE); }
const fs::path& GermanResources() { return Canonical(GERMAN_RESOURCES); }

testsupport::CommandResult Host(const std::string& arguments, const std::string& environment) {
    return testsupport::Run(environment + " " + Quoted(HOST_PROGRAM) + " " + arguments);
}

std::string Quoted(const fs::path& path) { return "'" + path.string() + "'"; }

bool Loaded(const fs::path& file) {
    void* library = ::dlopen(file.c_str(), RTLD_LAZY | RTLD_NOLOAD);
    if (library) ::dlclose(library);
    return library != nullptr;
}

std::size_t ThreadCount() {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator("/proc/self/task"), fs::directory_iterator()));
}

testsupport::Bytes FileResource(const fs::path& file, LPCSTR name, LPCSTR type) {
    const win32::UniqueModule data(LoadLibraryExA(file.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    std::optional<vcl::TResourceBytes> bytes = data.get() ? vcl::ResourceBytes(data.get(), name, type) : std::nullopt;
    return bytes ? testsupport::Bytes(bytes->begin(), bytes->end()) : testsupport::Bytes();
}

void Call(HMODULE module, const char* name) {
    auto procedure = vcl::GetProcAs<void (*)()>(module, name);
    ASSERT_NE(procedure, nullptr) << name;
    procedure();
}

fs::path PatchedPackage(const testsupport::TempDir& dir, const std::string& name, std::size_t offset,
                        const testsupport::Bytes& bytes) {
    testsupport::Bytes file = testsupport::ReadFile(PackageFile());
    const testsupport::Bytes record = FileResource(PackageFile(), "PACKAGEINFO", RT_RCDATA);
    const auto at = std::search(file.begin(), file.end(), record.begin(), record.end());
    if (at == file.end()) throw std::runtime_error("no PACKAGEINFO record in " + PackageFile().string());
    std::copy(bytes.begin(), bytes.end(), at + static_cast<std::ptrdiff_t>(offset));
    testsupport::WriteFile(dir / name, file);
    return dir / name;
}

fs::path InstalledPackage(const testsupport::TempDir& dir) {
    // The build's copy also looks in the build's folders, which its RUNPATH
    // names; an installed one names $ORIGIN, its own folder.
    const std::string dynamic = testsupport::RunOk("readelf -d '" + PackageFile().string() + "'");
    const std::string mark = "Library runpath: [";
    const std::size_t from = dynamic.find(mark);
    if (from == std::string::npos) throw std::runtime_error(PackageFile().string() + " has no RUNPATH");
    const std::size_t start = from + mark.size();
    const std::string runpath = '\0' + dynamic.substr(start, dynamic.find(']', start) - start) + '\0';
    testsupport::Bytes file = testsupport::ReadFile(PackageFile());
    const auto at = std::search(file.begin(), file.end(), runpath.begin(), runpath.end());
    if (at == file.end()) throw std::runtime_error("no RUNPATH text in " + PackageFile().string());
    const std::string origin = "$ORIGIN";
    std::fill(at + 1, at + static_cast<std::ptrdiff_t>(runpath.size()), 0);
    std::copy(origin.begin(), origin.end(), at + 1);
    const fs::path copy = dir / PackageFile().filename();
    testsupport::WriteFile(copy, file);
    return copy;
}

std::string LoadRefusal(const fs::path& file) {
    const std::vector<vcl::TLibModule> modules = vcl::RegisteredModules();
    const std::vector<std::string> palette = PaletteShown();
    const std::size_t handles = hosted::OpenHandleCount();
    try {
        vcl::UnloadPackage(vcl::LoadPackage(file.string()));
    } catch (const vcl::EPackageError& refusal) {
        EXPECT_FALSE(Loaded(file)) << file;
        EXPECT_EQ(vcl::RegisteredModules().size(), modules.size());
        EXPECT_EQ(PaletteShown(), palette);
        EXPECT_EQ(hosted::OpenHandleCount(), handles);
        return refusal.what();
    }
    return "(loaded)";
}

void PackageTest::SetUp() {
    hosted::ResetMachine();
    hosted::KeepJournal(true);
}

void PackageTest::TearDown() {
    EXPECT_FALSE(Loaded(PackageFile())) << "a test left the package loaded";
    EXPECT_FALSE(Loaded(OtherRuntimeFile())) << "the other runtime was loaded";
    EXPECT_TRUE(PaletteShown().empty());
    hosted::ResetMachine();
}

} // namespace packagetest
