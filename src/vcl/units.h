// Units' initialization and finalization, and the unit table a package
// hands out through GetPackageInfoTable.
#pragma once

namespace vcl {

using TUnitProc = void (*)();

struct PackageUnitEntry {
    TUnitProc Init;  // null for a unit without initialization code
    TUnitProc FInit; // null for a unit without finalization code
};

struct PackageInfoTable {
    int UnitCount;
    const PackageUnitEntry* UnitInfo; // in dependency order
};

// The counter of one unit: its initialization runs when it is first asked
// for, its finalization when the last of the initializations asked for is
// undone. A plain counter: units start and end on one thread.
class TUnitCounter {
public:
    constexpr TUnitCounter(TUnitProc Initialization, TUnitProc Finalization)
        : FInitialization(Initialization), FFinalization(Finalization) {}
    void Initialize() {
        if (FCount++ == 0 && FInitialization) FInitialization();
    }
    void Finalize() {
        if (FCount > 0 && --FCount == 0 && FFinalization) FFinalization();
    }
    int Count() const { return FCount; }

private:
    TUnitProc FInitialization;
    TUnitProc FFinalization;
    int FCount = 0;
};

// The initializations of the table's units in its order; the
// finalizations in the reverse order.
void InitializeUnits(const PackageInfoTable& Table);
void FinalizeUnits(const PackageInfoTable& Table);

} // namespace vcl
