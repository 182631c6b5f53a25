// How a tool's command ends when it does not succeed: the exit status and the
// one line the user sees on standard error.
#pragma once

#include <stdexcept>

namespace tools {

enum ExitStatus : int { ExitSuccess = 0, ExitFailure = 1, ExitUsage = 2 };

// The command line itself is wrong: exit 2.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The command was understood but did not do its work (a refused value, a
// declined confirmation, a transfer that returned false, an unreadable file):
// exit 1.
class Failure : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

} // namespace tools
