# Debian packages of the installed tree (cpack -G DEB, or
# scripts/make-packages.sh), one per install component of ZEVInstall.cmake:
#   libzev<soversion>  runtime      the four shared libraries
#   libzev-dev         development  headers, development links, CMake package, zev.pc
#   zev-filter         tools        the demo host
# Dependencies on other Debian packages come from dpkg-shlibdeps; only the
# links between these three packages are set here.
set(CPACK_PACKAGE_NAME zev)
set(CPACK_PACKAGE_VENDOR "ZEV developers")
set(CPACK_PACKAGE_CONTACT "ZEV developers <zev@example.org>")
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
# Files are staged under DESTDIR with the real prefix, so that zev.pc, which
# names the prefix given at install time, names the one the packages install to.
set(CPACK_SET_DESTDIR ON)

set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL runtime development)
if(TARGET zev-filter)
  list(APPEND CPACK_COMPONENTS_ALL tools)
endif()
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_SECTION libs)

# The soname is part of the runtime package's name, as Debian names library
# packages, so that two ABI-incompatible releases can be installed side by side.
set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME libzev${ZEV_SOVERSION})
set(CPACK_COMPONENT_RUNTIME_DESCRIPTION
  "ZEV image runtime libraries\nzev_core, zev_ogl, image_runtime and zev_host: images on the CPU and\nin OpenGL textures, a texture pool, a shader manager and a host kit.")
# A shlibs file (written for the one package with shared objects) lets
# dpkg-shlibdeps derive the dependencies of programs built against these.
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")

set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME libzev-dev)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
set(CPACK_COMPONENT_DEVELOPMENT_DESCRIPTION
  "ZEV image runtime development files\nHeaders, the CMake package ZEV and the pkg-config file zev.pc.")
set(CPACK_COMPONENT_DEVELOPMENT_DEPENDS runtime)
# What compiling against the headers needs has no binary to derive it from:
# ZEVConfig.cmake finds Boost and, through pkg-config, epoxy.
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_DEPENDS
  "libboost-dev (>= ${ZEV_BOOST_MIN_VERSION}), libepoxy-dev, pkg-config")

set(CPACK_DEBIAN_TOOLS_PACKAGE_NAME zev-filter)
set(CPACK_DEBIAN_TOOLS_PACKAGE_SECTION graphics)
set(CPACK_COMPONENT_TOOLS_DESCRIPTION
  "ZEV image runtime demo host\nzev-filter runs a chain of GLSL filters over an image, headless.")
set(CPACK_COMPONENT_TOOLS_DEPENDS runtime)
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)

set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# zev-filter needs the libraries of the runtime package, which are in no
# installed package yet: dpkg-shlibdeps finds them in the build tree and
# leaves them to the link to the runtime package above.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS)
foreach(library ${ZEV_LIBRARIES})
  get_target_property(directory ${library} LIBRARY_OUTPUT_DIRECTORY)
  if(NOT directory)
    get_target_property(directory ${library} BINARY_DIR)
  endif()
  list(APPEND CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${directory})
endforeach()

include(CPack)
