// The speed table's benchmarks. --smoke runs each case once on small images:
// what CTest does to keep them building and running, with nothing timed.
#include <cstdio>
#include <cstring>
#include <vector>

#include "bench_setup.h"
#include "rows.h"

namespace bench {

void Register(const Row& row) {
    const std::string id = row.id;
    auto* work = benchmark::RegisterBenchmark((id + "/work").c_str(), [row](benchmark::State& state) {
        row.runWork(state);
        char goal[16];
        std::snprintf(goal, sizeof goal, "%g", row.goal);
        state.SetLabel(std::string(row.work) + "|" + row.floor + "|" + goal);
    });
    auto* floor = benchmark::RegisterBenchmark((id + "/floor").c_str(), row.runFloor);
    for (auto* registered : {work, floor}) {
        registered->UseRealTime()->Unit(benchmark::kMicrosecond);
        if (Smoke()) registered->Iterations(1);
    }
}

} // namespace bench

int main(int argc, char** argv) {
    std::vector<char*> arguments;
    for (int i = 0; i < argc; ++i) {
        if (std::strcmp(argv[i], "--smoke") == 0) bench::SetSmoke(true);
        else arguments.push_back(argv[i]);
    }
    int count = static_cast<int>(arguments.size());
    benchmark::Initialize(&count, arguments.data());
    if (benchmark::ReportUnrecognizedArguments(count, arguments.data())) return 1;
    bench::RegisterLogicalRows();
    bench::RegisterFloppyRows();
    bench::RegisterToolRows();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
