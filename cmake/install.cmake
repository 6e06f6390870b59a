# Installation of the interface kit: public headers, the static libraries of the interface and
# base layers, a pkg-config file and a CMake package, so that client authors can build against
# an installed copy with either `pkg-config quorvex` or `find_package(Quorvex)`.
include(CMakePackageConfigHelpers)

set(QUORVEX_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/Quorvex)

install(DIRECTORY ${QUORVEX_INCLUDE_DIR}/quorvex DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}
        FILES_MATCHING PATTERN "*.h")

# Libraries in link order: each may use the ones after it.
set(quorvex_installed_libs)
foreach(lib quorvex_api quorvex_proto quorvex_base)
  if(TARGET ${lib})
    list(APPEND quorvex_installed_libs ${lib})
  endif()
endforeach()

set(quorvex_pc_libs)
foreach(lib ${quorvex_installed_libs})
  string(APPEND quorvex_pc_libs " -l${lib}")
endforeach()

# Headers generated from the protocol description, which the interface headers include.
if(TARGET quorvex_proto)
  install(DIRECTORY ${CMAKE_BINARY_DIR}/api/gen/quorvex/proto
          DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/quorvex FILES_MATCHING PATTERN "*.h")
  set(quorvex_pc_requires_private "libtirpc")
  set(quorvex_config_deps "find_dependency(PkgConfig)\npkg_check_modules(TIRPC REQUIRED IMPORTED_TARGET libtirpc)\n")
else()
  set(quorvex_pc_requires_private "")
  set(quorvex_config_deps "")
endif()

install(TARGETS ${quorvex_installed_libs} EXPORT QuorvexTargets
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
        INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(EXPORT QuorvexTargets NAMESPACE Quorvex:: DESTINATION ${QUORVEX_CMAKE_DIR})

# The libraries are static and written in C++, so C clients also need its runtime.
set(quorvex_pc_file ${CMAKE_BINARY_DIR}/quorvex.pc)
file(GENERATE OUTPUT ${quorvex_pc_file} CONTENT
"prefix=\${pcfiledir}/../..
exec_prefix=\${prefix}
libdir=\${prefix}/${CMAKE_INSTALL_LIBDIR}
includedir=\${prefix}/${CMAKE_INSTALL_INCLUDEDIR}

Name: quorvex
Description: Interface kit for clients of the document host: interface calls and base library
Version: ${PROJECT_VERSION}
Requires.private: ${quorvex_pc_requires_private}
Cflags: -I\${includedir}
Libs: -L\${libdir}${quorvex_pc_libs} -lstdc++ -lm
")
install(FILES ${quorvex_pc_file} DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

set(quorvex_config_in ${CMAKE_BINARY_DIR}/QuorvexConfig.cmake.in)
file(WRITE ${quorvex_config_in}
"@PACKAGE_INIT@
include(CMakeFindDependencyMacro)
${quorvex_config_deps}include(\${CMAKE_CURRENT_LIST_DIR}/QuorvexTargets.cmake)
# Quorvex::quorvex: every library of the kit in link order.
if(NOT TARGET Quorvex::quorvex)
  add_library(Quorvex::quorvex INTERFACE IMPORTED)
  foreach(lib ${quorvex_installed_libs})
    if(TARGET Quorvex::\${lib})
      target_link_libraries(Quorvex::quorvex INTERFACE Quorvex::\${lib})
    endif()
  endforeach()
  # Static C++ libraries: C clients link the C++ runtime after them.
  target_link_libraries(Quorvex::quorvex INTERFACE stdc++ m)
endif()
check_required_components(Quorvex)
")
configure_package_config_file(${quorvex_config_in} ${CMAKE_BINARY_DIR}/QuorvexConfig.cmake
                              INSTALL_DESTINATION ${QUORVEX_CMAKE_DIR})
write_basic_package_version_file(${CMAKE_BINARY_DIR}/QuorvexConfigVersion.cmake
                                 VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_BINARY_DIR}/QuorvexConfig.cmake ${CMAKE_BINARY_DIR}/QuorvexConfigVersion.cmake
        DESTINATION ${QUORVEX_CMAKE_DIR})
