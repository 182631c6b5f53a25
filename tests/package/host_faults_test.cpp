// Each Win32 call of a good run of the design-time host made to fail in
// turn, as the fault sweep does for zelvan: a command shows its whole report
// or one line saying what went wrong, never half a report, and never ends
// in a crash (an error thrown from a destructor among them).
#include <map>
#include <regex>
#include <sstream>

#include "package_fixture.h"
#include "win32/hosted/call_table.h"

namespace packagetest {
namespace {

using HostFaultsTest = PackageTest;

// How often each call that the fault plan can fail is made, by its journal.
std::map<std::string, unsigned> CallsIn(const std::filesystem::path& trace) {
    std::map<std::string, unsigned> calls;
    const testsupport::Bytes journal = testsupport::ReadFile(trace);
    std::istringstream lines(std::string(journal.begin(), journal.end()));
    for (std::string line; std::getline(lines, line);) {
        const std::string name = line.substr(0, line.find('('));
        const hosted::HostedCall* row = hosted::FindHostedCall(name);
        if (row && row->plannedError) ++calls[name];
    }
    return calls;
}

TEST_F(HostFaultsTest, EveryFailedCallEndsInTheWholeReportOrInOneLine) {
    const std::string form = "object M: TDataModule\n  object Z: TZelvan\n  end\nend\n";
    testsupport::WriteFile(dir / "m.txt", testsupport::Bytes(form.begin(), form.end()));
    const std::string commands[] = {"install " + Quoted(PackageFile()),
                                    "palette " + Quoted(PackageFile()) + " --bitmap " + Quoted(dir / "p.bmp"),
                                    "inspect TZelvan", "form " + Quoted(dir / "m.txt")};
    const std::string prefix = std::string(hostName) + ": ";
    const std::regex description("(\n  description  ).*\n");
    for (const std::string& command : commands) {
        std::filesystem::remove(dir / "trace.log");
        const testsupport::CommandResult good = Host(command, "ZELVAN_TRACE=" + Quoted(dir / "trace.log"));
        ASSERT_EQ(good.status, 0) << command << ": " << good.output;
        for (const auto& [call, count] : CallsIn(dir / "trace.log")) {
            for (unsigned ordinal = 1; ordinal <= count; ++ordinal) {
                const std::string fault = call + "#" + std::to_string(ordinal);
                const testsupport::CommandResult result = Host(command, "ZELVAN_FAULTS='" + fault + "'");
                if (result.status == 0) {
                    // FindResourceA fails as it does for a resource that is
                    // not there, and a package may go without a description.
                    const std::string blank = std::regex_replace(good.output, description, "$1\n");
                    EXPECT_TRUE(result.output == good.output || (call == "FindResourceA" && result.output == blank))
                        << command << " with " << fault << ": " << result.output;
                    continue;
                }
                EXPECT_EQ(result.status, 1) << command << " with " << fault << ": " << result.output;
                EXPECT_EQ(result.output.rfind(prefix, 0), 0u) << command << " with " << fault << ": " << result.output;
                EXPECT_EQ(result.output.find('\n'), result.output.size() - 1)
                    << command << " with " << fault << ": " << result.output;
            }
        }
    }
}

} // namespace
} // namespace packagetest
