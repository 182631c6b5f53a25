# Two kinds of Windows program. One that stands alone carries the C++
# runtime inside itself and runs from any folder. The packages and the
# programs built with them share one C++ runtime, as they share objects and
# exceptions across modules: its DLLs lie in the package folder beside them.
function(zelvan_standalone_program target)
  if(WIN32)
    target_link_options(${target} PRIVATE -static)
  endif()
endfunction()

if(WIN32)
  foreach(dll libgcc_s_dw2-1.dll libstdc++-6.dll libwinpthread-1.dll)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll} OUTPUT_VARIABLE found
                    OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT EXISTS "${found}")
      message(FATAL_ERROR "${CMAKE_CXX_COMPILER} has no ${dll} for the packages to share")
    endif()
    file(COPY ${found} DESTINATION ${ZELVAN_PACKAGE_DIR})
    list(APPEND ZELVAN_WINDOWS_RUNTIME_DLLS ${found})
  endforeach()
endif()
