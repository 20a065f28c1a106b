# Debian packages from the install rules, made with `cpack -G DEB` in the
# build directory: peltexpressions (the tools, the builder module they load,
# the in-process server, the sample and the manual pages) and
# peltexpressions-dev (headers, static libraries, CMake and pkg-config
# files). Configure with -DCMAKE_INSTALL_PREFIX=/usr so that the libraries
# go to /usr/lib/<multiarch>; the packages always install under /usr.

set(PELT_PACKAGE_MAINTAINER "PeltExpressions maintainers <maintainers@peltexpressions.example>"
    CACHE STRING "The Maintainer field of the Debian packages")
set(PELT_PACKAGE_HOMEPAGE "" CACHE STRING "The Homepage field of the Debian packages (none when empty)")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME peltexpressions)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${PELT_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL runtime dev)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# Upstream version and a packaging revision: these are not native packages.
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${PELT_PACKAGE_HOMEPAGE}")
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The runtime's library dependencies are read from its binaries.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)

set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME peltexpressions)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION science)
# The server's soname is recorded for packages built against it; ldconfig
# runs through its trigger.
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
set(CPACK_DEBIAN_RUNTIME_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/cmake/debian/triggers)
set(CPACK_COMPONENT_RUNTIME_DESCRIPTION
    "label text from the records of GIS attribute tables
PeltExpressions turns the records of an attribute table into label text
with label expressions such as [NAME].UCase.Left(2): field names in square
brackets followed by formatting statements, reserved words and text tags.
.
This package holds pelt-label, which labels any vector layer GDAL reads
and opens the Qt expression builder, pelt-regsvr, which registers the
in-process server libPeltExpressions with the component registry, the
server itself and a sample layer.")

# The libraries are static, so a project that links them needs the headers
# of everything they use; the CMake package finds these too.
set(CPACK_DEBIAN_DEV_PACKAGE_NAME peltexpressions-dev)
set(CPACK_DEBIAN_DEV_PACKAGE_SECTION libdevel)
set(CPACK_COMPONENT_DEV_DEPENDS runtime)
set(CPACK_DEBIAN_DEV_PACKAGE_DEPENDS "libicu-dev")
if(PELT_BUILD_GDAL)
  string(APPEND CPACK_DEBIAN_DEV_PACKAGE_DEPENDS ", libgdal-dev")
endif()
if(PELT_BUILD_BUILDER)
  string(APPEND CPACK_DEBIAN_DEV_PACKAGE_DEPENDS ", qt6-base-dev")
endif()
set(CPACK_COMPONENT_DEV_DESCRIPTION
    "label text from GIS attribute tables - development files
PeltExpressions turns the records of an attribute table into label text
with label expressions such as [NAME].UCase.Left(2).
.
This package holds the C++ headers and static libraries, with a CMake
package (find_package(PeltExpressions)) and a pkg-config file.")

# What Debian puts beside the installed files (the copyright file, the
# changelog, compressed manual pages) is added to the staged packages only,
# so that cmake --install stays as it was.
set(CPACK_PELT_DEBIAN_FILES ${PROJECT_SOURCE_DIR}/cmake/debian)
set(CPACK_PRE_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/PeltDebianStaging.cmake)

include(CPack)
