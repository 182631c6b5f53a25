// The modules registered with the runtime, most recent first, each as its
// instance and the instance it takes its resources from. Compiled into each
// test program with its own build's runtime.
#pragma once

#include <utility>
#include <vector>

#include "vcl/modules.h"

namespace packagetest {

inline std::vector<std::pair<HINSTANCE, HINSTANCE>> ModulesShown() {
    std::vector<std::pair<HINSTANCE, HINSTANCE>> shown;
    for (const vcl::TLibModule& module : vcl::RegisteredModules()) shown.emplace_back(module.Instance, module.ResInstance);
    return shown;
}

} // namespace packagetest
