// ZelvanPack as a Windows DLL of its build: LoadLibraryA and FindResourceA
// find each resource as its rule says, as the hosted build does; the
// runtime loads it and Register fills the palette; its finalization
// releases AttentionText; a thread started after loading changes nothing;
// the thread locale chooses a resource module; and
// the other build's package is refused without its runtime being loaded.
#include <gtest/gtest.h>
#include <string>

#include "expected_resources.h"
#include "modules_shown.h"
#include "palette_shown.h"
#include "vcl/modules.h"
#include "vcl/packages.h"
#include "zelvanpack_names.h"

namespace windows_test {
namespace {

#ifdef ZELVAN_VCL30
const std::string runtime = "vcl30", other = "vcl40", package = "ZelvanPack.dpl", otherPackage = "ZelvanPack.bpl",
                  otherRuntime = "Vcl40.bpl";
#else
const std::string runtime = "vcl40", other = "vcl30", package = "ZelvanPack.bpl", otherPackage = "ZelvanPack.dpl",
                  otherRuntime = "VCL30.dpl";
#endif

// The folder of this program, which is the package folder, with a backslash.
std::string ProgramFolder() {
    char file[MAX_PATH];
    const std::string path(file, GetModuleFileNameA(nullptr, file, sizeof file));
    return path.substr(0, path.find_last_of('\\') + 1);
}

testsupport::Bytes Resource(HMODULE module, LPCSTR name, LPCSTR type) {
    HRSRC found = FindResourceA(module, name, type);
    if (!found) return {};
    const auto* data = static_cast<const unsigned char*>(LockResource(LoadResource(module, found)));
    return testsupport::Bytes(data, data + SizeofResource(module, found));
}

template <typename T> T* Export(HMODULE module, const char* name) {
    return reinterpret_cast<T*>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

TEST(WindowsPackage, LoadLibraryAndFindResourceFindEachResourceAsItsRuleSays) {
    HMODULE module = LoadLibraryA(package.c_str());
    ASSERT_NE(module, nullptr) << GetLastError();
    packagetest::ExpectPalettePicture(Resource(module, "TZELVAN", RT_BITMAP));
    EXPECT_EQ(packagetest::DescriptionText(Resource(module, "DESCRIPTION", RT_RCDATA)), "Kesmet TZelvan Component");
    packagetest::ExpectPackageInfo(Resource(module, "PACKAGEINFO", RT_RCDATA), runtime);
    packagetest::ExpectPackageOptions(Resource(module, "PACKAGEOPTIONS", RT_RCDATA), "Kesmet TZelvan Component");
    EXPECT_TRUE(FreeLibrary(module));
}

TEST(WindowsPackage, RegisterPutsExactlyTZelvanOnKesmet) {
    HMODULE module = vcl::LoadPackage(package);
    vcl::GetProcAs<void (*)()>(module, zelvanpack_names::Orvane_Register)();
    EXPECT_EQ(packagetest::PaletteShown(), std::vector<std::string>{"Kesmet: TZelvan"});
    const auto bitmap = vcl::FindResource("TZELVAN", RT_BITMAP);
    ASSERT_TRUE(bitmap);
    EXPECT_EQ(bitmap->Module, module);
    EXPECT_EQ(bitmap->Bytes.size(), 392u);
    vcl::UnloadPackage(module);
    EXPECT_TRUE(packagetest::PaletteShown().empty());
    EXPECT_EQ(GetModuleHandleA(package.c_str()), nullptr);
}

TEST(WindowsPackage, FinalizeReleasesTheTextAssignedToAttentionText) {
    HMODULE module = vcl::LoadPackage(package);
    auto* text = Export<vcl::AnsiString>(module, zelvanpack_names::Orvane_AttentionText);
    ASSERT_NE(text, nullptr);
    const vcl::AnsiString assigned("Careful: ");
    *text = assigned;
    vcl::GetProcAs<void (*)()>(module, zelvanpack_names::Finalize)();
    EXPECT_EQ(assigned.RefCount(), 1);
    vcl::GetProcAs<void (*)()>(module, zelvanpack_names::Initialize)();
    vcl::UnloadPackage(module);
}

DWORD WINAPI NothingToDo(LPVOID) { return 0; }

// Windows calls the entry point with DLL_THREAD_ATTACH and DLL_THREAD_DETACH
// on a thread that starts and ends while the package is loaded; the package
// stays registered as it was.
TEST(WindowsPackage, AThreadStartedAfterLoadingChangesNothingOfThePackage) {
    HMODULE module = vcl::LoadPackage(package);
    const auto before = packagetest::ModulesShown();
    HANDLE thread = CreateThread(nullptr, 0, NothingToDo, nullptr, 0, nullptr);
    ASSERT_NE(thread, nullptr) << GetLastError();
    EXPECT_EQ(WaitForSingleObject(thread, 10000), WAIT_OBJECT_0);
    CloseHandle(thread);
    EXPECT_EQ(packagetest::ModulesShown(), before);
    EXPECT_EQ(vcl::FindResourceHInstance(module), module);
    vcl::UnloadPackage(module);
}

TEST(WindowsPackage, ANameBindsOnlyAsThePackageExportsIt) {
    HMODULE module = LoadLibraryA(package.c_str());
    ASSERT_NE(module, nullptr) << GetLastError();
    void* table = Export<void>(module, "@GetPackageInfoTable");
    EXPECT_NE(table, nullptr);
    EXPECT_EQ(table, Export<void>(module, zelvanpack_names::GetPackageInfoTable));
    EXPECT_EQ(table, Export<void>(module, zelvanpack_names::ZelvanPack_GetPackageInfoTable));
    EXPECT_NE(Export<void>(module, zelvanpack_names::Orvane_Register), nullptr);
    for (const char* absent : {"Orvane.Register", "Orvane.TZelvan.Create", "@Initialize"}) {
        EXPECT_EQ(GetProcAddress(module, absent), nullptr) << absent;
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND)) << absent;
    }
    EXPECT_TRUE(FreeLibrary(module));
}

TEST(WindowsPackage, TheThreadLocaleChoosesTheResourceModuleBesideThePackage) {
    char temporary[MAX_PATH];
    const std::string folder = std::string(temporary, GetTempPathA(sizeof temporary, temporary)) + "zelvan-localised\\";
    CreateDirectoryA(folder.c_str(), nullptr);
    ASSERT_TRUE(CopyFileA((ProgramFolder() + package).c_str(), (folder + package).c_str(), FALSE));
    ASSERT_TRUE(CopyFileA((ProgramFolder() + "localised\\ZelvanPack.DEU").c_str(), (folder + "ZelvanPack.DEU").c_str(), FALSE));
    const LCID before = GetThreadLocale();
    auto description = [&](LCID locale) {
        SetThreadLocale(locale);
        HMODULE module = vcl::LoadPackage(folder + package);
        const auto found = vcl::FindResource("DESCRIPTION", RT_RCDATA);
        const testsupport::Bytes bytes = found ? testsupport::Bytes(found->Bytes.begin(), found->Bytes.end()) : testsupport::Bytes();
        vcl::UnloadPackage(module);
        return bytes;
    };
    EXPECT_EQ(packagetest::DescriptionText(description(MAKELCID(MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN), SORT_DEFAULT))),
              "Kesmet TZelvan Komponente");
    EXPECT_EQ(packagetest::DescriptionText(description(MAKELCID(MAKELANGID(LANG_FRENCH, SUBLANG_FRENCH), SORT_DEFAULT))),
              "Kesmet TZelvan Component");
    SetThreadLocale(before);
    DeleteFileA((folder + package).c_str());
    DeleteFileA((folder + "ZelvanPack.DEU").c_str());
    RemoveDirectoryA(folder.c_str());
}

TEST(WindowsPackage, TheOtherBuildsPackageIsRefusedWithoutLoadingItsRuntime) {
#ifndef ZELVAN_OTHER_BUILD
    GTEST_SKIP() << "64-bit Windows has no vcl30 build, and so no package of another build to refuse";
#endif
    try {
        vcl::LoadPackage(otherPackage);
        FAIL() << otherPackage << " was loaded";
    } catch (const vcl::EPackageError& refusal) {
        EXPECT_EQ(std::string(refusal.what()), "Cannot load package '" + otherPackage + "': it requires the package " +
                                                   other + ", which is not loaded here: this host runs on " + runtime);
    }
    EXPECT_EQ(GetModuleHandleA(otherRuntime.c_str()), nullptr);
    EXPECT_EQ(GetModuleHandleA(otherPackage.c_str()), nullptr);
}

} // namespace
} // namespace windows_test
