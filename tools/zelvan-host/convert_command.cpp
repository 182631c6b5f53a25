// zelvan-host convert IN OUT [--text|--binary]: between the two encodings,
// by the form's structure alone (no class needs to be known).
#include "common/files.h"
#include "common/outcome.h"
#include "vcl/streaming.h"
#include "zelvan-host/commands.h"
#include "zelvan-host/host_io.h"

namespace zelvan_host {

void RunConvert(const Invocation& invocation) {
    const std::string& input = invocation.operands[0];
    const std::string& output = invocation.operands[1];
    if (invocation.options.size() > 1) throw tools::UsageError("convert takes --text or --binary, not both");
    vcl::TBytes bytes = ReadFormFile(input);
    vcl::TFormEncoding from = vcl::DetectFormEncoding(bytes);
    vcl::TFormEncoding to = from == vcl::TFormEncoding::Binary ? vcl::TFormEncoding::Text : vcl::TFormEncoding::Binary;
    for (const std::string& encoding : invocation.options)
        to = encoding == "--text" ? vcl::TFormEncoding::Text : vcl::TFormEncoding::Binary;
    vcl::TFormObject form = vcl::ReadFormTree(bytes, input);
    vcl::TBytes converted;
    try {
        converted = vcl::WriteFormTree(form, to);
    } catch (const vcl::EWriteError& e) {
        throw tools::Failure(output + ": " + e.what());
    }
    tools::OutputFile file(output);
    file.Write(converted);
    file.Commit();
}

} // namespace zelvan_host
