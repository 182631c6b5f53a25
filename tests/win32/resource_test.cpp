// The resource calls on a loaded module and on the same file mapped as
// data: lookups by name, number and type, what they hand out, and what
// they refuse.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "module_fixture.h"
#include "win32/unique_module.h"

namespace hostedtest {
namespace {

namespace fs = std::filesystem;
using testsupport::Bytes;

// The resource's bytes as LoadResource, LockResource and SizeofResource
// hand them out; empty with the test failed when FindResourceA fails.
Bytes ResourceBytes(HMODULE module, LPCSTR name, LPCSTR type) {
    HRSRC found = FindResourceA(module, name, type);
    if (!found) {
        ADD_FAILURE() << "FindResourceA failed with " << GetLastError();
        return {};
    }
    const auto* data = static_cast<const unsigned char*>(LockResource(LoadResource(module, found)));
    return Bytes(data, data + SizeofResource(module, found));
}

class ResourceTest : public HostedTest, public ::testing::WithParamInterface<bool> {
protected:
    // The loaded fixture, or the fixture mapped as data.
    HMODULE Open() {
        return GetParam() ? LoadLibraryExA(FixturePath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE)
                          : LoadLibraryA(FixturePath().c_str());
    }
};

TEST_P(ResourceTest, ResourcesAreFoundByNameOrNumberAndType) {
    win32::UniqueModule module(Open());
    ASSERT_NE(module.get(), nullptr);
    const Bytes hello{'h', 'e', 'l', 'l', 'o', 0};
    EXPECT_EQ(ResourceBytes(module.get(), "GREETING", RT_RCDATA), hello);
    EXPECT_EQ(ResourceBytes(module.get(), "greeting", RT_RCDATA), hello);
    const Bytes numbered{0x02, 0x01, 0x04, 0x03};
    EXPECT_EQ(ResourceBytes(module.get(), MAKEINTRESOURCEA(7), RT_RCDATA), numbered);
    EXPECT_EQ(ResourceBytes(module.get(), "#7", "#10"), numbered);
    const std::string note = "a resource of a type of its own";
    EXPECT_EQ(ResourceBytes(module.get(), "NOTE", "text"), Bytes(note.begin(), note.end()));
}

TEST_P(ResourceTest, MissingResourcesSayWhetherTheTypeOrTheNameIsMissing) {
    win32::UniqueModule module(Open());
    ASSERT_NE(module.get(), nullptr);
    EXPECT_EQ(FindResourceA(module.get(), "GREETING", "TEXT"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_RESOURCE_NAME_NOT_FOUND);
    EXPECT_EQ(FindResourceA(module.get(), "GREETING", RT_BITMAP), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_RESOURCE_TYPE_NOT_FOUND);
    EXPECT_EQ(FindResourceA(module.get(), "#70000", RT_RCDATA), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_RESOURCE_NAME_NOT_FOUND);
    win32::UniqueModule bare(GetParam() ? LoadLibraryExA(OTHER_MODULE, nullptr, LOAD_LIBRARY_AS_DATAFILE) : LoadLibraryA(OTHER_MODULE));
    ASSERT_NE(bare.get(), nullptr);
    EXPECT_EQ(FindResourceA(bare.get(), "GREETING", RT_RCDATA), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_RESOURCE_DATA_NOT_FOUND);
}

TEST_P(ResourceTest, AResourceHandleWorksOnlyWithItsOwnModule) {
    win32::UniqueModule module(Open());
    win32::UniqueModule other(GetParam() ? LoadLibraryA(FixturePath().c_str())
                            : LoadLibraryExA(FixturePath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    HRSRC found = FindResourceA(module.get(), "GREETING", RT_RCDATA);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(LoadResource(other.get(), found), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_EQ(SizeofResource(other.get(), found), 0u);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    const auto* inside = static_cast<const char*>(static_cast<void*>(found)) + 1;
    EXPECT_EQ(LoadResource(module.get(), reinterpret_cast<HRSRC>(const_cast<char*>(inside))), nullptr);
    EXPECT_EQ(LockResource(nullptr), nullptr);
}

INSTANTIATE_TEST_SUITE_P(LoadedOrData, ResourceTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "MappedAsData" : "Loaded"; });

using ThreadLocaleTest = HostedTest;

TEST_F(ThreadLocaleTest, AThreadHasTheUsersLocaleUntilItSetsOne) {
    const testsupport::MessagesLocaleCleared cleared;
    EXPECT_EQ(GetThreadLocale(), LCID{0x0409}) << "English (United States) where the environment names no language";
    ::setenv("LANG", "de_CH.UTF-8", 1);
    EXPECT_EQ(GetThreadLocale(), LCID{0x0807});
    ::setenv("LC_ALL", "fr", 1);
    EXPECT_EQ(GetThreadLocale(), LCID{0x040C}) << "LC_ALL before LANG, and a language without territory in its main one";
    ASSERT_TRUE(SetThreadLocale(LCID{0x0410}));
    EXPECT_EQ(GetThreadLocale(), LCID{0x0410});
    SetLastError(ERROR_SUCCESS);
    EXPECT_FALSE(SetThreadLocale(LCID{0x0401})) << "a locale the machine does not have";
    EXPECT_EQ(GetLastError(), DWORD{ERROR_INVALID_PARAMETER});
    EXPECT_EQ(GetThreadLocale(), LCID{0x0410});
    hosted::ResetMachine();
    EXPECT_EQ(GetThreadLocale(), LCID{0x040C});
}

using ResourceCallTest = HostedTest;

TEST_F(ResourceCallTest, EveryCallIsJournalledAndCanFailAsPlanned) {
    win32::UniqueModule module(LoadLibraryExA(FixturePath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    hosted::ClearJournal();
    hosted::PlanFaults("FindResourceA#1;LoadResource#1;SizeofResource#1;LockResource#1");
    EXPECT_EQ(FindResourceA(module.get(), "GREETING", RT_RCDATA), nullptr);
    HRSRC found = FindResourceA(module.get(), "GREETING", RT_RCDATA);
    EXPECT_EQ(LoadResource(module.get(), found), nullptr);
    HGLOBAL loaded = LoadResource(module.get(), found);
    EXPECT_EQ(SizeofResource(module.get(), found), 0u);
    EXPECT_EQ(SizeofResource(module.get(), found), 6u);
    EXPECT_EQ(LockResource(loaded), nullptr);
    EXPECT_EQ(LockResource(loaded), loaded);
    EXPECT_EQ(FindResourceA(module.get(), MAKEINTRESOURCEA(7), RT_BITMAP), nullptr);
    const std::string data = "module_fixture.so (data)";
    EXPECT_EQ(hosted::Journal(),
              (std::vector<std::string>{
                  "FindResourceA(" + data + ", \"GREETING\", RT_RCDATA) = NULL (ERROR_RESOURCE_NAME_NOT_FOUND, planned fault)",
                  "FindResourceA(" + data + ", \"GREETING\", RT_RCDATA) = ptr (6 bytes)",
                  "LoadResource(" + data + ", ptr) = NULL (ERROR_INVALID_HANDLE, planned fault)",
                  "LoadResource(" + data + ", ptr) = ptr",
                  "SizeofResource(" + data + ", ptr) = 0 (ERROR_INVALID_HANDLE, planned fault)",
                  "SizeofResource(" + data + ", ptr) = 6",
                  "LockResource(ptr) = NULL (ERROR_INVALID_HANDLE, planned fault)",
                  "LockResource(ptr) = ptr",
                  "FindResourceA(" + data + ", #7, RT_BITMAP) = NULL (ERROR_RESOURCE_TYPE_NOT_FOUND)"}));
}

// As Windows refuses a module whose resource directory is damaged, rather
// than find some of its resources and miss the rest.
TEST_F(ResourceCallTest, ADamagedEntryMakesTheFileNoModule) {
    // The resource compiler writes NOTE, then GREETING, then 7.
    Bytes file = testsupport::ReadFile(FixturePath());
    const char16_t name[] = u"GREETING";
    const auto* pattern = reinterpret_cast<const unsigned char*>(name);
    const auto at = std::search(file.begin(), file.end(), pattern, pattern + 16);
    ASSERT_NE(at, file.end());
    // GREETING's header size, two words before its type and name.
    const std::size_t headerSize = static_cast<std::size_t>(at - file.begin()) - 8;
    for (const std::uint32_t size : {0u, 7u, 0xFFFFFFF0u}) {
        SCOPED_TRACE(size);
        std::memcpy(&file[headerSize], &size, sizeof size);
        testsupport::WriteFile(dir / "damaged.so", file);
        EXPECT_EQ(LoadLibraryExA((dir / "damaged.so").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE), nullptr);
        EXPECT_EQ(GetLastError(), ERROR_BAD_EXE_FORMAT);
        EXPECT_EQ(LoadLibraryA((dir / "damaged.so").c_str()), nullptr);
        EXPECT_EQ(GetLastError(), ERROR_BAD_EXE_FORMAT);
    }
}

} // namespace
} // namespace hostedtest
