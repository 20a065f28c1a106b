# Installs the libraries, the public headers and a CMake package, so that
# other projects can find_package(PeltExpressions) and link pelt::evaluator.
include(CMakePackageConfigHelpers)

get_property(pelt_libraries GLOBAL PROPERTY PELT_LIBRARY_TARGETS)
install(TARGETS ${pelt_libraries}
        EXPORT PeltExpressionsTargets
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT dev
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT dev
        RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT dev)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/pelt DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}
        COMPONENT dev)
install(EXPORT PeltExpressionsTargets
        NAMESPACE pelt::
        DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/PeltExpressions
        COMPONENT dev)
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/PeltExpressionsConfig.cmake.in
                              ${PROJECT_BINARY_DIR}/PeltExpressionsConfig.cmake
                              INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/PeltExpressions)
write_basic_package_version_file(${PROJECT_BINARY_DIR}/PeltExpressionsConfigVersion.cmake
                                 COMPATIBILITY SameMinorVersion)
install(FILES ${PROJECT_BINARY_DIR}/PeltExpressionsConfig.cmake
              ${PROJECT_BINARY_DIR}/PeltExpressionsConfigVersion.cmake
        DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/PeltExpressions
        COMPONENT dev)

# For builds without CMake: the core libraries through pkg-config. They are
# static, so the link line lists them in dependency order. The prefix is
# found from the file's own place, so that an install with --prefix works.
file(RELATIVE_PATH pelt_pc_to_prefix ${CMAKE_INSTALL_FULL_LIBDIR}/pkgconfig ${CMAKE_INSTALL_PREFIX})
string(REGEX REPLACE "/$" "" pelt_pc_to_prefix "${pelt_pc_to_prefix}")
configure_file(${PROJECT_SOURCE_DIR}/cmake/peltexpressions.pc.in
               ${PROJECT_BINARY_DIR}/peltexpressions.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/peltexpressions.pc
        DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig
        COMPONENT dev)
