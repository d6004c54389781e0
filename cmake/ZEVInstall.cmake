# What `cmake --install` puts where: the four shared libraries with sonames
# and an export list, their public headers under include/zev, the zev-filter
# program, the CMake package ZEV and the pkg-config file zev.pc. Each file
# belongs to one of three components, which the Debian packages follow:
# runtime (the libraries), development (headers, development links, CMake and
# pkg-config files) and tools (zev-filter).
include(CMakePackageConfigHelpers)

set(ZEV_LIBRARIES zev_core zev_ogl image_runtime zev_host)

# Before 1.0 any minor release may break the ABI, so the soname carries the
# minor version too (libzev_core.so.0.1); from 1.0 on, the major version alone.
if(PROJECT_VERSION_MAJOR EQUAL 0)
  set(ZEV_SOVERSION ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR})
  set(ZEV_VERSION_COMPATIBILITY SameMinorVersion)
else()
  set(ZEV_SOVERSION ${PROJECT_VERSION_MAJOR})
  set(ZEV_VERSION_COMPATIBILITY SameMajorVersion)
endif()

set(ZEV_EXPORTS_MAP ${PROJECT_SOURCE_DIR}/cmake/ZEVExports.map)
foreach(library ${ZEV_LIBRARIES})
  set_target_properties(${library} PROPERTIES
    VERSION ${PROJECT_VERSION}
    SOVERSION ${ZEV_SOVERSION}
    # The libraries sit side by side and find each other there.
    INSTALL_RPATH "$ORIGIN"
    LINK_DEPENDS ${ZEV_EXPORTS_MAP})
  target_link_options(${library} PRIVATE "LINKER:--version-script=${ZEV_EXPORTS_MAP}")
endforeach()

install(TARGETS ${ZEV_LIBRARIES} EXPORT ZEVTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT runtime NAMELINK_COMPONENT development)
if(TARGET zev-filter)
  install(TARGETS zev-filter RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT tools)
endif()

# Every header of a library is public unless listed here: these are for the
# libraries' own sources only (they include the GL headers, which public
# headers never do). The directories are read at install time, so headers
# added later are installed without touching this file.
set(ZEV_INTERNAL_HEADERS GLError.h Glx.h TextureOrigins.h)
set(ZEV_HEADER_EXCLUDES)
foreach(header ${ZEV_INTERNAL_HEADERS})
  list(APPEND ZEV_HEADER_EXCLUDES PATTERN ${header} EXCLUDE)
endforeach()
install(DIRECTORY
    ${PROJECT_SOURCE_DIR}/framework/zev_core/zev_core
    ${PROJECT_SOURCE_DIR}/framework/zev_ogl/zev_ogl
    ${PROJECT_SOURCE_DIR}/image_runtime
    ${PROJECT_SOURCE_DIR}/host/zev_host
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/zev COMPONENT development
  FILES_MATCHING PATTERN "*.h" ${ZEV_HEADER_EXCLUDES})

set(ZEV_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/ZEV)
install(EXPORT ZEVTargets NAMESPACE ZEV:: DESTINATION ${ZEV_CMAKE_DIR} COMPONENT development)
configure_package_config_file(cmake/ZEVConfig.cmake.in
  ${PROJECT_BINARY_DIR}/ZEVConfig.cmake INSTALL_DESTINATION ${ZEV_CMAKE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/ZEVConfigVersion.cmake
  COMPATIBILITY ${ZEV_VERSION_COMPATIBILITY})
install(FILES ${PROJECT_BINARY_DIR}/ZEVConfig.cmake ${PROJECT_BINARY_DIR}/ZEVConfigVersion.cmake
  DESTINATION ${ZEV_CMAKE_DIR} COMPONENT development)

# zev.pc names the prefix given at install time (cmake --install --prefix),
# not the one configured, so it is written in two steps: everything but the
# prefix now, the prefix when installing.
foreach(kind LIBDIR INCLUDEDIR)
  if(IS_ABSOLUTE "${CMAKE_INSTALL_${kind}}")
    set(ZEV_PC_${kind} "${CMAKE_INSTALL_${kind}}")
  else()
    set(ZEV_PC_${kind} "\${prefix}/${CMAKE_INSTALL_${kind}}")
  endif()
endforeach()
set(ZEV_PC_EXTRA_CFLAGS "")
foreach(directory ${Boost_INCLUDE_DIRS})
  if(NOT directory IN_LIST CMAKE_CXX_IMPLICIT_INCLUDE_DIRECTORIES)
    string(APPEND ZEV_PC_EXTRA_CFLAGS " -I${directory}")
  endif()
endforeach()
set(ZEV_PC_PREFIX "@ZEV_PC_PREFIX@")
configure_file(cmake/zev.pc.in ${PROJECT_BINARY_DIR}/zev.pc.in @ONLY)
install(CODE "
  set(ZEV_PC_PREFIX \"\${CMAKE_INSTALL_PREFIX}\")
  set(destination \"${CMAKE_INSTALL_LIBDIR}/pkgconfig\")
  if(NOT IS_ABSOLUTE \"\${destination}\")
    set(destination \"\${CMAKE_INSTALL_PREFIX}/\${destination}\")
  endif()
  configure_file(\"${PROJECT_BINARY_DIR}/zev.pc.in\" \"${PROJECT_BINARY_DIR}/zev.pc\" @ONLY)
  file(INSTALL \"${PROJECT_BINARY_DIR}/zev.pc\" DESTINATION \"\${destination}\")
" COMPONENT development)
