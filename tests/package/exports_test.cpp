// The dynamic symbol tables of both builds' files, as nm and readelf read
// them: what each exports, what the vcl30 build leaves out, and which
// runtime package each needs.
#include <algorithm>
#include <cctype>
#include <regex>
#include <set>
#include <sstream>

#include "package_fixture.h"

namespace packagetest {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// The names of the defined dynamic symbols, demangled when asked.
std::set<std::string> Exported(const fs::path& file, bool demangled) {
    std::set<std::string> names;
    for (const std::string& line :
         Lines(testsupport::RunOk(std::string("nm -D --defined-only ") + (demangled ? "-C " : "") + file.string())))
        names.insert(line.substr(line.find(' ', line.find(' ') + 1) + 1));
    return names;
}

std::set<std::string> Needed(const fs::path& file) {
    std::set<std::string> needed;
    const std::regex entry(R"(\(NEEDED\)\s+Shared library: \[(.*)\])");
    for (const std::string& line : Lines(testsupport::RunOk("readelf -d " + file.string())))
        if (std::smatch match; std::regex_search(line, match, entry)) needed.insert(match[1]);
    return needed;
}

std::string DeclarationHash(const std::string& declaration) {
    std::string digest = testsupport::RunOk("printf '%s' '" + declaration + "' | sha256sum").substr(0, 8);
    for (char& c : digest) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return digest;
}

// The twelve internal methods of TZelvan that only the vcl40 build exports.
const std::vector<std::string> internalMethods = {
    "Orvane::TZelvan::GetDriveNo(char) const",
    "Orvane::TZelvan::GetWinPlatform()",
    "Orvane::TZelvan::GetDiskInfo(char)",
    "Orvane::TZelvan::GetDiskHandle(char)",
    "Orvane::TZelvan::GetDeviceHandle()",
    "Orvane::TZelvan::FreeHandle()",
    "Orvane::TZelvan::RS95(int, int, int, void*)",
    "Orvane::TZelvan::WS95(int, int, int, void*)",
    "Orvane::TZelvan::RSNT(char, int, int, unsigned char*, int)",
    "Orvane::TZelvan::WSNT(char, int, int, unsigned char const*, int)",
    "Orvane::TZelvan::RF95(unsigned char, unsigned char, unsigned char, unsigned char, void*)",
    "Orvane::TZelvan::WF95(unsigned char, unsigned char, unsigned char, unsigned char, void*)",
};

const fs::path& Vcl40Package() { return runtimeName == std::string("vcl40") ? PackageFile() : OtherPackageFile(); }
const fs::path& Vcl30Package() { return runtimeName == std::string("vcl30") ? PackageFile() : OtherPackageFile(); }

TEST(Exports, TheVcl40BuildExportsEveryItemUnderItsCppNameAndNothingElse) {
    std::set<std::string> expected(internalMethods.begin(), internalMethods.end());
    expected.insert({
        "Initialize", "Finalize", "GetPackageInfoTable",
        "ZelvanPack::Initialization(void*, unsigned int, void*)", "ZelvanPack::PackageLoad()",
        "ZelvanPack::PackageUnload()", "ZelvanPack::GetPackageInfoTable()",
        "Orvane::Initialization()", "Orvane::Finalization()", "Orvane::Register()", "Orvane::AttentionText",
        "Orvane::TypeInfo_TFloppyType", "Orvane::TypeInfo_TRetries", "Orvane::TZelvan::StaticClassInfo()",
        "vtable for Orvane::TZelvan", "typeinfo for Orvane::TZelvan", "Orvane::TZelvan::TZelvan(vcl::TComponent*)",
        "Orvane::TZelvan::~TZelvan()",
        "Orvane::TZelvan::ReadSectors(unsigned char*, int)", "Orvane::TZelvan::WriteSectors(unsigned char const*, int)",
        "Orvane::TZelvan::ReadFloppySectors(char, unsigned char*, int, Orvane::TFloppyType)",
        "Orvane::TZelvan::WriteFloppySectors(char, unsigned char const*, int, Orvane::TFloppyType, bool)",
        "Orvane::TZelvan::SetDisk(char)", "Orvane::TZelvan::SetSectors(unsigned int)",
        "Orvane::TZelvan::SetFirstSector(unsigned int)",
    });
    EXPECT_EQ(Exported(Vcl40Package(), true), expected);
}

TEST(Exports, TheVcl30BuildExportsDottedNamesInHashVersionsWithoutTheTwelve) {
    const std::set<std::string> exported = Exported(Vcl30Package(), false);
    std::set<std::string> names;
    std::set<std::string> versions;
    const std::regex hashed(R"(([A-Za-z.]+)@@H([0-9A-F]{8}))");
    for (const std::string& symbol : exported) {
        std::smatch match;
        if (std::regex_match(symbol, match, hashed)) {
            names.insert(match[1]);
            versions.insert("H" + match[2].str());
        }
    }
    EXPECT_EQ(names, (std::set<std::string>{
                         "Orvane.Initialization", "Orvane.Finalization", "Orvane.Register", "Orvane.AttentionText",
                         "Orvane.TFloppyType.TypeInfo", "Orvane.TRetries.TypeInfo", "Orvane.TZelvan.TypeInfo",
                         "Orvane.TZelvan.ClassRecord", "Orvane.TZelvan.Create", "Orvane.TZelvan.Destroy",
                         "Orvane.TZelvan.ReadSectors", "Orvane.TZelvan.WriteSectors",
                         "Orvane.TZelvan.ReadFloppySectors", "Orvane.TZelvan.WriteFloppySectors",
                         "Orvane.TZelvan.SetDisk", "Orvane.TZelvan.SetSectors", "Orvane.TZelvan.SetFirstSector",
                         "ZelvanPack.PackageLoad", "ZelvanPack.PackageUnload", "ZelvanPack.GetPackageInfoTable"}));
    // Besides them: the loader's three names, and the version nodes themselves.
    std::set<std::string> rest = exported;
    std::erase_if(rest, [&](const std::string& symbol) { return std::regex_match(symbol, hashed) || versions.count(symbol); });
    EXPECT_EQ(rest, (std::set<std::string>{"Initialize@@ZELVANPACK", "Finalize@@ZELVANPACK",
                                           "GetPackageInfoTable@@ZELVANPACK", "ZELVANPACK"}));
    // The hash is that of the declaration, Cardinal being int in this build.
    EXPECT_TRUE(exported.count("Orvane.Register@@H" + DeclarationHash("Orvane::Register()")));
    EXPECT_TRUE(exported.count("Orvane.TZelvan.SetSectors@@H" + DeclarationHash("Orvane::TZelvan::SetSectors(int)")));
    constexpr std::size_t classPrefix = sizeof "Orvane::TZelvan::" - 1;
    for (const std::string& symbol : exported)
        for (const std::string& method : internalMethods)
            EXPECT_EQ(symbol.find(method.substr(classPrefix, method.find('(') - classPrefix)), std::string::npos)
                << symbol;
}

TEST(Exports, EachBuildNeedsItsOwnRuntimePackageAndNoOther) {
    const std::set<std::string> vcl40 = Needed(Vcl40Package());
    const std::set<std::string> vcl30 = Needed(Vcl30Package());
    EXPECT_TRUE(vcl40.count("Vcl40.bpl"));
    EXPECT_FALSE(vcl40.count("VCL30.dpl"));
    EXPECT_TRUE(vcl30.count("VCL30.dpl"));
    EXPECT_FALSE(vcl30.count("Vcl40.bpl"));
    // Besides its runtime package: the hosted Win32 layer and the C++ and C libraries.
    for (const auto& needed : {vcl40, vcl30})
        EXPECT_EQ(std::count_if(needed.begin(), needed.end(),
                                [](const std::string& module) { return module.find(".so") == std::string::npos; }),
                  1);
}

} // namespace
} // namespace packagetest
