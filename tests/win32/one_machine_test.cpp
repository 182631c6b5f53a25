// Every module of a process works on one machine, as every DLL of a Windows
// process reaches the same kernel32.
#include "hosted_fixture.h"

extern "C" UINT OtherModuleSetsErrorMode(UINT mode);

namespace hostedtest {
namespace {

using OneMachineTest = HostedTest;

TEST_F(OneMachineTest, AnotherModuleChangesTheMachineThisOneSees) {
    SetErrorMode(SEM_FAILCRITICALERRORS);
    EXPECT_EQ(OtherModuleSetsErrorMode(SEM_NOALIGNMENTFAULTEXCEPT), SEM_FAILCRITICALERRORS);
    EXPECT_EQ(hosted::ErrorMode(), SEM_NOALIGNMENTFAULTEXCEPT);
    EXPECT_EQ(hosted::Journal(), (std::vector<std::string>{"SetErrorMode(0x1) = 0x0", "SetErrorMode(0x4) = 0x1"}));
}

} // namespace
} // namespace hostedtest
