// Whether a file is a module this process can load, judged by the ELF
// format's own rules before the system loader sees it, as Windows refuses
// a damaged PE with ERROR_BAD_EXE_FORMAT before it maps anything. The check
// is structural: every table the loader reads lies in the file, where a
// segment maps it, and agrees with the others; what the module's code then
// does is its own affair, as on Windows.
//
// - the ELF header: this process's class, byte order, version and machine,
//   a shared object, headers of the sizes this process knows;
// - the program headers: loadable segments in the file, in address order
//   without overlap, no larger together than a module can be, the first
//   mapping the headers; the dynamic section, the notes, the TLS image and
//   the read-only-after-relocation range inside them;
// - the dynamic section: the string table, symbol table, hash tables
//   (.hash and .gnu.hash, whole, acyclic and matching the symbols' names),
//   version tables (every index used is defined, every needed version names
//   a needed module), relocations (every target in writable memory of the
//   module, every symbol in the table), initialisers in code;
// - the notes: whole, and the resource note a whole .res image.
#pragma once

#include <string>

#include "win32/hosted/elf_module.h"

namespace hosted {

// Empty when `file` is a well-formed module; otherwise the first thing
// found wrong with it: "program header 2's segment overlaps the one before".
std::string ModuleFault(ByteView file);

} // namespace hosted
