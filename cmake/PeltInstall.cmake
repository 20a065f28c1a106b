# Installs the libraries, the public headers and a CMake package, so that
# other projects can find_package(PeltExpressions) and link pelt::evaluator.
include(CMakePackageConfigHelpers)

get_property(pelt_libraries GLOBAL PROPERTY PELT_LIBRARY_TARGETS)
install(TARGETS ${pelt_libraries}
        EXPORT PeltExpressionsTargets
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
        RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/pelt DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(EXPORT PeltExpressionsTargets
        NAMESPACE pelt::
        DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/PeltExpressions)
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/PeltExpressionsConfig.cmake.in
                              ${PROJECT_BINARY_DIR}/PeltExpressionsConfig.cmake
                              INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/PeltExpressions)
write_basic_package_version_file(${PROJECT_BINARY_DIR}/PeltExpressionsConfigVersion.cmake
                                 COMPATIBILITY SameMinorVersion)
install(FILES ${PROJECT_BINARY_DIR}/PeltExpressionsConfig.cmake
              ${PROJECT_BINARY_DIR}/PeltExpressionsConfigVersion.cmake
        DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/PeltExpressions)
