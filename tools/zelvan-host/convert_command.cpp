// zelvan-host convert IN OUT [--text|--binary]: between the two encodings,
// by the form's structure alone (no class needs to be known).
#include <iostream>

#include "commands.h"
#include "host_io.h"
#include "vcl/streaming.h"

namespace host {

int ConvertCommand(const std::string& input, const std::string& output, const std::string& encoding) {
    vcl::TBytes bytes = ReadWholeFile(input);
    vcl::TFormEncoding from = vcl::DetectFormEncoding(bytes);
    vcl::TFormEncoding to = from == vcl::TFormEncoding::Binary ? vcl::TFormEncoding::Text : vcl::TFormEncoding::Binary;
    if (encoding == "--text") to = vcl::TFormEncoding::Text;
    if (encoding == "--binary") to = vcl::TFormEncoding::Binary;
    vcl::TFormObject form = vcl::ReadFormTree(bytes, input);
    try {
        ReplaceFile(output, vcl::WriteFormTree(form, to));
    } catch (const vcl::EWriteError& e) {
        throw FileError(output + ": " + e.what());
    }
    return 0;
}

} // namespace host
