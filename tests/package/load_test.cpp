// Loading ZelvanPack in a host of its build: the palette after Register,
// the module's start and end, and every package that is refused.
#include "package_fixture.h"
#include "vcl/packages.h"
#include "vcl/registry.h"
#include "win32/hosted/hosted_pc.h"

namespace packagetest {
namespace {

namespace fs = std::filesystem;
using testsupport::Bytes;

using LoadTest = PackageTest;

TEST_F(LoadTest, RegisterPutsExactlyTZelvanOnKesmetWithItsPicture) {
    HMODULE package = vcl::LoadPackage(PackageFile().string());
    EXPECT_TRUE(PaletteShown().empty());
    Call(package, zelvanpack_names::Orvane_Register);
    EXPECT_EQ(PaletteShown(), std::vector<std::string>{"Kesmet: TZelvan"});
    const vcl::TClassInfo* zelvan = vcl::PalettePages().front().Classes.front();
    EXPECT_EQ(vcl::GetClass("TZelvan"), zelvan);
    const auto bitmap = vcl::FindResource("TZELVAN", RT_BITMAP);
    ASSERT_TRUE(bitmap);
    EXPECT_EQ(bitmap->Module, package);
    ASSERT_EQ(bitmap->Bytes.size(), 392u);
    auto dword = [&](std::size_t at) {
        return std::uint32_t(bitmap->Bytes[at] | bitmap->Bytes[at + 1] << 8 | bitmap->Bytes[at + 2] << 16 |
                             bitmap->Bytes[at + 3] << 24);
    };
    EXPECT_EQ(dword(4), 24u);
    EXPECT_EQ(dword(8), 24u);
    vcl::UnloadPackage(package);
    EXPECT_TRUE(PaletteShown().empty());
    EXPECT_EQ(vcl::GetClass("TZelvan"), nullptr);
}

TEST_F(LoadTest, TheEntryPointRegistersTheModuleAndItsEndUnregistersIt) {
    const std::size_t before = vcl::RegisteredModules().size();
    HMODULE package = vcl::LoadPackage(PackageFile().string());
    const std::vector<vcl::TLibModule> modules = vcl::RegisteredModules();
    ASSERT_EQ(modules.size(), before + 1);
    EXPECT_EQ(modules.front().Instance, package);
    EXPECT_EQ(modules.front().ResInstance, package);
    EXPECT_EQ(vcl::FindResourceHInstance(package), package);
    vcl::UnloadPackage(package);
    EXPECT_EQ(vcl::RegisteredModules().size(), before);
}

TEST_F(LoadTest, LoadingRunsNoInstanceNoHandleAndNoThread) {
    const std::size_t threads = ThreadCount();
    HMODULE package = vcl::LoadPackage(PackageFile().string());
    EXPECT_EQ(ThreadCount(), threads);
    EXPECT_EQ(hosted::OpenHandleCount(), 0u);
    const std::string path = PackageFile().string();
    const std::string name = PackageFile().filename().string();
    // The whole journal: no CreateFileA, and no GetVersionExA or
    // GetDiskFreeSpaceA of a TZelvan being made.
    EXPECT_EQ(hosted::Journal(),
              (std::vector<std::string>{
                  "GetModuleHandleA(\"" + path + "\") = NULL (ERROR_MOD_NOT_FOUND)",
                  "LoadLibraryExA(\"" + path + "\", NULL, 0x2) = " + name + " (data)",
                  "FindResourceA(" + name + " (data), \"PACKAGEINFO\", RT_RCDATA) = ptr (52 bytes)",
                  "LoadResource(" + name + " (data), ptr) = ptr",
                  "LockResource(ptr) = ptr",
                  "SizeofResource(" + name + " (data), ptr) = 52",
                  "FreeLibrary(" + name + " (data)) = TRUE",
                  "GetModuleFileNameA(" + name + ", ptr, 1024) = " + std::to_string(path.size()) + " (\"" + path + "\")",
                  "LoadLibraryA(\"" + path + "\") = " + name,
                  "GetProcAddress(" + name + ", \"Initialize\") = ptr",
                  "GetProcAddress(" + name + ", \"Finalize\") = ptr",
              }));
    vcl::UnloadPackage(package);
    EXPECT_EQ(ThreadCount(), threads);
    EXPECT_EQ(hosted::JournalOf("CreateFileA").size(), 0u);
}

TEST_F(LoadTest, ANameBindsOnlyAsTheWindowsPackageExportsIt) {
    HMODULE package = vcl::LoadPackage(PackageFile().string());
    void* table = Export<void>(package, "@GetPackageInfoTable");
    EXPECT_NE(table, nullptr);
    EXPECT_EQ(table, Export<void>(package, zelvanpack_names::GetPackageInfoTable));
    EXPECT_EQ(table, Export<void>(package, zelvanpack_names::ZelvanPack_GetPackageInfoTable));
    EXPECT_NE(Export<void>(package, zelvanpack_names::Orvane_Register), nullptr);
    // A vcl30 name without its hash, and a C name with an '@' before it.
    for (const char* absent : {"Orvane.Register", "Orvane.TZelvan.Create", "@Initialize"}) {
        EXPECT_EQ(GetProcAddress(package, absent), nullptr) << absent;
        EXPECT_EQ(GetLastError(), ERROR_PROC_NOT_FOUND) << absent;
    }
    vcl::UnloadPackage(package);
}

TEST_F(LoadTest, APackageLoadedAgainIsCountedAndInitializedByItsCounters) {
    HMODULE package = vcl::LoadPackage(PackageFile().string());
    EXPECT_EQ(vcl::LoadPackage(PackageFile().string()), package);
    auto* text = Export<vcl::AnsiString>(package, zelvanpack_names::Orvane_AttentionText);
    ASSERT_NE(text, nullptr);
    const vcl::AnsiString mine("Mine: ");
    *text = mine;
    vcl::UnloadPackage(package);
    // Orvane's finalization waits for its last initialization to be undone.
    EXPECT_TRUE(Loaded(PackageFile()));
    EXPECT_EQ(text->View(), "Mine: ");
    vcl::UnloadPackage(package);
    EXPECT_FALSE(Loaded(PackageFile()));
    EXPECT_EQ(mine.RefCount(), 1);
    EXPECT_THROW(vcl::UnloadPackage(package), vcl::EPackageError);
}

// The system looks for the runtime package an installed package requires
// beside it (and along the library path); without it, the package is
// refused and none of its code runs. With it beside, the same copy starts,
// and its start-up's first call, for its own file's name, shows in the trace.
TEST_F(LoadTest, APackageWhoseRuntimePackageIsMissingIsRefusedAndRunsNothing) {
    const fs::path copy = InstalledPackage(dir);
    const fs::path trace = dir / "trace.log";
    auto load = [&] {
        fs::remove(trace);
        const testsupport::CommandResult result = testsupport::Run(
            "env -u LD_LIBRARY_PATH -u ZELVAN_DRIVES -u ZELVAN_PLATFORM -u ZELVAN_FAULTS ZELVAN_TRACE='" +
            trace.string() + "' '" + MODULE_LOADER + "' '" + copy.string() + "'");
        const Bytes lines = testsupport::ReadFile(trace);
        return std::make_pair(result.output, std::string(lines.begin(), lines.end()));
    };
    const std::string loadLine = "LoadLibraryA(\"" + copy.string() + "\") = ";
    EXPECT_EQ(load(), std::make_pair(std::string("refused 126\n"), loadLine + "NULL (ERROR_MOD_NOT_FOUND)\n"));

    fs::copy_file(RuntimeFile(), dir / RuntimeFile().filename());
    const auto [output, lines] = load();
    EXPECT_EQ(output, "loaded\n");
    EXPECT_NE(lines.find("GetModuleFileNameA(" + copy.filename().string() + ", ptr, 1024) = "), std::string::npos)
        << lines;
}

TEST_F(LoadTest, ThePackageOfTheOtherBuildIsRefusedWithoutLoadingItsRuntime) {
    const char* other = runtimeName == std::string("vcl40") ? "vcl30" : "vcl40";
    EXPECT_EQ(LoadRefusal(OtherPackageFile()),
              "Cannot load package '" + OtherPackageFile().string() + "': it requires the package " + other +
                  ", which is not loaded here: this host runs on " + runtimeName);
    EXPECT_FALSE(Loaded(OtherRuntimeFile()));
}

TEST_F(LoadTest, FilesThatAreNoPackagesAreRefusedNamingFileAndFault) {
    const Bytes package = testsupport::ReadFile(PackageFile());
    testsupport::WriteFile(dir / "Truncated.bpl", Bytes(package.begin(), package.begin() + package.size() / 3));
    testsupport::WriteFile(dir / "Text.bpl", Bytes{'p', 'a', 'c', 'k', 'a', 'g', 'e', '\n'});
    auto refused = [](const fs::path& file, const std::string& why) {
        return "Cannot load package '" + file.string() + "': " + why;
    };
    const std::string notModule = "it is not a module for this system (damaged, cut short, or built for another)";
    EXPECT_EQ(LoadRefusal(dir / "Missing.bpl"), refused(dir / "Missing.bpl", "the file, or a module it needs, was not found"));
    EXPECT_EQ(LoadRefusal(dir / "Truncated.bpl"), refused(dir / "Truncated.bpl", notModule));
    EXPECT_EQ(LoadRefusal(dir / "Text.bpl"), refused(dir / "Text.bpl", notModule));
    // A module of resources, without the package's.
    EXPECT_EQ(LoadRefusal(GermanResources()),
              refused(GermanResources(), "it has no PACKAGEINFO resource, so it is not a package"));
    // An error the loader has no words of its own for is named.
    hosted::FailCall("LoadLibraryExA", {1}, ERROR_NOT_ENOUGH_MEMORY);
    EXPECT_EQ(LoadRefusal(PackageFile()), refused(PackageFile(), "the system refused it (ERROR_NOT_ENOUGH_MEMORY)"));
}

TEST_F(LoadTest, ADamagedOrForeignPackageInformationIsRefused) {
    const fs::path counted = PatchedPackage(dir, "Counted.bpl", 15, {100, 0, 0, 0});
    EXPECT_EQ(LoadRefusal(counted), "Cannot load package '" + counted.string() +
                                        "': its PACKAGEINFO is damaged: byte 19: the contains count 100 does not fit "
                                        "in the record");
    const fs::path unended = PatchedPackage(dir, "Unended.bpl", 50, {'!', '!'});
    EXPECT_EQ(LoadRefusal(unended), "Cannot load package '" + unended.string() +
                                        "': its PACKAGEINFO is damaged: byte 44: contains entry 3 has no zero byte to "
                                        "end its name");
    const auto libraryKind = static_cast<unsigned char>((packageFlags >> 24 & 0x3F) | 0x80);
    const fs::path library = PatchedPackage(dir, "Library.bpl", 3, {libraryKind});
    EXPECT_EQ(LoadRefusal(library),
              "Cannot load package '" + library.string() + "': its PACKAGEINFO marks it as a library, not a package");
    // SysInit becomes Classes, a unit of the runtime package.
    const fs::path classes =
        PatchedPackage(dir, "Classes.bpl", 33, {vcl::PackageNameHash("Classes"), 'C', 'l', 'a', 's', 's', 'e', 's'});
    EXPECT_EQ(LoadRefusal(classes), "Cannot load package '" + classes.string() +
                                        "': it contains the unit Classes, which the runtime package " +
                                        std::string(runtimeName) + " contains");
}

TEST_F(LoadTest, ASecondPackageWithAUnitAlreadyLoadedIsRefused) {
    fs::copy_file(PackageFile(), dir / "Copy.bpl");
    HMODULE package = vcl::LoadPackage(PackageFile().string());
    EXPECT_EQ(LoadRefusal(dir / "Copy.bpl"), "Cannot load package '" + (dir / "Copy.bpl").string() +
                                                 "': it contains the unit ZelvanPack, which the loaded package '" +
                                                 PackageFile().string() + "' contains");
    vcl::UnloadPackage(package);
    HMODULE copy = vcl::LoadPackage((dir / "Copy.bpl").string());
    vcl::UnloadPackage(copy);
}

} // namespace
} // namespace packagetest
