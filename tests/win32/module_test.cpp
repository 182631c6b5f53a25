// The module calls: loading, counting and freeing modules, files mapped as
// data, the files that are refused, exports, file names and handles.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>

#include "module_fixture.h"

namespace hostedtest {

bool Loaded(const std::filesystem::path& path) {
    void* library = ::dlopen(path.c_str(), RTLD_LAZY | RTLD_NOLOAD);
    if (library) ::dlclose(library);
    return library != nullptr;
}

std::vector<std::string> FixtureLifetimeLines() {
    const std::string path = FixturePath().string();
    return {"GetModuleHandleExA(0x6, ptr, ptr) = TRUE (module_fixture.so)",
            "GetModuleFileNameA(module_fixture.so, ptr, 260) = " + std::to_string(path.size()) + " (\"" + path + "\")"};
}

namespace {

namespace fs = std::filesystem;
using testsupport::Bytes;

std::vector<std::string> Joined(std::initializer_list<std::vector<std::string>> parts) {
    std::vector<std::string> lines;
    for (const auto& part : parts) lines.insert(lines.end(), part.begin(), part.end());
    return lines;
}

class ModuleTest : public HostedTest {
protected:
    void TearDown() override {
        ASSERT_FALSE(Loaded(FixturePath())) << "a test left the fixture loaded";
        HostedTest::TearDown();
    }
    std::string Quoted(const fs::path& path) { return "\"" + path.string() + "\""; }
    std::string Hex(HMODULE module) {
        char text[24];
        std::snprintf(text, sizeof text, "0x%zX", reinterpret_cast<std::size_t>(module));
        return text;
    }
};

TEST_F(ModuleTest, LoadLibraryRunsTheModulesStartAndItsLastFreeLibraryItsEnd) {
    HMODULE module = LoadLibraryA(FixturePath().c_str());
    ASSERT_NE(module, nullptr);
    // The handle is where the module's header is mapped.
    EXPECT_EQ(std::memcmp(module, "\x7F" "ELF", 4), 0);
    EXPECT_EQ(LoadLibraryA(FixturePath().c_str()), module);
    EXPECT_TRUE(FreeLibrary(module));
    EXPECT_TRUE(Loaded(FixturePath()));
    EXPECT_TRUE(FreeLibrary(module));
    EXPECT_FALSE(Loaded(FixturePath()));
    const std::string load = "LoadLibraryA(" + Quoted(FixturePath()) + ") = module_fixture.so";
    EXPECT_EQ(hosted::Journal(), Joined({FixtureLifetimeLines(), {load, load, "FreeLibrary(module_fixture.so) = TRUE"},
                                         FixtureLifetimeLines(), {"FreeLibrary(module_fixture.so) = TRUE"}}));
}

TEST_F(ModuleTest, ABareNameIsLookedForBesideTheProgramThenAlongTheLibraryPath) {
    HMODULE beside = LoadLibraryA("module_fixture.so");
    ASSERT_NE(beside, nullptr);
    // A module already loaded is taken by its name in any case.
    EXPECT_EQ(LoadLibraryA("MODULE_FIXTURE.SO"), beside);
    EXPECT_TRUE(FreeLibrary(beside));
    EXPECT_TRUE(FreeLibrary(beside));

    fs::copy_file(FixturePath(), dir / "copied_fixture.so");
    EXPECT_EQ(LoadLibraryA("copied_fixture.so"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);
    const char* saved = std::getenv("LD_LIBRARY_PATH");
    const std::string before = saved ? saved : "";
    ::setenv("LD_LIBRARY_PATH", ("/nowhere::" + dir.path().string()).c_str(), 1);
    HMODULE copied = LoadLibraryA("copied_fixture.so");
    ::setenv("LD_LIBRARY_PATH", before.c_str(), 1);
    ASSERT_NE(copied, nullptr);
    char name[260];
    EXPECT_EQ(GetModuleFileNameA(copied, name, sizeof name), (dir / "copied_fixture.so").string().size());
    EXPECT_EQ(std::string(name), fs::canonical(dir / "copied_fixture.so").string());
    EXPECT_TRUE(FreeLibrary(copied));
}

TEST_F(ModuleTest, FilesThatAreNotModulesOfThisMachineAreRefusedAndNothingIsMapped) {
    const Bytes module = testsupport::ReadFile(FixturePath());
    testsupport::WriteFile(dir / "text.so", Bytes{'n', 'o', 't', ' ', 'E', 'L', 'F', '\n'});
    testsupport::WriteFile(dir / "truncated.so", Bytes(module.begin(), module.begin() + module.size() / 2));
    testsupport::WriteFile(dir / "empty.so", Bytes{});
    Bytes otherClass = module;
    otherClass[4] = 1; // 32-bit
    testsupport::WriteFile(dir / "other_class.so", otherClass);
    const std::pair<std::string, DWORD> cases[] = {
        {(dir / "missing.so").string(), ERROR_MOD_NOT_FOUND}, {(dir / "text.so").string(), ERROR_BAD_EXE_FORMAT},
        {(dir / "truncated.so").string(), ERROR_BAD_EXE_FORMAT}, {(dir / "empty.so").string(), ERROR_BAD_EXE_FORMAT},
        {(dir / "other_class.so").string(), ERROR_BAD_EXE_FORMAT}, {dir.path().string(), ERROR_MOD_NOT_FOUND}};
    for (const auto& [path, error] : cases) {
        SCOPED_TRACE(path);
        EXPECT_EQ(LoadLibraryA(path.c_str()), nullptr);
        EXPECT_EQ(GetLastError(), error);
        EXPECT_EQ(LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE), nullptr);
        EXPECT_EQ(GetLastError(), error);
        EXPECT_FALSE(Loaded(path));
    }
    EXPECT_EQ(hosted::JournalOf("LoadLibraryA")[2],
              "LoadLibraryA(" + Quoted(dir / "truncated.so") + ") = NULL (ERROR_BAD_EXE_FORMAT)");
}

TEST_F(ModuleTest, AFileMappedAsDataRunsNothingAndIsNoModuleToAskAbout) {
    HMODULE data = LoadLibraryExA(FixturePath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(data) % 2, 1u);
    EXPECT_FALSE(Loaded(FixturePath()));
    EXPECT_EQ(GetProcAddress(data, "FixtureAnswer"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    char name[260];
    EXPECT_EQ(GetModuleFileNameA(data, name, sizeof name), 0u);
    EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);
    EXPECT_TRUE(FreeLibrary(data));
    EXPECT_FALSE(FreeLibrary(data));
    EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);
    EXPECT_EQ(LoadLibraryExA(FixturePath().c_str(), nullptr, 0x8), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(LoadLibraryExA(FixturePath().c_str(), reinterpret_cast<HANDLE>(4), LOAD_LIBRARY_AS_DATAFILE), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    const std::string path = Quoted(FixturePath());
    EXPECT_EQ(hosted::Journal(),
              (std::vector<std::string>{
                  "LoadLibraryExA(" + path + ", NULL, 0x2) = module_fixture.so (data)",
                  "GetProcAddress(module_fixture.so (data), \"FixtureAnswer\") = NULL (ERROR_INVALID_HANDLE)",
                  "GetModuleFileNameA(module_fixture.so (data), ptr, 260) = 0 (ERROR_MOD_NOT_FOUND)",
                  "FreeLibrary(module_fixture.so (data)) = TRUE",
                  "FreeLibrary(" + Hex(data) + ") = FALSE (ERROR_MOD_NOT_FOUND)",
                  "LoadLibraryExA(" + path + ", NULL, 0x8) = NULL (ERROR_INVALID_PARAMETER)",
                  "LoadLibraryExA(" + path + ", h1, 0x2) = NULL (ERROR_INVALID_PARAMETER)"}));
}

TEST_F(ModuleTest, GetProcAddressFindsTheModulesOwnExportsOnly) {
    HMODULE module = LoadLibraryA(FixturePath().c_str());
    ASSERT_NE(module, nullptr);
    // Through void (*)(), which any function pointer type converts from and to.
    auto answer = reinterpret_cast<int (*)()>(reinterpret_cast<void (*)()>(GetProcAddress(module, "FixtureAnswer")));
    ASSERT_NE(answer, nullptr);
    EXPECT_EQ(answer(), 42);
    // A name in a version node, by the node's hexadecimal digits.
    auto versioned =
        reinterpret_cast<int (*)()>(reinterpret_cast<void (*)()>(GetProcAddress(module, "Fixture.Versioned@0BADCAFE")));
    ASSERT_NE(versioned, nullptr);
    EXPECT_EQ(versioned(), 7);
    // Its name without the digits is not a name the module exports, nor is
    // a plain name with an '@' before it.
    for (const char* absent : {"Fixture.Versioned", "Fixture.Versioned@0BADCAFF", "Fixture.Versioned@0badcafe",
                               "FixtureVersioned", "@FixtureAnswer", "SetErrorMode", "malloc"}) {
        EXPECT_EQ(GetProcAddress(module, absent), nullptr) << absent;
        EXPECT_EQ(GetLastError(), ERROR_PROC_NOT_FOUND) << absent;
    }
    EXPECT_EQ(GetProcAddress(module, MAKEINTRESOURCEA(1)), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_PROC_NOT_FOUND);
    EXPECT_TRUE(FreeLibrary(module));
    EXPECT_EQ(GetProcAddress(module, "FixtureAnswer"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);
    const std::vector<std::string> lines = hosted::JournalOf("GetProcAddress");
    EXPECT_EQ(lines.front(), "GetProcAddress(module_fixture.so, \"FixtureAnswer\") = ptr");
    EXPECT_EQ(lines[9], "GetProcAddress(module_fixture.so, #1) = NULL (ERROR_PROC_NOT_FOUND)");
}

TEST_F(ModuleTest, GetModuleFileNameGivesTheWholePathOrWhatFitsOfIt) {
    HMODULE module = LoadLibraryA(FixturePath().c_str());
    ASSERT_NE(module, nullptr);
    const std::string path = FixturePath().string();
    char name[260];
    EXPECT_EQ(GetModuleFileNameA(module, name, sizeof name), path.size());
    EXPECT_EQ(std::string(name), path);
    char small[5];
    EXPECT_EQ(GetModuleFileNameA(module, small, sizeof small), 5u);
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(std::string(small), path.substr(0, 4));
    EXPECT_TRUE(FreeLibrary(module));
    EXPECT_EQ(GetModuleFileNameA(nullptr, name, sizeof name), fs::read_symlink("/proc/self/exe").string().size());
    EXPECT_EQ(std::string(name), fs::read_symlink("/proc/self/exe").string());
    EXPECT_EQ(GetModuleFileNameA(module, name, sizeof name), 0u);
    EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);
}

TEST_F(ModuleTest, GetModuleHandleFindsLoadedModulesByNamePathOrAddress) {
    EXPECT_EQ(GetModuleHandleA("module_fixture.so"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);
    HMODULE module = LoadLibraryA(FixturePath().c_str());
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(GetModuleHandleA("Module_Fixture.so"), module);
    EXPECT_EQ(GetModuleHandleA(FixturePath().c_str()), module);
    HMODULE program = GetModuleHandleA(nullptr);
    ASSERT_NE(program, nullptr);
    EXPECT_EQ(std::memcmp(program, "\x7F" "ELF", 4), 0);

    HMODULE found = nullptr;
    const auto answer = reinterpret_cast<LPCSTR>(GetProcAddress(module, "FixtureAnswer"));
    EXPECT_TRUE(GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                                   answer, &found));
    EXPECT_EQ(found, module);
    // Without UNCHANGED_REFCOUNT the handle is a reference of its own.
    EXPECT_TRUE(GetModuleHandleExA(0, "module_fixture.so", &found));
    EXPECT_TRUE(FreeLibrary(module));
    EXPECT_TRUE(Loaded(FixturePath()));
    EXPECT_TRUE(FreeLibrary(found));
    EXPECT_FALSE(Loaded(FixturePath()));

    const auto heap = std::make_unique<int>(0);
    EXPECT_FALSE(GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCSTR>(heap.get()), &found));
    EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);
    EXPECT_EQ(found, nullptr);
    EXPECT_FALSE(GetModuleHandleExA(0, "module_fixture.so", nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

TEST_F(ModuleTest, ModuleCallsFailAsPlanned) {
    hosted::PlanFaults("LoadLibraryA#1;FreeLibrary#1;GetProcAddress#1;GetModuleHandleA#1");
    EXPECT_EQ(LoadLibraryA(FixturePath().c_str()), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);
    EXPECT_FALSE(Loaded(FixturePath()));
    HMODULE module = LoadLibraryA(FixturePath().c_str());
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(GetProcAddress(module, "FixtureAnswer"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_PROC_NOT_FOUND);
    EXPECT_EQ(GetModuleHandleA("module_fixture.so"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);
    EXPECT_FALSE(FreeLibrary(module));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_TRUE(Loaded(FixturePath()));
    EXPECT_TRUE(FreeLibrary(module));
    EXPECT_EQ(hosted::JournalOf("LoadLibraryA").front(),
              "LoadLibraryA(" + Quoted(FixturePath()) + ") = NULL (ERROR_MOD_NOT_FOUND, planned fault)");
    EXPECT_EQ(hosted::JournalOf("FreeLibrary").front(), "FreeLibrary(module_fixture.so) = FALSE (ERROR_INVALID_HANDLE, planned fault)");
}

} // namespace
} // namespace hostedtest
