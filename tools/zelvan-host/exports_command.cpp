// zelvan-host exports PACKAGE: the names the module file exports, each with
// the C++ declaration it decorates when it is one.
#include <algorithm>
#include <cstdlib>
#include <cxxabi.h>
#include <iostream>
#include <memory>

#include "common/input_file.h"
#include "zelvan-host/commands.h"
#include "zelvan-host/module_exports.h"
#include "zelvan-host/package_file.h"

namespace zelvan_host {

namespace {

// The declaration of a decorated C++ name; empty for any other name.
std::string Demangled(const std::string& name) {
    int status = 0;
    const std::unique_ptr<char, decltype(&std::free)> text(abi::__cxa_demangle(name.c_str(), nullptr, nullptr, &status),
                                                           &std::free);
    return status == 0 && text ? text.get() : "";
}

} // namespace

void RunExports(const Invocation& invocation) {
    const std::string file = PackageFile(invocation.operands[0]);
    std::vector<std::string> names = ExportedNames(tools::ReadInputFile(file, moduleFile), file);
    std::sort(names.begin(), names.end());
    std::size_t width = 0;
    for (const std::string& name : names) width = std::max(width, name.size());
    std::cout << file << "\n";
    for (const std::string& name : names) {
        const std::string declaration = Demangled(name);
        std::cout << name;
        if (!declaration.empty()) std::cout << std::string(width - name.size() + 2, ' ') << declaration;
        std::cout << "\n";
    }
}

} // namespace zelvan_host
