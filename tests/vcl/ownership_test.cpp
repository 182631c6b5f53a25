// Owners and the names of what they own: a name is found without regard to
// case and is unique among its siblings, through every rename, move and
// destruction; an owner destroys what it owns.
#include <gtest/gtest.h>

#include "probe.h"

using namespace vcl;
using probe::TProbe;

namespace {

TEST(Ownership, NamesAreFoundAndKeptUniqueThroughRenamesMovesAndDestruction) {
    TComponent owner(nullptr), other(nullptr);
    auto* a = new TProbe(&owner);
    auto* b = new TProbe(&owner);
    a->SetName("Alpha");
    b->SetName("Beta");
    EXPECT_EQ(owner.FindComponent("ALPHA"), a);
    EXPECT_THROW(b->SetName("alpha"), EComponentError);
    EXPECT_EQ(b->Name().View(), "Beta");
    // A rename frees the old name; a change of case alone is no clash.
    a->SetName("Gamma");
    EXPECT_EQ(owner.FindComponent("Alpha"), nullptr);
    a->SetName("GAMMA");
    EXPECT_EQ(owner.FindComponent("gamma"), a);
    b->SetName("Alpha");
    EXPECT_EQ(owner.FindComponent("alpha"), b);
    // A component moved to another owner takes its name along.
    other.InsertComponent(a);
    EXPECT_EQ(owner.FindComponent("Gamma"), nullptr);
    EXPECT_EQ(other.FindComponent("Gamma"), a);
    EXPECT_EQ(owner.ComponentCount(), 1);
    // An owner that has a component of that name takes no other.
    auto* twin = new TProbe(nullptr);
    twin->SetName("Gamma");
    EXPECT_THROW(other.InsertComponent(twin), EComponentError);
    EXPECT_EQ(twin->Owner(), nullptr);
    delete twin;
    // A destroyed component's name is free again.
    delete a;
    EXPECT_EQ(other.FindComponent("Gamma"), nullptr);
    EXPECT_EQ(other.ComponentCount(), 0);
    auto* again = new TProbe(&other);
    again->SetName("Gamma");
    EXPECT_EQ(other.FindComponent("Gamma"), again);
}

TEST(Ownership, AnOwnerDestroysWhatItOwnsWhateverTheOrder) {
    const int before = TProbe::Alive();
    {
        TComponent owner(nullptr);
        std::vector<TProbe*> owned;
        for (int i = 0; i < 5; ++i) owned.push_back(new TProbe(&owner));
        owned[2]->SetName("Middle");
        delete owned[2];
        delete owned[0];
        EXPECT_EQ(owner.ComponentCount(), 3);
        EXPECT_EQ(owner.Components(0), owned[1]);
        EXPECT_EQ(owner.Components(2), owned[4]);
        EXPECT_EQ(owner.FindComponent("Middle"), nullptr);
    }
    EXPECT_EQ(TProbe::Alive(), before);
}

} // namespace
