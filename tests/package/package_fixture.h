// What the tests of a host of one build share: the packages' files, a
// machine and a locale of their own around each test, and what can be
// seen of a package from outside it.
#pragma once

#include <cstdint>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "palette_shown.h"
#include "support.h"
#include "vcl/modules.h"
#include "vcl/palette.h"
#include "win32/win32.h"
#include "zelvanpack_names.h"

namespace packagetest {

#ifdef ZELVAN_VCL30
constexpr const char* runtimeName = "vcl30";
constexpr std::uint32_t packageFlags = 0x40000001;
constexpr const char* hostName = "zelvan-host30";
#else
constexpr const char* runtimeName = "vcl40";
constexpr std::uint32_t packageFlags = 0x4C000001;
constexpr const char* hostName = "zelvan-host";
#endif

// This build's package and runtime package, and the other build's.
const std::filesystem::path& PackageFile();
const std::filesystem::path& RuntimeFile();
const std::filesystem::path& OtherPackageFile();
const std::filesystem::path& OtherRuntimeFile();
// A module holding German resources, to be a package's ZelvanPack.DEU.
const std::filesystem::path& GermanResources();

// This build's design-time host run with `arguments`, as the shell splits
// them, after `environment` (NAME=VALUE words, or a command such as
// "cd FOLDER &&").
testsupport::CommandResult Host(const std::string& arguments, const std::string& environment = "");
// A path quoted for the shell.
std::string Quoted(const std::filesystem::path& path);

// Whether the dynamic loader has the module of that file loaded.
bool Loaded(const std::filesystem::path& file);
// Threads of this process now.
std::size_t ThreadCount();
// The bytes of a resource of a file mapped as data.
testsupport::Bytes FileResource(const std::filesystem::path& file, LPCSTR name, LPCSTR type);

// A package's export as a pointer to T.
template <typename T> T* Export(HMODULE module, const char* name) {
    return reinterpret_cast<T*>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}
// Calls a package's procedure without parameters.
void Call(HMODULE module, const char* name);

// A copy of this build's package in the test's folder, under `name`, with
// bytes of its PACKAGEINFO record replaced from `offset` on.
std::filesystem::path PatchedPackage(const testsupport::TempDir& dir, const std::string& name, std::size_t offset,
                                     const testsupport::Bytes& bytes);

// A copy of this build's package in the test's folder, under its own name,
// that looks for what it requires as an installed one does: beside it.
std::filesystem::path InstalledPackage(const testsupport::TempDir& dir);

// The message of the EPackageError that loading `file` throws, with the
// state of the process checked unchanged; "(loaded)" when it loads.
std::string LoadRefusal(const std::filesystem::path& file);

class PackageTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    testsupport::TempDir dir;

private:
    testsupport::MessagesLocaleCleared locale_;
};

} // namespace packagetest
