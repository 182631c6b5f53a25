// Unit counters and the order in which a unit table starts and ends units.
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "vcl/units.h"

namespace {

using namespace vcl;

std::vector<std::string>& Calls() {
    static std::vector<std::string> calls;
    return calls;
}

TUnitCounter First([] { Calls().push_back("First.init"); }, [] { Calls().push_back("First.fini"); });
TUnitCounter Second(nullptr, [] { Calls().push_back("Second.fini"); });
TUnitCounter Third([] { Calls().push_back("Third.init"); }, nullptr);

constexpr PackageUnitEntry Units[] = {
    {[] { First.Initialize(); }, [] { First.Finalize(); }},
    {nullptr, nullptr},
    {[] { Second.Initialize(); }, [] { Second.Finalize(); }},
    {[] { Third.Initialize(); }, [] { Third.Finalize(); }},
};
constexpr PackageInfoTable Table{4, Units};

TEST(UnitCounter, RunsTheInitializationOnceAndTheFinalizationWithTheLastUndo) {
    Calls().clear();
    InitializeUnits(Table);
    InitializeUnits(Table);
    EXPECT_EQ(First.Count(), 2);
    EXPECT_EQ(Calls(), (std::vector<std::string>{"First.init", "Third.init"}));
    FinalizeUnits(Table);
    EXPECT_EQ(Calls().size(), 2u);
    FinalizeUnits(Table);
    EXPECT_EQ(Calls(), (std::vector<std::string>{"First.init", "Third.init", "Second.fini", "First.fini"}));
    // Undoing more than was done does nothing.
    FinalizeUnits(Table);
    EXPECT_EQ(Calls().size(), 4u);
    EXPECT_EQ(First.Count(), 0);
}

} // namespace
