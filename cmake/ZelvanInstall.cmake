include(CMakePackageConfigHelpers)

install(TARGETS zelvan_win32 zelvan_warnings
                zelvan_vcl_vcl40 zelvan_vcl_vcl30
                zelvan_orvane_vcl40 zelvan_orvane_vcl30
        EXPORT ZelvanTargets
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
        RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
        INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/zelvan)
install(DIRECTORY src/win32 src/vcl src/orvane
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/zelvan
        FILES_MATCHING PATTERN "*.h")
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
