# Two kinds of program. One that stands alone carries the C++ runtime
# inside itself and runs from any folder; on the hosted backend it carries
# the machine too, which it shares with no module, so that the system loads
# nothing for it but the C library, and a command starts about as fast as dd
# does. The packages and the programs built with them
# share one C++ runtime (and one machine), as they share objects and
# exceptions across modules: on Windows its DLLs lie in the package folder
# beside them.
function(zelvan_standalone_program target)
  if(WIN32)
    target_link_options(${target} PRIVATE -static)
  else()
    # The machine's objects come first, so that the shared machine the
    # libraries ask for is left unused and, as needed, unlinked.
    target_link_libraries(${target} PRIVATE zelvan_win32_objects)
    target_link_options(${target} PRIVATE -static-libstdc++ -static-libgcc LINKER:--as-needed)
    # Nothing to find beside it or in the current folder.
    set_target_properties(${target} PROPERTIES SKIP_BUILD_RPATH ON INSTALL_RPATH "")
  endif()
endfunction()

if(WIN32)
  # 32-bit Windows names C symbols with a leading underscore and unwinds
  # through DWARF-2 frames; 64-bit Windows does neither and unwinds through
  # its own tables (SEH), so its GCC runtime DLL has another name.
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(ZELVAN_SYMBOL_PREFIX "")
    set(zelvan_libgcc libgcc_s_seh-1.dll)
  else()
    set(ZELVAN_SYMBOL_PREFIX "_")
    set(zelvan_libgcc libgcc_s_dw2-1.dll)
  endif()
  foreach(dll ${zelvan_libgcc} libstdc++-6.dll libwinpthread-1.dll)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll} OUTPUT_VARIABLE found
                    OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT EXISTS "${found}")
      message(FATAL_ERROR "${CMAKE_CXX_COMPILER} has no ${dll} for the packages to share")
    endif()
    file(COPY ${found} DESTINATION ${ZELVAN_PACKAGE_DIR})
    list(APPEND ZELVAN_WINDOWS_RUNTIME_DLLS ${found})
  endforeach()
endif()
