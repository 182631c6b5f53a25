# The soname of the shared library `library`, by which a program loads it
# with dlopen when it first needs it, into `out`.
function(zelvan_soname out library)
  execute_process(COMMAND ${CMAKE_OBJDUMP} -p ${library} OUTPUT_VARIABLE headers)
  if(NOT headers MATCHES "SONAME +([^\n]+)")
    message(FATAL_ERROR "${library} names no soname")
  endif()
  set(${out} "${CMAKE_MATCH_1}" PARENT_SCOPE)
endfunction()
