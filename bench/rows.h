// Each row of the speed table is a pair of benchmarks in one process:
// "ROW/work", what the component or the tool does, and "ROW/floor", the
// least that work can cost. The work's label carries what table.sh prints:
// "the work|the floor|the goal, as the largest ratio work/floor".
#pragma once

#include <benchmark/benchmark.h>
#include <string>

namespace bench {

using Case = void (*)(benchmark::State&);

struct Row {
    const char* id;
    const char* work;
    const char* floor;
    double goal;
    Case runWork;
    Case runFloor;
};

// Registers both cases of `row`, timed by the wall clock; the work's
// label describes the row.
void Register(const Row& row);

// The rows of each file.
void RegisterLogicalRows();
void RegisterFloppyRows();
void RegisterToolRows();

} // namespace bench
