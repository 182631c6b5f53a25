include(CMakePackageConfigHelpers)

set(zelvan_flavoured_targets "")
set(zelvan_packages "")
foreach(flavour IN LISTS ZELVAN_FLAVOURS)
  list(APPEND zelvan_flavoured_targets zelvan_vcl_${flavour} zelvan_orvane_${flavour})
  list(APPEND zelvan_packages zelvan_runtime_${flavour} zelvanpack_${flavour})
endforeach()
install(TARGETS zelvan_win32 ${zelvan_flavoured_targets}
        EXPORT ZelvanTargets
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
        RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
        INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/zelvan)

# The packages in the programs' folder, as they are built: the runtime
# packages and ZelvanPack of both builds beside zelvan-host, with the C++
# runtime DLLs that they share on Windows.
install(TARGETS ${zelvan_packages}
        LIBRARY DESTINATION ${CMAKE_INSTALL_BINDIR}
        RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
if(WIN32)
  install(FILES ${ZELVAN_WINDOWS_RUNTIME_DLLS} DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

# The public headers only: what a program that uses the libraries includes.
set(zelvan_headers ${CMAKE_INSTALL_INCLUDEDIR}/zelvan)
install(FILES src/win32/win32.h src/win32/flat.h src/win32/service_status.h DESTINATION ${zelvan_headers}/win32)
if(NOT WIN32)
  install(FILES src/win32/hosted/hosted_pc.h src/win32/hosted/call_table.h
          DESTINATION ${zelvan_headers}/win32/hosted)
endif()
install(DIRECTORY src/vcl DESTINATION ${zelvan_headers} FILES_MATCHING PATTERN "*.h")
install(FILES src/orvane/orvane.h src/orvane/rules.h DESTINATION ${zelvan_headers}/orvane)

install(EXPORT ZelvanTargets NAMESPACE zelvan::
        DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/Zelvan)
configure_package_config_file(cmake/ZelvanConfig.cmake.in
        ${CMAKE_CURRENT_BINARY_DIR}/ZelvanConfig.cmake
        INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/Zelvan)
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/ZelvanConfigVersion.cmake
        COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/ZelvanConfig.cmake
              ${CMAKE_CURRENT_BINARY_DIR}/ZelvanConfigVersion.cmake
        DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/Zelvan)
