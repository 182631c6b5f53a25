// The package loader. A package is a module with a PACKAGEINFO resource and
// the exports Initialize, Finalize and GetPackageInfoTable.
//
// LoadPackage first maps the file as data and reads its PACKAGEINFO, so
// that a package this process cannot take runs no code at all: one that
// requires a package not loaded here (another runtime above all), or
// contains a unit that the runtime or a loaded package already contains
// (each package's own start-up unit SysInit aside). Then it loads the
// module, whose entry point registers it, and calls Initialize. A package
// loaded again is counted, and initialized again (its unit counters make
// that do nothing), without the checks it has already passed.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "vcl/packageinfo.h"
#include "win32/win32.h"

namespace vcl {

// The runtime package this runtime is, as packages name it among their
// requires: "vcl40", or "vcl30" in the vcl30 build.
std::string_view RuntimePackageName();
// The units the runtime package contains.
std::vector<std::string_view> RuntimeUnits();

// Throws EPackageError when this runtime runs from the file of the other
// build's runtime package ("Vcl40.bpl" holding the vcl30 runtime), on which
// no package or host of either build can rely: "the runtime package
// /p/Vcl40.bpl is the vcl30 runtime (VCL30.dpl), not the vcl40 one its name
// says". A host asks when it starts; LoadPackage and InitializePackage ask
// first.
void CheckRuntimePackage();

// Throws EPackageError naming the package and what stands in the way;
// then nothing is loaded and nothing stays registered.
HMODULE LoadPackage(const std::string& Name);
// Takes the package's classes off the palette and out of the class
// registry when this is its last load, calls Finalize and frees the
// module. Throws EPackageError for a module that LoadPackage did not load,
// one that exports no Finalize (which then stays loaded as it was), and one
// the system does not free.
void UnloadPackage(HMODULE Module);

// What an application built with runtime packages does for each package
// that the system loaded with it: the package's units initialized through
// its Initialize at start, and finalized through its Finalize at the end.
// LoadPackage and UnloadPackage do the same for the packages they load.
// A module that exports neither throws EPackageError.
void InitializePackage(HMODULE Module);
void FinalizePackage(HMODULE Module);

// The same as an object that an application holds while it runs, one for
// each package it was linked with, made first thing in main:
//
//   vcl::TLinkedPackage zelvanPack("ZelvanPack.bpl");
//
// FileName is the package's file name. A package that the system did not
// load with the program, or that exports no Initialize or no Finalize,
// throws EPackageError and runs nothing. It never calls Register: that is
// for design time.
class TLinkedPackage {
public:
    explicit TLinkedPackage(const char* FileName);
    ~TLinkedPackage();
    TLinkedPackage(const TLinkedPackage&) = delete;
    TLinkedPackage& operator=(const TLinkedPackage&) = delete;

    HMODULE Module() const { return FModule; }

private:
    HMODULE FModule;
    void (*FFinalize)();
};

// The PACKAGEINFO of a loaded package (throws EPackageError).
TPackageInfo GetPackageInfo(HMODULE Module);
// Its DESCRIPTION, as 8-bit text; empty when it has none (throws
// EPackageError when it has one that cannot be loaded).
std::string GetPackageDescription(HMODULE Module);

} // namespace vcl
