// The commands of zelvan-host. A file that cannot be read or written, a form
// that cannot be read or a package that cannot be installed throws
// tools::Failure or vcl::EFilerError; a wrong command line throws
// tools::UsageError.
#pragma once

#include "zelvan-host/arguments.h"

namespace zelvan_host {

void RunForm(const Invocation& invocation);
void RunConvert(const Invocation& invocation);
void RunInspect(const Invocation& invocation);
void RunInstall(const Invocation& invocation);
void RunPalette(const Invocation& invocation);
void RunExports(const Invocation& invocation);

} // namespace zelvan_host
