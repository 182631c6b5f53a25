# The runtime and the component are built once per runtime generation:
# vcl40 (unsigned Cardinal) and vcl30 (signed Cardinal). One compile
# definition tells them apart.
set(ZELVAN_FLAVOURS vcl40 vcl30)
# vcl30 is the runtime of Delphi 3, whose programs and packages are all
# 32-bit: on 64-bit Windows no host could load a vcl30 package.
if(WIN32 AND CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(ZELVAN_FLAVOURS vcl40)
endif()
# What other projects' names of a flavour's targets end in: zelvan::orvane
# is the vcl40 build, zelvan::orvane30 the vcl30 one.
set(ZELVAN_SUFFIX_vcl40 "")
set(ZELVAN_SUFFIX_vcl30 30)

function(zelvan_flavour_definitions target flavour)
  if(flavour STREQUAL "vcl30")
    target_compile_definitions(${target} PUBLIC ZELVAN_VCL30=1)
  endif()
endfunction()

# zelvan_flavoured_library(NAME SOURCES files... LINKS libraries...): for
# each flavour, the sources compiled once as zelvan_NAME_objects_FLAVOUR,
# for the static library zelvan_NAME_FLAVOUR, known to other projects as
# zelvan::NAME (vcl40) and zelvan::NAME30 (vcl30), and for the packages. In
# LINKS, FLAVOUR stands for the flavour being built.
function(zelvan_flavoured_library name)
  cmake_parse_arguments(arg "" "" "SOURCES;LINKS" ${ARGN})
  foreach(flavour IN LISTS ZELVAN_FLAVOURS)
    set(objects zelvan_${name}_objects_${flavour})
    set(target zelvan_${name}_${flavour})
    add_library(${objects} OBJECT ${arg_SOURCES})
    target_link_libraries(${objects} PRIVATE $<BUILD_INTERFACE:zelvan_warnings>)
    add_library(${target} STATIC $<TARGET_OBJECTS:${objects}>)
    list(TRANSFORM arg_LINKS REPLACE "FLAVOUR" "${flavour}" OUTPUT_VARIABLE links)
    zelvan_flavoured_usage(${objects} ${flavour} ${links})
    zelvan_flavoured_usage(${target} ${flavour} ${links})
    set_target_properties(${target} PROPERTIES EXPORT_NAME ${name}${ZELVAN_SUFFIX_${flavour}})
    add_library(zelvan::${name}${ZELVAN_SUFFIX_${flavour}} ALIAS ${target})
  endforeach()
endfunction()

# What code built on the project's sources of `flavour` needs: their
# headers, the libraries that follow and the flavour's definition.
function(zelvan_flavoured_usage target flavour)
  target_include_directories(${target} PUBLIC
    $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}/src>
    $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}/zelvan>)
  target_link_libraries(${target} PUBLIC ${ARGN})
  zelvan_flavour_definitions(${target} ${flavour})
endfunction()

# Each generation's runtime package and the file extension of its packages.
set(ZELVAN_RUNTIME_PACKAGE_vcl40 Vcl40)
set(ZELVAN_RUNTIME_PACKAGE_vcl30 VCL30)
set(ZELVAN_PACKAGE_SUFFIX_vcl40 .bpl)
set(ZELVAN_PACKAGE_SUFFIX_vcl30 .dpl)

# Packages, and the programs that load them, share one folder, where a
# program finds the packages beside it.
set(ZELVAN_PACKAGE_DIR ${PROJECT_BINARY_DIR}/bin)

# A package module of `flavour` named `name` (Vcl40.bpl, ZelvanPack.dpl),
# known to other projects by its file's name (Zelvan::Vcl40.bpl).
function(zelvan_package_output target flavour name)
  set_target_properties(${target} PROPERTIES
    OUTPUT_NAME ${name} PREFIX "" SUFFIX ${ZELVAN_PACKAGE_SUFFIX_${flavour}}
    EXPORT_NAME ${name}${ZELVAN_PACKAGE_SUFFIX_${flavour}}
    ARCHIVE_OUTPUT_NAME ${name}_${flavour}
    LIBRARY_OUTPUT_DIRECTORY ${ZELVAN_PACKAGE_DIR}
    RUNTIME_OUTPUT_DIRECTORY ${ZELVAN_PACKAGE_DIR})
endfunction()

# An ELF module that exports what the version script `map` lists and
# nothing else; every name it lists must exist.
function(zelvan_export_list target map)
  target_link_options(${target} PRIVATE -Wl,--version-script=${map} -Wl,--no-undefined-version)
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${map})
endfunction()
