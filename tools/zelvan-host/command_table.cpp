#include "zelvan-host/command_table.h"

#include "zelvan-host/commands.h"

namespace zelvan_host {

namespace {

constexpr CommandRow commandRows[] = {
    {"form", "FILE",
     "load a form file (binary or text) and list each\n"
     "component with its class, name and every published\n"
     "property, marked stored or default",
     RunForm},
    {"convert", "IN OUT [--text|--binary]",
     "convert a form between the binary and text\n"
     "encodings; the input's encoding is detected, the\n"
     "output is the other one unless chosen",
     RunConvert},
    {"inspect", "CLASS",
     "show a registered class's published properties:\n"
     "type, default, range and accessors",
     RunInspect},
    {"install", "PACKAGE",
     "load a package of this host's build, call its\n"
     "Register, and show the palette with each component's\n"
     "picture, the package's description, what it requires\n"
     "and contains, and its flags",
     RunInstall},
    {"palette", "PACKAGE --bitmap FILE",
     "install the package and write the pictures of its\n"
     "components, side by side in palette order, to FILE\n"
     "(.bmp, or .png)",
     RunPalette},
    {"exports", "PACKAGE",
     "list the names a module file exports, with the C++\n"
     "declaration each decorated name stands for",
     RunExports},
};

constexpr std::string_view usageHead = "usage: " ZELVAN_HOST_NAME " COMMAND ...\n\n";
constexpr std::string_view usageTail = R"(
The host runs on one runtime package (zelvan-host on Vcl40.bpl, zelvan-host30
on VCL30.dpl) and installs packages of that build only. Before form and
inspect it installs its own ZelvanPack beside it. A PACKAGE named without a
folder is the file in the current folder when there is one, else the one
beside the host; the commands name the file they used in full. Options take
their value as --bitmap FILE or --bitmap=FILE; -- ends the options. Drives
for loading TZelvan forms come from ZELVAN_DRIVES. -h or --help shows this
text, COMMAND --help one command's; -V or --version the version.

examples:
  ZELVAN_DRIVES='C=disk.img;D=big.img' zelvan-host form module.dfm
  zelvan-host convert module.dfm module.txt
  zelvan-host convert module.txt module.dfm --binary
  zelvan-host inspect TZelvan
  zelvan-host install ZelvanPack.bpl
  zelvan-host palette ZelvanPack.bpl --bitmap palette.png
  zelvan-host exports ZelvanPack.bpl

exit status: 0 done, 1 a form, file or package could not be read, written or
installed, 2 usage
)";

// "  form FILE", then the help beside it from this column on.
constexpr std::size_t helpColumn = 32;

std::string Described(const CommandRow& row) {
    std::string text = "  " + std::string(row.name) + " " + std::string(row.operands);
    text += text.size() < helpColumn ? std::string(helpColumn - text.size(), ' ') : "\n" + std::string(helpColumn, ' ');
    for (char c : row.help) text += c == '\n' ? "\n" + std::string(helpColumn, ' ') : std::string(1, c);
    return text + "\n";
}

} // namespace

std::span<const CommandRow> Commands() { return commandRows; }

std::string HelpText(const CommandRow* command) {
    if (command) return "usage: " ZELVAN_HOST_NAME " " + std::string(command->name) + " " + std::string(command->operands) +
                        "\n\n" + std::string(command->help) + "\n";
    std::string text(usageHead);
    for (const CommandRow& row : commandRows) text += Described(row);
    return text + std::string(usageTail);
}

} // namespace zelvan_host
