// zelvan as it was built: with the runtime packages the system loads with it
// (ZELVAN_WITH_PACKAGES), or with the component and the runtime inside it.
#include <algorithm>
#include <gtest/gtest.h>
#include <regex>
#include <sstream>
#include <vector>

#include "zelvan_run.h"

namespace tools_test {
namespace {

TEST(ZelvanBuild, TheSystemLoadsThePackagesZelvanIsBuiltWith) {
    const std::string dynamic = testsupport::RunOk(std::string("readelf -d '") + ZELVAN_TOOL + "'");
    EXPECT_EQ(dynamic.find("Shared library: [ZelvanPack.bpl]") != std::string::npos, ZELVAN_WITH_PACKAGES) << dynamic;
    EXPECT_EQ(dynamic.find("Shared library: [Vcl40.bpl]") != std::string::npos, ZELVAN_WITH_PACKAGES) << dynamic;
    EXPECT_EQ(dynamic.find("VCL30.dpl"), std::string::npos) << dynamic;
}

// Standing alone, zelvan carries the machine and the C++ runtime inside
// itself: the system loads the C library (libc, libm) for it and nothing
// else, from nowhere but the system's folders.
TEST(ZelvanBuild, StandingAloneItNeedsOnlyTheCLibrary) {
    if (ZELVAN_WITH_PACKAGES) GTEST_SKIP() << "built with the runtime packages";
    const std::string dynamic = testsupport::RunOk(std::string("readelf -d '") + ZELVAN_TOOL + "'");
    static const std::regex library(R"(\(NEEDED\) +Shared library: \[([^\]]+)\])");
    unsigned libraries = 0;
    for (std::sregex_iterator at(dynamic.begin(), dynamic.end(), library), end; at != end; ++at, ++libraries) {
        const std::string name = (*at)[1];
        EXPECT_TRUE(name.starts_with("libc.so.") || name.starts_with("libm.so.") || name.starts_with("ld-linux")) << name;
    }
    EXPECT_GT(libraries, 0u) << dynamic;
    EXPECT_EQ(dynamic.find("PATH"), std::string::npos) << dynamic;
}

// The trace of `zelvan info C`, a line an element.
std::vector<std::string> TraceOfInfo() {
    const Images images;
    const std::string trace = Quote(images.dir() / "trace.log");
    testsupport::RunOk("env -u ZELVAN_DRIVES -u ZELVAN_PLATFORM -u ZELVAN_ANSWER -u ZELVAN_FAULTS ZELVAN_TRACE=" + trace +
                       " '" + ZELVAN_TOOL + "' " + images.Drives() + " info C");
    const testsupport::Bytes bytes = testsupport::ReadFile(images.dir() / "trace.log");
    std::vector<std::string> lines;
    std::istringstream text(std::string(bytes.begin(), bytes.end()));
    for (std::string line; std::getline(text, line);) lines.push_back(line);
    return lines;
}

// Before the command's first call it finds its package's start and end and
// starts it; after the command's last call it asks the system for nothing,
// so that ending the package cannot fail.
TEST(ZelvanBuild, ItFindsItsPackagesStartAndEndBeforeItsWork) {
    const std::vector<std::string> lines = TraceOfInfo();
    ASSERT_FALSE(lines.empty());
    const auto started = std::find(lines.begin(), lines.end(), R"(GetModuleHandleA("ZelvanPack.bpl") = ZelvanPack.bpl)");
    const auto work = std::find_if(lines.begin(), lines.end(), [](const std::string& line) {
        return line.starts_with("GetDiskFreeSpaceA(");
    });
    ASSERT_NE(work, lines.end());
    EXPECT_EQ(started < work, ZELVAN_WITH_PACKAGES);
    EXPECT_EQ(work - started > 2 && started[1] == R"(GetProcAddress(ZelvanPack.bpl, "Initialize") = ptr)" &&
                  started[2] == R"(GetProcAddress(ZelvanPack.bpl, "Finalize") = ptr)",
              ZELVAN_WITH_PACKAGES);
    EXPECT_FALSE(lines.back().starts_with("GetProcAddress(")) << lines.back();
}

// Register is for design time: zelvan does not link it, and binds nothing
// of its package by name but the package's start and end.
TEST(ZelvanBuild, ItNeverRegistersItsPackage) {
    const std::string imported = testsupport::RunOk(std::string("nm -D -C --undefined-only '") + ZELVAN_TOOL + "'");
    EXPECT_EQ(imported.find("Orvane::Register"), std::string::npos) << imported;
    std::vector<std::string> bound;
    for (const std::string& line : TraceOfInfo())
        if (line.starts_with("GetProcAddress(")) bound.push_back(line);
    // Its start and its end, each looked for once, before its start runs.
    const std::vector<std::string> packageEnds{R"(GetProcAddress(ZelvanPack.bpl, "Initialize") = ptr)",
                                               R"(GetProcAddress(ZelvanPack.bpl, "Finalize") = ptr)"};
    EXPECT_EQ(bound, ZELVAN_WITH_PACKAGES ? packageEnds : std::vector<std::string>{});
}

} // namespace
} // namespace tools_test
