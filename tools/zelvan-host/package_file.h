// Which file a package operand names, by one rule for every command that
// takes one: a name with a folder in it is a path; a bare name is the file
// in the current folder when there is one there, else the file of that
// name beside the host, where its own packages lie. Whichever it is, the
// commands name it by its full path.
#pragma once

#include <string>

#include "common/input_file.h"
#include "win32/module_image.h"

namespace zelvan_host {

inline constexpr tools::InputKind moduleFile{"a module", win32::largestModuleImage};

// The full path of the file `name` stands for. Throws tools::Failure naming
// it when it is no regular file of a module's size.
std::string PackageFile(const std::string& name);

// The package of this host's build beside it: what it installs before it
// reads forms or shows classes.
std::string OwnPackageFile();

} // namespace zelvan_host
