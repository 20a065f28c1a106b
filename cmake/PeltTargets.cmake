# Common settings for every target of the project: C++20, the warning set
# (errors only when PELT_WARNINGS_AS_ERRORS is on) and the optional sanitizers.

set(PELT_WARNINGS -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wsign-conversion
                  -Wnon-virtual-dtor -Wold-style-cast -Woverloaded-virtual)
if(PELT_WARNINGS_AS_ERRORS)
  list(APPEND PELT_WARNINGS -Werror)
endif()
# GCC 12 at -O3 reports impossible overlapping copies inside std::string's
# own concatenation (its bug 105651, fixed in 13); the check is dropped for
# that compiler only, so every other warning still stops the build.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_GREATER_EQUAL 12
   AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
  list(APPEND PELT_WARNINGS -Wno-restrict)
endif()

# A sanitized build instruments the whole tree: the flags are set for the
# directory, never as usage requirements, so the installed and exported
# targets do not carry them to consumers.
if(PELT_SANITIZE)
  add_compile_options(-fsanitize=${PELT_SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=${PELT_SANITIZE})
endif()

function(pelt_setup_target target)
  target_compile_features(${target} PUBLIC cxx_std_20)
  target_compile_options(${target} PRIVATE ${PELT_WARNINGS})
endfunction()

# pelt_add_library(<layer> SOURCES ... [DEPENDS ...] [PRIVATE_DEPENDS ...])
# Declares pelt_<layer> with the alias pelt::<layer>.
function(pelt_add_library layer)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPENDS;PRIVATE_DEPENDS" ${ARGN})
  set(target pelt_${layer})
  add_library(${target} STATIC ${ARG_SOURCES})
  add_library(pelt::${layer} ALIAS ${target})
  set_target_properties(${target} PROPERTIES EXPORT_NAME ${layer})
  target_include_directories(${target}
    PUBLIC $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}/include>
           $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>
    PRIVATE ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${target} PUBLIC ${ARG_DEPENDS} PRIVATE ${ARG_PRIVATE_DEPENDS})
  pelt_setup_target(${target})
  set_property(GLOBAL APPEND PROPERTY PELT_LIBRARY_TARGETS ${target})
endfunction()

# pelt_add_test(<name> SOURCES ... [DEPENDS ...] [LABELS ...])
# One GoogleTest executable, registered with CTest test by test. LABELS lets
# a build run a subset (ctest -L tsan).
function(pelt_add_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPENDS;LABELS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_DEPENDS} pelt_test_support GTest::gtest GTest::gmock
                                        GTest::gtest_main)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)
  pelt_setup_target(${name})
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
                       PROPERTIES ENVIRONMENT "PELT_SOURCE_DIR=${PROJECT_SOURCE_DIR}"
                                  LABELS "${ARG_LABELS}")
endfunction()
