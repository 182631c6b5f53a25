// The commands of zelvan-host. Each returns the exit status: 0 done, 1 a
// file could not be read or written (the message is printed), 2 bad usage.
#pragma once

#include <string>

namespace host {

int FormCommand(const std::string& file);
int ConvertCommand(const std::string& input, const std::string& output, const std::string& encoding);
int InspectCommand(const std::string& className);

} // namespace host
