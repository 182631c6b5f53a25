# What the scripts that write export lists share (cmake -P; included).

# Writes `file` only when its content changes, so that nothing relinks for
# an export list that stayed the same.
function(zelvan_write_if_changed file content)
  if(EXISTS ${file})
    file(READ ${file} old)
    if(old STREQUAL content)
      return()
    endif()
  endif()
  file(WRITE ${file} "${content}")
endfunction()

# The defined global symbols of `files` (objects or archives), in one order as
# <prefix>_plain and <prefix>_demangled, and in <prefix>_data whether each
# is data rather than code ("1" or "0"): a PE export list marks data, which
# a program reaches through the import table rather than a jump. The plain
# names lose `symbol_prefix`, the underscore that 32-bit Windows puts before
# every C name in an object, as export lists name them without it.
function(zelvan_defined_symbols nm files symbol_prefix prefix)
  string(LENGTH "${symbol_prefix}" prefix_length)
  foreach(form plain demangled)
    set(options -p -g --defined-only)
    if(form STREQUAL demangled)
      list(APPEND options -C)
    endif()
    execute_process(COMMAND ${nm} ${options} ${files} OUTPUT_VARIABLE listing RESULT_VARIABLE failed)
    if(failed)
      message(FATAL_ERROR "${nm} could not list the symbols of ${files}")
    endif()
    # A CMake list cannot hold brackets as they are ("operator[]", "char [4]"
    # in a demangled name): they stand as braces.
    string(REPLACE "[" "{" listing "${listing}")
    string(REPLACE "]" "}" listing "${listing}")
    string(REPLACE ";" "\\;" listing "${listing}")
    string(REPLACE "\n" ";" lines "${listing}")
    set(names "")
    set(data "")
    foreach(line IN LISTS lines)
      # "VALUE TYPE NAME"; a demangled name may hold blanks.
      if(line MATCHES "^[0-9a-fA-F]+ ([A-Za-z]) (.+)$")
        set(name "${CMAKE_MATCH_2}")
        if(form STREQUAL plain)
          string(SUBSTRING "${name}" ${prefix_length} -1 name)
        endif()
        list(APPEND names "${name}")
        if(CMAKE_MATCH_1 MATCHES "[BbCDdGgRrSsVv]")
          list(APPEND data 1)
        else()
          list(APPEND data 0)
        endif()
      endif()
    endforeach()
    set(${prefix}_${form} "${names}" PARENT_SCOPE)
    set(${prefix}_data "${data}" PARENT_SCOPE)
  endforeach()
endfunction()

# The line of a PE export list that exports symbol `index` of the last
# zelvan_defined_symbols(... symbols) under `name` (NAME, or "NAME" = SYMBOL).
macro(zelvan_def_line index name out)
  list(GET symbols_data ${index} zelvan_data)
  if(zelvan_data)
    set(${out} "  ${name} DATA\n")
  else()
    set(${out} "  ${name}\n")
  endif()
endmacro()
