#include "vcl/units.h"

namespace vcl {

void InitializeUnits(const PackageInfoTable& Table) {
    for (int i = 0; i < Table.UnitCount; ++i)
        if (Table.UnitInfo[i].Init) Table.UnitInfo[i].Init();
}

void FinalizeUnits(const PackageInfoTable& Table) {
    for (int i = Table.UnitCount; i-- > 0;)
        if (Table.UnitInfo[i].FInit) Table.UnitInfo[i].FInit();
}

} // namespace vcl
