// zelvan-host: the design-time host. It reads and converts form files and
// shows what the component publishes, through the same runtime that
// applications use: a form is loaded for real, so loading a TZelvan form
// measures drives through the hosted machine (ZELVAN_DRIVES).
#include <iostream>
#include <string>
#include <vector>

#include "commands.h"
#include "host_io.h"
#include "orvane/orvane.h"
#include "vcl/registry.h"

namespace {

constexpr const char* Usage = R"(usage: zelvan-host COMMAND ...

  form FILE                     load a form file (binary or text) and list each
                                component with its class, name and every published
                                property, marked stored or default
  convert IN OUT [--text|--binary]
                                convert a form between the binary and text
                                encodings; the input's encoding is detected, the
                                output is the other one unless chosen
  inspect CLASS                 show a registered class's published properties:
                                type, default, range and accessors

Drives for loading TZelvan forms come from ZELVAN_DRIVES.

examples:
  ZELVAN_DRIVES='C=disk.img;D=big.img' zelvan-host form module.dfm
  zelvan-host convert module.dfm module.txt
  zelvan-host convert module.txt module.dfm --binary
  zelvan-host inspect TZelvan

exit status: 0 done, 1 a form or file could not be read or written, 2 usage
)";

int UsageError(const std::string& what) {
    std::cerr << "zelvan-host: " << what << "\n(try zelvan-host --help)\n";
    return 2;
}

int Dispatch(const std::vector<std::string>& args) {
    if (args.empty()) return UsageError("no command given");
    const std::string& command = args[0];
    if (command == "--help" || command == "-h" || command == "help") {
        std::cout << Usage;
        return 0;
    }
    if (command == "form") {
        if (args.size() != 2) return UsageError("form takes one FILE");
        return host::FormCommand(args[1]);
    }
    if (command == "convert") {
        bool chosen = args.size() == 4 && (args[3] == "--text" || args[3] == "--binary");
        if (args.size() != 3 && !chosen) return UsageError("convert takes IN OUT and optionally --text or --binary");
        return host::ConvertCommand(args[1], args[2], chosen ? args[3] : "");
    }
    if (command == "inspect") {
        if (args.size() != 2) return UsageError("inspect takes one CLASS");
        return host::InspectCommand(args[1]);
    }
    return UsageError("unknown command '" + command + "'");
}

} // namespace

int main(int argc, char** argv) {
    vcl::RegisterClass(Orvane::TZelvan::StaticClassInfo());
    try {
        return Dispatch(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const vcl::EFilerError& e) {
        std::cerr << "zelvan-host: " << e.what() << "\n";
    } catch (const host::FileError& e) {
        std::cerr << "zelvan-host: " << e.what() << "\n";
    }
    return 1;
}
