#include "zelvan/child_process.h"

#include <process.h>

namespace zelvan_cli {

// The child's output goes where the tool's goes.
std::optional<int> RunProgram(const std::vector<std::string>& arguments, ProgramErrors) {
    std::vector<const char*> argv;
    for (const std::string& argument : arguments) argv.push_back(argument.c_str());
    argv.push_back(nullptr);
    const intptr_t status = _spawnvp(_P_WAIT, argv[0], argv.data());
    if (status == -1) return std::nullopt;
    return static_cast<int>(status);
}

} // namespace zelvan_cli
