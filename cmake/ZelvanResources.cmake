# Resources compiled from a resource script by the resource compiler of the
# Windows build, i686-w64-mingw32-windres, seeing the target's compile
# definitions. A PE module links them as Windows modules do; an ELF module
# carries windres's ".res" output whole in a note (see
# src/win32/hosted/resource_note.h), where the hosted FindResourceA reads
# it. Both carry the same bytes.
#
#   zelvan_add_resources(TARGET SCRIPT [DEPENDS file...])
if(WIN32)
  enable_language(RC)
else()
  enable_language(ASM)
  find_program(ZELVAN_WINDRES NAMES i686-w64-mingw32-windres REQUIRED)
endif()

function(zelvan_add_resources target script)
  cmake_parse_arguments(arg "" "" "DEPENDS" ${ARGN})
  if(WIN32)
    target_sources(${target} PRIVATE ${script})
    set_property(SOURCE ${script} APPEND PROPERTY OBJECT_DEPENDS ${arg_DEPENDS})
    return()
  endif()
  set(dir ${CMAKE_CURRENT_BINARY_DIR}/${target}.resources)
  set(resources ${dir}/resources.res)
  set(definitions $<TARGET_PROPERTY:${target},COMPILE_DEFINITIONS>)
  add_custom_command(OUTPUT ${resources}
    COMMAND ${ZELVAN_WINDRES} "$<$<BOOL:${definitions}>:-D$<JOIN:${definitions},;-D>>" -O res ${script} ${resources}
    DEPENDS ${script} ${arg_DEPENDS}
    COMMENT "Compiling the resources of ${target}"
    COMMAND_EXPAND_LISTS VERBATIM)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/resource_note.S.in ${dir}/resource_note.S @ONLY)
  set_source_files_properties(${dir}/resource_note.S PROPERTIES OBJECT_DEPENDS ${resources})
  target_sources(${target} PRIVATE ${dir}/resource_note.S ${resources})
  target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR}/src)
endfunction()
