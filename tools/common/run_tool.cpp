#include "common/run_tool.h"

#include <exception>
#include <iostream>

#include "common/outcome.h"

namespace tools {

int RunTool(std::string_view tool, const std::function<void()>& work) {
    try {
        work();
        return ExitSuccess;
    } catch (const UsageError& error) {
        std::cerr << tool << ": " << error.what() << " (see " << tool << " --help)\n";
        return ExitUsage;
    } catch (const std::exception& error) {
        std::cerr << tool << ": " << error.what() << '\n';
        return ExitFailure;
    }
}

} // namespace tools
