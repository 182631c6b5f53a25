# The runtime and the component are built once per runtime generation:
# vcl40 (unsigned Cardinal) and vcl30 (signed Cardinal). One compile
# definition tells them apart.
set(ZELVAN_FLAVOURS vcl40 vcl30)

function(zelvan_flavour_definitions target flavour)
  if(flavour STREQUAL "vcl30")
    target_compile_definitions(${target} PUBLIC ZELVAN_VCL30=1)
  endif()
endfunction()

# zelvan_flavoured_library(NAME SOURCES files... LINKS libraries...): the
# static library zelvan_NAME_FLAVOUR for each flavour, known to other
# projects as zelvan::NAME (vcl40) and zelvan::NAME30 (vcl30). In LINKS,
# FLAVOUR stands for the flavour being built.
function(zelvan_flavoured_library name)
  cmake_parse_arguments(arg "" "" "SOURCES;LINKS" ${ARGN})
  foreach(flavour IN LISTS ZELVAN_FLAVOURS)
    set(target zelvan_${name}_${flavour})
    add_library(${target} STATIC ${arg_SOURCES})
    target_include_directories(${target} PUBLIC
      $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}/src>
      $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}/zelvan>)
    list(TRANSFORM arg_LINKS REPLACE "FLAVOUR" "${flavour}" OUTPUT_VARIABLE links)
    target_link_libraries(${target} PUBLIC ${links} PRIVATE $<BUILD_INTERFACE:zelvan_warnings>)
    zelvan_flavour_definitions(${target} ${flavour})
    set(suffix "")
    if(flavour STREQUAL "vcl30")
      set(suffix 30)
    endif()
    set_target_properties(${target} PROPERTIES EXPORT_NAME ${name}${suffix})
    add_library(zelvan::${name}${suffix} ALIAS ${target})
  endforeach()
endfunction()
