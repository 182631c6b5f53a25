# What `cmake --install` puts in the prefix: the libraries, packages and
# programs that the build made (a build of some targets installs those and
# nothing it did not make), the public headers, and what other projects
# find them by: find_package(Zelvan) and pkg-config.
include(CMakePackageConfigHelpers)

set(zelvan_config_dir ${CMAKE_INSTALL_LIBDIR}/cmake/Zelvan)
set(zelvan_headers ${CMAKE_INSTALL_INCLUDEDIR}/zelvan)

# zelvan_install_set(SET DESTINATION dir TARGETS targets...): targets that
# a build makes together, installed when they were built (shared ones in
# `dir`, static ones in the library folder), with their imported targets
# Zelvan::EXPORT_NAME. find_package(Zelvan) takes the set, its component
# SET, where its files are installed.
set(zelvan_sets "")
function(zelvan_install_set set)
  cmake_parse_arguments(arg "" "DESTINATION" "TARGETS" ${ARGN})
  install(TARGETS ${arg_TARGETS} EXPORT Zelvan_${set} OPTIONAL
          ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
          LIBRARY DESTINATION ${arg_DESTINATION}
          RUNTIME DESTINATION ${arg_DESTINATION}
          INCLUDES DESTINATION ${zelvan_headers})
  install(EXPORT Zelvan_${set} NAMESPACE Zelvan:: FILE Zelvan_${set}Targets.cmake DESTINATION ${zelvan_config_dir})
  set(files "")
  foreach(target IN LISTS arg_TARGETS)
    get_target_property(type ${target} TYPE)
    if(type STREQUAL "STATIC_LIBRARY")
      list(APPEND files ${CMAKE_INSTALL_LIBDIR}/$<TARGET_FILE_NAME:${target}>)
    elseif(NOT type STREQUAL "INTERFACE_LIBRARY")
      list(APPEND files ${arg_DESTINATION}/$<TARGET_FILE_NAME:${target}>)
    endif()
  endforeach()
  list(JOIN files " " files)
  set(zelvan_sets "${zelvan_sets}zelvan_take_set(${set} ${files})\n" PARENT_SCOPE)
endfunction()

# The hosted Win32 layer beside the libraries, as a system library; the
# static libraries; the packages in the programs' folder, where programs
# built with them find them, with the C++ runtime DLLs that they share on
# Windows.
zelvan_install_set(win32 DESTINATION ${CMAKE_INSTALL_LIBDIR} TARGETS zelvan_win32)
foreach(flavour IN LISTS ZELVAN_FLAVOURS)
  zelvan_install_set(static${ZELVAN_SUFFIX_${flavour}} DESTINATION ${CMAKE_INSTALL_LIBDIR}
                     TARGETS zelvan_vcl_${flavour} zelvan_orvane_${flavour})
  zelvan_install_set(packages${ZELVAN_SUFFIX_${flavour}} DESTINATION ${CMAKE_INSTALL_BINDIR}
                     TARGETS zelvan_runtime_${flavour} zelvanpack_${flavour} zelvanpack_names_${flavour})
endforeach()
if(WIN32)
  install(FILES ${ZELVAN_WINDOWS_RUNTIME_DLLS} DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

# The public headers: the component, the runtime that an application uses
# around it, and the Win32 surface; on the hosted backend also the machine's
# configuration from code. The packages' names are installed with them
# (src/package).
install(FILES src/win32/win32.h DESTINATION ${zelvan_headers}/win32)
if(NOT WIN32)
  install(FILES src/win32/hosted/hosted_pc.h src/win32/hosted/medium_window.h DESTINATION ${zelvan_headers}/win32/hosted)
endif()
install(FILES
          src/vcl/classes.h
          src/vcl/datamodule.h
          src/vcl/formerrors.h
          src/vcl/formtree.h
          src/vcl/memory_manager.h
          src/vcl/modules.h
          src/vcl/packageinfo.h
          src/vcl/packages.h
          src/vcl/palette.h
          src/vcl/registry.h
          src/vcl/streaming.h
          src/vcl/system.h
          src/vcl/sysutils.h
          src/vcl/typinfo.h
        DESTINATION ${zelvan_headers}/vcl)
install(FILES src/orvane/orvane.h src/orvane/rules.h DESTINATION ${zelvan_headers}/orvane)

# find_package(Zelvan): the configuration names each set's files, which
# only the generator knows.
configure_package_config_file(cmake/ZelvanConfig.cmake.in ${CMAKE_CURRENT_BINARY_DIR}/ZelvanConfig.cmake.gen
                              INSTALL_DESTINATION ${zelvan_config_dir})
file(GENERATE OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/ZelvanConfig.cmake
     INPUT ${CMAKE_CURRENT_BINARY_DIR}/ZelvanConfig.cmake.gen)
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/ZelvanConfigVersion.cmake
                                 COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/ZelvanConfig.cmake ${CMAKE_CURRENT_BINARY_DIR}/ZelvanConfigVersion.cmake
        DESTINATION ${zelvan_config_dir})

# pkg-config: zelvan (vcl40) and zelvan30 (vcl30), the component linked
# statically, each installed when its library was built. The prefix is
# found from the file's own place.
set(zelvan_pkgconfig_dir ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
file(RELATIVE_PATH ZELVAN_PC_PREFIX /${zelvan_pkgconfig_dir} /)
string(REGEX REPLACE "/$" "" ZELVAN_PC_PREFIX ${ZELVAN_PC_PREFIX})
if(WIN32)
  set(ZELVAN_PC_SYSTEM_LIBS "-lkernel32 -luser32")
else()
  set(ZELVAN_PC_SYSTEM_LIBS "-lzelvan_win32 -Wl,-rpath,\${libdir}")
endif()
foreach(flavour IN LISTS ZELVAN_FLAVOURS)
  set(ZELVAN_PC_NAME zelvan${ZELVAN_SUFFIX_${flavour}})
  set(ZELVAN_PC_FLAVOUR ${flavour})
  set(ZELVAN_PC_CFLAGS "")
  if(flavour STREQUAL "vcl30")
    set(ZELVAN_PC_CFLAGS " -DZELVAN_VCL30=1")
  endif()
  set(pc ${CMAKE_CURRENT_BINARY_DIR}/pkgconfig/${ZELVAN_PC_NAME}.pc)
  configure_file(cmake/zelvan.pc.in ${pc} @ONLY)
  install(CODE "if(EXISTS \"$<TARGET_FILE:zelvan_orvane_${flavour}>\")
  file(INSTALL DESTINATION \"\${CMAKE_INSTALL_PREFIX}/${zelvan_pkgconfig_dir}\" TYPE FILE FILES \"${pc}\")
endif()")
endforeach()
