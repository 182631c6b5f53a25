// The commands of zelvan-host. A file that cannot be read or written, or a
// form that cannot be read, throws tools::Failure or vcl::EFilerError; a
// wrong command line throws tools::UsageError.
#pragma once

#include "zelvan-host/arguments.h"

namespace zelvan_host {

void RunForm(const Invocation& invocation);
void RunConvert(const Invocation& invocation);
void RunInspect(const Invocation& invocation);

} // namespace zelvan_host
