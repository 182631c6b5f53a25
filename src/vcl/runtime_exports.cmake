# Writes the export list of the runtime package in a PE build, runtime.def,
# from the patterns of runtime.map, the version script of the ELF build:
# every defined symbol whose demangled name a pattern matches, so that both
# builds export the same. Variables: NM, SYMBOL_PREFIX, MAP, ARCHIVE (the
# runtime's objects), OUT.
cmake_minimum_required(VERSION 3.20)
include(${CMAKE_CURRENT_LIST_DIR}/../../cmake/ZelvanSymbols.cmake)

zelvan_defined_symbols(${NM} ${ARCHIVE} "${SYMBOL_PREFIX}" symbols)

# A version script's glob ("vcl::*", "vtable?for?vcl::*") as a regular expression.
file(STRINGS ${MAP} lines)
set(patterns "")
foreach(line IN LISTS lines)
  if(line MATCHES "^ *([A-Za-z:?*]+);$")
    string(REPLACE "?" "." pattern "${CMAKE_MATCH_1}")
    string(REPLACE "*" ".*" pattern "${pattern}")
    list(APPEND patterns "^${pattern}$")
  endif()
endforeach()

set(exports "EXPORTS\n")
list(LENGTH symbols_plain count)
math(EXPR last "${count} - 1")
foreach(i RANGE ${last})
  list(GET symbols_demangled ${i} readable)
  foreach(pattern IN LISTS patterns)
    if(readable MATCHES "${pattern}")
      list(GET symbols_plain ${i} symbol)
      zelvan_def_line(${i} "${symbol}" line)
      string(APPEND exports "${line}")
      break()
    endif()
  endforeach()
endforeach()
zelvan_write_if_changed(${OUT} "${exports}")
