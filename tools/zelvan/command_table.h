// What `zelvan --help` and `zelvan COMMAND --help` print.
#pragma once

#include <optional>
#include <string_view>

#include "arguments.h"

namespace zelvan_cli {

// The whole usage with no command; one command's usage, options and an example otherwise.
std::string_view HelpText(std::optional<Command> command);

} // namespace zelvan_cli
